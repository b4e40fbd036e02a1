// The document tree of the HTML engine: elements and text nodes with counted references.
// No window code: the parser, the style cascade and the layout work on it without a display.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace hl {

struct ComputedStyle;
struct ImageData;

struct Attribute {
    std::wstring name;  // lower case
    std::wstring value;
};

// Layout results kept on the element, in document coordinates.
struct ElementBox {
    RECT border = {};  // border box; for an inline element the union of its pieces
    bool placed = false;
    bool block = false;    // laid out as a box of its own (painted with background and borders)
    size_t fragBegin = 0;  // the pieces of text and pictures laid out inside it
    size_t fragEnd = 0;
    int minWidth = -1;  // intrinsic widths, margins included; -1 until measured
    int maxWidth = -1;
    int blockLevel = -1;  // 1 when laid out as a block; -1 until known
};

// A node of the tree. The parent holds one reference to each child, HTMLayout_UseElement
// one more; the node dies with its last reference and lets go of its children then, so an
// element kept by a page outlives its document as a tree of its own.
class Element {
public:
    static Element* NewElement(const std::wstring& tag);
    static Element* NewText(const std::wstring& text);

    void AddRef() noexcept { ++m_refs; }
    void Release() noexcept;
    long RefCount() const noexcept { return m_refs; }

    bool IsText() const noexcept { return m_isText; }
    const std::wstring& Tag() const noexcept { return m_tag; }
    const std::wstring& Text() const noexcept { return m_text; }
    void SetText(std::wstring text) { m_text = std::move(text); }
    void AppendText(const std::wstring& text) { m_text += text; }

    Element* Parent() const noexcept { return m_parent; }
    const std::vector<Element*>& Children() const noexcept { return m_children; }
    // Takes over the caller's reference to child.
    void AppendChild(Element* child);

    const std::wstring* FindAttribute(const std::wstring& name) const;
    bool HasAttribute(const std::wstring& name) const { return FindAttribute(name) != nullptr; }
    std::wstring AttributeOr(const std::wstring& name, const std::wstring& fallback = std::wstring()) const;
    void SetAttribute(const std::wstring& name, const std::wstring& value);
    void RemoveAttribute(const std::wstring& name);
    const std::vector<Attribute>& Attributes() const noexcept { return m_attributes; }

    const std::vector<Attribute>& RuntimeStyle() const noexcept { return m_runtimeStyle; }
    void SetRuntimeStyle(const std::wstring& name, const std::wstring& value);
    void RemoveRuntimeStyle(const std::wstring& name);
    void ClearRuntimeStyle() { m_runtimeStyle.clear(); }

    UINT State() const noexcept { return m_state; }
    void SetState(UINT set, UINT clear) noexcept { m_state = (m_state & ~clear) | set; }

    // The text of the number box while it is edited; empty when not editing.
    std::wstring editText;
    bool editing = false;

    std::unique_ptr<ComputedStyle> style;
    ElementBox box;
    std::shared_ptr<ImageData> image;  // IMG elements, once their data arrived
    void* host = nullptr;              // the root of a shown tree: the window showing it

    static long LiveCountForTest() noexcept;

private:
    Element() noexcept;
    ~Element();

    bool m_isText = false;
    std::wstring m_tag;
    std::wstring m_text;
    long m_refs = 1;
    Element* m_parent = nullptr;
    std::vector<Element*> m_children;
    std::vector<Attribute> m_attributes;
    std::vector<Attribute> m_runtimeStyle;
    UINT m_state = 0;
};

// One reference held for a scope.
class CElementRef {
public:
    CElementRef() noexcept = default;
    explicit CElementRef(Element* adopt) noexcept : m_element(adopt) {}
    CElementRef(CElementRef&& other) noexcept : m_element(other.m_element) { other.m_element = nullptr; }
    CElementRef& operator=(CElementRef&& other) noexcept {
        if (this != &other) {
            reset();
            m_element = other.m_element;
            other.m_element = nullptr;
        }
        return *this;
    }
    CElementRef(const CElementRef&) = delete;
    CElementRef& operator=(const CElementRef&) = delete;
    ~CElementRef() { reset(); }
    Element* get() const noexcept { return m_element; }
    Element* operator->() const noexcept { return m_element; }
    void reset() noexcept {
        if (m_element) m_element->Release();
        m_element = nullptr;
    }

private:
    Element* m_element = nullptr;
};

// The first element below root (root included) whose attribute name equals value, in
// document order; null when none.
Element* FindByAttribute(Element* root, const std::wstring& name, const std::wstring& value);
// The first element named tag below root, root included.
Element* FindByTag(Element* root, const std::wstring& tag);
// The texts of all text nodes below e, joined.
std::wstring InnerText(const Element* e);

std::wstring ToLower(std::wstring text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

}  // namespace hl
