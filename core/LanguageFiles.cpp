#include "core/LanguageFiles.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "core/SettingsFile.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/IniFile.h"
#include "core/base/InputLanguage.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/WorkerThread.h"

namespace {

const wchar_t kLocalizeExampleFileName[] = L"LocalizeExample.lng";
const wchar_t kEmbeddedLanguageName[] = L"English (Embedded)";
const wchar_t kClientSuffix[] = L"_Client";
const wchar_t kMakerWebAddress[] = L"https://www.vexlora.com";

const wchar_t kMainSection[] = L"Main";
const wchar_t kPrefixKey[] = L"LangPrefix";
const wchar_t kLocalizedKey[] = L"LangLocalized";
const wchar_t kAuthorKey[] = L"Author";
const wchar_t kMenuSectionBase[] = L"Menu";

// Menu lookups: a read that gives back this text found nothing.
const wchar_t kMenuSentinel[] = L"{87D306BD-DD3A-42fa-B7F2-9B39C5D6F374}";
const wchar_t kMenuByIdSentinel[] = L"{87D306BD-DD3A-42fa-B7F2123129B39C5D6F374}";
const int kMenuTranslationChars = 2000;
const int kMenuItemChars = 260;
const int kMenuItemByIdChars = 1000;
const int kLocalizedNameMenuChars = 100;
const int kInfoChars = 1024;

const wchar_t kEllipsis = L'\u2026';

// FindFirstFileW also matches short 8.3 names, so "*.lng" can bring "x.lngx" along.
bool HasLngExtension(const wchar_t* name) {
    CString text(name);
    return text.GetLength() > 4 && text.Right(4).CompareNoCase(L".lng") == 0;
}

CString ReadProfile(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                    int maxChars, DWORD* read = nullptr) {
    CString value;
    DWORD got = GetPrivateProfileStringW(section, key, defaultValue, value.GetBuffer(maxChars), maxChars, file);
    value.ReleaseBuffer(static_cast<int>(got));
    if (read) *read = got;
    return value;
}

CString FileNameOf(const CString& path) {
    return path.Mid(path.ReverseFind(L'\\') + 1);
}

CString WithoutExtension(const CString& name) {
    int dot = name.ReverseFind(L'.');
    return dot > 0 ? name.Left(dot) : name;
}

// ---------------------------------------------------------------------------------------
// The current language file

std::mutex g_currentLock;
CString g_currentLngFile;

// ---------------------------------------------------------------------------------------
// The writer of missing keys

struct CPendingItem {
    CString file;
    CString section;
    CString key;
    CString value;
};

class CWriterState {
public:
    CWriterState() {
        InitializeCriticalSection(&m_eventLock);
        InitializeCriticalSection(&m_itemLock);
    }
    // Process-wide and used by threads up to the end: never destroyed.
    CWriterState(const CWriterState&) = delete;

    HANDLE GetEvent() {
        EnterCriticalSection(&m_eventLock);
        HANDLE event = m_event;
        LeaveCriticalSection(&m_eventLock);
        return event;
    }
    void SetEventHandle(HANDLE event) {
        EnterCriticalSection(&m_eventLock);
        m_event = event;
        LeaveCriticalSection(&m_eventLock);
    }
    // Sets the event under the lock, so that the thread cannot close it meanwhile.
    bool SignalIfRunning() {
        EnterCriticalSection(&m_eventLock);
        bool running = m_event != nullptr;
        if (running) SetEvent(m_event);
        LeaveCriticalSection(&m_eventLock);
        return running;
    }
    // Takes the event away from the posters and closes it.
    void CloseEvent(HANDLE event) {
        EnterCriticalSection(&m_eventLock);
        if (m_event == event) m_event = nullptr;
        CloseHandle(event);
        LeaveCriticalSection(&m_eventLock);
    }

    void SetItem(CPendingItem item) {
        EnterCriticalSection(&m_itemLock);
        m_item = std::move(item);
        LeaveCriticalSection(&m_itemLock);
    }
    CPendingItem CopyItem() {
        EnterCriticalSection(&m_itemLock);
        CPendingItem copy = m_item;
        LeaveCriticalSection(&m_itemLock);
        return copy;
    }

    volatile LONG runningThreads = 0;

private:
    CRITICAL_SECTION m_eventLock;
    CRITICAL_SECTION m_itemLock;
    HANDLE m_event = nullptr;
    CPendingItem m_item;
};

CWriterState& Writer() {
    static CWriterState* state = new CWriterState();
    return *state;
}

struct CWriterStart {
    HANDLE writeEvent;  // shared with the posters: closed through Writer().CloseEvent
    CHandle exitEvent;  // the thread's own duplicate
};

void SpreadPendingItem(const CPendingItem& item) {
    if (item.file.IsEmpty() || item.section.IsEmpty() || item.key.IsEmpty()) return;
    std::vector<CString> names;
    EnumLanguageFiles(names, kLocalizeExampleFileName);
    const CString languageSetting = ReadLanguageFromSettingsFile(L"");
    CString value = item.value;
    EscapeLngText(value);
    for (const CString& name : names) {
        if (name.IsEmpty()) continue;
        if (!languageSetting.IsEmpty() && name.CompareNoCase(languageSetting) == 0) continue;
        const CString path = GetProgramFolder() + name;
        if (!FileExists(path)) continue;
        if (path.CompareNoCase(item.file) == 0) continue;
        if (IniKeyExists(path, item.section, item.key)) continue;
        IniWriteString(path, item.section, item.key, value);
        LogWrite(CString(L"Write to lng-file [") + name + L"] " + item.key + L"= [" + item.value + L"]");
    }
}

DWORD WriterThread(CWriterStart& start) {
    HANDLE events[2] = {start.exitEvent.get(), start.writeEvent};
    for (;;) {
        DWORD signalled = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (signalled != WAIT_OBJECT_0 + 1) break;  // the exit event, or a broken wait
        ResetEvent(start.writeEvent);
        SpreadPendingItem(Writer().CopyItem());
    }
    Writer().CloseEvent(start.writeEvent);
    start.exitEvent.reset();
    InterlockedDecrement(&Writer().runningThreads);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Menus

// The stored character set of collected keys.
bool IsStoredChar(wchar_t ch) {
    if ((ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || (ch >= L'0' && ch <= L'9')) return true;
    return wcschr(L"<>,./?\";:']}[{!@#$%^&*()-_=+\\|", ch) != nullptr && ch != 0;
}

// The text of a menu item by position; empty for a separator or a failure.
CString GetItemTextByPosition(HMENU menu, int position, int maxChars) {
    CString text;
    int length = GetMenuStringW(menu, position, text.GetBuffer(maxChars), maxChars, MF_BYPOSITION);
    text.ReleaseBuffer(length > 0 ? length : 0);
    return text;
}

// Finds the item with the command id (submenus searched) and gives its text.
bool FindItemTextById(HMENU menu, UINT commandId, CString& text) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub) {
            if (FindItemTextById(sub, commandId, text)) return true;
            continue;
        }
        if (GetMenuItemID(menu, i) == commandId) {
            text = GetItemTextByPosition(menu, i, kMenuItemByIdChars);
            return true;
        }
    }
    return false;
}

// Single "&" removed, "&&" kept as one "&".
CString RemoveMnemonics(const CString& text) {
    CString result;
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text.GetAt(i);
        if (ch == L'&') {
            if (text.GetAt(i + 1) == L'&') {
                result += L'&';
                ++i;
            }
            continue;
        }
        result += ch;
    }
    return result;
}

HINSTANCE GetOwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&GetOwnModule), &module);
    return module;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Names and paths

const wchar_t* GetLocalizeExampleFileName() {
    return kLocalizeExampleFileName;
}
const wchar_t* GetEmbeddedLanguageName() {
    return kEmbeddedLanguageName;
}
const wchar_t* GetClientSectionSuffix() {
    return kClientSuffix;
}
const wchar_t* GetMakerWebAddress() {
    return kMakerWebAddress;
}

CString GetLocalizeExamplePath(const wchar_t* path) {
    CString text(path);
    int slash = text.ReverseFind(L'\\');
    if (slash < 0) return CString();
    return text.Left(slash) + L"\\" + kLocalizeExampleFileName;
}

bool IsLocalizeExampleFile(const wchar_t* path) {
    CString example = GetLocalizeExamplePath(path);
    return !example.IsEmpty() && example.CompareNoCase(path) == 0;
}

CString BuildLngFilePath(const wchar_t* languageName) {
    CString folder = GetProgramFolderNoSlash();
    CString last = FileNameOf(folder);
    if (last.CompareNoCase(L"Debug") == 0 || last.CompareNoCase(L"Release") == 0) {
        int slash = folder.ReverseFind(L'\\');
        if (slash > 0) folder = folder.Left(slash);
    }
    CString name(languageName);
    if (name.IsEmpty()) name = kLocalizeExampleFileName;
    return folder + L"\\" + name;
}

// ---------------------------------------------------------------------------------------
// The current language file

void SetCurrentLngFile(const wchar_t* path) {
    std::lock_guard<std::mutex> lock(g_currentLock);
    g_currentLngFile = path;
}

CString GetCurrentLngFile() {
    std::lock_guard<std::mutex> lock(g_currentLock);
    return g_currentLngFile;
}

// ---------------------------------------------------------------------------------------
// Reading and writing

bool WriteLngTemplate(const wchar_t* path) {
    if (!path || !*path) return false;
    if (FileExists(path)) return true;
    // A file that another process made meanwhile is as good as our own.
    if (!CreateUtf16File(path, 0, FILE_ATTRIBUTE_NORMAL, nullptr) && !FileExists(path)) return false;
    IniWriteString(path, kMainSection, kPrefixKey, L"En");
    IniWriteString(path, kMainSection, kAuthorKey, L"Type Your name and email (optional)");
    IniWriteString(path, kMainSection, kLocalizedKey, L"English (Type localized name of language here)");
    return true;
}

bool WriteLngValue(const wchar_t* path, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (!path || !*path) return false;
    // Without the file and its mark the profile functions would make it as ANSI.
    if (!FileExists(path) && !WriteLngTemplate(path)) return false;
    return IniWriteString(path, section, key, value);
}

bool UpdateLngValue(const wchar_t* path, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (!path || !*path) return false;
    CString wanted(value);
    // Room for one character more than the value, so that a longer stored value reads as
    // different; a missing key reads as the sentinel, which is also one character longer.
    CString stored = ReadProfile(path, section, key, kMenuSentinel, wanted.GetLength() + 2);
    if (stored.Compare(wanted) == 0) return true;
    return WriteLngValue(path, section, key, value);
}

CString ReadLngPrefix(const wchar_t* path) {
    if (!path || !*path) return CString();
    wchar_t buffer[10] = {};
    GetPrivateProfileStringW(kMainSection, kPrefixKey, L"", buffer, 10, path);
    CString prefix(buffer);
    prefix.TrimRight(L' ');
    return prefix;
}

CString GetLngLocalizedName(const wchar_t* path) {
    CString text(path);
    if (!text.IsEmpty() && text.GetAt(text.GetLength() - 1) == L'\\') return kEmbeddedLanguageName;
    if (text.IsEmpty()) return CString();
    return ReadProfile(path, kMainSection, kLocalizedKey, L"", kLocalizedNameMenuChars + 1);
}

bool ReadLngFileInfo(const wchar_t* path, CLngFileInfo& info) {
    if (!path || !*path) {
        info.localizedName = kEmbeddedLanguageName;
        info.prefix = L"En";
        info.author = kMakerWebAddress;
        return true;
    }
    if (!FileExists(path)) return false;
    info.author = ReadProfile(path, kMainSection, kAuthorKey, L"", kInfoChars);
    info.localizedName = ReadProfile(path, kMainSection, kLocalizedKey, L"", kInfoChars);
    info.prefix = ReadLngPrefix(path);
    return true;
}

namespace {
const wchar_t* const kRuPrefixes[] = {L"ru", L"uk", L"be", L"kz", L"lv", L"lt", L"et"};

bool IsRuPrefix(const CString& prefix) {
    for (const wchar_t* candidate : kRuPrefixes)
        if (prefix.CompareNoCase(candidate) == 0) return true;
    return false;
}
}  // namespace

bool IsLngFileRuPrefix(const wchar_t* path) {
    CString prefix = ReadLngPrefix(path);
    LogWrite(CString(L"Read prefix from ") + path + L" prefix=" + prefix);
    return IsRuPrefix(prefix);
}

CString GetUrlLangSuffix(const wchar_t* prefix) {
    CString text(prefix);
    if (IsRuPrefix(text) && text.CompareNoCase(L"RU") != 0) return L"RU";
    return CString();
}

// ---------------------------------------------------------------------------------------
// The list of languages

bool EnumLanguageFiles(std::vector<CString>& names, const wchar_t* leaveOut) {
    names.clear();
    names.emplace_back();
    bool found = false;
    WIN32_FIND_DATAW data = {};
    CFindHandle find(FindFirstFileW(GetProgramFolder() + L"*.lng", &data));
    if (!find) return false;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!HasLngExtension(data.cFileName)) continue;
        found = true;
        if (leaveOut && CString(data.cFileName).CompareNoCase(leaveOut) == 0) continue;
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    std::sort(names.begin() + 1, names.end(),
              [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    return found;
}

void FillLanguageMenuItems(HMENU menu, UINT firstId, const std::vector<CString>& names, const wchar_t* currentName) {
    if (!menu) return;
    UINT id = firstId;
    for (const CString& name : names) {
        CString caption =
            name.IsEmpty() ? CString(kEmbeddedLanguageName) : GetLngLocalizedName(GetProgramFolder() + name);
        if (caption.IsEmpty()) caption = WithoutExtension(name);
        AppendMenuW(menu, MF_STRING, id, caption);
        if (name.CompareNoCase(currentName ? currentName : L"") == 0) {
            SetMenuDefaultItem(menu, id, FALSE);
            MENUITEMINFOW info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE;
            info.fType = MFT_STRING | MFT_RADIOCHECK;
            info.fState = MFS_CHECKED | MFS_DEFAULT;
            SetMenuItemInfoW(menu, id, FALSE, &info);
        }
        ++id;
    }
}

// ---------------------------------------------------------------------------------------
// Menu translation

CMenuItemKey SplitMenuItemText(const wchar_t* text) {
    CMenuItemKey parts;
    CString whole(text);
    int tab = whole.Find(L'\t');
    CString label = tab >= 0 ? whole.Left(tab) : whole;
    if (tab >= 0) {
        parts.hasShortcut = true;
        parts.shortcut = whole.Mid(tab + 1);
    }
    label.Remove(L'&');
    parts.label = label;
    CString key = label;
    key.Remove(kEllipsis);
    key.Replace(L' ', L'_');
    key.TrimRight(L".\u2026");
    parts.key = key;
    return parts;
}

bool IsKeyInStoredCharSet(const wchar_t* key) {
    if (!key) return false;
    for (const wchar_t* p = key; *p; ++p)
        if (!IsStoredChar(*p)) return false;
    return true;
}

CLngMenu::CLngMenu(const wchar_t* lngFilePath, bool collect, const wchar_t* menuSuffix)
    : m_collect(collect), m_section(kMenuSectionBase) {
    SetCurrentLngFile(lngFilePath);
    WriteLngTemplate(lngFilePath);
    if (menuSuffix && *menuSuffix) m_section += menuSuffix;
}

CLngMenu::~CLngMenu() = default;

CString CLngMenu::GetLngFile() const {
    return GetCurrentLngFile();
}

bool CLngMenu::IsSkippedID(UINT id) const {
    return id != 0 && m_skipped.count(id) != 0;
}

void CLngMenu::AddSkippedID(UINT id) {
    m_skipped.insert(id);
}

void CLngMenu::TranslateItem(HMENU menu, int position) {
    CString text = GetItemTextByPosition(menu, position, kMenuItemChars);
    if (text.IsEmpty()) return;
    const CMenuItemKey parts = SplitMenuItemText(text);
    const CString file = GetLngFile();
    DWORD read = 0;
    CString translated = ReadProfile(file, m_section, parts.key, kMenuSentinel, kMenuTranslationChars, &read);
    if (read > 0 && translated.CompareNoCase(kMenuSentinel) != 0) {
        if (parts.hasShortcut) translated += CString(L"\t") + parts.shortcut;
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(translated.GetString());
        SetMenuItemInfoW(menu, position, TRUE, &info);
        return;
    }
    // A label of only dots and ellipses leaves no key: collected, it would stand in every
    // language file as a line without a name.
    if (m_collect && !parts.key.IsEmpty() && IsKeyInStoredCharSet(parts.key))
        AddUnlocalizedString(m_section, parts.key, parts.label, file);
}

void CLngMenu::TranslateMenu(HMENU menu) {
    if (!menu) return;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub) {
            TranslateItem(menu, i);
            TranslateMenu(sub);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id == 0) continue;  // separator
        if (IsSkippedID(id)) continue;
        TranslateItem(menu, i);
    }
}

CString CLngMenu::GetMenuItemTextByID(UINT menuResourceId, UINT commandId, HINSTANCE module) {
    HMENU menu = LoadMenuW(module ? module : GetOwnModule(), MAKEINTRESOURCEW(menuResourceId));
    if (!menu) return CString();
    CString text;
    bool found = FindItemTextById(menu, commandId, text);
    DestroyMenu(menu);
    if (!found) return CString();
    const CMenuItemKey parts = SplitMenuItemText(text);
    DWORD read = 0;
    CString translated = ReadProfile(GetLngFile(), m_section, parts.key, kMenuByIdSentinel, kMenuItemByIdChars, &read);
    if (read > 0 && translated.Compare(kMenuByIdSentinel) != 0) return translated;
    int tab = text.Find(L'\t');
    CString label = RemoveMnemonics(tab >= 0 ? text.Left(tab) : text);
    label.TrimRight(kEllipsis);
    return label;
}

// ---------------------------------------------------------------------------------------
// Collecting missing keys

void AddUnlocalizedString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* lngFile) {
    if (!section || !key || !lngFile || !*lngFile) return;
    if (!IniKeyExists(lngFile, section, key)) WriteLngValue(lngFile, section, key, value);
    CLngWriter::Post(lngFile, section, key, value);
}

bool StartUnlocalizedWriter(HANDLE appExitEvent) {
    if (!appExitEvent) return false;
    if (Writer().GetEvent()) return false;  // one writer per process
    CHandle writeEvent(CreateSharedEvent(GetWriteUnlockEventName(), true, false));
    if (!writeEvent) return false;
    CHandle exitCopy = DuplicateForWorker(appExitEvent);
    if (!exitCopy) return false;
    // From here the writer's lock guards the event: Writer().CloseEvent closes it.
    HANDLE shared = writeEvent.release();
    Writer().SetEventHandle(shared);
    InterlockedIncrement(&Writer().runningThreads);
    WorkerOptions options;
    options.priority = THREAD_PRIORITY_BELOW_NORMAL;
    if (StartWorker(std::unique_ptr<CWriterStart>(new CWriterStart{shared, std::move(exitCopy)}), &WriterThread,
                    options))
        return true;
    InterlockedDecrement(&Writer().runningThreads);
    Writer().CloseEvent(shared);
    return false;
}

bool WaitUnlocalizedWriterEndedForTest(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (InterlockedCompareExchange(&Writer().runningThreads, 0, 0) != 0) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(5);
    }
    return true;
}

int CLngWriter::Post(const wchar_t* lngFile, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (!lngFile || !Writer().GetEvent()) return 0;
    Writer().SetItem(CPendingItem{lngFile, section, key, value});
    return Writer().SignalIfRunning() ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Escapes

namespace {

struct CEscape {
    wchar_t ch;
    const wchar_t* text;
};
const CEscape kEscapes[] = {{L'\r', L"\\r"}, {L'\n', L"\\n"}, {L'\t', L"\\t"}};

}  // namespace

void EscapeLngText(CString& text) {
    if (text.FindOneOf(L"\r\n\t") < 0) return;
    CString result;
    result.Preallocate(text.GetLength() + 16);
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text.GetAt(i);
        const wchar_t* escape = nullptr;
        for (const CEscape& e : kEscapes)
            if (e.ch == ch) escape = e.text;
        if (escape)
            result += escape;
        else
            result += ch;
    }
    text = result;
}

void UnescapeLngText(CString& text) {
    if (text.Find(L'\\') < 0) return;
    CString result;
    result.Preallocate(text.GetLength());
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text.GetAt(i);
        if (ch == L'\\') {
            wchar_t next = text.GetAt(i + 1);
            wchar_t decoded = next == L'r' ? L'\r' : next == L'n' ? L'\n' : next == L't' ? L'\t' : 0;
            if (decoded) {
                result += decoded;
                ++i;
                continue;
            }
        }
        result += ch;
    }
    text = result;
}

// ---------------------------------------------------------------------------------------
// First UI language

bool HasRussianKeyboardLayout() {
    for (HKL layout : GetInputLanguageInfo().GetKeyboardLayouts(20)) {
        if (LOWORD(reinterpret_cast<ULONG_PTR>(layout)) == 0x0419) return true;
    }
    return false;
}

CString GetRussianLngIfAvailable(bool versionChanged) {
    const wchar_t kRussian[] = L"Russian.lng";
    if (versionChanged && HasRussianKeyboardLayout() && FileExists(GetProgramFolder() + kRussian))
        return CString(kRussian);
    return CString();
}

CString FindLanguageFileForInputLanguage() {
    HKL language = GetInputLanguageInfo().GetDefaultInputLanguage();
    if (!language) return CString();
    LANGID id = LOWORD(reinterpret_cast<ULONG_PTR>(language));
    wchar_t name[100] = {};
    if (!GetLocaleInfoW(MAKELCID(id, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, 99)) return CString();
    CString twoLetters = CString(name).Left(2);
    if (twoLetters.IsEmpty()) return CString();
    std::vector<CString> files;
    EnumLanguageFiles(files, nullptr);
    CString folder = GetProgramFolder();
    for (const CString& file : files) {
        if (!file.IsEmpty() && ReadLngPrefix(folder + file).CompareNoCase(twoLetters) == 0) return file;
    }
    return CString();
}
