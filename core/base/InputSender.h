// Synthesised keyboard and mouse input, as code that must be testable without a desktop
// sees it. Classes take an IInputSender& in their constructor; the programs pass
// SystemInputSender(), tests a fake that records the sequence.
#pragma once

#include <windows.h>

#include <vector>

class IInputSender {
public:
    virtual ~IInputSender() = default;
    // Inserts the events into the input stream in one piece; returns how many went in.
    virtual UINT Send(const std::vector<INPUT>& inputs) = 0;
};

class CSystemInputSender final : public IInputSender {
public:
    UINT Send(const std::vector<INPUT>& inputs) override;
};

IInputSender& SystemInputSender();
