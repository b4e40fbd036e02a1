// Keyboard facts that do not depend on the machine: by default what Wine gives (one US
// layout, no default input language) unless a test sets them.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "core/base/InputLanguage.h"

class CFakeInputLanguageInfo final : public IInputLanguageInfo {
public:
    std::vector<HKL> layouts{reinterpret_cast<HKL>(static_cast<ULONG_PTR>(0x04090409))};
    HKL defaultLanguage = nullptr;

    CFakeInputLanguageInfo() = default;
    // Whole layout handles, such as 0x04190419; the default input language is the first.
    explicit CFakeInputLanguageInfo(std::initializer_list<UINT_PTR> handles) {
        layouts.clear();
        for (UINT_PTR handle : handles) layouts.push_back(reinterpret_cast<HKL>(handle));
        if (!layouts.empty()) defaultLanguage = layouts.front();
    }

    std::vector<HKL> GetKeyboardLayouts(int maxCount) override {
        std::vector<HKL> result = layouts;
        if (static_cast<int>(result.size()) > maxCount) result.resize(maxCount);
        return result;
    }
    int CountKeyboardLayouts() override { return static_cast<int>(layouts.size()); }
    HKL GetDefaultInputLanguage() override { return defaultLanguage; }

    static HKL Layout(WORD language) {
        return reinterpret_cast<HKL>(static_cast<ULONG_PTR>(MAKELONG(language, language)));
    }
};

// Puts a fake in for the life of the object.
class CInputLanguageScope {
public:
    explicit CInputLanguageScope(IInputLanguageInfo& info) { SetInputLanguageInfoForTest(&info); }
    ~CInputLanguageScope() { SetInputLanguageInfoForTest(nullptr); }
    CInputLanguageScope(const CInputLanguageScope&) = delete;
    CInputLanguageScope& operator=(const CInputLanguageScope&) = delete;
};
