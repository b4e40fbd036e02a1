#include "core/base/Security.h"

#include <shellapi.h>

#include <new>

#include "core/base/AppPaths.h"

namespace {

const SECURITY_INFORMATION kDescriptorParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

// The rights a READONLY file refuses whatever its DACL grants.
const DWORD kDataWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA;

bool IsReadOnlyFile(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool IsFileAccessible(const wchar_t* path, DWORD desired) {
    if (!path || !*path) return false;

    // The first call only asks for the size; a success here would mean an empty
    // descriptor, which says nothing about access.
    DWORD needed = 0;
    if (GetFileSecurityW(path, kDescriptorParts, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    std::vector<BYTE> descriptor(needed);
    if (!GetFileSecurityW(path, kDescriptorParts, descriptor.data(), needed, &needed)) return false;

    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    MapGenericMask(&desired, &mapping);
    if ((desired & kDataWriteRights) && IsReadOnlyFile(path)) return false;

    // AccessCheck wants an impersonation token, which the process token is not.
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_IMPERSONATE | TOKEN_QUERY | TOKEN_DUPLICATE | STANDARD_RIGHTS_READ,
                          &raw))
        return false;
    CHandle processToken(raw);
    raw = nullptr;
    if (!DuplicateToken(processToken.get(), SecurityImpersonation, &raw)) return false;
    CHandle impersonation(raw);

    PRIVILEGE_SET privileges = {};
    DWORD privilegesLength = sizeof privileges;
    DWORD granted = 0;
    BOOL status = FALSE;
    return AccessCheck(descriptor.data(), impersonation.get(), desired, &mapping, &privileges, &privilegesLength,
                       &granted, &status) &&
           status;
}

bool IsFileWritable(const wchar_t* path) {
    return IsFileAccessible(path, GENERIC_WRITE);
}

bool IsFileReadable(const wchar_t* path) {
    return IsFileAccessible(path, GENERIC_READ);
}

std::unique_ptr<char[]> ReadWholeFile(const wchar_t* path, DWORD* size) {
    if (size) *size = 0;
    if (!path || !*path) return nullptr;
    CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return nullptr;

    // The whole 64-bit size: its low half alone would make a 4 GB file look small and
    // come back cut short as if it were whole.
    LARGE_INTEGER fileSize = {};
    if (!GetFileSizeEx(file.get(), &fileSize) || fileSize.QuadPart <= 0 || fileSize.QuadPart >= MAXDWORD)
        return nullptr;
    DWORD length = static_cast<DWORD>(fileSize.QuadPart);

    std::unique_ptr<char[]> buffer(new (std::nothrow) char[length + 1]);
    if (!buffer) return nullptr;
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer.get(), length, &read, nullptr) || read != length) return nullptr;
    buffer[length] = 0;
    if (size) *size = length;
    return buffer;
}

CString GetErrorMessageText(DWORD code) {
    wchar_t text[1025] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 1024, nullptr);
    return length ? CString(text, static_cast<int>(length)) : CString();
}

HINSTANCE ShellExecuteExWithError(HWND window, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  const wchar_t* directory, int show, ULONG mask, CString* errorText) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    info.hwnd = window;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = show;
    BOOL started = ShellExecuteExW(&info);
    DWORD lastError = GetLastError();
    CHandle process(info.hProcess);

    UINT_PTR result = reinterpret_cast<UINT_PTR>(info.hInstApp);
    DWORD textCode = static_cast<DWORD>(result);
    // A refusal before the shell filled hInstApp leaves 0 there (or nothing meaningful):
    // it must still read as a failure, with the thread's error as its reason.
    if (!started && (result == 0 || result > 32)) {
        result = 0;
        textCode = lastError;
    }
    if (result <= 32 && errorText) *errorText = GetErrorMessageText(textCode);
    return reinterpret_cast<HINSTANCE>(result);
}

bool OpenWithDialog(HWND window, const wchar_t* file) {
    CString parameters = CString(L"shell32.dll,OpenAs_RunDLL ") + file;
    HINSTANCE result = ShellExecuteW(window, L"open", L"Rundll32.exe", parameters, nullptr, SW_SHOW);
    return reinterpret_cast<UINT_PTR>(result) > 32;
}

BOOL CTempFile::Delete() {
    if (m_path.IsEmpty() || !FileExists(m_path) || FolderExists(m_path)) return FALSE;
    DWORD attributes = GetFileAttributesW(m_path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        DWORD remaining = attributes & ~FILE_ATTRIBUTE_READONLY;
        SetFileAttributesW(m_path, remaining ? remaining : FILE_ATTRIBUTE_NORMAL);
    }
    BOOL deleted = DeleteFileW(m_path);
    if (deleted) m_path.Empty();
    return deleted;
}
