// Layout of the HTML engine: blocks, inline text with word wrap, tables, the horizontal flow,
// pictures and the two controls. Text is measured through ITextMeasure, so the layout runs
// without a display against a measurer of fixed widths in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/htmlayout/HtmlCss.h"
#include "platform/htmlayout/HtmlDom.h"

namespace hl {

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int Height() const { return ascent + descent; }
};

class ITextMeasure {
public:
    virtual ~ITextMeasure() = default;
    virtual FontMetrics Metrics(const ComputedStyle& style) = 0;
    virtual int Width(const ComputedStyle& style, const wchar_t* text, int length) = 0;
};

// A piece of a line: a run of text, a picture or control, or a mark.
struct Fragment {
    enum Kind { Text, Atomic, CheckMark, Bullet, Marker };
    Kind kind = Text;
    Element* owner = nullptr;  // the element the piece belongs to (a text's parent element)
    const ComputedStyle* style = nullptr;
    RECT rect = {};
    int baseline = 0;
    std::wstring text;
};

// The sizes of the two controls and the picture stand-in, shared by layout, paint and clicks.
constexpr int kCheckBoxSize = 13;
constexpr int kCheckBoxGap = 4;
constexpr int kSpinWidth = 14;

struct LayoutResult {
    std::vector<Fragment> fragments;
    int width = 0;
    int height = 0;  // of the whole document
};

// Lays out the tree below root (styles computed) in a viewport of the given size.
void LayoutDocument(Element* root, int viewportWidth, int viewportHeight, ITextMeasure& measure, LayoutResult& result);

// The innermost element at a document point: the owner of a piece of text or picture there,
// else the innermost box; null outside the document.
Element* HitTest(Element* root, const LayoutResult& layout, POINT point);

// The element that "#name" points at: an A NAME or any element with that id.
Element* FindAnchor(Element* root, const std::wstring& name);

// What kind of control an element is (CTL_... of htmlayout.h).
UINT ControlType(const Element* e);

// The nearest element, e or above, that is a control of any kind; null when none.
Element* ControlOf(Element* e);

// Reads the number of a number box: its text, or the "value" attribute, within its bounds.
int NumberValue(const Element* e);
// The bounds of a number box ("minvalue"/"maxvalue", also "min"/"max").
void NumberBounds(const Element* e, int& low, int& high);

bool IsNumberInput(const Element* e);
bool IsCheckBox(const Element* e);

}  // namespace hl
