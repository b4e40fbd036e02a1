#include <windows.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "core/Instance.h"
#include "core/base/Handles.h"

namespace {

const UINT kWatchMessage = WM_APP + 40;
std::vector<WPARAM> g_delivered;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWatchMessage) {
        g_delivered.push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

DWORD CountOwnThreads() {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    return count;
}

// Pumps this thread's messages (the watchers send to its window) until the predicate holds.
template <class Predicate>
bool PumpUntil(Predicate done, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return true;
}

// A message-only window of its own class, whose procedure records what the watchers send.
CWindowHandle MakeMessageWindow(WNDPROC procedure, const wchar_t* className) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CWindowHandle(
        CreateWindowExW(0, className, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr));
}

CString EventName(int n) {
    CString name;
    name.Format(L"Local\\VexloraWatcherTest_%lu_%d", GetCurrentProcessId(), n);
    return name;
}

void Signal(int n) {
    CHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(n)));
    ASSERT_TRUE(event.valid()) << "event " << n;
    SetEvent(event.get());
}

// The named-event watchers share one thread: each still delivers its own message, a
// stop ends exactly the watchers it was given to, and the thread goes when none is left.
TEST(InstanceWatchers, ShareOneThreadAndStopByTheirOwnStopEvent) {
    CWindowHandle window = MakeMessageWindow(RecordingProc, L"VexloraWatcherTestWindow");
    ASSERT_TRUE(window.valid());
    CHandle stopA(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CHandle stopB(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_delivered.clear();

    const DWORD threadsBefore = CountOwnThreads();
    for (int n = 1; n <= 6; ++n)
        ASSERT_TRUE(StartNamedEventWatcher(n <= 4 ? stopA.get() : stopB.get(), EventName(n), window.get(),
                                           kWatchMessage, static_cast<WPARAM>(n)));
    EXPECT_EQ(threadsBefore + 1, CountOwnThreads());

    for (int n = 6; n >= 1; --n) Signal(n);
    ASSERT_TRUE(PumpUntil([] { return g_delivered.size() >= 6; })) << g_delivered.size() << " of 6 delivered";
    std::vector<WPARAM> sorted = g_delivered;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ((std::vector<WPARAM>{1, 2, 3, 4, 5, 6}), sorted);

    SetEvent(stopA.get());
    g_delivered.clear();
    // A stopped watcher closes its event; once it has, there is nothing left to signal.
    if (CHandle stopped{OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(2))}) SetEvent(stopped.get());
    Signal(5);
    ASSERT_TRUE(PumpUntil([] { return !g_delivered.empty(); }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ((std::vector<WPARAM>{5}), g_delivered);

    SetEvent(stopB.get());
    EXPECT_TRUE(PumpUntil([&] { return CountOwnThreads() == threadsBefore; }))
        << CountOwnThreads() << " threads, " << threadsBefore << " before";
}

}  // namespace

namespace {

int g_resignals = 0;

LRESULT CALLBACK ResignallingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWatchMessage) {
        g_delivered.push_back(wParam);
        // A second request while the window still handles the first one.
        if (g_resignals-- > 0) Signal(7);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A request that comes while the window handles the one before is delivered too, never
// reset away after the first delivery.
TEST(InstanceWatchers, ASignalDuringADeliveryIsDeliveredAfterIt) {
    CWindowHandle window = MakeMessageWindow(ResignallingProc, L"VexloraResignalTestWindow");
    ASSERT_TRUE(window.valid());
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_delivered.clear();
    g_resignals = 1;
    ASSERT_TRUE(StartNamedEventWatcher(stop.get(), EventName(7), window.get(), kWatchMessage, 7));
    Signal(7);
    EXPECT_TRUE(PumpUntil([] { return g_delivered.size() >= 2; })) << g_delivered.size() << " of 2 delivered";
    SetEvent(stop.get());
}

}  // namespace
