// The tray menu as it opens (loaded, translated, arranged and set to the program's
// state, read back without tracking it) and the tray window's command table on a
// program folder of its own.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "core/LanguageFiles.h"
#include "core/Launch.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "core/TrayIds.h"
#include "core/WebDestinations.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "history/ClipboardHandler.h"
#include "history/tests/HistoryTestData.h"
#include "testkit/Poll.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"
#include "testkit/fakes/RecordingShell.h"
#include "tray/HistoryMenuSource.h"
#include "tray/MenuHistorySource.h"
#include "tray/MenuTipTexts.h"
#include "tray/MenuToolTipVXLClient.h"
#include "tray/TrayMenu.h"
#include "tray/TrayWnd.h"
#include "tray/tests/TrayFakes.h"

namespace {

std::wstring ItemText(HMENU menu, UINT item, UINT byFlag = MF_BYCOMMAND) {
    wchar_t buffer[1024] = {};
    GetMenuStringW(menu, item, buffer, 1024, byFlag);
    return buffer;
}

bool IsGrayed(HMENU menu, UINT id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

bool IsChecked(HMENU menu, UINT id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

int PositionOfSubMenuHolding(HMENU menu, UINT id) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub && GetMenuState(sub, id, MF_BYCOMMAND) != static_cast<UINT>(-1)) return i;
    }
    return -1;
}

std::vector<UINT> IdsOf(HMENU menu) {
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

void WriteUtf16(const CString& path, const CString& text) {
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid());
    const wchar_t bom = 0xFEFF;
    DWORD written = 0;
    WriteFile(file.get(), &bom, sizeof bom, &written, nullptr);
    WriteFile(file.get(), text.GetString(), static_cast<DWORD>(text.GetLength() * sizeof(wchar_t)), &written, nullptr);
}

class CFakeMenuHistory : public IMenuHistorySource {
public:
    std::vector<CString> captions;
    int GetCount() override { return static_cast<int>(captions.size()); }
    int GetKind(int) override { return kHistoryKindUnicodeText; }
    CString GetMenuCaption(int index) override { return captions[static_cast<size_t>(index)]; }
    bool GetMenuHint(int, CString&) override { return false; }
    void StoreMenuHint(int, const CString&) override {}
    bool HasSisterMetaInfo(int) override { return false; }
    CString GetPlainText(int index) override { return captions[static_cast<size_t>(index)]; }
    CString GetSourceUrl(int) override { return CString(); }
    bool GetItemData(int, CClipboardItemData&) override { return false; }
};

// Each test owns a program folder: the language files are listed and the settings are
// written there.
class TrayMenuFolder : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testkit::MakeUniqueTempFolder(L"traymenu");
        SetProgramFolderForTest(m_folder);
        SetProfileFolderForTest(m_folder + L"\\profile");
    }
    void TearDown() override {
        SetProgramFolderForTest(L"");
        SetProfileFolderForTest(L"");
        testkit::RemoveTree(m_folder);
    }
    CTrayMenu Prepare(CLngMenu* translator = nullptr) {
        return PrepareTrayMenu(GetModuleHandleW(nullptr), m_facts, translator, &m_history);
    }

    CString m_folder;
    CTrayMenuFacts m_facts;
    CFakeMenuHistory m_history;
};

using TrayMenuPrepared = TrayMenuFolder;

// Not elevated, the restart as administrator leads the menu as its default item; elevated,
// it stays greyed at its place and the editor is the default.
TEST_F(TrayMenuPrepared, RunAsAdministratorFollowsTheElevation) {
    struct Case {
        bool elevated;
        bool onTop;
        UINT defaultId;
    };
    const Case cases[] = {{false, true, ID_RUN_AS_ADMIN}, {true, false, ID_OPEN_EDITOR}};
    for (const Case& c : cases) {
        m_facts.elevated = c.elevated;
        CTrayMenu menu = Prepare();
        ASSERT_NE(nullptr, menu.popup);
        const std::vector<UINT> ids = IdsOf(menu.popup);
        EXPECT_EQ(c.onTop, ids[0] == ID_RUN_AS_ADMIN) << "elevated " << c.elevated;
        if (c.onTop) {
            EXPECT_EQ(0u, ids[1]) << "a separator under it";
        }
        EXPECT_EQ(c.elevated, IsGrayed(menu.popup, ID_RUN_AS_ADMIN));
        EXPECT_EQ(c.defaultId, GetMenuDefaultItem(menu.popup, FALSE, 0));
        EXPECT_EQ(1, std::count(ids.begin(), ids.end(), ID_RUN_AS_ADMIN));
    }
}

// The counts and the states of the items as the menu opens, also when a popup is
// initialised again while the menu is open.
TEST_F(TrayMenuPrepared, ItemsShowTheProgramsState) {
    m_facts.phrasesIncluded = 12;
    m_facts.phrasesTotal = 15;
    m_facts.soundsOn = false;
    m_facts.muted = true;
    m_facts.historyOn = true;
    m_facts.historyCount = 3;
    m_facts.historyMax = 20;
    m_facts.autoLoadDelaySeconds = 30;
    m_facts.hotKeyText = L"CTRL+ALT+ENTER";
    m_facts.hotKeyRegistered = true;
    m_history.captions = {L"first", L"&&&", CString(L'x', 2000)};
    CTrayMenu menu = Prepare();
    ASSERT_NE(nullptr, menu.popup);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        EXPECT_EQ(L"Reread Phrases [12/15]", ItemText(menu.popup, ID_REREAD_PHRASES));
        EXPECT_EQ(L"Start With Windows (+30sec)", ItemText(menu.popup, ID_START_WITH_WINDOWS));
        EXPECT_TRUE(IsGrayed(menu.popup, ID_MUTE_MODE)) << "sounds off";
        EXPECT_TRUE(IsChecked(menu.popup, ID_MUTE_MODE));
        EXPECT_FALSE(IsGrayed(menu.popup, ID_HISTORY_CLEAR));
        EXPECT_EQ(0, ItemText(menu.popup, ID_ENABLE_PHRASE_MENU).find(L"Enable Menu Of Phrases\tCTRL+ALT+ENTER, "));
        EXPECT_EQ(L"Show Phrases Menu\tCTRL+ALT+ENTER", ItemText(menu.popup, ID_SHOW_PHRASES_MENU));
        const int historyItem = PositionOfSubMenuHolding(menu.popup, ID_HISTORY_KEEP);
        ASSERT_GE(historyItem, 0);
        EXPECT_EQ(L"Clipboard History [3/20]", ItemText(menu.popup, historyItem, MF_BYPOSITION));
        HMENU history = GetSubMenu(menu.popup, historyItem);
        const std::vector<UINT> ids = IdsOf(history);
        ASSERT_GE(ids.size(), 3u);
        EXPECT_EQ((std::vector<UINT>{34000, 34001, 34002}), std::vector<UINT>(ids.end() - 3, ids.end()));
        EXPECT_EQ(L"&&&", ItemText(history, 34001));
        EXPECT_EQ(259u, ItemText(history, 34002).size()) << "a long caption is cut";
        ApplyTrayMenuPopupStates(history, m_facts, &m_history);
        ApplyTrayMenuPopupStates(menu.popup, m_facts, &m_history);
    }
    m_facts.soundsOn = true;
    m_facts.historyCount = 0;
    ApplyTrayMenuPopupStates(menu.popup, m_facts, &m_history);
    EXPECT_FALSE(IsGrayed(menu.popup, ID_MUTE_MODE));
    EXPECT_TRUE(IsGrayed(menu.popup, ID_HISTORY_CLEAR)) << "empty history";
}

// The language popup names the language and lists the files of the program folder, at
// most up to its last id.
TEST_F(TrayMenuPrepared, LanguagePopupListsTheFilesOfTheProgramFolder) {
    struct Case {
        int files;
        size_t listed;  // built-in English first
    };
    const Case cases[] = {{2, 3}, {55, 50}};
    for (const Case& c : cases) {
        for (int i = 0; i < c.files; ++i) {
            CString name;
            name.Format(L"Lang%02d.lng", i);
            WriteUtf16(m_folder + L"\\" + name, L"[Main]\r\nLangPrefix=L" + name.Mid(4, 2) + L"\r\n");
        }
        m_facts.languagePrefix = L"De";
        m_facts.languageFile = L"Lang01.lng";
        CTrayMenu menu = Prepare();
        ASSERT_NE(nullptr, menu.popup);
        const int position = PositionOfSubMenuHolding(menu.popup, ID_HOW_TO_LOCALIZE);
        ASSERT_GE(position, 0);
        EXPECT_EQ(L"Language\t[De]", ItemText(menu.popup, position, MF_BYPOSITION));
        HMENU languages = GetSubMenu(menu.popup, position);
        EXPECT_EQ(c.listed, menu.languageFiles.size());
        EXPECT_EQ(static_cast<int>(c.listed) + 2, GetMenuItemCount(languages)) << c.files << " files";
        EXPECT_EQ(kFirstLanguageCommandId + c.listed - 1, GetMenuItemID(languages, GetMenuItemCount(languages) - 1));
        EXPECT_TRUE(IsChecked(languages, kFirstLanguageCommandId + 2)) << "Lang01.lng, after English and Lang00";
    }
}

// A language file may hold anything: a huge text and bare mnemonic marks still give a
// menu, and the counts still follow the cut text.
TEST_F(TrayMenuPrepared, TranslationsOfAnyLengthAreCut) {
    const CString lng = m_folder + L"\\Odd.lng";
    WriteUtf16(lng, L"[Main]\r\nLangPrefix=Od\r\n[Menu_Client]\r\nReread_Phrases=" + CString(L'r', 2000) +
                        L"\r\nLanguage=&&&\r\n");
    CLngMenu translator(lng, false, L"_Client");
    m_facts.phrasesIncluded = 1;
    m_facts.phrasesTotal = 2;
    m_facts.languagePrefix = L"Od";
    CTrayMenu menu = Prepare(&translator);
    ASSERT_NE(nullptr, menu.popup);
    const std::wstring reread = ItemText(menu.popup, ID_REREAD_PHRASES);
    EXPECT_EQ(std::wstring(100, L'r') + L" [1/2]", reread);
    const int position = PositionOfSubMenuHolding(menu.popup, ID_HOW_TO_LOCALIZE);
    EXPECT_EQ(L"&&&\t[Od]", ItemText(menu.popup, position, MF_BYPOSITION));
    SetCurrentLngFile(L"");
}

// ---------------------------------------------------------------------------------------
// The command table

int g_pulses = 0;
bool CountPulse() {
    ++g_pulses;
    return true;
}

class CFailingShell final : public IShellRunner {
public:
    CFailingShell() { SetShellRunnerForTest(this); }
    ~CFailingShell() override { SetShellRunnerForTest(nullptr); }
    HINSTANCE Execute(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int) override {
        ++calls;
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC));
    }
    int calls = 0;
};

class TrayCommands : public TrayMenuFolder {
protected:
    void SetUp() override {
        TrayMenuFolder::SetUp();
        g_pulses = 0;
        m_exit.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_tray = std::make_unique<CVXLTrayWnd>(m_exit.get(), true, nullptr);
        m_tray->SetFloatPane(&m_pane);
        m_tray->SetOptionsChangedPulse(&CountPulse);
        ASSERT_TRUE(m_tray->Create(GetModuleHandleW(nullptr)));
    }
    void TearDown() override {
        if (m_tray && IsWindow(m_tray->m_hWnd)) DestroyWindow(m_tray->m_hWnd);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        TrayMenuFolder::TearDown();
    }
    void Command(UINT id) { SendMessageW(m_tray->m_hWnd, WM_COMMAND, id, 0); }

    CHandle m_exit;
    CFakeFloatPane m_pane;
    std::unique_ptr<CVXLTrayWnd> m_tray;
};

// Each switch flips its setting, writes its key into the program folder's settings file
// and tells the editor when the editor shows it.
TEST_F(TrayCommands, SwitchesWriteTheirKeyAndPulseTheEditor) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    struct Case {
        UINT id;
        const wchar_t* key;
        bool* value;
        int pulses;
    };
    const Case cases[] = {
        {ID_FLOAT_PANE_ON_START, L"ShowHistoryPaneOnStart", &settings.ShowHistoryPaneOnStart, 1},
        {ID_PINNED_ON_START, L"Pinned_FloatPane_On_Start", &settings.Pinned_FloatPane_On_Start, 1},
        {ID_SOUNDS, L"SoundOnEventsV094", &settings.SoundOnEventsV094, 0},
        {ID_HISTORY_SAVE_ON_EXIT, L"SaveClipboardHistory_v198", &settings.SaveClipboardHistory, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const bool before = *c.value;
        for (int press = 1; press <= 2; ++press) {
            g_pulses = 0;
            Command(c.id);
            const bool expected = press == 1 ? !before : before;
            EXPECT_EQ(expected, *c.value);
            EXPECT_EQ(expected ? 1u : 0u, GetPrivateProfileIntW(L"Settings", c.key, 7, GetSettingsFilePath()));
            EXPECT_EQ(c.pulses, g_pulses);
        }
    }
    EXPECT_EQ(0, GetSettingsFilePath().Find(m_folder)) << "the settings file of the test's folder";
}

// The Help commands open their pages through the shell; a shell that cannot start
// anything leaves the program as it was.
TEST_F(TrayCommands, WebCommandsOpenTheirAddresses) {
    struct Case {
        UINT id;
        const wchar_t* address;
    };
    const Case cases[] = {
        {ID_VISIT_WEB_SITE, L"https://www.vexlora.com/home_vxl.php"},
        {ID_VISIT_FORUM, L"https://www.vexlora.com/home_forum.php"},
        {ID_VISIT_FAQ, L"https://www.vexlora.com/home_vxl_faq.php"},
        {ID_SUPPORT, L"https://www.vexlora.com/home_support.php"},
        {ID_RSS_FEED, L"https://www.vexlora.com/news_en.xml"},
        {ID_TELEGRAM_GROUP, L"https://t.me/vexlora"},
        {ID_HOW_TO_LOCALIZE, L"https://www.vexlora.com/vexlora_faq_translate.shtml"},
        {ID_EMAIL_TO_US, L"mailto:support@vexlora.com?subject=Vexlora"},
    };
    CVXLUrl::_Set_Use_RU_Urls(false);
    {
        CRecordingShell shell;
        for (const Case& c : cases) Command(c.id);
        ASSERT_EQ(std::size(cases), shell.files.size());
        for (size_t i = 0; i < shell.files.size(); ++i) {
            EXPECT_EQ(cases[i].address, shell.files[i]);
            EXPECT_EQ(L"open", shell.verbs[i]);
        }
    }
    CFailingShell failing;
    Command(ID_VISIT_BLOG);
    Command(ID_OPEN_SETTINGS_FILE);
    EXPECT_EQ(2, failing.calls);
    EXPECT_TRUE(IsWindow(m_tray->m_hWnd));
}

// The float pane hands its language list with the chosen id: the file becomes the
// language of the settings file; an id outside the list changes nothing.
TEST_F(TrayCommands, LanguageChosenFromTheListBecomesTheSettingsLanguage) {
    for (const wchar_t* name : {L"Deutsch.lng", L"Polski.lng"})
        WriteUtf16(m_folder + L"\\" + name, L"[Main]\r\nLangPrefix=X\r\n");
    const std::vector<CString> names = {L"", L"Deutsch.lng", L"Polski.lng"};
    struct Case {
        WPARAM id;
        LRESULT handled;
        const wchar_t* language;
    };
    const Case cases[] = {
        {kFirstLanguageCommandId + 2, 1, L"Polski.lng"},
        {kFirstLanguageCommandId + 3, 0, L"Polski.lng"},
        {kFirstLanguageCommandId + 1, 1, L"Deutsch.lng"},
        {kFirstLanguageCommandId - 1, 0, L"Deutsch.lng"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(c.handled,
                  SendMessageW(m_tray->m_hWnd, WM_VXL_LANGUAGE_CHOSEN, c.id, reinterpret_cast<LPARAM>(&names)));
        wchar_t saved[MAX_PATH] = {};
        GetPrivateProfileStringW(L"Settings", L"Language", L"", saved, MAX_PATH, GetSettingsFilePath());
        EXPECT_STREQ(c.language, PathFindFileNameW(saved));
        EXPECT_STREQ(c.language, PathFindFileNameW(CVXLSettings::GetInstance().GetLanguage()));
    }
}

// Records the editor's starts; each "process" is an event that never ends, so the launch
// threads wait until the program's exit event stops them.
class CEditorStarts final : public IEditorStarter {
public:
    bool IsAdmin() override { return true; }
    HANDLE ShellStart(const wchar_t*, const wchar_t* path, const wchar_t* parameters, DWORD*) override {
        return Record(path, parameters);
    }
    HANDLE CreateProcessStart(const wchar_t* path, const wchar_t* parameters, DWORD*) override {
        return Record(path, parameters);
    }
    std::vector<std::wstring> Starts() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_starts;
    }

private:
    HANDLE Record(const wchar_t* path, const wchar_t* parameters) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_starts.push_back(std::wstring(PathFindFileNameW(path)) + L"|" + parameters);
        return CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    std::mutex m_lock;
    std::vector<std::wstring> m_starts;
};

// Edit Phrases opens the editor as it is; Save Phrase From Clipboard asks it to add the
// clipboard's text.
TEST_F(TrayCommands, EditorCommandsStartTheEditorWithTheirSwitches) {
    // Outlives the launch threads, which may still return from it after the test.
    static CEditorStarts starts;
    SetEditorStarterForTest(&starts);
    Command(ID_OPEN_EDITOR);
    ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return starts.Starts().size() == 1; }));
    Command(ID_SAVE_PHRASE_FROM_CLIPBOARD);
    ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return starts.Starts().size() == 2; }));
    EXPECT_EQ((std::vector<std::wstring>{L"VexloraEditor.exe|", L"VexloraEditor.exe| /addfromcb"}), starts.Starts());
    SetEvent(m_exit.get());
    SetEditorStarterForTest(nullptr);
}

// The float pane's commands reach the pane with their show modes; a command without a
// handler is left to the default handling.
TEST_F(TrayCommands, PaneCommandsAndUnknownIds) {
    CRecordingShell shell;
    m_pane.shows.clear();  // the pane shown at start, as the settings ask
    Command(ID_FLOAT_PANE);
    Command(ID_SHOW_FLOAT_PANE);
    EXPECT_EQ((std::vector<int>{0, 2}), m_pane.shows);
    Command(32850);
    Command(ID_HISTORY_CLEAR);
    Command(kFirstTrayHistoryCommandId + 5);
    Command(kFirstLanguageCommandId + 49);
    EXPECT_TRUE(shell.files.empty());
    EXPECT_EQ((std::vector<int>{0, 2}), m_pane.shows);
    EXPECT_TRUE(IsWindow(m_tray->m_hWnd));
}

// The tray window over the real history handler, whose clipboard is one in memory.
class TrayHistoryCommands : public TrayCommands {
protected:
    void SetUp() override {
        TrayCommands::SetUp();
        for (const wchar_t* text : {L"oldest", L"middle", L"newest"}) {
            ++m_clock.localTime.wSecond;
            std::unique_ptr<CCHItem> item = CCHItem::Create(CClipboardItemData::kUnicodeText, nullptr, m_clock);
            const std::vector<BYTE> data = historytest::Utf16(text);
            item->SetData(data.data(), static_cast<DWORD>(data.size()));
            m_handler.Queue().Add(std::move(item), -1);
        }
        m_tray->SetClipboardHistory(&m_handler);
        m_tray->SetMenuHistory(&m_source);
    }
    void TearDown() override {
        m_tray->SetClipboardHistory(nullptr);
        m_tray->SetMenuHistory(nullptr);
        TrayCommands::TearDown();
    }

    CFakeClipboard m_clipboard;
    CFakeClock m_clock;
    historytest::CSilentNotices m_notices;
    CClipboardSpy m_spy{m_clipboard, m_notices};
    CVXLWndClipboardHandler m_handler{m_clipboard, m_clock, m_spy, L"C:\\no-such-folder\\history"};
    CHistoryMenuSource m_source{m_handler};
};

// The tips read the history: an item's tip says where and when it was copied, and the
// Undo tip names the latest undo record until the pool is cleared.
TEST_F(TrayHistoryCommands, TipsShowTheItemOriginAndTheLatestUndoRecord) {
    m_handler.Get_Item(0)->SetWindowTitle(L"Report - Editor");
    m_handler.Get_Item(0)->SetProgramName(L"editor.exe");
    CTrayTipFacts facts(nullptr, nullptr, &m_source, nullptr);
    CMenuTipTexts texts(facts);
    CString text, title;
    texts.GetTipStringForClipboardHistory(text, kFirstTrayHistoryCommandId, title);
    EXPECT_NE(-1, text.Find(L"[Report - Editor], [editor.exe]")) << text.GetString();
    CTipHistoryItem item;
    ASSERT_TRUE(facts.HistoryItem(0, item));
    EXPECT_FALSE(item.captureTime.IsEmpty());

    CTipUndoRecord record;
    EXPECT_FALSE(facts.LatestUndo(record));
    ASSERT_TRUE(m_handler.Remove({1}, true, false, L"Command: \"Delete\""));
    ASSERT_TRUE(facts.LatestUndo(record));
    EXPECT_EQ(CString(L"Command: \"Delete\""), record.description);
    EXPECT_FALSE(record.timeText.IsEmpty());
    texts.GetMenuTipText(text, ID_UNDO, title);
    EXPECT_NE(-1, text.Find(L"Command: \"Delete\"")) << text.GetString();
    m_handler.Queue().ClearUndo();
    EXPECT_FALSE(facts.LatestUndo(record));
}

// The History submenu lists the handler's items newest first; choosing one puts that
// item back on the clipboard.
TEST_F(TrayHistoryCommands, HistoryItemsAreListedAndPutBack) {
    m_facts.historyOn = true;
    m_facts.historyCount = 3;
    CTrayMenu menu = PrepareTrayMenu(GetModuleHandleW(nullptr), m_facts, nullptr, &m_source);
    ASSERT_NE(nullptr, menu.popup);
    const int historyItem = PositionOfSubMenuHolding(menu.popup, ID_HISTORY_KEEP);
    ASSERT_GE(historyItem, 0);
    HMENU history = GetSubMenu(menu.popup, historyItem);
    EXPECT_EQ(L"newest", ItemText(history, kFirstTrayHistoryCommandId));
    EXPECT_EQ(L"middle", ItemText(history, kFirstTrayHistoryCommandId + 1));
    EXPECT_EQ(L"oldest", ItemText(history, kFirstTrayHistoryCommandId + 2));

    for (int index : {1, 2, 0}) {
        SCOPED_TRACE(index);
        Command(kFirstTrayHistoryCommandId + static_cast<UINT>(index));
        ASSERT_TRUE(m_clipboard.Open(nullptr, 0));
        CString text;
        EXPECT_TRUE(ReadClipboardUnicodeText(m_clipboard, text));
        m_clipboard.Close();
        EXPECT_EQ(ItemText(history, kFirstTrayHistoryCommandId + static_cast<UINT>(index)), text.GetString());
    }
    EXPECT_EQ(3, m_handler.Get_Items_Count());
}

}  // namespace
