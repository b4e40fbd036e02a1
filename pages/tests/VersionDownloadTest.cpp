// Downloading the version information: WinInet first, the system's URL download second.
#include <gtest/gtest.h>

#include <string>

#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "pages/VersionDownload.h"
#include "pages/WebDownload.h"
#include "testkit/CaseLog.h"
#include "testkit/LoopbackHttpServer.h"
#include "testkit/TempFolder.h"

namespace {

using testkit::HttpAnswer;

bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

// Wine keeps only some attributes of a file; FILE_ATTRIBUTE_TEMPORARY is not among them.
bool SystemKeepsTemporaryAttribute() {
    CString probe = BuildTempFileName(nullptr, L"probe");
    CFileHandle file(CreateFileW(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    file.reset();
    bool kept = (GetFileAttributesW(probe) & FILE_ATTRIBUTE_TEMPORARY) != 0;
    DeleteFileW(probe);
    return kept;
}

TEST(VersionInfoDownload, TriesWinInetThenTheSystemAndLeavesNoPartialFile) {
    testkit::CLoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    const std::string xml = "<VexloraVersionInfo><Version>9.1</Version></VexloraVersionInfo>";
    HttpAnswer plain;
    plain.body = xml;
    // Refuses our own agent: only the system's download, with its agent, gets the file.
    HttpAnswer refusing = plain;
    refusing.refuseAgentPrefix = "Vexlora_Updater";
    HttpAnswer missing;
    missing.status = 404;
    missing.body = "<html>404</html>";
    server.Route("/plain", plain);
    server.Route("/refusing", refusing);
    server.Route("/missing", missing);

    CCaseLog log;
    const struct Case {
        const char* path;
        bool loaded;
        std::vector<const wchar_t*> logLines;
    } cases[] = {
        {"/plain", true, {}},
        {"/refusing",
         true,
         {L"Cannot download info version file by Download2",
          L"Well download info version file sucessfully by URLDownloadToFile_API_Wrapper"}},
        // Nobody listens there. (Wine's URL download reports a 404 page or a cut-off body
        // as a success, so only a refused connection fails both roads.)
        {nullptr,
         false,
         {L"Cannot download info version file by Download2",
          L"Ooops, cannot download info version file by URLDownloadToFile_API_Wrapper"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "refused");
        size_t mark = log.Mark();
        CString path =
            DownloadVersionInfoFile(c.path ? server.Url(c.path) : CString(L"http://127.0.0.1:1/version.xml"));
        std::wstring text = log.Since(mark);
        for (const wchar_t* line : c.logLines) EXPECT_TRUE(Contains(text, line)) << line;
        if (c.logLines.empty()) {
            EXPECT_FALSE(Contains(text, L"Download2"));
        }
        if (!c.loaded) {
            EXPECT_TRUE(path.IsEmpty());
            continue;
        }
        ASSERT_FALSE(path.IsEmpty());
        EXPECT_EQ("Vexlora_Updater", server.RequestsFor(c.path).front().userAgent);
        EXPECT_STREQ(L".xml", path.Right(4));
        EXPECT_EQ(xml, testkit::ReadFileBytes(path));
        if (SystemKeepsTemporaryAttribute()) {
            EXPECT_TRUE(GetFileAttributesW(path) & FILE_ATTRIBUTE_TEMPORARY);
        }
        DeleteFileW(path);
    }
    server.Stop();
}

// A server that takes the request and never answers: the system's download is given up
// after its time-out, and the file it might still write is gone once it ends.
TEST(VersionInfoDownload, TheSystemsDownloadIsGivenUpWhenTheServerNeverAnswers) {
    testkit::CLoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    HttpAnswer silent;
    silent.neverAnswer = true;
    server.Route("/silent", silent);
    // Not ".xml": the abandoned download may still touch its file while the next test counts those.
    CString path = BuildTempFileName(nullptr, L".silent");
    ASSERT_FALSE(path.IsEmpty());
    CCaseLog log;
    size_t mark = log.Mark();
    EXPECT_FALSE(URLDownloadToFile_API_Wrapper(server.Url("/silent"), path, 1000));
    EXPECT_TRUE(Contains(log.Since(mark), L"no answer within 1000 ms"));
    DeleteFileW(path);
    // Stopping the server ends the abandoned download.
    server.Stop();
    for (int i = 0; i < 100 && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path));
}

TEST(VersionInfoDownload, AFailedDownloadLeavesNothingInTheTemporaryFolder) {
    auto xmlFiles = [] {
        std::vector<CString> names;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(GetTempFolder() + L"*.xml", &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do names.push_back(data.cFileName);
        while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    };
    std::vector<CString> before = xmlFiles();
    EXPECT_TRUE(DownloadVersionInfoFile(L"http://127.0.0.1:1/version.xml").IsEmpty());
    EXPECT_EQ(before.size(), xmlFiles().size());
}

}  // namespace
