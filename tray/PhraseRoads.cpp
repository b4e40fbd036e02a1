#include "tray/PhraseRoads.h"

#include "core/MyCopyGuard.h"
#include "core/Settings.h"
#include "core/SoundPlayer.h"
#include "core/Statistics.h"
#include "core/TrayIds.h"
#include "core/UiStrings.h"
#include "core/base/Logger.h"
#include "hooklib/QueryCodec.h"
#include "phrases/Actions.h"
#include "phrases/CommandTree.h"
#include "phrases/Macros.h"
#include "tray/ItemActions.h"
#include "tray/MenuHistorySource.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenuHandler.h"

namespace {

const ULONGLONG kDoublePressMs = 500;
const UINT kHotKeyBalloonMs = 3500;

CMenuQuery MenuQueryOf(const CWPQueryData& query) {
    CMenuQuery menu;
    menu.target = query.m_targetWindow;
    menu.layout = query.m_keyboardLayout;
    menu.hasSelection = query.m_selTextState == WPSEL_READ;
    menu.selectedText = query.m_selectedText;
    menu.point = {query.m_pointX, query.m_pointY};
    menu.caret = query.m_guiThreadInfo.hwndCaret;
    menu.focus = query.m_guiThreadInfo.hwndFocus;
    menu.active = query.m_guiThreadInfo.hwndActive;
    menu.menuOwner = query.m_guiThreadInfo.hwndMenuOwner;
    menu.capture = query.m_guiThreadInfo.hwndCapture;
    return menu;
}

}  // namespace

bool DoublePressShowsMenu(ULONGLONG now, ULONGLONG& armTick) {
    if (now - armTick > kDoublePressMs) {
        armTick = now;
        return false;
    }
    armTick = 0;
    return true;
}

CPhraseRoads::CPhraseRoads(IPhraseRoadsHost& host, CVXLCommandTree& tree, ITrayHookService& hook,
                           IDataNeededHander_MenuSelf& handler, IActionServices& services, IItemActionShell& itemShell,
                           IMenuHistorySource* history, IClock& clock)
    : m_host(host),
      m_tree(tree),
      m_hook(hook),
      m_handler(handler),
      m_services(services),
      m_itemShell(itemShell),
      m_history(history),
      m_clock(clock) {}

CPhraseRoads::~CPhraseRoads() = default;

void CPhraseRoads::OnPhraseHotKey() {
    if (CVXLSettings::GetInstance().Hotkey_Doubled && !DoublePressShowsMenu(m_clock.Ticks(), m_armTick)) return;
    if (!m_hook.IsInstalled()) {
        LogError(L"CVXLTrayWnd::OnHotKeyShowMenu but NOT CVXLDLLService::IsInstalled");
        return;
    }
    // The menu is modal: a press while it is open must not start a second road.
    if (m_handler.IsMenuShown()) {
        LogWrite(L"CPhraseRoads::OnPhraseHotKey: the menu is open; the press is ignored");
        return;
    }
    ShowMenuOfPhrases(true);
}

void CPhraseRoads::ShowMenuOfPhrases(bool fromHotKey) {
    if (CVXLSettings::GetInstance().ShowTrayBallonOnHotkey) {
        CString text = L"Vexlora\n";
        if (fromHotKey)
            text += L"   " + LoadUiString(IDS_SYSTEM_HOTKEY_DETECTED) + L" - " + m_host.HotKeyText() + L"\n";
        text += CString(fromHotKey ? L"      " : L"   ") + LoadUiString(IDS_SHOWING_MENU) + L"\x2026";
        m_host.ShowBalloon(text, kHotKeyBalloonMs);
    }
    PlaySoundMenu();
    CMyCopyLock myCopy;
    wchar_t* clipboardText = GetClipboardUnicodeTextCopy();
    m_handler.SetClipboardText(clipboardText ? CString(clipboardText) : CString());
    FreeClipboardTextCopy(clipboardText);
    m_snapshot.TakeAndArm();
    CWPQueryData query;
    switch (m_hook.SendMessageToTargetWindow(fromHotKey ? 0 : 1, query)) {
        case 0:  // the hook library in the target answers through the query thread
            break;
        case 2:  // filled here: the menu runs now
            m_handler.OnDataNeeded(MenuQueryOf(query));
            break;
        default:
            LogWrite(L"CPhraseRoads::ShowMenuOfPhrases: no target window, no menu");
            break;
    }
}

void CPhraseRoads::OnQuery(WPARAM query, LPARAM) {
    if (query) OnQueryData(*reinterpret_cast<const CWPQueryData*>(query));
}

void CPhraseRoads::OnQueryData(const CWPQueryData& query) {
    // The query is copied before the menu runs: the thread that sent it frees its record
    // when its wait for this handler times out, while the menu is still open.
    const CMenuQuery copy = MenuQueryOf(query);
    m_handler.OnDataNeeded(copy);
}

void CPhraseRoads::OnCommandFromSelf(int commandId, HWND target) {
    LogWrite(L"CVXLTrayWnd::OnWmCommandFromSelf");
    OnCommandFromMenu(commandId, target);
}

void CPhraseRoads::OnCommandReply(int commandId, HWND target) {
    OnCommandFromMenu(commandId, target);
}

void CPhraseRoads::OnCommandFromMenu(int commandId, HWND target) {
    if (commandId == -1) {
        RestoreClipboardAfterMenu();
        return;
    }
    if (ExecuteCommand(commandId, target) == 2) m_handler.SetLastID(commandId);
}

void CPhraseRoads::RestoreClipboardAfterMenu() {
    m_host.BlockClipboardHistory();
    m_snapshot.RestoreIfArmed();
}

bool CPhraseRoads::OnSpecialMenuCommand(int commandId, HWND target) {
    switch (commandId) {
        case kSpecialEditPhrases:
            RestoreClipboardAfterMenu();
            m_host.StartEditor(CString(), target);
            return true;
        case -3:
            RestoreClipboardAfterMenu();
            SendMessageW(m_host.Window(), WM_COMMAND, ID_FLOAT_PANE, 0);
            return true;
        case kSpecialAddSelection:
            RestoreClipboardAfterMenu();
            m_host.StartEditor(m_handler.GetSelectedText(), target);
            return true;
        case kSpecialSupport:
            RestoreClipboardAfterMenu();
            PostMessageW(m_host.Window(), WM_COMMAND, ID_SUPPORT, 0);
            return true;
        default:
            return false;
    }
}

int CPhraseRoads::ResolveCommand(int commandId, CString& text, int& dataType) {
    if (commandId > 0) {
        const CVXLCommand* phrase = m_tree.FindByID(static_cast<UINT>(commandId));
        if (phrase && !phrase->IsFolder()) {
            text = phrase->GetCommand();
            dataType = phrase->GetDataType();
            return kResolvedPhrase;
        }
    }
    const int index = commandId > 0 ? ClipIndexFromMenuId(static_cast<UINT>(commandId)) : -1;
    if (index < 0 || !m_history) return kResolvedNothing;
    CClipboardItemData data;
    if (index >= m_history->GetCount() || !m_history->GetItemData(index, data)) return kResolvedNothing;
    switch (data.kind) {
        case CClipboardItemData::kText:
        case CClipboardItemData::kUnicodeText:
            dataType = VXL_DATA_TEXT;
            break;
        case CClipboardItemData::kRtf:
            dataType = VXL_DATA_RTF;
            break;
        default:
            return kResolvedNothing;
    }
    text = ClipItemText(data);
    return kResolvedClip;
}

int CPhraseRoads::ExecuteCommand(int commandId, HWND target) {
    if (OnSpecialMenuCommand(commandId, target)) return 0;
    CString text;
    int dataType = VXL_DATA_TEXT;
    const int resolved = ResolveCommand(commandId, text, dataType);
    if (resolved == kResolvedNothing) {
        LogWriteFormat(L"CPhraseRoads::ExecuteCommand: id %d resolves to nothing", commandId);
        RestoreClipboardAfterMenu();
        return 3;
    }
    const LANGID named = m_handler.IsLayoutMacroAllowed() ? StripLayoutMacros(text) : 0;
    CVXLActionContext context;
    context.target = target;
    context.selectedText = m_handler.GetSelectedText();
    context.clipboardText = m_handler.GetClipboardText();
    context.dataType = dataType;
    const HKL targetLayout = m_handler.GetTargetLayout();
    context.language = LOWORD(reinterpret_cast<UINT_PTR>(targetLayout));
    CVXLActionList actions;
    BuildActions(context, text, actions);
    if (named && named != context.language) {
        HKL layouts[64] = {};
        const int count = GetKeyboardLayoutList(64, layouts);
        for (int i = 0; i < count; ++i) {
            if (LOWORD(reinterpret_cast<UINT_PTR>(layouts[i])) != named) continue;
            m_host.SwitchLayout(layouts[i], m_handler.GetTargetWindow());
            break;
        }
    }
    if (!actions.empty()) {
        if (dataType == VXL_DATA_EXEC)
            PlaySoundLaunch();
        else
            PlaySoundKbd();
        CMyCopyLock myCopy;
        if (RunActions(context, actions, m_services) && resolved == kResolvedPhrase)
            CountUsage(static_cast<UINT>(commandId));
    }
    if (resolved == kResolvedPhrase) {
        CStat_Info::Inc_Cmd_Count();
        return 2;
    }
    // A clip pasted stays on the clipboard, as the user would expect after pasting it.
    if (dataType == VXL_DATA_TEXT || dataType == VXL_DATA_RTF)
        CVXLAction_TextCommon::MutiCopy_Impl(
            dataType == VXL_DATA_TEXT ? CVXLAction_TextCommon::kText : CVXLAction_TextCommon::kFormatted, text, 0,
            context.language, false, m_services);
    CStat_Info::Inc_Clipboard_Count();
    return 1;
}

void CPhraseRoads::CountUsage(UINT phraseId) {
    CVXLCommand* phrase = m_tree.FindByID(phraseId);
    if (!phrase) return;
    phrase->IncrementUsageCount();
    SYSTEMTIME now = {};
    GetSystemTime(&now);
    phrase->SetDateUsage(now);
    if (!m_tree.SaveRecord(*phrase)) LogError(L"CPhraseRoads: the phrase's usage cannot be saved");
}

void CPhraseRoads::OnItemAction(WPARAM code, LPARAM itemId) {
    CItemActionRunner runner(m_tree, m_history, m_handler, m_services, m_itemShell, &m_snapshot);
    runner.Run(static_cast<int>(code), static_cast<UINT>(itemId));
}

void CPhraseRoads::ShowPhraseMenuFromCommand() {
    ShowMenuOfPhrases(false);
}

bool CPhraseRoads::IsPhraseMenuShown() {
    return m_handler.IsMenuShown();
}

void CPhraseRoads::ForgetFonts() {
    m_handler.ClearFonts_Internal();
}
