#include "core/base/Clipboard.h"

#include <cstring>

bool CSystemClipboard::Open(HWND owner, DWORD timeoutMs) {
    if (m_open) return true;
    auto open = std::make_unique<CClipboardOpen>(owner, timeoutMs);
    if (!*open) return false;
    m_open = std::move(open);
    return true;
}

void CSystemClipboard::Close() {
    m_open.reset();
}

std::vector<UINT> CSystemClipboard::Formats() {
    std::vector<UINT> formats;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

bool CSystemClipboard::Read(UINT format, std::vector<BYTE>& bytes) {
    HANDLE data = GetClipboardData(format);
    if (!data) return false;
    CGlobalLock<const BYTE> lock(data);
    if (!lock.get()) return false;
    bytes.assign(lock.get(), lock.get() + lock.size());
    return true;
}

bool CSystemClipboard::Empty() {
    return EmptyClipboard() != FALSE;
}

bool CSystemClipboard::Write(UINT format, const void* bytes, size_t size) {
    CGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    if (!memory) return false;
    {
        CGlobalLock<BYTE> lock(memory.get());
        if (!lock.get()) return false;
        if (size) memcpy(lock.get(), bytes, size);
    }
    if (!SetClipboardData(format, memory.get())) return false;
    // The clipboard owns the memory now.
    memory.release();
    return true;
}

DWORD CSystemClipboard::SequenceNumber() {
    return GetClipboardSequenceNumber();
}

IClipboard& SystemClipboard() {
    static CSystemClipboard clipboard;
    return clipboard;
}

bool ReadClipboardUnicodeText(IClipboard& clipboard, CString& text) {
    std::vector<BYTE> bytes;
    if (!clipboard.Read(CF_UNICODETEXT, bytes)) return false;
    const size_t units = bytes.size() / sizeof(wchar_t);
    std::vector<wchar_t> chars(units);
    if (units) memcpy(chars.data(), bytes.data(), units * sizeof(wchar_t));
    size_t length = 0;
    while (length < units && chars[length]) ++length;
    text = length ? CString(chars.data(), static_cast<int>(length)) : CString();
    return true;
}

bool WriteClipboardUnicodeText(IClipboard& clipboard, const CString& text) {
    return clipboard.Write(CF_UNICODETEXT, text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t));
}
