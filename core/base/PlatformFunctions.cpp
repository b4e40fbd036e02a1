#include "core/base/PlatformFunctions.h"

#include <algorithm>

namespace Platform {

namespace {

// Values of the system headers of later Windows versions, written out so that this
// file does not depend on which SDK declares them.
const DWORD kDwmForceIconicRepresentation = 7;  // DWMWA_FORCE_ICONIC_REPRESENTATION
const DWORD kDwmHasIconicBitmap = 10;           // DWMWA_HAS_ICONIC_BITMAP
const DWORD kDwmSitDisplayFrame = 1;            // DWM_SIT_DISPLAYFRAME
const int kWpCloseButton = 18;                  // WP_CLOSEBUTTON
const int kWpSmallCloseButton = 19;             // WP_SMALLCLOSEBUTTON
const int kCbsNormal = 1, kCbsHot = 2, kCbsPushed = 3, kCbsDisabled = 4;
const int kComputerNameDnsDomain = 2;  // ComputerNameDnsDomain
const GEOCLASS kGeoClassNation = 16;   // GEOCLASS_NATION
const GEOID kGeoIdNotAvailable = -1;   // GEOID_NOT_AVAILABLE

using DwmSetWindowAttributeProc = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
using DwmSetIconicThumbnailProc = HRESULT(WINAPI*)(HWND, HBITMAP, DWORD);
using DwmSetIconicLivePreviewBitmapProc = HRESULT(WINAPI*)(HWND, HBITMAP, POINT*, DWORD);
using DwmExtendFrameIntoClientAreaProc = HRESULT(WINAPI*)(HWND, const MARGINS*);
using DwmIsCompositionEnabledProc = HRESULT(WINAPI*)(BOOL*);
using IsAppThemedProc = BOOL(WINAPI*)();
using OpenThemeDataProc = HTHEME(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataProc = HRESULT(WINAPI*)(HTHEME);
using SetWindowThemeProc = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
using DrawThemeBackgroundProc = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
using SetLayeredWindowAttributesProc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
using ChangeWindowMessageFilterProc = BOOL(WINAPI*)(UINT, DWORD);
using GetComputerNameExWProc = BOOL(WINAPI*)(int, LPWSTR, LPDWORD);
using GetUserGeoIDProc = GEOID(WINAPI*)(GEOCLASS);
using GetGeoInfoWProc = int(WINAPI*)(GEOID, GEOTYPE, LPWSTR, int, LANGID);
using StrFormatByteSizeWProc = LPWSTR(WINAPI*)(LONGLONG, LPWSTR, UINT);
using IsWow64ProcessProc = BOOL(WINAPI*)(HANDLE, PBOOL);

template <class Function>
Function FromLoaded(const wchar_t* module, const char* name) {
    return BindProc<Function>(GetPlatformBinder().FindLoaded(module), name);
}

template <class Function>
Function FromDwmapi(const char* name) {
    return FromLoaded<Function>(L"Dwmapi.dll", name);
}

HMODULE UxThemeModule() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    // Windows 2000 and older have no visual styles; a version that cannot be read
    // says nothing, so the module is looked for then.
    if (GetVersionExW(&version) &&
        (version.dwMajorVersion < 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion < 1)))
        return nullptr;
    return GetPlatformBinder().FindLoaded(L"UxTheme.DLL");
}

template <class Function>
Function FromUxTheme(const char* name) {
    return BindProc<Function>(UxThemeModule(), name);
}

HRESULT SetIconicFlag(HWND window, DWORD attribute, bool on) {
    BOOL value = on ? 2 : 0;
    return Platform::DwmSetWindowAttribute(window, attribute, &value, sizeof value);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Desktop composition

CBoundModule LoadDwmapi() {
    return CBoundModule(L"Dwmapi.dll");
}

HRESULT DwmSetWindowAttribute(HWND window, DWORD attribute, const void* data, DWORD size) {
    auto proc = FromDwmapi<DwmSetWindowAttributeProc>("DwmSetWindowAttribute");
    return proc ? proc(window, attribute, data, size) : E_NOTIMPL;
}

HRESULT DwmSetForceIconicRepresentation(HWND window, bool on) {
    return SetIconicFlag(window, kDwmForceIconicRepresentation, on);
}

HRESULT DwmSetHasIconicBitmap(HWND window, bool on) {
    return SetIconicFlag(window, kDwmHasIconicBitmap, on);
}

HRESULT DwmSetIconicThumbnail(HWND window, HBITMAP bitmap, DWORD flags) {
    auto proc = FromDwmapi<DwmSetIconicThumbnailProc>("DwmSetIconicThumbnail");
    return proc ? proc(window, bitmap, flags) : E_NOTIMPL;
}

HRESULT DwmSetIconicLivePreviewBitmap(HWND window, HBITMAP bitmap) {
    auto proc = FromDwmapi<DwmSetIconicLivePreviewBitmapProc>("DwmSetIconicLivePreviewBitmap");
    return proc ? proc(window, bitmap, nullptr, kDwmSitDisplayFrame) : E_NOTIMPL;
}

HRESULT DwmExtendFrameIntoClientArea(HWND window) {
    auto proc = FromDwmapi<DwmExtendFrameIntoClientAreaProc>("DwmExtendFrameIntoClientArea");
    if (!proc) return E_NOTIMPL;
    RECT client = {};
    GetClientRect(window, &client);
    MARGINS margins = {0, 0, client.right - client.left, client.bottom - client.top};
    return proc(window, &margins);
}

bool DwmIsCompositionEnabled() {
    auto proc = BindProc<DwmIsCompositionEnabledProc>(KeepModuleLoaded(L"dwmapi.dll"), "DwmIsCompositionEnabled");
    BOOL enabled = FALSE;
    return proc && proc(&enabled) == S_OK && enabled;
}

// ---------------------------------------------------------------------------------------
// Visual styles

bool IsAppThemed() {
    auto proc = FromUxTheme<IsAppThemedProc>("IsAppThemed");
    return proc && proc() != FALSE;
}

HTHEME OpenThemeData(HWND window, const wchar_t* classList) {
    auto proc = FromUxTheme<OpenThemeDataProc>("OpenThemeData");
    return proc ? proc(window, classList) : nullptr;
}

bool CloseThemeData(HTHEME theme) {
    auto proc = FromUxTheme<CloseThemeDataProc>("CloseThemeData");
    return proc && SUCCEEDED(proc(theme));
}

HRESULT SetWindowTheme(HWND window, const wchar_t* subAppName, const wchar_t* subIdList) {
    auto proc = FromUxTheme<SetWindowThemeProc>("SetWindowTheme");
    return proc ? proc(window, subAppName, subIdList) : E_FAIL;
}

bool DrawThemedCloseButton(HWND window, HDC dc, const RECT& rect, bool pushed, bool hot, bool large, bool disabled) {
    // Qualified: the system's functions of the same names would also match by argument.
    if (!Platform::IsAppThemed()) return false;
    auto draw = FromUxTheme<DrawThemeBackgroundProc>("DrawThemeBackground");
    if (!draw) return false;
    HTHEME theme = Platform::OpenThemeData(window, L"WINDOW");
    if (!theme) return false;
    int part = large ? kWpCloseButton : kWpSmallCloseButton;
    int state = disabled ? kCbsDisabled : pushed ? kCbsPushed : hot ? kCbsHot : kCbsNormal;
    bool drawn = SUCCEEDED(draw(theme, dc, part, state, &rect, nullptr));
    Platform::CloseThemeData(theme);
    return drawn;
}

// ---------------------------------------------------------------------------------------
// Layered windows

CLayeredWindowHelper::CLayeredWindowHelper() : m_user32(L"USER32.dll") {}

void CLayeredWindowHelper::AddLayeredStyle(HWND window) {
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
}

bool CLayeredWindowHelper::RemoveLayeredStyle(HWND window) {
    LONG style = GetWindowLongW(window, GWL_EXSTYLE);
    if (!(style & WS_EX_LAYERED)) return false;
    SetWindowLongW(window, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
    return true;
}

BOOL CLayeredWindowHelper::SetLayeredWindowAttributes(HWND window, COLORREF colorKey, BYTE alpha, DWORD flags) {
    auto proc = BindProc<SetLayeredWindowAttributesProc>(m_user32.get(), "SetLayeredWindowAttributes");
    return proc ? proc(window, colorKey, alpha, flags) : FALSE;
}

BOOL CLayeredWindowHelper::SetOpacityPercent(HWND window, unsigned percent) {
    BYTE alpha = static_cast<BYTE>(std::min(percent, 100u) * 255 / 100);
    return SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

// ---------------------------------------------------------------------------------------
// Other bindings

BOOL ChangeWindowMessageFilter(UINT message, DWORD flag) {
    auto proc = FromLoaded<ChangeWindowMessageFilterProc>(L"user32.dll", "ChangeWindowMessageFilter");
    return proc ? proc(message, flag) : FALSE;
}

CString GetComputerDomainName() {
    auto proc = FromLoaded<GetComputerNameExWProc>(L"kernel32.dll", "GetComputerNameExW");
    if (!proc) return CString();
    // Room for a whole DNS name at once; a longer answer asks for its own size.
    CString name;
    DWORD size = 256;
    for (int attempt = 0; attempt < 2; ++attempt) {
        wchar_t* buffer = name.GetBufferSetLength(static_cast<int>(size));
        buffer[0] = 0;
        DWORD capacity = size;
        if (proc(kComputerNameDnsDomain, buffer, &capacity)) {
            name.ReleaseBuffer(-1);
            return name;
        }
        if (GetLastError() != ERROR_MORE_DATA || capacity <= size) break;
        size = capacity;
    }
    return CString();
}

CString GetGeoText(int geoType) {
    auto getUserGeoId = FromLoaded<GetUserGeoIDProc>(L"kernel32.dll", "GetUserGeoID");
    if (!getUserGeoId) return CString();
    GEOID geo = getUserGeoId(kGeoClassNation);
    if (geo == kGeoIdNotAvailable) return CString();
    LANGID language = GetUserDefaultLangID();
    auto getGeoInfo = FromLoaded<GetGeoInfoWProc>(L"kernel32.dll", "GetGeoInfoW");
    if (!getGeoInfo) return CString();
    wchar_t text[1000] = {};
    if (getGeoInfo(geo, static_cast<GEOTYPE>(geoType), text, 999, language) <= 0) return CString();
    return CString(text);
}

CString GetGeoFriendlyName() {
    return GetGeoText(GEO_FRIENDLYNAME);
}

CString GetGeoOfficialName() {
    return GetGeoText(GEO_OFFICIALNAME);
}

CString GetGeoIsoName(bool threeLetters) {
    return GetGeoText(threeLetters ? GEO_ISO3 : GEO_ISO2);
}

CString FormatByteSize(ULONGLONG bytes) {
    CBoundModule shlwapi(L"shlwapi.dll");
    auto proc = BindProc<StrFormatByteSizeWProc>(shlwapi.get(), "StrFormatByteSizeW");
    if (!proc || IsBadCodePtr(reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(proc)))) return CString();
    wchar_t text[261] = {};
    // Unsigned all the way: 4 GB - 1 must not turn into -1 bytes.
    LONGLONG count = static_cast<LONGLONG>(bytes);
    return proc(count, text, 260) ? CString(text) : CString();
}

bool IsWow64() {
    auto proc = FromLoaded<IsWow64ProcessProc>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return proc && proc(GetCurrentProcess(), &wow64) && wow64;
}

bool IsAddClipboardFormatListenerAvailable() {
    IPlatformBinder& binder = GetPlatformBinder();
    if (HMODULE user32 = binder.FindLoaded(L"user32.dll"))
        return binder.FindProc(user32, "AddClipboardFormatListener") != nullptr;
    CBoundModule loaded(L"user32.dll");
    return loaded && binder.FindProc(loaded.get(), "AddClipboardFormatListener") != nullptr;
}

}  // namespace Platform
