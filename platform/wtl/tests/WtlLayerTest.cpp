#include "platform/wtl/AtlApp.h"
#include "platform/wtl/AtlDlg.h"
#include "platform/wtl/AtlWin.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/Logger.h"
#include "testkit/ProgramFolder.h"

namespace {

const UINT kTestDialog = 300;
const int kTestEdit = 301;

std::vector<std::string>* g_events = nullptr;
void Record(const std::string& event) {
    if (g_events) g_events->push_back(event);
}

class CRecordingFilter : public wtl::CMessageFilter {
public:
    CRecordingFilter(const char* name, UINT takes) : m_name(name), m_takes(takes) {}
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message < WM_APP) return FALSE;
        Record(std::string(m_name) + ":" + std::to_string(msg->message - WM_APP));
        return msg->message == m_takes;
    }

private:
    const char* m_name;
    UINT m_takes;
};

class CTestWindow : public wtl::CWindowImplBase {
public:
    BEGIN_MSG_MAP(CTestWindow)
    MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_RANGE_HANDLER(WM_APP, WM_APP + 10, OnApp)
    COMMAND_ID_HANDLER(57665, OnExit)
    END_MSG_MAP()

    bool letSetTextThrough = true;
    bool finalMessageSeen = false;
    HWND quitOnApp = nullptr;

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraWtlTestWindow"; }
    void OnFinalMessage(HWND) override { finalMessageSeen = true; }

private:
    LRESULT OnSetText(UINT, WPARAM, LPARAM, BOOL& handled) {
        Record("settext");
        handled = letSetTextThrough ? FALSE : TRUE;
        return TRUE;
    }
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&) {
        Record("move");
        PostMessage(WM_APP + 1);
        return 0;
    }
    LRESULT OnApp(UINT message, WPARAM, LPARAM, BOOL&) {
        Record("app" + std::to_string(message - WM_APP));
        return message - WM_APP;
    }
    LRESULT OnExit(WORD, WORD id, HWND, BOOL&) {
        Record("command" + std::to_string(id));
        DestroyWindow();
        return 0;
    }
};

// Phase one: three idle calls, then a mouse move (after which idle must stay off),
// which posts an application message (after which idle resumes from count 0).
class CScriptedIdle : public wtl::CIdleHandler {
public:
    explicit CScriptedIdle(HWND window) : m_window(window) {}
    BOOL OnIdle() override {
        Record("idle");
        ++m_calls;
        if (m_calls == 3) {
            PostMessageW(m_window, WM_MOUSEMOVE, 0, 0);
            return FALSE;
        }
        if (m_calls == 4) {
            PostQuitMessage(7);
            return FALSE;
        }
        return TRUE;
    }

private:
    HWND m_window;
    int m_calls = 0;
};

class WtlLayer : public ::testing::Test {
protected:
    void SetUp() override {
        g_events = &events_;
        wtl::Module().Init(GetModuleHandleW(nullptr));
    }
    void TearDown() override {
        g_events = nullptr;
        wtl::Module().Term();
    }
    std::vector<std::string> events_;
};

}  // namespace

TEST_F(WtlLayer, LoopRunsIdleHandlersUntilOneDeclinesAndNotAfterStreamMessages) {
    CTestWindow window;
    ASSERT_NE(nullptr, window.Create(nullptr, RECT{0, 0, 10, 10}, L"t", WS_OVERLAPPED));
    wtl::CMessageLoop loop;
    CScriptedIdle idle(window);
    loop.AddIdleHandler(&idle);
    ASSERT_TRUE(wtl::Module().AddMessageLoop(&loop));
    EXPECT_EQ(&loop, wtl::Module().GetMessageLoop());
    EXPECT_EQ(7, loop.Run());
    EXPECT_TRUE(wtl::Module().RemoveMessageLoop());
    std::vector<std::string> expected = {"idle", "idle", "idle", "move", "app1", "idle"};
    EXPECT_EQ(expected, events_);
    window.DestroyWindow();
}

TEST_F(WtlLayer, FiltersAreAskedLastRegisteredFirstAndATakenMessageIsNotDispatched) {
    CTestWindow window;
    ASSERT_NE(nullptr, window.Create(nullptr, RECT{0, 0, 10, 10}, L"t", WS_OVERLAPPED));
    wtl::CMessageLoop loop;
    CRecordingFilter first("first", 0);
    CRecordingFilter second("second", WM_APP + 2);
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(&second);
    window.PostMessage(WM_APP + 2);
    window.PostMessage(WM_APP + 3);
    PostQuitMessage(0);
    EXPECT_EQ(0, loop.Run());
    std::vector<std::string> expected = {"second:2", "second:3", "first:3", "app3"};
    EXPECT_EQ(expected, events_);

    loop.RemoveMessageFilter(&second);
    events_.clear();
    window.PostMessage(WM_APP + 2);
    PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ((std::vector<std::string>{"first:2", "app2"}), events_);
    window.DestroyWindow();
}

TEST_F(WtlLayer, HandledFlagDecidesWhetherTheDefaultProcedureRuns) {
    CTestWindow window;
    ASSERT_NE(nullptr, window.Create(nullptr, RECT{0, 0, 10, 10}, L"before", WS_OVERLAPPED));
    wchar_t text[32] = {};
    window.letSetTextThrough = false;
    window.SetWindowText(L"swallowed");
    GetWindowTextW(window, text, 32);
    EXPECT_STREQ(L"before", text);
    window.letSetTextThrough = true;
    window.SetWindowText(L"after");
    GetWindowTextW(window, text, 32);
    EXPECT_STREQ(L"after", text);
    EXPECT_EQ(5, window.SendMessage(WM_APP + 5)) << "the handler's result is the message's result";

    HWND raw = window;
    window.SendMessage(WM_COMMAND, MAKEWPARAM(57665, 0), 0);
    EXPECT_FALSE(IsWindow(raw));
    EXPECT_TRUE(window.finalMessageSeen);
    EXPECT_EQ(nullptr, window.m_hWnd);
    EXPECT_EQ((std::vector<std::string>{"settext", "settext", "app5", "command57665"}), events_);
}

TEST_F(WtlLayer, SubclassedControlKeepsItsOwnBehaviourForWhatTheMapLeaves) {
    struct CNoDigitsEdit : wtl::CWindowImplBase {
        BEGIN_MSG_MAP(CNoDigitsEdit)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
        END_MSG_MAP()
        LRESULT OnChar(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
            handled = iswdigit(static_cast<wint_t>(wParam)) ? TRUE : FALSE;
            return 0;
        }
        const wchar_t* GetWndClassName() const override { return L"unused"; }
    };
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    wchar_t text[32] = {};
    {
        CNoDigitsEdit filter;
        ASSERT_TRUE(filter.SubclassWindow(edit));
        EXPECT_FALSE(filter.SubclassWindow(edit));
        for (wchar_t ch : std::wstring(L"a1b2")) SendMessageW(edit, WM_CHAR, ch, 0);
        GetWindowTextW(edit, text, 32);
        EXPECT_STREQ(L"ab", text);
        EXPECT_EQ(edit, filter.UnsubclassWindow());
        SendMessageW(edit, WM_CHAR, L'3', 0);
        GetWindowTextW(edit, text, 32);
        EXPECT_STREQ(L"ab3", text);
        ASSERT_TRUE(filter.SubclassWindow(edit));
    }
    // The filter object is gone: the edit must be whole again and take digits.
    SendMessageW(edit, WM_CHAR, L'4', 0);
    GetWindowTextW(edit, text, 32);
    EXPECT_STREQ(L"ab34", text);
    DestroyWindow(edit);
}

TEST_F(WtlLayer, ModalDialogGetsItsInitParamAndReturnsTheEndCode) {
    struct CTestDialog : wtl::CDialogImplBase {
        CTestDialog() : CDialogImplBase(kTestDialog) {}
        BEGIN_MSG_MAP(CTestDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_APP, OnApp)
        END_MSG_MAP()
        LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
            seenInitParam = lParam;
            SetDlgItemTextW(m_hWnd, kTestEdit, L"typed");
            PostMessage(WM_APP);
            return TRUE;
        }
        LRESULT OnApp(UINT, WPARAM, LPARAM, BOOL&) {
            wchar_t text[16] = {};
            GetDlgItemTextW(m_hWnd, kTestEdit, text, 16);
            editText = text;
            EndDialog(42);
            return 0;
        }
        LPARAM seenInitParam = 0;
        std::wstring editText;
    } dialog;
    EXPECT_EQ(42, dialog.DoModal(nullptr, 1234));
    EXPECT_EQ(1234, dialog.seenInitParam);
    EXPECT_EQ(L"typed", dialog.editText);
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(WtlLayer, ModelessDialogIsDestroyedWithItsObject) {
    struct CModeless : wtl::CDialogImplBase {
        CModeless() : CDialogImplBase(kTestDialog) {}
        BEGIN_MSG_MAP(CModeless)
        END_MSG_MAP()
    };
    HWND window = nullptr;
    {
        CModeless dialog;
        window = dialog.Create(nullptr);
        ASSERT_NE(nullptr, window);
        EXPECT_NE(nullptr, GetDlgItem(window, kTestEdit));
    }
    EXPECT_FALSE(IsWindow(window));
}

namespace {

// The log of one case, read back once every line posted has been written.
class CCaseLogFile {
public:
    CCaseLogFile() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        m_path.Format(L"%svxl_wtl_log_%lu.txt", temp, GetCurrentProcessId());
        DeleteFileW(m_path);
        m_on = LogInit(m_path) == 1;
        EXPECT_TRUE(m_on);
    }
    ~CCaseLogFile() {
        Close();
        DeleteFileW(m_path);
    }
    CCaseLogFile(const CCaseLogFile&) = delete;
    CCaseLogFile& operator=(const CCaseLogFile&) = delete;
    std::wstring Text() {
        Close();
        return static_cast<const wchar_t*>(testkit::ReadUtf16File(m_path));
    }

private:
    void Close() {
        if (!m_on) return;
        EXPECT_TRUE(LogWaitPending(20000));
        LogShutdown();
        m_on = false;
    }
    CString m_path;
    bool m_on = false;
};

const UINT kThrow = WM_APP + 20;
const UINT kAnswer = WM_APP + 21;

class CThrowingWindow : public wtl::CWindowImplBase {
public:
    BEGIN_MSG_MAP(CThrowingWindow)
    MESSAGE_HANDLER(kThrow, OnThrow)
    MESSAGE_HANDLER(kAnswer, OnAnswer)
    MESSAGE_HANDLER(WM_CHAR, OnThrow)
    END_MSG_MAP()
    const wchar_t* GetWndClassName() const override { return L"VexloraWtlThrowingWindow"; }
    LRESULT OnThrow(UINT, WPARAM, LPARAM, BOOL&) { throw std::runtime_error("handler failed"); }
    LRESULT OnAnswer(UINT, WPARAM, LPARAM, BOOL&) { return 77; }
};

}  // namespace

TEST_F(WtlLayer, AnExceptionInAHandlerIsLoggedAndTheWindowGoesOnWithTheDefaultAnswer) {
    CCaseLogFile log;
    {
        SCOPED_TRACE("a window of our own class");
        CThrowingWindow window;
        ASSERT_NE(nullptr, window.Create(nullptr, RECT{0, 0, 10, 10}, L"t", WS_OVERLAPPED));
        EXPECT_EQ(0, window.SendMessage(kThrow)) << "DefWindowProc's answer to an unknown message";
        EXPECT_EQ(77, window.SendMessage(kAnswer));
        EXPECT_TRUE(window.IsWindow());
        window.DestroyWindow();
    }
    {
        SCOPED_TRACE("a subclassed edit: the control's own procedure takes the message");
        HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, edit);
        CThrowingWindow filter;
        ASSERT_TRUE(filter.SubclassWindow(edit));
        SendMessageW(edit, WM_CHAR, L'x', 0);
        wchar_t text[8] = {};
        GetWindowTextW(edit, text, 8);
        EXPECT_STREQ(L"x", text);
        EXPECT_EQ(77, SendMessageW(edit, kAnswer, 0, 0));
        DestroyWindow(edit);
    }
    {
        SCOPED_TRACE("a dialog: FALSE to the dialog manager, then it ends normally");
        struct CThrowingDialog : wtl::CDialogImplBase {
            CThrowingDialog() : CDialogImplBase(kTestDialog) {}
            BEGIN_MSG_MAP(CThrowingDialog)
            MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
            MESSAGE_HANDLER(kThrow, OnThrow)
            MESSAGE_HANDLER(WM_APP, OnApp)
            END_MSG_MAP()
            LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
                PostMessage(WM_APP);
                return TRUE;
            }
            LRESULT OnThrow(UINT, WPARAM, LPARAM, BOOL&) { throw 5; }
            LRESULT OnApp(UINT, WPARAM, LPARAM, BOOL&) {
                thrownAnswer = SendMessage(kThrow);
                EndDialog(9);
                return 0;
            }
            LRESULT thrownAnswer = -1;
        } dialog;
        EXPECT_EQ(9, dialog.DoModal(nullptr));
        EXPECT_EQ(0, dialog.thrownAnswer);
    }
    const std::wstring text = log.Text();
    const std::wstring expected[] = {
        L"wincore::WindowProc: an exception left the handler of message 0x8014 in window class "
        L"VexloraWtlThrowingWindow",
        L"wincore::SubclassedCallback: an exception left the handler of message 0x0102 in window class Edit",
        L"wincore::DialogProc: an exception left the handler of message 0x8014 in window class #32770",
    };
    for (const std::wstring& line : expected)
        EXPECT_NE(std::wstring::npos, text.find(L"ERROR: [" + line + L"]")) << "log:\n" << text;
}

namespace {

const int kButtonId = 40;
const int kPlainId = 41;

// A push button that answers its own clicks, notifications, drawing and colour.
class CSelfishButton : public wtl::CWindowImplBase {
public:
    BEGIN_MSG_MAP(CSelfishButton)
    REFLECTED_COMMAND_CODE_HANDLER(BN_CLICKED, OnClicked)
    REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
    MESSAGE_HANDLER(REFLECTED(WM_DRAWITEM), OnDrawItem)
    MESSAGE_HANDLER(REFLECTED(WM_MEASUREITEM), OnMeasureItem)
    MESSAGE_HANDLER(REFLECTED(WM_CTLCOLORBTN), OnColor)
    END_MSG_MAP()
    const wchar_t* GetWndClassName() const override { return L"unused"; }

    LRESULT OnClicked(WORD, WORD id, HWND control, BOOL&) {
        Record("child clicked " + std::to_string(id) + (control == m_hWnd ? " by itself" : " by another"));
        return 0;
    }
    LRESULT OnCustomDraw(int, NMHDR* header, BOOL&) {
        Record(header->hwndFrom == m_hWnd ? "child notify" : "child notify from another");
        return CDRF_SKIPDEFAULT;
    }
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM, BOOL&) {
        Record("child draw");
        return TRUE;
    }
    LRESULT OnMeasureItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 33;
        Record("child measure");
        return TRUE;
    }
    LRESULT OnColor(UINT, WPARAM, LPARAM, BOOL&) {
        Record("child colour");
        return reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
    }
};

class CReflectingParent : public wtl::CWindowImplBase {
public:
    BEGIN_MSG_MAP(CReflectingParent)
    REFLECT_NOTIFICATIONS()
    COMMAND_RANGE_HANDLER(kButtonId, kPlainId, OnCommand)
    MESSAGE_HANDLER(WM_NOTIFY, OnOther)
    MESSAGE_HANDLER(WM_DRAWITEM, OnOther)
    MESSAGE_HANDLER(WM_MEASUREITEM, OnOther)
    END_MSG_MAP()
    const wchar_t* GetWndClassName() const override { return L"VexloraWtlReflectingParent"; }

    LRESULT OnCommand(WORD, WORD id, HWND, BOOL&) {
        Record("parent command " + std::to_string(id));
        return 0;
    }
    LRESULT OnOther(UINT message, WPARAM, LPARAM, BOOL&) {
        Record("parent " + std::to_string(message));
        return 5;
    }
};

}  // namespace

TEST_F(WtlLayer, AChildControlsNotificationsReachItsOwnObjectThroughReflection) {
    CReflectingParent parent;
    ASSERT_NE(nullptr, parent.Create(nullptr, RECT{0, 0, 200, 100}, L"p", WS_OVERLAPPEDWINDOW));
    HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr, nullptr);
    HWND plain = CreateWindowExW(0, L"BUTTON", L"q", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 60, 0, 50, 20, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPlainId)), nullptr, nullptr);
    ASSERT_NE(nullptr, button);
    ASSERT_NE(nullptr, plain);
    CSelfishButton child;
    ASSERT_TRUE(child.SubclassWindow(button));

    // A real click: the button control itself sends BN_CLICKED to its parent.
    SendMessageW(button, BM_CLICK, 0, 0);
    SendMessageW(plain, BM_CLICK, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"child clicked 40 by itself", "parent command 41"}), events_);

    struct Case {
        const char* name;
        UINT message;
        HWND from;
        LRESULT answer;
        const char* event;
    };
    NMHDR header = {};
    header.code = NM_CUSTOMDRAW;
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_BUTTON;
    const Case cases[] = {
        {"notify from the child", WM_NOTIFY, button, CDRF_SKIPDEFAULT, "child notify"},
        {"notify from a control without object", WM_NOTIFY, plain, 5, "parent 78"},
        {"draw of the child", WM_DRAWITEM, button, TRUE, "child draw"},
        {"draw of a menu item", WM_DRAWITEM, nullptr, 5, "parent 43"},
        {"measure of the child", WM_MEASUREITEM, button, TRUE, "child measure"},
        {"colour of the child", WM_CTLCOLORBTN, button, reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)),
         "child colour"},
        // The default procedure's brush, whatever it is, but not the child's.
        {"colour of a control without object", WM_CTLCOLORBTN, plain, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events_.clear();
        LPARAM lParam = reinterpret_cast<LPARAM>(c.from);
        WPARAM wParam = 0;
        if (c.message == WM_NOTIFY) {
            header.hwndFrom = c.from;
            header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(c.from));
            wParam = header.idFrom;
            lParam = reinterpret_cast<LPARAM>(&header);
        } else if (c.message == WM_DRAWITEM) {
            draw.CtlType = c.from ? ODT_BUTTON : ODT_MENU;
            draw.hwndItem = c.from;
            wParam = c.from ? kButtonId : 0;
            lParam = reinterpret_cast<LPARAM>(&draw);
        } else if (c.message == WM_MEASUREITEM) {
            measure.CtlID = kButtonId;
            measure.itemHeight = 0;
            wParam = kButtonId;
            lParam = reinterpret_cast<LPARAM>(&measure);
        }
        const LRESULT answer = parent.SendMessage(c.message, wParam, lParam);
        if (c.answer == -1) {
            EXPECT_NE(reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)), answer);
        } else {
            EXPECT_EQ(c.answer, answer);
        }
        std::vector<std::string> expected;
        if (*c.event) expected.push_back(c.event);
        EXPECT_EQ(expected, events_);
        if (c.message == WM_MEASUREITEM) {
            EXPECT_EQ(33u, measure.itemHeight);
        }
    }
    parent.DestroyWindow();
}

TEST_F(WtlLayer, CommandRangesNotificationsByIdAndChainedMembersFindTheirHandlers) {
    struct CPart : wtl::CMessageMap {
        BEGIN_MSG_MAP(CPart)
        MESSAGE_HANDLER(WM_APP + 30, OnPart)
        END_MSG_MAP()
        LRESULT OnPart(UINT, WPARAM, LPARAM, BOOL&) {
            Record("member");
            return 30;
        }
    };
    struct CMapped : wtl::CWindowImplBase {
        BEGIN_MSG_MAP(CMapped)
        COMMAND_RANGE_HANDLER(100, 110, OnRange)
        NOTIFY_HANDLER(7, NM_CLICK, OnClick)
        CHAIN_MSG_MAP_MEMBER(part)
        END_MSG_MAP()
        const wchar_t* GetWndClassName() const override { return L"VexloraWtlMapped"; }
        LRESULT OnRange(WORD code, WORD id, HWND, BOOL&) {
            Record("range " + std::to_string(id) + "/" + std::to_string(code));
            return 0;
        }
        LRESULT OnClick(int id, NMHDR* header, BOOL&) {
            Record("click " + std::to_string(id) + "/" + std::to_string(header->idFrom));
            return 12;
        }
        CPart part;
    } window;
    ASSERT_NE(nullptr, window.Create(nullptr, RECT{0, 0, 10, 10}, L"t", WS_OVERLAPPED));

    struct Case {
        UINT message;
        WPARAM wParam;
        UINT_PTR notifyId;
        UINT notifyCode;
        LRESULT answer;
        const char* event;
    };
    const Case cases[] = {
        {WM_COMMAND, MAKEWPARAM(100, 0), 0, 0, 0, "range 100/0"},
        {WM_COMMAND, MAKEWPARAM(107, 1), 0, 0, 0, "range 107/1"},
        {WM_COMMAND, MAKEWPARAM(110, EN_CHANGE), 0, 0, 0, "range 110/768"},
        {WM_COMMAND, MAKEWPARAM(99, 0), 0, 0, 0, ""},
        {WM_COMMAND, MAKEWPARAM(111, 0), 0, 0, 0, ""},
        {WM_NOTIFY, 7, 7, NM_CLICK, 12, "click 7/7"},
        {WM_NOTIFY, 8, 8, NM_CLICK, 0, ""},
        {WM_NOTIFY, 7, 7, NM_DBLCLK, 0, ""},
        {WM_APP + 30, 0, 0, 0, 30, "member"},
        {WM_APP + 31, 0, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.message) + " " + std::to_string(c.wParam));
        events_.clear();
        NMHDR header = {};
        header.idFrom = c.notifyId;
        header.code = c.notifyCode;
        LPARAM lParam = c.message == WM_NOTIFY ? reinterpret_cast<LPARAM>(&header) : 0;
        EXPECT_EQ(c.answer, window.SendMessage(c.message, c.wParam, lParam));
        std::vector<std::string> expected;
        if (*c.event) expected.push_back(c.event);
        EXPECT_EQ(expected, events_);
    }
    window.DestroyWindow();
}
