// The clipboard history on disk: one folder, per item an INI ".info" file that names the
// item's data files (the item's and each companion's), and a meta file for Dorvane data.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base/CString.h"

class CCHItem;
class CCHQueue;

// Data larger than this is neither written nor loaded: a few such items would use up the
// address space of the 32-bit program, while a picture of a whole 4K screen (33 MB) fits.
const DWORD kMaxHistoryDataFileBytes = 128u * 1024 * 1024;
// Values are read into this many characters; a value that fills them counts as missing.
const int kInfoValueChars = 260;

// Program folder + "ClipboardHistory\".
CString GetClipboardHistoryFolder();

// What an info file says about its item.
struct CCHInfoRecord {
    std::vector<CString> fileNames;
    bool isProtected = false;
    CString programName;
    CString windowTitle;
    // From the "Time" key; else the item takes its data file's creation time.
    bool hasTime = false;
    SYSTEMTIME time = {};
    CString url;
    CString metaName;
};

// Kind of a data file's extension (a leading "." ignored, any case); 1 for unknown ones.
int KindFromExtension(const wchar_t* extension);
// "." + the kind's extension; empty for a kind outside 0..5.
CString ExtensionOfKind(int kind);
// "clipboard_history", with "Unicode_" in front for kind 1.
CString StemOfKind(int kind);
// A ".txt" file whose name does not begin with "Unicode_".
bool IsAnsiTextFile(const wchar_t* path);
// folder + stem + n + extension for the first n from 1 (from *number when given) whose file
// does not exist; *number gets that n. Empty when none is free.
CString MakeUniqueName(const wchar_t* folder, const wchar_t* stem, const wchar_t* extension, int* number = nullptr);
// The data file's path without its extension + "_dvn_metainfo.xml".
CString MetaPathOf(const wchar_t* dataPath);
// False for a folder; a read-only attribute is lifted first.
bool DeleteFileForce(const wchar_t* path);
// A plain file name: no folder part, no drive, no "..": what an info file may name.
bool IsPlainFileName(const wchar_t* name);

// Rewrites "Protected", lifting a read-only attribute of the file for the write.
bool WriteProtectedKey(const wchar_t* infoPath, bool flag);
CString ReadUrlKey(const wchar_t* infoPath);
CString ReadMetaKey(const wchar_t* infoPath);
bool WriteMetaKey(const wchar_t* infoPath, const wchar_t* metaPath);

// Names (without folder) of the folder's "*.info" files appended; the new count.
size_t EnumInfoFiles(const wchar_t* folder, std::vector<CString>& list);
// True when at least one file name was read.
bool ReadInfoFile(const wchar_t* infoPath, CCHInfoRecord& record);
// A new item from one data file (kind from the extension, ".txt" files of 8-bit text when
// isAnsiText); null when it cannot be read, is empty or too large.
std::unique_ptr<CCHItem> LoadDataFile(const wchar_t* path, bool isAnsiText, const wchar_t* infoPath);
// Every info file of the folder loaded into the queue, then sorted oldest first; the
// folder is created when missing. The number of items added; -1 when the folder cannot
// be had.
int LoadHistoryFolder(const wchar_t* folder, CCHQueue& queue);

// Writes items and their companions into the history folder.
class CCHFileWriter {
public:
    explicit CCHFileWriter(const wchar_t* folder);
    // The item's data file, its companions' data files and its info file (kept when the item
    // has one, its file keys written anew). On success the item and its companions know their
    // paths and the item is written; on failure its info file is gone and it stays unsaved.
    bool WriteItem(CCHItem& item);
    // One data file, never over an existing one, with the given creation time; for an item
    // with meta text also its meta file, named in the item's info file.
    bool WriteDataFile(const wchar_t* path, CCHItem& item, const FILETIME& fileTime);

private:
    // A new info file under a temporary name, with a UTF-16 byte-order mark so that the
    // profile functions keep every character of the values; finalPath gets the free name
    // it is to have once complete.
    CString CreateInfoFile(CString& finalPath);
    // MakeUniqueName that goes on from the number this writer took last for the name: a
    // save of many items would otherwise test every earlier name again for each one.
    CString NextFreeName(int kind);

    CString m_folder;
    std::map<std::wstring, int> m_nextNumbers;
};
