#include "pages/VersionDownload.h"

#include "core/base/AppPaths.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"
#include "pages/WebDownload.h"

CString DownloadVersionInfoFile(const wchar_t* url) {
    CString path = BuildTempFileName(nullptr, L".xml");
    if (path.IsEmpty()) return CString();
    bool loaded = DownloadUrlToFile_WinInet(url, path, nullptr, nullptr, kUpdaterUserAgent);
    if (!loaded) {
        LogWrite(L"Cannot download info version file by Download2");
        loaded = URLDownloadToFile_API_Wrapper(url, path);
        LogWrite(loaded ? L"Well download info version file sucessfully by URLDownloadToFile_API_Wrapper"
                        : L"Ooops, cannot download info version file by URLDownloadToFile_API_Wrapper");
    }
    if (!loaded) {
        CTempFile(path).Delete();
        return CString();
    }
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, attributes | FILE_ATTRIBUTE_TEMPORARY);
    return path;
}
