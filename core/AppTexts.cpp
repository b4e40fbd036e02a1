#include "core/AppTexts.h"

#include "core/ClientLanguage.h"
#include "core/IconIds.h"
#include "core/LanguageFiles.h"
#include "core/Launch.h"
#include "core/Settings.h"
#include "core/SystemInfo.h"
#include "core/UiStrings.h"
#include "core/base/InputLanguage.h"
#include "core/base/TextHelpers.h"

namespace {

const UINT kAboutCommandId = 57664;
const int kMaxMappedCaseChars = 1000;

CString KeyName(UINT key, bool extended) {
    switch (key) {
        case VK_PAUSE:
            return L"Pause";
        case VK_LEFT:
            return L"Left";
        case VK_RIGHT:
            return L"Right";
        default:
            break;
    }
    LONG scanCode = static_cast<LONG>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    if (extended) scanCode |= 1 << 24;
    wchar_t name[100] = {};
    int length = GetKeyNameTextW(scanCode, name, 99);
    return CString(name, length > 0 ? length : 0);
}

// The program's own text of a string id, whatever the UI language.
CString OwnResourceString(UINT id) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? CString(text, length) : CString();
}

// Upper case under the language of the first keyboard layout, as the user reads it.
CString UpperUnderKeyboardLanguage(const CString& text) {
    if (text.GetLength() >= kMaxMappedCaseChars) return text;
    std::vector<HKL> layouts = GetInputLanguageInfo().GetKeyboardLayouts(1);
    CString upper = text;
    if (layouts.empty()) {
        CharUpperW(upper.GetBuffer());
        upper.ReleaseBuffer(text.GetLength());
        return upper;
    }
    LCID locale = MAKELCID(LOWORD(reinterpret_cast<ULONG_PTR>(layouts[0])), SORT_DEFAULT);
    int length = LCMapStringW(locale, LCMAP_UPPERCASE, text, text.GetLength(), upper.GetBuffer(text.GetLength()),
                              text.GetLength());
    upper.ReleaseBuffer(length > 0 ? length : 0);
    return length > 0 ? upper : text;
}

int FindSecondLineBreak(const CString& text) {
    return text.GetLength() > 1 ? text.Find(L'\n', 1) : -1;
}

}  // namespace

CString HotKeyToText(UINT key, UINT modifiers) {
    if (key == 0 && modifiers == 0) return CString();
    CString text;
    if (modifiers & MOD_CONTROL) text += KeyName(VK_CONTROL, false) + L"+";
    if (modifiers & MOD_SHIFT) text += KeyName(VK_SHIFT, false) + L"+";
    if (modifiers & MOD_ALT) text += KeyName(VK_MENU, false) + L"+";
    if (modifiers & MOD_WIN) text += L"WIN+";
    return text + KeyName(key, (modifiers & MOD_WIN) != 0);
}

CString AccelKeyToText(WORD key, BYTE flags) {
    UINT modifiers = 0;
    if (flags & FSHIFT) modifiers |= MOD_SHIFT;
    if (flags & FCONTROL) modifiers |= MOD_CONTROL;
    if (flags & FALT) modifiers |= MOD_ALT;
    return HotKeyToText(key, modifiers);
}

CString GetHotKeyText() {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    CString text = HotKeyToText(settings.HotkeyVk, settings.HotkeyModifiers);
    if (!text.IsEmpty()) {
        CharUpperW(text.GetBuffer());
        text.ReleaseBuffer();
    }
    if (settings.Hotkey_Doubled) text += L" [x2]";
    return text;
}

CString FormatGroupedNumber(long long number) {
    CString digits;
    digits.Format(L"%I64u", static_cast<unsigned long long>(number < 0 ? -number : number));
    CString grouped;
    for (int i = 0; i < digits.GetLength(); ++i) {
        if (i > 0 && (digits.GetLength() - i) % 3 == 0) grouped += L' ';
        grouped += digits[i];
    }
    return number < 0 ? L"-" + grouped : grouped;
}

CString GetCharCountText(long long count) {
    return LoadUiString(IDS_CHARS) + L": " + FormatGroupedNumber(count);
}

CString GetOnOffText(bool on, bool shortForm) {
    if (on) return LoadUiString(shortForm ? IDS_ON : IDS_TURN_ON);
    return UpperUnderKeyboardLanguage(LoadUiString(shortForm ? IDS_OFF : IDS_TURN_OFF));
}

CString GetOnOffStateText(bool on, bool shortForm, bool upper) {
    CString text = GetOnOffText(on, shortForm);
    if (upper) MakeUpperInvariant(text);
    return text;
}

CString GetTextWithState(const wchar_t* text, bool state) {
    CString result(text);
    if (!result.IsEmpty()) result += L": ";
    return result + GetOnOffText(state, false);
}

CString GetToggleItemText(UINT stringId, bool state) {
    return GetTextWithState(LoadUiString(stringId), state);
}

CString GetAndMoreText(int count) {
    CString format = LoadUiString(IDS_AND_MORE);
    if (format.Find(L"%d") < 1 || format.Find(L"%s") >= 0) format = OwnResourceString(IDS_AND_MORE);
    // A translation is text from a file anyone can edit: the number is put in as text,
    // so that no other "%" in it can be read as a format.
    int at = format.Find(L"%d");
    if (at < 0) return format;
    CString number;
    number.Format(L"%d", count);
    return format.Left(at) + number + format.Mid(at + 2);
}

CString GetLangStringHead(UINT id) {
    CString text = LoadUiString(id);
    int lineBreak = FindSecondLineBreak(text);
    return lineBreak > 0 ? text.Left(lineBreak) : text;
}

CString GetLangStringTail(UINT id) {
    CString text = LoadUiString(id);
    int lineBreak = FindSecondLineBreak(text);
    return lineBreak > 0 ? text.Mid(lineBreak + 1) : text;
}

namespace {
thread_local const CString* g_scopedPrefix = nullptr;
}  // namespace

CString GetLanguagePrefix() {
    if (g_scopedPrefix) return *g_scopedPrefix;
    CString prefix = ReadLngPrefix(GetCurrentLngFile());
    return prefix.IsEmpty() ? CString(L"En") : prefix;
}

CLanguagePrefixScope::CLanguagePrefixScope() : m_prefix(GetLanguagePrefix()), m_outer(g_scopedPrefix) {
    g_scopedPrefix = &m_prefix;
}

CLanguagePrefixScope::~CLanguagePrefixScope() {
    g_scopedPrefix = m_outer;
}

CString GetPhrasesFolderText() {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    return settings.IsPhrasesDirectoryDefault() ? CString(L"%DEFAULT_FOLDER%") : settings.GetPhrasesDirectory();
}

CString GetAppWindowTitle(bool markAdmin) {
    CString title = L"Vexlora";
    if (markAdmin && IsUserAdmin()) title += L"^";
    CString suffix = LoadUiString(IDS_PRESS_ENTER);
    if (!suffix.IsEmpty()) title += L" " + suffix;
    return title;
}

int AppMessageBox(HWND owner, const wchar_t* text, UINT style) {
    return MessageBoxW(owner, text, L"Vexlora", style | MB_TOPMOST);
}

bool AppendVersionToAboutItem(HMENU menu) {
    wchar_t buffer[260] = {};
    int length = GetMenuStringW(menu, kAboutCommandId, buffer, 260, MF_BYCOMMAND);
    if (length <= 0) return false;
    CString text(buffer, length);
    const CString word = L"Vexlora";
    int at = text.Find(word, 1);
    if (at < 1) return false;
    CString version = GetProgramVersionText(true);
    if (version.IsEmpty()) return false;
    text = text.Left(at) + L" " + version + text.Mid(at + word.GetLength());
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = text.GetBuffer();
    return SetMenuItemInfoW(menu, kAboutCommandId, FALSE, &info) != FALSE;
}

HICON LoadProgramIcon(UINT id, const int* sizes, int sizeCount) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    auto load = [&](int size) {
        return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_SHARED));
    };
    if (id == 234 || id == 211 || !sizes || sizeCount <= 0) {
        if (HICON icon = load(16)) return icon;
    } else {
        for (int i = 0; i < sizeCount; ++i)
            if (HICON icon = load(sizes[i])) return icon;
    }
    return LoadIconW(module, MAKEINTRESOURCEW(id));
}

HICON LoadAppIcon(bool withState) {
    if (!withState) return LoadProgramIcon(IDI_APP);
    return LoadProgramIcon(IsUserAdmin() ? IDI_APP_READY_ADMIN : IDI_APP_READY);
}

CIconHandle LoadEditorIcon(bool large) {
    CLibraryHandle editor(LoadLibraryExW(BuildPhraseEditorPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!editor) return CIconHandle();
    int size = large ? 32 : 16;
    // Not shared: the icon must outlive the library, which is freed at once.
    return CIconHandle(static_cast<HICON>(LoadImageW(editor.get(), MAKEINTRESOURCEW(131), IMAGE_ICON, size, size, 0)));
}

CMenuHandle LoadTrayMenuTemplate(HMENU* popup) {
    CMenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128)));
    HMENU first = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (first) GetClientMenuLng().TranslateMenu(first);
    if (popup) *popup = first;
    return menu;
}

bool UtcToLocalTime(const SYSTEMTIME& utc, SYSTEMTIME& local) {
    FILETIME utcFile = {};
    FILETIME localFile = {};
    return SystemTimeToFileTime(&utc, &utcFile) && FileTimeToLocalFileTime(&utcFile, &localFile) &&
           FileTimeToSystemTime(&localFile, &local);
}

CString GetWindowTextString(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return CString();
    CString text;
    int got = GetWindowTextW(window, text.GetBuffer(length + 1), length + 1);
    text.ReleaseBuffer(got > 0 ? got : 0);
    return text;
}

CString IntToStr(int value) {
    CString text;
    text.Format(L"%d", value);
    return text;
}

CString ColorToHtmlHex(COLORREF color) {
    CString text;
    text.Format(L"#%.2X%.2X%.2X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

CString GetMfcLibraryPath() {
    HMODULE mfc = GetModuleHandleW(L"Mfc42.DLL");
    wchar_t path[MAX_PATH + 1] = {};
    if (!mfc || !GetModuleFileNameW(mfc, path, MAX_PATH)) return L"Not found";
    return CString(path);
}
