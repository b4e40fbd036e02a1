// Application objects: autostart, temporary files, addresses and web searches through a
// recording shell, default programs, closing dialogs at exit, the debounced notifier,
// the requests to the tray window, the version-information download and the
// foreground guard.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/AppObjects.h"
#include "core/AppPaths.h"
#include "core/BitmapFile.h"
#include "core/Logger.h"
#include "core/Security.h"
#include "core/Settings.h"
#include "core/ShellServices.h"
#include "core/TextHelpers.h"
#include "core/tests/SettingsTestFolders.h"
#include "testkit/Poll.h"
#include "testkit/TargetIds.h"
#include "testkit/TestKit.h"

namespace {

// ---------------------------------------------------------------------------------------
// Shared helpers

// The process's log, and what it got since a mark.
class CTestLog {
public:
    static CTestLog& Get() {
        static CTestLog log;
        return log;
    }
    size_t Mark() {
        EXPECT_TRUE(LogWaitPending(20000));
        return ::ReadUtf16File(m_path).size();
    }
    std::wstring Since(size_t mark) {
        EXPECT_TRUE(LogWaitPending(20000));
        std::wstring text = ::ReadUtf16File(m_path);
        return text.size() > mark ? text.substr(mark) : std::wstring();
    }

private:
    CTestLog() {
        m_path = GetTempFolder() + L"vxl_app_objects_test.log";
        DeleteFileW(m_path);
        LogInit(m_path);
    }
    CString m_path;
};

bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

bool WriteBytes(const CString& path, const char* bytes) {
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    DWORD size = static_cast<DWORD>(strlen(bytes));
    return file && WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    return testkit::PumpMessagesUntil(timeoutMs, done);
}

// A window that records the messages it gets and answers the tray window's requests.
class CRecordingWindow {
public:
    struct Received {
        UINT message;
        WPARAM wParam;
    };

    explicit CRecordingWindow(HWND parent = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlAppObjectsRecorder";
        RegisterClassW(&windowClass);
        m_window = CreateWindowW(windowClass.lpszClassName, L"recorder", style, 10, 10, 200, 100, parent, nullptr,
                                 windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CRecordingWindow() {
        if (IsWindow(m_window)) DestroyWindow(m_window);
    }
    CRecordingWindow(const CRecordingWindow&) = delete;
    CRecordingWindow& operator=(const CRecordingWindow&) = delete;

    HWND window() const { return m_window; }
    std::vector<Received> received;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CRecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self || message < WM_APP || message > 0xBFFF) return DefWindowProcW(window, message, wParam, lParam);
        self->received.push_back({message, wParam});
        switch (message) {
            case WM_VXL_GET_PANE_SELECTED_TEXT:
                *reinterpret_cast<CString*>(lParam) = L"pane text";
                return 1;
            case WM_VXL_FILL_LANGUAGE_MENU:
                AppendMenuW(reinterpret_cast<HMENU>(wParam), MF_STRING, 33000, L"English");
                return 0;
            case WM_VXL_IS_HOTKEY_REGISTERED:
                return 1;
            case WM_VXL_GET_HISTORY_QUEUE:
                return 0x1234;
            default:
                return 0;
        }
    }

    HWND m_window = nullptr;
};

// Records what would have been opened instead of starting a browser.
class CRecordingShell final : public IShellRunner {
public:
    CRecordingShell() { SetShellRunnerForTest(this); }
    ~CRecordingShell() override { SetShellRunnerForTest(nullptr); }

    HINSTANCE Execute(HWND, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, const wchar_t*,
                      int) override {
        verbs.push_back(verb ? verb : L"");
        files.push_back(file ? file : L"");
        this->parameters.push_back(parameters ? parameters : L"");
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    }

    std::vector<std::wstring> verbs;
    std::vector<std::wstring> files;
    std::vector<std::wstring> parameters;
};

// ---------------------------------------------------------------------------------------
// Autostart

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool ReadRunValue(std::wstring& data) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Vexlora", RRF_RT_REG_SZ, &type, buffer, &size) != ERROR_SUCCESS)
        return false;
    data = buffer;
    return true;
}

void WriteRunValue(const CString& data) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExW(key, L"Vexlora", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.GetString()),
                   static_cast<DWORD>(data.GetLength() + 1) * sizeof(wchar_t));
    RegCloseKey(key);
}

TEST(Autostart, TheValueNamesThisProgramWithAutoloadAndIsDeletedWhenSwitchedOff) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    ASSERT_TRUE(CAppObjects::SetAutostart(true));
    std::wstring data;
    ASSERT_TRUE(ReadRunValue(data));
    EXPECT_EQ(W(GetOwnExecutablePath() + L" /autoload"), data);
    EXPECT_TRUE(CAppObjects::IsAutostartSet());

    ASSERT_TRUE(CAppObjects::SetAutostart(false));
    EXPECT_FALSE(ReadRunValue(data));
    EXPECT_FALSE(CAppObjects::IsAutostartSet());
    EXPECT_FALSE(CAppObjects::SetAutostart(false)) << "nothing left to delete";
}

TEST(Autostart, CountsAsSetOnlyWhenTheValueNamesThisProgram) {
    const CString own = GetOwnExecutablePath();
    CString upper = own;
    upper.MakeUpper();
    struct Case {
        CString data;
        bool set;
    } cases[] = {
        {own + L" /autoload", true},
        {upper + L" /autoload", true},
        {own + L"   /autoload", true},
        {own, true},
        {L"", false},
        {L" /autoload", false},
        {own.Left(own.GetLength() - 4) + L" /autoload", false},
        {L"C:\\Other\\Vexlora.exe /autoload", false},
        {L"\"" + own + L"\" /autoload", false},
    };
    for (const Case& c : cases) {
        WriteRunValue(c.data);
        EXPECT_EQ(c.set, CAppObjects::IsAutostartSet()) << W(c.data);
    }
    CAppObjects::SetAutostart(false);
}

TEST(Autostart, TheWriterWaitsASecondAndNeverWritesForARemovableCopyOrAnEndingProgram) {
    CTempSettingsFolders folders(L"vxl_autostart");
    struct Case {
        const char* name;
        int removable;
        bool ending;
        DWORD result;
        bool written;
    } cases[] = {
        {"fixed drive, program running", 0, false, 0, true},
        {"removable drive", 1, false, 2, false},
        {"program ending within the second", 0, true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAppObjects::SetAutostart(false);
        SetDriveRemovableForTest(c.removable);
        CHandle exitEvent(CreateEventW(nullptr, TRUE, c.ending, nullptr));
        CAppObjects::SetAppExitEvent(exitEvent.get());
        CHandle thread;
        ASSERT_TRUE(CAppObjects::StartAutostartWriterThread(&thread));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000));
        DWORD result = 99;
        GetExitCodeThread(thread.get(), &result);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.written, CAppObjects::IsAutostartSet());
        CAppObjects::SetAppExitEvent(nullptr);
    }
    CAppObjects::SetAutostart(false);
    EXPECT_FALSE(CAppObjects::StartAutostartWriterThread()) << "no exit event: nothing to stop it";
}

// ---------------------------------------------------------------------------------------
// Temporary files

TEST(TempFiles, RegisteredFilesAreDeletedAtExitReadOnlyOnesToo) {
    CTestLog& log = CTestLog::Get();
    CString folder = GetTempFolder();
    CString plain = BuildTempFileName(folder, L"txt");
    ASSERT_TRUE(WriteBytes(plain, "a"));
    CString readOnly = BuildTempFileName(folder, L".rtf");
    ASSERT_TRUE(WriteBytes(readOnly, "b"));
    ASSERT_TRUE(SetFileAttributesW(readOnly, FILE_ATTRIBUTE_READONLY));
    CString missing = folder + L"vxl_never_written.tmp";

    size_t mark = log.Mark();
    CAppObjects::AddTempFileForDeletion(plain);
    CAppObjects::AddTempFileForDeletion(readOnly);
    CAppObjects::AddTempFileForDeletion(missing);
    CAppObjects::DeleteTempFilesOnExit();
    EXPECT_FALSE(FileExists(plain));
    EXPECT_FALSE(FileExists(readOnly));
    std::wstring text = log.Since(mark);
    EXPECT_TRUE(Contains(text, W(L"Delete temp file on exit [" + plain + L"]").c_str())) << text;
    EXPECT_TRUE(Contains(text, W(L"Delete temp file on exit [" + readOnly + L"]").c_str())) << text;
    EXPECT_TRUE(Contains(text, W(L"FAIL on delete temp file on exit [" + missing + L"]").c_str())) << text;
    EXPECT_TRUE(Contains(text, L"Delete temp files on exit. Deleted 2 from 3")) << text;

    mark = log.Mark();
    CAppObjects::DeleteTempFilesOnExit();
    text = log.Since(mark);
    EXPECT_TRUE(Contains(text, L"No files for deletion on exit")) << text;
    EXPECT_FALSE(Contains(text, L"Delete temp files on exit. Deleted")) << text;
}

TEST(TempFiles, NamesNeverRepeatAndNoFileIsMadeForThem) {
    CString folder = GetTempFolder();
    std::vector<CString> names;
    for (int i = 0; i < 300; ++i) names.push_back(BuildTempFileName(folder, i % 2 ? L"txt" : L".txt"));
    for (size_t i = 0; i < names.size(); ++i) {
        const CString& name = names[i];
        ASSERT_EQ(0, name.Find(folder + L"abc")) << W(name);
        // Windows writes ".TMP", Wine ".tmp".
        EXPECT_EQ(0, name.Right(8).CompareNoCase(L".TMP.txt")) << W(name);
        EXPECT_FALSE(FileExists(name));
        for (size_t j = 0; j < i; ++j) ASSERT_NE(W(names[j]), W(name)) << "made within the same millisecond";
    }
    // A name whose file exists is not given out again.
    CString first = BuildTempFileName(nullptr, L"xml");
    ASSERT_TRUE(WriteBytes(first, "x"));
    for (int i = 0; i < 100; ++i) EXPECT_NE(W(first), W(BuildTempFileName(nullptr, L"xml")));
    DeleteFileW(first);
}

// ---------------------------------------------------------------------------------------
// Paths

TEST(Paths, FolderNameAndPartsOfAPath) {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* folderNoSlash;
        const wchar_t* name;
        const wchar_t* extension;
    } cases[] = {
        {L"C:\\a\\b\\file.txt", L"C:\\a\\b\\", L"C:\\a\\b", L"file.txt", L".txt"},
        {L"C:\\file.txt", L"C:\\", L"C:\\", L"file.txt", L".txt"},
        {L"C:\\a.b\\noext", L"C:\\a.b\\", L"C:\\a.b", L"noext", L""},
        {L"\\\\server\\share\\x.tar.gz", L"\\\\server\\share\\", L"\\\\server\\share", L"x.tar.gz", L".gz"},
        {L"file.txt", L"", L"", L"file.txt", L".txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(W(c.folder), W(GetFolderOfPath(c.path))) << W(c.path);
        EXPECT_EQ(W(c.folderNoSlash), W(GetFolderOfPath(c.path, false))) << W(c.path);
        EXPECT_EQ(W(c.name), W(GetFileNameOfPath(c.path))) << W(c.path);
        CString extension;
        SplitPath(c.path, nullptr, nullptr, nullptr, &extension);
        EXPECT_EQ(W(c.extension), W(extension)) << W(c.path);
    }
    EXPECT_EQ(W(L".txt"), W(MakeDotExtension(L"txt")));
    EXPECT_EQ(W(L".txt"), W(MakeDotExtension(L".txt")));
    EXPECT_EQ(W(L""), W(MakeDotExtension(L"")));
}

// ---------------------------------------------------------------------------------------
// Addresses and web searches

TEST(OpenUrl, KnownSchemesStayAndOtherTextsGetHttp) {
    struct Case {
        const wchar_t* text;
        const wchar_t* opened;
    } cases[] = {
        {L"  www.example.com  ", L"http://www.example.com"},
        {L"MAILTO:someone@example.com", L"MAILTO:someone@example.com"},
        {L"https://example.com/a?b=c&d", L"https://example.com/a?b=c&d"},
        {L"FtP://files.example.com", L"FtP://files.example.com"},
        {L"file:///C:/x.html", L"file:///C:/x.html"},
        {L"example.com/a\r\nb\tc", L"http://example.com/a b c"},
        {L"a   b  c", L"http://a b c"},
    };
    CRecordingShell shell;
    for (const Case& c : cases) EXPECT_TRUE(CAppObjects::OpenUrl(nullptr, c.text, false)) << W(c.text);
    ASSERT_EQ(std::size(cases), shell.files.size());
    for (size_t i = 0; i < shell.files.size(); ++i) {
        EXPECT_EQ(std::wstring(cases[i].opened), shell.files[i]);
        EXPECT_EQ(L"open", shell.verbs[i]);
    }
}

// Percent-decodes an address's query back into the text it searches for.
std::wstring DecodeQuery(const std::wstring& encoded) {
    std::string bytes;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == L'%' && i + 2 < encoded.size()) {
            bytes += static_cast<char>(
                std::stoi(std::string(encoded.begin() + i + 1, encoded.begin() + i + 3), nullptr, 16));
            i += 2;
        } else {
            EXPECT_LT(encoded[i], 128) << "only ASCII in an address";
            bytes += static_cast<char>(encoded[i]);
        }
    }
    return Utf8ToWide(bytes.c_str());
}

TEST(WebSearch, SearchesForExactlyTheSelectedText) {
    const wchar_t* const texts[] = {
        L"salt & pepper",
        L"C# ?",
        L"a+b=c; 100%",
        L"#top",
        L"first line\r\nsecond\nthird\rfourth",
        L"\x041F\x0440\x0438\x0432\x0435\x0442 \xD83D\xDE00",
        L"q=1&search=2",
    };
    CRecordingShell shell;
    for (int service = 5; service <= 8; ++service) {
        for (const wchar_t* text : texts) {
            shell.files.clear();
            ASSERT_TRUE(CAppObjects::WebSearch(text, service)) << W(text);
            ASSERT_EQ(1u, shell.files.size());
            std::wstring address = shell.files[0];
            EXPECT_TRUE(shell.parameters[0].empty()) << "an address is opened whole";
            size_t equals = address.rfind(L'=');
            ASSERT_NE(std::wstring::npos, equals) << address;
            EXPECT_EQ(std::wstring::npos, address.find_first_of(L"&# ?", equals)) << address;
            CString flat(text);
            ReplaceLineBreaksBy(flat, L" ");
            EXPECT_EQ(W(flat), DecodeQuery(address.substr(equals + 1))) << address;
        }
    }
    const wchar_t* const keys[] = {L"?q=", L"?text=", L"?query=", L"?search="};
    for (int service = 5; service <= 8; ++service)
        EXPECT_GE(CAppObjects::BuildWebSearchUrl(L"x", service).Find(keys[service - 5]), 0) << service;
    EXPECT_EQ(0, CAppObjects::BuildWebSearchUrl(L"x", 8).Find(L"https://"));
    EXPECT_EQ(0, CAppObjects::BuildWebSearchUrl(L"x", 7).Find(L"http://"));
    EXPECT_GE(CAppObjects::BuildWebSearchUrl(L"x", 7).Find(L"en-US"), 0);

    shell.files.clear();
    for (int service : {0, 4, 9, -1}) EXPECT_FALSE(CAppObjects::WebSearch(L"x", service));
    EXPECT_TRUE(shell.files.empty()) << "unknown services open nothing";
}

TEST(SplitCommand, TheLongestStartThatNamesAFileIsTheProgram) {
    CTempSettingsFolders folders(L"vxl split");
    CString program = folders.programFolder + L"tool x.exe";
    ASSERT_TRUE(WriteBytes(program, "MZ"));
    struct Case {
        CString command;
        CString program;
        CString parameters;
    } cases[] = {
        {program, program, L""},
        {program + L" -a \"b c\"", program, L" -a \"b c\""},
        {L"https://example.com/x y", L"https://example.com/x y", L""},
        {L"mailto:a@b", L"mailto:a@b", L""},
        {folders.programFolder + L" arg", folders.programFolder + L" arg", L""},
        {L"no such program --x", L"no such program --x", L""},
    };
    for (const Case& c : cases) {
        CString gotProgram;
        CString gotParameters;
        SplitCommandAndParams(c.command, gotProgram, gotParameters);
        EXPECT_EQ(W(c.program), W(gotProgram)) << W(c.command);
        EXPECT_EQ(W(c.parameters), W(gotParameters)) << W(c.command);
    }
}

// ---------------------------------------------------------------------------------------
// Clipboard-history items as files

CBitmapHandle MakeDibSection(int width, int height, WORD bitCount) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bitCount;
    info.header.biCompression = BI_RGB;
    void* bits = nullptr;
    return CBitmapHandle(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
}

TEST(ClipboardItemFiles, EachKindIsWrittenAsItsFileFormat) {
    const std::string bom = "\xFF\xFE";
    const wchar_t unicode[] = L"\x041F\x0440\x0438 \xD83D\xDE00";
    const std::string unicodeBytes(reinterpret_cast<const char*>(unicode), (std::size(unicode) - 1) * sizeof(wchar_t));
    const char dorvane[] = {'D', 0, 'V', 0, 'N'};
    struct Case {
        const char* name;
        CClipboardItemData item;
        UINT options;
        std::string bytes;
    } cases[] = {
        {"8-bit text without its terminator", {CClipboardItemData::kText, "plain text", 11}, 0, "plain text"},
        {"8-bit text never read past its size", {CClipboardItemData::kText, "abcdef", 3}, 0, "abc"},
        {"formatted text as it is", {CClipboardItemData::kRtf, "{\\rtf1 x}", 10}, 0, "{\\rtf1 x}"},
        {"formatted text as UTF-16",
         {CClipboardItemData::kRtf, "{\\rtf1 x}", 10},
         kItemFileRtfAsUtf16,
         bom + std::string("{\0\\\0r\0t\0f\0"
                           "1\0 \0x\0}\0",
                           18)},
        {"UTF-16 text after a byte-order mark",
         {CClipboardItemData::kUnicodeText, unicode, sizeof unicode},
         0,
         bom + unicodeBytes},
        {"other kinds as their raw data",
         {CClipboardItemData::kDorvane, dorvane, sizeof dorvane},
         0,
         std::string(dorvane, sizeof dorvane)},
    };
    CString folder = GetTempFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString path = BuildTempFileName(folder, L"item");
        ASSERT_TRUE(CAppObjects::WriteClipboardItemToFile(c.item, path, c.options));
        EXPECT_EQ(c.bytes, ReadFileBytes(path));
        DeleteFileW(path);
    }
}

TEST(ClipboardItemFiles, ProtectedItemsAreReadOnlyAndRegisteredOnesGoAtExit) {
    CClipboardItemData item{CClipboardItemData::kText, "keep", 5, true};
    CString path = BuildTempFileName(nullptr, L"txt");
    ASSERT_TRUE(CAppObjects::WriteClipboardItemToFile(item, path, kItemFileTemporary | kItemFileDeleteAtExit));
    EXPECT_TRUE(GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY);
    CAppObjects::DeleteTempFilesOnExit();
    EXPECT_FALSE(FileExists(path));

    CTestLog& log = CTestLog::Get();
    size_t mark = log.Mark();
    CString unreachable = GetTempFolder() + L"vxl_no_such_folder\\item.txt";
    EXPECT_FALSE(CAppObjects::WriteClipboardItemToFile(item, unreachable, 0));
    EXPECT_TRUE(Contains(log.Since(mark), W(L"ERROR: [Cannot create file pathName=[" + unreachable + L"]]").c_str()));
}

TEST(ClipboardItemFiles, BitmapsAreWrittenAsBmpFiles) {
    struct Case {
        int width;
        int height;
        WORD bitCount;
        DWORD offset;
        DWORD rowBytes;
    } cases[] = {
        {3, 2, 24, 54, 12},
        {5, 3, 8, 54 + 1024, 8},
        {2, 2, 32, 54, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitCount);
        CBitmapHandle bitmap = MakeDibSection(c.width, c.height, c.bitCount);
        ASSERT_TRUE(bitmap.valid());
        CString path = BuildTempFileName(nullptr, L"bmp");
        CClipboardItemData item{CClipboardItemData::kBitmap, bitmap.get(), 4};
        ASSERT_TRUE(CAppObjects::WriteClipboardItemToFile(item, path, 0));
        std::string bytes = ReadFileBytes(path);
        ASSERT_GE(bytes.size(), 54u);
        const auto* fileHeader = reinterpret_cast<const BITMAPFILEHEADER*>(bytes.data());
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data() + sizeof(BITMAPFILEHEADER));
        EXPECT_EQ(0x4D42, fileHeader->bfType);
        EXPECT_EQ(c.offset, fileHeader->bfOffBits);
        EXPECT_EQ(c.offset + c.rowBytes * c.height, fileHeader->bfSize);
        EXPECT_EQ(fileHeader->bfSize, bytes.size());
        EXPECT_EQ(c.width, header->biWidth);
        EXPECT_EQ(c.height, header->biHeight);
        EXPECT_EQ(c.bitCount, header->biBitCount);
        DeleteFileW(path);
    }
}

TEST(ClipboardItemFiles, OpeningWritesATemporaryFileOfTheKindsType) {
    CRecordingShell shell;
    struct Case {
        CClipboardItemData item;
        const wchar_t* extension;
    } cases[] = {
        {{CClipboardItemData::kText, "text", 5}, L".txt"},
        {{CClipboardItemData::kUnicodeText, L"text", 10}, L".txt"},
        {{CClipboardItemData::kRtf, "{\\rtf1 x}", 10}, L".rtf"},
    };
    for (const Case& c : cases) {
        shell.files.clear();
        CString path;
        ASSERT_TRUE(CAppObjects::OpenClipboardItem(nullptr, c.item, path, true));
        EXPECT_EQ(W(c.extension), W(path.Right(4)));
        ASSERT_EQ(1u, shell.files.size());
        EXPECT_EQ(W(path), shell.files[0]);
        EXPECT_TRUE(FileExists(path));
        if (c.item.kind == CClipboardItemData::kRtf) {
            EXPECT_EQ(0, ReadFileBytes(path).compare(0, 2, "\xFF\xFE")) << "opened as UTF-16 text";
        }
    }
    shell.files.clear();
    CString path;
    EXPECT_TRUE(CAppObjects::OpenClipboardItem(nullptr, {CClipboardItemData::kHtml, "<b>x</b>", 9}, path, true));
    EXPECT_TRUE(shell.files.empty()) << "HTML items are not opened";
    CAppObjects::DeleteTempFilesOnExit();
}

// ---------------------------------------------------------------------------------------
// Default programs

TEST(DefaultPrograms, TheOpenCommandLosesItsQuotesAndArguments) {
    CTempSettingsFolders folders(L"vxl_assoc");
    CString program = folders.programFolder + L"My Viewer.exe";
    ASSERT_TRUE(WriteBytes(program, "MZ"));
    struct Case {
        const wchar_t* extension;
        CString command;
        CString expected;
    } cases[] = {
        {L".vxla", L"\"" + program + L"\" \"%1\"", program},
        {L".vxlb", L"\"" + program + L"\" %1", program},
        {L".vxlc", program + L" /open \"%1\"", program},
        {L".vxld", L"C:\\no\\such\\viewer.exe %1", L""},
    };
    // Written where the shell reads it; the test's prefix is its own.
    HKEY classes = HKEY_CLASSES_ROOT;
    for (const Case& c : cases) {
        CString type = CString(L"VxlTest") + (c.extension + 1);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(classes, c.extension, REG_SZ, type, 0));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(classes, type + L"\\shell\\open\\command", REG_SZ, c.command, 0));
    }
    for (const Case& c : cases) {
        EXPECT_EQ(W(c.expected), W(CAppObjects::GetOpenProgramOfExtension(c.extension))) << W(c.extension);
        EXPECT_EQ(W(c.expected), W(CAppObjects::GetOpenProgramOfExtension(c.extension + 1))) << "without the dot";
    }
    EXPECT_EQ(W(L""), W(CAppObjects::GetOpenProgramOfExtension(L".vxl-not-registered")));
    for (const Case& c : cases) {
        RegDeleteTreeW(classes, c.extension);
        RegDeleteTreeW(classes, CString(L"VxlTest") + (c.extension + 1));
    }
}

// ---------------------------------------------------------------------------------------
// Closing dialogs at exit

enum class DialogBehaviour { HonoursClose, HonoursSysClose, HonoursCancel, IgnoresAll };

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto behaviour = static_cast<DialogBehaviour>(GetWindowLongPtrW(dialog, DWLP_USER));
    bool close = false;
    switch (message) {
        case WM_CLOSE:
            close = behaviour == DialogBehaviour::HonoursClose;
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
            close = behaviour == DialogBehaviour::HonoursSysClose;
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            close = behaviour == DialogBehaviour::HonoursCancel;
            break;
        default:
            return FALSE;
    }
    if (close) DestroyWindow(dialog);
    return TRUE;  // handled: the default handling would close the others too
}

HWND CreateTestDialog(HWND owner, const wchar_t* caption, DialogBehaviour behaviour) {
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass;
        wchar_t title[64];
    } dialogTemplate = {};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dialogTemplate.header.cx = 100;
    dialogTemplate.header.cy = 50;
    lstrcpynW(dialogTemplate.title, caption, 64);
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.header, owner, TestDialogProc,
                                      static_cast<LPARAM>(behaviour));
}

TEST(CloseDialogs, EachOwnedDialogIsClosedByTheFirstMeansItHonours) {
    CTestLog& log = CTestLog::Get();
    struct Case {
        DialogBehaviour behaviour;
        const wchar_t* logLine;
    } cases[] = {
        {DialogBehaviour::HonoursClose, L"\tClose by WM_CLOSE"},
        {DialogBehaviour::HonoursSysClose, L"\tClose by WM_SYSCOMMAND + SC_CLOSE"},
        {DialogBehaviour::HonoursCancel, L"\tClose by WM_COMMAND + IDCANCEL"},
        {DialogBehaviour::IgnoresAll, nullptr},
    };
    for (const Case& c : cases) {
        CRecordingWindow main;
        HWND dialog = CreateTestDialog(main.window(), L"Leftover dialog", c.behaviour);
        ASSERT_TRUE(IsWindow(dialog));
        size_t mark = log.Mark();
        EXPECT_EQ(1, CAppObjects::CloseOpenDialogsOf(main.window()));
        EXPECT_FALSE(IsWindow(dialog)) << "the last means destroys it";
        std::wstring text = log.Since(mark);
        EXPECT_TRUE(Contains(text, L"CloseDlgProc Class name: #32770")) << text;
        EXPECT_TRUE(Contains(text, L"Dialog detected: Leftover dialog")) << text;
        EXPECT_TRUE(Contains(text, L"EnumWindows: DlgCount1")) << text;
        for (const Case& other : cases)
            if (other.logLine) {
                EXPECT_EQ(other.logLine == c.logLine, Contains(text, other.logLine)) << W(other.logLine);
            }
    }
}

TEST(CloseDialogs, OnlyDialogsOwnedByTheMainWindowAndTheRegisteredOnesAreClosed) {
    CRecordingWindow main;
    CRecordingWindow other;
    HWND owned = CreateTestDialog(main.window(), L"owned", DialogBehaviour::HonoursClose);
    HWND ownedByOther = CreateTestDialog(other.window(), L"not ours", DialogBehaviour::HonoursClose);
    HWND about = CreateTestDialog(nullptr, L"About", DialogBehaviour::HonoursCancel);
    HWND update = CreateTestDialog(nullptr, L"Update", DialogBehaviour::HonoursSysClose);
    CRecordingWindow ownedPopup(main.window(), WS_POPUP);
    CAppObjects::SetAboutDlgHwnd(about);
    CAppObjects::SetUpdateDlgHwnd(update);

    EXPECT_EQ(1, CAppObjects::CloseOpenDialogsOf(main.window()));
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_FALSE(IsWindow(about));
    EXPECT_FALSE(IsWindow(update));
    EXPECT_TRUE(IsWindow(ownedByOther));
    EXPECT_TRUE(IsWindow(ownedPopup.window())) << "not a dialog";
    CAppObjects::SetAboutDlgHwnd(nullptr);
    CAppObjects::SetUpdateDlgHwnd(nullptr);
    DestroyWindow(ownedByOther);
}

// ---------------------------------------------------------------------------------------
// Debounced notifier

HWND g_notifierTarget = nullptr;
HWND NotifierTarget() {
    return g_notifierTarget;
}

TEST(DebouncedNotifier, PostsTheNewestValueOnceAfterTheDelayAndNeverZero) {
    CRecordingWindow pane;
    g_notifierTarget = pane.window();
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CDebouncedNotifier notifier(stop.get(), &NotifierTarget, WM_VXL_PANE_ITEM_HIGHLIGHT, 700);
    auto delaysDone = [&](LONG count) {
        return PumpUntil([&] { return notifier.GetCompletedDelaysForTest() >= count; });
    };

    // Highlighted and left again within the delay: nothing is posted.
    EXPECT_TRUE(notifier.Notify(1));
    EXPECT_TRUE(notifier.Notify(0));
    ASSERT_TRUE(delaysDone(1));
    PumpUntil([] { return true; });
    EXPECT_TRUE(pane.received.empty());

    // Kept highlighted: one message with 1.
    EXPECT_TRUE(notifier.Notify(1));
    ASSERT_TRUE(delaysDone(2));
    ASSERT_TRUE(PumpUntil([&] { return !pane.received.empty(); }));
    ASSERT_EQ(1u, pane.received.size());
    EXPECT_EQ(WM_VXL_PANE_ITEM_HIGHLIGHT, pane.received[0].message);
    EXPECT_EQ(1u, pane.received[0].wParam);

    // The same value again is no change; leaving and highlighting again posts again.
    EXPECT_TRUE(notifier.Notify(1));
    EXPECT_TRUE(notifier.Notify(0));
    EXPECT_TRUE(notifier.Notify(1));
    ASSERT_TRUE(delaysDone(3));
    ASSERT_TRUE(PumpUntil([&] { return pane.received.size() >= 2; }));
    EXPECT_EQ(2u, pane.received.size());
    EXPECT_EQ(1u, pane.received.back().wParam);

    // The stop event ends the worker; later requests are refused.
    SetEvent(stop.get());
    EXPECT_TRUE(testkit::PollUntil(20000, [&] {
        notifier.Notify(0);
        return !notifier.Notify(2);
    }));
    g_notifierTarget = nullptr;
}

TEST(DebouncedNotifier, DoesNothingWithoutItsWindow) {
    g_notifierTarget = nullptr;
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CDebouncedNotifier notifier(stop.get(), &NotifierTarget, WM_VXL_PANE_ITEM_HIGHLIGHT, 700);
    EXPECT_FALSE(notifier.Notify(1));
    SetEvent(stop.get());
}

// ---------------------------------------------------------------------------------------
// Requests to the tray window

TEST(MainWindowRequests, ReachTheMainWindowAndAnswerNothingWithoutOne) {
    CRecordingWindow main;
    CAppObjects::SetMainWnd(main.window());
    CString paneText;
    EXPECT_TRUE(CAppObjects::GetFloatPaneSelectedText(paneText));
    EXPECT_EQ(W(L"pane text"), W(paneText));
    EXPECT_TRUE(CAppObjects::IsHotKeyRegistered());
    EXPECT_FALSE(CAppObjects::IsAllowWaitAnswer());
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), CAppObjects::GetClipboardHistoryQueue());
    CMenuHandle menu(CreatePopupMenu());
    EXPECT_EQ(1, CAppObjects::FillLanguageMenuByMainWnd(menu.get()));
    CAppObjects::HideMenuToolTip();
    CAppObjects::HideTrayBalloon();
    CAppObjects::GetClipboardHistoryHandler();
    CAppObjects::ShowFloatPane();
    PumpUntil([&] { return main.received.size() >= 9; });
    const UINT expected[] = {WM_VXL_GET_PANE_SELECTED_TEXT, WM_VXL_IS_HOTKEY_REGISTERED, WM_VXL_ALLOW_WAIT_ANSWER,
                             WM_VXL_GET_HISTORY_QUEUE,      WM_VXL_FILL_LANGUAGE_MENU,   WM_VXL_HIDE_MENU_TOOLTIP,
                             WM_VXL_HIDE_TRAY_BALLOON,      WM_VXL_GET_HISTORY_HANDLER,  WM_VXL_SHOW_FLOAT_PANE};
    ASSERT_EQ(std::size(expected), main.received.size());
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(expected[i], main.received[i].message) << i;
    EXPECT_EQ(GetCurrentThreadId(), main.received.back().wParam) << "the pane learns who asked";

    CAppObjects::SetMainWnd(nullptr);
    main.received.clear();
    EXPECT_FALSE(CAppObjects::GetFloatPaneSelectedText(paneText));
    EXPECT_TRUE(paneText.IsEmpty());
    EXPECT_FALSE(CAppObjects::IsHotKeyRegistered());
    EXPECT_EQ(nullptr, CAppObjects::GetClipboardHistoryQueue());
    EXPECT_EQ(0, CAppObjects::FillLanguageMenuByMainWnd(menu.get()));
    PumpUntil([] { return true; });
    EXPECT_TRUE(main.received.empty());
}

// ---------------------------------------------------------------------------------------
// Version-information download

class CFakeDownloads final : public IUrlDownloads {
public:
    CFakeDownloads(bool winInet, bool urlMon) : m_winInet(winInet), m_urlMon(urlMon) { SetUrlDownloadsForTest(this); }
    ~CFakeDownloads() override { SetUrlDownloadsForTest(nullptr); }

    bool DownloadWinInet(const wchar_t* address, const wchar_t* path, const wchar_t*) override {
        return Download(address, path, m_winInet, "<VexloraVersionInfo by=\"wininet\"/>");
    }
    bool DownloadUrlMon(const wchar_t* address, const wchar_t* path) override {
        return Download(address, path, m_urlMon, "<VexloraVersionInfo by=\"urlmon\"/>");
    }

    std::vector<CString> paths;
    std::vector<CString> addresses;

private:
    // A failed download leaves part of the file behind, as a broken connection does.
    bool Download(const wchar_t* address, const wchar_t* path, bool succeed, const char* content) {
        paths.push_back(path);
        addresses.push_back(address);
        WriteBytes(path, succeed ? content : "<VexloraVers");
        return succeed;
    }

    bool m_winInet;
    bool m_urlMon;
};

// Wine keeps only some attributes of a file; FILE_ATTRIBUTE_TEMPORARY is not among them.
bool SystemKeepsTemporaryAttribute() {
    CString probe = BuildTempFileName(nullptr, L"probe");
    WriteBytes(probe, "x");
    SetFileAttributesW(probe, FILE_ATTRIBUTE_TEMPORARY);
    bool kept = (GetFileAttributesW(probe) & FILE_ATTRIBUTE_TEMPORARY) != 0;
    DeleteFileW(probe);
    return kept;
}

TEST(VersionInfoDownload, TriesWinInetThenTheSystemAndLeavesNoPartialFile) {
    CTestLog& log = CTestLog::Get();
    struct Case {
        bool winInet;
        bool urlMon;
        const char* content;  // null: no file
        std::vector<const wchar_t*> logLines;
    } cases[] = {
        {true, false, "<VexloraVersionInfo by=\"wininet\"/>", {}},
        {false,
         true,
         "<VexloraVersionInfo by=\"urlmon\"/>",
         {L"Cannot download info version file by Download2",
          L"Well download info version file sucessfully by URLDownloadToFile_API_Wrapper"}},
        {false,
         false,
         nullptr,
         {L"Cannot download info version file by Download2",
          L"Ooops, cannot download info version file by URLDownloadToFile_API_Wrapper"}},
    };
    for (const Case& c : cases) {
        CFakeDownloads downloads(c.winInet, c.urlMon);
        size_t mark = log.Mark();
        CString path = CAppObjects::DownloadVersionInfoFile(L"https://example.com/version.xml");
        ASSERT_FALSE(downloads.paths.empty());
        for (const CString& address : downloads.addresses) EXPECT_EQ(W(L"https://example.com/version.xml"), W(address));
        EXPECT_EQ(W(L".xml"), W(downloads.paths[0].Right(4)));
        std::wstring text = log.Since(mark);
        for (const wchar_t* line : c.logLines) EXPECT_TRUE(Contains(text, line)) << W(line);
        if (c.winInet) {
            EXPECT_FALSE(Contains(text, L"Download2"));
        }
        if (!c.content) {
            EXPECT_TRUE(path.IsEmpty());
            EXPECT_FALSE(FileExists(downloads.paths[0])) << "the partial file is deleted";
            continue;
        }
        ASSERT_EQ(W(downloads.paths[0]), W(path));
        EXPECT_EQ(std::string(c.content), ReadFileBytes(path));
        if (SystemKeepsTemporaryAttribute()) {
            EXPECT_TRUE(GetFileAttributesW(path) & FILE_ATTRIBUTE_TEMPORARY);
        }
        DeleteFileW(path);
    }
}

TEST(VersionInfoDownload, TheSystemDownloadReadsALocalFileAddress) {
    CString source = BuildTempFileName(nullptr, L"xml");
    ASSERT_TRUE(WriteBytes(source, "<VexloraVersionInfo/>"));
    CString target = BuildTempFileName(nullptr, L"xml");
    CString address = L"file:///" + source;
    address.Replace(L'\\', L'/');
    bool loaded = URLDownloadToFile_API_Wrapper(address, target);
    if (loaded) {
        EXPECT_EQ("<VexloraVersionInfo/>", ReadFileBytes(target));
    }
    DeleteFileW(source);
    DeleteFileW(target);
    if (!loaded) GTEST_SKIP() << "this system's URL download does not read file addresses";
}

// ---------------------------------------------------------------------------------------
// Small services

TEST(Guid, IsNewEachTimeAndPrintedWithoutBraces) {
    CString first = CAppObjects::NewGuidText();
    CString second = CAppObjects::NewGuidText();
    ASSERT_EQ(36, first.GetLength()) << W(first);
    for (int dash : {8, 13, 18, 23}) EXPECT_EQ(L'-', first[dash]);
    EXPECT_LT(first.FindOneOf(L"{}"), 0);
    EXPECT_NE(W(first), W(second));
}

TEST(Privileges, TheToolTipListsEachPrivilegeWithItsState) {
    bool enabled = CAppObjects::Set_App_Privelegies();
    CString tip = CAppObjects::Get_App_Privelegies_ToolTip();
    for (const wchar_t* name : {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege", L"SeTcbPrivilege",
                                L"SeSecurityPrivilege", L"SeImpersonatePrivilege"})
        EXPECT_GE(tip.Find(name), 0) << W(name);
    std::wstring lines = W(tip);
    EXPECT_EQ(4, std::count(lines.begin(), lines.end(), L'\n')) << lines;
    if (enabled) {
        bool anyEnabled =
            tip.Find(L"SeTakeOwnershipPrivilege: enabled") >= 0 || tip.Find(L"SeDebugPrivilege: enabled") >= 0;
        EXPECT_TRUE(anyEnabled) << W(tip);
    }
}

TEST(LastError, IsTakenAndClearedAndItsTextIsTheStoredCodes) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    CLastErrorInfo info;
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), info.GetCode());
    EXPECT_EQ(std::wstring(L"2"), info.FormatErrorCode());
    EXPECT_EQ(W(GetErrorMessageText(ERROR_FILE_NOT_FOUND)), std::wstring(info.FormatMessageText()));
}

// ---------------------------------------------------------------------------------------
// Language menu

TEST(LanguageMenu, ListsTheLanguageFilesAfterTheFirstItemAndMarksTheCurrentOne) {
    CTempSettingsFolders folders(L"vxl_langmenu");
    ASSERT_TRUE(
        WriteUtf16File(folders.programFolder + L"German.lng", L"[Main]\r\nLangPrefix=De\r\nLangLocalized=Deutsch\r\n"));
    ASSERT_TRUE(WriteUtf16File(folders.programFolder + L"Abc.lng", L"[Main]\r\nLangPrefix=Ab\r\n"));
    CVXLSettings::GetInstance().SetLanguage(L"German.lng");

    CMenuHandle menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, 32776, L"How To Localize");
    for (int round = 0; round < 2; ++round) {
        std::vector<CString> names;
        ASSERT_EQ(3, CAppObjects::FillLanguageMenu(menu.get(), names));
        ASSERT_EQ(5, GetMenuItemCount(menu.get())) << "filled again, not added to";
        EXPECT_EQ(32776u, GetMenuItemID(menu.get(), 0));
        EXPECT_EQ(0u, GetMenuItemID(menu.get(), 1)) << "a separator";
        const std::vector<std::wstring> expectedNames = {L"", L"Abc.lng", L"German.lng"};
        ASSERT_EQ(expectedNames.size(), names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(expectedNames[i], W(names[i]));
            EXPECT_EQ(kFirstLanguageCommandId + i, GetMenuItemID(menu.get(), static_cast<int>(i) + 2));
        }
        wchar_t caption[100] = {};
        GetMenuStringW(menu.get(), kFirstLanguageCommandId + 2, caption, 100, MF_BYCOMMAND);
        EXPECT_EQ(std::wstring(L"Deutsch"), caption);
        EXPECT_TRUE(GetMenuState(menu.get(), kFirstLanguageCommandId + 2, MF_BYCOMMAND) & MF_CHECKED);
        EXPECT_FALSE(GetMenuState(menu.get(), kFirstLanguageCommandId, MF_BYCOMMAND) & MF_CHECKED);
    }
    CVXLSettings::GetInstance().SetLanguage(L"");
}

// ---------------------------------------------------------------------------------------
// Foreground guard: a real foreground window of another program, inside the test's
// own virtual desktop.

TEST(AutoForegroundWindow, TakesTheForegroundForItsScopeAndGivesItBack) {
    testkit::CTestProcess target;
    ASSERT_TRUE(target.Start(testkit::TestProgramPath(kTargetExe), L"/focus:edit"));
    testkit::CResult<HWND> targetWindow = target.WaitForWindow({kTargetTitle, kTargetClass});
    ASSERT_TRUE(targetWindow);
    ASSERT_TRUE(testkit::FocusControl(GetDlgItem(targetWindow.value(), IDC_TARGET_EDIT)));
    ASSERT_EQ(targetWindow.value(), GetForegroundWindow());

    CRecordingWindow own;
    ShowWindow(own.window(), SW_SHOWNOACTIVATE);
    {
        CAutoForegroundWindow guard(own.window());
        EXPECT_EQ(targetWindow.value(), guard.GetPreviousForeground());
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == own.window(); }));
    }
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == targetWindow.value(); }));
}

}  // namespace
