#include "phrases/Macros.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "core/base/AppPaths.h"
#include "core/base/DateTimeFormat.h"
#include "core/base/InputLanguage.h"
#include "core/base/Logger.h"
#include "core/base/TextHelpers.h"
#include "phrases/MacroEnvironment.h"
#include "phrases/MacrosInternal.h"
#include "phrases/NumberToWords.h"

const wchar_t kMacroCursorPos[] = L"%CURSOR_POS%";
const wchar_t kMacroTrimProtocols[] = L"%TRIM_LEFT_ALLPROTS_FROM_SELTEXT%";
const wchar_t kMacroUrlFromClipboard[] = L"%URL_FROM_CLIPBOARD%";
const wchar_t kPromptOpener[] = L"%PROMPT_TEXT={";
const wchar_t kPromptCloser[] = L"}%";
const wchar_t kLayoutMacroPrefix[] = L"%ACTIVATE_KL_";

namespace {

enum class MacroValue {
    SelectedText,
    ClipboardText,
    UpperSelection,
    LowerSelection,
    NumberCharsSelection,
    NumberCharsClipboard,
    Copyright,
    EmDash,
    WindowsVersion,
    MousePosition,
    SystemFolder,
    DateTime,  // one of the date and time forms
    ProgramVersion,
    EditorVersion,
    LibraryVersion,
    UserName,
    KeyEnter,
    KeyTab,
    UrlFromSelection,
    UrlFromClipboard,
    TextAfterUrl,
    Empty,  // prompts, the caret, the scheme trim: handled by the expansion itself
};

struct CMacroDefinition {
    const wchar_t* name;
    MacroValue value;
    DateTimeForm form;  // for MacroValue::DateTime
    bool constant;      // does not make a phrase count as holding macros
};

const CMacroDefinition kMacros[] = {
    {L"%CLIPBOARD_TEXT%", MacroValue::ClipboardText, DateTimeForm::Day, false},
    {L"%SELECTED_TEXT%", MacroValue::SelectedText, DateTimeForm::Day, false},
    {kMacroCursorPos, MacroValue::Empty, DateTimeForm::Day, true},
    {L"%DATETIME%", MacroValue::DateTime, DateTimeForm::DateTime, false},
    {L"%DATE%", MacroValue::DateTime, DateTimeForm::LongDate, false},
    {L"%TIME%", MacroValue::DateTime, DateTimeForm::Time, false},
    {L"%DATE_EX_WD%", MacroValue::DateTime, DateTimeForm::LongDateNoDayName, false},
    {L"%DATETIME_EX_WD%", MacroValue::DateTime, DateTimeForm::DateTimeNoDayName, false},
    {L"%WINDOWS_USERNAME%", MacroValue::UserName, DateTimeForm::Day, true},
    {L"%VXL_VERSION%", MacroValue::ProgramVersion, DateTimeForm::Day, true},
    {L"%VXL_VERSION_EDITOR%", MacroValue::EditorVersion, DateTimeForm::Day, true},
    {L"%VXL_VERSION_DLL%", MacroValue::LibraryVersion, DateTimeForm::Day, true},
    {L"%DAY%", MacroValue::DateTime, DateTimeForm::Day, false},
    {L"%DAY2%", MacroValue::DateTime, DateTimeForm::Day2, false},
    {L"%MONTHNAME%", MacroValue::DateTime, DateTimeForm::MonthName, false},
    {L"%MONTHNUMBER%", MacroValue::DateTime, DateTimeForm::MonthNumber, false},
    {L"%MONTHNUMBER2%", MacroValue::DateTime, DateTimeForm::MonthNumber2, false},
    {L"%MONTHNAME_ABBR%", MacroValue::DateTime, DateTimeForm::MonthNameAbbr, false},
    {L"%YEAR%", MacroValue::DateTime, DateTimeForm::Year, false},
    {L"%YEAR2%", MacroValue::DateTime, DateTimeForm::Year2, false},
    {L"%WEEKDAYNAME%", MacroValue::DateTime, DateTimeForm::WeekdayName, false},
    {L"%WEEKDAYNAME_ABBR%", MacroValue::DateTime, DateTimeForm::WeekdayNameAbbr, false},
    {L"%KEYPRESS_TAB%", MacroValue::KeyTab, DateTimeForm::Day, false},
    {L"%KEYPRESS_ENTER%", MacroValue::KeyEnter, DateTimeForm::Day, false},
    {L"%URL_FROM_SELECTED_TEXT%", MacroValue::UrlFromSelection, DateTimeForm::Day, false},
    {L"%TEXT_AFTER_URL%", MacroValue::TextAfterUrl, DateTimeForm::Day, false},
    {kMacroUrlFromClipboard, MacroValue::UrlFromClipboard, DateTimeForm::Day, false},
    {L"%PROMPT_TEXT={}%", MacroValue::Empty, DateTimeForm::Day, false},
    {kMacroTrimProtocols, MacroValue::Empty, DateTimeForm::Day, false},
    {L"%WINDOWS_VERSION%", MacroValue::WindowsVersion, DateTimeForm::Day, false},
    {L"%NUMBERCHARS_SELTEXT%", MacroValue::NumberCharsSelection, DateTimeForm::Day, false},
    {L"%NUMBERCHARS_CLIPBOARD%", MacroValue::NumberCharsClipboard, DateTimeForm::Day, false},
    {L"%UPPER_SELTEXT%", MacroValue::UpperSelection, DateTimeForm::Day, false},
    {L"%LOWER_SELTEXT%", MacroValue::LowerSelection, DateTimeForm::Day, false},
    {L"%WINSYSDIR%", MacroValue::SystemFolder, DateTimeForm::Day, false},
    {L"%MOUSEPOS_ASLARAM%", MacroValue::MousePosition, DateTimeForm::Day, false},
    {L"%COPYRIGHT%", MacroValue::Copyright, DateTimeForm::Day, false},
    {L"%EMDASH%", MacroValue::EmDash, DateTimeForm::Day, false},
};

const CMacroDefinition* FindDefinition(const CString& name) {
    for (const CMacroDefinition& definition : kMacros) {
        if (name == definition.name) return &definition;
    }
    return nullptr;
}

bool IsLayoutMacroName(const CString& name) {
    const int prefixLength = static_cast<int>(wcslen(kLayoutMacroPrefix));
    return name.GetLength() > prefixLength && wcsncmp(name.GetString(), kLayoutMacroPrefix, prefixLength) == 0;
}

CString ProgramFileVersion(IMacroEnvironment& environment, const wchar_t* fileName) {
    return environment.GetProductVersion(fileName ? GetProgramFolder() + fileName : GetOwnExecutablePath());
}

CString MousePositionText(IMacroEnvironment& environment) {
    POINT point = {};
    if (!environment.GetCursorPos(point)) return L"ERROR on GetCursorPos";
    CString text;
    text.Format(L"%ld", static_cast<long>(MAKELPARAM(point.x, point.y)));
    return text;
}

CString SystemFolderText(IMacroEnvironment& environment) {
    CString folder;
    if (!environment.GetSystemDirectory(folder)) return L"ERROR on GetSystemDirectory";
    return folder;
}

CString ComputeValue(const CMacroDefinition& definition, const CString& selected, const CString& clipboard, LCID locale,
                     macros_internal::CExpansionClock& clock) {
    IMacroEnvironment& environment = GetMacroEnvironment();
    switch (definition.value) {
        case MacroValue::SelectedText:
            return selected;
        case MacroValue::ClipboardText:
            return clipboard;
        case MacroValue::UpperSelection:
            return CString(selected).MakeUpper();
        case MacroValue::LowerSelection:
            return CString(selected).MakeLower();
        case MacroValue::NumberCharsSelection:
            return NumberCharsText(selected);
        case MacroValue::NumberCharsClipboard:
            return NumberCharsText(clipboard);
        case MacroValue::Copyright:
            return MakeCopyrightSign();
        case MacroValue::EmDash:
            return MakeEmDash();
        case MacroValue::WindowsVersion:
            return environment.GetOSVersionText();
        case MacroValue::MousePosition:
            return MousePositionText(environment);
        case MacroValue::SystemFolder:
            return SystemFolderText(environment);
        case MacroValue::DateTime:
            return FormatDateTimeForm(definition.form, clock.Now(), locale);
        case MacroValue::ProgramVersion:
            return ProgramFileVersion(environment, nullptr);
        case MacroValue::EditorVersion:
            return ProgramFileVersion(environment, L"VexloraEditor.exe");
        case MacroValue::LibraryVersion:
            return ProgramFileVersion(environment, L"Vexlora.dll");
        case MacroValue::UserName:
            return environment.GetUserName();
        case MacroValue::KeyEnter:
            return CString(L'\r');
        case MacroValue::KeyTab:
            return CString(L'\t');
        case MacroValue::UrlFromSelection:
            return SplitAtFirstUrl(selected, true);
        case MacroValue::UrlFromClipboard:
            return SplitUrl(clipboard, true);
        case MacroValue::TextAfterUrl:
            return SplitAtFirstUrl(selected, false);
        case MacroValue::Empty:
            return CString();
    }
    return CString();
}

// Blanks, then every leading URL scheme, then the scheme-trim macro: the selection as
// every selection-based value of an expansion sees it.
CString PrepareSelection(const CString& selected) {
    if (selected.IsEmpty()) return selected;
    CString prepared(selected);
    prepared.TrimLeft(L' ');
    for (const wchar_t* scheme : {L"http://", L"https://", L"file://", L"ftp://"}) {
        const int length = static_cast<int>(wcslen(scheme));
        while (prepared.GetLength() >= length && prepared.Left(length).CompareNoCase(scheme) == 0)
            prepared = prepared.Mid(length);
    }
    macros_internal::ReplaceAllBounded(prepared, kMacroTrimProtocols, CString());
    return prepared;
}

// The URL values look for the address in the selection itself: the prepared selection
// has lost the very scheme that marks where the address begins.
bool TakesUrlOfSelection(const CString& name) {
    const CMacroDefinition* definition = FindDefinition(name);
    return definition &&
           (definition->value == MacroValue::UrlFromSelection || definition->value == MacroValue::TextAfterUrl);
}

LANGID LastLayoutMacroIn(const CString& text, const LayoutMacroMap& layouts) {
    LANGID language = 0;
    for (const auto& entry : layouts) {
        if (macros_internal::FindName(text, entry.first, 0) >= 0) language = entry.second;
    }
    return language;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Shared with the RTF expansion

namespace macros_internal {

int FindName(const CString& text, const wchar_t* name, int from) {
    const int nameLength = static_cast<int>(wcslen(name));
    const int length = text.GetLength();
    if (nameLength == 0 || from < 0) return -1;
    const wchar_t* chars = text.GetString();
    // Every name begins with one character ('%'): jump from one of those to the next.
    for (int i = from; i + nameLength <= length;) {
        const wchar_t* hit = wmemchr(chars + i, name[0], static_cast<size_t>(length - nameLength - i + 1));
        if (!hit) return -1;
        i = static_cast<int>(hit - chars);
        if (wmemcmp(hit, name, static_cast<size_t>(nameLength)) == 0) return i;
        ++i;
    }
    return -1;
}

int ReplaceAllBounded(CString& text, const wchar_t* name, const CString& value) {
    const int nameLength = static_cast<int>(wcslen(name));
    int first = FindName(text, name, 0);
    if (first < 0) return 0;
    int count = 0;
    for (int at = first; at >= 0; at = FindName(text, name, at + nameLength)) ++count;
    const int64_t newLength =
        static_cast<int64_t>(text.GetLength()) + static_cast<int64_t>(count) * (value.GetLength() - nameLength);
    if (newLength > kMaxExpandedChars) {
        LogError(CString(L"ExpandMacros: the text would grow past the limit; left unreplaced: ") + name);
        return 0;
    }
    CString result;
    result.Preallocate(static_cast<int>(newLength));
    int from = 0;
    for (int at = first; at >= 0; at = FindName(text, name, from)) {
        result.Append(text.GetString() + from, at - from);
        result.Append(value.GetString(), value.GetLength());
        from = at + nameLength;
    }
    result.Append(text.GetString() + from, text.GetLength() - from);
    text = std::move(result);
    return count;
}

const SYSTEMTIME& CExpansionClock::Now() {
    if (!m_read) {
        m_time = m_environment.GetLocalTime();
        m_read = true;
    }
    return m_time;
}

CString ValueOf(const CString& name, const CString& selected, const CString& clipboard, LCID locale,
                CExpansionClock& clock) {
    const CMacroDefinition* definition = FindDefinition(name);
    if (!definition) return CString();
    return ComputeValue(*definition, selected, clipboard, locale, clock);
}

}  // namespace macros_internal

// ---------------------------------------------------------------------------------------
// Names

const std::vector<CString>& GetMacroNames() {
    static const std::vector<CString> names = [] {
        std::vector<CString> list;
        for (const CMacroDefinition& definition : kMacros) list.push_back(definition.name);
        for (const auto& entry : BuildLayoutMacroMap()) list.push_back(entry.first);
        std::sort(list.begin(), list.end(), [](const CString& a, const CString& b) { return a.Compare(b) < 0; });
        return list;
    }();
    return names;
}

LayoutMacroMap BuildLayoutMacroMap() {
    LayoutMacroMap layouts;
    for (HKL layout : GetInputLanguageInfo().GetKeyboardLayouts(100)) {
        const LANGID language = LOWORD(reinterpret_cast<UINT_PTR>(layout));
        wchar_t iso[9] = {};
        if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, iso, 9) <= 1) continue;
        CString key = CString(iso).MakeUpper();
        layouts[CString(kLayoutMacroPrefix) + key + L"%"] = language;
    }
    return layouts;
}

CString GetMacroValue(const CString& name, const CString& selectedText, const CString& clipboardText, LCID locale) {
    macros_internal::CExpansionClock clock(GetMacroEnvironment());
    return macros_internal::ValueOf(name, selectedText, clipboardText, locale, clock);
}

// ---------------------------------------------------------------------------------------
// Expansion

int ExpandMacros(CString& text, const CString& selectedText, const CString& clipboardText, int* caretOffset,
                 LANGID* layout, LCID locale) {
    if (caretOffset) *caretOffset = 0;
    const CString selected = PrepareSelection(selectedText);
    CString urlSelection(selectedText);
    urlSelection.TrimLeft(L' ');
    const LANGID language = StripLayoutMacros(text);
    if (layout) *layout = language;

    macros_internal::CExpansionClock clock(GetMacroEnvironment());
    int count = 0;
    for (const CString& name : GetMacroNames()) {
        if (name == kMacroCursorPos || name == kMacroTrimProtocols) continue;
        // A value is computed only for a name the text holds: the others cost nothing.
        if (macros_internal::FindName(text, name, 0) < 0) continue;
        const CString& source = TakesUrlOfSelection(name) ? urlSelection : selected;
        const CString value = macros_internal::ValueOf(name, source, clipboardText, locale, clock);
        const int replaced = macros_internal::ReplaceAllBounded(text, name, value);
        count += replaced;
        if (replaced > 0 && name == kMacroUrlFromClipboard)
            LogWriteFormat(L"PreReplaced MC_URL_FROMCLIPBOARD command=[%s] result=[%s]", text.GetString(),
                           value.GetString());
    }
    count += macros_internal::ReplaceAllBounded(text, kMacroTrimProtocols, CString());

    const int caret = macros_internal::FindName(text, kMacroCursorPos, 0);
    if (caret >= 0) {
        // Every later "%CURSOR_POS%" goes as well, before the characters after the first
        // one are counted: they are not pasted, so the caret must not step over them.
        macros_internal::ReplaceAllBounded(text, kMacroCursorPos, CString());
        if (caretOffset) {
            int offset = text.GetLength() - caret;
            const wchar_t* chars = text.GetString();
            for (int i = caret; i < text.GetLength(); ++i)
                if (chars[i] == L'\n') --offset;  // CR LF is one step of the caret
            if (offset >= 0) *caretOffset = offset;
        }
    }
    return count;
}

CString ExpandMacrosSimple(const CString& text) {
    CString expanded(text);
    ExpandMacros(expanded, CString(), CString(), nullptr, nullptr, LOCALE_USER_DEFAULT);
    return expanded;
}

// ---------------------------------------------------------------------------------------
// Layout macros

namespace {

// Building the table asks the system for every installed layout; most texts hold no
// layout macro, and a menu asks for thousands of them.
bool MayHoldLayoutMacro(const CString& text) {
    return StrStrIW(text, kLayoutMacroPrefix) != nullptr;
}

}  // namespace

LANGID StripLayoutMacros(CString& text) {
    if (!MayHoldLayoutMacro(text)) return 0;
    LANGID language = 0;
    for (const auto& entry : BuildLayoutMacroMap()) {
        if (macros_internal::ReplaceAllBounded(text, entry.first, CString()) > 0) language = entry.second;
    }
    return language;
}

CString GetLayoutMacroAbbrev(const CString& text) {
    if (!MayHoldLayoutMacro(text)) return CString();
    const LANGID language = LastLayoutMacroIn(text, BuildLayoutMacroMap());
    if (language == 0) return CString();
    wchar_t name[4] = {};
    if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SABBREVLANGNAME, name, 4) <= 1) return CString();
    return CString(name).Left(2);
}

// ---------------------------------------------------------------------------------------
// Prompts

int SplitAtPrompts(const CString& text, std::vector<CPhrasePart>& parts) {
    parts.clear();
    const int openerLength = static_cast<int>(wcslen(kPromptOpener));
    const int closerLength = static_cast<int>(wcslen(kPromptCloser));
    // One upper-case copy serves every search; the mapping keeps positions.
    const CString upper = MapToUpperCopy(text);
    const CString& haystack = upper.GetLength() == text.GetLength() ? upper : text;
    auto addPart = [&parts](const CString& piece) {
        if (!piece.IsEmpty()) parts.push_back({false, piece, CString()});
    };
    for (int position = 0;;) {
        const int open = haystack.Find(kPromptOpener, position);
        if (open < 0) {
            addPart(text.Mid(position));
            break;
        }
        addPart(text.Mid(position, open - position));
        const int close = haystack.Find(kPromptCloser, open + openerLength);
        if (close < 0) {
            addPart(text.Mid(open));
            break;
        }
        addPart(text.Mid(open, close + closerLength - open));
        position = close + closerLength;
    }
    for (CPhrasePart& part : parts) {
        const CString& piece = part.text;
        const int length = piece.GetLength();
        if (length < openerLength + closerLength) continue;
        if (piece.Left(openerLength).CompareNoCase(kPromptOpener) != 0) continue;
        if (piece.Right(closerLength).CompareNoCase(kPromptCloser) != 0) continue;
        part.isPrompt = true;
        part.label = piece.Mid(openerLength, length - openerLength - closerLength);
    }
    return 1;
}

// ---------------------------------------------------------------------------------------
// URLs

CString SplitUrl(const CString& text, bool wantUrl) {
    if (text.IsEmpty()) return CString();
    CString trimmed(text);
    trimmed.TrimLeft(L" \r\n\t");
    const CString prefix = GetUrlPrefix(trimmed);
    if (prefix.IsEmpty()) return wantUrl ? CString() : trimmed;
    const int end = trimmed.Mid(1).FindOneOf(L" \t\r\n");
    if (end < 0) return wantUrl ? trimmed : CString();
    return wantUrl ? trimmed.Left(end + 1) : trimmed.Mid(end + 1);
}

CString SplitAtFirstUrl(const CString& text, bool wantUrl) {
    CString trimmed(text);
    trimmed.TrimLeft(L" \r\n\t");
    const wchar_t* chars = trimmed.GetString();
    const int length = trimmed.GetLength();
    for (int at = 0; at < length; ++at) {
        for (const wchar_t* scheme : {L"http://", L"https://", L"ftp://"}) {
            const int schemeLength = static_cast<int>(wcslen(scheme));
            if (at + schemeLength < length && _wcsnicmp(chars + at, scheme, schemeLength) == 0)
                return SplitUrl(trimmed.Mid(at), wantUrl);
        }
    }
    return wantUrl ? CString() : trimmed;
}

// ---------------------------------------------------------------------------------------
// Whether a phrase holds macros

namespace macros_internal {

bool HoldsChangingMacro(const CString& plainText) {
    for (const CString& name : GetMacroNames()) {
        if (IsLayoutMacroName(name)) continue;
        const CMacroDefinition* definition = FindDefinition(name);
        if (definition && definition->constant) continue;
        if (FindName(plainText, name, 0) >= 0) return true;
    }
    return false;
}

}  // namespace macros_internal
