// What the phrase menu needs of the system's popup menus, asked of the system itself:
// a menu owned by a message-only window, chosen from and dismissed by keys posted to the
// menu's window; a context menu opened with TPM_RECURSE from WM_MENURBUTTONUP over an
// item; EndMenu closing both.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/base/Handles.h"
#include "testkit/Controls.h"
#include "testkit/Poll.h"

namespace {

const UINT kFirstId = 101;

struct CSeen {
    std::atomic<int> rightButtonUps{0};
    std::atomic<UINT> nestedResult{0xFFFF};
    bool openNested = false;
    bool endAfterNested = false;
};
CSeen* g_seen = nullptr;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MENURBUTTONUP && g_seen) {
        ++g_seen->rightButtonUps;
        if (g_seen->openNested) {
            HMENU nested = CreatePopupMenu();
            AppendMenuW(nested, MF_STRING, 201, L"Copy");
            AppendMenuW(nested, MF_STRING, 202, L"Edit");
            POINT point;
            GetCursorPos(&point);
            g_seen->nestedResult = static_cast<UINT>(
                TrackPopupMenuEx(nested, TPM_RECURSE | TPM_RETURNCMD, point.x, point.y, window, nullptr));
            DestroyMenu(nested);
            if (g_seen->endAfterNested) EndMenu();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class MenuUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &OwnerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlMenuOwnerProbe";
        RegisterClassW(&windowClass);
        m_owner.reset(CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(m_owner);
        m_menu = CreatePopupMenu();
        for (UINT i = 0; i < 3; ++i) {
            wchar_t text[16];
            wsprintfW(text, L"Phrase %u", i + 1);
            AppendMenuW(m_menu, MF_STRING, kFirstId + i, text);
        }
        g_seen = &m_seen;
    }
    void TearDown() override {
        g_seen = nullptr;
        DestroyMenu(m_menu);
    }

    // Tracks the menu on this thread while `drive` works it from another.
    template <class Drive>
    UINT Track(Drive drive) {
        std::thread driver(drive);
        const UINT chosen =
            static_cast<UINT>(TrackPopupMenuEx(m_menu, TPM_RETURNCMD, 200, 200, m_owner.get(), nullptr));
        driver.join();
        return chosen;
    }

    CWindowHandle m_owner;
    HMENU m_menu = nullptr;
    CSeen m_seen;
};

TEST_F(MenuUnderWine, AMenuOwnedByAMessageOnlyWindowIsChosenAndDismissedByKeys) {
    const UINT chosen = Track([] {
        HWND menu = nullptr;
        if (!testkit::PollUntil(10000, [&] { return (menu = testkit::FindVisibleMenuWindow()) != nullptr; })) return;
        testkit::PostKeyTo(menu, VK_DOWN);
        testkit::PostKeyTo(menu, VK_DOWN);
        testkit::PostKeyTo(menu, VK_RETURN);
    });
    EXPECT_EQ(kFirstId + 1, chosen);

    const UINT dismissed = Track([] {
        HWND menu = nullptr;
        if (!testkit::PollUntil(10000, [&] { return (menu = testkit::FindVisibleMenuWindow()) != nullptr; })) return;
        testkit::PostKeyTo(menu, VK_ESCAPE);
    });
    EXPECT_EQ(0u, dismissed);
}

// A context menu tracked with TPM_RECURSE from WM_MENURBUTTONUP answers on its own, and
// EndMenu then closes the phrase menu without a choice. Windows sends WM_MENURBUTTONUP to
// the owner when the right button is released over an item; Wine does not (seen here: a
// real right click over the first item reaches the owner with nothing), so the test posts
// the message as Windows would send it, with the item's position and the menu.
TEST_F(MenuUnderWine, AContextMenuFromWmMenuRButtonUpAnswersAndEndMenuClosesBoth) {
    m_seen.openNested = true;
    m_seen.endAfterNested = true;
    HMENU menu = m_menu;
    HWND owner = m_owner.get();
    const UINT chosen = Track([menu, owner] {
        HWND menuWindow = nullptr;
        if (!testkit::PollUntil(10000, [&] { return (menuWindow = testkit::FindVisibleMenuWindow()) != nullptr; }))
            return;
        PostMessageW(owner, WM_MENURBUTTONUP, 0, reinterpret_cast<LPARAM>(menu));
        HWND nested = nullptr;
        if (!testkit::PollUntil(10000,
                                [&] { return (nested = testkit::FindVisibleMenuWindow(menuWindow)) != nullptr; })) {
            testkit::PostKeyTo(menuWindow, VK_ESCAPE);
            return;
        }
        testkit::PostKeyTo(nested, VK_DOWN);
        testkit::PostKeyTo(nested, VK_RETURN);
    });
    EXPECT_EQ(1, m_seen.rightButtonUps.load());
    EXPECT_EQ(201u, m_seen.nestedResult.load()) << "the context menu's own choice";
    EXPECT_EQ(0u, chosen) << "EndMenu closed the phrase menu without a choice";
}

}  // namespace
