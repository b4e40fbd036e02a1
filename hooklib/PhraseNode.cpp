#include "hooklib/PhraseNode.h"

#include <cstring>

namespace {

void CopyCut(wchar_t* target, int size, const wchar_t* text) {
    int length = 0;
    if (text) {
        while (length < size - 1 && text[length]) ++length;
        // A pair cut in half would show as a broken character in the menu.
        if (length == size - 1 && text[length] && IS_HIGH_SURROGATE(text[length - 1])) --length;
        memcpy(target, text, length * sizeof(wchar_t));
    }
    target[length] = 0;
}

struct CFindContext {
    LONG cmdId;
    CPhraseNode* found;
};

int FindProc(CPhraseNodeList&, CPhraseNode& item, void* context) {
    auto* find = static_cast<CFindContext*>(context);
    if (find->found) return 0;  // ends every enclosing list too, so the first match stays
    if (item.IsSubMenu() || item.IsSeparator() || item.m_cmdId != find->cmdId) return 1;
    find->found = &item;
    return 0;
}

}  // namespace

CPhraseNode::CPhraseNode() : m_dataType(0), m_flags(0), m_cmdId(0), m_lcid(0) {
    m_name[0] = 0;
    m_toolTip[0] = 0;
}

void CPhraseNode::SetName(const wchar_t* text) {
    CopyCut(m_name, kNameSize, text);
}

void CPhraseNode::SetToolTip(const wchar_t* text) {
    CopyCut(m_toolTip, kToolTipSize, text);
}

const CPhraseNodeList& CPhraseNode::GetSubListOrEmpty() const {
    static const CPhraseNodeList empty;
    return m_subList ? *m_subList : empty;
}

CString CPhraseNode::GetLocalizedName(const wchar_t* languageKey) const {
    CString key(languageKey);
    key.MakeLower();
    auto found = m_names.find(key);
    return found == m_names.end() ? CString() : found->second;
}

void CPhraseNode::CopyFrom(CPhraseNode& source) {
    if (&source == this) return;
    memcpy(m_name, source.m_name, sizeof(m_name));
    memcpy(m_toolTip, source.m_toolTip, sizeof(m_toolTip));
    m_dataType = source.m_dataType;
    m_flags = source.m_flags;
    m_cmdId = source.m_cmdId;
    m_lcid = source.m_lcid;
    m_names = source.m_names;
    m_subList = std::move(source.m_subList);
}

void CPhraseNode::Destroy() {
    m_subList.reset();
    m_names.clear();
}

void AppendPhraseNode(CPhraseNodeList& list, CPhraseNode& item) {
    list.emplace_back();
    list.back().CopyFrom(item);
}

CPhraseNodeList* NewSubMenu(CPhraseNodeList& list, const wchar_t* name, bool isDefault) {
    CPhraseNode item;
    item.SetName(name);
    item.m_subList = std::make_unique<CPhraseNodeList>();
    if (isDefault) item.m_flags |= CPhraseNode::kFlagDefault;
    list.push_back(std::move(item));
    return list.back().GetSubList();
}

int WalkPhraseNodes(CPhraseNodeList& list, PhraseNodeWalkProc proc, void* context) {
    int calls = 0;
    // By index: a callback may append to the list it is walking.
    for (size_t i = 0; i < list.size(); ++i) {
        ++calls;
        if (proc(list, list[i], context) == 0) break;
        if (CPhraseNodeList* subList = list[i].GetSubList()) calls += WalkPhraseNodes(*subList, proc, context);
    }
    return calls;
}

CPhraseNode* FindPhraseNodeByCmdId(CPhraseNodeList& list, LONG cmdId) {
    CFindContext context = {cmdId, nullptr};
    WalkPhraseNodes(list, FindProc, &context);
    return context.found;
}
