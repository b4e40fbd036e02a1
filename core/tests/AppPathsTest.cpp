// Folders, names and parts of paths.
#include <gtest/gtest.h>

#include "core/base/AppPaths.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

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

}  // namespace
