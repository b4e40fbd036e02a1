// Fixed answers for the macros: a clock, a mouse, a user, a system folder, version
// resources and keyboard layouts that do not depend on the machine or the time of day.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "core/InputLanguage.h"
#include "phrases/MacroEnvironment.h"

class CFakeMacroEnvironment : public IMacroEnvironment {
public:
    // Thursday, 5 March 2026, 14:07:09.
    SYSTEMTIME time = {2026, 3, 4, 5, 14, 7, 9, 250};
    bool cursorReadable = true;
    POINT cursor = {100, 200};
    CString userName = L"Тестер";
    bool systemFolderReadable = true;
    CString systemFolder = L"C:\\windows\\system32";
    CString osVersion = L"Windows 10 64-bit build 19045";
    std::map<CString, CString> versions;  // path -> product version
    std::vector<CString> versionPathsAsked;

    SYSTEMTIME GetLocalTime() override { return time; }
    bool GetCursorPos(POINT& point) override {
        point = cursor;
        return cursorReadable;
    }
    CString GetUserName() override { return userName; }
    bool GetSystemDirectory(CString& folder) override {
        if (systemFolderReadable) folder = systemFolder;
        return systemFolderReadable;
    }
    CString GetOSVersionText() override { return osVersion; }
    CString GetProductVersion(const CString& path) override {
        versionPathsAsked.push_back(path);
        auto found = versions.find(path);
        return found == versions.end() ? CString() : found->second;
    }
};

// Puts the fake in for the life of the object.
class CMacroEnvironmentScope {
public:
    explicit CMacroEnvironmentScope(IMacroEnvironment& environment) { SetMacroEnvironmentForTest(&environment); }
    ~CMacroEnvironmentScope() { SetMacroEnvironmentForTest(nullptr); }
    CMacroEnvironmentScope(const CMacroEnvironmentScope&) = delete;
    CMacroEnvironmentScope& operator=(const CMacroEnvironmentScope&) = delete;
};

class CFakeLayouts : public IInputLanguageInfo {
public:
    explicit CFakeLayouts(std::vector<UINT_PTR> layouts) {
        for (UINT_PTR layout : layouts) m_layouts.push_back(reinterpret_cast<HKL>(layout));
        SetInputLanguageInfoForTest(this);
    }
    ~CFakeLayouts() override { SetInputLanguageInfoForTest(nullptr); }
    CFakeLayouts(const CFakeLayouts&) = delete;
    CFakeLayouts& operator=(const CFakeLayouts&) = delete;

    std::vector<HKL> GetKeyboardLayouts(int maxCount) override {
        std::vector<HKL> layouts = m_layouts;
        if (static_cast<int>(layouts.size()) > maxCount) layouts.resize(maxCount);
        return layouts;
    }
    HKL GetDefaultInputLanguage() override { return m_layouts.empty() ? nullptr : m_layouts.front(); }

private:
    std::vector<HKL> m_layouts;
};
