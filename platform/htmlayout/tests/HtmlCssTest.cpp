#include <gtest/gtest.h>

#include <string>

#include "platform/htmlayout/HtmlCss.h"
#include "platform/htmlayout/HtmlParser.h"

namespace {

using hl::CElementRef;
using hl::ComputedStyle;
using hl::Element;

// Parses the page, applies its STYLE element and returns the styled tree.
CElementRef Styled(const std::wstring& html, const std::wstring& css = std::wstring()) {
    CElementRef root(hl::ParseHtml(html));
    static hl::StyleSheet sheet;
    sheet = hl::StyleSheet();
    sheet.Parse(css);
    hl::ComputeStyles(root.get(), {&sheet});
    return root;
}

const ComputedStyle& StyleOfId(const CElementRef& root, const wchar_t* id) {
    Element* e = hl::FindByAttribute(root.get(), L"id", id);
    EXPECT_NE(e, nullptr) << id;
    static const ComputedStyle none;
    return e && e->style ? *e->style : none;
}

TEST(Css, ParsesColours) {
    const struct {
        const wchar_t* text;
        COLORREF color;
    } cases[] = {
        {L"#F1F4F0", RGB(0xF1, 0xF4, 0xF0)},
        {L"#abc", RGB(0xAA, 0xBB, 0xCC)},
        {L"lemonchiffon", RGB(255, 250, 205)},
        {L"Gainsboro", RGB(220, 220, 220)},
        {L" green ", RGB(0, 128, 0)},
        {L"rgb(1, 2, 3)", RGB(1, 2, 3)},
        {L"rgb(100%,0%,0%)", RGB(255, 0, 0)},
        {L"FFFFFF", RGB(255, 255, 255)},
        {L"nocolour", hl::kNoColor},
        {L"#12", hl::kNoColor},
        {L"", hl::kNoColor},
        {L"rgb(1,2", hl::kNoColor},
    };
    for (const auto& c : cases) EXPECT_EQ(hl::ParseColor(c.text), c.color) << c.text;
}

TEST(Css, LaterAndMoreSpecificRulesWin) {
    const CElementRef root = Styled(
        L"<div id=box class='note wide'><p id=para class=note>x<span id=inner>y</span></p></div><p id=plain>z</p>",
        L"p { color: blue } .note { color: red } #para { color: green } p { font-size: 20px }"
        L" div p { font-weight: bold } div > span { font-style: italic } body > span { color: lime }"
        L" .note.wide { background-color: #010203 } p:hover { color: yellow } a + p { color: yellow }");
    EXPECT_EQ(StyleOfId(root, L"para").color, RGB(0, 128, 0));
    EXPECT_EQ(StyleOfId(root, L"plain").color, RGB(0, 0, 255));
    EXPECT_EQ(StyleOfId(root, L"plain").fontSize, 20);
    EXPECT_EQ(StyleOfId(root, L"para").fontWeight, 700);
    EXPECT_EQ(StyleOfId(root, L"plain").fontWeight, 400);
    EXPECT_FALSE(StyleOfId(root, L"inner").italic);
    EXPECT_EQ(StyleOfId(root, L"inner").color, RGB(0, 128, 0));  // inherited, body > span does not match
    EXPECT_EQ(StyleOfId(root, L"box").background, RGB(1, 2, 3));
}

TEST(Css, InlineAndRuntimeStyleComeLast) {
    CElementRef root = Styled(L"<p id=p style='color: red; margin-left: 7px'>x</p>", L"#p { color: blue }");
    EXPECT_EQ(StyleOfId(root, L"p").color, RGB(255, 0, 0));
    Element* p = hl::FindByAttribute(root.get(), L"id", L"p");
    p->SetRuntimeStyle(L"color", L"gray");
    p->SetRuntimeStyle(L"text-decoration", L"line-through");
    hl::ComputeStyles(root.get(), {});
    EXPECT_EQ(p->style->color, RGB(128, 128, 128));
    EXPECT_TRUE(p->style->lineThrough);
    p->ClearRuntimeStyle();
    hl::ComputeStyles(root.get(), {});
    EXPECT_EQ(p->style->color, RGB(255, 0, 0));
    EXPECT_FALSE(p->style->lineThrough);
}

TEST(Css, FontSizesInEveryUnit) {
    const CElementRef root = Styled(
        L"<div id=base><p id=px>a</p><p id=pt>b</p><p id=pc>c</p><p id=em>d</p><font id=plus SIZE=+1>e</font>"
        L"<font id=two size=2>f</font><p id=kw>g</p></div>",
        L"#base { font-size: 10px } #px { font-size: 11px } #pt { font-size: 12pt } #pc { font-size: 150% }"
        L" #em { font-size: 2em } #kw { font-size: large }");
    const struct {
        const wchar_t* id;
        int px;
    } cases[] = {{L"px", 11}, {L"pt", 16}, {L"pc", 15}, {L"em", 20}, {L"plus", 18}, {L"two", 13}, {L"kw", 18}};
    for (const auto& c : cases) EXPECT_EQ(StyleOfId(root, c.id).fontSize, c.px) << c.id;
}

TEST(Css, HtmlAttributesCarryStyleBelowTheSheet) {
    const CElementRef root = Styled(
        L"<body id=body BGCOLOR=#FFFFFF LEFTMARGIN=5 TOPMARGIN=6>"
        L"<table id=t ALIGN=CENTER WIDTH=50% BORDER=0 CELLPADDING=5><tr VALIGN=TOP><td id=cell ALIGN=RIGHT>x"
        L"<td id=styled bgcolor=red>y</table><font id=f COLOR=green>z</font><a id=link href=#x>l</a>",
        L"#styled { background: lemonchiffon }");
    const ComputedStyle& body = StyleOfId(root, L"body");
    EXPECT_EQ(body.background, RGB(255, 255, 255));
    EXPECT_EQ(body.margin[hl::kLeft].Resolve(0), 5);
    EXPECT_EQ(body.margin[hl::kTop].Resolve(0), 6);
    const ComputedStyle& table = StyleOfId(root, L"t");
    EXPECT_TRUE(table.margin[hl::kLeft].IsAuto());
    EXPECT_EQ(table.width.unit, hl::Length::Percent);
    const ComputedStyle& cell = StyleOfId(root, L"cell");
    EXPECT_EQ(cell.textAlign, hl::TextAlign::Right);
    EXPECT_EQ(cell.verticalAlign, hl::VerticalAlign::Top);
    EXPECT_EQ(cell.padding[hl::kLeft].Resolve(0), 5);
    EXPECT_EQ(StyleOfId(root, L"styled").background, RGB(255, 250, 205));
    EXPECT_EQ(StyleOfId(root, L"f").color, RGB(0, 128, 0));
    EXPECT_TRUE(StyleOfId(root, L"link").underline);
}

TEST(Css, BordersMarginsAndFlow) {
    const CElementRef root =
        Styled(L"<div id=a>x</div><div id=b>y</div><div id=div_hor>z</div>",
               L"#a { padding: 10px; border: 1px solid gainsboro; border-radius: 4px; margin: 1px 2px 3px }"
               L" #b { border: 2px dashed; border-top: 1px solid darkgrey; border-left-width: 0 }"
               L" #div_hor { flow: horizontal; text-align: left }");
    const ComputedStyle& a = StyleOfId(root, L"a");
    for (int side = 0; side < 4; ++side) {
        EXPECT_EQ(a.padding[side].Resolve(0), 10);
        EXPECT_EQ(a.borderWidth[side], 1);
        EXPECT_EQ(a.borderColor[side], RGB(220, 220, 220));
    }
    EXPECT_EQ(a.borderRadius, 4);
    EXPECT_EQ(a.margin[hl::kTop].Resolve(0), 1);
    EXPECT_EQ(a.margin[hl::kRight].Resolve(0), 2);
    EXPECT_EQ(a.margin[hl::kBottom].Resolve(0), 3);
    EXPECT_EQ(a.margin[hl::kLeft].Resolve(0), 2);
    const ComputedStyle& b = StyleOfId(root, L"b");
    EXPECT_EQ(b.borderWidth[hl::kTop], 1);
    EXPECT_EQ(b.borderColor[hl::kTop], RGB(169, 169, 169));
    EXPECT_EQ(b.borderWidth[hl::kRight], 2);
    EXPECT_EQ(b.borderWidth[hl::kLeft], 0);
    EXPECT_TRUE(StyleOfId(root, L"div_hor").flowHorizontal);
}

TEST(Css, BrokenSheetsKeepTheirGoodRules) {
    const wchar_t* sheets[] = {
        L"p { color: ; ;; : red; color green } #x { color: red }",
        L"@media screen { p { color: blue } } garbage {{ } } #x { color: red }",
        L"}}} #x { color: red }",
        L"/* unclosed comment */ #x { color: red } /* p { color: blue }",
        L"@import url(a.css); #x { color: red } p { color: blue",
        L"<!-- #x { color: red } -->",
    };
    for (const wchar_t* css : sheets) {
        const CElementRef root = Styled(L"<p id=x>t</p>", css);
        EXPECT_EQ(StyleOfId(root, L"x").color, RGB(255, 0, 0)) << css;
    }
}

TEST(Css, AHugeSheetIsCutAtItsRuleLimit) {
    std::wstring css;
    for (int i = 0; i < 6000; ++i) css += L".c" + std::to_wstring(i) + L" { color: red }";
    hl::StyleSheet sheet;
    sheet.Parse(css);
    ASSERT_EQ(sheet.Rules().size(), 5000u);
    EXPECT_EQ(sheet.Rules().back().selector[0].classes[0], L"c4999");
}

TEST(Css, DeclarationsSplitOutsideParentheses) {
    const auto d = hl::ParseDeclarations(L"color: rgb(1,2,3); background: url('a;b.png') red;bad;: x; WIDTH: 5px");
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].value, L"rgb(1,2,3)");
    EXPECT_EQ(d[1].value, L"url('a;b.png') red");
    EXPECT_EQ(d[2].name, L"width");
}

}  // namespace
