#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Handles.h"
#include "pages/HtmlHost.h"
#include "platform/htmlayout/HtmlView.h"
#include "platform/htmlayout/tests/PageWindow.h"

namespace {

// Records what the host reports and answers as told.
class CRecordingOwner : public IHtmlHostEvents {
public:
    bool OnPageMouseDown(bool onControl) override {
        mouseDowns.push_back(onControl);
        return false;
    }
    void OnPageMouseMove(UINT controlType, const CString& href) override {
        lastMoveType = controlType;
        lastMoveHref = href;
    }
    bool OnHyperlinkClick(const CString& href) override {
        links.push_back(href);
        return consumeLinks;
    }
    void OnButtonStateChanged() override { ++stateChanges; }
    bool OnLoadData(const CString& uri, UINT dataType, std::vector<BYTE>& data) override {
        requests.push_back(uri);
        requestTypes.push_back(dataType);
        if (answer.empty()) return false;
        data.assign(answer.begin(), answer.end());
        return true;
    }

    std::vector<bool> mouseDowns;
    UINT lastMoveType = 99;
    CString lastMoveHref;
    std::vector<CString> links;
    bool consumeLinks = false;
    int stateChanges = 0;
    std::vector<CString> requests;
    std::vector<UINT> requestTypes;
    std::string answer;
};

class HostTest : public testing::Test {
protected:
    HostTest()
        : m_parent(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr, nullptr, nullptr)),
          m_host(&m_owner) {}

    HWND CreatePage() {
        const RECT r = {10, 20, 410, 320};
        return m_host.Create(m_parent.get(), &r, L"page", WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE,
                             reinterpret_cast<HMENU>(1012), nullptr);
    }

    bool Load(const std::string& html, LPCWSTR base = nullptr) {
        return m_host.LoadHtml(reinterpret_cast<const BYTE*>(html.data()), static_cast<UINT>(html.size()), base) !=
               FALSE;
    }

    POINT Centre(LPCWSTR id) {
        HELEMENT root = nullptr;
        HTMLayoutGetRootElement(m_host.m_hWnd, &root);
        HELEMENT found = htmltest::FindFirst(root, nullptr, "id", id);
        RECT r = {};
        EXPECT_TRUE(hl::GetElementClientRect(found, &r)) << id;
        return {r.left + 4, (r.top + r.bottom) / 2};
    }

    void Click(POINT pt) {
        SendMessageW(m_host.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        SendMessageW(m_host.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    }

    CWindowHandle m_parent;
    CRecordingOwner m_owner;
    HTMLayoutHost m_host;
};

const char kPage[] =
    "<body style='margin:0'><p id=text>plain</p>"
    "<widget type=checkbox id=CFUAutoCheck checked><STRONG id=label>auto</STRONG></widget>"
    "<INPUT type=number id=CFUDaysNumber minvalue=1 maxvalue=30 value=12>"
    "<p><a id=web href='http://example.org/'>web</a> <a id=jump href='#end'>jump</a>"
    " <a href='http://example.org/bold'><b id=bold>bold link</b></a></p>"
    "<div style='height: 1000px'></div><a name=end></a><p>end</p><div style='height: 1000px'></div>";

TEST_F(HostTest, CreatesTheEngineWindowWhereAsked) {
    HWND page = CreatePage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(m_host.m_hWnd, page);
    wchar_t name[64] = {};
    GetClassNameW(page, name, 64);
    EXPECT_STREQ(name, HTMLayoutClassNameW());
    EXPECT_EQ(GetDlgCtrlID(page), 1012);
    EXPECT_TRUE(GetWindowLongW(page, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT r;
    GetWindowRect(page, &r);
    MapWindowPoints(nullptr, m_parent.get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 400);

    HTMLayoutHost empty;
    HWND zero = empty.Create(m_parent.get(), nullptr, L"", WS_CHILD, 0, nullptr, nullptr);
    ASSERT_NE(zero, nullptr);
    GetWindowRect(zero, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);

    HTMLayoutHost orphan;
    EXPECT_EQ(orphan.Create(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)), nullptr, L"", WS_CHILD, 0, nullptr,
                            nullptr),
              nullptr);
    EXPECT_FALSE(orphan.LoadHtml(reinterpret_cast<const BYTE*>("x"), 1, nullptr));
}

TEST_F(HostTest, ReachesElementsById) {
    CreatePage();
    ASSERT_TRUE(Load(kPage));
    UINT state = 0;
    ASSERT_TRUE(m_host.GetElementState(L"CFUAutoCheck", state));
    EXPECT_TRUE(state & STATE_CHECKED);
    int value = 0;
    ASSERT_TRUE(m_host.GetElementInt(L"CFUAutoCheck", value));
    EXPECT_EQ(value, 1);
    ASSERT_TRUE(m_host.GetElementInt(L"CFUDaysNumber", value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(m_host.SetElementState(L"CFUDaysNumber", STATE_DISABLED, 0));
    ASSERT_TRUE(m_host.GetElementState(L"CFUDaysNumber", state));
    EXPECT_TRUE(state & STATE_DISABLED);
    EXPECT_TRUE(m_host.SetElementStyle(L"text", "color", L"gray"));
    EXPECT_TRUE(m_host.SetElementStyle(L"text", nullptr, nullptr));
    EXPECT_FALSE(m_host.HasElement(L"missing"));
    EXPECT_FALSE(m_host.GetElementState(L"missing", state));
    EXPECT_FALSE(m_host.SetElementStyle(L"missing", "color", L"red"));
    EXPECT_FALSE(m_host.GetElementInt(L"text", value));  // not a control with a number
}

TEST_F(HostTest, ReportsClicksToItsOwner) {
    CreatePage();
    ASSERT_TRUE(Load(kPage));
    Click(Centre(L"text"));
    Click(Centre(L"CFUAutoCheck"));
    Click(Centre(L"label"));  // the label inside the check box counts as the check box
    ASSERT_EQ(m_owner.mouseDowns.size(), 3u);
    EXPECT_FALSE(m_owner.mouseDowns[0]);
    EXPECT_TRUE(m_owner.mouseDowns[1]);
    EXPECT_TRUE(m_owner.mouseDowns[2]);
    EXPECT_EQ(m_owner.stateChanges, 2);
    UINT state = 0;
    m_host.GetElementState(L"CFUAutoCheck", state);
    EXPECT_TRUE(state & STATE_CHECKED);

    Click(Centre(L"web"));
    ASSERT_EQ(m_owner.links.size(), 1u);
    EXPECT_EQ(m_owner.links[0], L"http://example.org/");

    SendMessageW(m_host.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(Centre(L"web").x, Centre(L"web").y));
    EXPECT_EQ(m_owner.lastMoveType, static_cast<UINT>(CTL_HYPERLINK));
    EXPECT_EQ(m_owner.lastMoveHref, L"http://example.org/");
    SendMessageW(m_host.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(Centre(L"bold").x, Centre(L"bold").y));
    EXPECT_EQ(m_owner.lastMoveType, static_cast<UINT>(CTL_HYPERLINK));
    EXPECT_EQ(m_owner.lastMoveHref, L"http://example.org/bold");
    SendMessageW(m_host.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(Centre(L"text").x, Centre(L"text").y));
    EXPECT_EQ(m_owner.lastMoveType, static_cast<UINT>(CTL_NO));
    EXPECT_TRUE(m_owner.lastMoveHref.IsEmpty());
}

TEST_F(HostTest, AConsumedAnchorClickDoesNotJump) {
    const struct {
        bool consume;
        bool jumps;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        HTMLayoutHost host(&m_owner);
        const RECT r = {0, 0, 400, 300};
        host.Create(m_parent.get(), &r, L"", WS_CHILD | WS_VISIBLE, 0, nullptr, nullptr);
        m_host.m_hWnd = host.m_hWnd;  // for the helpers
        m_owner.consumeLinks = c.consume;
        ASSERT_TRUE(host.LoadHtml(reinterpret_cast<const BYTE*>(kPage), sizeof kPage - 1, nullptr));
        Click(Centre(L"jump"));
        EXPECT_EQ(m_owner.links.back(), L"#end");
        EXPECT_EQ(hl::GetScrollPosition(host.m_hWnd) > 0, c.jumps);
        DestroyWindow(host.m_hWnd);
    }
}

TEST_F(HostTest, RelativeResourcesAreAskedForWithTheBase) {
    CreatePage();
    m_owner.answer = "p { display: none }";
    ASSERT_TRUE(Load("<link rel=stylesheet href=ext_style.css><img src=img/logo.png><p id=text>x</p>",
                     L"C:\\Program Files\\Vexlora\\HTML\\en\\welcome.html"));
    ASSERT_EQ(m_owner.requests.size(), 2u);
    EXPECT_EQ(m_owner.requests[0], L"C:\\Program Files\\Vexlora\\HTML\\en\\ext_style.css");
    EXPECT_EQ(m_owner.requestTypes[0], static_cast<UINT>(HLRT_DATA_STYLE));
    EXPECT_EQ(m_owner.requests[1], L"C:\\Program Files\\Vexlora\\HTML\\en\\img\\logo.png");
    EXPECT_EQ(m_owner.requestTypes[1], static_cast<UINT>(HLRT_DATA_IMAGE));
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(m_host.m_hWnd, &root);
    RECT r;
    HELEMENT text = htmltest::FindFirst(root, "p", nullptr, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(hl::GetElementClientRect(text, &r));  // hidden by the answered sheet

    m_owner.requests.clear();
    ASSERT_TRUE(Load("<link rel=stylesheet href=ext_style.css>"));
    ASSERT_EQ(m_owner.requests.size(), 1u);
    EXPECT_EQ(m_owner.requests[0], L"ext_style.css");  // no base: as written
}

}  // namespace
