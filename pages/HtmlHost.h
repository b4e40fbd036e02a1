// The host of an HTML page: a child window of the HTML engine's class that loads a page,
// and reports what happens in it to its owner through IHtmlHostEvents. Pages reach their
// elements by id through IHtmlHost, so their logic can run against a fake host in tests.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "platform/htmlayout/htmlayout.h"

// What a page window reports to the window that owns it. All calls come on the UI thread,
// from inside the page window's message handling.
class IHtmlHostEvents {
public:
    virtual ~IHtmlHostEvents() = default;
    // The main button went down on the page; onControl when the element is or lies in a
    // control (a link, the check box, the number box). True when the owner handled it.
    virtual bool OnPageMouseDown(bool onControl) = 0;
    // The mouse moved over an element; the type of the control it is or lies in, and the
    // href when that is a link.
    virtual void OnPageMouseMove(UINT controlType, const CString& href) = 0;
    // A link was clicked (before the engine acts on it). True consumes the click: the
    // engine then does not follow it (no jump to a "#name" anchor).
    virtual bool OnHyperlinkClick(const CString& href) = 0;
    // A check box changed its state.
    virtual void OnButtonStateChanged() = 0;
    // The page needs a resource (dataType: HLRT_DATA_STYLE or HLRT_DATA_IMAGE) at uri, resolved
    // against the base URL. True with data answers it; false leaves it to the engine, which
    // reads local files itself.
    virtual bool OnLoadData(const CString& uri, UINT dataType, std::vector<BYTE>& data) = 0;
};

// The elements of the loaded page, by their "id" attribute (the first in document order).
// Each call fails (false) when no element has that id.
class IHtmlHost {
public:
    virtual ~IHtmlHost() = default;
    virtual BOOL LoadHtml(const BYTE* html, UINT length, LPCWSTR baseUrl) = 0;
    virtual bool HasElement(LPCWSTR id) = 0;
    virtual bool GetElementState(LPCWSTR id, UINT& state) = 0;
    virtual bool SetElementState(LPCWSTR id, UINT bitsToSet, UINT bitsToClear) = 0;
    // A null value removes that runtime style attribute; a null name removes them all.
    virtual bool SetElementStyle(LPCWSTR id, LPCSTR name, LPCWSTR value) = 0;
    // The value of a number box, or 1/0 for a check box.
    virtual bool GetElementInt(LPCWSTR id, int& value) = 0;
};

class HTMLayoutHost : public IHtmlHost {
public:
    explicit HTMLayoutHost(IHtmlHostEvents* events = nullptr) noexcept : m_events(events) {}
    HTMLayoutHost(const HTMLayoutHost&) = delete;
    HTMLayoutHost& operator=(const HTMLayoutHost&) = delete;

    // Creates the page window (rect null: an empty rectangle) and, with an events sink,
    // connects it to every event group and to the load-data notification. Returns the
    // window, null on failure.
    HWND Create(HWND parent, const RECT* rect, LPCWSTR windowName, DWORD style, DWORD exStyle, HMENU idOrMenu,
                LPVOID createParam);

    // Loads UTF-8 HTML; with a base URL relative references resolve against it. Non-zero on
    // success.
    BOOL LoadHtml(const BYTE* html, UINT length, LPCWSTR baseUrl) override;

    bool HasElement(LPCWSTR id) override;
    bool GetElementState(LPCWSTR id, UINT& state) override;
    bool SetElementState(LPCWSTR id, UINT bitsToSet, UINT bitsToClear) override;
    bool SetElementStyle(LPCWSTR id, LPCSTR name, LPCWSTR value) override;
    bool GetElementInt(LPCWSTR id, int& value) override;

    HWND m_hWnd = nullptr;

private:
    HELEMENT FindById(LPCWSTR id) const;
    static BOOL CALLBACK OnEvent(LPVOID tag, HELEMENT he, UINT group, LPVOID params);
    static LRESULT CALLBACK OnNotify(UINT message, WPARAM wParam, LPARAM lParam, LPVOID param);

    IHtmlHostEvents* m_events;
    std::vector<BYTE> m_answer;  // the data of the last load-data answer, read by the engine on return
};
