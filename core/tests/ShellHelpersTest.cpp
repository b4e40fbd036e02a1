// The small shell and file helpers. Shell starts go through the recording seam: no
// explorer is started.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "core/Settings.h"
#include "core/ShellHelpers.h"
#include "core/ShellServices.h"
#include "core/base/AppPaths.h"
#include "testkit/TempFolder.h"

namespace {

struct JoinCase {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* expected;
};

const JoinCase kJoinCases[] = {
    {L"C:\\a", L"b.txt", L"C:\\a\\b.txt"},
    {L"C:\\a\\", L"b.txt", L"C:\\a\\b.txt"},
    {L"", L"b.txt", L"b.txt"},
    {L"C:\\", L"b", L"C:\\b"},
    {L"rel", L"", L"rel\\"},
};

TEST(JoinPath, PutsExactlyOneBackslashBetween) {
    for (const JoinCase& item : kJoinCases) {
        EXPECT_EQ(CString(item.expected), JoinPath(item.folder, item.name)) << item.folder << " + " << item.name;
    }
}

TEST(FormatByteSizeText, WritesTheSizeAsTheShellDoes) {
    CString kilobyte = FormatByteSizeText(1024);
    ASSERT_FALSE(kilobyte.IsEmpty());
    EXPECT_NE(-1, kilobyte.Find(L'1'));
    EXPECT_NE(kilobyte, FormatByteSizeText(5 * 1024 * 1024));
}

TEST(GetHookDllPath, IsTheLibraryInTheProgramFolder) {
    ASSERT_FALSE(IsDebuggerPresent());
    CString path = GetHookDllPath();
    EXPECT_EQ(GetProgramFolder() + L"Vexlora.dll", path);
    EXPECT_EQ(path.GetLength() - 12, path.Find(L"\\Vexlora.dll"));
}

TEST(CreateDirectoryShared, CreatesTheFolderOnce) {
    CString parent = testkit::MakeUniqueTempFolder(L"vxl_shared_dir");
    CString folder = parent + L"\\shared";
    EXPECT_TRUE(CreateDirectoryShared(folder));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(CreateDirectoryShared(folder));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(CreateDirectoryShared(parent + L"\\missing\\deeper"));
    testkit::RemoveTree(parent);
}

struct SelectCase {
    const wchar_t* folder;
    const wchar_t* expected;
};

TEST(BuildExplorerSelectParameters, QuotesTheFolderWithoutTrailingBackslash) {
    const SelectCase cases[] = {
        {L"C:\\Phrases\\", L"/select, \"C:\\Phrases\""},
        {L"C:\\My Phrases", L"/select, \"C:\\My Phrases\""},
        {L"C:\\Phrases\\\\", L"/select, \"C:\\Phrases\""},
    };
    for (const SelectCase& item : cases) {
        EXPECT_EQ(CString(item.expected), BuildExplorerSelectParameters(item.folder)) << item.folder;
    }
}

class CRecordingShell final : public IShellRunner {
public:
    CRecordingShell() { SetShellRunnerForTest(this); }
    ~CRecordingShell() override { SetShellRunnerForTest(nullptr); }

    HINSTANCE Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                      const wchar_t* folder, int show) override {
        ++calls;
        this->owner = owner;
        this->verb = verb;
        this->file = file;
        this->parameters = parameters ? parameters : L"";
        this->folder = folder ? folder : L"";
        this->show = show;
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    }

    int calls = 0;
    HWND owner = nullptr;
    CString verb, file, parameters, folder;
    int show = 0;
};

TEST(OpenPhrasesFolder, SelectsThePhrasesFolderInTheExplorer) {
    CRecordingShell shell;
    HWND owner = GetDesktopWindow();
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42)), OpenPhrasesFolder(owner));
    ASSERT_EQ(1, shell.calls);
    EXPECT_EQ(owner, shell.owner);
    EXPECT_EQ(CString(L"open"), shell.verb);
    EXPECT_EQ(CString(L"explorer.exe"), shell.file);
    CString folder = CVXLSettings::GetInstance().GetPhrasesDirectory();
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ(BuildExplorerSelectParameters(folder), shell.parameters);
}

TEST(LoadEditorAsData, LoadsTheEditorOfTheProgramFolder) {
    CString folder = testkit::MakeUniqueTempFolder(L"vxl_editor");
    SetProgramFolderForTest(folder);
    EXPECT_FALSE(LoadEditorAsData());
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileW(self, folder + L"\\VexloraEditor.exe", FALSE));
    {
        CLibraryHandle editor = LoadEditorAsData();
        EXPECT_TRUE(editor);
    }
    SetProgramFolderForTest(L"");
    testkit::RemoveTree(folder);
}

TEST(CTextColorGuard, RestoresTheColourItChanged) {
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const COLORREF original = RGB(1, 2, 3);
    SetTextColor(dc.get(), original);
    {
        CTextColorGuard guard(dc.get());
        guard.SetColor(RGB(200, 0, 0));
        guard.SetColor(RGB(0, 200, 0));
        EXPECT_EQ(RGB(0, 200, 0), GetTextColor(dc.get()));
    }
    EXPECT_EQ(original, GetTextColor(dc.get()));
}

TEST(CTextColorGuard, LeavesTheColourAloneWhenItChangedNothing) {
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    SetTextColor(dc.get(), RGB(1, 2, 3));
    {
        CTextColorGuard guard(dc.get());
        SetTextColor(dc.get(), RGB(9, 9, 9));
    }
    EXPECT_EQ(RGB(9, 9, 9), GetTextColor(dc.get()));
}

}  // namespace
