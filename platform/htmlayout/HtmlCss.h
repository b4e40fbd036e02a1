// Style sheets and the cascade of the HTML engine: the selectors and properties the pages
// use, and the HTML attributes that carry style. No window code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/htmlayout/HtmlDom.h"

namespace hl {

enum class Display { Inline, Block, InlineBlock, ListItem, Table, TableRow, TableCell, None };
enum class TextAlign { Left, Center, Right };
enum class VerticalAlign { Baseline, Top, Middle, Bottom };

// A length as written: auto, pixels, or a percentage of the containing block.
struct Length {
    enum Unit { Auto, Px, Percent };
    Unit unit = Auto;
    float value = 0;
    bool IsAuto() const { return unit == Auto; }
    // Pixels against a base for percentages; fallback for auto.
    int Resolve(int base, int fallback = 0) const {
        if (unit == Px) return static_cast<int>(value + 0.5f);
        if (unit == Percent) return static_cast<int>(base * value / 100.0f + 0.5f);
        return fallback;
    }
    static Length Px_(float v) { return {Px, v}; }
};

constexpr COLORREF kNoColor = CLR_INVALID;

enum Side { kTop = 0, kRight = 1, kBottom = 2, kLeft = 3 };

struct ComputedStyle {
    // Inherited.
    COLORREF color = RGB(0, 0, 0);
    std::wstring fontFamily = L"Verdana, Tahoma, sans-serif";
    int fontSize = 12;  // px
    int fontWeight = 400;
    bool italic = false;
    bool underline = false;  // text decorations are carried to the text inside
    bool lineThrough = false;
    TextAlign textAlign = TextAlign::Left;
    bool preserveSpace = false;  // white-space: pre
    bool noWrap = false;
    bool listBullet = true;
    // Not inherited.
    Display display = Display::Inline;
    COLORREF background = kNoColor;
    Length margin[4] = {Length::Px_(0), Length::Px_(0), Length::Px_(0), Length::Px_(0)};
    Length padding[4] = {Length::Px_(0), Length::Px_(0), Length::Px_(0), Length::Px_(0)};
    int borderWidth[4] = {};  // zero where the side has no line style
    bool borderStyled[4] = {};
    COLORREF borderColor[4] = {kNoColor, kNoColor, kNoColor, kNoColor};
    int borderRadius = 0;
    Length width;
    Length height;
    VerticalAlign verticalAlign = VerticalAlign::Baseline;
    bool flowHorizontal = false;
    int textIndent = 0;
    bool visible = true;
};

struct Declaration {
    std::wstring name;  // lower case
    std::wstring value;
};

struct SimpleSelector {
    std::wstring tag;  // empty or "*": any
    std::wstring id;
    std::vector<std::wstring> classes;
    bool impossible = false;  // pseudo-classes and attribute tests we do not support
    wchar_t combinator = 0;   // how it joins the simple selector before it: ' ' or '>'
};

struct Rule {
    std::vector<SimpleSelector> selector;  // left to right
    int specificity = 0;
    size_t order = 0;
    std::vector<Declaration> declarations;
};

class StyleSheet {
public:
    // Adds the rules of text; what does not parse is skipped up to the next rule.
    void Parse(const std::wstring& text);
    const std::vector<Rule>& Rules() const { return m_rules; }
    bool Empty() const { return m_rules.empty(); }

private:
    std::vector<Rule> m_rules;
};

// Splits "a: b; c: d" into declarations; broken ones are skipped.
std::vector<Declaration> ParseDeclarations(const std::wstring& text);

// A CSS or HTML colour: #rgb, #rrggbb, rrggbb, rgb(r, g, b) or a name. kNoColor when unknown.
COLORREF ParseColor(const std::wstring& text);

bool SelectorMatches(const std::vector<SimpleSelector>& selector, const Element* e);

// Computes the style of every element below root, root included; sheets are the page's
// own, in order, after the built-in defaults.
void ComputeStyles(Element* root, const std::vector<const StyleSheet*>& sheets);

// The built-in sheet of HTML defaults.
const StyleSheet& DefaultStyleSheet();

}  // namespace hl
