// Downloading the version information of the update check.
#include <gtest/gtest.h>

#include <string>

#include "core/ShellServices.h"
#include "core/VersionDownload.h"
#include "core/tests/AppTestHelpers.h"
#include "testkit/CaseLog.h"

namespace {

using namespace apptest;

class CFakeDownloads final : public IUrlDownloads {
public:
    CFakeDownloads(bool winInet, bool urlMon) : m_winInet(winInet), m_urlMon(urlMon) { SetUrlDownloadsForTest(this); }
    ~CFakeDownloads() override { SetUrlDownloadsForTest(nullptr); }

    bool DownloadWinInet(const wchar_t* address, const wchar_t* path, const wchar_t* userAgent) override {
        agents.push_back(userAgent);
        return Download(address, path, m_winInet, "<VexloraVersionInfo by=\"wininet\"/>");
    }
    bool DownloadUrlMon(const wchar_t* address, const wchar_t* path) override {
        return Download(address, path, m_urlMon, "<VexloraVersionInfo by=\"urlmon\"/>");
    }

    std::vector<CString> paths;
    std::vector<CString> addresses;
    std::vector<CString> agents;

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
    CCaseLog log;
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
        ASSERT_EQ(1u, downloads.agents.size());
        EXPECT_EQ(W(L"Vexlora_Updater"), W(downloads.agents[0]));
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

}  // namespace
