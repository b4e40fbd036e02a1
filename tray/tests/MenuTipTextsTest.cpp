// The tips of the tray window's menus: the texts per command id over a fake of the
// program's state, the icon order with its fallbacks, and the tray window showing the
// tip of a selected item through a hand-driven delay.
#include <windows.h>
#include <gtest/gtest.h>
// commctrl.h uses the types windows.h declares.
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/MenuToolTip.h"
#include "core/SettingsFile.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/base/AppPaths.h"
#include "core/base/FileIcons.h"
#include "core/base/Handles.h"
#include "core/base/TextHelpers.h"
#include "history/pane/PaneIcons.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/ManualMenuTipDelay.h"
#include "tray/MenuToolTipVXLClient.h"
#include "tray/TrayMenu.h"
#include "tray/TrayWnd.h"

namespace {

const std::wstring kDashes20 = std::wstring(20, L'\u2014');

std::wstring Str(const CString& text) {
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

// The UI string of an id is "S<id>", a command's "Cmd<id>\ncaption"; a few ids say nothing.
class CFakeTipFacts final : public ITipFacts {
public:
    CString UiString(UINT id) override {
        auto set = strings.find(id);
        if (set != strings.end()) return set->second;
        CString text;
        if (id >= 32768)
            text.Format(L"Cmd%u\ncaption", id);
        else
            text.Format(L"S%u", id);
        return text;
    }
    CString OpenMenuText(UINT id) override { return id == ID_OPEN_EDITOR ? openEditorText : CString(); }
    CString TranslatedMenuText(UINT resource, UINT id) override {
        CString text;
        text.Format(L"M%u/%u", resource, id);
        return text;
    }
    CTipSettings Settings() override { return settings; }
    CString HotKeyText() override { return L"CTRL+Q"; }
    bool HotKeyRegistered() override { return hotKeyRegistered; }
    void PhraseCounts(int& included, int& total) override {
        included = 12;
        total = 15;
    }
    bool AutostartSet() override { return autostart; }
    CString WebAddress(UINT id) override {
        return id == ID_VISIT_FORUM ? CString(L"https://forum.example") : CString();
    }
    CString LanguageItemTip(UINT id) override { return id == 33001 ? CString(L"Deutsch\r\nDe.lng, [de]") : CString(); }
    CString PhrasesFolder() override { return L"C:\\Phrases\\"; }
    CString PhrasesFolderText() override { return L"%DEFAULT_FOLDER%"; }
    CString HistoryFolder() override { return L"C:\\History\\"; }
    CString SettingsFilePath() override { return L"C:\\p\\Settings.ini"; }
    CString LogReportPath() override { return L"C:\\p\\log.txt"; }
    CString StatisticsFilePath() override { return L"C:\\p\\Stat.ini"; }
    CString MsInfoPath() override { return L"C:\\msinfo32.exe"; }
    CString SystemFolder() override { return L"C:\\Windows\\System32\\"; }
    bool FolderAccess(const CString&, bool write) override { return !write; }
    CString NotepadPath() override { return L"C:\\Windows\\notepad.exe"; }
    CString BinaryTypeName(const CString&) override { return L"x64"; }
    CString FocusedItemShortText() override { return focusedShort; }
    CString FocusedItemText(int form) override { return form == 2 ? focusedAddress : focusedText; }
    CString FocusedItemOpener() override { return opener; }
    CString ClipboardUnicodeText() override { return clipboard; }
    void ClipboardFormats(bool& rtf, bool& text, bool& html) override {
        rtf = false;
        text = true;
        html = true;
    }
    int TrackingMethod() override { return 2; }
    DWORD ClipboardSequenceNumber() override { return 77; }
    bool HistoryItem(int index, CTipHistoryItem& item) override {
        if (index != 5) return false;
        item = historyItem;
        return true;
    }
    bool LatestUndo(CTipUndoRecord& record) override {
        record = undo;
        return hasUndo;
    }
    CString ElapsedText(DWORD ms) override { return ms ? CString(L"3 min") : CString(); }
    CString LastUpdateCheckText() override { return L"Mon 1"; }
    CString NextUpdateCheckText(DWORD days) override {
        CString text;
        text.Format(L"+%u", static_cast<unsigned>(days));
        return text;
    }
    CString LatestFoundVersion() override { return L"9.9"; }
    CString VersionWithBuild() override { return L"Vexlora 1.2.3 build 4"; }
    CString ProductVersionText() override { return L"Vexlora 1.2.3"; }
    CString BuildDateText() override { return L"1 May"; }
    std::vector<CString> SiblingFileLines() override { return {L"\u2022 Vexlora.dll 1.2.3 build 4"}; }
    CString DateText(const SYSTEMTIME& day) override {
        CString text;
        text.Format(L"%u-%u-%u", day.wYear, day.wMonth, day.wDay);
        return text;
    }
    int CollectedErrorCount() override { return 2; }
    CString CommandLineKeysText() override { return L"/edit"; }
    CString FileNameReplacementsText() override { return replacements; }
    CString PrivilegesText() override { return L""; }

    std::map<UINT, CString> strings;
    CString openEditorText = L"Edit Phrases\\Settings\u2026";
    CTipSettings settings;
    bool hotKeyRegistered = false;
    bool autostart = true;
    CString focusedShort;
    CString focusedText;
    CString focusedAddress;
    CString opener;
    CString clipboard;
    CTipHistoryItem historyItem;
    bool hasUndo = false;
    CTipUndoRecord undo;
    CString replacements = L"< \u2192 _";
};

struct TextCase {
    const char* name;
    UINT id;
    std::wstring expected;  // the whole text
};

class MenuTipTexts : public ::testing::Test {
protected:
    std::wstring Text(UINT id, std::wstring* title = nullptr) {
        CMenuTipTexts texts(facts);
        CString text, heading;
        texts.GetMenuTipText(text, id, heading);
        if (title) *title = Str(heading);
        return Str(text);
    }
    CFakeTipFacts facts;
};

// Whole texts of the rows whose every piece is known here.
TEST_F(MenuTipTexts, RowsBuildTheirWholeText) {
    facts.settings.writeLog = true;
    facts.settings.autoLoadDelaySeconds = 0;
    const std::wstring sep = L"\n" + kDashes20 + L"\n";
    const TextCase cases[] = {
        {"any other id gives the command text", 32999, L"Cmd32999"},
        {"state suffix on", ID_WRITE_LOG, L"Cmd32815" + sep + L"      \u00BB C:\\p\\log.txt, [Turn on]"},
        {"state suffix off is upper case", ID_SOUNDS, L"Cmd32817, [TURN OFF]"},
        {"extra line of Empty Clipboard", ID_EMPTY_CLIPBOARD, L"Cmd32813" + sep + L"     \u00BB S314"},
        {"extra line of the hot key, not registered", ID_SHOW_PHRASES_MENU,
         L"Cmd32844" + sep +
             L"     \u00BB S132: CTRL+Q \u2014 TURN OFF\n    \u2022 S328 \u00ABEdit Phrases\\Settings\u2026\u00BB"},
        {"extra line of Notepad with its binary type", ID_PANE_EDIT_WITH_NOTEPAD,
         L"Cmd32845" + sep + L"     \u00BB C:\\Windows\\notepad.exe  \u2014  (x64)"},
        {"undo hint in quotes", ID_HISTORY_CLEAR, L"Cmd32789\n   " + kDashes20 + L"\n   \u00BB S294 \"M205/32838\""},
        {"autostart without delay shows the off text", ID_START_WITH_WINDOWS,
         L"Cmd32774 [Turn on]" + sep + L"   \u2022 S168: TURN OFF"},
        {"the replacements alone", ID_COPY_EXCLUDE_SYMBOLS, L"< \u2192 _"},
        {"web address line", ID_VISIT_FORUM, L"Cmd32782" + sep + L" \u00BB https://forum.example"},
        {"web command without an address", ID_VISIT_BLOG, L"Cmd32869"},
        {"counts of the phrase menu", ID_ENABLE_PHRASE_MENU,
         L"Cmd32770" + sep + L"   \u2022 S132: [CTRL+Q] \u2014 TURN OFF\n   \u2022 S135: [12/15]"},
        {"language item", 33001, L"Deutsch\r\nDe.lng, [de]"},
        {"system report copy", ID_REPORT_COPY_ALL, L"S1058"},
        {"undo without a record", ID_UNDO, L"Cmd32838" + sep + L"S290"},
        {"float pane with the whole strings", ID_FLOAT_PANE,
         L"Cmd32792\ncaption" + sep + L"\u2022 Cmd32827\ncaption: [TURN OFF]"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(c.expected, Text(c.id)) << c.name;
}

// The title of the editor command is the open menu's text without "…" and the folder; the
// body carries the folder with its access, the tracking method and the saved formats.
TEST_F(MenuTipTexts, EditorCommandHasATitleAndTheTrackingLines) {
    facts.settings.formats[0] = true;
    facts.settings.formats[4] = true;
    facts.settings.historyMax = 30;
    std::wstring title;
    const std::wstring text = Text(ID_OPEN_EDITOR, &title);
    EXPECT_EQ(L"Edit Phrases\\Settings - [%DEFAULT_FOLDER%]", title);
    for (const wchar_t* piece :
         {L"S234: [C:\\Phrases\\]\nRead Access: Turn on\nWrite Access: TURN OFF",
          L"S329: \u00ABM128/32868\u00BB\n\n   \u2022  S330",
          L"Clipboard Tracking Method used: using AddClipboardListener [max = 30]",
          L"\nClipboard Tracking Method setting: Automatically (AddClipboardListener is available, or "
          L"SetClipboardViewer in other)",
          L"\u00BB S287 [2]: txt, html"})
        EXPECT_NE(std::wstring::npos, text.find(piece)) << piece;
    EXPECT_TRUE(Text(ID_ENABLE_PHRASE_MENU, &title).size() && title.empty()) << "only a few ids set a title";
}

// The pane's focused item follows the commands that act on it; a long body is cut only
// where it is shown.
TEST_F(MenuTipTexts, FocusedItemPreviewsAndTheCut) {
    facts.focusedShort = L"short";
    EXPECT_EQ(L"Cmd32793\n" + kDashes20 + L"\nshort", Text(ID_PANE_COPY));
    EXPECT_EQ(L"Cmd32797", Text(ID_PANE_COPY_PLAIN)) << "no preview without an item text";

    facts.focusedAddress = L"https://example.com/" + CString(std::wstring(300, L'a').c_str());
    facts.opener = L"C:\\browser.exe";
    const std::wstring open = Text(ID_PANE_OPEN_SOURCE_URL);
    EXPECT_EQ(0u, open.find(L"Cmd32848\n\n C:\\browser.exe\n" + kDashes20 + L"\nhttps://"));
    EXPECT_NE(std::wstring::npos, open.find(L" \u2026 \u2026 ")) << "an address is shortened on one line";

    facts.replacements = CString(std::wstring(5000, L'x').c_str());
    const CString whole = CString(Text(ID_COPY_EXCLUDE_SYMBOLS).c_str());
    EXPECT_EQ(5000, whole.GetLength()) << "the text itself is not cut";
    const CString shown = MakeMenuTipBody(whole, L"default");
    EXPECT_EQ(3499, shown.GetLength()) << "3498 characters and the mark";
    EXPECT_EQ(L'\u2026', shown[shown.GetLength() - 1]);
}

TEST_F(MenuTipTexts, UpdateTipEndsAfterTheSwitchWhenChecksAreOff) {
    const std::wstring lead = L"\r\n   \u2022 ";
    const std::wstring off = Text(ID_CHECK_FOR_UPDATES);
    EXPECT_EQ(L"Cmd32791\r\n" + std::wstring(23, L'\u2014') + lead + L"S152: Mon 1" + lead + L"S322: [9.9]" + lead +
                  L"S157: Vexlora 1.2.3 build 4" + lead + L"S153: TURN OFF",
              off);
    facts.settings.autoCheckForUpdates = true;
    facts.settings.daysCheckForUpdates = 7;
    const std::wstring on = Text(ID_CHECK_FOR_UPDATES);
    EXPECT_NE(std::wstring::npos, on.find(lead + L"S154: 7 (S156)" + lead + L"S155: +7"));
}

TEST_F(MenuTipTexts, HistoryItems) {
    facts.historyItem.kind = 1;
    facts.historyItem.text = CString(std::wstring(400, L'z').c_str());
    facts.historyItem.programFile = L"notepad.exe";
    facts.historyItem.captureTime = L"today";
    std::wstring title;
    const std::wstring text = Text(kFirstTrayHistoryCommandId + 5, &title);
    EXPECT_EQ(L"S140", title);
    EXPECT_EQ(L"S139\r\nS141: [400]\r\nS143: S136\r\nS145: [notepad.exe]\r\ntoday\r\n\r\n" + std::wstring(150, L'z') +
                  L"\r\n...\n" + kDashes20 + L"\n   \u00BB S177",
              text);

    facts.historyItem.kind = 7;
    facts.historyItem.programFile.Empty();
    const std::wstring unknown = Text(kFirstTrayHistoryCommandId + 5);
    EXPECT_NE(std::wstring::npos, unknown.find(L"S143: OOOPS! Unknow format\r\nS145: S146"));
    EXPECT_NE(std::wstring::npos, unknown.find(L"Ooops! Other data format"));

    const std::wstring gone = Text(kFirstTrayHistoryCommandId + 6, &title);
    EXPECT_EQ(L"S140", title);
    EXPECT_EQ(std::wstring::npos, gone.find(L"S139")) << "a missing item gives the placeholder alone";
}

TEST_F(MenuTipTexts, TrackingTextFollowsTheConnection) {
    facts.settings.historyMax = 25;
    CMenuTipTexts texts(facts);
    CString text;
    texts.GetClipboardTrackingTip(text);
    EXPECT_EQ(
        L" [max = 25]\nNo\nMethod: using AddClipboardListener\nGetClipboardSequenceNumber: 77\n\n      S221: "
        L"TURN OFF\n      S222 \"M128/32772\"",
        Str(text));
    texts.SetConnectionState(kTipConnectionError, L"denied");
    texts.GetClipboardTrackingTip(text);
    EXPECT_EQ(0, text.Find(L" [max = 25]\nConnection Error!!!\ndenied\nMethod:"));
}

TEST(MenuTipPreviews, ShortenedInTheMiddle) {
    const std::wstring fifty(50, L'a');
    const CString html = CString(L"<html><!--StartFragment-->") + CString(std::wstring(300, L'a').c_str()) +
                         L"<!--EndFragment--></html>";
    EXPECT_EQ(fifty + L"\n        \u2026 \u2026 \n" + fifty, Str(MakeHtmlFragmentPreview(html, 1)));
    EXPECT_EQ(fifty + L" \u2026 \u2026 " + fifty,
              Str(MakeHtmlFragmentPreview(CString(std::wstring(300, L'a').c_str()), 2)));
    const CString hundred(std::wstring(100, L'b').c_str());
    EXPECT_EQ(Str(hundred), Str(MakeHtmlFragmentPreview(L"\r\n " + hundred + L" \n", 0)));
    EXPECT_EQ(L"<!--StartFragment-->x", Str(MakeHtmlFragmentPreview(L"<!--StartFragment-->x", 1)))
        << "a marker at the very start is not a fragment";

    EXPECT_EQ(L"one\r\n...", Str(MakeClipboardPreview(L"one\r\ntwo\r\nthree\r\n")));
    EXPECT_EQ(L"one", Str(MakeClipboardPreview(L"one\r\n\t")));
    EXPECT_EQ(L"x32", Str(BinaryTypeToName(SCS_32BIT_BINARY)));
    EXPECT_EQ(L"Wow! Unknown binary type", Str(BinaryTypeToName(99)));
}

// ---------------------------------------------------------------------------------------
// Icons

// Gives a made-up handle for the sources it has, and writes down what it was asked.
class CFakeIconLoader final : public ITipIconLoader {
public:
    HICON Load(const TipIconSource& source) override {
        asked.push_back(source.kind);
        for (size_t i = 0; i < available.size(); ++i)
            if (available[i] == source.kind) return reinterpret_cast<HICON>(static_cast<INT_PTR>(0x100 + i));
        return nullptr;
    }
    std::vector<TipIconKind> available;
    std::vector<TipIconKind> asked;
};

TEST(MenuTipIcons, PlansPerIdWithTheirFallbacks) {
    using K = TipIconKind;
    struct Case {
        UINT id;
        std::vector<K> kinds;
        UINT firstResource;
    };
    const Case cases[] = {
        {ID_HISTORY_REKEEP, {K::Resource16, K::Program}, 225},
        {ID_HISTORY_KEEP, {K::Resource16, K::Program}, 225},
        {ID_COPY_EXCLUDE_SYMBOLS, {K::Resource16, K::Program}, 215},
        {ID_FACEBOOK_GROUP, {K::EditorIcon, K::MenuItemSlot, K::ExtensionSmall, K::Program}, 0},
        {ID_TELEGRAM_GROUP, {K::EditorIcon, K::MenuItemSlot, K::ExtensionSmall, K::Program}, 2},
        {ID_WELCOME, {K::Welcome, K::ExtensionLarge, K::Program}, 0},
        {ID_PANE_COPY_RTF, {K::ResourceSized, K::ResourceSized, K::Program}, 223},
        {ID_PANE_SEARCH_FIRST + 2, {K::MenuItemSlot, K::Program}, 239},
        {ID_CHECK_FOR_UPDATES, {K::Resource16, K::Program}, 234},
        {ID_PINNED_ON_START, {K::Resource16, K::Program}, 241},
        {ID_EMAIL_TO_US, {K::ExtensionLarge, K::Program}, 0},
        {ID_VIDEO, {K::Video, K::MenuItemSlot, K::ExtensionSmall, K::Program}, 0},
        {ID_PANE_UPSIDE_DOWN, {K::RotatedResource, K::Program}, 212},
        {ID_OPEN_PHRASES_FOLDER, {K::Folder, K::Program}, 0},
        {32999, {K::Program}, 0},
    };
    for (const Case& c : cases) {
        const std::vector<TipIconSource> plan = GetTipIconPlan(c.id);
        std::vector<K> kinds;
        for (const TipIconSource& source : plan) kinds.push_back(source.kind);
        EXPECT_EQ(c.kinds, kinds) << c.id;
        EXPECT_EQ(c.firstResource, plan.front().resource) << c.id;
    }
    EXPECT_EQ(2, GetTipIconPlan(ID_PANE_UPSIDE_DOWN).front().turns);
}

TEST(MenuTipIcons, TheFirstSourceThatLoadsWins) {
    CFakeIconLoader loader;
    loader.available = {TipIconKind::ExtensionSmall, TipIconKind::Program};
    EXPECT_EQ(0x100u, ChooseTipIcon(ID_VKONTAKTE_GROUP, loader)) << "editor icon and web slot missing";
    EXPECT_EQ(
        (std::vector<TipIconKind>{TipIconKind::EditorIcon, TipIconKind::MenuItemSlot, TipIconKind::ExtensionSmall}),
        loader.asked);
    loader.available.clear();
    EXPECT_EQ(kMenuTipInfoIcon, ChooseTipIcon(ID_PANE_COPY, loader)) << "nothing loads: the info icon";
}

// The real loader on the test program: resources it lacks fall through to the shell's
// icons, and an icon once loaded is kept.
TEST(MenuTipIcons, RealLoaderKeepsWhatItLoads) {
    CMenuToolTipVXLClient tip(nullptr, nullptr, nullptr, nullptr);
    const MenuTipIcon folder = tip.GetTipIcon(ID_OPEN_PHRASES_FOLDER);
    EXPECT_NE(kMenuTipInfoIcon, folder);
    EXPECT_EQ(folder, tip.GetTipIcon(ID_OPEN_PHRASES_FOLDER));
    const MenuTipIcon web = tip.GetTipIcon(ID_VISIT_FORUM);
    EXPECT_NE(kMenuTipInfoIcon, web) << "the .html type's icon when the web resource is missing";
}

BITMAPINFO Icon16Info() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

// A 16-pixel icon with one red pixel in its top-left corner.
HICON MakeCornerIcon() {
    BITMAPINFO info = Icon16Info();
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!color || !bits) return nullptr;
    static_cast<DWORD*>(bits)[0] = 0xFFFF0000;
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    ICONINFO parts = {TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&parts);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

DWORD PixelAt(HICON icon, int x, int y) {
    ICONINFO parts = {};
    if (!GetIconInfo(icon, &parts)) return 0;
    BITMAPINFO info = Icon16Info();
    std::vector<DWORD> pixels(256);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, parts.hbmColor, 0, 16, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    return pixels[static_cast<size_t>(y) * 16 + x] & 0xFFFFFF;
}

// The turned icons of the Multi Copy items: a quarter turn takes the top-left corner to
// the bottom-left, two turns to the bottom-right.
TEST(MenuTipIcons, TurnedIconsTurnAsThePaneTurnsThem) {
    CIconHandle corner(MakeCornerIcon());
    ASSERT_TRUE(corner);
    ASSERT_EQ(0xFF0000u, PixelAt(corner.get(), 0, 0));
    CIconHandle quarter(CreateRotatedIcon(corner.get()));
    ASSERT_TRUE(quarter);
    EXPECT_EQ(0xFF0000u, PixelAt(quarter.get(), 0, 15));
    EXPECT_EQ(0u, PixelAt(quarter.get(), 0, 0));
    CIconHandle half(CreateRotatedIcon(quarter.get()));
    EXPECT_EQ(0xFF0000u, PixelAt(half.get(), 15, 15));
}

// ---------------------------------------------------------------------------------------
// The tray window

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

std::wstring TipText(HWND tip, HWND owner) {
    std::vector<wchar_t> buffer(8192, L'\0');
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(owner);
    tool.lpszText = buffer.data();
    SendMessageW(tip, TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&tool));
    return buffer.data();
}

class TrayMenuTip : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testkit::MakeUniqueTempFolder(L"traymenutip");
        SetProgramFolderForTest(m_folder);
        SetProfileFolderForTest(m_folder + L"\\profile");
        m_exit.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_tray = std::make_unique<CVXLTrayWnd>(m_exit.get(), true, nullptr);
        m_tray->SetMenuTipDelay(std::make_unique<CManualDelay>(m_waits));
        ASSERT_TRUE(m_tray->Create(GetModuleHandleW(nullptr)));
    }
    void TearDown() override {
        if (m_tray && IsWindow(m_tray->m_hWnd)) DestroyWindow(m_tray->m_hWnd);
        PumpPending();
        SetProgramFolderForTest(L"");
        SetProfileFolderForTest(L"");
        testkit::RemoveTree(m_folder);
    }

    CString m_folder;
    CHandle m_exit;
    std::vector<CManualDelay::Wait> m_waits;
    std::unique_ptr<CVXLTrayWnd> m_tray;
};

TEST_F(TrayMenuTip, SelectedItemShowsItsTipUntilTheMenuCloses) {
    CMenuToolTipVXLClient* tip = m_tray->GetMenuToolTip();
    ASSERT_NE(nullptr, tip);
    CTrayMenu menu = m_tray->PrepareTrayMenu();
    ASSERT_NE(nullptr, menu.popup);
    const HWND window = m_tray->m_hWnd;
    SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(ID_START_WITH_WINDOWS, MF_HILITE),
                 reinterpret_cast<LPARAM>(menu.popup));
    SendMessageW(window, WM_MENUSELECT, MAKEWPARAM(ID_FLOAT_PANE, MF_HILITE), reinterpret_cast<LPARAM>(menu.popup));
    ASSERT_EQ(2u, m_waits.size());
    EXPECT_EQ(0u, tip->GetShownId()) << "nothing before the delay";
    RunOutAllDelays(m_waits);
    EXPECT_EQ(static_cast<UINT>(ID_FLOAT_PANE), tip->GetShownId()) << "only the item that stayed selected";
    const std::wstring text = TipText(tip->GetTipWindow(), tip->GetOwnerWindow());
    EXPECT_EQ(0u, text.find(L"Show float panel with clipboard history\n" + kDashes20 +
                            L"\n\u2022 Show the float pane on start: ["))
        << std::string(text.begin(), text.end());

    EXPECT_TRUE(IsWindowVisible(tip->GetTipWindow()));

    SendMessageW(window, WM_VXL_HIDE_MENU_TOOLTIP, 0, 0);
    EXPECT_FALSE(IsWindowVisible(tip->GetTipWindow()));
}

}  // namespace
