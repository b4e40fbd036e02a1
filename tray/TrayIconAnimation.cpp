#include "tray/TrayIconAnimation.h"

#include <cstring>
#include <memory>

#include "core/base/Logger.h"
#include "core/base/WorkerThread.h"

DWORD MakeGreyerPixel(DWORD pixel) {
    const DWORD alpha = pixel & 0xFF000000u;
    const DWORD red = (pixel >> 16) & 0xFF;
    const DWORD green = (pixel >> 8) & 0xFF;
    const DWORD blue = pixel & 0xFF;
    const DWORD grey = (red + green + blue) / 3;
    auto half = [grey](DWORD channel) { return (channel + grey) / 2; };
    return alpha | (half(red) << 16) | (half(green) << 8) | half(blue);
}

CIconHandle CreateGreyerIcon(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return CIconHandle();
    CBitmapHandle color(info.hbmColor);
    CBitmapHandle mask(info.hbmMask);
    // A monochrome icon has no colours to take away.
    if (!color) return CIconHandle(CopyIcon(icon));
    BITMAP bitmap = {};
    if (!GetObjectW(color.get(), sizeof(bitmap), &bitmap) || bitmap.bmWidth <= 0 || bitmap.bmHeight <= 0)
        return CIconHandle();
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const size_t count = static_cast<size_t>(bitmap.bmWidth) * static_cast<size_t>(bitmap.bmHeight);
    std::unique_ptr<DWORD[]> pixels(new DWORD[count]);
    CClientDC screen(nullptr);
    if (!screen.get() || GetDIBits(screen.get(), color.get(), 0, bitmap.bmHeight, pixels.get(), &format,
                                   DIB_RGB_COLORS) != bitmap.bmHeight)
        return CIconHandle();
    void* bits = nullptr;
    CBitmapHandle greyer(CreateDIBSection(screen.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!greyer || !bits) return CIconHandle();
    DWORD* target = static_cast<DWORD*>(bits);
    for (size_t i = 0; i < count; ++i) target[i] = MakeGreyerPixel(pixels[i]);
    GdiFlush();
    ICONINFO greyerInfo = {TRUE, 0, 0, mask.get(), greyer.get()};
    // CreateIconIndirect copies both bitmaps; the owners free these.
    return CIconHandle(CreateIconIndirect(&greyerInfo));
}

int NextTrayFrame(int current, int count) {
    if (count <= 0) return 0;
    return (current + 1) % count;
}

struct CTrayIconAnimation::Context {
    CTrayIconAnimation* self;
    CHandle stop;
};

CTrayIconAnimation::CTrayIconAnimation(ITrayShell& shell) : m_shell(shell) {}

CTrayIconAnimation::~CTrayIconAnimation() {
    Stop();
}

bool CTrayIconAnimation::Start(HWND window, UINT iconId, DWORD intervalMs, HICON icon, HWND ownerWindow) {
    if (IsRunning()) return false;
    m_window = window;
    m_iconId = iconId;
    m_intervalMs = intervalMs;
    m_icon = icon;
    m_ownerWindow = ownerWindow;
    m_frame = 0;
    m_savedBigIcon = reinterpret_cast<HICON>(SendMessageW(ownerWindow, WM_GETICON, ICON_BIG, 0));
    m_savedSmallIcon = reinterpret_cast<HICON>(SendMessageW(ownerWindow, WM_GETICON, ICON_SMALL, 0));

    m_imageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kTrayPulseFrames, 1);
    if (!m_imageList) {
        LogError(L"CTrayIconAnimation::Start: cannot create the image list");
        return false;
    }
    // No background colour: the frames keep their alpha and show on any taskbar.
    ImageList_SetBkColor(m_imageList, CLR_NONE);
    CIconHandle greyer[kTrayPulseFrames - 1];
    HICON source = icon;
    for (CIconHandle& copy : greyer) {
        copy = CreateGreyerIcon(source);
        if (!copy || ImageList_ReplaceIcon(m_imageList, -1, copy.get()) < 0) break;
        source = copy.get();
    }
    if (icon) ImageList_ReplaceIcon(m_imageList, -1, icon);
    for (int i = 0; i < ImageList_GetImageCount(m_imageList); ++i)
        m_frames.emplace_back(ImageList_GetIcon(m_imageList, i, ILD_TRANSPARENT));
    if (m_frames.size() != static_cast<size_t>(kTrayPulseFrames) || !m_frames.back()) {
        LogError(L"CTrayIconAnimation::Start: cannot make the frames");
        DestroyFrames();
        return false;
    }

    m_stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto context = std::make_unique<Context>(Context{this, DuplicateForWorker(m_stop.get())});
    if (!context->stop || !StartWorker(std::move(context), &CTrayIconAnimation::Run, {}, &m_thread)) {
        LogError(L"CTrayIconAnimation::Start: cannot start the pulse thread");
        m_stop.reset();
        DestroyFrames();
        return false;
    }
    return true;
}

DWORD CTrayIconAnimation::Run(Context& context) {
    do {
        context.self->ShowFrames();
    } while (WaitForSingleObject(context.stop.get(), context.self->m_intervalMs) == WAIT_TIMEOUT);
    return 0;
}

void CTrayIconAnimation::ShowFrames() {
    HICON frame = m_frames[static_cast<size_t>(m_frame)].get();
    NOTIFYICONDATAW record = {};
    record.hWnd = m_window;
    record.uID = m_iconId;
    record.uFlags = NIF_ICON;
    record.hIcon = frame;
    if (Shell_Notify(m_shell, NIM_MODIFY, record)) {
        // Time-limited: Stop waits for this thread on the owner's thread.
        SendMessageTimeoutW(m_ownerWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(frame), SMTO_NORMAL, 1000,
                            nullptr);
        SendMessageTimeoutW(m_ownerWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(frame), SMTO_NORMAL, 1000,
                            nullptr);
    }
    m_frame = NextTrayFrame(m_frame, static_cast<int>(m_frames.size()));
}

void CTrayIconAnimation::Stop() {
    if (!IsRunning()) return;
    SetEvent(m_stop.get());
    HANDLE thread = m_thread.get();
    // The thread may be waiting for this thread to take a WM_SETICON: answer sent
    // messages until it has ended.
    while (thread && MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_thread.reset();
    m_stop.reset();
    if (IsWindow(m_ownerWindow)) {
        SendMessageW(m_ownerWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_savedSmallIcon));
        SendMessageW(m_ownerWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_savedBigIcon));
    }
    NOTIFYICONDATAW record = {};
    record.hWnd = m_window;
    record.uID = m_iconId;
    record.uFlags = NIF_ICON;
    record.hIcon = m_icon;
    Shell_Notify(m_shell, NIM_MODIFY, record);
    DestroyFrames();
}

void CTrayIconAnimation::DestroyFrames() {
    m_frames.clear();
    if (m_imageList) ImageList_Destroy(m_imageList);
    m_imageList = nullptr;
}
