#include "core/base/IniFile.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "testkit/TempFolder.h"

namespace {

// A section read once must answer every key exactly as the platform's own calls answer
// it from the file, or a setting reads differently depending on how it was asked for.
class IniSectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testkit::MakeUniqueTempFolder(L"vxl_ini");
        m_file = m_folder + L"\\Settings.ini";
    }
    void TearDown() override {
        IniFlushCache();
        testkit::RemoveTree(m_folder);
    }

    // Writes the file as UTF-16 with its byte-order mark, as the programs store it.
    void WriteText(const wchar_t* text) {
        HANDLE file = CreateFileW(m_file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        const wchar_t mark = 0xFEFF;
        ::WriteFile(file, &mark, sizeof mark, &written, nullptr);
        ::WriteFile(file, text, static_cast<DWORD>(wcslen(text) * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(file);
        IniFlushCache();
    }

    CString m_folder;
    CString m_file;
};

const wchar_t kSection[] = L"Settings";

// Keys asked for, present or not, in other cases too.
const wchar_t* const kKeys[] = {
    L"Plain",    L"plain",    L"Number", L"Negative",  L"Hex",        L"Octal",      L"Binary",     L"Spaced",
    L"Trailing", L"Empty",    L"Quoted", L"SingleQuo", L"HalfQuoted", L"OneQuote",   L"TwoQuotes",  L"Mixed",
    L"Equals",   L"NoValue",  L"Big",    L"Wrapped",   L"Long",       L"LongQuoted", L"LongDigits", L"Sign",
    L"Missing",  L"Cyrillic", L"Font",   L"BadSum",    L"ShortFont",  L"QuotedFont", L"Duplicate",
};

const wchar_t kFileText[] =
    L"[Other]\r\n"
    L"Plain=from another section\r\n"
    L"[Settings]\r\n"
    L"Plain=some text\r\n"
    L"Number=42\r\n"
    L"Negative=-7\r\n"
    L"Hex=0x1F\r\n"
    L"Octal=0o17\r\n"
    L"Binary=0b101\r\n"
    L"Spaced =   12 apples  \r\n"
    L"Trailing=7abc\r\n"
    L"Empty=\r\n"
    L"Quoted=\"in double quotes\"\r\n"
    L"SingleQuo='in single'\r\n"
    L"HalfQuoted=\"open only\r\n"
    L"OneQuote=\"\r\n"
    L"TwoQuotes=\"\"\r\n"
    L"Mixed=\"mixed'\r\n"
    L"Equals=a=b=c\r\n"
    L"NoValue\r\n"
    L"Big=4294967295\r\n"
    L"Wrapped=-2147483648\r\n"
    L"Sign=+15\r\n"
    L"Cyrillic=\x0414\x0430\r\n"
    L"Duplicate=first\r\n"
    L"duplicate=second\r\n";

TEST_F(IniSectionTest, AnswersEveryKeyAsThePlatformDoes) {
    CString text(kFileText);
    CString longValue;
    for (int i = 0; i < 300; ++i) longValue += static_cast<wchar_t>(L'a' + i % 26);
    text += L"Long=" + longValue + L"\r\n";
    text += L"LongQuoted=\"" + longValue.Left(258) + L"\"\r\n";
    text += L"LongDigits=" + CString(L'1', 40) + L"\r\n";
    // Structs as the platform writes them, and two that must be refused.
    const BYTE bytes[5] = {1, 2, 0xAB, 0xFF, 0x10};
    WriteText(text);
    ASSERT_TRUE(WritePrivateProfileStructW(kSection, L"Font", const_cast<BYTE*>(bytes), sizeof bytes, m_file));
    ASSERT_TRUE(WritePrivateProfileStringW(kSection, L"BadSum", L"0102ABFF1000", m_file));
    ASSERT_TRUE(WritePrivateProfileStringW(kSection, L"ShortFont", L"0102", m_file));
    ASSERT_TRUE(WritePrivateProfileStringW(kSection, L"QuotedFont", L"\"0102ABFF10BD\"", m_file));
    IniFlushCache();

    const CIniSection section = CIniSection::Read(m_file, kSection);
    for (const wchar_t* key : kKeys) {
        SCOPED_TRACE(testing::Message() << "key " << CString(key).GetString());
        CString read;
        const bool readOk = section.ReadString(key, read);
        CString platform;
        EXPECT_EQ(IniReadString(m_file, kSection, key, platform), readOk);
        if (readOk) {
            EXPECT_STREQ(platform, read);
        }
        EXPECT_EQ(IniReadInt(m_file, kSection, key, -99), section.ReadInt(key, -99));
        EXPECT_EQ(IniKeyExists(m_file, kSection, key), section.HasKey(key));
        BYTE ours[5] = {};
        BYTE theirs[5] = {};
        const bool structOk = section.ReadStruct(key, ours, sizeof ours);
        EXPECT_EQ(GetPrivateProfileStructW(kSection, key, theirs, sizeof theirs, m_file) != FALSE, structOk);
        if (structOk) {
            EXPECT_EQ(0, memcmp(ours, theirs, sizeof ours));
        }
    }
}

TEST_F(IniSectionTest, AMissingFileOrSectionAnswersWithTheDefaults) {
    WriteText(L"[Other]\r\nKey=1\r\n");
    for (const CIniSection& section :
         {CIniSection::Read(m_file, kSection), CIniSection::Read(m_folder + L"\\none.ini", kSection)}) {
        CString value = L"untouched";
        EXPECT_FALSE(section.ReadString(L"Key", value));
        EXPECT_STREQ(L"untouched", value);
        EXPECT_EQ(5, section.ReadInt(L"Key", 5));
        EXPECT_FALSE(section.HasKey(L"Key"));
    }
    EXPECT_TRUE(CIniSection::Read(m_file, L"Other").HasKey(L"Key"));
}

}  // namespace
