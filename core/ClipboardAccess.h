// The programs' own reads and writes of the system clipboard: text in and out, several
// formats at once, and a snapshot of everything on it that can be put back later (the
// tray window keeps one across a paste, which has to borrow the clipboard).
//
// Every write of ours happens under a CMyCopyLock, so that the clipboard history never
// records it. Another program may hold the clipboard open for a moment: opening is asked
// again for up to kClipboardOpenTimeoutMs, then the call gives up (and logs it). No
// function returns with the clipboard open or waits while holding it.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/CString.h"

const DWORD kClipboardOpenTimeoutMs = 1000;

// "HTML Format" and "Rich Text Format", registered on first use.
UINT GetCF_HTML();
UINT GetCF_RTF();

// CF_TEXT or CF_UNICODETEXT is on the clipboard.
bool IsClipboardTextAvailable();

// A copy of CF_UNICODETEXT, terminated after the last whole character of the block, in
// memory of its own; release it with FreeClipboardTextCopy. Null when there is no
// Unicode text or the clipboard stays shut.
wchar_t* GetClipboardUnicodeTextCopy();
void FreeClipboardTextCopy(wchar_t* text);

// Empties the clipboard and puts the bytes on it in the format, followed by CF_LOCALE
// with the calling thread's locale, so that the system converts text with the right
// code page. True when the format itself was set.
bool SetClipboardDataRaw(UINT format, const void* bytes, size_t size);
// CF_UNICODETEXT with its terminator.
bool SetClipboardUnicodeText(const CString& text);
// Empties the clipboard and puts a copy of the bitmap on it as CF_BITMAP (the caller
// keeps its own). False when the copy or the clipboard failed.
bool SetClipboardBitmap(HBITMAP bitmap);

// Formats to put on the clipboard together, one entry per format id.
struct CClipboardFormatData {
    UINT format = 0;
    std::vector<BYTE> bytes;
};

class CClipboardFormatList {
public:
    // Replaces an entry of the same format.
    void Set(UINT format, const void* bytes, size_t size);
    void Set(UINT format, const std::string& bytes) { Set(format, bytes.data(), bytes.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    size_t Count() const { return m_entries.size(); }
    const std::map<UINT, CClipboardFormatData>& Entries() const { return m_entries; }

private:
    std::map<UINT, CClipboardFormatData> m_entries;
};

// Empties the clipboard and puts every entry on it. False for an empty list (the
// clipboard is left alone), when the clipboard stays shut, or when no format was set.
bool SetClipboardFormats(const CClipboardFormatList& list);

// ---------------------------------------------------------------------------------------
// Snapshot

struct CClipboardSnapshotEntry {
    UINT format = 0;
    // The registered name (at most 100 characters); empty for the system's own formats.
    CString name;
    std::vector<BYTE> bytes;
    size_t Size() const { return bytes.size(); }
};

// Every format on the clipboard whose data is global memory, in the clipboard's order.
// Formats that are GDI or other handles (bitmaps, palettes, metafiles, owner display)
// are left out: a picture comes back through CF_DIB / CF_DIBV5, from which the system
// makes the bitmap again. Formats the system makes from others (CF_TEXT from
// CF_UNICODETEXT, CF_DIB from CF_BITMAP, CF_LOCALE) are kept like the rest: putting
// back the bytes a reader got is exactly what the reader gets again.
class CClipboardSnapshot {
public:
    CClipboardSnapshot() = default;
    virtual ~CClipboardSnapshot() = default;
    CClipboardSnapshot(const CClipboardSnapshot&) = delete;
    CClipboardSnapshot& operator=(const CClipboardSnapshot&) = delete;

    // 1 when the clipboard was read (an empty one too); 0, and the old snapshot kept,
    // when it stayed shut.
    virtual int Take();
    // Empties the clipboard and puts every entry back, registered formats under their
    // names. 0, and the clipboard left alone, when the snapshot is empty or the
    // clipboard stays shut.
    int Restore() const;

    size_t Count() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }
    const std::vector<CClipboardSnapshotEntry>& Entries() const { return m_entries; }

private:
    std::vector<CClipboardSnapshotEntry> m_entries;
};

// The tray window's snapshot: restored only while armed. Every take arms it again.
class CClipboardSnapshotHolder : public CClipboardSnapshot {
public:
    explicit CClipboardSnapshotHolder(bool takeNow = false);

    int Take() override;
    // Arms, takes, and returns the number of entries held.
    size_t TakeAndArm();
    // Restore while armed, else 0; stays armed.
    int RestoreIfArmed() const;
    void Disarm() { m_armed = false; }
    bool IsArmed() const { return m_armed; }

private:
    bool m_armed = true;
};

// ---------------------------------------------------------------------------------------
// RTF for other programs

// "Rich Text Format" as the clipboard carries it: 8-bit, every character outside ASCII
// written as \uN? (N the UTF-16 unit as a signed 16-bit number, a surrogate pair as two
// escapes), and one zero byte at the end, which the returned string includes.
std::string RtfForClipboard(const CString& rtf);
