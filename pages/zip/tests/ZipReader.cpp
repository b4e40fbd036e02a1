#include "pages/zip/tests/ZipReader.h"

#include <unzip.h>
// After the header that brings in zlib's declaration macros.
#include <iowin32.h>

bool ReadZipEntries(const wchar_t* path, std::vector<ZipEntryRead>* entries) {
    entries->clear();
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    unzFile zip = unzOpen2_64(path, &functions);
    if (!zip) return false;
    bool ok = true;
    for (int at = unzGoToFirstFile(zip); ok && at == UNZ_OK; at = unzGoToNextFile(zip)) {
        unz_file_info64 info = {};
        char name[1024] = {};
        ZipEntryRead entry;
        ok = unzGetCurrentFileInfo64(zip, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) == UNZ_OK &&
             unzOpenCurrentFile(zip) == UNZ_OK;
        if (!ok) break;
        entry.name = name;
        entry.method = info.compression_method;
        entry.flag = info.flag;
        char buffer[4096];
        int read = 0;
        while ((read = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) entry.bytes.append(buffer, read);
        // The reader checks the CRC when the entry is closed.
        ok = read == 0 && unzCloseCurrentFile(zip) == UNZ_OK && entry.bytes.size() == info.uncompressed_size;
        entries->push_back(entry);
    }
    unzClose(zip);
    return ok;
}
