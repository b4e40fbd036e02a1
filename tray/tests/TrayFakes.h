// Fakes of the pieces the tray window drives, recording what they were asked.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "tray/TrayRules.h"
#include "tray/TrayServices.h"

class CFakeHistory : public ITrayClipboardHistory {
public:
    bool handlerInstalled = false;
    bool installWorks = true;
    int handlerInstalls = 0;
    bool installed = false;  // the spy
    int installs = 0;
    int removals = 0;
    int countQueries = 0;
    std::vector<WPARAM> told;

    bool IsInstalled() override { return handlerInstalled; }
    bool Install(HWND, bool) override {
        ++handlerInstalls;
        return handlerInstalled = installWorks;
    }
    bool Uninstall() override {
        handlerInstalled = false;
        return true;
    }
    bool IsSpyInstalled() override { return installed; }
    int ItemCount() override {
        ++countQueries;
        return 3;
    }
    bool InstallSpy(bool) override {
        ++installs;
        installed = true;
        return true;
    }
    bool RemoveSpy() override {
        ++removals;
        installed = false;
        return true;
    }
    void NotifySessionChange(WPARAM reason) override { told.push_back(reason); }
    std::vector<bool> freezes;
    void SetFrozen(bool frozen) override { freezes.push_back(frozen); }
    int clears = 0;
    int saves = 0;
    bool ClearHistory() override {
        ++clears;
        return true;
    }
    void SaveNow() override { ++saves; }
    std::vector<int> putBacks;
    bool PutBackItem(int index) override {
        putBacks.push_back(index);
        return true;
    }
};

class CFakeHookService : public ITrayHookService {
public:
    int errorCode = 0;  // 0: the install works
    bool installed = false;
    int installs = 0;
    int uninstalls = 0;
    HWND window = nullptr;
    HANDLE exitToWatch = nullptr;  // when given: was it set when the hooks were removed?
    bool exitSetAtUninstall = false;

    bool IsInstalled() override { return installed; }
    CString GetDllServiceImplName() const override { return L"fake"; }
    int Install(HWND mainWindow, UINT, const wchar_t*, const wchar_t*, const wchar_t*, bool, int& error,
                bool) override {
        ++installs;
        window = mainWindow;
        error = errorCode;
        installed = errorCode == 0;
        return installed ? 1 : 0;
    }
    int Uninstall() override {
        ++uninstalls;
        if (exitToWatch) exitSetAtUninstall = WaitForSingleObject(exitToWatch, 0) == WAIT_OBJECT_0;
        const bool was = installed;
        installed = false;
        return was ? 1 : 0;
    }
    // The road to the target: what SendMessageToTargetWindow answers, and the query it
    // fills for the answer 2.
    int sendResult = 1;
    int sends = 0;
    std::function<void(CWPQueryData&)> fillQuery;
    int SendMessageToTargetWindow(WPARAM, CWPQueryData& query) override {
        ++sends;
        if (sendResult == 2 && fillQuery) fillQuery(query);
        return sendResult;
    }
    HWND other = nullptr;
    HWND GetTargetWindowOther() override { return other; }
};

class CFakeQueryExchange : public ITrayQueryExchange {
public:
    bool objectsWork = true;
    bool threadWorks = true;
    bool objectsOpen = false;
    int threadStarts = 0;

    bool CreateWaitObjects() override { return objectsOpen = objectsWork; }
    void CloseWaitObjects() override { objectsOpen = false; }
    bool StartQueryThread(HWND, HANDLE, UINT, UINT) override {
        ++threadStarts;
        return threadWorks;
    }
};

class CFakeFloatPane : public ITrayFloatPane {
public:
    HWND window = nullptr;  // the pane "exists" when set
    std::vector<WPARAM> blinks;
    std::vector<int> shows;
    int forwards = 0;
    CString selected;

    HWND Window() override { return window; }
    void Blink(WPARAM how) override { blinks.push_back(how); }
    void ReloadList() override {}
    void Show(int mode) override { shows.push_back(mode); }
    void BringForward() override { ++forwards; }
    bool GetSelectedText(CString& text) override {
        text = selected;
        return true;
    }
    bool GetFocusedItemText(int, CString& text) override {
        text = selected;
        return !selected.IsEmpty();
    }
    LRESULT GetFocusedItemRecord() override { return 0x1234; }
};

class CFakeRoads : public ITrayRoads {
public:
    int hotKeys = 0;
    bool menuShown = false;
    std::vector<int> commandsFromSelf;
    std::vector<int> commandReplies;

    void OnPhraseHotKey() override { ++hotKeys; }
    void OnQuery(WPARAM, LPARAM) override {}
    void OnCommandFromSelf(int commandId, HWND) override { commandsFromSelf.push_back(commandId); }
    void OnCommandReply(int commandId, HWND) override { commandReplies.push_back(commandId); }
    void OnItemAction(WPARAM, LPARAM) override {}
    void ShowPhraseMenuFromCommand() override {}
    bool IsPhraseMenuShown() override { return menuShown; }
    void ForgetFonts() override {}
};
