// GDI side of the HTML engine: fonts and text measurement, and painting a laid-out page.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/base/Handles.h"
#include "platform/htmlayout/HtmlLayout.h"

namespace hl {

// Fonts by style, made once; the first family of a CSS list that is installed is used.
class CGdiMeasure : public ITextMeasure {
public:
    CGdiMeasure();
    FontMetrics Metrics(const ComputedStyle& style) override;
    int Width(const ComputedStyle& style, const wchar_t* text, int length) override;
    HFONT Font(const ComputedStyle& style);

private:
    struct Entry {
        CFontHandle font;
        FontMetrics metrics;
        std::unordered_map<std::wstring, int> widths;  // of the words measured so far
    };
    Entry& Get(const ComputedStyle& style);
    std::wstring InstalledFamily(const std::wstring& list);

    CMemoryDC m_dc;
    std::map<std::wstring, Entry> m_fonts;
    std::map<std::wstring, bool> m_installed;
};

struct PaintState {
    const Element* focused = nullptr;  // the number box being edited
};

// Paints the page into dc, whose origin is the document's; visible is the part of the
// document to paint.
void PaintDocument(HDC dc, Element* root, const LayoutResult& layout, CGdiMeasure& measure, const RECT& visible,
                   const PaintState& state);

// The colour of the canvas: the body's background, else the root's, else the window colour.
COLORREF CanvasColor(Element* root);

}  // namespace hl
