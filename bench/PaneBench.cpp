// The float pane over a history of 5,000 items: the time from opening it to its list's
// first paint, and the time of each page scrolled through the list, beside a plain
// owner-data list view of the same rows (the same texts, no custom draw) in the same run.
// The history is written to a temporary folder once and loaded by the handler, as at a
// start of the program; most items are short texts, some are long texts up to 1 MB, a few
// pictures (one of 10000 x 10000) and a few protected items.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/SettingsFile.h"
#include "core/base/AppPaths.h"
#include "core/base/CString.h"
#include "core/base/IniFile.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryFiles.h"
#include "history/HistoryMenu.h"
#include "history/pane/FloatPane.h"
#include "history/pane/tests/PaneTestWindow.h"
#include "history/tests/HistoryTestData.h"
#include "testkit/Bitmaps.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"

using namespace bench;

namespace {

const int kDefaultItems = 5000;
// More than any run writes: every row gets a time of its own below it.
const int kMaxItems = 1000000;
const int kMaxPages = 300;
const int kOpenings = 5;
// Passes through the list, the pane and the plain list in turn: the machine's other work
// shows in one pass, a slow page in each.
const int kPasses = 3;
const int kHugeRow = 60;  // the 10000 x 10000 picture, within the first pages scrolled

const wchar_t* const kPrograms[] = {L"notepad.exe", L"WINWORD.EXE", L"chrome.exe", L"explorer.exe", L""};

CHistoryHandlerSettings BenchHistorySettings() {
    CHistoryHandlerSettings settings;
    settings.historyMax = kMaxItems;
    settings.saveHistory = true;
    settings.spyMethod = CSMO_ADDCLIPBOARDLISTENER;
    return settings;
}

// ---------------------------------------------------------------------------------------
// The history on disk

// Row 0 is the newest item; each row's item is a second newer than the one below it, so
// that the loaded history keeps the rows in this order.
void SetRowTime(CFakeClock& clock, int row) {
    SYSTEMTIME base = {2026, 3, 4, 5, 8, 0, 0, 0};
    FILETIME file = {};
    SystemTimeToFileTime(&base, &file);
    ULARGE_INTEGER value = {};
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(kMaxItems - row) * 10000000ull;
    file.dwLowDateTime = value.LowPart;
    file.dwHighDateTime = value.HighPart;
    FileTimeToSystemTime(&file, &clock.localTime);
}

std::unique_ptr<CCHItem> AnsiItem(int kind, const std::string& text, IClock& clock) {
    auto item = CCHItem::Create(kind, nullptr, clock);
    item->SetData(text.c_str(), static_cast<DWORD>(text.size() + 1));
    return item;
}

std::unique_ptr<CCHItem> WideItem(const std::wstring& text, IClock& clock) {
    auto item = CCHItem::Create(CClipboardItemData::kUnicodeText, nullptr, clock);
    item->SetData(text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    return item;
}

// Words and line breaks, as a copied document has them, to the given length.
std::string Prose(int row, size_t length) {
    static const char* const words[] = {"clipboard ", "history ",  "pane ",    "the ", "of ",      "window ",
                                        "list ",      "scrolled ", "text\r\n", "and ", "picture ", "row "};
    std::string text = "Row " + std::to_string(row) + ": ";
    for (size_t i = static_cast<size_t>(row); text.size() < length; ++i) text += words[i % 12];
    text.resize(length);
    return text;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// A picture as a screenshot tool puts it on the clipboard: 24-bit colour, or 8-bit for the
// huge one (a 24-bit one of that size is more than the history keeps).
std::unique_ptr<CCHItem> BitmapItem(int row, int width, int height, WORD bits, IClock& clock) {
    RGBQUAD colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0};
    BYTE* bytes = nullptr;
    CBitmapHandle bitmap = testkit::MakeDibSection(width, height, bits, colors, bits == 8 ? 256 : 0, &bytes);
    if (!bitmap) return nullptr;
    const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) & ~static_cast<size_t>(3);
    for (size_t y = 0; y < static_cast<size_t>(height); ++y)
        for (size_t x = 0; x < stride; ++x) bytes[y * stride + x] = static_cast<BYTE>(x * 7 + y * 3 + row * 13);
    GdiFlush();
    auto item = CCHItem::Create(CClipboardItemData::kBitmap, nullptr, clock);
    item->SetBitmap(bitmap.release());
    return item;
}

// A browser's copy: the page's text with its HTML beside it.
std::unique_ptr<CCHItem> WebPageItem(const std::string& text, IClock& clock) {
    auto item = WideItem(Wide(text), clock);
    item->AddCompanion(
        std::shared_ptr<CCHItem>(AnsiItem(CClipboardItemData::kHtml, "Version:0.9\r\n<p>" + text + "</p>", clock)));
    item->Set_URL(L"https://example.org/page");
    return item;
}

// 64 KB, 256 KB or 1 MB of text as plain 8-bit text, Unicode text, formatted text with its
// plain companions or a web page.
std::unique_ptr<CCHItem> LongTextItem(int row, int n, IClock& clock) {
    static const size_t sizes[] = {64 * 1024, 256 * 1024, 1024 * 1024};
    const std::string text = Prose(row, sizes[n % 3]);
    switch (n % 4) {
        case 0:
            return AnsiItem(CClipboardItemData::kText, text, clock);
        case 1:
            return WideItem(Wide(text), clock);
        case 2: {
            auto item = AnsiItem(CClipboardItemData::kRtf, "{\\rtf1\\ansi " + text + "}", clock);
            item->AddCompanion(std::shared_ptr<CCHItem>(WideItem(Wide(text), clock)));
            return item;
        }
        default:
            return WebPageItem(text, clock);
    }
}

std::unique_ptr<CCHItem> ShortItem(int row, IClock& clock) {
    const std::string text = Prose(row, 20 + static_cast<size_t>(row * 37 % 300));
    switch (row % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4: {
            auto item = WideItem(Wide(text) + L" \x041F\x0440\x0438", clock);
            item->SetWindowTitle(L"\x0420\x0435\x0434\x0430\x043A\x0442\x043E\x0440");
            return item;
        }
        case 5:
            return AnsiItem(CClipboardItemData::kText, text, clock);
        case 6: {
            auto item = AnsiItem(CClipboardItemData::kRtf, "{\\rtf1\\ansi {\\b " + text + "}}", clock);
            item->AddCompanion(std::shared_ptr<CCHItem>(AnsiItem(CClipboardItemData::kText, text, clock)));
            item->AddCompanion(std::shared_ptr<CCHItem>(WideItem(Wide(text), clock)));
            return item;
        }
        case 7:
        case 8:
            return WebPageItem(text, clock);
        default: {
            auto item = AnsiItem(CClipboardItemData::kDorvane, text, clock);
            item->SetMetaText("<DvnClip><Title>Clip " + std::to_string(row) + "</Title></DvnClip>");
            return item;
        }
    }
}

std::unique_ptr<CCHItem> RowItem(int row, IClock& clock) {
    std::unique_ptr<CCHItem> item;
    if (row == kHugeRow)
        item = BitmapItem(row, 10000, 10000, 8, clock);
    else if (row % 250 == 7)
        item = BitmapItem(row, 320, 200, 24, clock);
    else if (row % 97 == 13)
        item = LongTextItem(row, row / 97, clock);
    else
        item = ShortItem(row, clock);
    if (!item) return item;
    item->SetProgramName(kPrograms[row % 5]);
    if (row % 50 == 3) item->SetProtectedFlag(true);
    return item;
}

int WriteHistory(const CString& folder, int items) {
    CFakeClock clock;
    CCHFileWriter writer(folder);
    int written = 0;
    for (int row = items - 1; row >= 0; --row) {
        SetRowTime(clock, row);
        auto item = RowItem(row, clock);
        if (item && writer.WriteItem(*item)) ++written;
    }
    return written;
}

// ---------------------------------------------------------------------------------------
// The plain list: the same rows as texts through LVN_GETDISPINFO and nothing else.

class CPlainList {
public:
    CPlainList(CVXLWndClipboardHandler& history, const RECT& rect, const RECT& listRect) : m_history(history) {
        static const bool registered = Register();
        if (!registered) return;
        m_frame = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"VexloraPaneBenchPlain", L"plain",
                                  WS_POPUP | WS_CLIPCHILDREN, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (!m_frame) return;
        m_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                                 WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER, listRect.left,
                                 listRect.top, listRect.right - listRect.left, listRect.bottom - listRect.top, m_frame,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!m_list) return;
        SendMessageW(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        RECT client = {};
        GetClientRect(m_list, &client);
        column.cx = client.right;
        ListView_InsertColumn(m_list, 0, &column);
        ListView_SetItemCountEx(m_list, m_history.Get_Items_Count(), 0);
        ShowWindow(m_frame, SW_SHOW);
    }
    ~CPlainList() {
        if (m_frame) DestroyWindow(m_frame);
    }
    CPlainList(const CPlainList&) = delete;
    CPlainList& operator=(const CPlainList&) = delete;

    HWND Frame() const { return m_frame; }
    HWND List() const { return m_list; }

private:
    static bool Register() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &CPlainList::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
        windowClass.lpszClassName = L"VexloraPaneBenchPlain";
        return RegisterClassW(&windowClass) != 0;
    }
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        } else if (message == WM_NOTIFY) {
            auto* self = reinterpret_cast<CPlainList*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (self && header->code == LVN_GETDISPINFOW)
                self->OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    void OnGetDispInfo(NMLVDISPINFOW& info) {
        const CCHItem* item = m_history.Get_Item(info.item.iItem);
        if (!item || !(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
        const CString text = GetMenuText(*item);
        lstrcpynW(info.item.pszText, text, info.item.cchTextMax);
    }

    CVXLWndClipboardHandler& m_history;
    HWND m_frame = nullptr;
    HWND m_list = nullptr;
};

// ---------------------------------------------------------------------------------------
// Measuring

struct CScrollRun {
    std::vector<double> pages;
    std::vector<int> tops;  // the top row after each page
    int rowsPerPage = 0;
};

double PaintList(HWND list) {
    const double start = NowMs();
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return NowMs() - start;
}

CScrollRun ScrollThrough(HWND list) {
    CScrollRun run;
    run.rowsPerPage = ListView_GetCountPerPage(list);
    int top = ListView_GetTopIndex(list);
    for (int page = 0; page < kMaxPages; ++page) {
        const double start = NowMs();
        SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
        UpdateWindow(list);
        const double elapsed = NowMs() - start;
        const int newTop = ListView_GetTopIndex(list);
        if (newTop == top) break;
        top = newTop;
        run.pages.push_back(elapsed);
        run.tops.push_back(newTop);
    }
    return run;
}

std::vector<double> AllPages(const std::vector<CScrollRun>& runs) {
    std::vector<double> pages;
    for (const CScrollRun& run : runs) pages.insert(pages.end(), run.pages.begin(), run.pages.end());
    return pages;
}

// Each page's median over the passes, for the pages every pass reached.
CScrollRun MedianRun(const std::vector<CScrollRun>& runs) {
    CScrollRun median = runs.front();
    size_t pages = median.pages.size();
    for (const CScrollRun& run : runs) pages = std::min(pages, run.pages.size());
    median.pages.resize(pages);
    median.tops.resize(pages);
    for (size_t page = 0; page < pages; ++page) {
        std::vector<double> times;
        for (const CScrollRun& run : runs) times.push_back(run.pages[page]);
        median.pages[page] = Summarise(times).median;
    }
    return median;
}

// Each step of an opening; firstPaint is all of them.
struct COpening {
    double create = 0;
    double posted = 0;
    double expand = 0;
    double listPaint = 0;
    double firstPaint = 0;
};

COpening OpenPane(CVXLFloatPane& pane, CVXLWndClipboardHandler& history) {
    COpening opening;
    const double start = NowMs();
    if (!pane.Create(history, true, false)) return opening;
    opening.create = NowMs() - start;
    // What the creation posted (the list shown, the collapse at start) comes first, as
    // in the program's message loop.
    PumpMessages();
    opening.posted = NowMs() - start - opening.create;
    const double expandStart = NowMs();
    SendMessageW(pane, WM_VXL_PANE_SET_COLLAPSED, 0, 0);
    UpdateWindow(pane);
    opening.expand = NowMs() - expandStart;
    opening.listPaint = PaintList(pane.GetListWindow());
    opening.firstPaint = NowMs() - start;
    return opening;
}

COpening OpenPlain(std::unique_ptr<CPlainList>& plain, CVXLWndClipboardHandler& history, const RECT& rect,
                   const RECT& listRect) {
    COpening opening;
    const double start = NowMs();
    plain = std::make_unique<CPlainList>(history, rect, listRect);
    if (!plain->List()) return opening;
    opening.create = NowMs() - start;
    PumpMessages();
    UpdateWindow(plain->Frame());
    opening.posted = NowMs() - start - opening.create;
    opening.listPaint = PaintList(plain->List());
    opening.firstPaint = NowMs() - start;
    return opening;
}

void PrintRow(const char* name, const std::vector<double>& values) {
    const CFigures figures = Summarise(values);
    std::printf("%-34s %8.1f %8.1f %8.1f\n", name, figures.min, figures.median, figures.max);
}

void PrintRow(const char* name, const std::vector<COpening>& openings, double COpening::*step) {
    std::vector<double> values;
    for (const COpening& opening : openings) values.push_back(opening.*step);
    PrintRow(name, values);
}

CString DescribeRow(CVXLWndClipboardHandler& history, int row) {
    const CCHItem* item = history.Get_Item(row);
    if (!item) return L"-";
    CString text;
    if (item->Kind() == CClipboardItemData::kBitmap) {
        BITMAP shape = {};
        GetObjectW(item->Bitmap(), sizeof shape, &shape);
        text.Format(L"row %d picture %ldx%ld", row, shape.bmWidth, shape.bmHeight);
    } else {
        text.Format(L"row %d kind %d %lu bytes", row, item->Kind(), item->Size());
    }
    return text;
}

// The pages that took longest, with the largest item each showed.
void PrintSlowestPages(const char* name, const CScrollRun& run, CVXLWndClipboardHandler& history) {
    std::vector<size_t> order(run.pages.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&run](size_t a, size_t b) { return run.pages[a] > run.pages[b]; });
    std::printf("slowest pages of the %s (medians of the passes):\n", name);
    for (size_t i = 0; i < order.size() && i < 5; ++i) {
        const int top = run.tops[order[i]];
        int largest = top;
        DWORD largestSize = 0;
        for (int row = top; row < top + run.rowsPerPage + 1; ++row) {
            const CCHItem* item = history.Get_Item(row);
            const DWORD size = !item ? 0 : item->Kind() == CClipboardItemData::kBitmap ? 0xFFFFFFFF : item->Size();
            if (item && size >= largestSize) {
                largestSize = size;
                largest = row;
            }
        }
        std::printf("  %8.1f ms  rows %d..%d, largest: %ls\n", run.pages[order[i]], top, top + run.rowsPerPage,
                    DescribeRow(history, largest).GetString());
    }
}

// The row text the pane asks for up to three times per row painted (the list's text, the
// state before and after the row's drawing), for every item of the history, by the kind
// of item and whether its text is long.
void PrintRowTextCosts(CVXLWndClipboardHandler& history) {
    static const char* const kindNames[] = {"8-bit", "Unicode", "formatted", "Dorvane", "picture", "web page"};
    std::vector<double> costs[2][6];
    for (int row = 0; row < history.Get_Items_Count(); ++row) {
        const CCHItem& item = *history.Get_Item(row);
        const double start = NowMs();
        const CString text = GetMenuText(item);
        const double cost = NowMs() - start;
        if (item.Kind() >= 0 && item.Kind() < 6) costs[item.Size() > 60000 ? 1 : 0][item.Kind()].push_back(cost);
    }
    std::printf("row text of one item (ms):\n");
    for (int longText = 0; longText < 2; ++longText)
        for (int kind = 0; kind < 6; ++kind) {
            if (costs[longText][kind].empty()) continue;
            const CFigures figures = Summarise(costs[longText][kind]);
            std::printf("  %-10s %-18s %5d items  median %8.3f  max %8.3f\n", kindNames[kind],
                        longText ? "64 KB to 1 MB" : "short", static_cast<int>(costs[longText][kind].size()),
                        figures.median, figures.max);
        }
}

}  // namespace

// An optional argument: the number of items (5,000 unless given).
// The system's desktop with no window to paste into: the bench never pastes.
class CBenchDesktop : public CSystemPaneDesktop {
public:
    HWND GetTargetWindowOther() override { return nullptr; }
};

int wmain(int argc, wchar_t** argv) {
    const int items = argc > 1 && _wtoi(argv[1]) > 0 ? _wtoi(argv[1]) : kDefaultItems;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The settings file the pane remembers its place in; asking for its path creates it.
    const CString settingsFile = GetProgramFolder() + GetSettingsFileName();
    const bool settingsExisted = GetFileAttributesW(settingsFile) != INVALID_FILE_ATTRIBUTES;

    const CString top = testkit::MakeUniqueTempFolder(L"pane_bench");
    const CString folder = top + L"\\ClipboardHistory\\";
    CreateDirectoryW(folder, nullptr);

    double start = NowMs();
    const int written = WriteHistory(folder, items);
    std::printf("history written: %d items in %.0f ms\n", written, NowMs() - start);

    CFakeClipboard clipboard;
    CFakeClock clock;
    historytest::CSilentNotices notices;
    CClipboardSpy spy(clipboard, notices);
    HWND parent = CreateWindowExW(0, L"STATIC", L"tray", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    auto history = std::make_unique<CVXLWndClipboardHandler>(clipboard, clock, spy, folder);
    history->SetSettingsSource(&BenchHistorySettings);
    start = NowMs();
    if (!parent || !history->Create(parent, static_cast<UINT>(kHistoryControlId), true)) {
        std::printf("the history handler was not created\n");
        testkit::RemoveTree(top);
        return 1;
    }
    while (history->IsDiskBusy() || history->Get_Items_Count() < written) {
        PumpMessages();
        if (NowMs() - start > 600000) break;
        Sleep(5);
    }
    std::printf("history loaded: %d items in %.0f ms\n", history->Get_Items_Count(), NowMs() - start);
    PrintRowTextCosts(*history);

    CNoMenuHost host;
    CBenchDesktop desktop;
    std::vector<COpening> paneOpenings, plainOpenings;
    RECT paneRect = {}, listRect = {};
    for (int i = 0; i < kOpenings; ++i) {
        CVXLFloatPane pane(nullptr, host, CHistoryListHelp{L"Channel", L"https://t.me/x"}, desktop);
        paneOpenings.push_back(OpenPane(pane, *history));
        GetWindowRect(pane, &paneRect);
        GetWindowRect(pane.GetListWindow(), &listRect);
        MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&listRect), 2);
        pane.DestroyWindow();
        PumpMessages();
    }
    // The plain list's frame has no caption either: its list takes the pane list's place.
    for (int i = 0; i < kOpenings; ++i) {
        std::unique_ptr<CPlainList> plain;
        plainOpenings.push_back(OpenPlain(plain, *history, paneRect, listRect));
        plain.reset();
        PumpMessages();
    }

    std::vector<CScrollRun> paneRuns, plainRuns;
    for (int pass = 0; pass < kPasses; ++pass) {
        CVXLFloatPane pane(nullptr, host, CHistoryListHelp{L"Channel", L"https://t.me/x"}, desktop);
        OpenPane(pane, *history);
        paneRuns.push_back(ScrollThrough(pane.GetListWindow()));
        pane.DestroyWindow();
        PumpMessages();
        std::unique_ptr<CPlainList> plain;
        OpenPlain(plain, *history, paneRect, listRect);
        plainRuns.push_back(ScrollThrough(plain->List()));
        plain.reset();
        PumpMessages();
    }
    const CScrollRun paneRun = MedianRun(paneRuns), plainRun = MedianRun(plainRuns);

    std::printf("\n%d items; the list %ld x %ld pixels; rows per page: pane %d, plain list %d\n",
                history->Get_Items_Count(), listRect.right - listRect.left, listRect.bottom - listRect.top,
                paneRun.rowsPerPage, plainRun.rowsPerPage);
    std::printf("pages scrolled: pane %d, plain list %d\n\n", static_cast<int>(paneRun.pages.size()),
                static_cast<int>(plainRun.pages.size()));
    std::printf("%-34s %8s %8s %8s  (ms)\n", "", "min", "median", "max");
    std::printf("first opening: pane %.1f ms, plain list %.1f ms\n", paneOpenings.front().firstPaint,
                plainOpenings.front().firstPaint);
    PrintRow("pane: open to first paint", paneOpenings, &COpening::firstPaint);
    PrintRow("  its window created", paneOpenings, &COpening::create);
    PrintRow("  what the creation posted", paneOpenings, &COpening::posted);
    PrintRow("  expanded and painted", paneOpenings, &COpening::expand);
    PrintRow("  its list painted again", paneOpenings, &COpening::listPaint);
    PrintRow("plain list: open to first paint", plainOpenings, &COpening::firstPaint);
    PrintRow("  its windows created", plainOpenings, &COpening::create);
    PrintRow("  shown and painted", plainOpenings, &COpening::posted);
    PrintRow("  its list painted again", plainOpenings, &COpening::listPaint);
    PrintRow("pane: one page down", AllPages(paneRuns));
    PrintRow("plain list: one page down", AllPages(plainRuns));
    PrintRow("pane: one page down, page's median", paneRun.pages);
    PrintRow("plain list: same", plainRun.pages);
    const double paneMedian = Summarise(AllPages(paneRuns)).median;
    const double plainMedian = Summarise(AllPages(plainRuns)).median;
    std::printf("page down, pane / plain list (medians): %.1f; per row: pane %.1f ms, plain list %.1f ms\n\n",
                plainMedian > 0 ? paneMedian / plainMedian : 0.0,
                paneRun.rowsPerPage > 0 ? paneMedian / paneRun.rowsPerPage : 0.0,
                plainRun.rowsPerPage > 0 ? plainMedian / plainRun.rowsPerPage : 0.0);
    PrintSlowestPages("pane", paneRun, *history);
    PrintSlowestPages("plain list", plainRun, *history);

    history.reset();
    DestroyWindow(parent);
    testkit::RemoveTree(top);
    // The bench leaves no settings file behind where there was none.
    IniFlushCache();
    if (!settingsExisted) DeleteFileW(settingsFile);
    return paneRun.pages.empty() || plainRun.pages.empty() ? 1 : 0;
}
