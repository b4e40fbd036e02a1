#include "core/VersionDownload.h"

#include "core/ShellServices.h"
#include "core/base/AppPaths.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"

namespace CAppObjects {

CString DownloadVersionInfoFile(const wchar_t* address) {
    CString path = BuildTempFileName(nullptr, L".xml");
    if (path.IsEmpty()) return CString();
    IUrlDownloads& downloads = GetUrlDownloads();
    bool loaded = downloads.DownloadWinInet(address, path, GetUpdaterName());
    if (!loaded) {
        LogWrite(L"Cannot download info version file by Download2");
        loaded = downloads.DownloadUrlMon(address, path);
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

}  // namespace CAppObjects
