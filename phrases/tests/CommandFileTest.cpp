// The phrase file: what is written byte for byte, what reads back, what is refused, and
// how saves on worker threads keep the file whole.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "phrases/Command.h"
#include "phrases/CommandSave.h"
#include "phrases/tests/PhraseTestFolders.h"
#include "testkit/CaseLog.h"

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";

void ExpectSameStoredFields(const CVXLCommand& written, const CVXLCommand& read) {
    EXPECT_EQ(W(written.GetName()), W(read.GetName()));
    // Both programs write the name into the hint element and read it back as the hint.
    EXPECT_EQ(written.IsFolder() ? std::wstring() : W(written.GetName()), W(read.GetHint()));
    EXPECT_EQ(W(written.GetCommand()), W(read.GetCommand()));
    EXPECT_EQ(written.GetDataType(), read.GetDataType());
    EXPECT_EQ(written.GetSortID(), read.GetSortID());
    EXPECT_EQ(written.GetUsageCount(), read.GetUsageCount());
    EXPECT_EQ(written.GetIncludedFlag(), read.GetIncludedFlag());
    EXPECT_EQ(written.IsDisabledWithoutSelection(), read.IsDisabledWithoutSelection());
    EXPECT_EQ(written.IsUseTitleOnly(), read.IsUseTitleOnly());
    EXPECT_EQ(written.GetMenuFlags(), read.GetMenuFlags());
    ASSERT_EQ(written.HasDateUsage(), read.HasDateUsage());
    SYSTEMTIME a = {}, b = {};
    if (written.GetDateUsage(a) && read.GetDateUsage(b)) {
        EXPECT_EQ(a.wYear, b.wYear);
        EXPECT_EQ(a.wMonth, b.wMonth);
        EXPECT_EQ(a.wDay, b.wDay);
        EXPECT_EQ(a.wHour, b.wHour);
        EXPECT_EQ(a.wMinute, b.wMinute);
        EXPECT_EQ(a.wSecond, b.wSecond);
    }
    ASSERT_EQ(written.GetLocalizedNames().size(), read.GetLocalizedNames().size());
    for (const auto& entry : written.GetLocalizedNames())
        EXPECT_EQ(W(entry.second), W(read.GetLocalizedName(entry.first))) << W(entry.first);
}

struct RoundTripCase {
    const char* label;
    std::function<void(CVXLCommand&)> fill;
    bool readOnlyTarget;
};

TEST(CommandFile, RoundTripTable) {
    const RoundTripCase cases[] = {
        {"defaults", [](CVXLCommand&) {}, false},
        {"leading blanks", [](CVXLCommand& r) { r.SetCommand(L"   indented\r\n\t  second  "); }, false},
        {"multi-line Cmd",
         [](CVXLCommand& r) {
             r.SetName(L"Letter");
             r.SetCommand(L"Dear %PROMPT_TEXT={Name}%,\r\n\r\nline\nline\rend\r\n");
         },
         false},
        {"blanks only", [](CVXLCommand& r) { r.SetCommand(L" \r\n\t "); }, false},
        {"markup characters",
         [](CVXLCommand& r) {
             r.SetName(L"<b> & \"q\" 'a'");
             r.SetCommand(L"if (a < b && c > d) { s = \"]]>\"; }");
         },
         false},
        {"localised menu names",
         [](CVXLCommand& r) {
             r.SetName(L"Greeting");
             r.SetLocalizedName(L"RU", L"Приветствие");
             r.SetLocalizedName(L"de", L"Grüße");
             r.SetLocalizedName(L"ja", L"挨拶 \U0001F600");
         },
         false},
        {"rtf",
         [](CVXLCommand& r) {
             r.SetDataType(VXL_DATA_RTF);
             r.SetCommand(L"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\b bold\\b0\\par}");
         },
         false},
        {"exec",
         [](CVXLCommand& r) {
             r.SetDataType(VXL_DATA_EXEC);
             r.SetCommand(L"https://example.org/search?q=%SELECTED_TEXT%&lang=en");
         },
         false},
        {"usage and dates",
         [](CVXLCommand& r) {
             r.SetUsageCount(1234567);
             SYSTEMTIME date = {2024, 2, 4, 29, 23, 59, 58, 0};
             r.SetDateUsage(date);
             r.SetIncluded(false);
             r.SetDisabledWithoutSelection(true);
             r.SetUseTitleOnly(true);
             r.SetSortID(0xFFFFFFFEu);
             r.SetMenuFlags(0x80000007u);
         },
         false},
        {"read-only file",
         [](CVXLCommand& r) {
             r.SetName(L"Replaced");
             r.SetUsageCount(8);
         },
         true},
        {"folder",
         [](CVXLCommand& r) {
             r.MakeFolder();
             r.SetSortID(3);
             r.SetIncluded(false);
             r.SetLocalizedName(L"de", L"Ordner");
         },
         false},
    };
    CTempPhraseFolder folder;
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.label);
        CString path = folder.Path(L"case.vexlora");
        if (c.readOnlyTarget) {
            ASSERT_TRUE(WriteBytes(path, PhraseXml("UsageCount=\"1\"", "<MenuName>Old</MenuName>")));
            ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
        }
        CVXLCommand written;
        c.fill(written);
        ASSERT_TRUE(WriteCommandFile(written, path));
        CVXLCommand read;
        if (written.IsFolder()) read.MakeFolder();
        ASSERT_TRUE(ReadCommandFile(read, path));
        ExpectSameStoredFields(written, read);
        EXPECT_FALSE(read.HasInvalidText());
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path);
    }
    EXPECT_TRUE(ListNames(folder.root).empty()) << "no temporary file stays behind";
}

TEST(CommandFile, WrittenPhraseFileIsByteExact) {
    CVXLCommand record;
    record.SetName(L"Greeting");
    record.SetCommand(L"Hello,\r\n  World & <you>\t\"q\"");
    record.SetUsageCount(3);
    SYSTEMTIME date = {2023, 7, 5, 14, 9, 5, 0, 0};
    record.SetDateUsage(date);
    record.SetSortID(0xFFFFFFFFu);
    record.SetMenuFlags(1);
    record.SetUseTitleOnly(true);
    record.SetIncluded(false);
    record.SetLocalizedName(L"RU", L"Привет");
    record.SetLocalizedName(L"de", L"Gruß");

    const std::string expected =
        kDeclaration +
        "<VXLCommand Excluded=\"1\" UsageCount=\"3\" DisabledIsNoHasSelection=\"0\" UseTitleOnly=\"1\" "
        "SortID=\"-1\" FlagsMenu=\"1\" DateUsage=\"2023|7|14|9|5|0\">\n"
        "    <MenuName>Greeting</MenuName>\n"
        "    <DataType>TEXT</DataType>\n"
        "    <Cmd>Hello,&#x0D;&#x0A;  World &amp; &lt;you&gt;&#x09;&quot;q&quot;</Cmd>\n"
        "    <Hint>Greeting</Hint>\n"
        "    <MenuName Lang=\"de\">Gru\xC3\x9F</MenuName>\n"
        "    <MenuName Lang=\"ru\">\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82</MenuName>\n"
        "</VXLCommand>\n";
    EXPECT_EQ(expected, CommandToXml(record));

    CTempPhraseFolder folder;
    CString path = folder.Path(L"Greeting.vexlora");
    ASSERT_TRUE(WriteCommandFile(record, path));
    EXPECT_EQ(expected, ReadBytes(path)) << "the file holds exactly the text, without a byte-order mark";
}

TEST(CommandFile, WrittenFolderFileIsByteExact) {
    CVXLCommand folder;
    folder.MakeFolder();
    folder.SetName(L"Work");
    folder.SetCommand(L"never written");
    folder.SetSortID(5);
    EXPECT_EQ(kDeclaration +
                  "<VXLCommand UsageCount=\"0\" DisabledIsNoHasSelection=\"0\" UseTitleOnly=\"0\" SortID=\"5\" "
                  "FlagsMenu=\"0\" />\n",
              CommandToXml(folder));
    folder.SetLocalizedName(L"de", L"Arbeit");
    folder.SetLocalizedName(L"fr", L"");  // an empty name is not written
    EXPECT_EQ(kDeclaration +
                  "<VXLCommand UsageCount=\"0\" DisabledIsNoHasSelection=\"0\" UseTitleOnly=\"0\" SortID=\"5\" "
                  "FlagsMenu=\"0\">\n"
                  "    <MenuName Lang=\"de\">Arbeit</MenuName>\n"
                  "</VXLCommand>\n",
              CommandToXml(folder));
}

struct ReadCase {
    const char* label;
    std::string xml;
    bool folder;
    std::function<void(const CVXLCommand&)> check;
};

TEST(CommandFile, ReadingTable) {
    const ReadCase cases[] = {
        {"data type any case", PhraseXml("", "<DataType>exec</DataType>"), false,
         [](const CVXLCommand& r) { EXPECT_EQ(VXL_DATA_EXEC, r.GetDataType()); }},
        {"data type unknown", PhraseXml("", "<DataType>Exe</DataType>"), false,
         [](const CVXLCommand& r) { EXPECT_EQ(VXL_DATA_TEXT, r.GetDataType()); }},
        {"negative usage", PhraseXml("UsageCount=\"-5\"", ""), false,
         [](const CVXLCommand& r) { EXPECT_EQ(0, r.GetUsageCount()); }},
        {"excluded other than 1", PhraseXml("Excluded=\"2\"", ""), false,
         [](const CVXLCommand& r) { EXPECT_FALSE(r.GetIncludedFlag()); }},
        {"excluded 0", PhraseXml("Excluded=\"0\"", ""), false,
         [](const CVXLCommand& r) { EXPECT_TRUE(r.GetIncludedFlag()); }},
        {"date with year 0", PhraseXml("DateUsage=\"0|5|5|1|1|1\"", ""), false,
         [](const CVXLCommand& r) { EXPECT_FALSE(r.HasDateUsage()); }},
        {"date of a folder", PhraseXml("DateUsage=\"2020|1|2|3|4|5\"", ""), true,
         [](const CVXLCommand& r) { EXPECT_FALSE(r.HasDateUsage()); }},
        {"sort id written unsigned", PhraseXml("SortID=\"4294967295\" FlagsMenu=\"-2147483648\"", ""), false,
         [](const CVXLCommand& r) {
             EXPECT_EQ(0xFFFFFFFFu, r.GetSortID());
             EXPECT_EQ(0x80000000u, r.GetMenuFlags());
         }},
        {"entities of older files",
         PhraseXml("", "<Cmd>&amp;lt;b&amp;gt; &amp;quote;x&amp;quote; &quot;y&quot; &#x41;&#66;</Cmd>"), false,
         [](const CVXLCommand& r) { EXPECT_EQ(L"<b> \"x\" \"y\" AB", W(r.GetCommand())); }},
        {"names", PhraseXml("", "<MenuName Lang=\"\">Plain</MenuName><MenuName Lang=\"RU\">Имя</MenuName>"), false,
         [](const CVXLCommand& r) {
             EXPECT_EQ(L"Plain", W(r.GetName()));
             EXPECT_EQ(L"Имя", W(r.GetLocalizedName(L"ru")));
         }},
        {"long name and hint",
         PhraseXml("", "<MenuName>" + std::string(150, 'n') + "</MenuName><Hint>" + std::string(1500, 'h') + "</Hint>"),
         false,
         [](const CVXLCommand& r) {
             EXPECT_EQ(kMaxCommandNameChars, r.GetName().GetLength());
             EXPECT_EQ(kMaxCommandHintChars, r.GetHint().GetLength());
         }},
        {"raw white space kept", PhraseXml("", "<Cmd>   two\r\n  lines \t</Cmd>"), false,
         [](const CVXLCommand& r) { EXPECT_EQ(L"   two\r\n  lines \t", W(r.GetCommand())); }},
        {"raw blanks only", PhraseXml("", "<Cmd> \r\n\t</Cmd><CmdX>x</CmdX>"), false,
         [](const CVXLCommand& r) { EXPECT_EQ(L" \r\n\t", W(r.GetCommand())); }},
        {"empty command", PhraseXml("", "<Cmd />"), false,
         [](const CVXLCommand& r) { EXPECT_TRUE(r.GetCommand().IsEmpty()); }},
    };
    CTempPhraseFolder folder;
    CString path = folder.Path(L"read.vexlora");
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(WriteBytes(path, c.xml));
        CVXLCommand record;
        if (c.folder) record.MakeFolder();
        ASSERT_TRUE(ReadCommandFile(record, path));
        c.check(record);
    }
}

std::vector<std::wstring> FixtureNames(const wchar_t* subfolder) {
    return ListNames(CString(VXL_PHRASE_FIXTURES) + L"\\" + subfolder, L"*.vexlora");
}

TEST(CommandFile, MalformedFixturesAreRefusedAndLogged) {
    std::vector<std::wstring> names = FixtureNames(L"malformed");
    ASSERT_GE(names.size(), 10u) << "the fixtures folder was not found: " << VXL_PHRASE_FIXTURES;
    CCaseLog log;
    ASSERT_TRUE(log.Started());
    for (const std::wstring& name : names) {
        CVXLCommand record;
        EXPECT_FALSE(ReadCommandFile(record, CString(VXL_PHRASE_FIXTURES) + L"\\malformed\\" + name.c_str())) << name;
    }
    std::wstring text = log.Text().GetString();
    for (const std::wstring& name : names) {
        size_t at = text.find(L"malformed\\" + name + L"] skipped: ");
        ASSERT_NE(std::wstring::npos, at) << name << " has no log line";
        size_t lineStart = text.rfind(L"\r\n", at);
        lineStart = lineStart == std::wstring::npos ? 0 : lineStart + 2;
        EXPECT_EQ(0u, text.compare(lineStart, 9, L"ERROR: [R")) << text.substr(lineStart, at - lineStart + 40);
    }
}

TEST(CommandFile, DamagedButReadableFixtures) {
    const CString damaged = CString(VXL_PHRASE_FIXTURES) + L"\\damaged\\";
    CVXLCommand record;
    ASSERT_TRUE(ReadCommandFile(record, damaged + L"garbage-attributes.vexlora"));
    EXPECT_EQ(0, record.GetUsageCount());
    EXPECT_EQ(12u, record.GetSortID());
    EXPECT_TRUE(record.IsUseTitleOnly());
    EXPECT_FALSE(record.IsDisabledWithoutSelection());
    EXPECT_TRUE(record.GetIncludedFlag());
    EXPECT_FALSE(record.HasDateUsage());
    EXPECT_EQ(VXL_DATA_TEXT, record.GetDataType());

    ASSERT_TRUE(ReadCommandFile(record, damaged + L"byte-order-mark.vexlora"));
    EXPECT_EQ(L"With BOM", W(record.GetName()));
    ASSERT_TRUE(ReadCommandFile(record, damaged + L"trailing-junk.vexlora"));
    EXPECT_EQ(L"Trailing junk", W(record.GetName()));
    ASSERT_TRUE(ReadCommandFile(record, damaged + L"no-declaration.vexlora"));
    EXPECT_EQ(L"  raw\r\n  lines", W(record.GetCommand()));
    EXPECT_EQ(4, record.GetUsageCount());
}

TEST(CommandFile, BytesThatAreNotUtf8AreNeverWrittenBackUnedited) {
    CTempPhraseFolder folder;
    CString path = folder.Path(L"cyr.vexlora");
    std::string original = ReadBytes(CString(VXL_PHRASE_FIXTURES) + L"\\damaged\\invalid-utf8.vexlora");
    ASSERT_FALSE(original.empty());
    ASSERT_TRUE(WriteBytes(path, original));

    CVXLCommand record;
    ASSERT_TRUE(ReadCommandFile(record, path));
    EXPECT_TRUE(record.HasInvalidText());
    EXPECT_EQ(L", world", W(record.GetCommand()).substr(W(record.GetCommand()).size() - 7));
    EXPECT_NE(std::wstring::npos, W(record.GetCommand()).find(L'\xFFFD'));
    record.SetFilePath(path);

    struct Reported {
        int count = 0;
    } reported;
    record.IncrementUsageCount();
    EXPECT_EQ(0, record.SaveAsync([](const CVXLCommand&, const CString&, const CString&,
                                     void* data) { ++static_cast<Reported*>(data)->count; },
                                  &reported));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    EXPECT_EQ(1, reported.count);
    EXPECT_EQ(original, ReadBytes(path)) << "a usage save must not replace the user's bytes with U+FFFD";

    record.SetCommand(L"Привет, world");
    EXPECT_EQ(1, record.SaveAsync());
    ASSERT_TRUE(WaitForPendingSaves(10000));
    CVXLCommand reread;
    ASSERT_TRUE(ReadCommandFile(reread, path));
    EXPECT_EQ(L"Привет, world", W(reread.GetCommand()));
    EXPECT_FALSE(reread.HasInvalidText());
}

// The parser drops the "&" of an entity it does not know; the older "&quote;" must still
// read as a double quote, and no "&" may be lost, in the file or in a usage save of it.
TEST(CommandFile, EntitiesTheParserDoesNotKnowKeepTheirAmpersand) {
    static const struct {
        const char* label;
        const char* raw;
        const wchar_t* text;
    } kCases[] = {
        {"older quote entity", "&quote;q&quote;", L"\"q\""},
        {"written one way and the other", "&quote;a&amp;quote; &quot;b&quot;", L"\"a\" \"b\""},
        {"bare ampersands", "AT&T & co&", L"AT&T & co&"},
        {"unknown entity", "a&nbsp;b &unknown", L"a&nbsp;b &unknown"},
        {"inside CDATA", "<![CDATA[&quote;x&amp;]]>", L"\"x&amp;"},
    };
    CTempPhraseFolder folder;
    CString path = folder.Path(L"entities.vexlora");
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(WriteBytes(
            path, PhraseXml("UsageCount=\"3\"", std::string("<MenuName>") + c.raw +
                                                    "</MenuName><DataType>TEXT</DataType><Cmd>" + c.raw + "</Cmd>")));
        CVXLCommand record;
        ASSERT_TRUE(ReadCommandFile(record, path));
        EXPECT_EQ(c.text, W(record.GetName()));
        EXPECT_EQ(c.text, W(record.GetCommand()));

        record.SetFilePath(path);
        record.IncrementUsageCount();
        EXPECT_EQ(1, record.SaveAsync());
        ASSERT_TRUE(WaitForPendingSaves(10000));
        CVXLCommand reread;
        ASSERT_TRUE(ReadCommandFile(reread, path));
        EXPECT_EQ(4, reread.GetUsageCount());
        EXPECT_EQ(c.text, W(reread.GetName())) << "the usage save kept the name";
        EXPECT_EQ(c.text, W(reread.GetCommand())) << "the usage save kept the text";
    }
}

TEST(CommandFile, DeepNestingIsRefusedWithoutCrashing) {
    const int depth = 200000;
    std::string xml = kDeclaration + "<VXLCommand>";
    xml.reserve(xml.size() + depth * 7);
    for (int i = 0; i < depth; ++i) xml += "<a>";
    for (int i = 0; i < depth; ++i) xml += "</a>";
    xml += "</VXLCommand>";
    CVXLCommand record;
    EXPECT_FALSE(ParseCommandXml(record, xml.c_str(), static_cast<DWORD>(xml.size()), L"deep"));

    std::string shallow = PhraseXml("", "<Extra><More><Deeper>x</Deeper></More></Extra><Cmd>ok</Cmd>");
    EXPECT_TRUE(ParseCommandXml(record, shallow.c_str(), static_cast<DWORD>(shallow.size()), L"shallow"));
    EXPECT_EQ(L"ok", W(record.GetCommand()));
}

// ---------------------------------------------------------------------------------------
// Saves

struct FailureLog {
    int calls = 0;
    std::wstring path;
    std::wstring text;
};

void RecordFailure(const CVXLCommand&, const CString& path, const CString& text, void* data) {
    auto* log = static_cast<FailureLog*>(data);
    ++log->calls;
    log->path = W(path);
    log->text = W(text);
}

TEST(CommandSave, AFailedReplaceKeepsTheOldFileWhole) {
    CTempPhraseFolder folder;
    CString path = folder.Path(L"held.vexlora");
    const std::string old = PhraseXml("UsageCount=\"5\"", "<MenuName>Held</MenuName><Cmd>old text</Cmd>");
    ASSERT_TRUE(WriteBytes(path, old));

    CVXLCommand record;
    record.SetName(L"Held");
    record.SetCommand(L"new text");
    {
        // Another program holds the file open without sharing delete, so that it can be
        // neither replaced nor removed.
        HANDLE holder = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        FailureLog failure;
        EXPECT_FALSE(WriteCommandFile(record, path, RecordFailure, &failure));
        CloseHandle(holder);
        EXPECT_EQ(1, failure.calls);
        EXPECT_EQ(W(path), failure.path);
        EXPECT_EQ(0u, failure.text.find(L"code ")) << failure.text;
    }
    EXPECT_EQ(old, ReadBytes(path));
    EXPECT_EQ(std::vector<std::wstring>{L"held.vexlora"}, ListNames(folder.root));

    // A folder that is not there.
    FailureLog failure;
    CString nowhere = folder.Path(L"missing\\x.vexlora");
    EXPECT_FALSE(WriteCommandFile(record, nowhere, RecordFailure, &failure));
    EXPECT_EQ(1, failure.calls);
    EXPECT_FALSE(PathExists(nowhere));
}

TEST(CommandSave, TheWorkerWritesTheRecordAsItWasWhenAsked) {
    CTempPhraseFolder folder;
    CString path = folder.Path(L"snap.vexlora");
    {
        CVXLCommand record;
        record.SetName(L"Snap");
        record.SetCommand(L"first");
        record.SetFilePath(path);
        EXPECT_EQ(1, record.SaveAsync());
        record.SetCommand(L"changed after the save was asked for");
    }  // and gone before the worker may have run
    ASSERT_TRUE(WaitForPendingSaves(10000));
    CVXLCommand read;
    ASSERT_TRUE(ReadCommandFile(read, path));
    EXPECT_EQ(L"first", W(read.GetCommand()));
}

TEST(CommandSave, QuickSuccessiveSavesEndWithTheNewest) {
    CTempPhraseFolder folder;
    CString path = folder.Path(L"count.vexlora");
    CVXLCommand record;
    record.SetName(L"Counted");
    record.SetFilePath(path);
    for (int i = 0; i < 40; ++i) {
        record.IncrementUsageCount();
        record.SaveAsync();
    }
    ASSERT_TRUE(WaitForPendingSaves(20000));
    CVXLCommand read;
    ASSERT_TRUE(ReadCommandFile(read, path));
    EXPECT_EQ(40, read.GetUsageCount());
    EXPECT_EQ(std::vector<std::wstring>{L"count.vexlora"}, ListNames(folder.root));
}

TEST(CommandSave, WithoutAWorkerThreadTheSaveRunsInline) {
    CTempPhraseFolder folder;
    CString directory = folder.MakeFolder(L"Work");
    CVXLCommand phrase;
    phrase.SetName(L"Inline");
    phrase.SetFilePath(folder.Path(L"inline.vexlora"));
    CVXLCommand record;
    record.MakeFolder();
    record.SetFilePath(directory);
    record.SetLocalizedName(L"de", L"Arbeit");
    CVXLCommand pathless;

    SetSaveThreadsFailForTest(true);
    int phraseResult = phrase.SaveAsync();
    bool phraseWritten = PathExists(folder.Path(L"inline.vexlora"));
    int folderResult = record.SaveAsync();
    bool folderWritten = PathExists(directory + L"\\FOLDER_SELF.vexlora");
    FailureLog failure;
    int pathlessResult = pathless.SaveAsync(RecordFailure, &failure);
    SetSaveThreadsFailForTest(false);

    EXPECT_EQ(1, phraseResult);
    EXPECT_TRUE(phraseWritten) << "written before SaveAsync returned";
    EXPECT_EQ(1, folderResult);
    EXPECT_TRUE(folderWritten);
    EXPECT_EQ(0, pathlessResult);
    EXPECT_EQ(1, failure.calls);

    CVXLCommand read;
    read.MakeFolder();
    ASSERT_TRUE(ReadCommandFile(read, directory + L"\\FOLDER_SELF.vexlora"));
    EXPECT_EQ(L"Arbeit", W(read.GetLocalizedName(L"de")));
}

TEST(CommandSave, FailureOnTheWorkerReachesTheCallback) {
    CTempPhraseFolder folder;
    CVXLCommand record;
    record.SetName(L"Lost folder");
    record.SetFilePath(folder.Path(L"gone\\x.vexlora"));
    FailureLog failure;
    EXPECT_EQ(1, record.SaveAsync(RecordFailure, &failure));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    EXPECT_EQ(1, failure.calls);
    EXPECT_EQ(0u, failure.text.find(L"code 3,")) << failure.text;  // ERROR_PATH_NOT_FOUND
}

}  // namespace
