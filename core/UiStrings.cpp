#include "core/UiStrings.h"

#include <cstdarg>
#include <map>
#include <memory>
#include <mutex>

#include "core/LanguageFiles.h"
#include "core/base/AppPaths.h"
#include "core/base/IniFile.h"

namespace {

const wchar_t kStringsSectionBase[] = L"Strings";
const wchar_t kCommandLineKeysSection[] = L"CommandLineKeys";
const wchar_t kCmdLineKeyPrefix[] = L"Cmd_LineKey_";
// A value equal to this text counts as missing.
const wchar_t kStringSentinel[] = L"{25D447B2-EA72-4999-BE79-DB8DF18BDE0B}";
const int kStringReadChars = 20560;

struct CUiLanguage {
    bool collect = true;
    CString section = kStringsSectionBase;
};

std::mutex g_uiLanguageLock;
CUiLanguage g_uiLanguage;

CUiLanguage CopyUiLanguage() {
    std::lock_guard<std::mutex> lock(g_uiLanguageLock);
    return g_uiLanguage;
}

// The module that holds this code: the executable for a program, the DLL for a library
// that links the core statically.
HINSTANCE GetOwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&GetOwnModule), &module);
    return module;
}

// The whole resource string, whatever its length: LoadStringW with no buffer lends a
// pointer to the text in the resource.
CString LoadResourceText(HINSTANCE module, UINT id) {
    if (!module) module = GetOwnModule();
    const wchar_t* text = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0 && text) return CString(text, length);
    // Some systems cannot lend the resource text in place: copy it into growing buffers.
    for (int size : {256, 512, 768}) {
        CString buffer;
        int got = LoadStringW(module, id, buffer.GetBuffer(size), size);
        buffer.ReleaseBuffer(got > 0 ? got : 0);
        if (got > 0) return buffer;
    }
    return CString();
}

CString ReadProfileText(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                        int maxChars, DWORD& read) {
    CString value;
    read = GetPrivateProfileStringW(section, key, defaultValue, value.GetBuffer(maxChars), maxChars, file);
    value.ReleaseBuffer(static_cast<int>(read));
    return value;
}

// Read-or-write of one command-line key in one file: a non-empty value comes back
// unescaped; otherwise the escaped English text is written and the result is empty.
CString ReadOrWriteCmdLineKey(const wchar_t* file, const CString& keyName, const CString& escapedEnglish) {
    CString value;
    if (IniReadString(file, kCommandLineKeysSection, keyName, value) && !value.IsEmpty()) {
        UnescapeLngText(value);
        return value;
    }
    WriteLngValue(file, kCommandLineKeysSection, keyName, escapedEnglish);
    return CString();
}

// Strings already looked up, as long as the language file and the section stay the same:
// a menu of thousands of phrases asks for the same few strings thousands of times, and
// each look-up reads (and may write) the language files. The file's size and time are
// part of the key, so a file changed on disk is read again.
struct CStringCache {
    std::mutex lock;
    CString signature;
    std::map<std::pair<UINT, HINSTANCE>, std::pair<CString, bool>> strings;
};

CStringCache& StringCache() {
    static CStringCache* cache = new CStringCache;  // used by threads that may outlive main
    return *cache;
}

CString CacheSignature(const CString& lngFile, const CString& section) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!lngFile.IsEmpty()) GetFileAttributesExW(lngFile, GetFileExInfoStandard, &data);
    CString signature;
    signature.Format(L"%s|%s|%lu|%lu|%lu", lngFile.GetString(), section.GetString(), data.nFileSizeLow,
                     data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime);
    return signature;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CLangStr

CLangStrBase::~CLangStrBase() = default;

bool CLangStr::Load(UINT id, HINSTANCE module) {
    Empty();
    const CString signature = CacheSignature(GetCurrentLngFile(), CopyUiLanguage().section);
    CStringCache& cache = StringCache();
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        if (cache.signature == signature) {
            const auto found = cache.strings.find({id, module});
            if (found != cache.strings.end()) {
                CString::operator=(found->second.first);
                return found->second.second;
            }
        }
    }
    const bool loaded = LoadUncached(id, module);
    // The look-up itself may have written the file: the key is taken again after it.
    const CString after = CacheSignature(GetCurrentLngFile(), CopyUiLanguage().section);
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.signature != after) {
        cache.strings.clear();
        cache.signature = after;
    }
    cache.strings[{id, module}] = {*this, loaded};
    return loaded;
}

bool CLangStr::LoadUncached(UINT id, HINSTANCE module) {
    CString key;
    key.Format(L"%u", id);
    const CUiLanguage setting = CopyUiLanguage();
    const CString lngFile = GetCurrentLngFile();

    CString english = LoadResourceText(module, id);
    CString escapedEnglish = english;
    EscapeLngText(escapedEnglish);
    if (!english.IsEmpty() && !lngFile.IsEmpty()) AddUnlocalizedString(setting.section, key, escapedEnglish, lngFile);

    if (lngFile.IsEmpty()) {
        CString::operator=(english);
        return !IsEmpty();
    }

    if (!english.IsEmpty() && !IsLocalizeExampleFile(lngFile)) {
        CString example = GetLocalizeExamplePath(lngFile);
        if (!example.IsEmpty()) UpdateLngValue(example, setting.section, key, escapedEnglish);
    }

    DWORD read = 0;
    CString translated = ReadProfileText(lngFile, setting.section, key, kStringSentinel, kStringReadChars, read);
    if (read > 0 && translated.Compare(kStringSentinel) != 0) {
        UnescapeLngText(translated);
        CString::operator=(translated);
        return true;
    }

    if (!english.IsEmpty() && setting.collect) WriteLngValue(lngFile, setting.section, key, escapedEnglish);
    CString::operator=(english);
    return !IsEmpty();
}

void CLangStr::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

CString LoadUiString(UINT id, HINSTANCE module) {
    CLangStr text;
    text.Load(id, module);
    return text.GetText();
}

// ---------------------------------------------------------------------------------------
// The UI language

void SetUILanguage(const wchar_t* lngFilePath, const wchar_t* sectionSuffix) {
    SetCurrentLngFile(lngFilePath);
    std::lock_guard<std::mutex> lock(g_uiLanguageLock);
    g_uiLanguage.collect = true;
    CString suffix(sectionSuffix);
    const CString& section = g_uiLanguage.section;
    if (!suffix.IsEmpty() &&
        (section.GetLength() < suffix.GetLength() || section.Right(suffix.GetLength()).Compare(suffix) != 0))
        g_uiLanguage.section += suffix;
}

bool HasUILanguage() {
    return !GetCurrentLngFile().IsEmpty();
}

bool IsCollectingStrings() {
    return CopyUiLanguage().collect;
}

void GetUILanguage(CString& lngFilePath, bool& collect) {
    lngFilePath = GetCurrentLngFile();
    collect = CopyUiLanguage().collect;
}

CString GetStringsSectionName() {
    return CopyUiLanguage().section;
}

void ResetUILanguageForTest() {
    SetCurrentLngFile(L"");
    std::lock_guard<std::mutex> lock(g_uiLanguageLock);
    g_uiLanguage = CUiLanguage();
}

// ---------------------------------------------------------------------------------------
// Command-line key help

CString GetCmdLineKeyName(const wchar_t* key) {
    return CString(kCmdLineKeyPrefix) + key;
}

CString GetCmdLineKeyHelp(const wchar_t* key, const wchar_t* englishHelp) {
    const CString keyName = GetCmdLineKeyName(key);
    CString escapedEnglish(englishHelp);
    EscapeLngText(escapedEnglish);
    const CString lngFile = GetCurrentLngFile();
    CString result;
    if (!lngFile.IsEmpty()) result = ReadOrWriteCmdLineKey(lngFile, keyName, escapedEnglish);
    const CString example = GetProgramFolder() + GetLocalizeExampleFileName();
    if (lngFile.CompareNoCase(example) != 0) ReadOrWriteCmdLineKey(example, keyName, escapedEnglish);
    return result;
}

// ---------------------------------------------------------------------------------------
// Text utilities

namespace {

template <class Char>
int CountLines(const Char* text, int length) {
    if (!text || length < 2) return 0;
    int lines = 1;
    for (int i = 0; i < length; ++i)
        if (text[i] == Char('\n')) ++lines;
    return lines;
}

}  // namespace

int CountLinesA(const char* text, int length) {
    return CountLines(text, length);
}
int CountLinesW(const wchar_t* text, int length) {
    return CountLines(text, length);
}

CString FormatLinesCount(int count) {
    CString text = LoadUiString(IDS_LINES);
    text.AppendFormat(L": %d", count);
    return text;
}

int FindLineEnd(const CString& text, int n) {
    if (n < 1) return -1;
    int found = 0;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text.GetAt(i) == L'\n' && ++found == n) return i + 1;
    return -1;
}

int FindLineStartFromEnd(const CString& text, int n) {
    if (n < 1) return -1;
    int found = 0;
    for (int i = text.GetLength() - 1; i >= 0; --i)
        if (text.GetAt(i) == L'\n' && ++found == n) return i;
    return -1;
}

CString CutMiddleLines(const CString& text, int lineCount) {
    const int kPartLines = 3;
    // A text that the two parts hold whole is not cut: no line may stand twice.
    if (lineCount <= 2 * kPartLines) return text;
    const int headEnd = FindLineEnd(text, kPartLines);          // after the third LF
    const int tailLf = FindLineStartFromEnd(text, kPartLines);  // the third LF from the end
    // The count may be stale: cut only when at least one line lies between the parts.
    if (headEnd <= 0 || tailLf < headEnd) return text;
    CString head = text.Left(headEnd);
    CString tail = text.Mid(tailLf + 1);
    if (head.IsEmpty() || tail.IsEmpty()) return text;
    // The head keeps its line break; the mark line ends like the text's lines do.
    const bool crlf = headEnd >= 2 && text.GetAt(headEnd - 2) == L'\r';
    return head + L"\t\u2026\u2026\u2026" + (crlf ? L"\r\n" : L"\n") + tail;
}
