#include "history/HistoryFiles.h"

#include <cwchar>
#include <string>

#include "core/base/AppPaths.h"
#include "core/base/BitmapFile.h"
#include "core/base/Handles.h"
#include "core/base/IniFile.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "history/HistoryItem.h"
#include "history/HistoryQueue.h"

namespace {

std::unique_ptr<CCHItem> LoadItemFile(const wchar_t* path, bool isAnsiText, const CString& metaName);

const wchar_t kSection[] = L"Files";
const wchar_t kInfoStem[] = L"vexlora_cb";
const wchar_t kInfoExtension[] = L".info";
// An info file being written; the folder's enumeration does not see it.
const wchar_t kTemporaryExtension[] = L".tmp";
const wchar_t kDataStem[] = L"clipboard_history";
const wchar_t kUnicodePrefix[] = L"Unicode_";
const wchar_t* const kKindExtensions[] = {L"txt", L"txt", L"rtf", L"dvn", L"bmp", L"html"};
// Beyond this many numbers a stem is taken as exhausted rather than searched forever.
const int kMaxUniqueNumber = 1000000;

CString FileKey(size_t index) {
    CString key;
    key.Format(L"File%u", static_cast<unsigned>(index));
    return key;
}

// A value that fills the buffer was cut and counts as missing.
bool ReadValue(const CIniSection& section, const wchar_t* key, CString& value) {
    CString read;
    if (!section.ReadString(key, kInfoValueChars + 1, read) || read.GetLength() >= kInfoValueChars) return false;
    value = read;
    return true;
}

bool ReadValue(const wchar_t* infoPath, const wchar_t* key, CString& value) {
    return ReadValue(CIniSection::Read(infoPath, kSection), key, value);
}

void ClearReadOnly(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

bool SetCreationTime(const wchar_t* path, const FILETIME& fileTime) {
    CFileHandle file(CreateFileW(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    return file && SetFileTime(file.get(), &fileTime, nullptr, nullptr);
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD done = 0;
    return WriteFile(file, data, size, &done, nullptr) && done == size;
}

// The whole file, at most kMaxHistoryDataFileBytes; false when it cannot be read or is larger.
bool ReadWholeFile(HANDLE file, const wchar_t* path, std::vector<BYTE>& bytes, DWORD& size) {
    // A name such as "CON" opens a device, whose read could wait for ever.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        LogError(CString(L"LoadDataFile: not a disk file: ") + path);
        return false;
    }
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(file, &length)) return false;
    if (length.QuadPart > kMaxHistoryDataFileBytes) {
        LogError(CString(L"LoadDataFile: the file is too large, not loaded: ") + path);
        return false;
    }
    size = static_cast<DWORD>(length.QuadPart);
    try {
        bytes.assign(static_cast<size_t>(size) + 2, 0);
    } catch (const std::bad_alloc&) {
        LogError(CString(L"LoadDataFile: no memory for ") + path);
        return false;
    }
    DWORD read = 0;
    return size == 0 || (ReadFile(file, bytes.data(), size, &read, nullptr) && read == size);
}

// LoadImageW trusts the headers: a file whose headers promise more than it holds, or an
// absurd size, is refused before it gets there.
bool IsSoundBmpFile(const std::vector<BYTE>& bytes, DWORD size) {
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return false;
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    memcpy(&file, bytes.data(), sizeof file);
    memcpy(&info, bytes.data() + sizeof file, sizeof info);
    if (file.bfType != 0x4D42 || info.biSize < sizeof info || info.biPlanes != 1) return false;
    if (file.bfOffBits >= size || sizeof file + info.biSize > file.bfOffBits) return false;
    const LONG kMaxSide = 65535;
    LONG height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
    if (info.biWidth <= 0 || info.biWidth > kMaxSide || height <= 0 || height > kMaxSide) return false;
    switch (info.biBitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    if (info.biCompression != BI_RGB && info.biCompression != BI_BITFIELDS) return false;
    ULONGLONG stride = ((static_cast<ULONGLONG>(info.biWidth) * info.biBitCount + 31) / 32) * 4;
    return static_cast<ULONGLONG>(file.bfOffBits) + stride * height <= size;
}

// The meta file of that name beside the data file, read whole; empty when there is none or
// it is unsound.
std::string ReadMetaFile(const wchar_t* dataPath, const CString& name) {
    if (name.IsEmpty()) return std::string();
    if (!IsPlainFileName(name)) {
        LogError(L"LoadDataFile: meta file name refused: " + name);
        return std::string();
    }
    CString path = GetFolderOfPath(dataPath) + name;
    CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<BYTE> bytes;
    DWORD size = 0;
    if (!file || !ReadWholeFile(file.get(), path, bytes, size)) return std::string();
    return std::string(reinterpret_cast<const char*>(bytes.data()), size);
}

// Names of the data files an info file lists now, with their folder.
std::vector<CString> ListedDataFiles(const wchar_t* infoPath) {
    std::vector<CString> files;
    CIniSection section = CIniSection::Read(infoPath, kSection);
    CString name;
    for (size_t i = 0; ReadValue(section, FileKey(i), name); ++i) {
        if (IsPlainFileName(name)) files.push_back(GetFolderOfPath(infoPath) + name);
    }
    return files;
}

// Data files an item had before it was written again, with their meta files.
void DeleteDataFiles(const std::vector<CString>& files) {
    for (const CString& file : files) {
        DeleteFileForce(file);
        DeleteFileForce(MetaPathOf(file));
    }
}

// The item's time as the "Time" key keeps it: copies and file systems that keep no
// creation time (and Wine's) would otherwise lose the order of the history.
CString TimeText(const SYSTEMTIME& t) {
    CString text;
    text.Format(L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                t.wMilliseconds);
    return text;
}

bool ParseTimeText(const CString& text, SYSTEMTIME& time) {
    unsigned year, month, day, hour, minute, second, ms;
    if (swscanf(text, L"%4u-%2u-%2u %2u:%2u:%2u.%3u", &year, &month, &day, &hour, &minute, &second, &ms) != 7) {
        return false;
    }
    SYSTEMTIME parsed = {};
    parsed.wYear = static_cast<WORD>(year);
    parsed.wMonth = static_cast<WORD>(month);
    parsed.wDay = static_cast<WORD>(day);
    parsed.wHour = static_cast<WORD>(hour);
    parsed.wMinute = static_cast<WORD>(minute);
    parsed.wSecond = static_cast<WORD>(second);
    parsed.wMilliseconds = static_cast<WORD>(ms);
    // Through FILETIME and back: a date that does not exist is refused, the weekday filled in.
    FILETIME fileTime;
    if (!SystemTimeToFileTime(&parsed, &fileTime) || !FileTimeToSystemTime(&fileTime, &time)) return false;
    return true;
}

// Keys a rewrite sets anew or leaves out.
void ClearItemKeys(const wchar_t* infoPath) {
    for (size_t i = 0; IniKeyExists(infoPath, kSection, FileKey(i)); ++i) {
        WritePrivateProfileStringW(kSection, FileKey(i), nullptr, infoPath);
    }
    WritePrivateProfileStringW(kSection, L"URL", nullptr, infoPath);
    WritePrivateProfileStringW(kSection, L"DvnMetaInfo", nullptr, infoPath);
}

}  // namespace

CString GetClipboardHistoryFolder() {
    return GetProgramFolder() + L"ClipboardHistory\\";
}

int KindFromExtension(const wchar_t* extension) {
    CString text(extension);
    if (text.GetLength() && text.GetAt(0) == L'.') text = text.Mid(1);
    if (!text.CompareNoCase(L"bmp")) return CClipboardItemData::kBitmap;
    if (!text.CompareNoCase(L"dvn")) return CClipboardItemData::kDorvane;
    if (!text.CompareNoCase(L"rtf")) return CClipboardItemData::kRtf;
    if (!text.CompareNoCase(L"html")) return CClipboardItemData::kHtml;
    return CClipboardItemData::kUnicodeText;
}

CString ExtensionOfKind(int kind) {
    if (kind < 0 || kind > CClipboardItemData::kHtml) return CString();
    return CString(L".") + kKindExtensions[kind];
}

CString StemOfKind(int kind) {
    return kind == CClipboardItemData::kUnicodeText ? CString(kUnicodePrefix) + kDataStem : CString(kDataStem);
}

bool IsAnsiTextFile(const wchar_t* path) {
    CString name = GetFileNameOfPath(path);
    CString extension;
    SplitPath(path, nullptr, nullptr, nullptr, &extension);
    return !extension.CompareNoCase(L".txt") && name.Left(lstrlenW(kUnicodePrefix)).CompareNoCase(kUnicodePrefix);
}

CString MakeUniqueName(const wchar_t* folder, const wchar_t* stem, const wchar_t* extension, int* number) {
    CString base = WithTrailingBackslash(folder) + stem;
    CString dotExtension = MakeDotExtension(extension);
    for (int n = number && *number > 0 ? *number : 1; n <= kMaxUniqueNumber; ++n) {
        CString path;
        path.Format(L"%s%d%s", base.GetString(), n, dotExtension.GetString());
        if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) continue;
        if (number) *number = n;
        return path;
    }
    return CString();
}

CString MetaPathOf(const wchar_t* dataPath) {
    CString path(dataPath);
    int dot = path.ReverseFind(L'.');
    if (dot > path.ReverseFind(L'\\')) path = path.Left(dot);
    return path + L"_dvn_metainfo.xml";
}

bool DeleteFileForce(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return DeleteFileW(path) != FALSE;
}

bool IsPlainFileName(const wchar_t* name) {
    CString text(name);
    return !text.IsEmpty() && text.FindOneOf(L"\\/:") < 0 && text != L"." && text != L"..";
}

bool WriteProtectedKey(const wchar_t* infoPath, bool flag) {
    DWORD attributes = GetFileAttributesW(infoPath);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(infoPath, attributes & ~FILE_ATTRIBUTE_READONLY);
    bool written = IniWriteString(infoPath, kSection, L"Protected", flag ? L"1" : L"0");
    if (readOnly) SetFileAttributesW(infoPath, attributes);
    return written;
}

CString ReadUrlKey(const wchar_t* infoPath) {
    CString value;
    ReadValue(infoPath, L"URL", value);
    return value;
}

CString ReadMetaKey(const wchar_t* infoPath) {
    CString value;
    ReadValue(infoPath, L"DvnMetaInfo", value);
    return value;
}

bool WriteMetaKey(const wchar_t* infoPath, const wchar_t* metaPath) {
    return IniWriteString(infoPath, kSection, L"DvnMetaInfo", GetFileNameOfPath(metaPath));
}

size_t EnumInfoFiles(const wchar_t* folder, std::vector<CString>& list) {
    if (list.empty()) list.reserve(100);
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW(WithTrailingBackslash(folder) + L"*" + kInfoExtension, &data));
    if (!find) return list.size();
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // The pattern also matches longer extensions through their short names.
        CString name(data.cFileName);
        if (name.Right(lstrlenW(kInfoExtension)).CompareNoCase(kInfoExtension)) continue;
        list.push_back(name);
    } while (FindNextFileW(find.get(), &data));
    return list.size();
}

bool ReadInfoFile(const wchar_t* infoPath, CCHInfoRecord& record) {
    // One read of the whole section: a key at a time costs a file open each under Wine.
    CIniSection section = CIniSection::Read(infoPath, kSection);
    record.isProtected = section.ReadInt(L"Protected", 0) != 0;
    CString name;
    for (size_t i = 0; ReadValue(section, FileKey(i), name); ++i) {
        if (!IsPlainFileName(name)) {
            // Only files of the history folder are ever read: a name that leads elsewhere
            // refuses the item when it is the main data, else just that file.
            LogError(CString(L"ReadInfoFile: file name refused: ") + name + L" in " + infoPath);
            if (i == 0) return false;
            continue;
        }
        record.fileNames.push_back(name);
    }
    CString value;
    record.hasTime = ReadValue(section, L"Time", value) && ParseTimeText(value, record.time);
    if (ReadValue(section, L"WndName", value)) record.windowTitle = value;
    if (ReadValue(section, L"ExeName", value)) record.programName = value;
    ReadValue(section, L"URL", record.url);
    ReadValue(section, L"DvnMetaInfo", record.metaName);
    return !record.fileNames.empty();
}

std::unique_ptr<CCHItem> LoadDataFile(const wchar_t* path, bool isAnsiText, const wchar_t* infoPath) {
    return LoadItemFile(path, isAnsiText, infoPath && *infoPath ? ReadMetaKey(infoPath) : CString());
}

namespace {

std::unique_ptr<CCHItem> LoadItemFile(const wchar_t* path, bool isAnsiText, const CString& metaName) {
    CString extension;
    SplitPath(path, nullptr, nullptr, nullptr, &extension);
    int kind = isAnsiText ? CClipboardItemData::kText : KindFromExtension(extension);

    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        LogError(CString(L"LoadDataFile: no such file: ") + path);
        return nullptr;
    }
    std::vector<BYTE> bytes;
    DWORD size = 0;
    FILETIME created = {};
    {
        CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file || !ReadWholeFile(file.get(), path, bytes, size) || size == 0) {
            LogError(CString(L"LoadDataFile: cannot read ") + path);
            return nullptr;
        }
        GetFileTime(file.get(), &created, nullptr, nullptr);
    }
    SYSTEMTIME time = {};
    FileTimeToSystemTime(&created, &time);
    auto item = std::make_unique<CCHItem>(kind, time);

    if (kind == CClipboardItemData::kBitmap) {
        if (!IsSoundBmpFile(bytes, size)) {
            LogError(CString(L"LoadDataFile: not a sound bitmap file: ") + path);
            return nullptr;
        }
        std::vector<BYTE>().swap(bytes);
        HBITMAP bitmap =
            static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (!bitmap) {
            LogError(CString(L"LoadDataFile: LoadImageW failed: ") + path);
            return nullptr;
        }
        item->SetBitmap(bitmap, true);
    } else {
        DWORD skip = 0;
        if (kind == CClipboardItemData::kUnicodeText && size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) skip = 2;
        if (!item->SetData(bytes.data() + skip, size - skip)) return nullptr;
    }
    item->SetSaveState(kSaveStateLoaded);
    item->SetDataPath(path);
    if (attributes & FILE_ATTRIBUTE_READONLY) item->SetProtectedFlag(true);
    item->SetMetaText(ReadMetaFile(path, metaName));
    return item;
}

}  // namespace

int LoadHistoryFolder(const wchar_t* folder, CCHQueue& queue) {
    CString base = WithTrailingBackslash(folder);
    if (!FolderExists(base) && !CreateDirectoryW(base, GetOpenSecurityAttributes())) {
        LogError(L"LoadHistoryFolder: cannot create " + base);
        return -1;
    }
    std::vector<CString> names;
    EnumInfoFiles(base, names);
    int added = 0;
    for (const CString& name : names) {
        CString infoPath = base + name;
        CCHInfoRecord record;
        if (!ReadInfoFile(infoPath, record)) {
            LogError(L"LoadHistoryFolder: no data file named in " + infoPath);
            continue;
        }
        CString mainPath = base + record.fileNames[0];
        std::unique_ptr<CCHItem> item = LoadItemFile(mainPath, IsAnsiTextFile(mainPath), record.metaName);
        if (!item) continue;
        item->SetInfoPath(infoPath);
        for (size_t i = 1; i < record.fileNames.size(); ++i) {
            CString path = base + record.fileNames[i];
            std::unique_ptr<CCHItem> companion = LoadItemFile(path, IsAnsiTextFile(path), CString());
            if (companion) item->AddCompanion(std::shared_ptr<CCHItem>(std::move(companion)));
        }
        if (record.hasTime) item->SetTime(record.time);
        item->Set_URL(record.url);
        if (record.isProtected) item->SetProtectedFlag(true);
        item->SetProgramName(record.programName);
        item->SetWindowTitle(record.windowTitle);
        if (queue.Add(std::move(item), -1)) ++added;
    }
    queue.Sort();
    return added;
}

CCHFileWriter::CCHFileWriter(const wchar_t* folder) : m_folder(WithTrailingBackslash(folder)) {}

CString CCHFileWriter::NextFreeName(int kind) {
    CString stem = StemOfKind(kind);
    CString extension = ExtensionOfKind(kind);
    int& number = m_nextNumbers[std::wstring(stem) + extension.GetString()];
    CString path = MakeUniqueName(m_folder, stem, extension, &number);
    if (!path.IsEmpty()) ++number;
    return path;
}

CString CCHFileWriter::CreateInfoFile(CString& finalPath) {
    int& number = m_nextNumbers[kInfoStem];
    for (;;) {
        CString path = MakeUniqueName(m_folder, kInfoStem, kInfoExtension, &number);
        if (path.IsEmpty()) break;
        ++number;
        // A temporary name left by a save that never ended may block a free number.
        const CString temporary = path + kTemporaryExtension;
        CFileHandle file(CreateFileW(temporary, GENERIC_WRITE, FILE_SHARE_READ, GetOpenSecurityAttributes(), CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            break;
        }
        const BYTE mark[2] = {0xFF, 0xFE};
        if (WriteAll(file.get(), mark, sizeof mark)) {
            finalPath = path;
            return temporary;
        }
        file.reset();
        DeleteFileW(temporary);
        break;
    }
    LogError(L"CCHFileWriter: cannot create an info file in " + m_folder);
    return CString();
}

bool CCHFileWriter::WriteItem(CCHItem& item) {
    CString dataPath = NextFreeName(item.Kind());
    FILETIME fileTime = {};
    SystemTimeToFileTime(&item.Get_Time(), &fileTime);

    // The info file is written under a temporary name and renamed when complete, after
    // every data file it names: a save cut short (the program ended, the disk full) leaves
    // at most data files nobody names, never an info file whose item is half there.
    std::vector<CString> earlierFiles;
    CString infoPath = item.InfoPath();
    CString temporary;
    const bool rewrite = !infoPath.IsEmpty() && FileExists(infoPath);
    if (rewrite) {
        ClearReadOnly(infoPath);
        earlierFiles = ListedDataFiles(infoPath);
        temporary = infoPath + kTemporaryExtension;
        if (!CopyFileW(infoPath, temporary, FALSE)) {
            LogError(L"CCHFileWriter::WriteItem: cannot copy " + infoPath);
            return false;
        }
        ClearReadOnly(temporary);
        ClearItemKeys(temporary);
    } else {
        temporary = CreateInfoFile(infoPath);
        if (temporary.IsEmpty()) return false;
    }
    // The meta key of the data file goes into the info file being written.
    item.SetInfoPath(temporary);

    if (dataPath.IsEmpty() || !WriteDataFile(dataPath, item, fileTime)) {
        LogError(L"CCHFileWriter::WriteItem: cannot write " + dataPath);
        DeleteFileForce(temporary);
        if (rewrite) {
            DeleteFileForce(infoPath);
            DeleteDataFiles(earlierFiles);
        }
        item.SetInfoPath(CString());
        item.ResetSaveState();
        return false;
    }
    item.SetDataPath(dataPath);

    IniWriteInt(temporary, kSection, L"DataType", item.Kind());
    IniWriteString(temporary, kSection, L"Protected", item.IsProtected() ? L"1" : L"0");
    IniWriteString(temporary, kSection, L"WndName", item.WindowTitle());
    IniWriteString(temporary, kSection, L"ExeName", item.ProgramName());
    IniWriteString(temporary, kSection, L"Time", TimeText(item.Get_Time()));
    if (item.Has_URL()) IniWriteString(temporary, kSection, L"URL", item.Get_URL());

    std::vector<CString> files{dataPath};
    for (const auto& companion : item.Companions()) {
        CString path = NextFreeName(companion->Kind());
        if (path.IsEmpty() || !WriteDataFile(path, *companion, fileTime)) {
            LogError(L"CCHFileWriter::WriteItem: companion left out: " + path);
            continue;
        }
        files.push_back(path);
        companion->SetDataPath(path);
        companion->SetSaveState(kSaveStateWritten);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        IniWriteString(temporary, kSection, FileKey(i), GetFileNameOfPath(files[i]));
    }
    SetCreationTime(temporary, fileTime);
    if (!MoveFileExW(temporary, infoPath, rewrite ? MOVEFILE_REPLACE_EXISTING : 0)) {
        LogError(L"CCHFileWriter::WriteItem: cannot rename the info file to " + infoPath);
        DeleteFileForce(temporary);
        DeleteDataFiles(files);
        item.SetInfoPath(rewrite ? infoPath : CString());
        item.ResetSaveState();
        return false;
    }
    item.SetInfoPath(infoPath);

    DeleteDataFiles(earlierFiles);
    item.SetSaveState(kSaveStateWritten);
    return true;
}

bool CCHFileWriter::WriteDataFile(const wchar_t* path, CCHItem& item, const FILETIME& fileTime) {
    if (item.Size() == 0) return false;
    if (item.Size() > kMaxHistoryDataFileBytes) {
        LogError(CString(L"CCHFileWriter::WriteDataFile: too large to keep: ") + path);
        return false;
    }
    // CREATE_NEW both times: a name taken since it was chosen is never written over.
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, GetOpenSecurityAttributes(), CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        LogError(CString(L"CCHFileWriter::WriteDataFile: cannot create ") + path);
        return false;
    }
    bool written;
    if (item.Kind() == CClipboardItemData::kBitmap) {
        file.reset();
        written = SaveBitmapToFile(path, item.Bitmap());
    } else {
        const BYTE mark[2] = {0xFF, 0xFE};
        written = (item.Kind() != CClipboardItemData::kUnicodeText || WriteAll(file.get(), mark, sizeof mark)) &&
                  WriteAll(file.get(), item.Data(), item.Size());
        file.reset();
    }
    if (!written) {
        DeleteFileForce(path);
        return false;
    }
    SetCreationTime(path, fileTime);
    if (item.IsProtected()) {
        ClearReadOnly(path);
        if (!item.InfoPath().IsEmpty()) ClearReadOnly(item.InfoPath());
    }
    if (item.Has_MetaInfo()) {
        CString metaPath = MetaPathOf(path);
        CFileHandle meta(CreateFileW(metaPath, GENERIC_WRITE, FILE_SHARE_READ, GetOpenSecurityAttributes(),
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::string& text = item.MetaText();
        bool metaWritten = meta && WriteAll(meta.get(), text.data(), static_cast<DWORD>(text.size()));
        meta.reset();
        if (!metaWritten) {
            LogError(L"CCHFileWriter::WriteDataFile: cannot write " + metaPath);
            DeleteFileForce(metaPath);
        } else if (!item.InfoPath().IsEmpty()) {
            WriteMetaKey(item.InfoPath(), metaPath);
        }
    }
    return true;
}
