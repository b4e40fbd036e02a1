// The records that cross between the main program and the hook library, and the data
// all instances of the library share. Their layouts are fixed: the main program and the
// library are built apart and meet only through these bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Installation errors written into the install record.
const DWORD WPE_NONE = 0;
const DWORD WPE_INVALID_NAMES = 1;
const DWORD WPE_ALREADY_INSTALLED = 2;
const DWORD WPE_HOOK_FAILED = 3;

// Flags of the install record.
const DWORD WPF_WAIT_ANSWER = 1;  // wait for the answer and show the menu inside the target

// Longest name of an exchange object, in characters.
const int kMaxExchangeNameChars = 128;

#pragma pack(push, 1)
struct WP_INSTALL_INFO {
    HWND mainWindow;
    UINT monitoredMessage;
    DWORD replyTag;
    const wchar_t* dataNeededName;
    const wchar_t* dataCompletedName;
    const wchar_t* mappingName;
    const wchar_t* logPath;
    DWORD error;
    DWORD systemError;
    WORD logAtom;
    DWORD flags;
};

struct WP_INSTALL_INFO2 {
    WP_INSTALL_INFO v1;
    DWORD reserved1;
    DWORD reserved2;
    BYTE reserved3[16];
    BYTE reserved4[2];
};

struct WP_UNINSTALL_INFO {
    DWORD size;
    DWORD flags;  // bit 0: force
    DWORD reserved;
};
#pragma pack(pop)

// The library's exports as its users bind them by name.
using WPInstallProc = int (*)(WP_INSTALL_INFO*);
using WPInstall2Proc = int (*)(WP_INSTALL_INFO2*);
using WPUninstallProc = int (*)();
using WPUninstall2Proc = int (*)(const WP_UNINSTALL_INFO*);
using WPWindowProc = HWND (*)();

// The 32-bit layout is the one the two sides agree on; a 64-bit build (our test build)
// has wider handles and pointers in the records and keeps the rest in order.
#if !defined(_WIN64)
static_assert(sizeof(WP_INSTALL_INFO) == 42, "install record v1");
static_assert(sizeof(WP_INSTALL_INFO2) == 68, "install record v2");
static_assert(offsetof(WP_INSTALL_INFO, dataNeededName) == 0x0C, "install record v1");
static_assert(offsetof(WP_INSTALL_INFO, error) == 0x1C, "install record v1");
static_assert(offsetof(WP_INSTALL_INFO, systemError) == 0x20, "install record v1");
static_assert(offsetof(WP_INSTALL_INFO, logAtom) == 0x24, "install record v1");
static_assert(offsetof(WP_INSTALL_INFO, flags) == 0x26, "install record v1");
static_assert(offsetof(WP_INSTALL_INFO2, reserved1) == 0x2A, "install record v2");
static_assert(offsetof(WP_INSTALL_INFO2, reserved3) == 0x32, "install record v2");
static_assert(offsetof(WP_INSTALL_INFO2, reserved4) == 0x42, "install record v2");
#endif
static_assert(sizeof(WP_UNINSTALL_INFO) == 12, "uninstall record");

// Shared by every process that has the library loaded. Window and hook handles are
// kept as their 32-bit values, which is all of a user handle on either kind of Windows,
// so the section is the same 820 bytes in every build.
struct CWPSharedData {
    WORD logAtom;
    WORD padding;
    wchar_t dataNeededName[130];
    wchar_t dataCompletedName[130];
    wchar_t mappingName[130];
    uint32_t mainWindow;
    uint32_t replyTag;
    uint32_t hook;
    uint32_t monitoredMessage;
    uint32_t currentWindow;
    uint32_t otherWindow;
    uint32_t eventThread;
    uint32_t mainProcess;
    uint32_t flags;  // bit 0 of the install flags; 1 before the first installation
};
static_assert(sizeof(CWPSharedData) == 820, "shared section");
static_assert(offsetof(CWPSharedData, dataNeededName) == 0x004, "shared section");
static_assert(offsetof(CWPSharedData, dataCompletedName) == 0x108, "shared section");
static_assert(offsetof(CWPSharedData, mappingName) == 0x20C, "shared section");
static_assert(offsetof(CWPSharedData, mainWindow) == 0x310, "shared section");
static_assert(offsetof(CWPSharedData, hook) == 0x318, "shared section");
static_assert(offsetof(CWPSharedData, currentWindow) == 0x320, "shared section");
static_assert(offsetof(CWPSharedData, mainProcess) == 0x32C, "shared section");
static_assert(offsetof(CWPSharedData, flags) == 0x330, "shared section");

inline HWND WindowOf(uint32_t value) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}
inline uint32_t ValueOf(HWND window) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}
