// A page window in a popup parent for tests: load, find, click, type, and read pixels back
// through WM_PRINTCLIENT (no window manager needed).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Handles.h"
#include "platform/htmlayout/HtmlView.h"
#include "platform/htmlayout/htmlayout.h"

namespace htmltest {

inline BOOL CALLBACK TakeFirst(HELEMENT he, LPVOID param) {
    *static_cast<HELEMENT*>(param) = he;
    return TRUE;
}

// The first element below root, in document order, with the tag (null: any) whose
// attribute (null: any) has the value (null: any).
inline HELEMENT FindFirst(HELEMENT root, LPCSTR tag, LPCSTR attribute, LPCWSTR value) {
    HELEMENT found = nullptr;
    HTMLayoutVisitElements(root, tag, attribute, value, TakeFirst, &found, 0);
    return found;
}

class CPageWindow {
public:
    explicit CPageWindow(int width = 600, int height = 400)
        : m_parent(
              CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr)),
          m_page(CreateWindowExW(0, HTMLayoutClassNameW(), L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                 m_parent.get(), reinterpret_cast<HMENU>(1012), nullptr, nullptr)) {}

    HWND get() const { return m_page; }

    bool Load(const std::string& html, const wchar_t* base = nullptr) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(html.data());
        return base ? HTMLayoutLoadHtmlEx(m_page, bytes, static_cast<UINT>(html.size()), base) != FALSE
                    : HTMLayoutLoadHtml(m_page, bytes, static_cast<UINT>(html.size())) != FALSE;
    }

    HELEMENT Root() const {
        HELEMENT root = nullptr;
        HTMLayoutGetRootElement(m_page, &root);
        return root;
    }

    // The first element with that id in document order.
    HELEMENT Id(const wchar_t* id) const { return FindFirst(Root(), nullptr, "id", id); }

    RECT Rect(HELEMENT he) const {
        RECT r = {};
        EXPECT_TRUE(hl::GetElementClientRect(he, &r));
        return r;
    }

    POINT Centre(HELEMENT he) const {
        const RECT r = Rect(he);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    void Click(POINT pt) const {
        const LPARAM at = MAKELPARAM(pt.x, pt.y);
        SendMessageW(m_page, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(m_page, WM_LBUTTONUP, 0, at);
    }

    void Type(const wchar_t* text) const {
        for (; *text; ++text) SendMessageW(m_page, WM_CHAR, *text, 0);
    }

    // The client area as painted, read back pixel by pixel.
    struct Shot {
        int width = 0;
        int height = 0;
        std::vector<uint32_t> pixels;
        COLORREF At(int x, int y) const {
            if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
        // How many pixels of the rectangle have the colour.
        int Count(const RECT& r, COLORREF color) const {
            int n = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) n += At(x, y) == color;
            return n;
        }
    };

    Shot Paint() const {
        Shot shot;
        // Laying out may show the scroll bar and narrow the client area: first that.
        RECT client;
        hl::GetElementClientRect(Root(), &client);
        GetClientRect(m_page, &client);
        shot.width = client.right;
        shot.height = client.bottom;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = shot.width;
        info.bmiHeader.biHeight = -shot.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        CMemoryDC dc(CreateCompatibleDC(nullptr));
        CBitmapHandle bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || !bits) return shot;
        {
            CSelectObject select(dc.get(), bitmap.get());
            SendMessageW(m_page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
            GdiFlush();
        }
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        shot.pixels.assign(p, p + static_cast<size_t>(shot.width) * shot.height);
        SaveIfAsked(shot);
        return shot;
    }

private:
    // VXL_HTML_SHOTS names a folder for a BMP of every painted page, to look at by hand.
    void SaveIfAsked(const Shot& shot) const {
        wchar_t folder[MAX_PATH] = {};
        if (!GetEnvironmentVariableW(L"VXL_HTML_SHOTS", folder, MAX_PATH)) return;
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::wstring name = folder;
        name += L"\\";
        for (const char* c = test ? test->name() : "page"; *c; ++c)
            name += (*c == '/' ? L'_' : static_cast<wchar_t>(*c));
        name += L".bmp";
        BITMAPFILEHEADER file = {};
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = shot.width;
        header.biHeight = -shot.height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        const DWORD bytes = static_cast<DWORD>(shot.pixels.size() * 4);
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + bytes;
        CFileHandle out(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(out.get(), &file, sizeof file, &written, nullptr);
        WriteFile(out.get(), &header, sizeof header, &written, nullptr);
        WriteFile(out.get(), shot.pixels.data(), bytes, &written, nullptr);
    }

    CWindowHandle m_parent;
    HWND m_page;
};

// Records what a window event handler receives; answers with the configured result.
struct CEventLog {
    struct Event {
        UINT group;
        UINT cmd;
        HELEMENT target;
        std::wstring href;
    };
    std::vector<Event> events;
    bool consumeLinks = false;
    bool consumeMouseDown = false;

    static BOOL CALLBACK Proc(LPVOID tag, HELEMENT, UINT group, LPVOID params) {
        CEventLog* self = static_cast<CEventLog*>(tag);
        Event e = {group, 0, nullptr, L""};
        if (group == HANDLE_MOUSE) {
            const MOUSE_PARAMS* p = static_cast<const MOUSE_PARAMS*>(params);
            e.cmd = p->cmd;
            e.target = p->target;
            self->events.push_back(e);
            return p->cmd == MOUSE_DOWN && self->consumeMouseDown;
        }
        if (group == HANDLE_BEHAVIOR_EVENT) {
            const BEHAVIOR_EVENT_PARAMS* p = static_cast<const BEHAVIOR_EVENT_PARAMS*>(params);
            e.cmd = p->cmd;
            e.target = p->heTarget;
            LPCWSTR href = nullptr;
            if (HTMLayoutGetAttributeByName(p->heTarget, "href", &href) == HLDOM_OK && href) e.href = href;
            self->events.push_back(e);
            return p->cmd == (HYPERLINK_CLICK | SINKING) && self->consumeLinks;
        }
        return FALSE;
    }

    size_t Count(UINT group, UINT cmd) const {
        size_t n = 0;
        for (const Event& e : events) n += e.group == group && e.cmd == cmd;
        return n;
    }
};

}  // namespace htmltest
