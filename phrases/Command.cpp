#include "phrases/Command.h"

#include <climits>
#include <utility>

#include "core/base/AppPaths.h"
#include "core/base/Logger.h"
#include "core/base/TextHelpers.h"

const char kCommandRootElement[] = "VXLCommand";
const wchar_t kPhraseFileExtension[] = L".vexlora";
const wchar_t kFolderSelfFileName[] = L"FOLDER_SELF.vexlora";

namespace {

// The first count characters, one fewer when the cut would split a surrogate pair.
CString CutAt(const CString& text, int count) {
    if (text.GetLength() <= count) return text;
    if (count > 0 && IS_HIGH_SURROGATE(text[count - 1])) --count;
    return text.Left(count);
}

bool StartsWithNoCase(const CString& text, const CString& prefix) {
    return text.GetLength() >= prefix.GetLength() && text.Left(prefix.GetLength()).CompareNoCase(prefix) == 0;
}

CString LowerLanguage(const CString& language) {
    CString lower(language);
    MakeLowerInvariant(lower);
    return lower;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Record

CVXLCommand::CVXLCommand() = default;
CVXLCommand::~CVXLCommand() = default;

CVXLCommand::CVXLCommand(const CVXLCommand& other) {
    CopyFieldsFrom(other);
    if (other.m_children) m_children = std::make_unique<CVXLCommandVector>(*other.m_children);
}

CVXLCommand& CVXLCommand::operator=(const CVXLCommand& other) {
    if (this != &other) {
        // Built aside first: other may lie among this record's own children.
        std::unique_ptr<CVXLCommandVector> children;
        if (other.m_children) children = std::make_unique<CVXLCommandVector>(*other.m_children);
        CopyFieldsFrom(other);
        m_children = std::move(children);
        m_attachment.reset();
    }
    return *this;
}

CVXLCommand::CVXLCommand(CVXLCommand&& other) noexcept = default;

CVXLCommand& CVXLCommand::operator=(CVXLCommand&& other) noexcept {
    // Taken out first: other may lie among this record's own children, which the
    // assignment frees.
    CVXLCommand taken(std::move(other));
    SwapWith(taken);
    return *this;
}

void CVXLCommand::SwapWith(CVXLCommand& other) noexcept {
    using std::swap;
    swap(m_attachment, other.m_attachment);
    swap(m_localizedNames, other.m_localizedNames);
    swap(m_name, other.m_name);
    swap(m_hint, other.m_hint);
    swap(m_dataType, other.m_dataType);
    swap(m_id, other.m_id);
    swap(m_command, other.m_command);
    swap(m_sortId, other.m_sortId);
    swap(m_work[0], other.m_work[0]);
    swap(m_work[1], other.m_work[1]);
    swap(m_useTitleOnly, other.m_useTitleOnly);
    swap(m_dateUsage, other.m_dateUsage);
    swap(m_children, other.m_children);
    swap(m_disabledWithoutSelection, other.m_disabledWithoutSelection);
    swap(m_usageCount, other.m_usageCount);
    swap(m_included, other.m_included);
    swap(m_invalidText, other.m_invalidText);
    swap(m_menuFlags, other.m_menuFlags);
    swap(m_filePath, other.m_filePath);
}

void CVXLCommand::CopyFieldsFrom(const CVXLCommand& other) {
    m_localizedNames = other.m_localizedNames;
    m_name = other.m_name;
    m_hint = other.m_hint;
    m_dataType = other.m_dataType;
    m_id = other.m_id;
    m_command = other.m_command;
    m_sortId = other.m_sortId;
    m_useTitleOnly = other.m_useTitleOnly;
    m_dateUsage = other.m_dateUsage;
    m_disabledWithoutSelection = other.m_disabledWithoutSelection;
    m_usageCount = other.m_usageCount;
    m_included = other.m_included;
    m_invalidText = other.m_invalidText;
    m_menuFlags = other.m_menuFlags;
    m_filePath = other.m_filePath;
}

void CVXLCommand::ResetFileFields() {
    m_localizedNames.clear();
    m_name.Empty();
    m_hint.Empty();
    m_dataType = VXL_DATA_TEXT;
    m_command.Empty();
    m_sortId = 0;
    m_useTitleOnly = false;
    m_dateUsage = SYSTEMTIME{};
    m_disabledWithoutSelection = false;
    m_usageCount = 0;
    m_included = true;
    m_invalidText = false;
    m_menuFlags = 0;
}

CVXLCommand CVXLCommand::MakeSaveCopy() const {
    CVXLCommand copy;
    copy.CopyFieldsFrom(*this);
    if (m_children) copy.m_children = std::make_unique<CVXLCommandVector>();
    return copy;
}

void CVXLCommand::SetName(const CString& name) {
    SetNameKeepingState(name);
    m_invalidText = false;
}

void CVXLCommand::SetNameKeepingState(const CString& name) {
    m_name = CutAt(name, kMaxCommandNameChars);
}

void CVXLCommand::SetHint(const CString& hint) {
    m_hint = CutAt(hint, kMaxCommandHintChars);
    m_invalidText = false;
}

void CVXLCommand::SetCommand(const CString& command) {
    m_command = command;
    m_invalidText = false;
}

CString CVXLCommand::GetLocalizedName(const CString& language) const {
    auto found = m_localizedNames.find(LowerLanguage(language));
    return found == m_localizedNames.end() ? CString() : found->second;
}

void CVXLCommand::SetLocalizedName(const CString& language, const CString& name) {
    if (language.IsEmpty()) return;
    if (name.IsEmpty()) {
        m_localizedNames.erase(LowerLanguage(language));
    } else {
        m_localizedNames[LowerLanguage(language)] = name;
    }
    m_invalidText = false;
}

void CVXLCommand::ClearLocalizedNames() {
    m_localizedNames.clear();
    m_invalidText = false;
}

void CVXLCommand::IncrementUsageCount() {
    if (m_usageCount < INT_MAX) ++m_usageCount;
}

bool CVXLCommand::GetDateUsage(SYSTEMTIME& date) const {
    if (!HasDateUsage()) return false;
    date = m_dateUsage;
    return true;
}

bool CVXLCommand::SetDateUsage(const SYSTEMTIME& date) {
    if (IsFolder()) return false;
    m_dateUsage = date;
    return true;
}

void CVXLCommand::ClearDateUsage() {
    m_dateUsage = SYSTEMTIME{};
}

bool CVXLCommand::IsIncluded() const {
    if (!m_children) return m_included;
    for (const CVXLCommand& child : *m_children)
        if (child.IsIncluded()) return true;
    return false;
}

bool CVXLCommand::SetIncluded(bool included) {
    if (!m_children) {
        bool changed = m_included != included;
        m_included = included;
        return changed;
    }
    m_included = included;
    bool anyChanged = false;
    for (CVXLCommand& child : *m_children) {
        if (child.IsFolder()) {
            anyChanged = child.SetIncluded(included) || anyChanged;
        } else if (child.SetIncluded(included)) {
            anyChanged = true;
            child.SaveAsync();
        }
    }
    return anyChanged;
}

CVXLCommandVector& CVXLCommand::MakeFolder() {
    if (!m_children) m_children = std::make_unique<CVXLCommandVector>();
    // A folder keeps no usage date: the file never carries one for it.
    m_dateUsage = SYSTEMTIME{};
    return *m_children;
}

bool CVXLCommand::ContainsID(UINT id) const {
    if (!m_children) return false;
    for (const CVXLCommand& child : *m_children)
        if (child.m_id == id || child.ContainsID(id)) return true;
    return false;
}

bool CVXLCommand::SetFilePath(const CString& path) {
    if (m_children && !m_filePath.IsEmpty() && !path.IsEmpty() && FolderExists(m_filePath) && !FileExists(path)) {
        if (!MoveFileW(m_filePath, path)) {
            DWORD error = GetLastError();
            CString text;
            text.Format(L"CVXLCommand::SetFilePath: cannot move [%s] to [%s], code %lu", m_filePath.GetString(),
                        path.GetString(), error);
            LogError(text);
            return false;
        }
        ReplacePathPrefixBelow(WithTrailingBackslash(m_filePath), WithTrailingBackslash(path));
    }
    m_filePath = path;
    return true;
}

void CVXLCommand::ReplacePathPrefixBelow(const CString& oldPrefix, const CString& newPrefix) {
    if (!m_children) return;
    for (CVXLCommand& child : *m_children) {
        if (StartsWithNoCase(child.m_filePath, oldPrefix))
            child.m_filePath = newPrefix + child.m_filePath.Mid(oldPrefix.GetLength());
        child.ReplacePathPrefixBelow(oldPrefix, newPrefix);
    }
}

CString CVXLCommand::GetSaveTarget() const {
    if (m_filePath.IsEmpty()) return CString();
    if (!m_children) return m_filePath;
    return WithTrailingBackslash(m_filePath) + kFolderSelfFileName;
}

const CString& CVXLCommand::GetWorkString(int index) const {
    static const CString empty;
    return index == 0 || index == 1 ? m_work[index] : empty;
}

void CVXLCommand::SetWorkString(int index, const CString& text) {
    if (index == 0 || index == 1) m_work[index] = text;
}

void CVXLCommand::ClearWorkStrings() {
    m_work[0].Empty();
    m_work[1].Empty();
}

void CVXLCommand::SetAttachment(std::unique_ptr<CVXLCommandAttachment> attachment) {
    m_attachment = std::move(attachment);
}

// ---------------------------------------------------------------------------------------
// Data types and usage dates

const char* DataTypeToText(int dataType) {
    switch (dataType) {
        case VXL_DATA_RTF:
            return "RTF";
        case VXL_DATA_EXEC:
            return "EXEC";
        default:
            return "TEXT";
    }
}

int DataTypeFromXml(const char* text) {
    if (!text) return VXL_DATA_TEXT;
    if (lstrcmpiA(text, "RTF") == 0) return VXL_DATA_RTF;
    if (lstrcmpiA(text, "EXEC") == 0) return VXL_DATA_EXEC;
    return VXL_DATA_TEXT;
}

CString FormatDateUsage(const SYSTEMTIME& date) {
    CString text;
    text.Format(L"%d|%d|%d|%d|%d|%d", date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute, date.wSecond);
    return text;
}

bool ParseDateUsage(const wchar_t* text, SYSTEMTIME& date) {
    date = SYSTEMTIME{};
    if (!text) return false;
    WORD* fields[] = {&date.wYear, &date.wMonth, &date.wDay, &date.wHour, &date.wMinute, &date.wSecond};
    const wchar_t* p = text;
    // As a scan of the six numbers would read it: the fields up to the first one that
    // does not read keep their values, the rest stay 0.
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (*p != L'|') break;
            ++p;
        }
        while (*p == L' ' || *p == L'\t') ++p;
        bool negative = false;
        if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
        if (*p < L'0' || *p > L'9') break;
        unsigned long value = 0;
        while (*p >= L'0' && *p <= L'9') {
            value = value * 10 + static_cast<unsigned long>(*p++ - L'0');
            if (value > 0xFFFF) {
                // No field of a date holds such a number: the text is not a date.
                date = SYSTEMTIME{};
                return false;
            }
        }
        if (negative && value != 0) {
            date = SYSTEMTIME{};
            return false;
        }
        *fields[i] = static_cast<WORD>(value);
    }
    return date.wYear != 0;
}

// ---------------------------------------------------------------------------------------
// Menu kinds and preview

int GetItemKind(bool isFolder, int dataType, const CString& command) {
    if (isFolder) return VXL_KIND_FOLDER;
    switch (dataType) {
        case VXL_DATA_TEXT:
            return VXL_KIND_TEXT;
        case VXL_DATA_RTF:
            return VXL_KIND_RTF;
        case VXL_DATA_EXEC:
            break;
        default:
            return VXL_KIND_TEXT;
    }
    CString upper = MapToUpperCopy(command);
    bool google = upper.Find(L"GOOGLE") >= 0;
    if (google && upper.Find(L"TRANSLATE") >= 0) return VXL_KIND_TRANSLATE;
    if (google) return VXL_KIND_WEB_SEARCH;
    if (upper.Find(L"YANDEX") >= 0) return VXL_KIND_WEB_SEARCH2;
    for (const wchar_t* prefix : {L"HTTP://", L"HTTPS://", L"WWW."})
        if (upper.Find(prefix) == 0) return VXL_KIND_WEB_ADDRESS;
    return VXL_KIND_PROGRAM;
}

int GetItemKind(const CVXLCommand& record) {
    return GetItemKind(record.IsFolder(), record.GetDataType(), record.GetCommand());
}

CString GetItemPreviewText(const CString& text) {
    const int kMaxPreviewChars = 70;
    CString preview(text);
    preview.Trim(L"\r\n\t ");
    for (const wchar_t* lineBreak : {L"\n\n", L"\r\n", L"\r", L"\n"}) preview.Replace(lineBreak, L" ");
    if (preview.GetLength() > kMaxPreviewChars) preview = CutAt(preview, kMaxPreviewChars) + L"\u2026";
    return preview;
}
