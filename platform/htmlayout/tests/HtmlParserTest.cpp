#include <gtest/gtest.h>

#include <string>

#include "platform/htmlayout/HtmlParser.h"

namespace {

using hl::CElementRef;
using hl::Element;

// The tree below body, as tag(children) with texts in quotes.
std::wstring Dump(const Element* e) {
    if (e->IsText()) return L"\"" + e->Text() + L"\"";
    std::wstring out = e->Tag();
    if (!e->Children().empty()) {
        out += L"(";
        for (size_t i = 0; i < e->Children().size(); ++i) out += (i ? L" " : L"") + Dump(e->Children()[i]);
        out += L")";
    }
    return out;
}

std::wstring Body(const std::wstring& html) {
    CElementRef root(hl::ParseHtml(html));
    const Element* body = hl::FindByTag(root.get(), L"body");
    return body ? Dump(body) : L"<no body>";
}

struct TreeCase {
    const wchar_t* html;
    const wchar_t* tree;
};

class ParserTree : public testing::TestWithParam<TreeCase> {};

TEST_P(ParserTree, BuildsTheTreeABrowserWould) {
    EXPECT_EQ(Body(GetParam().html), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(Forgiving, ParserTree,
                         testing::Values(TreeCase{L"<P>one<P>two", L"body(p(\"one\") p(\"two\"))"},
                                         TreeCase{L"<p>text<div>block</div>", L"body(p(\"text\") div(\"block\"))"},
                                         TreeCase{L"<UL><LI>a<LI>b</UL>", L"body(ul(li(\"a\") li(\"b\")))"},
                                         TreeCase{L"<table><tr><td>1<td>2<tr><td>3</table>",
                                                  L"body(table(tr(td(\"1\") td(\"2\")) tr(td(\"3\"))))"},
                                         TreeCase{L"<table><td>cell</td></table>", L"body(table(tr(td(\"cell\"))))"},
                                         TreeCase{L"<b><i>x</b>y</i>", L"body(b(i(\"x\")) \"y\")"},
                                         TreeCase{L"</span>text</td>", L"body(\"text\")"},
                                         TreeCase{L"<td><b>bold</td>after", L"body(td(b(\"bold\")) \"after\")"},
                                         TreeCase{L"a<br>b<BR/>c", L"body(\"a\" br \"b\" br \"c\")"},
                                         TreeCase{L"<INPUT type=number>x</INPUT>y", L"body(input \"xy\")"},
                                         TreeCase{L"<table><tr><td><table><tr><td>in</table>out</table>",
                                                  L"body(table(tr(td(table(tr(td(\"in\"))) \"out\"))))"},
                                         TreeCase{L"<!-- note -->a<!DOCTYPE html>b", L"body(\"ab\")"},
                                         TreeCase{L"<style>p < b { }</style><p>x", L"body(p(\"x\"))"}));

TEST(Parser, ReadsAttributesInAnyCaseAndQuoting) {
    CElementRef root(hl::ParseHtml(
        L"<DIV ID=first Class='a b' TITLE=\"it's\" data-x = spaced checked><IMG SRC=pic.png ALT=''></DIV>"));
    const Element* div = hl::FindByTag(root.get(), L"div");
    ASSERT_NE(div, nullptr);
    EXPECT_EQ(div->AttributeOr(L"id"), L"first");
    EXPECT_EQ(div->AttributeOr(L"class"), L"a b");
    EXPECT_EQ(div->AttributeOr(L"title"), L"it's");
    EXPECT_EQ(div->AttributeOr(L"data-x"), L"spaced");
    EXPECT_TRUE(div->HasAttribute(L"checked"));
    EXPECT_EQ(div->State() & 0x40u, 0x40u);
    const Element* img = hl::FindByTag(root.get(), L"img");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->AttributeOr(L"src"), L"pic.png");
    EXPECT_TRUE(img->HasAttribute(L"alt"));
    EXPECT_EQ(img->AttributeOr(L"alt", L"missing"), L"");
}

TEST(Parser, DecodesCharacterReferences) {
    const struct {
        const wchar_t* in;
        std::wstring out;
    } cases[] = {
        {L"a&nbsp;&bull;&nbsp;b", L"a\u00A0\u2022\u00A0b"},
        {L"&copy; 2024 &amp; &lt;&gt;", L"\u00A9 2024 & <>"},
        {L"&#65;&#x42;&#X43;", L"ABC"},
        {L"&#x1F600;", L"\xD83D\xDE00"},
        {L"&#0;&#xD800;", L"\uFFFD\uFFFD"},
        {L"&unknown; & alone &#; &#xZZ;", L"&unknown; & alone &#; &#xZZ;"},
        {L"&nbsp no semicolon", L"\u00A0 no semicolon"},
    };
    for (const auto& c : cases) EXPECT_EQ(hl::DecodeEntities(c.in), c.out) << c.in;
}

TEST(Parser, ReadsUtf8WithAndWithoutByteOrderMark) {
    const char plain[] = "<p>\xD0\x96 \xE2\x80\xA2</p>";
    const char marked[] = "\xEF\xBB\xBF<p>\xD0\x96 \xE2\x80\xA2</p>";
    for (const char* bytes : {plain, marked}) {
        CElementRef root(hl::ParseHtmlUtf8(reinterpret_cast<const BYTE*>(bytes), strlen(bytes)));
        EXPECT_EQ(hl::InnerText(hl::FindByTag(root.get(), L"p")), L"\u0416 \u2022");
    }
}

TEST(Parser, KeepsHeadElementsOutOfTheBody) {
    CElementRef root(hl::ParseHtml(L"<html><head><style>b{}</style><title>T</title></head><body BGCOLOR=red>x"));
    const Element* head = hl::FindByTag(root.get(), L"head");
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(Dump(head), L"head(style(\"b{}\") title(\"T\"))");
    EXPECT_EQ(hl::FindByTag(root.get(), L"body")->AttributeOr(L"bgcolor"), L"red");
}

TEST(Parser, FlattensNestingBeyondTheDepthLimit) {
    std::wstring html;
    for (int i = 0; i < 10000; ++i) html += L"<div>";
    html += L"deep";
    for (int i = 0; i < 10000; ++i) html += L"</div>";
    hl::ParseLimits limits;
    CElementRef root(hl::ParseHtml(html, limits));
    size_t depth = 0;
    const Element* e = root.get();
    while (!e->Children().empty()) {
        e = e->Children().back();
        ++depth;
    }
    EXPECT_LE(depth, limits.maxDepth + 1);
    EXPECT_EQ(hl::InnerText(root.get()), L"deep");
}

TEST(Parser, CutsWhatIsBeyondTheLimits) {
    hl::ParseLimits limits;
    limits.maxAttributeChars = 100;
    limits.maxNodes = 50;
    limits.maxChars = 5000;
    const std::wstring longValue(100000, L'x');
    CElementRef a(hl::ParseHtml(L"<a title=\"" + longValue + L"\">t</a>", limits));
    EXPECT_EQ(hl::FindByTag(a.get(), L"a")->AttributeOr(L"title").size(), 100u);

    std::wstring many;
    for (int i = 0; i < 1000; ++i) many += L"<span>s</span>";
    CElementRef b(hl::ParseHtml(many, limits));
    EXPECT_LE(hl::InnerText(b.get()).size(), 50u);

    CElementRef c(hl::ParseHtml(L"<p>" + std::wstring(20000, L'y'), limits));
    EXPECT_LE(hl::InnerText(c.get()).size(), 5000u);
    EXPECT_GT(hl::InnerText(c.get()).size(), 4000u);
}

TEST(Parser, SurvivesUnterminatedConstructs) {
    const wchar_t* pages[] = {L"<a href=\"never closed>text",
                              L"<div",
                              L"<!-- open comment",
                              L"<style>b{",
                              L"<p class=",
                              L"<<<>>>",
                              L"&#",
                              L"</"};
    for (const wchar_t* page : pages) {
        CElementRef root(hl::ParseHtml(page));
        EXPECT_NE(hl::FindByTag(root.get(), L"body"), nullptr) << page;
    }
}

TEST(Dom, FindsTheFirstMatchInDocumentOrder) {
    CElementRef root(hl::ParseHtml(L"<div><span id=x>first</span></div><p id=x>second</p><b id=y>y</b>"));
    Element* x = hl::FindByAttribute(root.get(), L"id", L"x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Tag(), L"span");
    EXPECT_EQ(hl::FindByAttribute(root.get(), L"id", L"none"), nullptr);
}

TEST(Dom, KeptElementsOutliveTheirTree) {
    const long before = Element::LiveCountForTest();
    Element* root = hl::ParseHtml(L"<div><p id=kept>text<b>bold</b></p></div><p>other</p>");
    Element* kept = hl::FindByAttribute(root, L"id", L"kept");
    kept->AddRef();
    root->Release();
    EXPECT_EQ(kept->Parent(), nullptr);
    EXPECT_EQ(hl::InnerText(kept), L"textbold");
    EXPECT_EQ(Element::LiveCountForTest(), before + 4);  // p, its text, b, its text
    kept->Release();
    EXPECT_EQ(Element::LiveCountForTest(), before);
}

TEST(Dom, AttributesAndRuntimeStyleAreSetAndCleared) {
    CElementRef root(hl::ParseHtml(L"<p id=a title=t>x</p>"));
    Element* p = hl::FindByTag(root.get(), L"p");
    p->SetAttribute(L"title", L"new");
    p->SetAttribute(L"lang", L"en");
    p->RemoveAttribute(L"id");
    EXPECT_EQ(p->AttributeOr(L"title"), L"new");
    EXPECT_EQ(p->AttributeOr(L"lang"), L"en");
    EXPECT_FALSE(p->HasAttribute(L"id"));
    p->SetRuntimeStyle(L"color", L"red");
    p->SetRuntimeStyle(L"color", L"green");
    p->SetRuntimeStyle(L"text-decoration", L"line-through");
    ASSERT_EQ(p->RuntimeStyle().size(), 2u);
    EXPECT_EQ(p->RuntimeStyle()[0].value, L"green");
    p->RemoveRuntimeStyle(L"color");
    EXPECT_EQ(p->RuntimeStyle().size(), 1u);
    p->ClearRuntimeStyle();
    EXPECT_TRUE(p->RuntimeStyle().empty());
}

}  // namespace
