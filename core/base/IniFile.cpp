#include "core/base/IniFile.h"

#include <windows.h>

#include <memory>

namespace {

const int kSectionBufferChars = 102400;
const int kValueBufferChars = 260;
// The buffer GetPrivateProfileIntW reads a number into.
const int kNumberBufferChars = 30;

// The platform's number conversion (base 0): blanks, a sign, an optional 0x, 0o or 0b,
// then digits up to the first that does not belong; 32 bits, wrapping.
int ParseProfileNumber(const CString& text) {
    const wchar_t* p = text;
    while (*p && *p <= L' ') ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    unsigned base = 10;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'o' || p[1] == L'b')) {
        base = p[1] == L'x' ? 16 : p[1] == L'o' ? 8 : 2;
        p += 2;
    }
    unsigned total = 0;
    for (;; ++p) {
        unsigned digit;
        if (*p >= L'0' && *p <= L'9')
            digit = *p - L'0';
        else if (*p >= L'A' && *p <= L'Z')
            digit = *p - L'A' + 10;
        else if (*p >= L'a' && *p <= L'z')
            digit = *p - L'a' + 10;
        else
            break;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return static_cast<int>(negative ? 0u - total : total);
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

}  // namespace

bool IniWriteString(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    // A null value would delete the key; the stored format keeps it with an empty value.
    return WritePrivateProfileStringW(section, key, value ? value : L"", file) != FALSE;
}

bool IniWriteInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int value) {
    CString text;
    text.Format(L"%d", value);
    return IniWriteString(file, section, key, text);
}

bool IniReadString(const wchar_t* file, const wchar_t* section, const wchar_t* key, CString& value) {
    wchar_t buffer[kValueBufferChars] = {};
    DWORD length = GetPrivateProfileStringW(section, key, L"", buffer, kValueBufferChars, file);
    if (length == 0) return false;
    value = CString(buffer, static_cast<int>(length));
    return true;
}

int IniReadInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int defaultValue) {
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, file));
}

bool IniKeyExists(const wchar_t* file, const wchar_t* section, const wchar_t* key) {
    if (!file || !section || !key) return false;
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[kSectionBufferChars]);
    DWORD length = GetPrivateProfileSectionW(section, buffer.get(), kSectionBufferChars, file);
    const wchar_t* entry = buffer.get();
    const wchar_t* end = entry + length;
    while (entry < end && *entry) {
        CString line(entry);
        int equals = line.Find(L'=');
        if ((equals < 0 ? line : line.Left(equals)).Compare(key) == 0) return true;
        entry += line.GetLength() + 1;
    }
    return false;
}

void IniFlushCache() {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr);
}

CIniSection CIniSection::Read(const wchar_t* file, const wchar_t* section) {
    if (!file || !*file || !section) return CIniSection();
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[kSectionBufferChars]);
    DWORD length = GetPrivateProfileSectionW(section, buffer.get(), kSectionBufferChars, file);
    return FromSectionText(buffer.get(), length);
}

CIniSection CIniSection::FromSectionText(const wchar_t* text, size_t length) {
    CIniSection result;
    const wchar_t* entry = text;
    const wchar_t* end = text ? text + length : text;
    while (entry < end && *entry) {
        CString line(entry);
        const int equals = line.Find(L'=');
        if (equals < 0)
            result.m_entries.push_back({line, CString(), false});
        else
            result.m_entries.push_back({line.Left(equals), line.Mid(equals + 1), true});
        entry += line.GetLength() + 1;
    }
    return result;
}

bool CIniSection::HasKey(const wchar_t* key) const {
    if (!key) return false;
    for (const Entry& entry : m_entries)
        if (entry.key.Compare(key) == 0) return true;
    return false;
}

const CIniSection::Entry* CIniSection::Find(const wchar_t* key) const {
    if (!key) return nullptr;
    for (const Entry& entry : m_entries)
        if (entry.key.CompareNoCase(key) == 0) return &entry;
    return nullptr;
}

bool CIniSection::ReadValue(const wchar_t* key, int bufferChars, CString& value) const {
    const Entry* found = Find(key);
    if (!found || !found->hasValue) return false;
    // A value in matching quotes is read without them; the closing quote goes only when
    // the whole value fits the buffer, as the platform copies it.
    const CString& stored = found->value;
    const bool quoted = stored.GetLength() >= 2 && (stored[0] == L'"' || stored[0] == L'\'') &&
                        stored[stored.GetLength() - 1] == stored[0];
    CString inner = quoted ? stored.Mid(1) : stored;
    const int innerLength = inner.GetLength();
    CString copied = inner.Left(innerLength < bufferChars - 1 ? innerLength : bufferChars - 1);
    if (quoted && bufferChars >= innerLength) copied = copied.Left(copied.GetLength() - 1);
    value = copied;
    return true;
}

bool CIniSection::ReadString(const wchar_t* key, CString& value) const {
    return ReadString(key, kValueBufferChars, value);
}

bool CIniSection::ReadString(const wchar_t* key, int bufferChars, CString& value) const {
    CString read;
    if (bufferChars < 1 || !ReadValue(key, bufferChars, read) || read.IsEmpty()) return false;
    value = read;
    return true;
}

int CIniSection::ReadInt(const wchar_t* key, int defaultValue) const {
    CString read;
    if (!ReadValue(key, kNumberBufferChars, read) || read.IsEmpty()) return defaultValue;
    return ParseProfileNumber(read);
}

bool CIniSection::ReadStruct(const wchar_t* key, void* data, UINT size) const {
    const Entry* found = Find(key);
    if (!data || !found || !found->hasValue) return false;
    // Stored as written, quotes and all.
    const CString& read = found->value;
    if (read.GetLength() != static_cast<int>(size + 1) * 2) return false;
    std::vector<BYTE> bytes(size + 1);
    for (UINT i = 0; i <= size; ++i) {
        const int high = HexDigit(read[static_cast<int>(i * 2)]);
        const int low = HexDigit(read[static_cast<int>(i * 2 + 1)]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<BYTE>(high * 16 + low);
    }
    BYTE sum = 0;
    for (UINT i = 0; i < size; ++i) sum = static_cast<BYTE>(sum + bytes[i]);
    if (sum != bytes[size]) return false;
    memcpy(data, bytes.data(), size);
    return true;
}
