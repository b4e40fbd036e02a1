// Reads a zip archive back with minizip's own reader, for tests of what was written.
#pragma once

#include <string>
#include <vector>

struct ZipEntryRead {
    std::string name;  // as stored (UTF-8 when the entry says so)
    std::string bytes;
    unsigned long method = 0;  // 8: deflated
    unsigned long flag = 0;
};

// Every entry in order; false when the archive cannot be opened or an entry not read
// whole (a wrong checksum counts).
bool ReadZipEntries(const wchar_t* path, std::vector<ZipEntryRead>* entries);
