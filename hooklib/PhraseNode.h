// The command tree of a menu: a list of items, each a command, a separator or a sub-menu
// with a list of its own. The item keeps the fixed layout that the main program's phrase
// entries have, so both sides of the query/answer exchange speak of the same fields.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "core/base/CString.h"

class CPhraseNode;
using CPhraseNodeList = std::vector<CPhraseNode>;

class CPhraseNode {
public:
    static constexpr int kNameSize = 121;      // 120 characters and the terminator
    static constexpr int kToolTipSize = 1025;  // 1024 characters and the terminator
    static constexpr DWORD kFlagDefault = 0x1;
    static constexpr DWORD kFlagDisabled = 0x8;

    CPhraseNode();
    ~CPhraseNode() = default;
    // A copy moves the sub-list (CopyFrom), so the implicit copy is not offered: it would
    // look like a deep copy and leave the source without its items.
    CPhraseNode(const CPhraseNode&) = delete;
    CPhraseNode& operator=(const CPhraseNode&) = delete;
    CPhraseNode(CPhraseNode&&) = default;
    CPhraseNode& operator=(CPhraseNode&&) = default;

    // Cut to the field's size, never between the two halves of a surrogate pair.
    void SetName(const wchar_t* text);
    void SetToolTip(const wchar_t* text);

    // A sub-menu even when its list is empty.
    bool IsSubMenu() const { return m_subList != nullptr; }
    bool IsSeparator() const { return !IsSubMenu() && m_cmdId == 0; }
    // The own list, or one empty list shared by the process, so callers need not test.
    const CPhraseNodeList& GetSubListOrEmpty() const;
    CPhraseNodeList* GetSubList() { return m_subList.get(); }
    void DestroySubList() { m_subList.reset(); }
    // Looked up by the lower-cased key; a missing key gives the empty text.
    CString GetLocalizedName(const wchar_t* languageKey) const;

    // Texts, numbers and names are copied; the sub-list is moved, so only one item ever
    // owns a list. Onto itself: nothing.
    void CopyFrom(CPhraseNode& source);
    // The sub-list with all its items, then the names.
    void Destroy();

    std::unique_ptr<CPhraseNodeList> m_subList;
    std::map<CString, CString> m_names;  // by lower-case language key
    wchar_t m_name[kNameSize];
    wchar_t m_toolTip[kToolTipSize];
    LONG m_dataType;
    DWORD m_flags;
    LONG m_cmdId;
    DWORD m_lcid;
};

// The item is copied to the end of the list, its sub-list moved with it.
void AppendPhraseNode(CPhraseNodeList& list, CPhraseNode& item);
// Appends a sub-menu and returns its (empty) list, which stays where it is while the
// outer list grows.
CPhraseNodeList* NewSubMenu(CPhraseNodeList& list, const wchar_t* name, bool isDefault);

// Called for every item in menu order; 0 ends the walk of the list the item is in (the
// walks of enclosing lists go on), anything else goes on, into a sub-menu's list first.
using PhraseNodeWalkProc = int (*)(CPhraseNodeList& list, CPhraseNode& item, void* context);
// The number of callback calls.
int WalkPhraseNodes(CPhraseNodeList& list, PhraseNodeWalkProc proc, void* context);
// The first command with that id in walk order; separators and sub-menus never match.
CPhraseNode* FindPhraseNodeByCmdId(CPhraseNodeList& list, LONG cmdId);
