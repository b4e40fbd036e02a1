// Fixed answers for the macros: a clock, a mouse, a user, a system folder and version
// resources that do not depend on the machine or the time of day.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

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
    CString osVersion = L"Windows 10 64x build 19045 ";
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
