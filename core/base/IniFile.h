// Profile (INI) file access: thin wrappers of the platform's profile functions that
// keep the stored format of the settings and language files.
#pragma once

#include "core/base/CString.h"

#include <vector>

// A null or empty value is written as an empty value: the key stays, with nothing after
// "=". Writers return whether the platform call succeeded.
bool IniWriteString(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* value);
bool IniWriteInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int value);
// True only when 1 to 259 characters were read (a longer value is cut to 259).
bool IniReadString(const wchar_t* file, const wchar_t* section, const wchar_t* key, CString& value);
int IniReadInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int defaultValue);
// Exact-case test of a key name in the section, whatever its value.
bool IniKeyExists(const wchar_t* file, const wchar_t* section, const wchar_t* key);
// Makes the platform write out and forget the files it keeps cached.
void IniFlushCache();

// One section of a profile file, read with one platform call and then answered from
// memory as the single-key functions above would answer: every one of those calls opens
// the file again, and a settings load asks for some forty keys from two files.
class CIniSection {
public:
    // Empty when the file or the section is missing.
    static CIniSection Read(const wchar_t* file, const wchar_t* section);
    // From the platform's section text: "key=value" entries, each ended by a zero.
    static CIniSection FromSectionText(const wchar_t* text, size_t length);

    // As IniKeyExists.
    bool HasKey(const wchar_t* key) const;
    // As IniReadString.
    bool ReadString(const wchar_t* key, CString& value) const;
    // As GetPrivateProfileStringW into bufferChars characters: a longer value is cut to
    // bufferChars - 1. False when the value is missing or empty.
    bool ReadString(const wchar_t* key, int bufferChars, CString& value) const;
    // As IniReadInt.
    int ReadInt(const wchar_t* key, int defaultValue) const;
    // As GetPrivateProfileStructW: hex bytes and their checksum, exactly `size` bytes.
    bool ReadStruct(const wchar_t* key, void* data, UINT size) const;

private:
    struct Entry {
        CString key;
        CString value;
        bool hasValue;
    };
    const Entry* Find(const wchar_t* key) const;
    // The stored value, its enclosing quotes removed, as read into `bufferChars`.
    bool ReadValue(const wchar_t* key, int bufferChars, CString& value) const;

    std::vector<Entry> m_entries;
};
