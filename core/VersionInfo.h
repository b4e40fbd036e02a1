// Read-only facts about modules and the user's environment: a module's version
// resource, the language of its own resources, the keyboard layout that matches a
// language abbreviation, the installed Internet Explorer's version, and the version
// numbers of the update check.
//
// Readers answer false, 0 or empty texts and show nothing; each call stands alone, so
// any thread may use them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/base/CString.h"

class TiXmlDocument;

// ---------------------------------------------------------------------------------------
// Version resource of a module

class CFileVersionInfo {
public:
    // Indexes of the texts; the gaps are kept so that stored indexes stay valid.
    enum TextIndex {
        kCompanyName = 2,
        kLegalCopyright = 3,
        kFileDescription = 4,
        kFileVersion = 5,
        kFileVersionMajor = 6,  // decimal, from the fixed information
        kFileVersionMinor = 7,
        kInternalName = 8,
        kOriginalFileName = 9,
        kProductName = 10,
        kProductVersion = 11,
        kFixedFileVersion = 12,  // "a.b.c.d" of the fixed information
        kOperatingSystem = 13,   // GetFileOsText of the fixed information
        kFileType = 14,          // GetFileTypeText of the fixed information
        kSpecialBuild = 17,
    };

    explicit CFileVersionInfo(const CString& path);
    // The module's file; null: the program itself.
    explicit CFileVersionInfo(HMODULE module);

    // True when the version resource was read. On failure the object keeps what it held.
    bool Read();

    const CString& GetPath() const noexcept { return m_path; }
    // Index 1..17; the unused ones and any other index are empty.
    CString GetText(int index) const;
    const VS_FIXEDFILEINFO& GetFixedInfo() const noexcept { return m_fixed; }
    // Language in the low half, code page in the high half; 0 when the resource has none.
    DWORD GetTranslation() const noexcept { return m_translation; }

    // ProductVersion with every "," turned into "." and every blank removed.
    CString GetProductVersion() const;
    // Up to (not including) / after the last "."; the whole text when it has none.
    CString GetProductVersionHead() const;
    CString GetProductVersionTail() const;
    CString GetFileDescription() const { return GetText(kFileDescription); }

private:
    static constexpr int kTextCount = 17;

    CString m_path;
    CString m_texts[kTextCount + 1];  // [0] unused: the indexes start at 1
    VS_FIXEDFILEINFO m_fixed = {};
    DWORD m_translation = 0;
};

// Readable texts of the fixed information; empty for values outside the tables.
CString GetFileTypeText(DWORD fileType, DWORD fileSubtype);
CString GetFileOsText(DWORD fileOs);

// ---------------------------------------------------------------------------------------
// Languages and layouts

// The language of the module's resources: the first language of the first string
// table, else of the first dialog, else of the version resource; 0 when all are
// language-neutral or missing. Null: the program itself. The names (LOCALE_SENGLANGUAGE
// and LOCALE_SLANGUAGE, "Neutral" for 0) are given when asked for.
LANGID GetResourceLanguage(HMODULE module, CString* englishName = nullptr, CString* localName = nullptr);

// The language (low word of the layout handle) of the first installed keyboard layout
// whose abbreviated language name (LOCALE_SABBREVLANGNAME, cut to the text's length)
// equals the text ignoring case; 0 when none does or the text is empty. The layouts
// come from GetInputLanguageInfo (core/InputLanguage.h).
LANGID FindKeyboardLayoutByLangAbbrev(const wchar_t* text);

// HKEY_LOCAL_MACHINE "Software\Microsoft\Internet Explorer", value "Version"; empty
// when missing.
CString GetIEVersion();

// ---------------------------------------------------------------------------------------
// The update check's version numbers

// The parts of a dotted version, most significant first.
using CVersionArray = std::vector<int32_t>;

// Empties the target and appends every number of the source in order; returns the target.
CVersionArray& VersionArray_Assign(CVersionArray& target, const CVersionArray& source);

// The numbers of a text split at every "."; empty pieces are left out, and a piece that
// is not a decimal number of at most nine digits counts as 0.
CVersionArray ParseVersionText(const wchar_t* text);
// Number by number from the first; a number one list lacks counts as 0, so "2.6" and
// "2.6.0" are equal. Negative, 0 or positive as a is older, equal or newer than b.
int CompareVersions(const CVersionArray& a, const CVersionArray& b);
inline bool IsNewerVersion(const CVersionArray& offered, const CVersionArray& running) {
    return CompareVersions(offered, running) > 0;
}
// The numbers joined with "." ("%d" each); empty for an empty list.
CString JoinVersionNumbers(const CVersionArray& version);
// How the user reads a version: four numbers a.b.c.d as "a.bc", the suffix after a
// blank when there is one, and " build d"; other counts joined with "."; empty for none.
CString FormatVersionText(const CVersionArray& version, const wchar_t* suffix = nullptr);
// The file version of the running program's version resource (its fixed numbers);
// empty without one.
CVersionArray GetRunningVersion();

// The update check's reader of a parsed version-information document: it fills the
// caller's update record and returns its outcome (2: not a version-information document).
using VersionInfoXmlReader = std::function<int(TiXmlDocument& document)>;

// Reads the downloaded version-information file and hands it, parsed as XML, to the
// reader. 2 without calling the reader when the file cannot be read or is empty; else
// the reader's result.
int LoadVersionInfoFile(const wchar_t* path, const VersionInfoXmlReader& reader);
