// A window that receives the query messages of the wait thread as the tray window does:
// it takes the hand-over's reference, keeps a copy of each query and can put an answer in.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/Handles.h"
#include "tray/QueryWait.h"

const UINT kTestQueryMessage = WM_APP + 3;
const UINT kTestErrorMessage = WM_APP + 18;

class CQueryRecorder {
public:
    std::vector<CWPQueryData> queries;
    LRESULT result = 1;
    // Command ids of the answer given to every query; none: no answer.
    std::vector<LONG> answerCommands;

    CQueryRecorder() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"VxlTestQueryRecorder";
        RegisterClassW(&wc);
        m_window.reset(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, this));
    }
    HWND get() const { return m_window.get(); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<CQueryRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == kTestQueryMessage) return self->OnQuery(wParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT OnQuery(WPARAM wParam) {
        CQueryHandOverRef handOver(wParam);
        if (!handOver) return 0;
        queries.push_back(handOver->query);
        for (LONG id : answerCommands) {
            CPhraseNode node;
            node.m_cmdId = id;
            node.SetName(L"Command");
            AppendPhraseNode(handOver->answer.m_commands, node);
        }
        return result;
    }

    CWindowHandle m_window;
};
