// The clipboard history as the phrase menu reads it: its items, newest first, and the
// texts each item keeps for menus. The history itself makes and caches those texts; the
// menu only asks. Tests give a fake.
#pragma once

#include <windows.h>

#include "core/ClipboardItemFiles.h"
#include "core/base/CString.h"

// Kinds of a clipboard-history item.
enum MenuHistoryKind {
    kHistoryKindAnsiText = 0,
    kHistoryKindUnicodeText = 1,
    kHistoryKindFormattedText = 2,
    kHistoryKindSisterData = 3,  // Dorvane data
    kHistoryKindBitmap = 4,
    kHistoryKindHtml = 5,
};

class IMenuHistorySource {
public:
    virtual ~IMenuHistorySource() = default;
    virtual int GetCount() = 0;
    // Index 0 is the newest item.
    virtual int GetKind(int index) = 0;
    // The item's cached menu caption, else the one made for it.
    virtual CString GetMenuCaption(int index) = 0;
    // The hint the item keeps; false when it has none yet.
    virtual bool GetMenuHint(int index, CString& hint) = 0;
    virtual void StoreMenuHint(int index, const CString& hint) = 0;
    // The item came from the sister product with its meta information.
    virtual bool HasSisterMetaInfo(int index) = 0;
    // The item's text as plain text: ANSI and Unicode text as they are, formatted text
    // converted (its first 200 characters), the sister data's text made from its meta
    // information; empty for the other kinds.
    virtual CString GetPlainText(int index) = 0;
    // Where the item was copied from; empty when unknown.
    virtual CString GetSourceUrl(int index) = 0;
    // The item's data as the clipboard and the file writers take it; the data stays the
    // history's and lives while the history is frozen. False when the item is gone or
    // cannot be read.
    virtual bool GetItemData(int index, CClipboardItemData& data) = 0;
    // Where and when the item was copied: the window's title, its program and the local
    // time of the copy. False when the history does not know.
    virtual bool GetItemOrigin(int, CString&, CString&, SYSTEMTIME&) { return false; }
    // The newest undo record: its description, the tick count and the local time it was
    // made. False when there is none.
    virtual bool GetLatestUndo(CString&, ULONGLONG&, SYSTEMTIME&) { return false; }
};
