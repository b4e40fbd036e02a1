// A payload posted to a window in the lParam of a message has one owner at every moment:
// the sender until PostMessage succeeds, then the message, then the window procedure
// that takes it. When the post fails the sender frees it; when the window dies with
// payload messages still queued, it drains and frees them in WM_NCDESTROY.
#pragma once

#include <windows.h>

#include <memory>

// Posts `message` with `payload` in its lParam; false (and the payload freed) when the
// post fails, for example because the window is gone or its queue is full.
template <class T>
bool PostOwned(HWND window, UINT message, WPARAM wParam, std::unique_ptr<T> payload) {
    if (!PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(payload.get()))) return false;
    payload.release();
    return true;
}

template <class T>
bool PostOwned(HWND window, UINT message, std::unique_ptr<T> payload) {
    return PostOwned(window, message, 0, std::move(payload));
}

// The receiving side: takes the payload over from a message posted by PostOwned.
template <class T>
std::unique_ptr<T> TakePosted(LPARAM lParam) {
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

// For WM_NCDESTROY of `window`: removes the `message`s still queued for it and frees
// their payloads. Returns how many there were.
template <class T>
int DrainPostedPayloads(HWND window, UINT message) {
    int drained = 0;
    MSG queued;
    while (PeekMessageW(&queued, window, message, message, PM_REMOVE | PM_NOYIELD)) {
        TakePosted<T>(queued.lParam);
        ++drained;
    }
    return drained;
}
