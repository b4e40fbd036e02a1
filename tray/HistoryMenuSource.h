// The clipboard history as the phrase menu and the tray menu read it, over the history
// handler: the texts are made by the history and kept on its items.
#pragma once

#include "history/ClipboardHandler.h"
#include "tray/MenuHistorySource.h"

class CHistoryMenuSource final : public IMenuHistorySource {
public:
    explicit CHistoryMenuSource(CVXLWndClipboardHandler& handler) : m_handler(handler) {}

    int GetCount() override { return m_handler.Get_Items_Count(); }
    // -1 for an index out of range.
    int GetKind(int index) override;
    CString GetMenuCaption(int index) override;
    bool GetMenuHint(int index, CString& hint) override;
    void StoreMenuHint(int index, const CString& hint) override;
    bool HasSisterMetaInfo(int index) override;
    CString GetPlainText(int index) override;
    CString GetSourceUrl(int index) override;
    bool GetItemData(int index, CClipboardItemData& data) override;
    bool GetItemOrigin(int index, CString& windowTitle, CString& program, SYSTEMTIME& time) override;
    bool GetLatestUndo(CString& description, ULONGLONG& tick, SYSTEMTIME& time) override;

private:
    CVXLWndClipboardHandler& m_handler;
};
