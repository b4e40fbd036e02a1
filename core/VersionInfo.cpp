#include "core/VersionInfo.h"

#include <tinyxml.h>

#include <cwchar>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/InputLanguage.h"
#include "core/base/Security.h"
#include "core/base/XmlChecks.h"

namespace {

// Room for a long path; the module-name call gets one character less than the buffer.
constexpr int kModulePathChars = 1301;

CString ModulePath(HMODULE module) {
    wchar_t buffer[kModulePathChars] = {};
    DWORD length = GetModuleFileNameW(module, buffer, kModulePathChars - 1);
    if (length == 0 || length >= kModulePathChars - 1) return CString();
    return CString(buffer, static_cast<int>(length));
}

// A string value of the block; the stored length may or may not count the terminator.
CString QueryStringValue(const void* block, const CString& path) {
    void* data = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, path, &data, &length) || !data || length == 0) return CString();
    const wchar_t* text = static_cast<const wchar_t*>(data);
    return CString(text, static_cast<int>(wcsnlen(text, length)));
}

struct FirstName {
    bool found = false;
    WORD id = 0;
    CString name;
    const wchar_t* Get() const { return name.IsEmpty() ? MAKEINTRESOURCEW(id) : name.GetString(); }
};

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    FirstName* first = reinterpret_cast<FirstName*>(param);
    first->found = true;
    if (IS_INTRESOURCE(name)) {
        first->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    } else {
        first->name = name;
    }
    return FALSE;
}

BOOL CALLBACK TakeFirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    *reinterpret_cast<LANGID*>(param) = language;
    return FALSE;
}

LANGID FirstResourceLanguage(HMODULE module, const wchar_t* type) {
    FirstName first;
    EnumResourceNamesW(module, type, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));
    if (!first.found) return 0;
    LANGID language = 0;
    EnumResourceLanguagesW(module, type, first.Get(), TakeFirstLanguage, reinterpret_cast<LONG_PTR>(&language));
    return language;
}

CString LocaleText(LANGID language, LCTYPE type) {
    wchar_t buffer[261] = {};
    if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), type, buffer, 260) <= 0) return CString();
    return CString(buffer);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CFileVersionInfo

CFileVersionInfo::CFileVersionInfo(const CString& path) : m_path(path) {}

CFileVersionInfo::CFileVersionInfo(HMODULE module) : m_path(ModulePath(module)) {}

bool CFileVersionInfo::Read() {
    if (m_path.IsEmpty()) return false;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(m_path, &ignored);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(m_path, 0, size, block.data())) return false;

    void* data = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", &data, &length) || !data || length < sizeof(VS_FIXEDFILEINFO))
        return false;

    // Filled aside and taken over whole, so that a failure leaves the object as it was.
    CFileVersionInfo read(m_path);
    read.m_fixed = *static_cast<const VS_FIXEDFILEINFO*>(data);
    const VS_FIXEDFILEINFO& fixed = read.m_fixed;
    read.m_texts[kFileVersionMajor].Format(L"%d", HIWORD(fixed.dwFileVersionMS));
    read.m_texts[kFileVersionMinor].Format(L"%d", LOWORD(fixed.dwFileVersionMS));
    read.m_texts[kFixedFileVersion].Format(L"%d.%d.%d.%d", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                                           HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    read.m_texts[kOperatingSystem] = GetFileOsText(fixed.dwFileOS);
    read.m_texts[kFileType] = GetFileTypeText(fixed.dwFileType, fixed.dwFileSubtype);

    // Without a translation table the strings are looked for under language and code
    // page 0.
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &length) && data &&
        length >= sizeof(DWORD)) {
        read.m_translation = *static_cast<const DWORD*>(data);
    }

    CString prefix;
    prefix.Format(L"\\StringFileInfo\\%04x%04x\\", LOWORD(read.m_translation), HIWORD(read.m_translation));
    const struct {
        int index;
        const wchar_t* key;
    } kStrings[] = {
        {kCompanyName, L"CompanyName"},           {kLegalCopyright, L"LegalCopyright"},
        {kProductName, L"ProductName"},           {kProductVersion, L"ProductVersion"},
        {kOriginalFileName, L"OriginalFilename"}, {kFileDescription, L"FileDescription"},
        {kFileVersion, L"FileVersion"},           {kInternalName, L"InternalName"},
        {kSpecialBuild, L"SpecialBuild"},
    };
    for (const auto& s : kStrings) read.m_texts[s.index] = QueryStringValue(block.data(), prefix + s.key);

    *this = read;
    return true;
}

CString CFileVersionInfo::GetText(int index) const {
    if (index < 1 || index > kTextCount) return CString();
    return m_texts[index];
}

CString CFileVersionInfo::GetProductVersion() const {
    CString version = m_texts[kProductVersion];
    version.Replace(L',', L'.');
    version.Remove(L' ');
    return version;
}

CString CFileVersionInfo::GetProductVersionHead() const {
    CString version = GetProductVersion();
    int dot = version.ReverseFind(L'.');
    return dot < 0 ? version : version.Left(dot);
}

CString CFileVersionInfo::GetProductVersionTail() const {
    CString version = GetProductVersion();
    int dot = version.ReverseFind(L'.');
    return dot < 0 ? version : version.Mid(dot + 1);
}

CString GetFileTypeText(DWORD fileType, DWORD fileSubtype) {
    static const wchar_t* const kDrivers[] = {
        L"Unknown driver", L"Printer driver", L"Keyboard driver", L"Language driver",    L"Display driver",
        L"Mouse driver",   L"Network driver", L"System driver",   L"Installable driver", L"Sound driver",
    };
    static const wchar_t* const kFonts[] = {L"Unknown font", L"Raster font", L"Vector font", L"Truetype font"};
    switch (fileType) {
        case VFT_UNKNOWN:
            return L"Unknown type";
        case VFT_APP:
            return L"Application";
        case VFT_DLL:
            return L"Dynamic link library";
        case VFT_DRV:
            return fileSubtype < ARRAYSIZE(kDrivers) ? kDrivers[fileSubtype] : L"";
        case VFT_FONT:
            return fileSubtype < ARRAYSIZE(kFonts) ? kFonts[fileSubtype] : L"";
        case VFT_VXD:
            return L"Virtual device";
        case VFT_STATIC_LIB:
            return L"Static link library";
        default:
            return CString();
    }
}

CString GetFileOsText(DWORD fileOs) {
    switch (fileOs) {
        case VOS_UNKNOWN:
            return L"Unknown OS";
        case VOS_DOS:
            return L"MS-DOS";
        case VOS_DOS_WINDOWS16:
            return L"16-bit windows running on MS-DOS";
        case VOS_DOS_WINDOWS32:
            return L"Win32 API running on MS-DOS";
        case VOS_OS216:
            return L"16-bit OS/2";
        case VOS_OS216_PM16:
            return L"16-bit Presentation manager running on 16-bit OS/2";
        case VOS_OS232:
            return L"32-bit OS/2";
        case VOS_NT:
            return L"Windows NT";
        case VOS_NT_WINDOWS32:
            return L"Win32 API on Windows NT";
        default:
            return CString();
    }
}

// ---------------------------------------------------------------------------------------
// Languages and layouts

LANGID GetResourceLanguage(HMODULE module, CString* englishName, CString* localName) {
    if (!module) module = GetModuleHandleW(nullptr);
    LANGID language = 0;
    for (const wchar_t* type : {RT_STRING, RT_DIALOG, RT_VERSION}) {
        language = FirstResourceLanguage(module, type);
        if (language != 0) break;
    }
    if (englishName) *englishName = language ? LocaleText(language, LOCALE_SENGLANGUAGE) : CString(L"Neutral");
    if (localName) *localName = language ? LocaleText(language, LOCALE_SLANGUAGE) : CString(L"Neutral");
    return language;
}

LANGID FindKeyboardLayoutByLangAbbrev(const wchar_t* text) {
    if (!text || !*text) return 0;
    CString wanted(text);
    for (HKL layout : GetInputLanguageInfo().GetKeyboardLayouts(100)) {
        LANGID language = LOWORD(reinterpret_cast<ULONG_PTR>(layout));
        CString name = LocaleText(language, LOCALE_SABBREVLANGNAME);
        if (name.GetLength() > wanted.GetLength()) name = name.Left(wanted.GetLength());
        if (!name.IsEmpty() && name.CompareNoCase(wanted) == 0) return language;
    }
    return 0;
}

CString GetIEVersion() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return CString();
    CRegKeyHandle key(opened);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), L"Version", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0)
        return CString();
    // The stored value need not end with a terminator: room for one more is kept zero.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), L"Version", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS)
        return CString();
    return CString(buffer.data());
}

// ---------------------------------------------------------------------------------------
// Version numbers of the update check

CVersionArray& VersionArray_Assign(CVersionArray& target, const CVersionArray& source) {
    if (&target == &source) return target;
    target.clear();
    for (int32_t number : source) target.push_back(number);
    return target;
}

CVersionArray ParseVersionText(const wchar_t* text) {
    CVersionArray version;
    if (!text) return version;
    const wchar_t* piece = text;
    for (;;) {
        const wchar_t* end = wcschr(piece, L'.');
        size_t length = end ? static_cast<size_t>(end - piece) : wcslen(piece);
        if (length > 0) {
            int32_t number = 0;
            bool digits = length <= 9;
            for (size_t i = 0; digits && i < length; ++i) {
                digits = piece[i] >= L'0' && piece[i] <= L'9';
                number = number * 10 + (piece[i] - L'0');
            }
            version.push_back(digits ? number : 0);
        }
        if (!end) return version;
        piece = end + 1;
    }
}

int CompareVersions(const CVersionArray& a, const CVersionArray& b) {
    const size_t count = a.size() > b.size() ? a.size() : b.size();
    for (size_t i = 0; i < count; ++i) {
        const int32_t left = i < a.size() ? a[i] : 0;
        const int32_t right = i < b.size() ? b[i] : 0;
        if (left != right) return left < right ? -1 : 1;
    }
    return 0;
}

CString JoinVersionNumbers(const CVersionArray& version) {
    CString text;
    for (size_t i = 0; i < version.size(); ++i) text.AppendFormat(i ? L".%d" : L"%d", version[i]);
    return text;
}

CString FormatVersionText(const CVersionArray& version, const wchar_t* suffix) {
    if (version.size() != 4) return JoinVersionNumbers(version);
    CString text;
    text.Format(L"%d.%d%d", version[0], version[1], version[2]);
    if (suffix && *suffix) text.AppendFormat(L" %s", suffix);
    text.AppendFormat(L" build %d", version[3]);
    return text;
}

CVersionArray GetRunningVersion() {
    CFileVersionInfo info(static_cast<HMODULE>(nullptr));
    if (!info.Read()) return CVersionArray();
    // The fixed information: the text form is "2, 6, 0, 1" in our resource, which has no dots.
    return ParseVersionText(info.GetText(CFileVersionInfo::kFixedFileVersion));
}

int LoadVersionInfoFile(const wchar_t* path, const VersionInfoXmlReader& reader) {
    const int kNotReadable = 2;
    // A version file nests three levels; a deeper text is no version file and could
    // exhaust the parser's stack.
    const int kMaxNesting = 64;
    std::unique_ptr<char[]> bytes = ReadWholeFile(path);
    if (!bytes || !XmlNestingWithin(bytes.get(), kMaxNesting)) return kNotReadable;
    TiXmlDocument document;
    document.Parse(bytes.get(), nullptr, TIXML_DEFAULT_ENCODING);
    bytes.reset();
    return reader ? reader(document) : kNotReadable;
}
