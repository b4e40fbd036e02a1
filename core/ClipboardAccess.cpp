#include "core/ClipboardAccess.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "core/MyCopyGuard.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/SehGuard.h"

namespace {

const int kMaxFormatNameLength = 100;

bool OpenFailed(const CClipboardOpen& open, const wchar_t* where) {
    if (open) return false;
    CString line;
    line.Format(L"%s: cannot open the clipboard, GetLastError=%lu", where, GetLastError());
    LogError(line);
    return true;
}

// Global memory holding a copy of the bytes, still ours until SetClipboardData takes it.
CGlobalMemory CopyToGlobal(UINT flags, const void* bytes, size_t size) {
    CGlobalMemory memory(GlobalAlloc(flags, size));
    if (!memory || !size) return memory;
    CGlobalLock<BYTE> lock(memory.get());
    if (!lock.get()) return CGlobalMemory();
    memcpy(lock.get(), bytes, size);
    return memory;
}

bool SetOwnedData(UINT format, CGlobalMemory& memory) {
    if (!memory || !SetClipboardData(format, memory.get())) return false;
    memory.release();
    return true;
}

// Data that is a GDI object or some other handle instead of global memory.
bool IsHandleFormat(UINT format) {
    switch (format) {
        case CF_BITMAP:
        case CF_METAFILEPICT:
        case CF_PALETTE:
        case CF_ENHMETAFILE:
        case CF_OWNERDISPLAY:
        case CF_DSPBITMAP:
        case CF_DSPMETAFILEPICT:
        case CF_DSPENHMETAFILE:
            return true;
        default:
            return format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST;
    }
}

CString RegisteredFormatName(UINT format) {
    // 1..14 are the system's own formats, which have no name to look up.
    if (format <= CF_ENHMETAFILE) return CString();
    wchar_t name[kMaxFormatNameLength + 1] = {};
    int length = GetClipboardFormatNameW(format, name, kMaxFormatNameLength + 1);
    return length > 0 ? CString(name, length) : CString();
}

}  // namespace

UINT GetCF_HTML() {
    static const UINT format = RegisterClipboardFormatW(L"HTML Format");
    return format;
}

UINT GetCF_RTF() {
    static const UINT format = RegisterClipboardFormatW(L"Rich Text Format");
    return format;
}

bool IsClipboardTextAvailable() {
    return IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_UNICODETEXT);
}

wchar_t* GetClipboardUnicodeTextCopy() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return nullptr;
    CClipboardOpen open(nullptr, kClipboardOpenTimeoutMs);
    if (OpenFailed(open, L"GetClipboardUnicodeTextCopy")) return nullptr;
    CGlobalLock<const BYTE> data(GetClipboardData(CF_UNICODETEXT));
    if (!data.get()) return nullptr;
    const SIZE_T size = data.size();
    // Pages of their own: a large text must not stay in the heap after it is freed.
    auto* copy = static_cast<BYTE*>(VirtualAlloc(nullptr, size + sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    if (!copy) return nullptr;
    memcpy(copy, data.get(), size);
    wchar_t* text = reinterpret_cast<wchar_t*>(copy);
    // An odd last byte is half a character: the terminator covers it.
    text[size / sizeof(wchar_t)] = L'\0';
    return text;
}

void FreeClipboardTextCopy(wchar_t* text) {
    if (text) VirtualFree(text, 0, MEM_RELEASE);
}

bool SetClipboardDataRaw(UINT format, const void* bytes, size_t size) {
    CMyCopyLock myCopy;
    CGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size));
    if (!memory) return false;
    if (size) {
        CGlobalLock<BYTE> lock(memory.get());
        if (!lock.get()) return false;
        BYTE* target = lock.get();
        // The caller's bytes may be a view that is gone by now; the copy is made before
        // the clipboard is opened, so a fault leaves the clipboard as it was.
        DWORD code = 0;
        if (!RunGuarded([&] { memcpy(target, bytes, size); }, &code)) {
            LogError(FormatExceptionReport(L"SetClipboardDataRaw", code));
            return false;
        }
    }
    LCID locale = GetThreadLocale();
    CGlobalMemory localeMemory = CopyToGlobal(GMEM_MOVEABLE, &locale, sizeof locale);

    CClipboardOpen open(nullptr, kClipboardOpenTimeoutMs);
    if (OpenFailed(open, L"SetClipboardDataRaw")) return false;
    EmptyClipboard();
    if (!SetOwnedData(format, memory)) return false;
    SetOwnedData(CF_LOCALE, localeMemory);
    return true;
}

bool SetClipboardUnicodeText(const CString& text) {
    return SetClipboardDataRaw(CF_UNICODETEXT, text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t));
}

bool SetClipboardBitmap(HBITMAP bitmap) {
    CMyCopyLock myCopy;
    CBitmapHandle copy(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
    if (!copy) return false;
    CClipboardOpen open(nullptr, kClipboardOpenTimeoutMs);
    if (OpenFailed(open, L"SetClipboardBitmap")) return false;
    EmptyClipboard();
    if (!SetClipboardData(CF_BITMAP, copy.get())) return false;
    copy.release();  // the clipboard owns it now
    return true;
}

void CClipboardFormatList::Set(UINT format, const void* bytes, size_t size) {
    CClipboardFormatData& entry = m_entries[format];
    entry.format = format;
    const BYTE* first = static_cast<const BYTE*>(bytes);
    entry.bytes.assign(first, first + size);
}

bool SetClipboardFormats(const CClipboardFormatList& list) {
    if (list.IsEmpty()) return false;
    CMyCopyLock myCopy;
    CClipboardOpen open(nullptr, kClipboardOpenTimeoutMs);
    if (OpenFailed(open, L"SetClipboardFormats")) return false;
    EmptyClipboard();
    int set = 0;
    for (const auto& item : list.Entries()) {
        const CClipboardFormatData& entry = item.second;
        CGlobalMemory memory = CopyToGlobal(GMEM_FIXED, entry.bytes.data(), entry.bytes.size());
        if (SetOwnedData(entry.format, memory)) ++set;
    }
    return set > 0;
}

// ---------------------------------------------------------------------------------------
// CClipboardSnapshot

int CClipboardSnapshot::Take() {
    CClipboardOpen open(nullptr, kClipboardOpenTimeoutMs);
    if (OpenFailed(open, L"CClipboardSnapshot::Take")) return 0;
    m_entries.clear();
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (IsHandleFormat(format)) continue;
        CClipboardSnapshotEntry entry;
        entry.format = format;
        entry.name = RegisteredFormatName(format);
        CGlobalLock<const BYTE> data(GetClipboardData(format));
        if (!data.get()) continue;
        entry.bytes.assign(data.get(), data.get() + data.size());
        m_entries.push_back(std::move(entry));
    }
    return 1;
}

int CClipboardSnapshot::Restore() const {
    if (m_entries.empty()) return 0;
    CMyCopyLock myCopy;
    CClipboardOpen open(nullptr, kClipboardOpenTimeoutMs);
    if (OpenFailed(open, L"CClipboardSnapshot::Restore")) return 0;
    EmptyClipboard();
    for (const CClipboardSnapshotEntry& entry : m_entries) {
        // A registered format's id may differ by now (another session, a restart of the
        // system's clipboard); its name does not.
        UINT format = entry.name.IsEmpty() ? 0 : RegisterClipboardFormatW(entry.name);
        if (!format) format = entry.format;
        CGlobalMemory memory = CopyToGlobal(GMEM_MOVEABLE | GMEM_DDESHARE, entry.bytes.data(), entry.bytes.size());
        SetOwnedData(format, memory);
    }
    return 1;
}

// ---------------------------------------------------------------------------------------
// CClipboardSnapshotHolder

CClipboardSnapshotHolder::CClipboardSnapshotHolder(bool takeNow) {
    if (takeNow) CClipboardSnapshotHolder::Take();
}

int CClipboardSnapshotHolder::Take() {
    m_armed = true;
    return CClipboardSnapshot::Take();
}

size_t CClipboardSnapshotHolder::TakeAndArm() {
    Take();
    return Count();
}

int CClipboardSnapshotHolder::RestoreIfArmed() const {
    return m_armed ? Restore() : 0;
}

// ---------------------------------------------------------------------------------------
// RTF for other programs

std::string RtfForClipboard(const CString& rtf) {
    const wchar_t* text = rtf.GetString();
    const int length = rtf.GetLength();
    std::string bytes;
    bytes.reserve(static_cast<size_t>(length) + 1);
    int i = 0;
    // RTF as the RichEdit streams it in UTF-8 opens with "{\urtf", which other programs
    // do not know; once every character is escaped it is plain RTF.
    static const wchar_t kUtf8Signature[] = L"{\\urtf";
    const int signatureLength = static_cast<int>(wcslen(kUtf8Signature));
    if (length >= signatureLength && wcsncmp(text, kUtf8Signature, signatureLength) == 0) {
        bytes += "{\\rtf";
        i = signatureLength;
    }
    for (; i < length; ++i) {
        const wchar_t unit = text[i];
        if (unit < 0x80) {
            bytes += static_cast<char>(unit);
            continue;
        }
        // RTF reads the number as a signed 16-bit value.
        const int value = static_cast<int>(static_cast<int16_t>(static_cast<uint16_t>(unit)));
        bytes += "\\u";
        bytes += std::to_string(value);
        bytes += '?';
    }
    bytes += '\0';
    return bytes;
}
