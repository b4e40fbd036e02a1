#include "hooklib/MenuDriver.h"

#include <mmsystem.h>
#include <shlwapi.h>

#include <cwchar>

#include "core/base/Handles.h"
#include "hooklib/Exchange.h"
#include "hooklib/HookInstall.h"
#include "hooklib/HookLog.h"
#include "hooklib/QueryCodec.h"
#include "hooklib/SelectedText.h"

namespace {

const CWPSharedData* g_shared = nullptr;

const int kCaretOffset = 15;
const DWORD kReplyTimeoutMs = 10000;

bool IsReservedCommand(LONG cmdId) {
    return cmdId >= -5 && cmdId <= -2;
}

void SetItemDataOne(HMENU menu, UINT id) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    info.dwItemData = 1;
    const BOOL result = SetMenuItemInfoW(menu, id, FALSE, &info);
    wchar_t line[40];
    swprintf(line, sizeof(line) / sizeof(line[0]), L"SetDisabled: %d", result);
    HookLogWrite(line);
}

bool IsCurrentProgramChrome() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return IsChromeProgram(path);
}

}  // namespace

void AttachMenuDriver(const CWPSharedData* shared) {
    g_shared = shared;
}

void MenuDriverProc(WPARAM wParam, DWORD flags) {
    RunMenuDriver(wParam, flags);
}

void BuildMenu(HMENU menu, const CPhraseNodeList& items, int perColumn) {
    int inColumn = 0;
    for (const CPhraseNode& item : items) {
        if (item.IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        if (item.IsSubMenu()) {
            const CPhraseNodeList& subList = item.GetSubListOrEmpty();
            if (subList.empty()) continue;
            HMENU subMenu = CreatePopupMenu();
            if (!subMenu) continue;
            BuildMenu(subMenu, subList, perColumn);
            if (!AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(subMenu), item.m_name)) {
                DestroyMenu(subMenu);
                continue;
            }
            if (item.m_flags & CPhraseNode::kFlagDefault) SetMenuDefaultItem(menu, GetMenuItemCount(menu) - 1, TRUE);
            continue;
        }
        UINT type = MF_STRING;
        if (inColumn == perColumn) {
            type |= MF_MENUBARBREAK;
            inColumn = 0;
        }
        const UINT id = kMenuCommandBase + static_cast<UINT>(item.m_cmdId);
        AppendMenuW(menu, type, id, item.m_name);
        if ((item.m_flags & CPhraseNode::kFlagDisabled) && !IsReservedCommand(item.m_cmdId)) SetItemDataOne(menu, id);
        ++inColumn;
        if (item.m_flags & CPhraseNode::kFlagDefault) SetMenuDefaultItem(menu, id, FALSE);
    }
}

UINT TrackMenu(HMENU menu, POINT point, HWND target, bool sound, bool atMouse, HCURSOR cursorBeforeWait) {
    if (sound) PlaySoundW(L"SystemNotification", nullptr, SND_ALIAS | SND_SYNC);
    if (atMouse) {
        GetCursorPos(&point);
    } else {
        SetCursorPos(point.x > kCaretOffset ? point.x - kCaretOffset : 0,
                     point.y > kCaretOffset ? point.y - kCaretOffset : 0);
    }
    EndMenu();
    if (cursorBeforeWait) SetCursor(cursorBeforeWait);
    HWND focus = GetFocus();
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_VERPOSANIMATION, point.x, point.y, target, nullptr));
    EndMenu();
    if (focus && IsWindow(focus)) {
        SetForegroundWindow(GetAncestor(focus, GA_ROOT));
        SetActiveWindow(GetAncestor(focus, GA_ROOT));
        SetFocus(focus);
        ShowCaret(focus);
    }
    return chosen;
}

WP_CMD_RESULT MakeCommandReply(const CPhraseNode& item, HWND target) {
    WP_CMD_RESULT reply = {};
    reply.cmdId = item.m_cmdId;
    wchar_t className[256] = {};
    GetClassNameW(target, className, 256);
    wcsncpy(reply.className, className, kReplyClassNameChars);
    reply.className[kReplyClassNameChars] = 0;
    reply.window = ValueOf(target);
    reply.flags = item.m_flags;
    return reply;
}

WP_CMD_RESULT MakeCancelReply() {
    WP_CMD_RESULT reply = {};
    reply.cmdId = -1;
    return reply;
}

bool SendCommandReply(HWND mainWindow, DWORD replyTag, const WP_CMD_RESULT& reply) {
    if (!mainWindow || !IsWindow(mainWindow)) return false;
    COPYDATASTRUCT data = {};
    data.dwData = replyTag;
    data.cbData = sizeof(reply);
    data.lpData = const_cast<WP_CMD_RESULT*>(&reply);
    // Bounded: a main program that hangs must not hold the target's thread.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(mainWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(mainWindow),
                               reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG, kReplyTimeoutMs,
                               &result) != 0;
}

bool ActivateLayoutOfLanguage(WORD languageId) {
    HKL layouts[64];
    const int count = GetKeyboardLayoutList(64, layouts);
    for (int i = 0; i < count; ++i) {
        if (LOWORD(reinterpret_cast<UINT_PTR>(layouts[i])) == languageId)
            return ActivateKeyboardLayout(layouts[i], 0) != nullptr;
    }
    return false;
}

bool IsChromeProgram(const wchar_t* executablePath) {
    if (!executablePath) return false;
    return _wcsicmp(PathFindFileNameW(executablePath), L"chrome.exe") == 0;
}

POINT GetMenuPoint(HWND target, bool atMouse) {
    POINT point = {};
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!atMouse && GetGUIThreadInfo(GetCurrentThreadId(), &info) && info.hwndCaret && GetCaretPos(&point)) {
        point.y += kCaretOffset;
        ClientToScreen(target, &point);
        return point;
    }
    GetCursorPos(&point);
    return point;
}

int RunMenuDriver(WPARAM, DWORD flags) {
    if (!g_shared) return 0;
    HWND target = GetCurrentHWND();
    CScopedCursor waitCursor(IDC_APPSTARTING, true);
    const bool chrome = IsCurrentProgramChrome();

    CWPQueryData query;
    wchar_t text[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, text, MAX_PATH);
    query.m_appPath = text;
    text[0] = 0;
    if (target) GetClassNameW(target, text, MAX_PATH);
    query.m_windowClassName = text;
    query.m_targetWindow = target;
    query.m_keyboardLayout = GetKeyboardLayout(0);
    GetSelectedText(target, query.m_selectedText, query.m_selTextState);
    if (!chrome) {
        const POINT point = GetMenuPoint(target, false);
        query.m_pointX = point.x;
        query.m_pointY = point.y;
    }

    const CExchangeNames names = {g_shared->mappingName, g_shared->dataNeededName, g_shared->dataCompletedName};
    CWPAnswerData answer;
    const int waitLimit = (flags & WPF_WAIT_ANSWER) ? kAnswerWaitMessages : kAnswerNoWait;
    if (ExchangeWPQuery(names, query, answer, waitLimit) != WPX_ANSWER_READ) return 0;
    if (chrome) answer.m_showToolTips = 0;
    if (answer.m_commands.empty()) {
        HookLogWrite(L"No receive commands data from agent");
        return 0;
    }
    CMenuHandle menu(CreatePopupMenu());
    if (!menu) {
        HookLogError(L"Cannot create menu with commands");
        return 0;
    }
    BuildMenu(menu.get(), answer.m_commands, answer.m_menuPerColumn);
    const POINT point = GetMenuPoint(target, chrome);
    const UINT chosen = TrackMenu(menu.get(), point, target, answer.m_sound != 0, chrome, waitCursor.previous());
    menu.reset();

    HWND mainWindow = WindowOf(g_shared->mainWindow);
    const CPhraseNode* item =
        chosen ? FindPhraseNodeByCmdId(answer.m_commands, static_cast<LONG>(chosen - kMenuCommandBase)) : nullptr;
    if (item) {
        SendCommandReply(mainWindow, g_shared->replyTag, MakeCommandReply(*item, target));
        if (item->m_lcid) ActivateLayoutOfLanguage(static_cast<WORD>(item->m_lcid));
    } else {
        SendCommandReply(mainWindow, g_shared->replyTag, MakeCancelReply());
    }
    return 1;
}
