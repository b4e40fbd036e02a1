// The phrase file: reading it into a record and writing a record into it.
#include <tinyxml.h>

#include <new>

#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "core/base/XmlParseSettings.h"
#include "phrases/Command.h"

namespace {

// A phrase file is two levels deep. The parser descends one call level per element, so
// a damaged or hostile file of many thousand nested elements would overflow the stack;
// such a file is refused before it is parsed.
const int kMaxElementDepth = 64;

CString ToCString(const std::wstring& text) {
    return CString(text.c_str(), static_cast<int>(text.size()));
}

CString FromUtf8(const char* text) {
    if (!text || !*text) return CString();
    return ToCString(Utf8ToWide(text));
}

void LogReadRefusal(const wchar_t* source, const wchar_t* reason) {
    CString text;
    text.Format(L"ReadCommandFile: [%s] skipped: %s", source ? source : L"", reason);
    LogError(text);
}

// The element texts as the phrase programs have always read them: after the parser's own
// entities, three more are resolved ("&quote;" is how older files spell a double quote).
CString ElementText(const char* utf8) {
    CString text = FromUtf8(utf8);
    if (text.Find(L'&') >= 0) {
        text.Replace(L"&lt;", L"<");
        text.Replace(L"&gt;", L">");
        text.Replace(L"&quote;", L"\"");
    }
    return text;
}

// As a scan of "%d" reads an attribute: leading blanks, a sign and the digits up to the
// first other character; kept to 32 bits the way the file's writers wrap them, so that
// "-1" and "4294967295" are the same SortID. Missing or no digits: 0.
LONG ReadIntAttribute(const TiXmlElement* element, const char* name) {
    const char* p = element->Attribute(name);
    if (!p) return 0;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    unsigned long long value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > 19) return 0;  // not a number of this file
        value = value * 10 + static_cast<unsigned>(*p - '0');
    }
    UINT low = static_cast<UINT>(value);
    if (negative) low = 0u - low;
    return static_cast<LONG>(low);
}

// The parser drops the "&" of an entity it does not know and keeps the rest, so the
// "&quote;" of older files would reach ElementText as "quote;", and a usage save would
// then write that damage back for good. Every such "&" is handed to the parser as
// "&amp;": the text keeps it as it stands, and the older entities are resolved after
// the parse. Comments, CDATA sections and declarations are not read for entities.
// False when nothing had to change.
bool EscapeUnknownEntities(const char* p, std::string& escaped) {
    static const char* const kKnown[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#"};
    auto isKnown = [](const char* at) {
        for (const char* entity : kKnown)
            if (strncmp(at, entity, strlen(entity)) == 0) return true;
        return false;
    };
    auto skipTo = [](const char* from, const char* end) {
        const char* found = strstr(from, end);
        return found ? found + strlen(end) : from + strlen(from);
    };
    const char* start = p;
    const char* copied = p;
    bool changed = false;
    while (*p) {
        if (strncmp(p, "<!--", 4) == 0) {
            p = skipTo(p + 4, "-->");
        } else if (strncmp(p, "<![CDATA[", 9) == 0) {
            p = skipTo(p + 9, "]]>");
        } else if (p[0] == '<' && (p[1] == '?' || p[1] == '!')) {
            p = skipTo(p + 2, ">");
        } else if (*p == '&' && !isKnown(p)) {
            if (!changed) escaped.reserve(strlen(start) + 64);
            changed = true;
            escaped.append(copied, p + 1);
            escaped.append("amp;");
            copied = ++p;
        } else {
            ++p;
        }
    }
    if (changed) escaped.append(copied, p);
    return changed;
}

bool IsXmlBlank(unsigned long ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

// The parser drops an element text made only of white space, so a phrase that types a
// few blanks or line breaks would come back empty. Its text is taken from the file
// itself: the first <Cmd> element's contents, when they are blanks and numeric character
// references to blanks only.
bool RecoverBlankText(const char* file, const char* tag, CString& text) {
    std::string open = std::string("<") + tag;
    std::string close = std::string("</") + tag;
    for (const char* p = strstr(file, open.c_str()); p; p = strstr(p + 1, open.c_str())) {
        const char* q = p + open.size();
        if (*q != '>' && !IsXmlBlank(static_cast<unsigned char>(*q))) continue;  // a longer tag name
        while (IsXmlBlank(static_cast<unsigned char>(*q))) ++q;
        if (*q != '>') return false;  // attributes or an empty element
        const char* end = strstr(q + 1, close.c_str());
        if (!end) return false;
        CString blanks;
        for (const char* c = q + 1; c < end;) {
            if (IsXmlBlank(static_cast<unsigned char>(*c))) {
                blanks += static_cast<wchar_t>(*c++);
                continue;
            }
            if (c[0] != '&' || c[1] != '#') return false;
            bool hex = c[2] == 'x' || c[2] == 'X';
            char* after = nullptr;
            unsigned long code = strtoul(c + (hex ? 3 : 2), &after, hex ? 16 : 10);
            if (!after || after >= end || *after != ';' || !IsXmlBlank(code)) return false;
            blanks += static_cast<wchar_t>(code);
            c = after + 1;
        }
        text = blanks;
        return !blanks.IsEmpty();
    }
    return false;
}

CString ErrorText(DWORD code) {
    CString system = GetErrorMessageText(code);
    system.TrimRight(L"\r\n ");
    CString text;
    text.Format(L"code %d, %s", static_cast<int>(code), system.GetString());
    return text;
}

bool ReportWriteFailure(const CVXLCommand& record, const CString& path, const CString& text, CVXLWriteErrorProc onError,
                        void* data) {
    LogError(text);
    CString where;
    where.Format(L"WriteCommandFile: [%s] not written; the file on disk is unchanged", path.GetString());
    LogWrite(where);
    if (onError) onError(record, path, text, data);
    return false;
}

CString FolderOf(const CString& path) {
    int slash = path.ReverseFind(L'\\');
    return slash < 0 ? CString() : path.Left(slash + 1);
}

// A new file beside the target, named so that no phrase walk takes it for a phrase and
// short enough to fit wherever the target fits.
CFileHandle CreateSiblingFile(const CString& target, CString& created) {
    static volatile LONG counter = 0;
    CString folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        CString candidate;
        candidate.Format(L"%s~vxl%08lX%08lX.tmp", folder.GetString(), GetCurrentProcessId(),
                         static_cast<unsigned long>(InterlockedIncrement(&counter)));
        CFileHandle file(CreateFileW(candidate, GENERIC_WRITE, 0, GetOpenSecurityAttributes(), CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || GetLastError() != ERROR_FILE_EXISTS) {
            created = candidate;
            return file;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return CFileHandle();
}

}  // namespace

bool ParseCommandXml(CVXLCommand& record, const char* text, DWORD length, const wchar_t* source) {
    if (!text || length == 0) {
        LogReadRefusal(source, L"the file is empty");
        return false;
    }
    if (!XmlNestingWithin(text, kMaxElementDepth)) {
        LogReadRefusal(source, L"its elements are nested too deeply for a phrase file");
        return false;
    }
    bool validUtf8 = IsValidUtf8(text, length);
    std::string escaped;
    if (EscapeUnknownEntities(text, escaped)) text = escaped.c_str();

    TiXmlDocument document;
    {
        CXmlParseSettings keepBlanks(false);
        // Bytes that are not UTF-8 would make the parser read past the ends of tags
        // (it takes a lead byte's count of bytes whatever they are): such a file is
        // parsed byte by byte, and its texts still converted as UTF-8.
        document.Parse(text, nullptr, validUtf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY);
    }
    if (document.Error()) {
        CString reason;
        reason.Format(L"not a phrase file: %S (row %d, column %d)", document.ErrorDesc(), document.ErrorRow(),
                      document.ErrorCol());
        LogReadRefusal(source, reason);
        return false;
    }
    const TiXmlElement* root = document.RootElement();
    if (!root || strcmp(root->Value(), kCommandRootElement) != 0) {
        CString reason;
        reason.Format(L"its root element is [%S], not [%S]", root ? root->Value() : "", kCommandRootElement);
        LogReadRefusal(source, reason);
        return false;
    }

    record.ResetFileFields();
    record.m_included = ReadIntAttribute(root, "Excluded") == 0;
    record.SetUsageCount(ReadIntAttribute(root, "UsageCount"));
    record.m_disabledWithoutSelection = ReadIntAttribute(root, "DisabledIsNoHasSelection") != 0;
    record.m_useTitleOnly = ReadIntAttribute(root, "UseTitleOnly") != 0;
    record.m_sortId = static_cast<UINT>(ReadIntAttribute(root, "SortID"));
    record.m_menuFlags = static_cast<DWORD>(ReadIntAttribute(root, "FlagsMenu"));
    if (!record.IsFolder()) {
        const char* date = root->Attribute("DateUsage");
        SYSTEMTIME parsed;
        if (date && ParseDateUsage(FromUtf8(date), parsed)) record.m_dateUsage = parsed;
    }

    for (const TiXmlElement* name = root->FirstChildElement("MenuName"); name;
         name = name->NextSiblingElement("MenuName")) {
        const char* language = name->Attribute("Lang");
        if (!language || !*language) {
            record.SetNameKeepingState(ElementText(name->GetText()));
        } else {
            CString key = FromUtf8(language);
            MakeLowerInvariant(key);
            record.m_localizedNames[key] = ElementText(name->GetText());
        }
    }
    if (const TiXmlElement* dataType = root->FirstChildElement("DataType"))
        record.m_dataType = DataTypeFromXml(dataType->GetText());
    if (const TiXmlElement* command = root->FirstChildElement("Cmd")) {
        record.m_command = ElementText(command->GetText());
        CString blanks;
        if (!command->FirstChild() && RecoverBlankText(text, "Cmd", blanks)) record.m_command = blanks;
    }
    // The flag for bytes that are not UTF-8 is set below, after these setters.
    if (const TiXmlElement* hint = root->FirstChildElement("Hint")) {
        CString hintText = ElementText(hint->GetText());
        // The hint is the name in every file the programs write: one buffer serves both.
        if (hintText == record.m_name) {
            record.m_hint = record.m_name;
        } else {
            record.SetHint(hintText);
        }
    }

    if (!validUtf8) {
        record.m_invalidText = true;
        CString message;
        message.Format(
            L"ReadCommandFile: [%s] holds bytes that are not UTF-8; its texts were read with U+FFFD "
            L"in their place and it is not written back until they are edited",
            source ? source : L"");
        LogError(message);
    }
    if (IsLogEnabled()) {
        CString line;
        line.Format(L"Readed Localized MenuNames [%s] = %d", record.m_name.GetString(),
                    static_cast<int>(record.m_localizedNames.size()));
        LogWrite(line);
    }
    return true;
}

bool ReadCommandFile(CVXLCommand& record, const CString& path) {
    DWORD size = 0;
    std::unique_ptr<char[]> bytes = ReadWholeFile(path, &size);
    if (!bytes) {
        DWORD error = GetLastError();
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        if (GetFileAttributesExW(path, GetFileExInfoStandard, &info) && info.nFileSizeLow == 0 &&
            info.nFileSizeHigh == 0) {
            LogReadRefusal(path, L"the file is empty");
        } else {
            LogReadRefusal(path, L"the file cannot be read, " + ErrorText(error));
        }
        return false;
    }
    return ParseCommandXml(record, bytes.get(), size, path);
}

std::string CommandToXml(const CVXLCommand& record) {
    try {
        TiXmlDocument document;
        document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "yes"));
        auto* root = new TiXmlElement(kCommandRootElement);
        document.LinkEndChild(root);

        if (!record.GetIncludedFlag()) root->SetAttribute("Excluded", 1);
        root->SetAttribute("UsageCount", record.GetUsageCount());
        root->SetAttribute("DisabledIsNoHasSelection", record.IsDisabledWithoutSelection() ? 1 : 0);
        root->SetAttribute("UseTitleOnly", record.IsUseTitleOnly() ? 1 : 0);
        // Written as the signed numbers they have always been in these files.
        root->SetAttribute("SortID", static_cast<int>(record.GetSortID()));
        root->SetAttribute("FlagsMenu", static_cast<int>(record.GetMenuFlags()));
        SYSTEMTIME date;
        if (!record.IsFolder() && record.GetDateUsage(date))
            root->SetAttribute("DateUsage", WideToUtf8(FormatDateUsage(date)));

        auto addText = [root](const char* name, const std::string& text) {
            auto* element = new TiXmlElement(name);
            element->LinkEndChild(new TiXmlText(text));
            root->LinkEndChild(element);
            return element;
        };
        if (!record.IsFolder()) {
            std::string name = WideToUtf8(record.GetName());
            addText("MenuName", name);
            addText("DataType", DataTypeToText(record.GetDataType()));
            addText("Cmd", WideToUtf8(record.GetCommand()));
            // Both programs write the name here and read it back as the hint.
            addText("Hint", name);
        }
        for (const auto& entry : record.GetLocalizedNames()) {
            if (entry.first.IsEmpty() || entry.second.IsEmpty()) continue;
            CString language(entry.first);
            MakeLowerInvariant(language);
            TiXmlElement* localized = addText("MenuName", WideToUtf8(entry.second));
            localized->SetAttribute("Lang", WideToUtf8(language));
        }

        TiXmlPrinter printer;
        document.Accept(&printer);
        return printer.Str();
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

bool WriteCommandFile(const CVXLCommand& record, const CString& path, CVXLWriteErrorProc onError, void* data) {
    std::string xml = CommandToXml(record);
    if (xml.empty()) {
        LogError(L"cannot create XML for command");
        if (onError) onError(record, path, CString(L"cannot create XML for command"), data);
        return false;
    }
    if (path.IsEmpty()) return ReportWriteFailure(record, path, ErrorText(ERROR_INVALID_NAME), onError, data);

    CString temporary;
    {
        CFileHandle file = CreateSiblingFile(path, temporary);
        if (!file) return ReportWriteFailure(record, path, ErrorText(GetLastError()), onError, data);
        DWORD size = static_cast<DWORD>(xml.size());
        DWORD written = 0;
        bool ok = WriteFile(file.get(), xml.data(), size, &written, nullptr) && written == size;
        // On disk before it replaces the old file: a crash in between must leave one of
        // the two whole, never an empty phrase.
        if (ok) ok = FlushFileBuffers(file.get()) != FALSE;
        if (!ok) {
            DWORD error = GetLastError();
            if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
            file.reset();
            DeleteFileW(temporary);
            return ReportWriteFailure(record, path, ErrorText(error), onError, data);
        }
    }

    DWORD attributes = GetFileAttributesW(path);
    bool clearedReadOnly = false;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        clearedReadOnly = SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
    }
    if (!MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        if (clearedReadOnly) SetFileAttributesW(path, attributes);
        DeleteFileW(temporary);
        return ReportWriteFailure(record, path, ErrorText(error), onError, data);
    }
    return true;
}
