#include "core/WindowHelpers.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cwchar>
#include <map>

#include "core/base/Handles.h"

namespace {

// ---------------------------------------------------------------------------------------
// Fonts

// The structure as Windows XP knows it: later systems accept it too, XP refuses the
// larger one that ends with iPaddedBorderWidth.
constexpr UINT kNonClientMetricsXpSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
static_assert(kNonClientMetricsXpSize == 500, "NONCLIENTMETRICSW of Windows XP is 500 bytes");

HFONT MakeSmallCaptionFont(bool italic) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = kNonClientMetricsXpSize;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsXpSize, &metrics, 0)) return nullptr;
    LOGFONTW font = metrics.lfSmCaptionFont;
    font.lfWeight = italic ? FW_NORMAL : FW_BOLD;
    font.lfItalic = italic ? TRUE : FALSE;
    wcscpy_s(font.lfFaceName, L"MS Shell Dlg");
    return CreateFontIndirectW(&font);
}

struct ResizeRequest {
    int units;
    bool grow;
};

BOOL ResizeHeight(LOGFONTW& font, void* context) {
    const ResizeRequest& request = *static_cast<const ResizeRequest*>(context);
    LONG height = font.lfHeight;
    // 0 asks for the default size: there is no height to change.
    if (height == 0) return TRUE;
    // Positive heights are cell heights, negative ones character heights: larger means
    // more positive for the one and more negative for the other.
    LONG step = request.grow ? request.units : -request.units;
    LONG resized = height > 0 ? height + step : height - step;
    // Shrinking never crosses into the other convention (or to the default size).
    if (height > 0 && resized < 1) resized = 1;
    if (height < 0 && resized > -1) resized = -1;
    font.lfHeight = resized;
    return TRUE;
}

HPEN MakePen(COLORREF color) {
    return CreatePen(PS_SOLID, 2, color);
}

// ---------------------------------------------------------------------------------------
// System colours

std::map<int, HBRUSH>& SysColorBrushes() {
    static std::map<int, HBRUSH> brushes;
    return brushes;
}

std::map<int, COLORREF>& SysColors() {
    static std::map<int, COLORREF> colors;
    return colors;
}

int ClampChannel(int value) {
    return std::min(255, std::max(0, value));
}

// ---------------------------------------------------------------------------------------
// Bold check box, per thread

thread_local HFONT t_boldGuiFont = nullptr;
thread_local WNDPROC t_checkBoxClassProc = nullptr;

LRESULT CALLBACK BoldCheckProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC classProc = t_checkBoxClassProc;
    // Calling ourselves through the stored procedure would never end.
    if (!classProc || classProc == BoldCheckProc) return 0;
    if (message != BM_SETCHECK) return CallWindowProcW(classProc, window, message, wParam, lParam);
    LRESULT before = CallWindowProcW(classProc, window, BM_GETCHECK, 0, 0);
    LRESULT result = CallWindowProcW(classProc, window, message, wParam, lParam);
    LRESULT after = CallWindowProcW(classProc, window, BM_GETCHECK, 0, 0);
    if (before != after) UpdateCheckBoxFont(window);
    return result;
}

// ---------------------------------------------------------------------------------------
// Subclass registry

using SubclassMap = std::map<HWND, SubclassEntry*>;
std::atomic<SubclassMap*> g_subclasses{nullptr};

SubclassMap& EnsureSubclassMap() {
    SubclassMap* map = g_subclasses.load();
    if (!map) {
        map = new SubclassMap;
        g_subclasses.exchange(map);
    }
    return *map;
}

void RemoveSubclassEntry(HWND window) {
    SubclassMap* map = g_subclasses.load();
    if (!map) return;
    auto found = map->find(window);
    if (found == map->end()) return;
    delete found->second;
    map->erase(found);
    if (map->empty()) delete g_subclasses.exchange(nullptr);
}

LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SubclassEntry* entry = FindSubclassEntry(window);
    if (!entry || !entry->previous) return DefWindowProcW(window, message, wParam, lParam);
    // Copied first: the callback may unsubclass the window, which deletes the entry.
    WNDPROC previous = entry->previous;
    SubclassCallback callback = entry->callback;
    BOOL passOn = TRUE;
    LRESULT result = callback(window, message, wParam, lParam, entry->userData, &passOn, previous);
    if (message == WM_DESTROY) {
        UnsubclassWindow(window);
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    if (!passOn) return result;
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Colours

COLORREF ColorRed() {
    return RGB(255, 0, 0);
}
COLORREF ColorBlue() {
    return RGB(0, 0, 255);
}
COLORREF ColorGreen() {
    return RGB(0, 128, 0);
}
COLORREF ColorOrange() {
    return RGB(255, 123, 60);
}

COLORREF DarkenColor(COLORREF color, int delta) {
    int red = GetRValue(color), green = GetGValue(color), blue = GetBValue(color);
    if (red == 0 && green == 0 && blue == 0) {
        int channel = ClampChannel(delta);
        return RGB(channel, channel, channel);
    }
    return RGB(ClampChannel(red - delta), ClampChannel(green - delta), ClampChannel(blue - delta));
}

COLORREF DarkenColor20(COLORREF color) {
    return DarkenColor(color, 20);
}

COLORREF PickStateColor(bool flag) {
    return flag ? ColorOrange() : ColorRed();
}

// ---------------------------------------------------------------------------------------
// Cached GDI objects

HFONT GetBoldDlgFont() {
    static HFONT font = nullptr;
    if (!font) font = MakeSmallCaptionFont(false);
    return font;
}

HFONT GetItalicDlgFont() {
    static HFONT font = nullptr;
    if (!font) font = MakeSmallCaptionFont(true);
    return font;
}

HFONT GetDefaultGuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT GetWindowFontCached(HWND window) {
    static HFONT cached = nullptr;
    if (cached) return cached;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!font) {
        HWND toolTip = reinterpret_cast<HWND>(SendMessageW(window, LVM_GETTOOLTIPS, 0, 0));
        if (toolTip) font = reinterpret_cast<HFONT>(SendMessageW(toolTip, WM_GETFONT, 0, 0));
    }
    if (!font) return nullptr;
    cached = CreateFontResized(font, 2, true);
    return cached;
}

HPEN GetBluePen() {
    static HPEN pen = MakePen(ColorBlue());
    return pen;
}

HPEN GetRedPen() {
    static HPEN pen = MakePen(ColorRed());
    return pen;
}

HBRUSH GetGreenBrush() {
    static HBRUSH brush = CreateSolidBrush(ColorGreen());
    return brush;
}

HBRUSH GetRedBrush() {
    static HBRUSH brush = CreateSolidBrush(ColorRed());
    return brush;
}

HBRUSH GetCustomBrush() {
    static HBRUSH brush = CreateSolidBrush(RGB(24, 237, 237));
    return brush;
}

std::pair<HBRUSH, COLORREF> GetHighlightColors() {
    static const std::pair<HBRUSH, COLORREF> colors(GetSysColorBrush(COLOR_HIGHLIGHT),
                                                    GetSysColor(COLOR_HIGHLIGHTTEXT));
    return colors;
}

HBRUSH GetItemBackBrush(bool info, bool selected) {
    return GetSysColorBrush(info ? COLOR_INFOBK : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
}

HBRUSH GetSysColorBrushCached(int index) {
    auto& brushes = SysColorBrushes();
    auto found = brushes.find(index);
    if (found != brushes.end()) return found->second;
    HBRUSH brush = GetSysColorBrush(index);
    if (brush) brushes[index] = brush;
    return brush;
}

COLORREF GetSysColorCached(int index) {
    auto& colors = SysColors();
    auto found = colors.find(index);
    if (found != colors.end()) return found->second;
    COLORREF color = GetSysColor(index);
    colors[index] = color;
    return color;
}

void ClearSysColorCaches() {
    SysColorBrushes().clear();
    SysColors().clear();
}

// ---------------------------------------------------------------------------------------
// New fonts

HFONT CreateDerivedFont(HFONT font, FontChangeProc change, void* context) {
    if (!font || !change) return nullptr;
    LOGFONTW logFont = {};
    if (GetObjectW(font, sizeof logFont, &logFont) != sizeof logFont) return nullptr;
    if (!change(logFont, context)) return nullptr;
    return CreateFontIndirectW(&logFont);
}

HFONT CreateFontResized(HFONT font, int units, bool grow) {
    ResizeRequest request = {units, grow};
    return CreateDerivedFont(font, ResizeHeight, &request);
}

HFONT CreateFontResized(HFONT font, int units) {
    return CreateFontResized(font, units, true);
}

// ---------------------------------------------------------------------------------------
// Drawing

BOOL FrameRoundRect(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    CRegionHandle region(CreateRoundRectRgn(left, top, right, bottom + 1, 4, 4));
    CBrushHandle brush(CreateSolidBrush(color));
    if (!region || !brush) return FALSE;
    return FrameRgn(dc, region.get(), brush.get(), 2, 2);
}

// ---------------------------------------------------------------------------------------
// Windows

CString MakeToolTipTitle(const wchar_t* title) {
    // TTM_SETTITLE takes at most 100 characters with the terminator.
    const int kMaxChars = 97;
    CString text(title);
    if (text.GetLength() <= kMaxChars) return text;
    int cut = IS_HIGH_SURROGATE(text.GetAt(kMaxChars - 1)) ? kMaxChars - 1 : kMaxChars;
    return text.Left(cut) + L"\u2026";
}

LRESULT SetToolTipTitle(HWND toolTip, const wchar_t* title, int icon) {
    CString text = MakeToolTipTitle(title);
    return SendMessageW(toolTip, TTM_SETTITLEW, static_cast<WPARAM>(icon), reinterpret_cast<LPARAM>(text.GetString()));
}

BOOL SetWindowTopMost(HWND window, bool on) {
    BOOL result =
        SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    if (result) {
        LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
        style = on ? (style | WS_EX_TOPMOST) : (style & ~static_cast<LONG_PTR>(WS_EX_TOPMOST));
        SetWindowLongPtrW(window, GWL_EXSTYLE, style);
    }
    return result;
}

BOOL CTrackMouseLeave::Track() {
    TRACKMOUSEEVENT request = {};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = m_window ? *m_window : nullptr;
    request.dwHoverTime = 0;
    m_tracking = request.hwndTrack ? _TrackMouseEvent(&request) : FALSE;
    return m_tracking;
}

BOOL ListViewEnsureVisiblePage(HWND list, int index) {
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (index < 0 || index >= count) return FALSE;
    BOOL result = static_cast<BOOL>(SendMessageW(list, LVM_ENSUREVISIBLE, index, TRUE));
    if (!result) return FALSE;
    int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    if (perPage < 2) return result;
    SendMessageW(list, LVM_ENSUREVISIBLE, std::min(index + perPage - 1, count - 1), TRUE);
    return result;
}

HWND GetTopLevelParent(HWND window) {
    // A window tree is never this deep; the bound only guards against an owner loop.
    for (int depth = 0; window && depth < 1024; ++depth) {
        HWND parent = GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}

bool GetTopLevelWindowText(HWND window, CString& text) {
    HWND top = GetTopLevelParent(window);
    if (!top || !IsWindow(top)) return false;
    int length = static_cast<int>(SendMessageW(top, WM_GETTEXTLENGTH, 0, 0));
    if (length <= 0) return false;
    CString read;
    LRESULT copied = SendMessageW(top, WM_GETTEXT, length + 2, reinterpret_cast<LPARAM>(read.GetBuffer(length + 2)));
    read.ReleaseBuffer(static_cast<int>(std::min<LRESULT>(copied, length + 1)));
    if (read.IsEmpty()) return false;
    text = read;
    return true;
}

HFONT GetBoldGuiFont() {
    if (t_boldGuiFont && GetObjectType(t_boldGuiFont) == OBJ_FONT) return t_boldGuiFont;
    t_boldGuiFont = nullptr;
    LOGFONTW font = {};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font) != sizeof font) return nullptr;
    font.lfWeight = FW_BOLD;
    t_boldGuiFont = CreateFontIndirectW(&font);
    return t_boldGuiFont;
}

void UpdateCheckBoxFont(HWND checkBox) {
    bool ticked = (SendMessageW(checkBox, BM_GETSTATE, 0, 0) & BST_CHECKED) != 0;
    HFONT font = ticked ? GetBoldGuiFont() : nullptr;
    if (!font) font = GetDefaultGuiFont();
    SendMessageW(checkBox, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void InstallCheckNotifySubclass(HWND checkBox) {
    if (!IsWindow(checkBox)) return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(checkBox, GWLP_WNDPROC)) == BoldCheckProc) return;
    UpdateCheckBoxFont(checkBox);
    if (!GetBoldGuiFont()) return;
    if (!t_checkBoxClassProc) {
        WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(checkBox, GWLP_WNDPROC));
        if (!current) return;
        t_checkBoxClassProc = current;
    }
    WNDPROC previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(checkBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BoldCheckProc)));
    if (previous) t_checkBoxClassProc = previous;
}

// ---------------------------------------------------------------------------------------
// Subclass registry

int SubclassWindow(HWND window, SubclassCallback callback, LONG_PTR userData) {
    if (!IsWindow(window) || !callback || FindSubclassEntry(window)) return 0;
    SubclassEntry* entry = new SubclassEntry(window, callback, userData);
    EnsureSubclassMap()[window] = entry;
    LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc));
    if (!previous) {
        RemoveSubclassEntry(window);
        return 0;
    }
    entry->previous = reinterpret_cast<WNDPROC>(previous);
    return 1;
}

int UnsubclassWindow(HWND window) {
    SubclassEntry* entry = FindSubclassEntry(window);
    if (!entry) return 0;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->previous));
    RemoveSubclassEntry(window);
    return 1;
}

bool IsWindowSubclassed(HWND window) {
    return window && IsWindow(window) && FindSubclassEntry(window) != nullptr;
}

SubclassEntry* FindSubclassEntry(HWND window) {
    SubclassMap* map = g_subclasses.load();
    if (!map) return nullptr;
    auto found = map->find(window);
    return found == map->end() ? nullptr : found->second;
}

bool HasSubclassRegistryForTest() {
    return g_subclasses.load() != nullptr;
}
