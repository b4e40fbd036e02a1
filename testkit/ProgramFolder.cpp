#include "testkit/ProgramFolder.h"

#include "core/base/Handles.h"
#include "testkit/Poll.h"

namespace testkit {

CPrivateProgramFolder::~CPrivateProgramFolder() {
    if (m_folder.IsEmpty()) return;
    WIN32_FIND_DATAW found;
    CFindHandle find(FindFirstFileW(m_folder + L"\\*", &found));
    if (find) {
        do {
            CString path = m_folder + L"\\" + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path);
            }
        } while (FindNextFileW(find.get(), &found));
    }
    RemoveDirectoryW(m_folder);
}

CCheck CPrivateProgramFolder::Create() {
    wchar_t source[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VXL_PROGRAM_DIR", source, MAX_PATH))
        return CCheck::Failed(L"VXL_PROGRAM_DIR is not set: run the test through the test harness");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    CString folder;
    folder.Format(L"%svxl_program_%lu_%ld", temp, GetCurrentProcessId(), InterlockedIncrement(&counter));
    if (!CreateDirectoryW(folder, nullptr)) return CCheck::FailedF(L"cannot create %s", folder.GetString());
    m_folder = folder;
    WIN32_FIND_DATAW found;
    CFindHandle find(FindFirstFileW(CString(source) + L"\\*", &found));
    if (!find) return CCheck::FailedF(L"the program folder %s is empty or missing", source);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        CString from = CString(source) + L"\\" + found.cFileName;
        if (!CopyFileW(from, PathOf(found.cFileName), FALSE))
            return CCheck::FailedF(L"cannot copy %s (error %lu)", from.GetString(), GetLastError());
    } while (FindNextFileW(find.get(), &found));
    return CCheck::Ok();
}

CString CPrivateProgramFolder::PathOf(const wchar_t* fileName) const {
    return m_folder + L"\\" + fileName;
}

CCheck CPrivateProgramFolder::WriteSettings(const wchar_t* settingsLines) const {
    CString text = CString(L'\xFEFF') + L"[Settings]\r\n" + settingsLines;
    CFileHandle file(CreateFileW(PathOf(L"Settings.ini"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    DWORD bytes = static_cast<DWORD>(text.GetLength()) * sizeof(wchar_t);
    if (!file || !WriteFile(file.get(), text.GetString(), bytes, &written, nullptr) || written != bytes)
        return CCheck::Failed(L"cannot write Settings.ini in " + m_folder);
    return CCheck::Ok();
}

CString BuiltProgramPath(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(L"VXL_PROGRAM_DIR", folder, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return CString();
    return CString(folder) + L"\\" + fileName;
}

CString ReadUtf16File(const wchar_t* path) {
    CFileHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return CString();
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size < 2) return CString();
    CString text;
    DWORD read = 0;
    wchar_t* buffer = text.GetBuffer(static_cast<int>(size / 2));
    ReadFile(file.get(), buffer, size, &read, nullptr);
    text.ReleaseBuffer(static_cast<int>(read / 2));
    if (!text.IsEmpty() && text[0] == L'\xFEFF') text.Delete(0);
    return text;
}

CCheck WaitForFileText(const wchar_t* path, const wchar_t* what, DWORD timeoutMs) {
    CString last;
    bool found = PollUntil(timeoutMs, [&] {
        last = ReadUtf16File(path);
        return last.Find(what) >= 0;
    });
    if (found) return CCheck::Ok();
    return CCheck::FailedF(L"waited %lu ms for \"%s\" in %s; the file ends with: %s", timeoutMs, what, path,
                           last.Right(600).GetString());
}

}  // namespace testkit
