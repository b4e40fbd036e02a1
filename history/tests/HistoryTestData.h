// What the history tests put on a clipboard in memory, and notices they do not ask the
// system for.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "history/ClipboardHandler.h"
#include "history/ClipboardWatcher.h"

namespace historytest {

// The system's notices are not asked for: the test tells the handler of each copy.
class CSilentNotices final : public IClipboardNotices {
public:
    bool HasFormatListener() override { return true; }
    bool AddFormatListener(HWND) override { return true; }
    bool RemoveFormatListener(HWND) override { return true; }
    bool JoinViewerChain(HWND, HWND& next) override {
        next = nullptr;
        return true;
    }
    void LeaveViewerChain(HWND, HWND) override {}
};

// The handler's settings of a test that tells it of each copy: the format listener, the
// rest as a new installation has them.
inline CHistoryHandlerSettings ListenerHistorySettings() {
    CHistoryHandlerSettings settings;
    settings.spyMethod = CSMO_ADDCLIPBOARDLISTENER;
    return settings;
}

inline std::vector<BYTE> Utf16(const wchar_t* text) {
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    std::vector<BYTE> data(bytes);
    memcpy(data.data(), text, bytes);
    return data;
}

inline std::vector<BYTE> Ansi(const char* text) {
    return std::vector<BYTE>(text, text + strlen(text) + 1);
}

// A 2x2 24-bit packed DIB, as the system offers CF_DIB for any bitmap.
inline std::vector<BYTE> SmallDib() {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = 2;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<BYTE> dib(sizeof header + 16, 0x7F);
    memcpy(dib.data(), &header, sizeof header);
    return dib;
}

}  // namespace historytest
