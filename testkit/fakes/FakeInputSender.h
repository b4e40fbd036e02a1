// Records every sequence sent instead of typing it; `accept` limits how many events of
// each call go in, as when the system's input is blocked part-way.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/InputSender.h"

class CFakeInputSender final : public IInputSender {
public:
    std::vector<std::vector<INPUT>> sent;
    UINT accept = ~0u;

    UINT Send(const std::vector<INPUT>& inputs) override {
        const UINT taken = inputs.size() < accept ? static_cast<UINT>(inputs.size()) : accept;
        sent.emplace_back(inputs.begin(), inputs.begin() + taken);
        return taken;
    }
};
