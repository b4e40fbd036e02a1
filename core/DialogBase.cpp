#include "core/DialogBase.h"

#include <vector>

#include "core/LanguageFiles.h"
#include "core/UiStrings.h"

namespace {

const wchar_t kDialogSentinel[] = L"8481EA66-F5B3-4054-A242-14D21A797294";
const int kControlTextChars = 10240;
const int kClassNameChars = 20;

// Classes whose text belongs to the user, not to the template.
const wchar_t* const kUntranslatedClasses[] = {
    L"msctls_updown32", L"Edit",        L"RichEdit",    L"RichEdit20A",
    L"RichEdit20W",     L"RichEdit60A", L"RichEdit60W", L"ComboBox",
};

bool IsUntranslatedClass(HWND control) {
    wchar_t name[kClassNameChars + 1] = {};
    GetClassNameW(control, name, kClassNameChars + 1);
    for (const wchar_t* candidate : kUntranslatedClasses)
        if (CompareStringOrdinal(name, -1, candidate, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

CString GetControlText(HWND control) {
    CString text;
    int length = GetWindowTextW(control, text.GetBuffer(kControlTextChars), kControlTextChars);
    text.ReleaseBuffer(length > 0 ? length : 0);
    return text;
}

// The reference copy answers only WM_INITDIALOG, with FALSE: the hidden copy must not
// take the keyboard focus from the live dialog.
INT_PTR CALLBACK ReferenceDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

HINSTANCE GetOwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&GetOwnModule), &module);
    return module;
}

// A copy of the template without WS_VISIBLE, so that the reference never shows.
std::vector<BYTE> CopyTemplateHidden(const void* data, DWORD size) {
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    if (size < sizeof(DLGTEMPLATE)) return copy;
    const WORD* words = reinterpret_cast<const WORD*>(copy.data());
    // DLGTEMPLATEEX: dlgVer 1, signature 0xFFFF, helpID, exStyle, then style at byte 12.
    size_t styleOffset = (words[0] == 1 && words[1] == 0xFFFF) ? 12 : 0;
    if (styleOffset + sizeof(DWORD) <= copy.size()) {
        DWORD style;
        memcpy(&style, copy.data() + styleOffset, sizeof style);
        style &= ~static_cast<DWORD>(WS_VISIBLE);
        memcpy(copy.data() + styleOffset, &style, sizeof style);
    }
    return copy;
}

}  // namespace

CString BuildDialogSectionName(const wchar_t* suffix, UINT resourceId) {
    CString section = L"Dialog";
    CString text(suffix);
    if (!text.IsEmpty()) {
        if (text.GetAt(0) != L'_') section += L'_';
        section += text;
    }
    section.AppendFormat(L"_%u", resourceId);
    return section;
}

CDialogBase::CDialogBase(UINT resourceId, const wchar_t* sectionSuffix)
    : m_resourceId(resourceId), m_suffix(sectionSuffix) {}

CDialogBase::~CDialogBase() = default;

HINSTANCE CDialogBase::GetResourceInstance() const {
    return GetOwnModule();
}

CString CDialogBase::GetLngFilePath() const {
    return GetCurrentLngFile();
}

CString CDialogBase::GetSectionName() const {
    return BuildDialogSectionName(m_suffix, m_resourceId);
}

bool CDialogBase::Create_Dialog() {
    if (!m_dialog || !IsWindow(m_dialog)) return false;
    HINSTANCE instance = GetResourceInstance();
    HWND reference = nullptr;
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(m_resourceId), RT_DIALOG);
    if (resource) {
        HGLOBAL loaded = LoadResource(instance, resource);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (data) {
            std::vector<BYTE> hidden = CopyTemplateHidden(data, SizeofResource(instance, resource));
            reference = CreateDialogIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(hidden.data()),
                                                   m_dialog, ReferenceDialogProc, 0);
        }
    }
    bool result = TranslateControls(reference);
    if (reference) {
        EndDialog(reference, IDCANCEL);
        DestroyWindow(reference);
    }
    return result;
}

bool CDialogBase::TranslateControls(HWND reference) {
    if (!m_dialog || !IsWindow(m_dialog)) return false;
    const CString lngFile = GetLngFilePath();
    const CString section = GetSectionName();
    const CString example = GetLocalizeExamplePath(lngFile);
    const bool isExample = IsLocalizeExampleFile(lngFile);

    for (HWND control = GetWindow(m_dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(control);
        if (IsSkippedId(id) || IsUntranslatedClass(control)) continue;
        CString key;
        key.Format(L"%d", id);

        CString translated;
        DWORD read = 0;
        if (!lngFile.IsEmpty()) {
            read = GetPrivateProfileStringW(section, key, kDialogSentinel, translated.GetBuffer(kControlTextChars),
                                            kControlTextChars, lngFile);
            translated.ReleaseBuffer(static_cast<int>(read));
        }
        const CString current = GetControlText(control);
        CString escapedCurrent = current;
        EscapeLngText(escapedCurrent);

        if (!current.IsEmpty() && !example.IsEmpty() && !isExample)
            AddUnlocalizedString(section, key, escapedCurrent, example);

        if (read > 0 && translated.CompareNoCase(kDialogSentinel) != 0 && !lngFile.IsEmpty()) {
            translated.Remove(L'\u2022');
            UnescapeLngText(translated);
            SetWindowTextW(control, translated);
            continue;
        }
        if (!current.IsEmpty() && !lngFile.IsEmpty()) UpdateLngValue(lngFile, section, key, escapedCurrent);
        if (reference) {
            HWND english = GetDlgItem(reference, id);
            if (english) {
                CString englishText = GetControlText(english);
                if (!englishText.IsEmpty()) SetWindowTextW(control, englishText);
            }
        }
    }
    return true;
}
