// Platform functions that only some Windows versions, or an optional system library,
// provide: desktop composition (Vista on), visual styles, layered-window opacity, the
// message filter of privilege isolation, the computer's DNS domain, the user's country,
// byte-size texts, the WOW64 test and the clipboard-format listener. The program starts
// on Windows XP, so each is found by name at run time (PlatformBinding.h) and answers
// a fixed "not available" value when its library or function is missing.
//
// They live in a namespace because several carry the names of the system functions
// they stand for. Callers are on the UI thread.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include "core/base/CString.h"
#include "core/base/PlatformBinding.h"

namespace Platform {

// ---------------------------------------------------------------------------------------
// Desktop composition. All but the last find "Dwmapi.dll" only when it is already loaded
// (LoadDwmapi) and answer E_NOTIMPL without calling anything when it or the function
// is missing.

// One reference to "Dwmapi.dll" for the caller to hold while it uses the functions below.
CBoundModule LoadDwmapi();

HRESULT DwmSetWindowAttribute(HWND window, DWORD attribute, const void* data, DWORD size);
// DWMWA_FORCE_ICONIC_REPRESENTATION and DWMWA_HAS_ICONIC_BITMAP, written as 2 for on.
HRESULT DwmSetForceIconicRepresentation(HWND window, bool on);
HRESULT DwmSetHasIconicBitmap(HWND window, bool on);
HRESULT DwmSetIconicThumbnail(HWND window, HBITMAP bitmap, DWORD flags);
// No client offset, DWM_SIT_DISPLAYFRAME.
HRESULT DwmSetIconicLivePreviewBitmap(HWND window, HBITMAP bitmap);
// Glass over the whole client area: margins 0, 0, client width, client height.
HRESULT DwmExtendFrameIntoClientArea(HWND window);
// Loads "dwmapi.dll" itself, once for the process. True only when the system answers
// S_OK and says composition is on.
bool DwmIsCompositionEnabled();

// ---------------------------------------------------------------------------------------
// Visual styles, from "UxTheme.DLL" when it is loaded; there is none before Windows XP.

bool IsAppThemed();                                           // false when missing
HTHEME OpenThemeData(HWND window, const wchar_t* classList);  // null when missing
bool CloseThemeData(HTHEME theme);                            // true when the system succeeded
HRESULT SetWindowTheme(HWND window, const wchar_t* subAppName, const wchar_t* subIdList);  // E_FAIL when missing

// The themed caption close button (small unless large) into the rectangle: pushed,
// else hot, else normal (disabled before all). True only when it was drawn; false
// without visual styles, so that the caller draws its own.
bool DrawThemedCloseButton(HWND window, HDC dc, const RECT& rect, bool pushed, bool hot, bool large = false,
                           bool disabled = false);

// ---------------------------------------------------------------------------------------
// Layered windows

class CLayeredWindowHelper {
public:
    CLayeredWindowHelper();
    CLayeredWindowHelper(const CLayeredWindowHelper&) = delete;
    CLayeredWindowHelper& operator=(const CLayeredWindowHelper&) = delete;

    static void AddLayeredStyle(HWND window);
    // False, and nothing changed, when the window was not layered.
    static bool RemoveLayeredStyle(HWND window);

    // The system's SetLayeredWindowAttributes, looked up in the held "USER32.dll" at
    // each call; FALSE when the module or the function is missing.
    BOOL SetLayeredWindowAttributes(HWND window, COLORREF colorKey, BYTE alpha, DWORD flags);
    // Alpha = min(percent, 100) * 255 / 100, LWA_ALPHA.
    BOOL SetOpacityPercent(HWND window, unsigned percent);

private:
    CBoundModule m_user32;
};

// ---------------------------------------------------------------------------------------
// Other bindings

// FALSE when user32 or the function is missing (before Vista).
BOOL ChangeWindowMessageFilter(UINT message, DWORD flag);
// The computer's DNS domain (GetComputerNameExW); empty when unknown or unavailable.
CString GetComputerDomainName();
// The user's country by GetGeoInfoW: GEO_FRIENDLYNAME, GEO_OFFICIALNAME, GEO_ISO3 or
// GEO_ISO2. Empty when the country is not set or the functions are missing.
CString GetGeoText(int geoType);
CString GetGeoFriendlyName();
CString GetGeoOfficialName();
CString GetGeoIsoName(bool threeLetters);
// StrFormatByteSizeW of "shlwapi.dll" ("1.17 KB"); empty when it is missing.
CString FormatByteSize(ULONGLONG bytes);
// True when IsWow64Process says this process runs under WOW64; false when the
// function is missing or fails.
bool IsWow64();
bool IsAddClipboardFormatListenerAvailable();

}  // namespace Platform
