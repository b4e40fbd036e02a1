#include "core/TempFiles.h"

#include <mutex>
#include <vector>

#include "core/base/Logger.h"
#include "core/base/Security.h"

namespace {

struct CTempFileList {
    std::mutex lock;
    std::vector<CString> paths;
};

CTempFileList& TempFiles() {
    static CTempFileList list;
    return list;
}

}  // namespace

namespace CAppObjects {

void AddTempFileForDeletion(const wchar_t* path) {
    if (!path || !*path) return;
    CTempFileList& list = TempFiles();
    std::lock_guard<std::mutex> lock(list.lock);
    list.paths.push_back(path);
}

void DeleteTempFilesOnExit() {
    CTempFileList& list = TempFiles();
    std::lock_guard<std::mutex> lock(list.lock);
    if (list.paths.empty()) {
        LogWrite(L"No files for deletion on exit");
        return;
    }
    int deleted = 0;
    for (const CString& path : list.paths) {
        CTempFile file(path);
        if (file.Delete()) {
            ++deleted;
            LogWrite(L"Delete temp file on exit [" + path + L"]");
        } else {
            LogError(L"FAIL on delete temp file on exit [" + path + L"]");
        }
    }
    int total = static_cast<int>(list.paths.size());
    list.paths.clear();
    LogWriteFormat(L"Delete temp files on exit. Deleted %d from %d", deleted, total);
}

}  // namespace CAppObjects
