#include "platform/htmlayout/HtmlDom.h"

#include <wctype.h>

#include <algorithm>

#include "platform/htmlayout/HtmlCss.h"
#include "platform/htmlayout/HtmlImage.h"

namespace hl {

namespace {
long g_liveElements = 0;
}

Element::Element() noexcept {
    ++g_liveElements;
}

Element::~Element() {
    --g_liveElements;
}

long Element::LiveCountForTest() noexcept {
    return g_liveElements;
}

Element* Element::NewElement(const std::wstring& tag) {
    Element* e = new Element();
    e->m_tag = tag;
    return e;
}

Element* Element::NewText(const std::wstring& text) {
    Element* e = new Element();
    e->m_isText = true;
    e->m_text = text;
    return e;
}

void Element::Release() noexcept {
    if (--m_refs > 0) return;
    // Children are let go without recursion: a deep tree must not exhaust the stack.
    std::vector<Element*> dying{this};
    while (!dying.empty()) {
        Element* e = dying.back();
        dying.pop_back();
        for (Element* child : e->m_children) {
            child->m_parent = nullptr;
            if (--child->m_refs == 0) dying.push_back(child);
        }
        e->m_children.clear();
        delete e;
    }
}

void Element::AppendChild(Element* child) {
    child->m_parent = this;
    m_children.push_back(child);
}

const std::wstring* Element::FindAttribute(const std::wstring& name) const {
    for (const Attribute& a : m_attributes)
        if (a.name == name) return &a.value;
    return nullptr;
}

std::wstring Element::AttributeOr(const std::wstring& name, const std::wstring& fallback) const {
    const std::wstring* value = FindAttribute(name);
    return value ? *value : fallback;
}

void Element::SetAttribute(const std::wstring& name, const std::wstring& value) {
    for (Attribute& a : m_attributes) {
        if (a.name == name) {
            a.value = value;
            return;
        }
    }
    m_attributes.push_back({name, value});
}

void Element::RemoveAttribute(const std::wstring& name) {
    m_attributes.erase(
        std::remove_if(m_attributes.begin(), m_attributes.end(), [&](const Attribute& a) { return a.name == name; }),
        m_attributes.end());
}

void Element::SetRuntimeStyle(const std::wstring& name, const std::wstring& value) {
    for (Attribute& a : m_runtimeStyle) {
        if (a.name == name) {
            a.value = value;
            return;
        }
    }
    m_runtimeStyle.push_back({name, value});
}

void Element::RemoveRuntimeStyle(const std::wstring& name) {
    m_runtimeStyle.erase(std::remove_if(m_runtimeStyle.begin(), m_runtimeStyle.end(),
                                        [&](const Attribute& a) { return a.name == name; }),
                         m_runtimeStyle.end());
}

namespace {

// Document order without recursion.
template <class Visit>
Element* WalkUntil(Element* root, Visit visit) {
    if (!root) return nullptr;
    std::vector<Element*> pending{root};
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        if (visit(e)) return e;
        const auto& children = e->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
    return nullptr;
}

}  // namespace

Element* FindByAttribute(Element* root, const std::wstring& name, const std::wstring& value) {
    return WalkUntil(root, [&](Element* e) {
        const std::wstring* v = e->IsText() ? nullptr : e->FindAttribute(name);
        return v && *v == value;
    });
}

Element* FindByTag(Element* root, const std::wstring& tag) {
    return WalkUntil(root, [&](Element* e) { return !e->IsText() && e->Tag() == tag; });
}

std::wstring InnerText(const Element* e) {
    std::wstring text;
    WalkUntil(const_cast<Element*>(e), [&](Element* node) {
        if (node->IsText()) text += node->Text();
        return false;
    });
    return text;
}

std::wstring ToLower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (towlower(a[i]) != towlower(b[i])) return false;
    return true;
}

}  // namespace hl
