#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/htmlayout/HtmlDocument.h"
#include "platform/htmlayout/htmlayout.h"

namespace {

using hl::Element;

// Every character is 7 pixels wide; lines are 13 pixels high.
class CFixedMeasure : public hl::ITextMeasure {
public:
    hl::FontMetrics Metrics(const hl::ComputedStyle&) override { return {10, 3}; }
    int Width(const hl::ComputedStyle&, const wchar_t*, int length) override { return 7 * length; }
};

struct Page {
    explicit Page(const std::wstring& html, int width = 400, int height = 300) {
        const std::string utf8(html.begin(), html.end());
        document = std::make_unique<hl::CHtmlDocument>(reinterpret_cast<const BYTE*>(utf8.data()), utf8.size(), L"");
        layout = &document->Layout(measure, width, height);
    }
    Element* Id(const wchar_t* id) const {
        Element* e = hl::FindByAttribute(document->Root(), L"id", id);
        EXPECT_NE(e, nullptr) << id;
        return e;
    }
    RECT Box(const wchar_t* id) const { return Id(id)->box.border; }
    // Distinct tops of the text pieces inside the element.
    size_t Lines(const wchar_t* id) const {
        std::set<LONG> tops;
        for (const hl::Fragment& f : layout->fragments) {
            for (const Element* e = f.owner; e; e = e->Parent()) {
                if (e == Id(id)) {
                    if (f.kind == hl::Fragment::Text) tops.insert(f.rect.top);
                    break;
                }
            }
        }
        return tops.size();
    }
    CFixedMeasure measure;
    std::unique_ptr<hl::CHtmlDocument> document;
    const hl::LayoutResult* layout = nullptr;
};

const wchar_t kReset[] = L"<style>body { margin: 0 } p { margin: 0 }</style>";

struct WrapCase {
    int width;
    const wchar_t* text;
    size_t lines;
};

class TextWrap : public testing::TestWithParam<WrapCase> {};

TEST_P(TextWrap, FillsLinesUpToTheBoxWidth) {
    const WrapCase& c = GetParam();
    const Page page(std::wstring(kReset) + L"<div id=box style='width:" + std::to_wstring(c.width) + L"px'>" + c.text +
                    L"</div>");
    EXPECT_EQ(page.Lines(L"box"), c.lines) << c.text;
    for (const hl::Fragment& f : page.layout->fragments) EXPECT_LE(f.rect.right, c.width) << c.text;
}

// Words of 3 characters take 21 pixels and a blank 7: four words need 105 pixels.
INSTANTIATE_TEST_SUITE_P(Widths, TextWrap,
                         testing::Values(WrapCase{100, L"aaa bbb ccc", 1}, WrapCase{100, L"aaa bbb ccc ddd", 2},
                                         WrapCase{100, L"aaa bbb ccc ddd eee fff ggg", 3},
                                         WrapCase{100, L"aaa   \n\t bbb", 1}, WrapCase{105, L"aaa bbb ccc ddd", 1},
                                         WrapCase{100, L"abcdefghijklmnopqrst", 2},
                                         WrapCase{100, L"aaa<br>bbb<br><br>ccc", 3},
                                         WrapCase{100, L"aaa <b>bbb</b> ccc <i>ddd</i>", 2},
                                         WrapCase{20, L"abcdefghij", 5}));

TEST(Layout, CutsALongWordByCharacter) {
    const Page page(std::wstring(kReset) + L"<div id=box style='width:100px'>abcdefghijklmnopqrst</div>");
    std::wstring first;
    LONG firstTop = LONG_MAX;
    for (const hl::Fragment& f : page.layout->fragments) {
        if (f.kind == hl::Fragment::Text && f.rect.top < firstTop) {
            firstTop = f.rect.top;
            first = f.text;
        }
    }
    EXPECT_EQ(first, L"abcdefghijklmn");  // 14 x 7 = 98 pixels
}

TEST(Layout, SplitsPercentageColumnsAtAKnownWidth) {
    const struct {
        int spacing;
        int widths[3];
    } cases[] = {{0, {100, 200, 100}}, {2, {98, 196, 98}}};
    for (const auto& c : cases) {
        const Page page(std::wstring(kReset) + L"<TABLE WIDTH=100% CELLSPACING=" + std::to_wstring(c.spacing) +
                        L"><TR HEIGHT=10><TD COLSPAN=3 id=span></TD></TR><TR><TD id=a WIDTH=25%>forum</TD>"
                        L"<TD id=b WIDTH=50%>social</TD><TD id=c WIDTH=25%>home</TD></TR></TABLE>");
        const wchar_t* ids[] = {L"a", L"b", L"c"};
        for (int i = 0; i < 3; ++i) {
            const RECT r = page.Box(ids[i]);
            EXPECT_EQ(r.right - r.left, c.widths[i]) << ids[i] << " spacing " << c.spacing;
        }
        const RECT span = page.Box(L"span");
        EXPECT_EQ(span.left, page.Box(L"a").left);
        EXPECT_EQ(span.right, page.Box(L"c").right);
        EXPECT_GE(span.bottom - span.top, 10);
        EXPECT_EQ(page.Box(L"a").left, c.spacing);
        EXPECT_EQ(page.Box(L"b").left, page.Box(L"a").right + c.spacing);
    }
}

TEST(Layout, AutoTablesShrinkToTheirContentAndCentre) {
    const Page page(std::wstring(kReset) +
                    L"<table id=auto cellspacing=0 cellpadding=0><tr><td>abc</td><td>de</td></tr></table>"
                    L"<table id=centred align=center width=200 cellspacing=0><tr><td>x</td></tr></table>");
    const RECT a = page.Box(L"auto");
    EXPECT_EQ(a.right - a.left, 35);
    const RECT c = page.Box(L"centred");
    EXPECT_EQ(c.left, 100);
    EXPECT_EQ(c.right, 300);
}

TEST(Layout, FullHeightTableFillsTheViewport) {
    const Page page(
        L"<body style='margin:5px'><table id=t height=100% width=100%><tr><td id=cell valign=top>x"
        L"</td></tr></table>",
        400, 300);
    const RECT t = page.Box(L"t");
    EXPECT_EQ(t.top, 5);
    EXPECT_EQ(t.bottom, 295);
    EXPECT_EQ(page.Box(L"cell").top, t.top + 2);  // the cell spacing
}

TEST(Layout, CellsAlignVerticallyWithinTheirRow) {
    const Page page(std::wstring(kReset) +
                    L"<table cellspacing=0 cellpadding=0><tr><td id=tall style='height: 100px'>x</td>"
                    L"<td id=top valign=top>t</td><td id=middle>m</td><td id=bottom valign=bottom>b</td></tr></table>");
    const struct {
        const wchar_t* id;
        LONG textTop;
    } cases[] = {{L"top", 0}, {L"middle", (100 - 13) / 2}, {L"bottom", 100 - 13}};
    for (const auto& c : cases) {
        const RECT cell = page.Box(c.id);
        EXPECT_EQ(cell.top, 0) << c.id;
        EXPECT_EQ(cell.bottom, 100) << c.id;
        LONG textTop = -1;
        for (const hl::Fragment& f : page.layout->fragments)
            if (f.owner == page.Id(c.id) && f.kind == hl::Fragment::Text) textTop = f.rect.top;
        EXPECT_EQ(textTop, c.textTop) << c.id;
    }
}

TEST(Layout, HorizontalFlowPutsChildrenSideBySide) {
    const Page page(std::wstring(kReset) +
                    L"<style>#div_hor { flow: horizontal }</style><div id=div_hor>Check every"
                    L"<INPUT id=n type=number size=3 value=7></INPUT><div id=after>days</div></div>");
    const RECT flow = page.Box(L"div_hor");
    const RECT n = page.Box(L"n");
    const RECT after = page.Box(L"after");
    EXPECT_GE(n.left, 11 * 7);
    EXPECT_GE(after.left, n.right);
    EXPECT_LT(after.top, n.bottom);
    EXPECT_LE(n.bottom, flow.bottom);
    EXPECT_LE(after.bottom, flow.bottom);
}

TEST(Layout, LinksCoverTheirTextAndAreHit) {
    const Page page(std::wstring(kReset) + L"<p>Go to <a id=link href='#latest_news'>news now</a> here</p>");
    const RECT r = page.Box(L"link");
    EXPECT_EQ(r.left, 6 * 7);
    EXPECT_EQ(r.right, 6 * 7 + 8 * 7);
    EXPECT_EQ(r.bottom - r.top, 13);
    const POINT inside = {r.left + 3, r.top + 5};
    Element* hit = hl::HitTest(page.document->Root(), *page.layout, inside);
    EXPECT_EQ(hl::ControlOf(hit), page.Id(L"link"));
    const POINT outside = {r.right + 10, r.top + 5};
    EXPECT_EQ(hl::ControlOf(hl::HitTest(page.document->Root(), *page.layout, outside)), nullptr);
}

TEST(Layout, InlineSpacingPushesTheNeighboursAside) {
    const Page page(std::wstring(kReset) +
                    L"<p>ab<span id=s style='margin-left: 10px; padding: 0 4px; border: 1px solid'>cd</span>ef"
                    L"<b id=after>g</b></p>");
    const RECT s = page.Box(L"s");
    EXPECT_EQ(s.left, 14 + 10 + 1 + 4);  // the text of the span
    EXPECT_EQ(page.Box(L"after").left, s.right + 4 + 1 + 14);
}

TEST(Layout, AnchorsGetAPlaceEvenWhenEmpty) {
    std::wstring html = kReset;
    for (int i = 0; i < 40; ++i) html += L"<p>line</p>";
    html += L"<A NAME=\"latest_news\"></A><H1>News</H1>";
    const Page page(html);
    Element* anchor = hl::FindAnchor(page.document->Root(), L"latest_news");
    ASSERT_NE(anchor, nullptr);
    EXPECT_TRUE(anchor->box.placed);
    EXPECT_EQ(anchor->box.border.top, 40 * 13);
    EXPECT_EQ(hl::FindAnchor(page.document->Root(), L"missing"), nullptr);
}

TEST(Layout, BlocksStackWithCollapsedMarginsAndPadding) {
    const Page page(std::wstring(kReset) +
                    L"<div id=a style='margin-bottom:10px;padding:5px;border:1px solid red'>x</div>"
                    L"<div id=b style='margin-top:20px'>y</div>");
    const RECT a = page.Box(L"a");
    EXPECT_EQ(a.bottom - a.top, 13 + 2 * 5 + 2);
    EXPECT_EQ(page.Box(L"b").top, a.bottom + 20);
}

TEST(Layout, ControlsKnowTheirTypeAndBounds) {
    const Page page(
        L"<widget type=checkbox id=cb checked>label</widget><INPUT type=number id=n minvalue=1 "
        L"maxvalue=30 value=45><a id=a href=x>l</a><a id=plain name=x></a><p id=p>t</p>");
    EXPECT_EQ(hl::ControlType(page.Id(L"cb")), static_cast<UINT>(CTL_CHECKBOX));
    EXPECT_EQ(hl::ControlType(page.Id(L"n")), static_cast<UINT>(CTL_NUMERIC));
    EXPECT_EQ(hl::ControlType(page.Id(L"a")), static_cast<UINT>(CTL_HYPERLINK));
    EXPECT_EQ(hl::ControlType(page.Id(L"plain")), static_cast<UINT>(CTL_NO));
    EXPECT_EQ(hl::ControlType(page.Id(L"p")), static_cast<UINT>(CTL_NO));
    EXPECT_EQ(hl::NumberValue(page.Id(L"n")), 30);
    page.Id(L"n")->SetAttribute(L"value", L"-4");
    EXPECT_EQ(hl::NumberValue(page.Id(L"n")), 1);
}

TEST(Layout, ResolvesResourcesAgainstTheBase) {
    const char html[] =
        "<link rel=stylesheet href=ext_style.css><img src='img/logo.png'>"
        "<img src='http://example.org/a.png'><img src='C:\\abs\\b.png'>";
    const struct {
        const wchar_t* base;
        const wchar_t* sheet;
        const wchar_t* image;
    } cases[] = {
        {L"C:\\prog\\HTML\\en\\welcome.html", L"C:\\prog\\HTML\\en\\ext_style.css",
         L"C:\\prog\\HTML\\en\\img\\logo.png"},
        {L"C:\\prog\\HTML\\img\\", L"C:\\prog\\HTML\\img\\ext_style.css", L"C:\\prog\\HTML\\img\\img\\logo.png"},
        {L"http://example.org/dir/page.html", L"http://example.org/dir/ext_style.css",
         L"http://example.org/dir/img/logo.png"},
        {L"", L"ext_style.css", L"img/logo.png"},
    };
    for (const auto& c : cases) {
        hl::CHtmlDocument document(reinterpret_cast<const BYTE*>(html), sizeof html - 1, c.base);
        ASSERT_EQ(document.Requests().size(), 4u);
        EXPECT_EQ(document.Requests()[0].uri, c.sheet);
        EXPECT_EQ(document.Requests()[0].type, static_cast<UINT>(HLRT_DATA_STYLE));
        EXPECT_EQ(document.Requests()[1].uri, c.image);
        EXPECT_EQ(document.Requests()[2].uri, L"http://example.org/a.png");
        EXPECT_EQ(document.Requests()[3].uri, L"C:\\abs\\b.png");
    }
}

TEST(Layout, ASheetThatArrivesLaterIsApplied) {
    const char html[] = "<link rel=stylesheet href=late.css><p id=p>x</p>";
    hl::CHtmlDocument document(reinterpret_cast<const BYTE*>(html), sizeof html - 1, L"C:\\base\\");
    CFixedMeasure measure;
    document.Layout(measure, 300, 200);
    Element* p = hl::FindByAttribute(document.Root(), L"id", L"p");
    EXPECT_EQ(p->style->color, RGB(0, 0, 0));
    const char css[] = "p { color: red }";
    EXPECT_FALSE(document.Deliver(L"C:\\base\\other.css", reinterpret_cast<const BYTE*>(css), sizeof css - 1));
    EXPECT_TRUE(document.Deliver(L"C:\\base\\late.css", reinterpret_cast<const BYTE*>(css), sizeof css - 1));
    document.Layout(measure, 300, 200);
    EXPECT_EQ(p->style->color, RGB(255, 0, 0));
}

TEST(Layout, APictureThatIsNotOneKeepsItsAltBox) {
    const char html[] = "<img id=i src=bad.png alt='Logo' width=40 height=30>";
    hl::CHtmlDocument document(reinterpret_cast<const BYTE*>(html), sizeof html - 1, L"C:\\base\\");
    const char junk[] = "this is not a picture";
    EXPECT_TRUE(document.Deliver(L"C:\\base\\bad.png", reinterpret_cast<const BYTE*>(junk), sizeof junk - 1));
    CFixedMeasure measure;
    document.Layout(measure, 300, 200);
    Element* img = hl::FindByAttribute(document.Root(), L"id", L"i");
    EXPECT_EQ(img->image, nullptr);
    EXPECT_EQ(img->box.border.right - img->box.border.left, 40);
    EXPECT_EQ(img->box.border.bottom - img->box.border.top, 30);
}

}  // namespace
