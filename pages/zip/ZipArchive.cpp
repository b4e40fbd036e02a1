#include "pages/zip/ZipArchive.h"

#include <windows.h>

#include <zip.h>
// After the header that brings in zlib's declaration macros.
#include <iowin32.h>

#include <string>

#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/TextConversions.h"

namespace {

// General-purpose flag bit 11: the entry's name is UTF-8, so that names beyond the
// ANSI code page survive.
const uLong kUtf8NameFlag = 1 << 11;
const uLong kVersionMadeByWindows = 0;

class CZipWriter {
public:
    explicit CZipWriter(const wchar_t* path) {
        zlib_filefunc64_def functions;
        // The wide-character file functions: the path reaches CreateFileW as it is.
        fill_win32_filefunc64W(&functions);
        m_zip = zipOpen2_64(path, APPEND_STATUS_CREATE, nullptr, &functions);
    }
    ~CZipWriter() { Close(); }
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    bool IsOpen() const { return m_zip != nullptr; }
    // False when the archive's directory could not be written.
    bool Close() {
        if (!m_zip) return true;
        const int result = zipClose(m_zip, nullptr);
        m_zip = nullptr;
        return result == ZIP_OK;
    }

    bool Add(const CString& entryName, const CString& path);

private:
    zipFile m_zip = nullptr;
};

void FillEntryTime(HANDLE file, zip_fileinfo* info) {
    FILETIME written = {};
    FILETIME local = {};
    WORD date = 0;
    WORD time = 0;
    if (GetFileTime(file, nullptr, nullptr, &written) && FileTimeToLocalFileTime(&written, &local) &&
        FileTimeToDosDateTime(&local, &date, &time))
        info->dosDate = (static_cast<uLong>(date) << 16) | time;
}

bool CZipWriter::Add(const CString& entryName, const CString& path) {
    CHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // OPEN_EXISTING fails with INVALID_HANDLE_VALUE, which the kernel owner counts as empty.
    if (!file) return false;
    zip_fileinfo info = {};
    FillEntryTime(file.get(), &info);
    const std::string name = WideToUtf8(entryName);
    if (zipOpenNewFileInZip4_64(m_zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                kVersionMadeByWindows, kUtf8NameFlag, 1) != ZIP_OK)
        return false;
    bool ok = true;
    char buffer[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0) break;
        if (zipWriteInFileInZip(m_zip, buffer, read) != ZIP_OK) {
            ok = false;
            break;
        }
    }
    const bool closed = zipCloseFileInZip(m_zip) == ZIP_OK;
    return ok && closed;
}

}  // namespace

bool CreateZipFromFiles(const std::vector<CString>& files, const wchar_t* zipPath) {
    if (files.empty()) return false;
    CZipWriter zip(zipPath);
    if (!zip.IsOpen()) {
        LogError(L"CreateZipFromFiles: cannot create " + CString(zipPath));
        return false;
    }
    bool ok = true;
    for (const CString& path : files) {
        if (!zip.Add(GetFileNameOfPath(path), path)) {
            LogError(L"CreateZipFromFiles: cannot add " + path);
            ok = false;
            break;
        }
    }
    ok = zip.Close() && ok;
    if (!ok) DeleteFileW(zipPath);
    return ok;
}
