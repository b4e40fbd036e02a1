// The keyboard facts the first language choice, the menu defaults and the macros ask for.
// Wine reports no default input language and a single US layout, so tests put their own
// answers in through SetInputLanguageInfoForTest.
#pragma once

#include <windows.h>

#include <vector>

class IInputLanguageInfo {
public:
    virtual ~IInputLanguageInfo() = default;
    // The installed keyboard layouts (GetKeyboardLayoutList), at most maxCount.
    virtual std::vector<HKL> GetKeyboardLayouts(int maxCount) = 0;
    // How many layouts are installed (GetKeyboardLayoutList with a zero count).
    virtual int CountKeyboardLayouts() = 0;
    // The default input language (SPI_GETDEFAULTINPUTLANG); 0 when unknown.
    virtual HKL GetDefaultInputLanguage() = 0;
};
// Null restores the system's answers. The object must outlive its use.
void SetInputLanguageInfoForTest(IInputLanguageInfo* info);
IInputLanguageInfo& GetInputLanguageInfo();
