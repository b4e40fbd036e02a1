// One phrase or one phrase folder: the record in memory and its small XML file on disk.
//
// The main program and the phrase editor read and write the same files through these
// functions, so the file text is a format: a UTF-8 XML document with the root element
// `VXLCommand`, its numbers in root attributes and its texts in child elements.
//
// Records are values. A folder record owns the vector of its children; moving a record
// moves its children and its attachment, copying it copies the children too (the copy
// gets no attachment: the menu hangs one on the records it shows and frees it with them).
//
// Threads: a record belongs to the thread that loaded it (the UI thread). SaveAsync
// hands a copy of the record to a short-lived worker, so the caller may change, move or
// free the record at once.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base/CString.h"

enum VXLDataType {
    VXL_DATA_TEXT = 0,
    VXL_DATA_RTF = 1,
    VXL_DATA_EXEC = 2,
};

// What a menu item shows itself as (icons, the tracker's context menu).
enum VXLItemKind {
    VXL_KIND_TEXT = 0,
    VXL_KIND_RTF = 1,
    VXL_KIND_PROGRAM = 2,  // program, document or command line
    VXL_KIND_FOLDER = 3,
    VXL_KIND_WEB_SEARCH = 4,   // "GOOGLE" in the command
    VXL_KIND_TRANSLATE = 5,    // "TRANSLATE" and "GOOGLE"
    VXL_KIND_WEB_SEARCH2 = 6,  // "YANDEX"
    VXL_KIND_WEB_ADDRESS = 7,  // begins with "HTTP://", "HTTPS://" or "WWW."
};

// Root element, file extension and the name of a folder's own file.
extern const char kCommandRootElement[];      // "VXLCommand"
extern const wchar_t kPhraseFileExtension[];  // ".vexlora"
extern const wchar_t kFolderSelfFileName[];   // "FOLDER_SELF.vexlora"

const int kMaxCommandNameChars = 120;
const int kMaxCommandHintChars = 1024;

// Bits of the menu flags that the menu reads.
const DWORD kMenuFlagSeparatorBefore = 0x1;
const DWORD kMenuFlagSeparatorAfter = 0x2;

// Whatever the menu hangs on a record; freed with the record.
class CVXLCommandAttachment {
public:
    virtual ~CVXLCommandAttachment() = default;
};

class CVXLCommand;
using CVXLCommandVector = std::vector<CVXLCommand>;
// Language prefix in lower case -> localised menu name.
using CVXLLocalizedNames = std::map<CString, CString>;

// Told about a failed write: the record as it was to be written, the target path and
// the text of the failure ("code %d, %s"). Runs on the thread that wrote, which for
// SaveAsync is the worker.
using CVXLWriteErrorProc = void (*)(const CVXLCommand& record, const CString& path, const CString& text, void* data);

class CVXLCommand {
public:
    CVXLCommand();
    ~CVXLCommand();
    CVXLCommand(const CVXLCommand& other);
    CVXLCommand& operator=(const CVXLCommand& other);
    CVXLCommand(CVXLCommand&& other) noexcept;
    CVXLCommand& operator=(CVXLCommand&& other) noexcept;

    // Texts. Setting one counts as the user's own text: see HasInvalidText.
    const CString& GetName() const { return m_name; }
    void SetName(const CString& name);  // at most kMaxCommandNameChars, a pair never split
    const CString& GetHint() const { return m_hint; }
    void SetHint(const CString& hint);  // at most kMaxCommandHintChars
    const CString& GetCommand() const { return m_command; }
    void SetCommand(const CString& command);

    const CVXLLocalizedNames& GetLocalizedNames() const { return m_localizedNames; }
    // The name under the prefix (any case); empty when there is none.
    CString GetLocalizedName(const CString& language) const;
    // An empty name removes the entry.
    void SetLocalizedName(const CString& language, const CString& name);
    void ClearLocalizedNames();

    int GetDataType() const { return m_dataType; }
    void SetDataType(int dataType) { m_dataType = dataType; }

    // Run-time id, 1 and up, unique in a tree; 0 = none. Never stored in the file.
    UINT GetID() const { return m_id; }
    void SetID(UINT id) { m_id = id; }

    // Position among the siblings, compared as an unsigned number.
    UINT GetSortID() const { return m_sortId; }
    void SetSortID(UINT sortId) { m_sortId = sortId; }

    int GetUsageCount() const { return m_usageCount; }
    void SetUsageCount(int count) { m_usageCount = count < 0 ? 0 : count; }
    void IncrementUsageCount();  // stops at INT_MAX

    bool IsDisabledWithoutSelection() const { return m_disabledWithoutSelection; }
    void SetDisabledWithoutSelection(bool value) { m_disabledWithoutSelection = value; }
    bool IsUseTitleOnly() const { return m_useTitleOnly; }
    void SetUseTitleOnly(bool value) { m_useTitleOnly = value; }

    DWORD GetMenuFlags() const { return m_menuFlags; }
    void SetMenuFlags(DWORD flags) { m_menuFlags = flags; }
    bool HasSeparatorBefore() const { return (m_menuFlags & kMenuFlagSeparatorBefore) != 0; }
    bool HasSeparatorAfter() const { return (m_menuFlags & kMenuFlagSeparatorAfter) != 0; }

    // The last use (UTC). There is none while the year is 0; a folder never has one.
    bool HasDateUsage() const { return m_dateUsage.wYear != 0; }
    bool GetDateUsage(SYSTEMTIME& date) const;
    bool SetDateUsage(const SYSTEMTIME& date);  // false for a folder
    void ClearDateUsage();

    // A phrase by its own flag; a folder when any phrase below it is included (an empty
    // folder is not).
    bool IsIncluded() const;
    bool GetIncludedFlag() const { return m_included; }
    // A phrase: sets its flag, true when it changed. A folder: sets the flag on the whole
    // subtree and saves each phrase whose flag changed; true when any changed.
    bool SetIncluded(bool included);

    // A record with a children vector, even an empty one, is a folder.
    bool IsFolder() const { return m_children != nullptr; }
    CVXLCommandVector* GetChildren() { return m_children.get(); }
    const CVXLCommandVector* GetChildren() const { return m_children.get(); }
    // Gives the record an empty children vector when it has none.
    CVXLCommandVector& MakeFolder();
    // True when the record with this id lies below this folder, at any depth.
    bool ContainsID(UINT id) const;

    // A phrase: its file. A folder: its directory.
    const CString& GetFilePath() const { return m_filePath; }
    // For a folder whose directory exists and whose new path does not, the directory is
    // moved first (MoveFileW) and the paths below it follow; false, with nothing
    // changed, when that move fails.
    bool SetFilePath(const CString& path);
    // Where the record is written: the phrase's file, or the folder's own file.
    CString GetSaveTarget() const;

    // Two texts that the menu keeps while it works with the tree.
    const CString& GetWorkString(int index) const;
    void SetWorkString(int index, const CString& text);
    void ClearWorkStrings();

    CVXLCommandAttachment* GetAttachment() const { return m_attachment.get(); }
    void SetAttachment(std::unique_ptr<CVXLCommandAttachment> attachment);

    // The file held bytes that are not UTF-8: its texts were read with U+FFFD in their
    // place. Such a record is never written back by SaveAsync, which would replace the
    // user's bytes for good, until one of its texts is set again.
    bool HasInvalidText() const { return m_invalidText; }

    // Writes a copy of the record to GetSaveTarget() on a worker thread; 1 when the
    // worker started, else the result of the same write on this thread (1 or 0).
    int SaveAsync(CVXLWriteErrorProc onError = nullptr, void* data = nullptr) const;

private:
    friend bool ParseCommandXml(CVXLCommand& record, const char* text, DWORD length, const wchar_t* source);
    friend class CVXLCommandTree;

    void CopyFieldsFrom(const CVXLCommand& other);
    void SwapWith(CVXLCommand& other) noexcept;
    void ResetFileFields();
    void SetNameKeepingState(const CString& name);
    void ReplacePathPrefixBelow(const CString& oldPrefix, const CString& newPrefix);
    CVXLCommand MakeSaveCopy() const;

    std::unique_ptr<CVXLCommandAttachment> m_attachment;
    CVXLLocalizedNames m_localizedNames;
    CString m_name;
    CString m_hint;
    int m_dataType = VXL_DATA_TEXT;
    UINT m_id = 0;
    CString m_command;
    UINT m_sortId = 0;
    CString m_work[2];
    bool m_useTitleOnly = false;
    SYSTEMTIME m_dateUsage = {};
    std::unique_ptr<CVXLCommandVector> m_children;
    bool m_disabledWithoutSelection = false;
    int m_usageCount = 0;
    bool m_included = true;
    bool m_invalidText = false;
    DWORD m_menuFlags = 0;
    CString m_filePath;
};

// ---------------------------------------------------------------------------------------
// The file

// Fills the record from the file; true when the file parsed and its root element is
// `VXLCommand`. Every refusal is logged with the path and the reason and leaves the
// record unchanged. A folder record (one with children) takes no usage date.
bool ReadCommandFile(CVXLCommand& record, const CString& path);
// The same from text in memory: length bytes followed by a zero byte; source names the
// text in the log.
bool ParseCommandXml(CVXLCommand& record, const char* text, DWORD length, const wchar_t* source);

// Writes the file: the new text goes to a new file beside the old one, which then
// replaces the old one in one step (its read-only attribute cleared first). A failure
// keeps the old file whole, is logged and goes to onError; true on success.
bool WriteCommandFile(const CVXLCommand& record, const CString& path, CVXLWriteErrorProc onError = nullptr,
                      void* data = nullptr);
// The file's UTF-8 text; empty when it could not be built.
std::string CommandToXml(const CVXLCommand& record);

// "TEXT", "RTF", "EXEC"; any other data type gives "TEXT".
const char* DataTypeToText(int dataType);
// Any case; anything else, and null, gives VXL_DATA_TEXT.
int DataTypeFromXml(const char* text);

// "%d|%d|%d|%d|%d|%d": year, month, day, hour, minute, second.
CString FormatDateUsage(const SYSTEMTIME& date);
// Clears the date, then reads that form; true when the year read is not 0.
bool ParseDateUsage(const wchar_t* text, SYSTEMTIME& date);

// ---------------------------------------------------------------------------------------
// What the menu shows

int GetItemKind(bool isFolder, int dataType, const CString& command);
int GetItemKind(const CVXLCommand& record);
// One line: outer line breaks, tabs and blanks trimmed, each line break made one blank,
// and more than 70 characters cut to 70 with "…" added.
CString GetItemPreviewText(const CString& text);
