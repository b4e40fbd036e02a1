#include "core/base/InputLanguage.h"

#include <atomic>

namespace {

class CSystemInputLanguageInfo final : public IInputLanguageInfo {
public:
    std::vector<HKL> GetKeyboardLayouts(int maxCount) override {
        std::vector<HKL> layouts(maxCount > 0 ? maxCount : 0);
        if (layouts.empty()) return layouts;
        int count = GetKeyboardLayoutList(maxCount, layouts.data());
        layouts.resize(count > 0 ? count : 0);
        return layouts;
    }
    int CountKeyboardLayouts() override { return GetKeyboardLayoutList(0, nullptr); }
    HKL GetDefaultInputLanguage() override {
        HKL language = nullptr;
        if (!SystemParametersInfoW(SPI_GETDEFAULTINPUTLANG, 0, &language, 0)) return nullptr;
        return language;
    }
};

std::atomic<IInputLanguageInfo*> g_inputLanguageOverride{nullptr};

}  // namespace

void SetInputLanguageInfoForTest(IInputLanguageInfo* info) {
    g_inputLanguageOverride = info;
}

IInputLanguageInfo& GetInputLanguageInfo() {
    static CSystemInputLanguageInfo system;
    IInputLanguageInfo* forced = g_inputLanguageOverride;
    return forced ? *forced : system;
}
