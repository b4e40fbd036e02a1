#include "platform/htmlayout/HtmlPaint.h"

#include <wctype.h>

#include <algorithm>
#include <cstring>

#include "platform/htmlayout/HtmlImage.h"
#include "platform/htmlayout/htmlayout.h"

namespace hl {

namespace {

std::wstring CleanFamily(std::wstring name) {
    while (!name.empty() && (iswspace(name.front()) || name.front() == L'"' || name.front() == L'\''))
        name.erase(name.begin());
    while (!name.empty() && (iswspace(name.back()) || name.back() == L'"' || name.back() == L'\'')) name.pop_back();
    const std::wstring lower = ToLower(name);
    if (lower == L"sans-serif") return L"Arial";
    if (lower == L"serif") return L"Times New Roman";
    if (lower == L"monospace") return L"Courier New";
    if (lower == L"cursive") return L"Comic Sans MS";
    return name;
}

void FillRectColor(HDC dc, const RECT& r, COLORREF color) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void FrameColor(HDC dc, const RECT& r, COLORREF color) {
    FillRectColor(dc, {r.left, r.top, r.right, r.top + 1}, color);
    FillRectColor(dc, {r.left, r.bottom - 1, r.right, r.bottom}, color);
    FillRectColor(dc, {r.left, r.top, r.left + 1, r.bottom}, color);
    FillRectColor(dc, {r.right - 1, r.top, r.right, r.bottom}, color);
}

bool Intersects(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void PaintBox(HDC dc, const Element* e, bool paintBackground) {
    const ComputedStyle& s = *e->style;
    const RECT& r = e->box.border;
    const bool uniform = s.borderWidth[0] == s.borderWidth[1] && s.borderWidth[1] == s.borderWidth[2] &&
                         s.borderWidth[2] == s.borderWidth[3] && s.borderColor[0] == s.borderColor[1] &&
                         s.borderColor[1] == s.borderColor[2] && s.borderColor[2] == s.borderColor[3];
    if (s.borderRadius > 0 && uniform) {
        const int w = s.borderWidth[0];
        CBrushHandle brush(paintBackground && s.background != kNoColor ? CreateSolidBrush(s.background) : nullptr);
        CPenHandle pen(w > 0 ? CreatePen(PS_INSIDEFRAME, w, s.borderColor[0]) : nullptr);
        CSelectObject selectBrush(dc, brush ? brush.get() : GetStockObject(NULL_BRUSH));
        CSelectObject selectPen(dc, pen ? pen.get() : GetStockObject(NULL_PEN));
        if (brush || pen)
            RoundRect(dc, r.left, r.top, r.right + (pen ? 0 : 1), r.bottom + (pen ? 0 : 1), s.borderRadius * 2,
                      s.borderRadius * 2);
        return;
    }
    if (paintBackground && s.background != kNoColor) FillRectColor(dc, r, s.background);
    const int* w = s.borderWidth;
    if (w[kTop]) FillRectColor(dc, {r.left, r.top, r.right, r.top + w[kTop]}, s.borderColor[kTop]);
    if (w[kBottom]) FillRectColor(dc, {r.left, r.bottom - w[kBottom], r.right, r.bottom}, s.borderColor[kBottom]);
    if (w[kLeft])
        FillRectColor(dc, {r.left, r.top + w[kTop], r.left + w[kLeft], r.bottom - w[kBottom]}, s.borderColor[kLeft]);
    if (w[kRight])
        FillRectColor(dc, {r.right - w[kRight], r.top + w[kTop], r.right, r.bottom - w[kBottom]},
                      s.borderColor[kRight]);
}

void PaintImage(HDC dc, const ImageData& image, const RECT& r) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemoryDC source(CreateCompatibleDC(dc));
    if (!bitmap || !source || !bits) return;
    std::memcpy(bits, image.pixels.data(), image.pixels.size() * 4);
    CSelectObject select(source.get(), bitmap.get());
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source.get(), 0, 0, image.width, image.height,
               blend);
}

void PaintCheckBox(HDC dc, const Fragment& f) {
    const bool disabled = (f.owner->State() & STATE_DISABLED) != 0;
    const RECT& r = f.rect;
    FillRectColor(dc, r, disabled ? GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255));
    FrameColor(dc, r, RGB(112, 112, 112));
    if (!(f.owner->State() & STATE_CHECKED)) return;
    CPenHandle pen(CreatePen(PS_SOLID, 2, disabled ? RGB(128, 128, 128) : RGB(0, 0, 0)));
    CSelectObject select(dc, pen.get());
    const POINT mark[] = {{r.left + 3, r.top + 6}, {r.left + 5, r.top + 9}, {r.left + 10, r.top + 3}};
    Polyline(dc, mark, 3);
}

void PaintInputBox(HDC dc, const Fragment& f, CGdiMeasure& measure, bool focused) {
    const Element* e = f.owner;
    const bool disabled = (e->State() & STATE_DISABLED) != 0;
    const RECT& r = f.rect;
    FillRectColor(dc, r, disabled ? GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255));
    FrameColor(dc, r, RGB(122, 122, 122));
    const bool number = IsNumberInput(e);
    const RECT spin = {number ? r.right - kSpinWidth : r.right - 1, r.top + 1, r.right - 1, r.bottom - 1};
    FillRectColor(dc, spin, GetSysColor(COLOR_BTNFACE));
    const int midY = (spin.top + spin.bottom) / 2;
    const int midX = (spin.left + spin.right) / 2;
    const COLORREF arrow = disabled ? RGB(160, 160, 160) : RGB(0, 0, 0);
    for (int i = 0; i < 3 && number; ++i) {
        FillRectColor(dc, {midX - i, midY - 5 + i, midX + i + 1, midY - 4 + i}, arrow);
        FillRectColor(dc, {midX - i, midY + 4 - i, midX + i + 1, midY + 5 - i}, arrow);
    }
    const std::wstring text = e->editing         ? e->editText
                              : IsNumberInput(e) ? std::to_wstring(NumberValue(e))
                                                 : e->AttributeOr(L"value");
    CSelectObject font(dc, measure.Font(*f.style));
    SetTextColor(dc, disabled ? RGB(128, 128, 128) : f.style->color);
    SetBkMode(dc, TRANSPARENT);
    RECT textRect = {r.left + 4, r.top + 3, spin.left - 1, r.bottom - 3};
    ExtTextOutW(dc, textRect.left, textRect.top, ETO_CLIPPED, &textRect, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
    if (focused) {
        const int x = textRect.left + measure.Width(*f.style, text.c_str(), static_cast<int>(text.size()));
        FillRectColor(dc, {x, textRect.top, x + 1, textRect.bottom}, RGB(0, 0, 0));
    }
}

void PaintPicture(HDC dc, const Fragment& f, CGdiMeasure& measure) {
    const Element* e = f.owner;
    const ComputedStyle& s = *f.style;
    RECT inner = {f.rect.left + s.borderWidth[kLeft], f.rect.top + s.borderWidth[kTop],
                  f.rect.right - s.borderWidth[kRight], f.rect.bottom - s.borderWidth[kBottom]};
    if (s.borderWidth[kTop] > 0) FrameColor(dc, f.rect, s.borderColor[kTop]);
    if (e->image && e->image->Valid()) {
        PaintImage(dc, *e->image, inner);
        return;
    }
    // A picture that cannot be had shows its ALT box.
    if (inner.right - inner.left < 2 || inner.bottom - inner.top < 2) return;
    FrameColor(dc, inner, RGB(160, 160, 160));
    const std::wstring alt = e->AttributeOr(L"alt");
    if (alt.empty()) return;
    CSelectObject font(dc, measure.Font(s));
    SetTextColor(dc, s.color);
    SetBkMode(dc, TRANSPARENT);
    RECT textRect = {inner.left + 3, inner.top + 2, inner.right - 2, inner.bottom - 1};
    ExtTextOutW(dc, textRect.left, textRect.top, ETO_CLIPPED, &textRect, alt.c_str(), static_cast<UINT>(alt.size()),
                nullptr);
}

}  // namespace

CGdiMeasure::CGdiMeasure() : m_dc(CreateCompatibleDC(nullptr)) {}

std::wstring CGdiMeasure::InstalledFamily(const std::wstring& list) {
    std::wstring first;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(L',', start);
        if (comma == std::wstring::npos) comma = list.size();
        const std::wstring name = CleanFamily(list.substr(start, comma - start));
        start = comma + 1;
        if (name.empty() || name.size() >= LF_FACESIZE) continue;
        if (first.empty()) first = name;
        auto known = m_installed.find(ToLower(name));
        if (known == m_installed.end()) {
            // The font mapper puts another face in place of one it lacks: the face it
            // chose tells whether this one is there.
            LOGFONTW lf = {};
            lf.lfHeight = -12;
            lf.lfCharSet = DEFAULT_CHARSET;
            wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
            CFontHandle font(CreateFontIndirectW(&lf));
            wchar_t face[LF_FACESIZE] = {};
            {
                CSelectObject select(m_dc.get(), font.get());
                GetTextFaceW(m_dc.get(), LF_FACESIZE, face);
            }
            known = m_installed.emplace(ToLower(name), lstrcmpiW(face, name.c_str()) == 0).first;
        }
        if (known->second) return name;
    }
    return first.empty() ? L"Tahoma" : first;
}

CGdiMeasure::Entry& CGdiMeasure::Get(const ComputedStyle& s) {
    std::wstring key = s.fontFamily;
    key += L'|' + std::to_wstring(s.fontSize) + L'|' + std::to_wstring(s.fontWeight) + (s.italic ? L"i" : L"") +
           (s.underline ? L"u" : L"") + (s.lineThrough ? L"s" : L"");
    auto found = m_fonts.find(key);
    if (found != m_fonts.end()) return found->second;
    LOGFONTW lf = {};
    lf.lfHeight = -std::max(1, std::min(s.fontSize, 1000));
    lf.lfWeight = s.fontWeight;
    lf.lfItalic = s.italic;
    lf.lfUnderline = s.underline;
    lf.lfStrikeOut = s.lineThrough;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    const std::wstring family = InstalledFamily(s.fontFamily);
    wcsncpy(lf.lfFaceName, family.c_str(), LF_FACESIZE - 1);
    Entry entry;
    entry.font.reset(CreateFontIndirectW(&lf));
    {
        CSelectObject select(m_dc.get(), entry.font.get());
        TEXTMETRICW tm = {};
        GetTextMetricsW(m_dc.get(), &tm);
        entry.metrics.ascent = tm.tmAscent;
        entry.metrics.descent = tm.tmDescent;
    }
    return m_fonts.emplace(key, std::move(entry)).first->second;
}

HFONT CGdiMeasure::Font(const ComputedStyle& style) {
    return Get(style).font.get();
}

FontMetrics CGdiMeasure::Metrics(const ComputedStyle& style) {
    return Get(style).metrics;
}

int CGdiMeasure::Width(const ComputedStyle& style, const wchar_t* text, int length) {
    if (length <= 0) return 0;
    Entry& entry = Get(style);
    std::wstring word(text, static_cast<size_t>(length));
    const auto known = entry.widths.find(word);
    if (known != entry.widths.end()) return known->second;
    CSelectObject select(m_dc.get(), entry.font.get());
    SIZE size = {};
    GetTextExtentPoint32W(m_dc.get(), text, length, &size);
    // Pages repeat their words; a page of millions of different ones must not grow this forever.
    if (entry.widths.size() >= 100000) entry.widths.clear();
    entry.widths.emplace(std::move(word), size.cx);
    return size.cx;
}

COLORREF CanvasColor(Element* root) {
    if (Element* body = FindByTag(root, L"body"))
        if (body->style && body->style->background != kNoColor) return body->style->background;
    if (root && root->style && root->style->background != kNoColor) return root->style->background;
    return GetSysColor(COLOR_WINDOW);
}

void PaintDocument(HDC dc, Element* root, const LayoutResult& layout, CGdiMeasure& measure, const RECT& visible,
                   const PaintState& state) {
    FillRectColor(dc, visible, CanvasColor(root));
    // Boxes in document order, so that inner backgrounds cover outer ones.
    std::vector<Element*> pending{root};
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        if (e->IsText() || !e->style || e->style->display == Display::None) continue;
        if (e->box.block && e->style->visible && Intersects(e->box.border, visible)) {
            const bool canvas = e->Tag() == L"body" || e->Tag() == L"html";
            PaintBox(dc, e, !canvas);
        }
        const auto& children = e->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const Fragment& f : layout.fragments) {
        if (!Intersects(f.rect, visible) || !f.style->visible) continue;
        switch (f.kind) {
            case Fragment::Text: {
                const Element* owner = f.owner;
                if (owner && owner->style && !owner->box.block && owner->style->background != kNoColor)
                    FillRectColor(dc, f.rect, owner->style->background);
                CSelectObject font(dc, measure.Font(*f.style));
                SetTextColor(dc, f.style->color);
                SetBkMode(dc, TRANSPARENT);
                ExtTextOutW(dc, f.rect.left, f.rect.top, 0, nullptr, f.text.c_str(), static_cast<UINT>(f.text.size()),
                            nullptr);
                break;
            }
            case Fragment::Atomic:
                if (f.owner->Tag() == L"input")
                    PaintInputBox(dc, f, measure, state.focused == f.owner);
                else
                    PaintPicture(dc, f, measure);
                break;
            case Fragment::CheckMark:
                PaintCheckBox(dc, f);
                break;
            case Fragment::Bullet: {
                CBrushHandle brush(CreateSolidBrush(f.style->color));
                CSelectObject selectBrush(dc, brush.get());
                CSelectObject selectPen(dc, GetStockObject(NULL_PEN));
                Ellipse(dc, f.rect.left, f.rect.top, f.rect.right + 1, f.rect.bottom + 1);
                break;
            }
            case Fragment::Marker:
                break;
        }
    }
}

}  // namespace hl
