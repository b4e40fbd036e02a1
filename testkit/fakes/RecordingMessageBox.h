// A message box that records what it would have shown and answers IDOK at once, for
// code that takes the box as a MessageBoxW-shaped function.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testkit {

struct ShownBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT style;
};

// Every box recorded since the test last cleared the list.
inline std::vector<ShownBox>& RecordedBoxes() {
    static std::vector<ShownBox> boxes;
    return boxes;
}

inline int WINAPI RecordMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
    RecordedBoxes().push_back({owner, text ? text : L"", caption ? caption : L"", style});
    return IDOK;
}

}  // namespace testkit
