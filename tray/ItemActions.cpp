#include "tray/ItemActions.h"

#include "core/ClipboardAccess.h"
#include "core/SoundPlayer.h"
#include "core/WebOpen.h"
#include "core/base/Logger.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "phrases/Actions.h"
#include "phrases/Command.h"
#include "phrases/CommandTree.h"
#include "tray/MenuHistorySource.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenuHandler.h"

namespace {

class CSystemItemActionShell final : public IItemActionShell {
public:
    explicit CSystemItemActionShell(HWND owner) : m_owner(owner) {}
    void Beep() override { MessageBeep(static_cast<UINT>(-1)); }
    void PlayPaperSound() override { PlaySoundPaper(); }
    bool PutBitmap(HBITMAP bitmap) override { return SetClipboardBitmap(bitmap); }
    bool OpenUrl(const CString& text) override { return CAppObjects::OpenUrl(m_owner, text, false); }
    bool OpenItem(const CClipboardItemData& item, bool openDirectly) override {
        CString path;
        return CAppObjects::OpenClipboardItem(m_owner, item, path, openDirectly);
    }
    bool WebSearch(const CString& text, int serviceId) override { return CAppObjects::WebSearch(text, serviceId); }
    void ClosePhraseMenu() override { EndMenu(); }
    void ShowNotAClipError() override { MessageBoxW(m_owner, L"nIndex < 0", L"Vexlora", MB_ICONHAND); }
    HWND m_owner;
};

}  // namespace

CString ClipItemText(const CClipboardItemData& data) {
    if (!data.data || !data.size) return CString();
    if (data.kind == CClipboardItemData::kUnicodeText) {
        const auto* text = static_cast<const wchar_t*>(data.data);
        return CString(text, static_cast<int>(wcsnlen(text, data.size / sizeof(wchar_t))));
    }
    // 8-bit texts (formatted text is 8-bit too): the stored terminator is not trusted, the
    // size is.
    const std::string bytes(static_cast<const char*>(data.data),
                            strnlen(static_cast<const char*>(data.data), data.size));
    return CString(AnsiToWide(bytes.c_str()).c_str());
}

IItemActionShell& SystemItemActionShell(HWND owner) {
    static CSystemItemActionShell shell(nullptr);
    shell.m_owner = owner;
    return shell;
}

CItemActionRunner::CItemActionRunner(const CVXLCommandTree& tree, IMenuHistorySource* history,
                                     IDataNeededHander& handler, IActionServices& services, IItemActionShell& shell,
                                     CClipboardSnapshotHolder* snapshot)
    : m_tree(tree),
      m_history(history),
      m_handler(handler),
      m_services(services),
      m_shell(shell),
      m_snapshot(snapshot) {}

bool CItemActionRunner::Run(int code, UINT itemId) {
    CString line;
    line.Format(L"CItemActionRunner::Run code=%d id=%u", code, itemId);
    LogWrite(line);
    bool done = false;
    switch (code) {
        case kItemActionCopy:
        case kItemActionCopyExcludeSymbols:
            done = Copy(itemId, code == kItemActionCopyExcludeSymbols);
            break;
        case kItemActionOpenAsUrl:
            done = OpenAsUrl(itemId);
            break;
        case kItemActionEdit:
        case kItemActionOpenWith:
            done = OpenClip(itemId, code == kItemActionEdit);
            break;
        default:
            if (code >= kItemActionSearchFirst && code <= kItemActionSearchLast) done = Search(itemId, code);
            break;
    }
    // A clip's id names a place in the history that moves with every copy, so only
    // phrases go to the last-used list.
    const CVXLCommand* phrase = IsClipMenuId(itemId) ? nullptr : m_tree.FindByID(itemId);
    if (phrase && !phrase->IsFolder()) m_handler.SetLastID(static_cast<int>(itemId));
    return done;
}

bool CItemActionRunner::GetPhraseText(UINT id, bool askPrompts, CString& text, int& dataType) {
    const CVXLCommand* phrase = m_tree.FindByID(id);
    if (!phrase || phrase->IsFolder()) return false;
    CVXLActionContext context;
    context.target = m_handler.GetTargetWindow();
    context.clipboardText = m_handler.GetClipboardText();
    context.selectedText = m_handler.GetSelectedText();
    context.dataType = phrase->GetDataType();
    context.language = LOWORD(reinterpret_cast<UINT_PTR>(m_handler.GetTargetLayout()));
    CVXLActionList actions;
    if (!BuildActions(context, phrase->GetCommand(), actions)) return false;
    if (askPrompts)
        for (auto& action : actions)
            if (auto* prompt = dynamic_cast<CVXLAction_Prompt*>(action.get())) prompt->Ask(context.target, m_services);
    text = JoinActionTexts(actions);
    dataType = context.dataType;
    return true;
}

bool CItemActionRunner::GetClipText(int index, bool formattedAsPlain, CString& text, int& kind) {
    CClipboardItemData data;
    if (!m_history || index < 0 || index >= m_history->GetCount() || !m_history->GetItemData(index, data)) return false;
    kind = data.kind;
    switch (data.kind) {
        case CClipboardItemData::kText:
        case CClipboardItemData::kUnicodeText:
            text = ClipItemText(data);
            return true;
        case CClipboardItemData::kRtf:
            text = ClipItemText(data);
            if (formattedAsPlain) {
                CString plain;
                if (!m_services.ReadRtfAsPlain(text, plain)) return false;
                text = plain;
            }
            return true;
        default:
            return false;
    }
}

bool CItemActionRunner::PutText(const CString& text, bool formatted, LANGID language) {
    if (formatted)
        return CVXLAction_TextCommon::MutiCopy_Impl(CVXLAction_TextCommon::kFormatted, text, 0, language, false,
                                                    m_services) != 0;
    return m_services.PutUnicodeText(text);
}

bool CItemActionRunner::Copy(UINT id, bool excludeSymbols) {
    CString text;
    bool formatted = false;
    bool put = false;
    const LANGID language = LOWORD(reinterpret_cast<UINT_PTR>(m_handler.GetTargetLayout()));
    if (IsClipMenuId(id)) {
        CClipboardItemData data;
        const int index = ClipIndexFromMenuId(id);
        if (m_history && index < m_history->GetCount() && m_history->GetItemData(index, data) &&
            data.kind == CClipboardItemData::kBitmap) {
            put = data.data && m_shell.PutBitmap(static_cast<HBITMAP>(const_cast<void*>(data.data)));
            if (!put) m_shell.Beep();
        } else {
            int kind = 0;
            // Symbols are taken out of the plain text: the formatted text's own markup is
            // made of them.
            if (!GetClipText(index, excludeSymbols, text, kind)) {
                m_shell.Beep();
                return false;
            }
            formatted = kind == CClipboardItemData::kRtf && !excludeSymbols;
        }
    } else {
        int dataType = 0;
        if (!GetPhraseText(id, true, text, dataType)) {
            m_shell.Beep();
            return false;
        }
        formatted = dataType == VXL_DATA_RTF;
        if (formatted && excludeSymbols) {
            CString plain;
            if (m_services.ReadRtfAsPlain(text, plain)) text = plain;
            formatted = false;
        }
    }
    if (!put) {
        if (excludeSymbols) SanitizeFileName(text);
        if (text.IsEmpty()) {
            m_shell.Beep();
            return false;
        }
        put = PutText(text, formatted, language);
    }
    if (!put) return false;
    // The new clipboard content is what the user asked for: closing the menu must not put
    // the old one back.
    if (m_snapshot) m_snapshot->Disarm();
    m_shell.PlayPaperSound();
    return true;
}

bool CItemActionRunner::OpenAsUrl(UINT id) {
    CString text;
    if (IsClipMenuId(id)) {
        int kind = 0;
        if (!GetClipText(ClipIndexFromMenuId(id), true, text, kind) || text.IsEmpty()) {
            m_shell.Beep();
            return false;
        }
    } else {
        const CVXLCommand* phrase = m_tree.FindByID(id);
        if (!phrase || phrase->IsFolder() || phrase->GetCommand().IsEmpty()) {
            m_shell.ShowNotAClipError();
            return false;
        }
        text = phrase->GetCommand();
    }
    return m_shell.OpenUrl(text);
}

bool CItemActionRunner::OpenClip(UINT id, bool openDirectly) {
    if (!IsClipMenuId(id)) {
        m_shell.ShowNotAClipError();
        return false;
    }
    CClipboardItemData data;
    const int index = ClipIndexFromMenuId(id);
    if (!m_history || index >= m_history->GetCount() || !m_history->GetItemData(index, data)) {
        m_shell.Beep();
        return false;
    }
    if (!m_shell.OpenItem(data, openDirectly)) return false;
    m_shell.ClosePhraseMenu();
    return true;
}

bool CItemActionRunner::Search(UINT id, int serviceId) {
    CString text;
    bool found = false;
    if (IsClipMenuId(id)) {
        int kind = 0;
        found = GetClipText(ClipIndexFromMenuId(id), true, text, kind);
    } else {
        int dataType = 0;
        found = GetPhraseText(id, false, text, dataType);
        if (found && dataType == VXL_DATA_RTF) {
            CString plain;
            if (m_services.ReadRtfAsPlain(text, plain)) text = plain;
        }
    }
    if (!found || text.IsEmpty()) {
        m_shell.Beep();
        return false;
    }
    return m_shell.WebSearch(text, serviceId);
}
