// A clipboard history for the phrase menu's tests: items kept in memory, newest first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tray/MenuHistorySource.h"

namespace testkit {

struct CFakeHistory : IMenuHistorySource {
    struct Item {
        int kind = kHistoryKindUnicodeText;
        CString caption;
        CString text;       // Unicode text; the plain text of the other kinds
        std::string bytes;  // ANSI and formatted text as stored
        HBITMAP bitmap = nullptr;
        CString url;
        bool sister = false;
        bool hasHint = false;
        CString hint;
    };
    std::vector<Item> items;
    int stores = 0;

    explicit CFakeHistory(int count = 0) {
        for (int i = 0; i < count; ++i) {
            Item item;
            item.caption.Format(L"clip %d", i);
            item.text = item.caption;
            items.push_back(item);
        }
    }
    int GetCount() override { return static_cast<int>(items.size()); }
    int GetKind(int index) override { return items[index].kind; }
    CString GetMenuCaption(int index) override { return items[index].caption; }
    bool GetMenuHint(int index, CString& hint) override {
        hint = items[index].hint;
        return items[index].hasHint;
    }
    void StoreMenuHint(int index, const CString& hint) override {
        ++stores;
        items[index].hasHint = true;
        items[index].hint = hint;
    }
    bool HasSisterMetaInfo(int index) override { return items[index].sister; }
    CString GetPlainText(int index) override { return items[index].text; }
    CString GetSourceUrl(int index) override { return items[index].url; }
    bool GetItemData(int index, CClipboardItemData& data) override {
        const Item& item = items[index];
        data.kind = item.kind;
        switch (item.kind) {
            case kHistoryKindUnicodeText:
                data.data = item.text.GetString();
                data.size = static_cast<DWORD>((item.text.GetLength() + 1) * sizeof(wchar_t));
                return true;
            case kHistoryKindBitmap:
                data.data = item.bitmap;
                data.size = sizeof item.bitmap;
                return item.bitmap != nullptr;
            default:
                data.data = item.bytes.c_str();
                data.size = static_cast<DWORD>(item.bytes.size() + 1);
                return true;
        }
    }
};

}  // namespace testkit
