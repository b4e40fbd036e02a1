#include "core/base/IniFile.h"

#include <windows.h>

#include <memory>

namespace {

const int kSectionBufferChars = 102400;
const int kValueBufferChars = 260;

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
