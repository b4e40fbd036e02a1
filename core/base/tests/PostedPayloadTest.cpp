#include "core/base/PostedPayload.h"

#include <gtest/gtest.h>

#include "core/base/Handles.h"

namespace {

const UINT kPayloadMessage = WM_APP + 41;

struct Payload {
    static LONG alive;
    explicit Payload(int v) : value(v) { ++alive; }
    ~Payload() { --alive; }
    Payload(const Payload&) = delete;
    Payload& operator=(const Payload&) = delete;
    int value;
};
LONG Payload::alive = 0;

int g_drained = -1;

// A window that drains its own payload messages when it dies, as every receiver must.
LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) g_drained = DrainPostedPayloads<Payload>(window, kPayloadMessage);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateReceiver() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &ReceiverProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VxlPayloadReceiver";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

}  // namespace

TEST(PostedPayload, TheReceiverTakesWhatWasPosted) {
    CWindowHandle window(CreateReceiver());
    ASSERT_TRUE(window.valid());
    ASSERT_TRUE(PostOwned(window.get(), kPayloadMessage, 5, std::make_unique<Payload>(42)));
    EXPECT_EQ(1, Payload::alive) << "the queued message owns it";
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, window.get(), kPayloadMessage, kPayloadMessage, PM_REMOVE));
    EXPECT_EQ(5u, message.wParam);
    {
        std::unique_ptr<Payload> taken = TakePosted<Payload>(message.lParam);
        EXPECT_EQ(42, taken->value);
    }
    EXPECT_EQ(0, Payload::alive);
}

TEST(PostedPayload, APayloadIsFreedWhenThePostFailsAndWhenTheWindowDies) {
    HWND gone = CreateReceiver();
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);
    EXPECT_FALSE(PostOwned(gone, kPayloadMessage, std::make_unique<Payload>(1)));
    EXPECT_EQ(0, Payload::alive) << "a failed post frees the payload";

    CWindowHandle window(CreateReceiver());
    ASSERT_TRUE(window.valid());
    const UINT other = kPayloadMessage + 1;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostOwned(window.get(), kPayloadMessage, std::make_unique<Payload>(i)));
    PostMessageW(window.get(), other, 0, 0);
    EXPECT_EQ(3, Payload::alive);
    g_drained = -1;
    window.reset();
    EXPECT_EQ(3, g_drained) << "only the payload messages";
    EXPECT_EQ(0, Payload::alive) << "the dying window freed what it never handled";
}
