#include "platform/htmlayout/HtmlParser.h"

#include <wctype.h>

#include <algorithm>
#include <cstring>

#include "core/base/Logger.h"
#include "core/base/TextConversions.h"

namespace hl {

namespace {

struct NamedEntity {
    const wchar_t* name;
    wchar_t ch;
};

const NamedEntity kEntities[] = {
    {L"nbsp", 0x00A0},   {L"amp", L'&'},      {L"lt", L'<'},       {L"gt", L'>'},       {L"quot", L'"'},
    {L"apos", L'\''},    {L"bull", 0x2022},   {L"copy", 0x00A9},   {L"reg", 0x00AE},    {L"trade", 0x2122},
    {L"mdash", 0x2014},  {L"ndash", 0x2013},  {L"hellip", 0x2026}, {L"laquo", 0x00AB},  {L"raquo", 0x00BB},
    {L"middot", 0x00B7}, {L"euro", 0x20AC},   {L"times", 0x00D7},  {L"deg", 0x00B0},    {L"larr", 0x2190},
    {L"rarr", 0x2192},   {L"uarr", 0x2191},   {L"darr", 0x2193},   {L"sect", 0x00A7},   {L"para", 0x00B6},
    {L"lsquo", 0x2018},  {L"rsquo", 0x2019},  {L"ldquo", 0x201C},  {L"rdquo", 0x201D},  {L"shy", 0x00AD},
    {L"ensp", 0x2002},   {L"emsp", 0x2003},   {L"thinsp", 0x2009}, {L"pound", 0x00A3},  {L"yen", 0x00A5},
    {L"cent", 0x00A2},   {L"plusmn", 0x00B1}, {L"frac12", 0x00BD}, {L"hearts", 0x2665}, {L"check", 0x2713},
};

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

// Decodes the reference at text[pos] == '&'; returns the characters it used (0: not one).
size_t DecodeOne(const std::wstring& text, size_t pos, std::wstring& out) {
    size_t i = pos + 1;
    if (i < text.size() && text[i] == L'#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == L'x' || text[i] == L'X');
        if (hex) ++i;
        const size_t start = i;
        unsigned long cp = 0;
        while (i < text.size() && i - start < 8 && (hex ? iswxdigit(text[i]) : iswdigit(text[i]))) {
            const wchar_t c = text[i];
            const unsigned digit = iswdigit(c) ? c - L'0' : (towlower(c) - L'a' + 10);
            cp = cp * (hex ? 16 : 10) + digit;
            ++i;
        }
        if (i == start) return 0;
        if (i < text.size() && text[i] == L';') ++i;
        AppendCodePoint(out, cp);
        return i - pos;
    }
    const size_t start = i;
    while (i < text.size() && i - start < 10 && iswalnum(text[i])) ++i;
    const std::wstring name = text.substr(start, i - start);
    for (const NamedEntity& entity : kEntities) {
        if (name == entity.name) {
            if (i < text.size() && text[i] == L';') ++i;
            out += entity.ch;
            return i - pos;
        }
    }
    return 0;
}

bool IsOneOf(const std::wstring& tag, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names)
        if (tag == name) return true;
    return false;
}

bool IsVoid(const std::wstring& tag) {
    return IsOneOf(tag, {L"area", L"base", L"br", L"col", L"embed", L"hr", L"img", L"input", L"link", L"meta", L"param",
                         L"source", L"wbr"});
}

bool IsRawText(const std::wstring& tag) {
    return IsOneOf(tag, {L"style", L"script", L"title", L"textarea", L"xmp"});
}

bool BelongsInHead(const std::wstring& tag) {
    return IsOneOf(tag, {L"style", L"script", L"title", L"meta", L"link", L"base"});
}

bool ClosesParagraph(const std::wstring& tag) {
    return IsOneOf(tag,
                   {L"address", L"blockquote", L"center", L"div", L"dl",  L"form",  L"h1", L"h2", L"h3", L"h4", L"h5",
                    L"h6",      L"hr",         L"ol",     L"p",   L"pre", L"table", L"ul", L"li", L"dd", L"dt"});
}

bool IsTablePart(const std::wstring& tag) {
    return IsOneOf(tag, {L"table", L"tbody", L"thead", L"tfoot", L"tr", L"td", L"th"});
}

class CTreeBuilder {
public:
    explicit CTreeBuilder(const ParseLimits& limits) : m_limits(limits) {
        m_root = Element::NewElement(L"html");
        m_stack.push_back(m_root);
    }

    Element* Finish() {
        EnsureBody();
        return m_root;
    }

    bool Full() const { return m_nodes >= m_limits.maxNodes; }

    void Text(const std::wstring& raw) {
        if (raw.empty() || Full()) return;
        const bool blank = std::all_of(raw.begin(), raw.end(), [](wchar_t c) { return iswspace(c) && c != 0xA0; });
        if (blank && (!m_body || IsOneOf(Current()->Tag(), {L"table", L"tbody", L"thead", L"tfoot", L"tr", L"ul", L"ol",
                                                            L"head", L"html"})))
            return;
        if (!blank) EnsureBody();
        const auto& children = Current()->Children();
        if (!children.empty() && children.back()->IsText()) {
            children.back()->AppendText(raw);
            return;
        }
        Add(Element::NewText(raw), false);
    }

    void RawText(const std::wstring& text) {
        if (Full()) return;
        Add(Element::NewText(text), false);
    }

    // Returns the element opened, or null when it was folded into an existing one.
    Element* Open(const std::wstring& tag, std::vector<Attribute> attributes) {
        if (Full()) return nullptr;
        if (tag == L"html") {
            Merge(m_root, attributes);
            return nullptr;
        }
        if (tag == L"head") {
            if (!m_head && !m_body) {
                m_head = Element::NewElement(L"head");
                Add(m_head, true);
            }
            return nullptr;
        }
        if (tag == L"body") {
            if (m_body) {
                Merge(m_body, attributes);
                return nullptr;
            }
            PopTo(m_root);
            m_body = Element::NewElement(L"body");
            Merge(m_body, attributes);
            Add(m_body, true);
            return nullptr;
        }
        if (!(BelongsInHead(tag) && !m_body)) EnsureBody();
        CloseImplied(tag);
        Element* e = Element::NewElement(tag);
        for (Attribute& a : attributes) {
            if (!e->HasAttribute(a.name)) e->SetAttribute(a.name, a.value);
        }
        if (e->HasAttribute(L"checked")) e->SetState(0x40, 0);
        if (e->HasAttribute(L"disabled")) e->SetState(0x80, 0);
        Add(e, !IsVoid(tag));
        return e;
    }

    void Close(const std::wstring& tag) {
        if (IsOneOf(tag, {L"html", L"body", L"head"})) {
            if (tag == L"head" && m_head) PopTo(m_root);
            return;
        }
        const bool tablePart = IsTablePart(tag);
        for (size_t i = m_stack.size(); i-- > 1;) {
            const std::wstring& open = m_stack[i]->Tag();
            if (open == tag) {
                m_stack.resize(i);
                return;
            }
            if (open == L"table" || (!tablePart && (open == L"td" || open == L"th")) || open == L"body") return;
        }
    }

    void NoteDepthLimit() {
        if (!m_depthLogged)
            LogWriteFormat(L"HTMLayout: elements nested deeper than %u are put side by side",
                           static_cast<unsigned>(m_limits.maxDepth));
        m_depthLogged = true;
    }

private:
    Element* Current() const { return m_stack.back(); }

    void Add(Element* e, bool push) {
        ++m_nodes;
        if (m_nodes == m_limits.maxNodes)
            LogWriteFormat(L"HTMLayout: page has more than %u nodes, the rest is dropped",
                           static_cast<unsigned>(m_limits.maxNodes));
        Current()->AppendChild(e);
        if (!push) return;
        if (m_stack.size() >= m_limits.maxDepth) {
            NoteDepthLimit();
            return;
        }
        m_stack.push_back(e);
    }

    void Merge(Element* e, const std::vector<Attribute>& attributes) {
        for (const Attribute& a : attributes)
            if (!e->HasAttribute(a.name)) e->SetAttribute(a.name, a.value);
    }

    void EnsureBody() {
        if (m_body) return;
        PopTo(m_root);
        m_body = Element::NewElement(L"body");
        Add(m_body, true);
    }

    void PopTo(Element* e) {
        while (m_stack.size() > 1 && m_stack.back() != e) m_stack.pop_back();
    }

    // Index of the innermost open element named one of names, not looking past a stop tag.
    size_t FindOpen(std::initializer_list<const wchar_t*> names, std::initializer_list<const wchar_t*> stops) const {
        for (size_t i = m_stack.size(); i-- > 1;) {
            if (IsOneOf(m_stack[i]->Tag(), names)) return i;
            if (IsOneOf(m_stack[i]->Tag(), stops)) return 0;
        }
        return 0;
    }

    void CloseAt(size_t index) {
        if (index > 0) m_stack.resize(index);
    }

    void CloseImplied(const std::wstring& tag) {
        if (ClosesParagraph(tag)) CloseAt(FindOpen({L"p"}, {L"td", L"th", L"table", L"li", L"div", L"body"}));
        if (tag == L"li") CloseAt(FindOpen({L"li"}, {L"ul", L"ol", L"table", L"body"}));
        if (tag == L"dt" || tag == L"dd") CloseAt(FindOpen({L"dt", L"dd"}, {L"dl", L"table", L"body"}));
        if (tag == L"option") CloseAt(FindOpen({L"option"}, {L"select", L"body"}));
        if (tag == L"tr" || tag == L"tbody" || tag == L"thead" || tag == L"tfoot")
            CloseAt(FindOpen({L"td", L"th"}, {L"table"}));
        if (tag == L"tr") CloseAt(FindOpen({L"tr"}, {L"table"}));
        if (tag == L"tbody" || tag == L"thead" || tag == L"tfoot") {
            CloseAt(FindOpen({L"tr"}, {L"table"}));
            CloseAt(FindOpen({L"tbody", L"thead", L"tfoot"}, {L"table"}));
        }
        if (tag == L"td" || tag == L"th") {
            CloseAt(FindOpen({L"td", L"th"}, {L"table", L"tr"}));
            // A cell straight inside a table gets the row it lacks.
            if (FindOpen({L"tr"}, {L"table"}) == 0 && FindOpen({L"table"}, {}) != 0) {
                CloseAt(FindOpen({L"table"}, {}) + 1);
                Add(Element::NewElement(L"tr"), true);
            }
        }
    }

    const ParseLimits& m_limits;
    Element* m_root = nullptr;
    Element* m_head = nullptr;
    Element* m_body = nullptr;
    std::vector<Element*> m_stack;
    size_t m_nodes = 0;
    bool m_depthLogged = false;
};

bool IsNameChar(wchar_t c) {
    return c && !iswspace(c) && c != L'>' && c != L'/' && c != L'=' && c != L'<';
}

}  // namespace

std::wstring DecodeEntities(const std::wstring& text) {
    if (text.find(L'&') == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == L'&') {
            const size_t used = DecodeOne(text, i, out);
            if (used) {
                i += used;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

Element* ParseHtml(const std::wstring& input, const ParseLimits& limits) {
    const std::wstring* source = &input;
    std::wstring cut;
    if (input.size() > limits.maxChars) {
        LogWriteFormat(L"HTMLayout: page of %u characters cut to %u", static_cast<unsigned>(input.size()),
                       static_cast<unsigned>(limits.maxChars));
        cut = input.substr(0, limits.maxChars);
        source = &cut;
    }
    const std::wstring& s = *source;
    CTreeBuilder builder(limits);
    bool longAttributeLogged = false;
    size_t i = 0;
    size_t textStart = 0;
    auto flushText = [&](size_t end) {
        if (end > textStart) builder.Text(DecodeEntities(s.substr(textStart, end - textStart)));
    };
    while (i < s.size() && !builder.Full()) {
        if (s[i] != L'<') {
            ++i;
            continue;
        }
        const wchar_t next = i + 1 < s.size() ? s[i + 1] : 0;
        if (next == L'!' || next == L'?') {
            flushText(i);
            size_t end;
            if (s.compare(i, 4, L"<!--") == 0) {
                end = s.find(L"-->", i + 4);
                end = end == std::wstring::npos ? s.size() : end + 3;
            } else {
                end = s.find(L'>', i);
                end = end == std::wstring::npos ? s.size() : end + 1;
            }
            i = textStart = end;
            continue;
        }
        const bool closing = next == L'/';
        const size_t nameStart = i + (closing ? 2 : 1);
        if (nameStart >= s.size() || !iswalpha(s[nameStart])) {
            ++i;
            continue;
        }
        flushText(i);
        size_t p = nameStart;
        while (p < s.size() && IsNameChar(s[p])) ++p;
        const std::wstring tag = ToLower(s.substr(nameStart, p - nameStart));
        std::vector<Attribute> attributes;
        while (p < s.size() && s[p] != L'>') {
            if (iswspace(s[p]) || s[p] == L'/') {
                ++p;
                continue;
            }
            if (s[p] == L'<') break;  // an unclosed tag ends where the next begins
            const size_t an = p;
            while (p < s.size() && IsNameChar(s[p])) ++p;
            if (p == an) {
                ++p;
                continue;
            }
            Attribute a{ToLower(s.substr(an, p - an)), std::wstring()};
            while (p < s.size() && iswspace(s[p])) ++p;
            if (p < s.size() && s[p] == L'=') {
                ++p;
                while (p < s.size() && iswspace(s[p])) ++p;
                size_t vs = p, ve;
                if (p < s.size() && (s[p] == L'"' || s[p] == L'\'')) {
                    const wchar_t quote = s[p];
                    vs = p + 1;
                    ve = s.find(quote, vs);
                    if (ve == std::wstring::npos) ve = s.size();
                    p = std::min(ve + 1, s.size());
                } else {
                    while (p < s.size() && !iswspace(s[p]) && s[p] != L'>') ++p;
                    ve = p;
                }
                size_t length = ve - vs;
                if (length > limits.maxAttributeChars) {
                    if (!longAttributeLogged)
                        LogWriteFormat(L"HTMLayout: attribute \"%s\" of %u characters cut", a.name.c_str(),
                                       static_cast<unsigned>(length));
                    longAttributeLogged = true;
                    length = limits.maxAttributeChars;
                }
                a.value = DecodeEntities(s.substr(vs, length));
            }
            attributes.push_back(std::move(a));
        }
        i = textStart = p < s.size() ? p + 1 : s.size();
        if (closing) {
            builder.Close(tag);
            continue;
        }
        Element* opened = builder.Open(tag, std::move(attributes));
        if (opened && IsRawText(tag)) {
            const std::wstring closer = L"</" + tag;
            size_t end = i;
            for (;;) {
                end = s.find(L"</", end);
                if (end == std::wstring::npos) {
                    end = s.size();
                    break;
                }
                if (EqualsNoCase(s.substr(end, closer.size()), closer)) break;
                end += 2;
            }
            std::wstring raw = s.substr(i, end - i);
            if (tag == L"title" || tag == L"textarea") raw = DecodeEntities(raw);
            if (!raw.empty()) opened->AppendChild(Element::NewText(raw));
            builder.Close(tag);
            const size_t gt = s.find(L'>', end);
            i = textStart = gt == std::wstring::npos ? s.size() : gt + 1;
        }
    }
    if (!builder.Full()) flushText(std::min(i, s.size()));
    return builder.Finish();
}

Element* ParseHtmlUtf8(const BYTE* bytes, size_t size, const ParseLimits& limits) {
    if (!bytes) size = 0;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        size -= 3;
    }
    // Bytes beyond the character limit cannot survive it; four per character at most.
    if (size / 4 > limits.maxChars) size = limits.maxChars * 4;
    const std::string text = size ? std::string(reinterpret_cast<const char*>(bytes), size) : std::string();
    return ParseHtml(Utf8ToWide(text.c_str()), limits);
}

}  // namespace hl
