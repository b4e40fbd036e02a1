#include "platform/htmlayout/HtmlCss.h"

#include <wctype.h>

#include <algorithm>
#include <cstdlib>

#include "core/base/Logger.h"

namespace hl {

namespace {

// Every rule is tried on every element: a hostile sheet must not make that endless.
constexpr size_t kMaxRules = 5000;

struct NamedColor {
    const wchar_t* name;
    COLORREF color;
};

const NamedColor kColors[] = {
    {L"black", RGB(0, 0, 0)},
    {L"white", RGB(255, 255, 255)},
    {L"red", RGB(255, 0, 0)},
    {L"green", RGB(0, 128, 0)},
    {L"blue", RGB(0, 0, 255)},
    {L"yellow", RGB(255, 255, 0)},
    {L"gray", RGB(128, 128, 128)},
    {L"grey", RGB(128, 128, 128)},
    {L"silver", RGB(192, 192, 192)},
    {L"maroon", RGB(128, 0, 0)},
    {L"purple", RGB(128, 0, 128)},
    {L"fuchsia", RGB(255, 0, 255)},
    {L"lime", RGB(0, 255, 0)},
    {L"olive", RGB(128, 128, 0)},
    {L"navy", RGB(0, 0, 128)},
    {L"teal", RGB(0, 128, 128)},
    {L"aqua", RGB(0, 255, 255)},
    {L"orange", RGB(255, 165, 0)},
    {L"darkblue", RGB(0, 0, 139)},
    {L"darkgreen", RGB(0, 100, 0)},
    {L"darkred", RGB(139, 0, 0)},
    {L"darkgray", RGB(169, 169, 169)},
    {L"darkgrey", RGB(169, 169, 169)},
    {L"dimgray", RGB(105, 105, 105)},
    {L"dimgrey", RGB(105, 105, 105)},
    {L"lightgray", RGB(211, 211, 211)},
    {L"lightgrey", RGB(211, 211, 211)},
    {L"gainsboro", RGB(220, 220, 220)},
    {L"whitesmoke", RGB(245, 245, 245)},
    {L"lemonchiffon", RGB(255, 250, 205)},
    {L"cornsilk", RGB(255, 248, 220)},
    {L"forestgreen", RGB(34, 139, 34)},
    {L"ivory", RGB(255, 255, 240)},
    {L"beige", RGB(245, 245, 220)},
    {L"linen", RGB(250, 240, 230)},
    {L"lightyellow", RGB(255, 255, 224)},
    {L"lightblue", RGB(173, 216, 230)},
    {L"steelblue", RGB(70, 130, 180)},
    {L"royalblue", RGB(65, 105, 225)},
    {L"midnightblue", RGB(25, 25, 112)},
    {L"darkslategray", RGB(47, 79, 79)},
    {L"slategray", RGB(112, 128, 144)},
    {L"seagreen", RGB(46, 139, 87)},
    {L"limegreen", RGB(50, 205, 50)},
    {L"crimson", RGB(220, 20, 60)},
    {L"firebrick", RGB(178, 34, 34)},
    {L"brown", RGB(165, 42, 42)},
    {L"gold", RGB(255, 215, 0)},
    {L"khaki", RGB(240, 230, 140)},
    {L"wheat", RGB(245, 222, 179)},
    {L"tan", RGB(210, 180, 140)},
    {L"pink", RGB(255, 192, 203)},
    {L"orchid", RGB(218, 112, 214)},
    {L"skyblue", RGB(135, 206, 235)},
    {L"aliceblue", RGB(240, 248, 255)},
    {L"honeydew", RGB(240, 255, 240)},
    {L"mintcream", RGB(245, 255, 250)},
    {L"floralwhite", RGB(255, 250, 240)},
    {L"ghostwhite", RGB(248, 248, 255)},
    {L"snow", RGB(255, 250, 250)},
    {L"oldlace", RGB(253, 245, 230)},
    {L"seashell", RGB(255, 245, 238)},
    {L"lavender", RGB(230, 230, 250)},
};

std::wstring Trim(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && iswspace(text[b])) ++b;
    while (e > b && iswspace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// Splits on blanks outside parentheses and quotes.
std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    int depth = 0;
    wchar_t quote = 0;
    for (wchar_t c : text) {
        if (quote) {
            if (c == quote) quote = 0;
            word += c;
        } else if (c == L'"' || c == L'\'') {
            quote = c;
            word += c;
        } else if (c == L'(') {
            ++depth;
            word += c;
        } else if (c == L')') {
            if (depth) --depth;
            word += c;
        } else if (iswspace(c) && depth == 0) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    c = static_cast<wchar_t>(towlower(c));
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

bool ParseHexColor(const std::wstring& hex, COLORREF& color) {
    for (wchar_t c : hex)
        if (HexValue(c) < 0) return false;
    if (hex.size() == 3) {
        color = RGB(HexValue(hex[0]) * 17, HexValue(hex[1]) * 17, HexValue(hex[2]) * 17);
        return true;
    }
    if (hex.size() == 6) {
        color = RGB(HexValue(hex[0]) * 16 + HexValue(hex[1]), HexValue(hex[2]) * 16 + HexValue(hex[3]),
                    HexValue(hex[4]) * 16 + HexValue(hex[5]));
        return true;
    }
    return false;
}

// A length; false when text is none. Plain numbers are pixels.
bool ParseLength(const std::wstring& text, int fontSize, Length& length) {
    const std::wstring t = ToLower(Trim(text));
    if (t == L"auto") {
        length = Length();
        return true;
    }
    wchar_t* end = nullptr;
    const double v = wcstod(t.c_str(), &end);
    if (end == t.c_str()) return false;
    const std::wstring unit(end);
    double px;
    if (unit.empty() || unit == L"px") {
        px = v;
    } else if (unit == L"%") {
        length = {Length::Percent, static_cast<float>(v)};
        return true;
    } else if (unit == L"pt") {
        px = v * 96.0 / 72.0;
    } else if (unit == L"em") {
        px = v * fontSize;
    } else if (unit == L"ex") {
        px = v * fontSize / 2;
    } else if (unit == L"in") {
        px = v * 96.0;
    } else if (unit == L"cm") {
        px = v * 96.0 / 2.54;
    } else if (unit == L"mm") {
        px = v * 96.0 / 25.4;
    } else {
        return false;
    }
    length = Length::Px_(static_cast<float>(px));
    return true;
}

int ParseFontSize(const std::wstring& text, int parentSize) {
    static const struct {
        const wchar_t* name;
        int px;
    } kKeywords[] = {{L"xx-small", 9}, {L"x-small", 10}, {L"small", 13},   {L"medium", 16},
                     {L"large", 18},   {L"x-large", 24}, {L"xx-large", 32}};
    const std::wstring t = ToLower(Trim(text));
    for (const auto& k : kKeywords)
        if (t == k.name) return k.px;
    if (t == L"smaller") return std::max(1, parentSize * 5 / 6);
    if (t == L"larger") return parentSize * 6 / 5;
    Length length;
    if (!ParseLength(t, parentSize, length) || length.IsAuto()) return parentSize;
    return std::max(1, length.Resolve(parentSize, parentSize));
}

// The legacy sizes 1 to 7 of FONT SIZE, absolute or relative to 3.
int FontAttributeSize(const std::wstring& text, int parentSize) {
    static const int kPx[] = {10, 13, 16, 18, 24, 32, 48};
    const std::wstring t = Trim(text);
    if (t.empty()) return parentSize;
    int n = _wtoi(t.c_str());
    if (t[0] == L'+' || t[0] == L'-') n += 3;
    if (n == 0 && t[0] != L'+' && t[0] != L'-' && !iswdigit(t[0])) return parentSize;
    n = std::min(7, std::max(1, n));
    return kPx[n - 1];
}

bool IsBorderStyle(const std::wstring& word) {
    static const wchar_t* kStyles[] = {L"solid", L"dashed", L"dotted", L"double", L"groove",
                                       L"ridge", L"inset",  L"outset", L"none",   L"hidden"};
    for (const wchar_t* s : kStyles)
        if (word == s) return true;
    return false;
}

void SetBorderSide(ComputedStyle& s, int side, const std::wstring& value) {
    for (const std::wstring& raw : Words(value)) {
        const std::wstring w = ToLower(raw);
        Length length;
        if (IsBorderStyle(w)) {
            s.borderStyled[side] = w != L"none" && w != L"hidden";
        } else if (w == L"thin") {
            s.borderWidth[side] = 1;
        } else if (w == L"medium") {
            s.borderWidth[side] = 3;
        } else if (w == L"thick") {
            s.borderWidth[side] = 5;
        } else if (ParseColor(w) != kNoColor && !iswdigit(w[0])) {
            s.borderColor[side] = ParseColor(w);
        } else if (ParseLength(w, s.fontSize, length) && length.unit == Length::Px) {
            s.borderWidth[side] = length.Resolve(0);
        } else if (ParseColor(w) != kNoColor) {
            s.borderColor[side] = ParseColor(w);
        }
    }
}

// 1 to 4 values for top, right, bottom, left.
template <class SetOne>
void FourSides(const std::wstring& value, SetOne set) {
    const std::vector<std::wstring> w = Words(value);
    if (w.empty()) return;
    const std::wstring& top = w[0];
    const std::wstring& right = w.size() > 1 ? w[1] : top;
    const std::wstring& bottom = w.size() > 2 ? w[2] : top;
    const std::wstring& left = w.size() > 3 ? w[3] : right;
    set(kTop, top);
    set(kRight, right);
    set(kBottom, bottom);
    set(kLeft, left);
}

int SideIndex(const std::wstring& name) {
    if (name == L"top") return kTop;
    if (name == L"right") return kRight;
    if (name == L"bottom") return kBottom;
    if (name == L"left") return kLeft;
    return -1;
}

void ApplyFont(ComputedStyle& s, int parentSize, const std::wstring& value) {
    const std::vector<std::wstring> w = Words(value);
    size_t i = 0;
    for (; i < w.size(); ++i) {
        const std::wstring t = ToLower(w[i]);
        if (t == L"bold" || t == L"bolder") {
            s.fontWeight = 700;
        } else if (t == L"italic" || t == L"oblique") {
            s.italic = true;
        } else if (t == L"normal") {
        } else if (iswdigit(t[0]) && t.size() == 3 && t.back() == L'0') {
            s.fontWeight = _wtoi(t.c_str());
        } else {
            break;
        }
    }
    if (i >= w.size()) return;
    std::wstring size = w[i++];
    const size_t slash = size.find(L'/');
    if (slash != std::wstring::npos) size.resize(slash);
    s.fontSize = ParseFontSize(size, parentSize);
    std::wstring family;
    for (; i < w.size(); ++i) family += (family.empty() ? L"" : L" ") + w[i];
    if (!family.empty()) s.fontFamily = family;
}

void Apply(ComputedStyle& s, const ComputedStyle& parent, const std::wstring& name, const std::wstring& rawValue) {
    std::wstring value = Trim(rawValue);
    const size_t important = ToLower(value).find(L"!important");
    if (important != std::wstring::npos) value = Trim(value.substr(0, important));
    if (value.empty()) return;
    const std::wstring lower = ToLower(value);
    Length length;
    if (name == L"color") {
        const COLORREF c = ParseColor(value);
        if (c != kNoColor) s.color = c;
    } else if (name == L"background-color" || name == L"background") {
        if (lower == L"transparent" || lower == L"none") s.background = kNoColor;
        for (const std::wstring& w : Words(value)) {
            const COLORREF c = ParseColor(w);
            if (c != kNoColor) s.background = c;
        }
    } else if (name == L"font-family") {
        s.fontFamily = value;
    } else if (name == L"font-size") {
        s.fontSize = ParseFontSize(value, parent.fontSize);
    } else if (name == L"font-weight") {
        if (lower == L"bold" || lower == L"bolder")
            s.fontWeight = 700;
        else if (lower == L"normal" || lower == L"lighter")
            s.fontWeight = 400;
        else if (_wtoi(lower.c_str()) > 0)
            s.fontWeight = _wtoi(lower.c_str());
    } else if (name == L"font-style") {
        s.italic = lower == L"italic" || lower == L"oblique";
    } else if (name == L"font") {
        ApplyFont(s, parent.fontSize, value);
    } else if (name == L"text-decoration") {
        if (lower.find(L"none") != std::wstring::npos) s.underline = s.lineThrough = false;
        if (lower.find(L"underline") != std::wstring::npos) s.underline = true;
        if (lower.find(L"line-through") != std::wstring::npos) s.lineThrough = true;
    } else if (name == L"margin" || name == L"padding") {
        Length* sides = name == L"margin" ? s.margin : s.padding;
        FourSides(value, [&](int side, const std::wstring& v) {
            if (ParseLength(v, s.fontSize, length)) sides[side] = length;
        });
    } else if (name.compare(0, 7, L"margin-") == 0 || name.compare(0, 8, L"padding-") == 0) {
        const bool margin = name[0] == L'm';
        const int side = SideIndex(name.substr(margin ? 7 : 8));
        if (side >= 0 && ParseLength(value, s.fontSize, length)) (margin ? s.margin : s.padding)[side] = length;
    } else if (name == L"border") {
        for (int side = 0; side < 4; ++side) SetBorderSide(s, side, value);
    } else if (name == L"border-width" || name == L"border-style" || name == L"border-color") {
        FourSides(value, [&](int side, const std::wstring& v) { SetBorderSide(s, side, v); });
    } else if (name == L"border-radius") {
        const std::vector<std::wstring> w = Words(value);
        if (!w.empty() && ParseLength(w[0], s.fontSize, length)) s.borderRadius = length.Resolve(0);
    } else if (name.compare(0, 7, L"border-") == 0) {
        std::wstring rest = name.substr(7);
        const size_t dash = rest.find(L'-');
        const int side = SideIndex(rest.substr(0, dash));
        if (side >= 0) SetBorderSide(s, side, value);
    } else if (name == L"width" || name == L"height") {
        if (ParseLength(value, s.fontSize, length)) (name == L"width" ? s.width : s.height) = length;
    } else if (name == L"text-align") {
        s.textAlign = lower == L"center" ? TextAlign::Center : lower == L"right" ? TextAlign::Right : TextAlign::Left;
    } else if (name == L"vertical-align") {
        s.verticalAlign = lower == L"top" || lower == L"text-top"         ? VerticalAlign::Top
                          : lower == L"middle"                            ? VerticalAlign::Middle
                          : lower == L"bottom" || lower == L"text-bottom" ? VerticalAlign::Bottom
                                                                          : VerticalAlign::Baseline;
    } else if (name == L"display") {
        static const struct {
            const wchar_t* name;
            Display display;
        } kDisplays[] = {
            {L"inline", Display::Inline},        {L"block", Display::Block}, {L"inline-block", Display::InlineBlock},
            {L"list-item", Display::ListItem},   {L"table", Display::Table}, {L"table-row", Display::TableRow},
            {L"table-cell", Display::TableCell}, {L"none", Display::None}};
        for (const auto& d : kDisplays)
            if (lower == d.name) s.display = d.display;
    } else if (name == L"flow") {
        s.flowHorizontal = lower == L"horizontal" || lower == L"horizontal-flow";
    } else if (name == L"white-space") {
        s.preserveSpace = lower == L"pre" || lower == L"pre-wrap";
        s.noWrap = lower == L"nowrap" || lower == L"pre";
    } else if (name == L"text-indent") {
        if (ParseLength(value, s.fontSize, length)) s.textIndent = length.Resolve(0);
    } else if (name == L"visibility") {
        s.visible = lower != L"hidden" && lower != L"collapse";
    } else if (name == L"list-style-type" || name == L"list-style") {
        s.listBullet = lower.find(L"none") == std::wstring::npos;
    }
}

bool MatchesOne(const SimpleSelector& simple, const Element* e) {
    if (simple.impossible || e->IsText()) return false;
    if (!simple.tag.empty() && simple.tag != L"*" && simple.tag != e->Tag()) return false;
    if (!simple.id.empty()) {
        const std::wstring* id = e->FindAttribute(L"id");
        if (!id || !EqualsNoCase(*id, simple.id)) return false;
    }
    if (!simple.classes.empty()) {
        const std::wstring* cls = e->FindAttribute(L"class");
        if (!cls) return false;
        const std::vector<std::wstring> have = Words(*cls);
        for (const std::wstring& want : simple.classes)
            if (std::none_of(have.begin(), have.end(), [&](const std::wstring& h) { return EqualsNoCase(h, want); }))
                return false;
    }
    return true;
}

bool MatchFrom(const std::vector<SimpleSelector>& selector, size_t index, const Element* e) {
    if (!MatchesOne(selector[index], e)) return false;
    if (index == 0) return true;
    const wchar_t combinator = selector[index].combinator;
    for (const Element* up = e->Parent(); up; up = up->Parent()) {
        if (MatchFrom(selector, index - 1, up)) return true;
        if (combinator == L'>') return false;
    }
    return false;
}

bool IsIdentChar(wchar_t c) {
    return iswalnum(c) || c == L'-' || c == L'_' || c > 0x7F;
}

// One selector of a comma-separated list; an empty result does not match anything.
std::vector<SimpleSelector> ParseSelector(const std::wstring& text, int& specificity) {
    std::vector<SimpleSelector> parts;
    specificity = 0;
    SimpleSelector current;
    bool started = false;
    wchar_t pending = 0;
    auto finish = [&]() {
        if (!started) return;
        current.combinator = parts.empty() ? 0 : (pending ? pending : L' ');
        parts.push_back(current);
        current = SimpleSelector();
        started = false;
        pending = 0;
    };
    size_t i = 0;
    auto ident = [&]() {
        const size_t start = i;
        while (i < text.size() && IsIdentChar(text[i])) ++i;
        return text.substr(start, i - start);
    };
    while (i < text.size()) {
        const wchar_t c = text[i];
        if (iswspace(c)) {
            finish();
            ++i;
        } else if (c == L'>') {
            finish();
            pending = L'>';
            ++i;
        } else if (c == L'+' || c == L'~') {
            return {};
        } else if (c == L'#') {
            ++i;
            current.id = ident();
            specificity += 100;
            started = true;
        } else if (c == L'.') {
            ++i;
            current.classes.push_back(ident());
            specificity += 10;
            started = true;
        } else if (c == L':') {
            while (i < text.size() && text[i] == L':') ++i;
            const std::wstring pseudo = ToLower(ident());
            if (pseudo != L"link") current.impossible = true;
            if (i < text.size() && text[i] == L'(') {
                while (i < text.size() && text[i] != L')') ++i;
                ++i;
            }
            specificity += 10;
            started = true;
        } else if (c == L'[') {
            while (i < text.size() && text[i] != L']') ++i;
            ++i;
            current.impossible = true;
            started = true;
        } else if (c == L'*') {
            ++i;
            current.tag = L"*";
            started = true;
        } else if (IsIdentChar(c)) {
            current.tag = ToLower(ident());
            specificity += 1;
            started = true;
        } else {
            return {};
        }
    }
    finish();
    return parts;
}

// Skips a {...} block starting at text[i] == '{'; returns the index after it.
size_t SkipBlock(const std::wstring& text, size_t i) {
    int depth = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == L'{') ++depth;
        if (text[i] == L'}' && --depth == 0) return i + 1;
    }
    return text.size();
}

std::wstring StripComments(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, L"/*") == 0) {
            const size_t end = text.find(L"*/", i + 2);
            i = end == std::wstring::npos ? text.size() : end + 2;
            out += L' ';
        } else if (text.compare(i, 4, L"<!--") == 0 || text.compare(i, 3, L"-->") == 0) {
            i += text[i] == L'<' ? 4 : 3;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// Style from the HTML attributes of e; comes before every sheet rule of the page.
void ApplyAttributes(ComputedStyle& s, const ComputedStyle& parent, const Element* e) {
    const std::wstring& tag = e->Tag();
    auto attr = [&](const wchar_t* name) { return e->FindAttribute(name); };
    auto length = [&](const std::wstring& v, Length& out) {
        Length l;
        if (ParseLength(v, s.fontSize, l) && !l.IsAuto()) out = l;
    };
    if (tag == L"a" && attr(L"href")) {
        s.color = RGB(0, 0, 238);
        s.underline = true;
    }
    if (const std::wstring* v = attr(L"bgcolor")) {
        const COLORREF c = ParseColor(*v);
        if (c != kNoColor) s.background = c;
    }
    if (tag == L"body") {
        if (const std::wstring* v = attr(L"text")) {
            const COLORREF c = ParseColor(*v);
            if (c != kNoColor) s.color = c;
        }
        const struct {
            const wchar_t* name;
            int side;
        } kMargins[] = {{L"topmargin", kTop},     {L"bottommargin", kBottom}, {L"leftmargin", kLeft},
                        {L"rightmargin", kRight}, {L"marginheight", kTop},    {L"marginheight", kBottom},
                        {L"marginwidth", kLeft},  {L"marginwidth", kRight}};
        for (const auto& m : kMargins)
            if (const std::wstring* v = attr(m.name)) length(*v, s.margin[m.side]);
    }
    if (tag == L"font") {
        if (const std::wstring* v = attr(L"color")) {
            const COLORREF c = ParseColor(*v);
            if (c != kNoColor) s.color = c;
        }
        if (const std::wstring* v = attr(L"size")) s.fontSize = FontAttributeSize(*v, parent.fontSize);
        if (const std::wstring* v = attr(L"face")) s.fontFamily = *v;
    }
    if (const std::wstring* v = attr(L"align")) {
        const std::wstring a = ToLower(*v);
        if (tag == L"table") {
            if (a == L"center") s.margin[kLeft] = s.margin[kRight] = Length();
        } else if (tag != L"img") {
            s.textAlign = a == L"center" || a == L"middle" ? TextAlign::Center
                          : a == L"right"                  ? TextAlign::Right
                                                           : TextAlign::Left;
        }
    }
    const Element* row = e->Parent();
    const std::wstring* valign = attr(L"valign");
    if (!valign && (tag == L"td" || tag == L"th") && row && row->Tag() == L"tr") valign = row->FindAttribute(L"valign");
    if (valign) {
        const std::wstring v = ToLower(*valign);
        s.verticalAlign = v == L"top"                        ? VerticalAlign::Top
                          : v == L"bottom"                   ? VerticalAlign::Bottom
                          : v == L"middle" || v == L"center" ? VerticalAlign::Middle
                                                             : VerticalAlign::Baseline;
    }
    if (tag == L"table" || tag == L"td" || tag == L"th" || tag == L"img" || tag == L"tr" || tag == L"hr") {
        if (const std::wstring* v = attr(L"width")) length(*v, s.width);
        if (const std::wstring* v = attr(L"height")) length(*v, s.height);
    }
    if ((tag == L"td" || tag == L"th") && attr(L"nowrap")) s.noWrap = true;
    if (tag == L"td" || tag == L"th") {
        const Element* table = row;
        while (table && table->Tag() != L"table") table = table->Parent();
        if (table) {
            if (const std::wstring* v = table->FindAttribute(L"cellpadding"))
                for (Length& p : s.padding) length(*v, p);
            const std::wstring* border = table->FindAttribute(L"border");
            if (border && _wtoi(border->c_str()) > 0) {
                for (int side = 0; side < 4; ++side) {
                    s.borderWidth[side] = 1;
                    s.borderStyled[side] = true;
                    s.borderColor[side] = RGB(160, 160, 160);
                }
            }
        }
    }
    if (tag == L"table" || tag == L"img") {
        if (const std::wstring* v = attr(L"border")) {
            const int width = std::max(0, _wtoi(v->c_str()));
            for (int side = 0; side < 4; ++side) {
                s.borderWidth[side] = width;
                s.borderStyled[side] = width > 0;
                s.borderColor[side] = tag == L"table" ? RGB(128, 128, 128) : kNoColor;
            }
        }
    }
    if (tag == L"img") {
        if (const std::wstring* v = attr(L"hspace")) length(*v, s.margin[kLeft]), length(*v, s.margin[kRight]);
        if (const std::wstring* v = attr(L"vspace")) length(*v, s.margin[kTop]), length(*v, s.margin[kBottom]);
    }
}

const wchar_t kDefaultSheet[] =
    L"html, body, div, p, h1, h2, h3, h4, h5, h6, ul, ol, dl, dt, dd, form, center, blockquote, pre, hr, address,"
    L" tbody, thead, tfoot, caption { display: block }"
    L"head, style, script, title, meta, link, base, noscript { display: none }"
    L"li { display: list-item }"
    L"table { display: table; border-spacing: 2px }"
    L"tr { display: table-row }"
    L"td, th { display: table-cell; vertical-align: middle; padding: 1px }"
    L"th { font-weight: bold; text-align: center }"
    L"img, input, button, select, textarea { display: inline-block }"
    L"body { margin: 8px }"
    L"p { margin: 1em 0 }"
    L"h1 { font-size: 2em; margin: 0.67em 0; font-weight: bold }"
    L"h2 { font-size: 1.5em; margin: 0.83em 0; font-weight: bold }"
    L"h3 { font-size: 1.17em; margin: 1em 0; font-weight: bold }"
    L"h4 { margin: 1.33em 0; font-weight: bold }"
    L"h5 { font-size: 0.83em; margin: 1.67em 0; font-weight: bold }"
    L"h6 { font-size: 0.67em; margin: 2.33em 0; font-weight: bold }"
    L"b, strong { font-weight: bold }"
    L"i, em, cite, var, address { font-style: italic }"
    L"u, ins { text-decoration: underline }"
    L"s, strike, del { text-decoration: line-through }"
    L"ul, ol { margin: 1em 0; padding-left: 40px }"
    L"dd { margin-left: 40px }"
    L"blockquote { margin: 1em 40px }"
    L"center { text-align: center }"
    L"pre { white-space: pre; font-family: Courier New, monospace; margin: 1em 0 }"
    L"tt, code, kbd, samp { font-family: Courier New, monospace }"
    L"big { font-size: larger }"
    L"small { font-size: smaller }"
    L"hr { border: 1px solid gray; margin: 0.5em 0 }"
    L"nobr { white-space: nowrap }";

}  // namespace

COLORREF ParseColor(const std::wstring& text) {
    const std::wstring t = ToLower(Trim(text));
    if (t.empty()) return kNoColor;
    COLORREF color;
    if (t[0] == L'#') return ParseHexColor(t.substr(1), color) ? color : kNoColor;
    if (t.compare(0, 4, L"rgb(") == 0 || t.compare(0, 5, L"rgba(") == 0) {
        int v[3] = {};
        size_t p = t.find(L'(') + 1;
        for (int i = 0; i < 3; ++i) {
            wchar_t* end = nullptr;
            const double n = wcstod(t.c_str() + p, &end);
            if (end == t.c_str() + p) return kNoColor;
            p = end - t.c_str();
            v[i] = static_cast<int>(p < t.size() && t[p] == L'%' ? n * 2.55 + 0.5 : n);
            v[i] = std::min(255, std::max(0, v[i]));
            p = t.find_first_of(L",)", p);
            if (p == std::wstring::npos) return kNoColor;
            ++p;
        }
        return RGB(v[0], v[1], v[2]);
    }
    for (const NamedColor& named : kColors)
        if (t == named.name) return named.color;
    // Old pages write hexadecimal colours without the hash.
    if (ParseHexColor(t, color) && t.size() == 6) return color;
    return kNoColor;
}

std::vector<Declaration> ParseDeclarations(const std::wstring& text) {
    std::vector<Declaration> out;
    size_t start = 0;
    int depth = 0;
    wchar_t quote = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const wchar_t c = i < text.size() ? text[i] : L';';
        if (quote) {
            if (c == quote) quote = 0;
            if (i < text.size()) continue;
        }
        if (c == L'"' || c == L'\'') quote = c;
        if (c == L'(') ++depth;
        if (c == L')' && depth) --depth;
        if (c != L';' || (depth && i < text.size())) continue;
        const std::wstring item = text.substr(start, i - start);
        start = i + 1;
        const size_t colon = item.find(L':');
        if (colon == std::wstring::npos) continue;
        const std::wstring name = ToLower(Trim(item.substr(0, colon)));
        const std::wstring value = Trim(item.substr(colon + 1));
        if (name.empty() || value.empty()) continue;
        if (!std::all_of(name.begin(), name.end(), [](wchar_t n) { return iswalnum(n) || n == L'-'; })) continue;
        out.push_back({name, value});
    }
    return out;
}

void StyleSheet::Parse(const std::wstring& input) {
    const std::wstring text = StripComments(input);
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && iswspace(text[i])) ++i;
        if (i >= text.size()) break;
        if (text[i] == L'}') {
            ++i;
            continue;
        }
        if (text[i] == L'@') {
            const size_t semicolon = text.find(L';', i);
            const size_t brace = text.find(L'{', i);
            if (brace != std::wstring::npos && (semicolon == std::wstring::npos || brace < semicolon))
                i = SkipBlock(text, brace);
            else
                i = semicolon == std::wstring::npos ? text.size() : semicolon + 1;
            continue;
        }
        const size_t open = text.find_first_of(L"{}", i);
        if (open == std::wstring::npos) break;
        if (text[open] == L'}') {
            i = open + 1;
            continue;
        }
        const std::wstring selectors = text.substr(i, open - i);
        const size_t close = SkipBlock(text, open);
        const size_t bodyEnd = close > open + 1 && close <= text.size() && text[close - 1] == L'}' ? close - 1 : close;
        const std::vector<Declaration> declarations = ParseDeclarations(text.substr(open + 1, bodyEnd - open - 1));
        i = close;
        size_t from = 0;
        while (from <= selectors.size()) {
            size_t comma = selectors.find(L',', from);
            if (comma == std::wstring::npos) comma = selectors.size();
            Rule rule;
            rule.selector = ParseSelector(Trim(selectors.substr(from, comma - from)), rule.specificity);
            from = comma + 1;
            if (rule.selector.empty() || declarations.empty()) continue;
            if (m_rules.size() >= kMaxRules) {
                LogWriteFormat(L"HTMLayout: style sheet has more than %u rules, the rest is dropped",
                               static_cast<unsigned>(kMaxRules));
                return;
            }
            rule.order = m_rules.size();
            rule.declarations = declarations;
            m_rules.push_back(std::move(rule));
        }
    }
}

bool SelectorMatches(const std::vector<SimpleSelector>& selector, const Element* e) {
    return !selector.empty() && MatchFrom(selector, selector.size() - 1, e);
}

const StyleSheet& DefaultStyleSheet() {
    static const StyleSheet sheet = [] {
        StyleSheet s;
        s.Parse(kDefaultSheet);
        return s;
    }();
    return sheet;
}

namespace {

struct Match {
    int specificity;
    size_t sheet;
    size_t order;
    const Rule* rule;
};

void CollectMatches(const StyleSheet& sheet, size_t sheetIndex, const Element* e, std::vector<Match>& out) {
    for (const Rule& rule : sheet.Rules())
        if (SelectorMatches(rule.selector, e)) out.push_back({rule.specificity, sheetIndex, rule.order, &rule});
}

void Sort(std::vector<Match>& matches) {
    std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
        if (a.specificity != b.specificity) return a.specificity < b.specificity;
        if (a.sheet != b.sheet) return a.sheet < b.sheet;
        return a.order < b.order;
    });
}

void ComputeOne(Element* e, const ComputedStyle& parent, const std::vector<const StyleSheet*>& sheets) {
    auto style = std::make_unique<ComputedStyle>();
    ComputedStyle& s = *style;
    s.color = parent.color;
    s.fontFamily = parent.fontFamily;
    s.fontSize = parent.fontSize;
    s.fontWeight = parent.fontWeight;
    s.italic = parent.italic;
    s.underline = parent.underline;
    s.lineThrough = parent.lineThrough;
    s.textAlign = parent.textAlign;
    s.preserveSpace = parent.preserveSpace;
    s.noWrap = parent.noWrap;
    s.listBullet = parent.listBullet;
    s.visible = parent.visible;
    if (!e->IsText()) {
        std::vector<Match> matches;
        CollectMatches(DefaultStyleSheet(), 0, e, matches);
        Sort(matches);
        for (const Match& m : matches)
            for (const Declaration& d : m.rule->declarations) Apply(s, parent, d.name, d.value);
        ApplyAttributes(s, parent, e);
        matches.clear();
        for (size_t i = 0; i < sheets.size(); ++i) CollectMatches(*sheets[i], i, e, matches);
        Sort(matches);
        for (const Match& m : matches)
            for (const Declaration& d : m.rule->declarations) Apply(s, parent, d.name, d.value);
        if (const std::wstring* inline_ = e->FindAttribute(L"style"))
            for (const Declaration& d : ParseDeclarations(*inline_)) Apply(s, parent, d.name, d.value);
        for (const Attribute& a : e->RuntimeStyle()) Apply(s, parent, a.name, a.value);
        for (int side = 0; side < 4; ++side) {
            if (!s.borderStyled[side]) s.borderWidth[side] = 0;
            if (s.borderColor[side] == kNoColor) s.borderColor[side] = s.color;
        }
    }
    e->style = std::move(style);
}

}  // namespace

void ComputeStyles(Element* root, const std::vector<const StyleSheet*>& sheets) {
    if (!root) return;
    const ComputedStyle initial;
    const ComputedStyle* parentStyle = root->Parent() && root->Parent()->style ? root->Parent()->style.get() : &initial;
    ComputeOne(root, *parentStyle, sheets);
    // Depth first without recursion; the parent's style is always computed first.
    std::vector<Element*> pending(root->Children().rbegin(), root->Children().rend());
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        ComputeOne(e, *e->Parent()->style, sheets);
        const auto& children = e->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
}

}  // namespace hl
