#include "history/ClipboardHandler.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/ClipboardAccess.h"
#include "core/MyCopyGuard.h"
#include "core/Settings.h"
#include "core/TrayIds.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"
#include "history/ClipFormats.h"
#include "history/HistoryFiles.h"

namespace {

const wchar_t kHandlerClassName[] = L"VexloraClipboardHistory";
// wParam of WM_VXL_HISTORY_SAVE_NOW from the save thread when it ends.
const WPARAM kSaveEnded = 1;

UINT RegisterOnce(const wchar_t* name) {
    return RegisterWindowMessageW(name);
}

ATOM RegisterHandlerClass(HINSTANCE instance) {
    static ATOM atom = 0;
    if (atom) return atom;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &wincore::StartWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kHandlerClassName;
    atom = RegisterClassExW(&windowClass);
    return atom;
}

CString ErrorTextOf(DWORD code) {
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    CString text = buffer ? buffer : L"";
    if (buffer) LocalFree(buffer);
    text.TrimRight();
    return text;
}

// The one event that makes saves and loads of all instances take turns.
HANDLE SaveLoadEvent() {
    static HANDLE event = CreateSharedEvent(kSaveLoadHistoryEventName, true, true);
    return event;
}

// A text format's bytes up to its first terminator (bounded by the block), with one
// terminator of the format's width added: the clipboard block may be larger than the
// text or, from a careless owner, lack the terminator.
std::vector<BYTE> TextWithTerminator(const std::vector<BYTE>& bytes, size_t charSize) {
    size_t length = 0;
    const size_t chars = bytes.size() / charSize;
    while (length < chars) {
        bool zero = true;
        for (size_t b = 0; b < charSize; ++b) zero = zero && bytes[length * charSize + b] == 0;
        if (zero) break;
        ++length;
    }
    std::vector<BYTE> text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length * charSize));
    text.resize(text.size() + charSize, 0);
    return text;
}

// A device-independent bitmap of our own from a packed DIB (CF_DIB): the system makes one
// from any bitmap on the clipboard, and reading it needs no handle of the clipboard's.
HBITMAP BitmapFromPackedDib(const std::vector<BYTE>& dib) {
    if (dib.size() < sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPINFOHEADER header;
    memcpy(&header, dib.data(), sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > dib.size() || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biPlanes != 1)
        return nullptr;
    const DWORD bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return nullptr;
    size_t colors = header.biClrUsed;
    if (colors == 0 && bits <= 8) colors = size_t(1) << bits;
    if (colors > 256) return nullptr;
    size_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    const size_t tableBytes = header.biSize + masks + colors * sizeof(RGBQUAD);
    const unsigned long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    const unsigned long long stride = ((static_cast<unsigned long long>(header.biWidth) * bits + 31) / 32) * 4;
    const unsigned long long imageBytes = stride * height;
    if (tableBytes > dib.size() || imageBytes > dib.size() - tableBytes) return nullptr;
    void* pixels = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap || !pixels) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    memcpy(pixels, dib.data() + tableBytes, static_cast<size_t>(imageBytes));
    GdiFlush();
    return bitmap;
}

// ---------------------------------------------------------------------------------------
// The workers

struct SaveJob {
    CString folder;
    CCHItemList copies;
    HWND handler;
    std::atomic<int>* jobs;
};

DWORD SaveThread(SaveJob& job) {
    HANDLE event = SaveLoadEvent();
    if (event) {
        WaitForSingleObject(event, INFINITE);
        ResetEvent(event);
    }
    CCHFileWriter writer(job.folder);
    int written = 0;
    for (auto& copy : job.copies) {
        if (!writer.WriteItem(*copy)) {
            LogError(L"CVXLWndClipboardHandler: an item of the history could not be written to " + job.folder);
            continue;
        }
        ++written;
        // An item dropped by the limit or removed while it was being written has nobody
        // left to delete its files.
        if (!SendMessageW(job.handler, HistoryItemSavedMessage(), 0, reinterpret_cast<LPARAM>(copy.get()))) {
            copy->DeleteFiles();
            --written;
        }
    }
    LogWriteFormat(L"CVXLWndClipboardHandler: %d of %d history items saved", written,
                   static_cast<int>(job.copies.size()));
    job.copies.clear();
    if (event) SetEvent(event);
    // Saves requested meanwhile waited for this one: they may start now.
    PostMessageW(job.handler, WM_VXL_HISTORY_SAVE_NOW, kSaveEnded, 0);
    --*job.jobs;
    return 0;
}

struct LoadJob {
    CString folder;
    HWND handler;
    IClock* clock;
    std::atomic<int>* jobs;
};

DWORD LoadThread(LoadJob& job) {
    HANDLE event = SaveLoadEvent();
    if (event) ResetEvent(event);
    CCHQueue loaded(job.folder, *job.clock);
    const int count = LoadHistoryFolder(job.folder, loaded);
    LogWriteFormat(L"CVXLWndClipboardHandler: %d history items loaded", count);
    if (loaded.Count() > 0)
        SendMessageW(job.handler, HistoryLoadedQueueMessage(), 0, reinterpret_cast<LPARAM>(&loaded));
    if (event) SetEvent(event);
    --*job.jobs;
    return 0;
}

}  // namespace

UINT HistoryAddItemMessage() {
    static const UINT message = RegisterOnce(L"{540F133E-3D6B-49e4-87A5-C19CA88FC341}");
    return message;
}

UINT HistoryItemUpdateMessage() {
    static const UINT message = RegisterOnce(L"{30462FA5-8E5D-4702-A0CD-6C06742AD9BC}");
    return message;
}

UINT HistoryItemSavedMessage() {
    static const UINT message = RegisterOnce(L"{F762C94C-9D69-4a96-B8FD-7F53F4157D13}");
    return message;
}

UINT HistoryLoadedQueueMessage() {
    static const UINT message = RegisterOnce(L"{278BB95C-BECC-4945-9CDF-98E5CDC69FEF}");
    return message;
}

CHistoryHandlerSettings CHistoryHandlerSettings::FromProgramSettings() {
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    CHistoryHandlerSettings result;
    result.historyMax = settings.ClipboardHistoryMax;
    result.saveHistory = settings.SaveClipboardHistory;
    result.spyMethod = settings.ClipboardSpyMethod;
    for (int i = 0; i < 5; ++i) result.switches.on[i] = settings.ClipboardFormats[i];
    return result;
}

CVXLWndClipboardHandler::CVXLWndClipboardHandler(IClipboard& clipboard, IClock& clock, CClipboardSpy& spy,
                                                 const wchar_t* folder)
    : m_clipboard(clipboard), m_clock(clock), m_spy(spy), m_folder(folder), m_queue(folder, clock) {
    if (!m_folder.IsEmpty() && m_folder.Right(1) != L"\\") m_folder += L"\\";
    CListenerRegistry1::GetInstance().Register(this);
}

CVXLWndClipboardHandler::~CVXLWndClipboardHandler() {
    CListenerRegistry1::GetInstance().Unregister(this);
    m_spy.RemoveObserver(this);
    if (m_window) Destroy();
}

bool CVXLWndClipboardHandler::Create(HWND parent, UINT controlId, bool loadAtCreate) {
    if (m_window) return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_controlId = controlId;
    m_loadAtCreate = loadAtCreate;
    if (!RegisterHandlerClass(instance)) {
        m_lastError = GetLastError();
    } else {
        wincore::CCreationHook hook(this);
        CreateWindowExW(0, kHandlerClassName, L"", WS_CHILD, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)), instance, nullptr);
        if (!m_window && !m_lastError) m_lastError = GetLastError();
    }
    if (!m_window) {
        CString text;
        text.Format(L"Clipboad History\nError code: %lu ", m_lastError);
        LogError(text + ErrorTextOf(m_lastError));
        return false;
    }
    // A lock left by a paste that ended before the window existed must not hide the
    // user's next copy.
    ResetMyCopyGuard();
    return true;
}

void CVXLWndClipboardHandler::Destroy() {
    if (m_window) DestroyWindow(m_window);
}

void CVXLWndClipboardHandler::WaitForDiskJobs(DWORD timeoutMs) {
    // The workers send their results to this thread, so the wait must let sent messages in.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (m_diskJobs.load() != 0 && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (m_diskJobs.load() != 0) LogError(L"CVXLWndClipboardHandler: the history is still being written or read");
}

BOOL CVXLWndClipboardHandler::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE:
            result = OnCreate();
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return TRUE;
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_VXL_HISTORY_SAVE_NOW:
            OnSaveNow(wParam == kSaveEnded);
            return TRUE;
        case WM_DELAY_UNLOCK:
            OnDelayUnlock();
            LogWriteFormat(L"WM_DELAY_UNLOCK received bIsMyCopy=%d", IsMyCopyActive() ? 1 : 0);
            return TRUE;
        default:
            break;
    }
    if (message == HistoryLoadedQueueMessage()) {
        OnLoadedQueue(reinterpret_cast<CCHQueue*>(lParam));
    } else if (message == HistoryItemSavedMessage()) {
        result = OnItemSaved(reinterpret_cast<const CCHItem*>(lParam)) ? 1 : 0;
        return TRUE;
    } else if (message == HistoryAddItemMessage()) {
        // The item is handed over: the history owns it from here.
        std::unique_ptr<CCHItem> item(reinterpret_cast<CCHItem*>(lParam));
        if (item) m_queue.Add(std::move(item), Settings().historyMax);
    } else if (message == HistoryItemUpdateMessage()) {
        OnItemUpdate(reinterpret_cast<const CCHItem*>(lParam));
    } else {
        return FALSE;
    }
    result = 1;
    return TRUE;
}

LRESULT CVXLWndClipboardHandler::OnCreate() {
    m_stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stopEvent) {
        m_lastError = GetLastError();
        LogError(L"Clipboad History\nError code: " + ErrorTextOf(m_lastError));
        return -1;
    }
    if (!CreateCopyEvents() || !StartCopyEventWatchers(m_stopEvent.get()))
        LogError(L"CVXLWndClipboardHandler: the copy events are not watched");
    if (!InstallWatcher()) {
        m_lastError = ERROR_INVALID_FUNCTION;
        return -1;
    }
    if (m_loadAtCreate && Settings().saveHistory && !StartLoad())
        LogError(L"CVXLWndClipboardHandler: cannot start the load of the history");
    Capture(kHistoryFirstCapture, nullptr);
    return 0;
}

bool CVXLWndClipboardHandler::InstallWatcher() {
    const int method = ResolveClipboardSpyMethod(Settings().spyMethod, SystemClipboardNotices());
    if (method != CSMO_ADDCLIPBOARDLISTENER && method != CSMO_SETCLIPBOARDVIEWER) {
        LogError(L"CVXLWndClipboardHandler: no clipboard watch method for the setting");
        return false;
    }
    m_spy.ClearObservers();
    m_spy.SetObserver(this, 0);
    if (!m_spy.IsInstalled() &&
        !m_spy.Install(method == CSMO_ADDCLIPBOARDLISTENER ? 1 : 0, GetModuleHandleW(nullptr), m_window)) {
        LogError(L"CVXLWndClipboardHandler: the clipboard watcher cannot be installed");
        return false;
    }
    m_watcherMode = m_spy.GetMethod() == CSMO_ADDCLIPBOARDLISTENER ? 2 : 3;
    return true;
}

void CVXLWndClipboardHandler::OnDestroy() {
    // What the user changed last and what is being written now reach the disk before the
    // window goes (the program may be ending).
    if (KillTimer(m_window, kSaveTimerId)) OnSaveNow(false);
    WaitForDiskJobs(10000);
    if (m_saveAgain && m_diskJobs.load() == 0) {
        m_saveRunning = m_saveAgain = false;
        OnSaveNow(false);
        WaitForDiskJobs(10000);
    }
    if (m_stopEvent) SetEvent(m_stopEvent.get());
    m_stopEvent.reset();
    CloseCopyEvents();
    // The watcher is a child of this window and goes with it.
    m_spy.RemoveObserver(this);
    m_spy.Uninstall();
    m_watcherMode = 0;
}

// ---------------------------------------------------------------------------------------
// Capture

void CVXLWndClipboardHandler::OnClipboardChanged(HWND source, DWORD) {
    Capture(kHistoryCaptured, source);
}

void CVXLWndClipboardHandler::OnClipboardSpyStateChanged(DWORD) {
    NotifyListeners2(nullptr, 0, m_window != nullptr);
    // A box here would steal the focus from the program the user copies in.
    LogError(L"CVXLWndClipboardHandler::_OnClipboardSpyStateChanged");
}

void CVXLWndClipboardHandler::OnHistoryEvent(DWORD a, DWORD) {
    if (a != 0) return;
    for (const auto& item : m_queue.Items()) item->Set_Menu_Hint(L"");
}

void CVXLWndClipboardHandler::Capture(DWORD reason, HWND source) {
    if (IsMyCopyActive() || IsClipboardChangeOurs()) {
        LogWrite(L"My copy process detected");
        return;
    }
    if (m_ownPutSequence != 0 && m_clipboard.SequenceNumber() == m_ownPutSequence) {
        LogWrite(L"CVXLWndClipboardHandler: the clipboard holds what the history put there");
        return;
    }
    if (m_queue.IsFrozen()) {
        LogWrite(L"CVXLWndClipboardHandler: the history is frozen for a menu; the copy is not kept");
        return;
    }
    if (!m_clipboard.Open(m_window, kClipboardOpenTimeoutMs)) {
        LogError(L"CVXLWndClipboardHandler: the clipboard stays shut; the copy is not kept");
        return;
    }
    std::unique_ptr<CCHItem> item;
    const std::vector<UINT> formats = m_clipboard.Formats();
    if (IsCopyMarkedPrivate(m_clipboard, formats)) {
        LogWrite(L"CVXLWndClipboardHandler: a copy marked as private was skipped");
    } else {
        item = ReadMainItem(ReadCaptureOffer(formats), source);
    }
    m_clipboard.Close();
    if (!item) return;
    const CHistoryHandlerSettings settings = Settings();
    if (!IsKindCaptured(item->Kind(), settings.switches)) return;
    if (!m_queue.Add(std::move(item), settings.historyMax)) return;
    NotifyParent(kHistoryNotifyChanged, reason);
    if (m_window) PostMessageW(m_window, WM_VXL_HISTORY_SAVE_NOW, 0, 0);
}

std::unique_ptr<CCHItem> CVXLWndClipboardHandler::ReadMainItem(const CCaptureOffer& offer, HWND source) {
    std::unique_ptr<CCHItem> item;
    for (CaptureSource candidate : MainCaptureCandidates(offer)) {
        item = ReadFormat(candidate, source);
        if (item && candidate == CaptureSource::kAnsiText) item = AnsiAsUnicode(*item, source);
        if (item) break;
    }
    if (!item) return nullptr;
    if (item->Kind() == CClipboardItemData::kDorvane && offer.dorvaneMeta) {
        std::string meta;
        if (ReadDvnMetaInfo(m_clipboard, false, meta)) item->SetMetaText(std::move(meta));
        LogWriteFormat(L"Dorvane Meta Info=%d", offer.dorvaneMeta ? 1 : 0);
    }
    const CCaptureSwitches switches = Settings().switches;
    for (int kind : CompanionKinds(item->Kind(), offer, switches)) {
        CaptureSource companionSource = CaptureSource::kAnsiText;
        if (kind == CClipboardItemData::kRtf) companionSource = CaptureSource::kRtf;
        if (kind == CClipboardItemData::kBitmap) companionSource = CaptureSource::kBitmap;
        if (kind == CClipboardItemData::kHtml) companionSource = CaptureSource::kHtml;
        std::unique_ptr<CCHItem> companion = ReadFormat(companionSource, source);
        if (companion) item->AddCompanion(std::shared_ptr<CCHItem>(companion.release()));
    }
    return item;
}

// 8-bit text as the main item is kept as Unicode text, converted with the system's code
// page, which the item remembers.
std::unique_ptr<CCHItem> CVXLWndClipboardHandler::AnsiAsUnicode(const CCHItem& ansi, HWND source) {
    const UINT codePage = GetACP();
    const char* text = reinterpret_cast<const char*>(ansi.Data());
    const int length = static_cast<int>(ansi.Size()) - 1;
    const int units = length > 0 ? MultiByteToWideChar(codePage, 0, text, length, nullptr, 0) : 0;
    if (units <= 0) return nullptr;
    std::vector<wchar_t> wide(static_cast<size_t>(units) + 1, L'\0');
    MultiByteToWideChar(codePage, 0, text, length, wide.data(), units);
    LogWrite(L"CVXLWndClipboardHandler: the copy had 8-bit text only; it is kept as Unicode text");
    auto item = CCHItem::Create(CClipboardItemData::kUnicodeText, source, m_clock);
    if (!item->SetData(wide.data(), static_cast<DWORD>(wide.size() * sizeof(wchar_t)), codePage)) return nullptr;
    item->Set_URL(ansi.Get_URL());
    return item;
}

std::unique_ptr<CCHItem> CVXLWndClipboardHandler::ReadFormat(CaptureSource source, HWND sourceWindow) {
    const UINT format = source == CaptureSource::kBitmap ? static_cast<UINT>(CF_DIB) : FormatOfSource(source);
    std::vector<BYTE> bytes;
    if (!m_clipboard.Read(format, bytes)) return nullptr;
    if (bytes.size() > kMaxCapturedFormatBytes) {
        CString text;
        text.Format(L"CVXLWndClipboardHandler: a copy of %u bytes is larger than the history keeps",
                    static_cast<unsigned>(bytes.size()));
        LogError(text);
        return nullptr;
    }
    int kind = KindOfSource(source);
    std::vector<BYTE> data;
    switch (source) {
        case CaptureSource::kBitmap: {
            HBITMAP bitmap = BitmapFromPackedDib(bytes);
            if (!bitmap) return nullptr;
            auto item = CCHItem::Create(kind, sourceWindow, m_clock);
            item->SetBitmap(bitmap);
            item->Set_URL(GetHtmlSourceUrl(m_clipboard));
            return item;
        }
        case CaptureSource::kDorvane:
            data = std::move(bytes);
            break;
        case CaptureSource::kUnicodeText:
            data = TextWithTerminator(bytes, sizeof(wchar_t));
            break;
        case CaptureSource::kAnsiText:
        case CaptureSource::kRtf:
        case CaptureSource::kHtml:
            data = TextWithTerminator(bytes, 1);
            break;
    }
    if (data.empty() ||
        (source != CaptureSource::kDorvane && data.size() <= (source == CaptureSource::kUnicodeText ? 2u : 1u)))
        return nullptr;
    CString url;
    if (source == CaptureSource::kAnsiText || source == CaptureSource::kUnicodeText || source == CaptureSource::kRtf)
        url = GetHtmlSourceUrl(m_clipboard);
    if (source == CaptureSource::kAnsiText) {
        kind = CClipboardItemData::kText;
        if (url.IsEmpty()) url = FindUrlInAnsiText(reinterpret_cast<const char*>(data.data()));
    } else if (source == CaptureSource::kUnicodeText && url.IsEmpty()) {
        url = FindUrlInText(reinterpret_cast<const wchar_t*>(data.data()));
    }
    auto item = CCHItem::Create(kind, sourceWindow, m_clock);
    if (!item->SetData(data.data(), static_cast<DWORD>(data.size()))) return nullptr;
    if (!url.IsEmpty()) item->Set_URL(url);
    return item;
}

void CVXLWndClipboardHandler::NotifyParent(UINT code, DWORD reason) {
    HWND parent = m_window ? GetParent(m_window) : nullptr;
    if (!parent) return;
    CHistoryChangedNotify notify = {};
    notify.header.hwndFrom = m_window;
    notify.header.idFrom = m_controlId;
    notify.header.code = code;
    notify.reason = reason;
    SendMessageW(parent, WM_NOTIFY, m_controlId, reinterpret_cast<LPARAM>(&notify));
}

// ---------------------------------------------------------------------------------------
// Items

bool CVXLWndClipboardHandler::Clear() {
    if (!m_queue.Clear(L"Command: \"Clear\"")) return false;
    NotifyParent(kHistoryNotifyChanged, kHistoryItemsRemoved);
    return true;
}

bool CVXLWndClipboardHandler::Remove(const std::vector<int>& selection, bool recordUndo, bool force,
                                     const wchar_t* description) {
    if (!m_queue.Remove(selection, recordUndo, force, description)) return false;
    NotifyParent(kHistoryNotifyChanged, kHistoryItemsRemoved);
    return true;
}

// ---------------------------------------------------------------------------------------
// Menus, put back and edits

int CVXLWndClipboardHandler::AddHistoryToMenu(HMENU menu, UINT firstId, int maxCount) {
    CString clipboardText;
    if (m_clipboard.Open(m_window, kClipboardOpenTimeoutMs)) {
        ReadClipboardUnicodeText(m_clipboard, clipboardText);
        m_clipboard.Close();
    }
    return ::AddHistoryToMenu(menu, firstId, maxCount, m_queue, clipboardText);
}

bool CVXLWndClipboardHandler::OwnPut(bool written) {
    if (written) m_ownPutSequence = m_clipboard.SequenceNumber();
    return written;
}

bool CVXLWndClipboardHandler::PutBack(int index) {
    const CCHItem* item = Get_Item(index);
    return item && OwnPut(::PutBack(m_clipboard, m_window, *item));
}

bool CVXLWndClipboardHandler::PutAsText(int index) {
    const CCHItem* item = Get_Item(index);
    return item && OwnPut(::PutAsText(m_clipboard, m_window, *item));
}

bool CVXLWndClipboardHandler::PutItemForm(int index, int kind) {
    const CCHItem* item = Get_Item(index);
    return item && OwnPut(::PutForm(m_clipboard, m_window, *item, kind));
}

bool CVXLWndClipboardHandler::PutText(const CString& text) {
    return OwnPut(::PutUnicodeText(m_clipboard, m_window, text));
}

bool CVXLWndClipboardHandler::PutBackItem(int index) {
    const CCHItem* item = Get_Item(index);
    if (!item) {
        LogWriteFormat(L"CVXLWndClipboardHandler::PutBackItem: no item %d", index);
        return false;
    }
    if (item->Kind() == CClipboardItemData::kBitmap || item->Kind() == CClipboardItemData::kHtml)
        return OwnPut(PutBackWithCompanions(m_clipboard, m_window, *item));
    return PutBack(index);
}

int CVXLWndClipboardHandler::ChangeCase(int index, bool upper) {
    CCHItem* item = Get_Item(index);
    if (!item) return 0;
    if (::ChangeCase(*item, upper)) ArmSaveTimer();
    return 1;
}

int CVXLWndClipboardHandler::Trim(int index) {
    CCHItem* item = Get_Item(index);
    if (!item) return 0;
    if (::Trim(*item)) ArmSaveTimer();
    return 1;
}

int CVXLWndClipboardHandler::JoinLines(int index, bool armTimer) {
    CCHItem* item = Get_Item(index);
    if (!item) return 0;
    if (::JoinLines(*item) && armTimer) ArmSaveTimer();
    return 1;
}

void CVXLWndClipboardHandler::ArmSaveTimer() {
    m_lastChangeTick = m_clock.Ticks();
    if (m_window) SetTimer(m_window, kSaveTimerId, kSaveDelayMs, nullptr);
}

void CVXLWndClipboardHandler::OnTimer(WPARAM id) {
    if (id != kSaveTimerId) return;
    if (m_clock.Ticks() - m_lastChangeTick <= kSaveDelayMs) return;
    KillTimer(m_window, kSaveTimerId);
    PostMessageW(m_window, WM_VXL_HISTORY_SAVE_NOW, 0, 0);
}

void CVXLWndClipboardHandler::SaveNow() {
    if (m_window) PostMessageW(m_window, WM_VXL_HISTORY_SAVE_NOW, 0, 0);
}

void CVXLWndClipboardHandler::OnSaveNow(bool saveEnded) {
    // One save at a time: two would both write the items that neither has reported yet.
    if (saveEnded) {
        m_saveRunning = false;
        if (!m_saveAgain) return;
        m_saveAgain = false;
    } else if (m_saveRunning) {
        m_saveAgain = true;
        return;
    }
    if (!Settings().saveHistory || m_queue.Count() == 0) return;
    if (!CreateDirectoryW(m_folder, GetOpenSecurityAttributes()) && GetLastError() != ERROR_ALREADY_EXISTS) {
        LogError(L"CVXLWndClipboardHandler: the history folder cannot be made: " + m_folder);
        return;
    }
    CCHItemList copies = m_queue.CopyUnsaved();
    if (copies.empty()) return;
    ++m_diskJobs;
    if (!StartWorker(std::make_unique<SaveJob>(SaveJob{m_folder, std::move(copies), m_window, &m_diskJobs}),
                     &SaveThread)) {
        --m_diskJobs;
        LogError(L"CVXLWndClipboardHandler: cannot start the save thread");
        return;
    }
    m_saveRunning = true;
}

bool CVXLWndClipboardHandler::OnItemSaved(const CCHItem* copy) {
    if (!copy) return true;
    CCHItem* item = m_queue.FindById(copy->Identifier());
    if (!item) return false;
    item->SetDataPath(copy->DataPath());
    item->SetInfoPath(copy->InfoPath());
    // An edit made while the older copy was written stays to be saved.
    if (item->EditGeneration() == copy->EditGeneration()) item->SetSaveState(kSaveStateWritten);
    return true;
}

void CVXLWndClipboardHandler::OnItemUpdate(const CCHItem* copy) {
    if (!copy || copy->SaveState() != kSaveStateWritten) return;
    const int index = m_queue.FindIndexBySerial(copy->Serial());
    if (index < 0) return;
    CCHItem* item = m_queue.Items()[static_cast<size_t>(index)].get();
    item->SetSaveState(kSaveStateWritten);
    item->SetDataPath(copy->DataPath());
}

bool CVXLWndClipboardHandler::StartLoad() {
    ++m_diskJobs;
    if (StartWorker(std::make_unique<LoadJob>(LoadJob{m_folder, m_window, &m_clock, &m_diskJobs}), &LoadThread))
        return true;
    --m_diskJobs;
    return false;
}

void CVXLWndClipboardHandler::OnLoadedQueue(CCHQueue* loaded) {
    if (!loaded) return;
    const bool frozen = m_queue.IsFrozen();
    m_queue.SetFrozen(false);
    // The stored items come first, in their order; what was captured since the start
    // follows. A capture that equals a stored item (at a start, the clipboard mostly holds
    // the newest one) moves that stored item to the newest place with the files it has:
    // writing it again would leave it nowhere on disk for a moment.
    CCHItemList merged = loaded->TakeAll();
    for (auto& item : m_queue.TakeAll()) {
        auto stored = std::find_if(merged.begin(), merged.end(), [&item](const std::unique_ptr<CCHItem>& held) {
            return held->SaveState() == kSaveStateLoaded && item->IsDuplicateOf(*held);
        });
        if (stored == merged.end()) {
            merged.push_back(std::move(item));
            continue;
        }
        std::unique_ptr<CCHItem> kept = std::move(*stored);
        merged.erase(stored);
        if (!item->InfoPath().IsEmpty() && item->InfoPath() != kept->InfoPath()) item->DeleteFiles();
        merged.push_back(std::move(kept));
    }
    const int limit = Settings().historyMax;
    for (auto& item : merged) m_queue.Add(std::move(item), limit);
    m_queue.SetFrozen(frozen);
    NotifyParent(kHistoryNotifyCountChanged, 0);
}

// ---------------------------------------------------------------------------------------
// The tray's requests

bool CVXLWndClipboardHandler::Install(HWND parent, bool firstInstall) {
    return Create(parent, static_cast<UINT>(kHistoryControlId), firstInstall);
}

bool CVXLWndClipboardHandler::Uninstall() {
    Destroy();
    return m_window == nullptr;
}

bool CVXLWndClipboardHandler::InstallSpy(bool) {
    if (!m_window) return false;
    return m_spy.IsInstalled() || InstallWatcher();
}

bool CVXLWndClipboardHandler::RemoveSpy() {
    return m_spy.Uninstall();
}

void CVXLWndClipboardHandler::NotifySessionChange(WPARAM reason) {
    LogWriteFormat(L"CVXLWndClipboardHandler: session change %u", static_cast<unsigned>(reason));
    NotifyListeners2(nullptr, 0, m_window != nullptr);
}
