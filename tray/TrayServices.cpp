#include "tray/TrayServices.h"

const wchar_t* HookInstallErrorName(int code) {
    switch (code) {
        case 0:
            return L"Success";
        case 1:
            return L"Invalid names of sync objects";
        case 2:
            return L"DLL service is already installed";
        case 3:
            return L"Cant install hook";
        case 4:
            return L"Cant load DLL";
        case 5:
            return L"Cant GetProcAddress to install function of DLL";
        case 7:
            return L"Cant create service event";
        default:
            return L"Unknow error";
    }
}

CString BuildHookInstallErrorText(int code, const CString& libraryPath, bool libraryExists) {
    CString text = L"ERROR: Cannot DLL install";
    text += libraryExists ? L"\nCore DLL path: " : L"\nCore DLL not found: ";
    text += libraryPath;
    CString number;
    number.Format(L"Error code: %d", code);
    text += L"\n";
    text += HookInstallErrorName(code);
    text += L", ";
    text += number;
    return text;
}
