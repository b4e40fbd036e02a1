#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/htmlayout/HtmlCss.h"
#include "platform/htmlayout/HtmlDom.h"
#include "platform/htmlayout/HtmlPaint.h"
#include "platform/htmlayout/tests/PageWindow.h"

namespace {

using htmltest::CEventLog;
using htmltest::CPageWindow;

const char kForm[] =
    "<html><head><style>body { margin: 0; font: 12px Tahoma } #anchor_target { margin-top: 900px }</style></head>"
    "<body><p id=dup>first</p><div id=dup>second</div>"
    "<widget type=checkbox checked=\"true\" ID=\"CFUAutoCheck\"><STRONG>Check automatically</STRONG></widget>"
    "<widget type=checkbox ID=unticked>off</widget>"
    "<SPAN id=cfu_days_text>Check every days</SPAN>"
    "<INPUT type=number ID=\"CFUDaysNumber\" step=1 maxvalue=30 minvalue=1 size=3 Value=7></INPUT>"
    "<p><a id=jump href=\"#latest_news\">to the news</a> <a id=web href=\"http://example.org/\">web</a></p>"
    "<p id=plain>plain text</p>"
    "<div id=anchor_target><A NAME=\"latest_news\"></A><H1 id=news>Latest News</H1></div>"
    "<div style='height: 600px'>more news</div>"
    "</body></html>";

UINT State(HELEMENT he) {
    UINT state = 0;
    EXPECT_EQ(HTMLayoutGetElementState(he, &state), HLDOM_OK);
    return state;
}

int IntValue(HELEMENT he) {
    VALUE v;
    ValueInit(&v);
    EXPECT_EQ(HTMLayoutControlGetValue(he, &v), HLDOM_OK);
    INT n = -1;
    EXPECT_EQ(ValueIntData(&v, &n), static_cast<UINT>(HV_OK));
    ValueClear(&v);
    return n;
}

TEST(PageDom, FindsReadsAndWritesElements) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    HELEMENT dup = page.Id(L"dup");
    ASSERT_NE(dup, nullptr);
    LPCWSTR text = nullptr;
    EXPECT_EQ(HTMLayoutGetAttributeByName(dup, "ID", &text), HLDOM_OK);
    EXPECT_STREQ(text, L"dup");
    VALUE v;
    ValueInit(&v);
    HTMLayoutControlGetValue(dup, &v);
    LPCWSTR chars = nullptr;
    UINT length = 0;
    ASSERT_EQ(ValueStringData(&v, &chars, &length), static_cast<UINT>(HV_OK));
    EXPECT_EQ(std::wstring(chars, length), L"first");
    ValueClear(&v);

    EXPECT_EQ(HTMLayoutSetAttributeByName(dup, "title", L"tip"), HLDOM_OK);
    EXPECT_EQ(HTMLayoutGetAttributeByName(dup, "title", &text), HLDOM_OK);
    EXPECT_STREQ(text, L"tip");
    EXPECT_EQ(HTMLayoutSetAttributeByName(dup, "title", nullptr), HLDOM_OK);
    EXPECT_EQ(HTMLayoutGetAttributeByName(dup, "title", &text), HLDOM_OK_NOT_HANDLED);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(page.Id(L"nothing"), nullptr);
    EXPECT_EQ(HTMLayoutGetAttributeByName(nullptr, "id", &text), HLDOM_INVALID_HANDLE);
}

TEST(PageDom, StatesControlTypesAndValues) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    const struct {
        const wchar_t* id;
        UINT type;
    } types[] = {{L"CFUAutoCheck", CTL_CHECKBOX},
                 {L"CFUDaysNumber", CTL_NUMERIC},
                 {L"jump", CTL_HYPERLINK},
                 {L"plain", CTL_NO},
                 {L"cfu_days_text", CTL_NO}};
    for (const auto& t : types) {
        UINT type = 99;
        EXPECT_EQ(HTMLayoutControlGetType(page.Id(t.id), &type), HLDOM_OK);
        EXPECT_EQ(type, t.type) << t.id;
    }
    EXPECT_EQ(State(page.Id(L"CFUAutoCheck")) & STATE_CHECKED, static_cast<UINT>(STATE_CHECKED));
    EXPECT_EQ(State(page.Id(L"unticked")) & STATE_CHECKED, 0u);
    EXPECT_EQ(IntValue(page.Id(L"CFUAutoCheck")), 1);
    EXPECT_EQ(IntValue(page.Id(L"CFUDaysNumber")), 7);

    HELEMENT days = page.Id(L"CFUDaysNumber");
    EXPECT_EQ(HTMLayoutSetElementState(days, STATE_DISABLED, 0, TRUE), HLDOM_OK);
    EXPECT_EQ(State(days) & STATE_DISABLED, static_cast<UINT>(STATE_DISABLED));
    EXPECT_EQ(HTMLayoutSetElementState(days, 0, STATE_DISABLED, TRUE), HLDOM_OK);
    EXPECT_EQ(State(days) & STATE_DISABLED, 0u);

    VALUE v;
    ValueInit(&v);
    ValueIntDataSet(&v, 99, T_INT, 0);
    EXPECT_EQ(HTMLayoutControlSetValue(days, &v), HLDOM_OK);
    EXPECT_EQ(IntValue(days), 30);  // clamped to maxvalue
}

TEST(PageDom, ValuesOwnTheirTexts) {
    VALUE a, b;
    ValueInit(&a);
    ValueInit(&b);
    ASSERT_EQ(ValueStringDataSet(&a, L"hello", 5, 0), static_cast<UINT>(HV_OK));
    ASSERT_EQ(ValueCopy(&b, &a), static_cast<UINT>(HV_OK));
    ValueClear(&a);
    LPCWSTR chars = nullptr;
    UINT length = 0;
    ASSERT_EQ(ValueStringData(&b, &chars, &length), static_cast<UINT>(HV_OK));
    EXPECT_EQ(std::wstring(chars, length), L"hello");
    INT n = 0;
    EXPECT_EQ(ValueIntData(&b, &n), static_cast<UINT>(HV_INCOMPATIBLE_TYPE));
    ValueIntDataSet(&b, 5, T_INT, 0);
    UINT type = 0;
    ValueType(&b, &type, nullptr);
    EXPECT_EQ(type, static_cast<UINT>(T_INT));
    ValueClear(&b);
    ValueType(&b, &type, nullptr);
    EXPECT_EQ(type, static_cast<UINT>(T_UNDEFINED));
}

TEST(PageDom, UsedElementsSurviveAReload) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    HELEMENT kept = page.Id(L"plain");
    ASSERT_EQ(HTMLayout_UseElement(kept), HLDOM_OK);
    ASSERT_TRUE(page.Load("<p id=other>new page</p>"));
    LPCWSTR id = nullptr;
    EXPECT_EQ(HTMLayoutGetAttributeByName(kept, "id", &id), HLDOM_OK);
    EXPECT_STREQ(id, L"plain");
    RECT r;
    EXPECT_FALSE(hl::GetElementClientRect(kept, &r));  // no longer shown
    EXPECT_EQ(HTMLayout_UnuseElement(kept), HLDOM_OK);
    EXPECT_NE(page.Id(L"other"), nullptr);
}

TEST(PageStyle, RuntimeStyleIsPaintedAndCleared) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    HELEMENT label = page.Id(L"cfu_days_text");
    const RECT r = page.Rect(label);
    const COLORREF red = RGB(255, 0, 0);
    EXPECT_EQ(page.Paint().Count(r, red), 0);
    EXPECT_EQ(HTMLayoutSetStyleAttribute(label, "color", L"red"), HLDOM_OK);
    EXPECT_GT(page.Paint().Count(r, red), 5);
    EXPECT_EQ(HTMLayoutSetStyleAttribute(label, nullptr, nullptr), HLDOM_OK);
    EXPECT_EQ(page.Paint().Count(r, red), 0);
}

TEST(PageEvents, LinksRaiseTheHyperlinkEventAndAnchorsScroll) {
    const struct {
        bool consume;
        bool scrolls;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        CPageWindow page;
        ASSERT_TRUE(page.Load(kForm));
        CEventLog log;
        log.consumeLinks = c.consume;
        ASSERT_EQ(HTMLayoutWindowAttachEventHandler(page.get(), CEventLog::Proc, &log, HANDLE_ALL), HLDOM_OK);
        HELEMENT jump = page.Id(L"jump");
        const RECT link = page.Rect(jump);
        page.Click({link.left + 2, (link.top + link.bottom) / 2});
        ASSERT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, HYPERLINK_CLICK | SINKING), 1u);
        const auto& e = *std::find_if(log.events.begin(), log.events.end(),
                                      [](const CEventLog::Event& ev) { return ev.cmd == (HYPERLINK_CLICK | SINKING); });
        EXPECT_EQ(e.target, jump);
        EXPECT_EQ(e.href, L"#latest_news");
        EXPECT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, HYPERLINK_CLICK), c.consume ? 0u : 1u);
        EXPECT_EQ(hl::GetScrollPosition(page.get()) > 0, c.scrolls);
        if (c.scrolls) {
            EXPECT_LE(std::abs(page.Rect(page.Id(L"news")).top), 40);
        }
    }
}

TEST(PageEvents, CheckBoxTogglesAndReportsTheChange) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    CEventLog log;
    HTMLayoutWindowAttachEventHandler(page.get(), CEventLog::Proc, &log, HANDLE_ALL);
    HELEMENT box = page.Id(L"CFUAutoCheck");
    const RECT r = page.Rect(box);
    const POINT mark = {r.left + 5, (r.top + r.bottom) / 2};
    page.Click(mark);
    EXPECT_EQ(State(box) & STATE_CHECKED, 0u);
    EXPECT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, BUTTON_STATE_CHANGED | SINKING), 1u);
    EXPECT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, BUTTON_STATE_CHANGED), 1u);
    page.Click({r.right - 3, (r.top + r.bottom) / 2});  // on its label
    EXPECT_EQ(State(box) & STATE_CHECKED, static_cast<UINT>(STATE_CHECKED));

    HTMLayoutSetElementState(box, STATE_DISABLED, 0, TRUE);
    page.Click(mark);
    EXPECT_EQ(State(box) & STATE_CHECKED, static_cast<UINT>(STATE_CHECKED));
    EXPECT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, BUTTON_STATE_CHANGED), 2u);
}

TEST(PageEvents, MouseDownReachesTheHandlerFirst) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    CEventLog log;
    log.consumeMouseDown = true;
    HTMLayoutWindowAttachEventHandler(page.get(), CEventLog::Proc, &log, HANDLE_ALL);
    page.Click(page.Centre(page.Id(L"plain")));
    ASSERT_GE(log.Count(HANDLE_MOUSE, MOUSE_DOWN), 1u);
    const auto down = std::find_if(log.events.begin(), log.events.end(),
                                   [](const CEventLog::Event& e) { return e.cmd == MOUSE_DOWN; });
    UINT type = 99;
    HTMLayoutControlGetType(down->target, &type);
    EXPECT_EQ(type, static_cast<UINT>(CTL_NO));
    // A consumed mouse-down keeps the control from acting.
    HELEMENT box = page.Id(L"CFUAutoCheck");
    const RECT r = page.Rect(box);
    page.Click({r.left + 5, (r.top + r.bottom) / 2});
    EXPECT_EQ(State(box) & STATE_CHECKED, static_cast<UINT>(STATE_CHECKED));
    EXPECT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, BUTTON_STATE_CHANGED), 0u);
}

TEST(PageEvents, NumberBoxTakesInputOnlyWhenEnabled) {
    const struct {
        bool disabled;
        int afterSpin;
        int afterTyping;
    } cases[] = {{false, 8, 30}, {true, 7, 7}};
    for (const auto& c : cases) {
        CPageWindow page;
        ASSERT_TRUE(page.Load(kForm));
        HELEMENT days = page.Id(L"CFUDaysNumber");
        if (c.disabled) HTMLayoutSetElementState(days, STATE_DISABLED, 0, TRUE);
        const RECT r = page.Rect(days);
        page.Click({r.right - 4, r.top + 3});  // the upper half of the spin buttons
        EXPECT_EQ(IntValue(days), c.afterSpin);
        page.Click({r.left + 4, (r.top + r.bottom) / 2});
        SendMessageW(page.get(), WM_CHAR, VK_BACK, 0);
        page.Type(L"45");
        page.Click(page.Centre(page.Id(L"plain")));  // leaves the box
        EXPECT_EQ(IntValue(days), c.afterTyping);
    }
}

BOOL CALLBACK DestroyOnBehavior(LPVOID tag, HELEMENT, UINT group, LPVOID) {
    if (group == HANDLE_BEHAVIOR_EVENT) DestroyWindow(static_cast<HWND>(tag));
    return FALSE;
}

BOOL CALLBACK ReloadOnBehavior(LPVOID tag, HELEMENT, UINT group, LPVOID) {
    if (group == HANDLE_BEHAVIOR_EVENT)
        HTMLayoutLoadHtml(static_cast<HWND>(tag), reinterpret_cast<LPCBYTE>("<p id=fresh>x</p>"), 16);
    return FALSE;
}

TEST(PageEvents, AHandlerMayDestroyThePageOrLoadAnother) {
    const struct {
        LPELEMENT_EVENT_PROC proc;
        bool survives;
    } cases[] = {{DestroyOnBehavior, false}, {ReloadOnBehavior, true}};
    for (const auto& c : cases) {
        CPageWindow page;
        ASSERT_TRUE(page.Load(kForm));
        HTMLayoutWindowAttachEventHandler(page.get(), c.proc, page.get(), HANDLE_ALL);
        page.Click(page.Centre(page.Id(L"jump")));
        EXPECT_EQ(IsWindow(page.get()) != FALSE, c.survives);
        if (c.survives) {
            EXPECT_NE(page.Id(L"fresh"), nullptr);
        }
    }
}

TEST(PageEvents, TheCursorShowsWhatIsUnderIt) {
    CPageWindow page;
    ASSERT_TRUE(page.Load(kForm));
    ShowWindow(GetParent(page.get()), SW_SHOWNOACTIVATE);
    const struct {
        const wchar_t* id;
        LPCWSTR cursor;
    } cases[] = {{L"jump", IDC_HAND}, {L"CFUDaysNumber", IDC_IBEAM}, {L"plain", IDC_ARROW}};
    for (const auto& c : cases) {
        POINT pt = page.Centre(page.Id(c.id));
        ClientToScreen(page.get(), &pt);
        ASSERT_TRUE(SetCursorPos(pt.x, pt.y));
        SendMessageW(page.get(), WM_SETCURSOR, reinterpret_cast<WPARAM>(page.get()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.id;
    }
}

TEST(PageScroll, WheelAndKeysStayWithinTheDocument) {
    CPageWindow page(400, 200);
    ASSERT_TRUE(page.Load(kForm));
    page.Paint();
    SendMessageW(page.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    const int once = hl::GetScrollPosition(page.get());
    EXPECT_GT(once, 0);
    SendMessageW(page.get(), WM_KEYDOWN, VK_END, 0);
    const int end = hl::GetScrollPosition(page.get());
    EXPECT_GT(end, once);
    SendMessageW(page.get(), WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(hl::GetScrollPosition(page.get()), end);
    SendMessageW(page.get(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(hl::GetScrollPosition(page.get()), 0);
}

// Answers load-data requests from a table and records them.
struct CLoader {
    struct Request {
        std::wstring uri;
        UINT type;
    };
    std::vector<Request> requests;
    std::string style;
    std::string image;
    LRESULT answer = LOAD_OK;

    static LRESULT CALLBACK Notify(UINT message, WPARAM, LPARAM lParam, LPVOID param) {
        CLoader* self = static_cast<CLoader*>(param);
        NMHL_LOAD_DATA* nm = reinterpret_cast<NMHL_LOAD_DATA*>(lParam);
        if (message != WM_NOTIFY || nm->hdr.code != HLN_LOAD_DATA) return 0;
        self->requests.push_back({nm->uri, nm->dataType});
        const std::string& data = nm->dataType == HLRT_DATA_STYLE ? self->style : self->image;
        if (!data.empty()) {
            nm->outData = const_cast<char*>(data.data());
            nm->outDataSize = static_cast<DWORD>(data.size());
        }
        return self->answer;
    }
};

std::string SolidBmp(int width, int height, COLORREF color) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(color));
        row[x * 3 + 1] = static_cast<char>(GetGValue(color));
        row[x * 3 + 2] = static_cast<char>(GetRValue(color));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

const char kLinked[] =
    "<html><head><link rel=stylesheet href=\"ext_style.css\"></head><body style='margin:0'>"
    "<p id=p>text</p><img id=pic src=\"img/pic.bmp\" alt=\"Picture\" width=20 height=20></body></html>";

TEST(PageLoadData, RelativeRequestsReachTheCallbackWithTheBase) {
    CPageWindow page;
    CLoader loader;
    loader.style = "body { background-color: #00FF00 }";
    loader.image = SolidBmp(4, 4, RGB(0, 0, 255));
    HTMLayoutSetCallback(page.get(), CLoader::Notify, &loader);
    ASSERT_TRUE(page.Load(kLinked, L"C:\\prog\\HTML\\en\\welcome.html"));
    ASSERT_EQ(loader.requests.size(), 2u);
    EXPECT_EQ(loader.requests[0].uri, L"C:\\prog\\HTML\\en\\ext_style.css");
    EXPECT_EQ(loader.requests[0].type, static_cast<UINT>(HLRT_DATA_STYLE));
    EXPECT_EQ(loader.requests[1].uri, L"C:\\prog\\HTML\\en\\img\\pic.bmp");
    EXPECT_EQ(loader.requests[1].type, static_cast<UINT>(HLRT_DATA_IMAGE));
    const auto shot = page.Paint();
    EXPECT_EQ(shot.At(300, 300), RGB(0, 255, 0));
    const RECT pic = page.Rect(page.Id(L"pic"));
    EXPECT_EQ(pic.right - pic.left, 20);
    EXPECT_EQ(shot.Count(pic, RGB(0, 0, 255)), 400);
}

TEST(PageLoadData, UnansweredRequestsAreReadFromFilesUnlessDiscarded) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vxl_html_load\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"img").c_str(), nullptr);
    const std::string css = "body { background-color: #00FF00 }";
    const std::string bmp = SolidBmp(2, 2, RGB(0, 0, 255));
    for (const auto& file :
         {std::make_pair(folder + L"ext_style.css", css), std::make_pair(folder + L"img\\pic.bmp", bmp)}) {
        CFileHandle out(CreateFileW(file.first.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(out.get(), file.second.data(), static_cast<DWORD>(file.second.size()), &written, nullptr);
    }
    const struct {
        LRESULT answer;
        bool applied;
    } cases[] = {{LOAD_OK, true}, {LOAD_DISCARD, false}};
    for (const auto& c : cases) {
        CPageWindow page;
        CLoader loader;
        loader.answer = c.answer;
        HTMLayoutSetCallback(page.get(), CLoader::Notify, &loader);
        ASSERT_TRUE(page.Load(kLinked, folder.c_str()));
        const auto shot = page.Paint();
        EXPECT_EQ(shot.At(300, 300) == RGB(0, 255, 0), c.applied);
        EXPECT_EQ(shot.Count(page.Rect(page.Id(L"pic")), RGB(0, 0, 255)) == 400, c.applied);
    }
    DeleteFileW((folder + L"img\\pic.bmp").c_str());
    DeleteFileW((folder + L"ext_style.css").c_str());
    RemoveDirectoryW((folder + L"img").c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(PageLoadData, ASheetThatComesLaterIsTakenThen) {
    CPageWindow page;
    CLoader loader;
    HTMLayoutSetCallback(page.get(), CLoader::Notify, &loader);
    ASSERT_TRUE(page.Load(kLinked, L"C:\\nowhere\\page.html"));
    EXPECT_NE(page.Paint().At(300, 300), RGB(0, 255, 0));
    const std::string css = "body { background: #00FF00 }";
    EXPECT_TRUE(HTMLayoutDataReady(page.get(), L"C:\\nowhere\\ext_style.css", reinterpret_cast<LPCBYTE>(css.data()),
                                   static_cast<DWORD>(css.size())));
    EXPECT_EQ(page.Paint().At(300, 300), RGB(0, 255, 0));
}

// Without a callback the request goes to the parent window as WM_NOTIFY.
LRESULT CALLBACK NotifiedParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == HLN_LOAD_DATA) {
        auto* nm = reinterpret_cast<NMHL_LOAD_DATA*>(lParam);
        auto* seen = reinterpret_cast<std::vector<std::wstring>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        seen->push_back(std::to_wstring(wParam) + L" " + nm->uri);
        static const char css[] = "body { background: #00FF00 }";
        if (nm->dataType == HLRT_DATA_STYLE) {
            nm->outData = const_cast<char*>(css);
            nm->outDataSize = sizeof css - 1;
        }
        return LOAD_OK;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(PageLoadData, WithoutACallbackTheParentIsAsked) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = NotifiedParent;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VxlHtmlNotifiedParent";
    RegisterClassW(&wc);
    CWindowHandle parent(
        CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr));
    std::vector<std::wstring> seen;
    SetWindowLongPtrW(parent.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
    HWND page = CreateWindowExW(0, HTMLayoutClassNameW(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, parent.get(),
                                reinterpret_cast<HMENU>(77), nullptr, nullptr);
    ASSERT_TRUE(HTMLayoutLoadHtmlEx(page, reinterpret_cast<LPCBYTE>(kLinked), sizeof kLinked - 1, L"C:\\site\\"));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], L"77 C:\\site\\ext_style.css");
    EXPECT_EQ(seen[1], L"77 C:\\site\\img\\pic.bmp");
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(page, &root);
    hl::Element* body = hl::FindByTag(static_cast<hl::Element*>(root), L"body");
    RECT r;
    ASSERT_TRUE(hl::GetElementClientRect(body, &r));
    EXPECT_EQ(body->style->background, RGB(0, 255, 0));
}

TEST(PageLoadData, APictureThatIsNotOneShowsItsAltBox) {
    CPageWindow page;
    CLoader loader;
    loader.image = "GIF89a but not really";
    HTMLayoutSetCallback(page.get(), CLoader::Notify, &loader);
    ASSERT_TRUE(page.Load(kLinked, L"C:\\nowhere\\"));
    const RECT pic = page.Rect(page.Id(L"pic"));
    EXPECT_EQ(pic.right - pic.left, 20);
    const auto shot = page.Paint();
    EXPECT_EQ(shot.At(pic.left, pic.top + 10), RGB(160, 160, 160));
    EXPECT_EQ(shot.At(pic.right - 1, pic.top + 10), RGB(160, 160, 160));
}

struct BadPage {
    const char* name;
    std::string html;
};

std::vector<BadPage> BadPages() {
    std::vector<BadPage> pages;
    std::string nested = "<p id=start>start</p>";
    for (int i = 0; i < 10000; ++i) nested += "<div>";
    nested += "deep";
    for (int i = 0; i < 10000; ++i) nested += "</div>";
    pages.push_back({"nested", nested + "<p id=end>end</p>"});
    std::string big = "<p id=start>start</p><p>";
    while (big.size() < 5 * 1024 * 1024) big += "word word word <b>bold</b> <a href=x>link</a> ";
    pages.push_back({"five megabytes", big});
    pages.push_back({"long attribute", "<p id=start>start</p><a title=\"" + std::string(100000, 'x') +
                                           "\" href=y>a</a><p id=end>end</p>"});
    pages.push_back({"broken css",
                     "<style>p { color: ; } {{{ @media ( } p {{ font-size: 99999px } #end { width: -5px }</style>"
                     "<p id=start>start</p><p id=end>end</p>"});
    pages.push_back({"misnested",
                     "<p id=start>start</p><table><b><tr><td><i></table></b><td>x</i></tr></td>"
                     "<li><ul></li></ul><p id=end>end</p>"});
    pages.push_back({"one long word", "<p id=start>start</p><div style='width: 100px'>" + std::string(1000000, 'w') +
                                          "</div><p id=end>end</p>"});
    std::string pieces = "<p id=start>start</p><p>";
    while (pieces.size() < 2 * 1024 * 1024) pieces += "x<!---->y</b>";
    pages.push_back({"text in many pieces", pieces + "</p><p id=end>end</p>"});
    std::string junk = "<p id=start>start</p>";
    for (int i = 1; i < 256; ++i) junk += static_cast<char>(i);
    pages.push_back({"binary", junk + "<p id=end>end</p>"});
    return pages;
}

TEST(PageBadInput, ShowsWhatItCanAndNeverCrashes) {
    for (const BadPage& bad : BadPages()) {
        CPageWindow page;
        ASSERT_TRUE(page.Load(bad.html)) << bad.name;
        const auto shot = page.Paint();
        EXPECT_GT(shot.width, 0) << bad.name;
        RECT r;
        EXPECT_TRUE(hl::GetElementClientRect(page.Id(L"start"), &r)) << bad.name;
        HELEMENT end = page.Id(L"end");
        if (end) {
            EXPECT_TRUE(hl::GetElementClientRect(end, &r)) << bad.name;
        }
    }
}

int CALLBACK TakeFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
    std::wstring* family = reinterpret_cast<std::wstring*>(param);
    if (lf->lfFaceName[0] == L'@') return 1;
    *family = lf->lfFaceName;
    return 0;
}

TEST(PageFonts, TheFirstInstalledFamilyOfTheListIsUsed) {
    // Whatever fonts the machine has: one of them stands for an installed family.
    std::wstring installed;
    {
        CMemoryDC dc(CreateCompatibleDC(nullptr));
        LOGFONTW all = {};
        all.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc.get(), &all, TakeFamily, reinterpret_cast<LPARAM>(&installed), 0);
    }
    ASSERT_FALSE(installed.empty());
    const struct {
        std::wstring list;
        std::wstring face;
    } cases[] = {{L"NoSuchFamily, " + installed, installed},
                 {L"\"No Such Family\", '" + installed + L"', serif", installed},
                 {installed + L", NoSuchFamily", installed},
                 {L"NoSuchFamily, OtherMissing", L"NoSuchFamily"}};
    hl::CGdiMeasure measure;
    for (const auto& c : cases) {
        hl::ComputedStyle style;
        style.fontFamily = c.list;
        style.fontSize = 13;
        LOGFONTW lf = {};
        ASSERT_NE(GetObjectW(measure.Font(style), sizeof lf, &lf), 0);
        EXPECT_EQ(std::wstring(lf.lfFaceName), c.face) << c.list;
        EXPECT_EQ(lf.lfHeight, -13);
    }
}

TEST(PageApi, RefusesWhatIsNotAPageWindow) {
    HELEMENT root = nullptr;
    EXPECT_EQ(HTMLayoutGetRootElement(GetDesktopWindow(), &root), HLDOM_INVALID_HWND);
    EXPECT_FALSE(HTMLayoutLoadHtml(nullptr, reinterpret_cast<LPCBYTE>("x"), 1));
    EXPECT_EQ(HTMLayoutWindowAttachEventHandler(nullptr, CEventLog::Proc, nullptr, HANDLE_ALL), HLDOM_INVALID_HWND);
    CPageWindow page;
    EXPECT_EQ(HTMLayoutGetRootElement(page.get(), &root), HLDOM_OPERATION_FAILED);  // nothing loaded yet
    EXPECT_NE(page.Paint().width, 0);
}

}  // namespace
