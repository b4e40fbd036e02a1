#include "core/ClipboardItemFiles.h"

#include <string>

#include "core/ShellServices.h"
#include "core/TempFiles.h"
#include "core/base/AppPaths.h"
#include "core/base/BitmapFile.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"

namespace CAppObjects {

bool WriteClipboardItemToFile(const CClipboardItemData& item, const wchar_t* path, UINT options) {
    std::string bytes;
    const char* data = static_cast<const char*>(item.data);
    auto writeUtf16 = [&bytes](const wchar_t* text, size_t length) {
        const wchar_t mark = 0xFEFF;
        bytes.assign(reinterpret_cast<const char*>(&mark), sizeof mark);
        bytes.append(reinterpret_cast<const char*>(text), length * sizeof(wchar_t));
    };
    bool bitmap = false;
    switch (item.kind) {
        case CClipboardItemData::kText:
        case CClipboardItemData::kRtf: {
            // Up to the terminator, never past the data's size.
            size_t length = data ? strnlen(data, item.size) : 0;
            if (item.kind == CClipboardItemData::kRtf && (options & kItemFileRtfAsUtf16)) {
                std::wstring wide = AnsiToWide(std::string(data ? data : "", length).c_str());
                writeUtf16(wide.data(), wide.size());
            } else {
                bytes.assign(data ? data : "", length);
            }
            break;
        }
        case CClipboardItemData::kUnicodeText: {
            const wchar_t* text = static_cast<const wchar_t*>(item.data);
            writeUtf16(text ? text : L"", text ? wcsnlen(text, item.size / sizeof(wchar_t)) : 0);
            break;
        }
        case CClipboardItemData::kBitmap:
            bitmap = true;
            break;
        default:
            bytes.assign(data ? data : "", data ? item.size : 0);
            break;
    }

    const DWORD attributes = (options & kItemFileTemporary)
                                 ? FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED
                                 : FILE_ATTRIBUTE_NORMAL;
    bool written = false;
    if (bitmap) {
        HBITMAP handle = static_cast<HBITMAP>(const_cast<void*>(item.data));
        written = SaveBitmapToFile(path, handle);
        if (written && (options & kItemFileTemporary)) SetFileAttributesW(path, attributes);
    } else {
        SECURITY_ATTRIBUTES* security = (options & kItemFileOpenSecurity) ? GetOpenSecurityAttributes() : nullptr;
        CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, security, CREATE_ALWAYS, attributes, nullptr));
        if (!file) {
            LogError(CString(L"Cannot create file pathName=[") + path + L"]");
            return false;
        }
        DWORD done = 0;
        written = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                  done == bytes.size();
    }
    if (written && item.isProtected) {
        DWORD current = GetFileAttributesW(path);
        if (current != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, current | FILE_ATTRIBUTE_READONLY);
    }
    if (written && (options & kItemFileDeleteAtExit)) AddTempFileForDeletion(path);
    return written;
}

bool OpenClipboardItem(HWND owner, const CClipboardItemData& item, CString& path, bool openDirectly) {
    const wchar_t* extension = nullptr;
    switch (item.kind) {
        case CClipboardItemData::kText:
        case CClipboardItemData::kUnicodeText:
            extension = L".txt";
            break;
        case CClipboardItemData::kRtf:
            extension = L".rtf";
            break;
        case CClipboardItemData::kBitmap:
            extension = L".bmp";
            break;
        case CClipboardItemData::kHtml:
            return true;
        default:
            break;
    }
    if (extension) path = BuildTempFileName(nullptr, extension);
    if (path.IsEmpty() ||
        !WriteClipboardItemToFile(
            item, path, kItemFileTemporary | kItemFileOpenSecurity | kItemFileRtfAsUtf16 | kItemFileDeleteAtExit)) {
        LogError(L"Cannot write clipboard data into " + path);
        return false;
    }
    if (!openDirectly) return OpenWithDialog(owner, path);
    return reinterpret_cast<UINT_PTR>(
               ShellRun(owner, L"open", path, nullptr, GetFolderOfPath(path), SW_SHOWMAXIMIZED)) > 32;
}

}  // namespace CAppObjects
