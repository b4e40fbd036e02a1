#include "platform/wtl/WtlLayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
