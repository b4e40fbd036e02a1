// The texts and the icon choice of the tips of the tray window's menus (the tray menu,
// its submenus and the float pane's menus). Everything live that a text shows comes
// through ITipFacts, so the texts are built and tested without the program around them;
// the icons are described here as an order of sources and loaded by the tip itself.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

// The pane-menu commands and the system report's commands, by the ids their tips use.
const UINT ID_REPORT_MSINFO = 331;
const UINT ID_REPORT_ZIP_LOG = 259;
const UINT ID_REPORT_COPY_ALL = 1002;
const UINT ID_EMPTY_CLIPBOARD = 32813;
const UINT ID_PANE_SAVE = 32795;
const UINT ID_PANE_PROTECT = 32794;
const UINT ID_PANE_COPY_PLAIN = 32797;
const UINT ID_PANE_OPEN_AS_URL = 32806;
const UINT ID_UNDO = 32838;
const UINT ID_PANE_SEARCH_FIRST = 32840;
const UINT ID_PANE_SEARCH_LAST = 32843;
const UINT ID_PANE_EDIT_WITH_NOTEPAD = 32845;
const UINT ID_PANE_RUN = 32821;
const UINT ID_PANE_OPEN_WITH = 32846;
const UINT ID_PANE_COPY_SOURCE_URL = 32847;
const UINT ID_PANE_OPEN_SOURCE_URL = 32848;
const UINT ID_PANE_COPY_RTF = 32849;
const UINT ID_PANE_COPY_HTML = 32851;
const UINT ID_PANE_UPSIDE_DOWN = 32858;
const UINT ID_PANE_COPY_HTML_CODE = 32860;
const UINT ID_COPY_EXCLUDE_SYMBOLS = 32864;
const UINT ID_PANE_MULTI_COPY = 32872;

// The settings a tip shows, read once per text.
struct CTipSettings {
    bool writeLog = false;
    bool sounds = false;
    bool paneOnStart = false;
    bool pinnedOnStart = false;
    bool muted = false;
    bool clipboardHistory = false;
    bool formats[5] = {};
    bool autoCheckForUpdates = false;
    int historyMax = 0;
    int spyMethod = -1;
    DWORD autoLoadDelaySeconds = 0;
    DWORD daysCheckForUpdates = 0;
};

// A clipboard-history item as its tip shows it.
struct CTipHistoryItem {
    int kind = 0;
    CString text;  // already plain text for the text kinds and the sister data
    CString windowTitle;
    CString programFile;
    CString captureTime;  // the capture's date and time text
    CString metaText;     // the sister data's meta information
};

// The latest undo record of the clipboard history.
struct CTipUndoRecord {
    DWORD ageMs = 0;
    CString description;
    CString timeText;
};

// What the texts read of the program. Each answer is asked for when a text needs it.
class ITipFacts {
public:
    virtual ~ITipFacts() = default;
    // The whole UI string of the id.
    virtual CString UiString(UINT id) = 0;
    // The item text of the id in the open menu; empty without one.
    virtual CString OpenMenuText(UINT id) = 0;
    // The translated text of the command in the menu resource.
    virtual CString TranslatedMenuText(UINT menuResource, UINT id) = 0;
    virtual CTipSettings Settings() = 0;

    virtual CString HotKeyText() = 0;
    virtual bool HotKeyRegistered() = 0;
    // Included records, then all records.
    virtual void PhraseCounts(int& included, int& total) = 0;
    virtual bool AutostartSet() = 0;
    // The one-line address that the command opens; empty for none.
    virtual CString WebAddress(UINT id) = 0;
    virtual CString LanguageItemTip(UINT id) = 0;

    virtual CString PhrasesFolder() = 0;
    // "%DEFAULT_FOLDER%" or the folder.
    virtual CString PhrasesFolderText() = 0;
    virtual CString HistoryFolder() = 0;
    virtual CString SettingsFilePath() = 0;
    virtual CString LogReportPath() = 0;
    virtual CString StatisticsFilePath() = 0;
    virtual CString MsInfoPath() = 0;
    virtual CString SystemFolder() = 0;
    virtual bool FolderAccess(const CString& folder, bool write) = 0;
    virtual CString NotepadPath() = 0;
    virtual CString BinaryTypeName(const CString& path) = 0;

    // The float pane's focused item: its short text (empty when the pane is not shown),
    // its text in a form (0 plain, 1 HTML, 2 source address) and the program that opens it.
    virtual CString FocusedItemShortText() = 0;
    virtual CString FocusedItemText(int form) = 0;
    virtual CString FocusedItemOpener() = 0;

    virtual CString ClipboardUnicodeText() = 0;
    // The registered "Rich Text Format", CF_TEXT and the registered HTML format.
    virtual void ClipboardFormats(bool& rtf, bool& text, bool& html) = 0;

    // The clipboard-history handler's tracking method (0 to 3) and the system's counter.
    virtual int TrackingMethod() = 0;
    virtual DWORD ClipboardSequenceNumber() = 0;
    virtual bool HistoryItem(int index, CTipHistoryItem& item) = 0;
    virtual bool LatestUndo(CTipUndoRecord& record) = 0;
    virtual CString ElapsedText(DWORD ms) = 0;

    // The update check: the last check with its day name, the next one (empty when
    // unknown), the latest version found and this program's version with its build.
    virtual CString LastUpdateCheckText() = 0;
    virtual CString NextUpdateCheckText(DWORD days) = 0;
    virtual CString LatestFoundVersion() = 0;
    virtual CString VersionWithBuild() = 0;
    // The about tip: the version with the product name, the build date, the lines of the
    // sibling files, the date text of a day and the collected start-up errors.
    virtual CString ProductVersionText() = 0;
    virtual CString BuildDateText() = 0;
    virtual std::vector<CString> SiblingFileLines() = 0;
    virtual CString DateText(const SYSTEMTIME& day) = 0;
    virtual int CollectedErrorCount() = 0;

    virtual CString CommandLineKeysText() = 0;
    virtual CString FileNameReplacementsText() = 0;
    virtual CString PrivilegesText() = 0;
};

// The connection of the clipboard-history service: none, an error, not connected.
enum TipConnectionState { kTipConnected = 0, kTipConnectionError = 1, kTipNotConnected = 2 };

class CMenuTipTexts {
public:
    explicit CMenuTipTexts(ITipFacts& facts) : m_facts(facts) {}

    void SetConnectionState(int state, const CString& errorText) {
        m_connection = state;
        m_connectionError = errorText;
    }

    // The body of the id's tip and, for a few ids, its title (empty otherwise).
    void GetMenuTipText(CString& text, UINT id, CString& title);
    void GetTipStringForClipboardHistory(CString& text, UINT id, CString& title);
    void GetClipboardTrackingTip(CString& text);
    void BuildClipboardHistoryStateTip(CString& text, bool historyOn);

private:
    CString CommandText(UINT id);
    CString OnOff(bool on);
    void AppendAccessLines(CString& text, const CString& folder);
    void AppendSavedFormatsLine(CString& text);
    void AppendItemPreview(CString& text, int form);
    CString TrackingMethodText();
    CString PhrasesFolderTip();
    CString AutostartTip();
    CString UndoTip();
    CString UpdateTip();
    CString AboutTip();
    CString FloatPaneTip();
    CString AdministratorText();
    CString ClipboardPreview();
    CString ClipboardFormatList();
    CString ExtraLine(UINT id);
    CString TableText(UINT id, CString& title);

    ITipFacts& m_facts;
    int m_connection = kTipNotConnected;
    CString m_connectionError;
};

// The focused item's text as its preview shows it: for HTML (form 1) the fragment between
// the clipboard markers, trimmed, and a text of more than 100 characters as its first and
// last 50 around a mark (one line for the address form 2).
CString MakeHtmlFragmentPreview(const CString& text, int form);
// A clipboard text as one line: trailing breaks gone, cut at the first break or tab left.
CString MakeClipboardPreview(const CString& text);
// The name of a GetBinaryTypeW type; "Wow! Unknown binary type" for an unknown one.
CString BinaryTypeToName(DWORD type);
// "x32", "x64" and the like for the file; empty when GetBinaryTypeW fails.
CString GetBinaryTypeName(const CString& path);

// Where a tip's icon comes from; tried in the order GetTipIconPlan gives.
enum class TipIconKind {
    EditorIcon,       // index: the phrase editor's icon 0, 1 or 2
    SystemFile,       // name: the shell's icon of a file in the system folder
    EditorProgram,    // the phrase editor program's icon
    Resource16,       // resource at 16 pixels
    ResourceSized,    // resource at `size` pixels
    RotatedResource,  // resource at 16 pixels, turned `turns` quarter turns
    TextFile,         // Notepad's icon, else the ".txt" type's
    ExtensionLarge,   // name: the type's large icon
    ExtensionSmall,   // name: the type's small icon
    SystemDllIcon,    // name: icon `resource` of a system library
    Video,            // the video files' icon
    Administrator,    // resource 249, else winver's icon
    Welcome,          // the welcome program's icon
    Notepad,          // the Notepad file's icon
    Opener,           // the program that opens the pane's focused item
    Folder,           // a folder's icon
    MenuItemSlot,     // resource: a menu-item icon filled when the tip was made
    Program,          // the program icon at 32, else 16 pixels
};

struct TipIconSource {
    TipIconKind kind;
    UINT resource = 0;
    int size = 16;
    int turns = 0;
    const wchar_t* name = nullptr;
};

// The sources for the id in order; the program icon ends every list, the info icon comes
// after a list that gave nothing.
std::vector<TipIconSource> GetTipIconPlan(UINT id);
// The menu-item icons made when the tip window is created: the web icon and the four
// search icons.
std::vector<UINT> GetTipMenuItemSlots();
