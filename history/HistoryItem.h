// One captured clipboard content of one kind, with the formats captured beside it
// (companions), where it came from, its files in the history folder and its protected flag.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/ClipboardItemFiles.h"
#include "core/base/CString.h"
#include "core/base/Clock.h"
#include "core/base/Handles.h"

// Save states of an item.
enum CCHSaveState { kSaveStateNew = 0, kSaveStateLoaded = 1, kSaveStateWritten = 2 };

// What a capture learns about the window the content came from.
struct CCHSourceFacts {
    CString windowTitle;
    CString programName;
    CIconHandle icon;
};

// The title of the first window of the chain that has one, the program of its process and
// an icon of the window or a parent. Empty facts for a null window.
CCHSourceFacts CollectSourceFacts(HWND window);

class CCHItem {
public:
    // Data of kind 4 is a bitmap handle; every other kind a block of size + 2 zero bytes.
    CCHItem(int kind, const SYSTEMTIME& time);
    ~CCHItem();
    CCHItem(const CCHItem&) = delete;
    CCHItem& operator=(const CCHItem&) = delete;

    // A new item at the clock's local time; a source window gives its title, program and icon.
    static std::unique_ptr<CCHItem> Create(int kind, HWND sourceWindow, IClock& clock);
    // Every field copied, identifier and paths included; the data duplicated, companions
    // shared. Null when the data cannot be duplicated.
    std::unique_ptr<CCHItem> Copy() const;

    // The bytes are copied into a new block of size + 2 zero-filled bytes; false for a
    // bitmap item or when the block cannot be had.
    bool SetData(const void* data, DWORD size, UINT codePage = 0);
    // A text item whose text becomes one of another kind (formatted text made plain); false
    // for bitmaps either way and when the block cannot be had (the item stays as it was).
    bool ChangeTextKind(int kind, const void* data, DWORD size);
    // The item takes the bitmap; it deletes it only when ownsBitmap.
    void SetBitmap(HBITMAP bitmap, bool ownsBitmap = true);
    // Companions released, meta text and URL emptied, data freed.
    void ReleaseData();

    int Kind() const { return m_kind; }
    // The block (or the bitmap handle for kind 4) and its byte count (4 for a bitmap).
    const BYTE* Data() const { return m_block.empty() ? nullptr : m_block.data(); }
    DWORD Size() const { return m_size; }
    HBITMAP Bitmap() const { return m_bitmap; }
    UINT CodePage() const { return m_codePage; }
    // The item as the clipboard and the file writers take it.
    CClipboardItemData ItemData() const;

    const CString& Identifier() const { return m_identifier; }
    LONG Serial() const { return m_serial; }
    void SetSerial(LONG serial) { m_serial = serial; }
    HWND SourceWindow() const { return m_sourceWindow; }
    void SetSource(CCHSourceFacts facts);

    CString Get_URL() const { return m_url; }
    bool Has_URL() const { return !m_url.IsEmpty(); }
    void Set_URL(const wchar_t* url) { m_url = url; }

    bool Has_MetaInfo() const { return !m_meta.empty(); }
    const std::string& MetaText() const { return m_meta; }
    void SetMetaText(std::string meta) { m_meta = std::move(meta); }

    const CString& MenuCaption() const { return m_menuCaption; }
    const CString& MenuHint() const { return m_menuHint; }
    void Set_Menu_Caption(const wchar_t* caption) { m_menuCaption = caption; }
    void Set_Menu_Hint(const wchar_t* hint) { m_menuHint = hint; }
    void ClearMenuTexts();

    const SYSTEMTIME& Get_Time() const { return m_time; }
    void SetTime(const SYSTEMTIME& time) { m_time = time; }
    const CString& WindowTitle() const { return m_windowTitle; }
    const CString& ProgramName() const { return m_programName; }
    void SetWindowTitle(const wchar_t* title) { m_windowTitle = title; }
    void SetProgramName(const wchar_t* name) { m_programName = name; }
    // CopyIcon of the source window's icon; null when there is none.
    HICON GetIconCopy() const;
    bool HasIcon() const { return static_cast<bool>(m_icon); }

    int SaveState() const { return m_saveState; }
    void SetSaveState(int state) { m_saveState = state; }
    // Every change of the item's data counts up, so that a save of an older copy, which
    // may end after the change, does not mark the changed item saved.
    unsigned EditGeneration() const { return m_editGeneration; }
    void MarkEdited() {
        ++m_editGeneration;
        m_saveState = kSaveStateNew;
    }
    const CString& InfoPath() const { return m_infoPath; }
    const CString& DataPath() const { return m_dataPath; }
    void SetInfoPath(const wchar_t* path) { m_infoPath = path; }
    void SetDataPath(const wchar_t* path) { m_dataPath = path; }

    bool IsProtected() const { return m_protected; }
    // 0 when unchanged; else 1 when the item is on disk and its info file now says so, 2
    // when the flag changed only in memory.
    int SetProtected(bool flag);
    // The flag alone, as a loader learns it from the files: nothing on disk changes.
    void SetProtectedFlag(bool flag) { m_protected = flag; }

    const std::vector<std::shared_ptr<CCHItem>>& Companions() const { return m_companions; }
    void AddCompanion(std::shared_ptr<CCHItem> companion) { m_companions.push_back(std::move(companion)); }
    // This item when it has the kind, else its first companion of that kind, else null.
    const CCHItem* GetCompanion(int kind) const;
    bool HasBitmap(bool companionsOnly) const;
    bool HasHtml(bool companionsOnly) const;
    const CCHItem* GetHtmlItem() const { return GetCompanion(CClipboardItemData::kHtml); }

    // Info path, data path, each companion's data path, the meta file, the empty ones left out; appended
    // to the list, whose new size is returned.
    size_t GetAll_FileNames(std::vector<CString>& list) const;
    // Deletes every file of GetAll_FileNames that exists; when all went, the item is
    // unsaved again without paths. The number deleted.
    int DeleteFiles();
    void ResetSaveState();
    void ClearReadOnlyOfData() const;
    // The extensions of the item and its companions, each after the separator.
    CString GetExtensions(const wchar_t* separator = nullptr) const;

    // Same kind and same content: bitmaps by their pixels, Dorvane data never, other
    // kinds by their bytes.
    bool IsDuplicateOf(const CCHItem& other) const;

private:
    // A digest of a bitmap's pixels, made on first use: a history holds many pictures,
    // and reading two of them whole for every one added would be slow.
    ULONGLONG PixelDigest() const;

    int m_kind;
    std::string m_meta;
    HWND m_sourceWindow = nullptr;
    CString m_infoPath;
    CString m_identifier;
    std::vector<std::shared_ptr<CCHItem>> m_companions;
    bool m_ownsBitmap = true;
    bool m_protected = false;
    CString m_menuCaption;
    CString m_menuHint;
    CString m_dataPath;
    LONG m_serial;
    CString m_url;
    CString m_programName;
    CString m_windowTitle;
    CIconHandle m_icon;
    int m_saveState = kSaveStateNew;
    unsigned m_editGeneration = 0;
    SYSTEMTIME m_time;
    std::vector<BYTE> m_block;
    HBITMAP m_bitmap = nullptr;
    DWORD m_size = 0;
    UINT m_codePage = 0;
    mutable ULONGLONG m_pixelDigest = 0;
    mutable bool m_hasPixelDigest = false;
};
