// Reading the text the user has selected in a window of the program the hook library
// lives in. Every reader runs on the thread that owns the window, inside the program:
// each one returns within a bounded time and never writes past the buffer it is given.
#pragma once

#include <windows.h>

#include <memory>

#include "core/base/CString.h"
#include "core/base/Clipboard.h"

class IInputSender;

// What is known about the selection, as the query carries it.
enum ESelectionState : int {
    kSelectionNone = 0,        // nothing is selected
    kSelectionUnreadable = 1,  // something may be selected, but it could not be read
    kSelectionRead = 2,
};

class CSelectedTextReader {
public:
    virtual ~CSelectedTextReader() = default;
    // Without a buffer: the characters needed for the selection and its terminating zero,
    // or 0. With one: copies the selection and a zero into at most `bufferLength`
    // characters and returns the characters copied (without the zero), or 0. `state` is
    // set on every call; a selection that does not fit, or that reaches past the text,
    // leaves the buffer untouched and gives kSelectionUnreadable.
    virtual int Read(wchar_t* buffer, int bufferLength, int& state) = 0;
};

// "Edit": EM_GETSEL and the control's own text.
class CEditSelectionReader : public CSelectedTextReader {
public:
    explicit CEditSelectionReader(HWND edit) : m_window(edit) {}
    int Read(wchar_t* buffer, int bufferLength, int& state) override;

private:
    HWND m_window;
};

// "ComboBox": CB_GETEDITSEL on the combo box, the text of its edit field.
class CComboSelectionReader : public CSelectedTextReader {
public:
    explicit CComboSelectionReader(HWND combo) : m_window(combo) {}
    int Read(wchar_t* buffer, int bufferLength, int& state) override;

private:
    HWND m_window;
};

// The RichEdit classes: EM_EXGETSEL, and the text as UTF-16 from EM_GETTEXTEX.
class CRichEditSelectionReader : public CSelectedTextReader {
public:
    explicit CRichEditSelectionReader(HWND richEdit) : m_window(richEdit) {}
    int Read(wchar_t* buffer, int bufferLength, int& state) override;

private:
    HWND m_window;
};

// "Internet Explorer_Server": the selection of the document shown in it, through its
// object model.
class CDocumentSelectionReader : public CSelectedTextReader {
public:
    explicit CDocumentSelectionReader(HWND window) : m_window(window) {}
    int Read(wchar_t* buffer, int bufferLength, int& state) override;

private:
    HWND m_window;
};

// Any other window: a simulated copy. The clipboard is emptied, Ctrl+C is pressed and
// WM_COPY posted to the foreground window from a short thread while this thread keeps
// its messages flowing for a bounded time, and the text is then taken from the
// clipboard. The start/end-of-copy events tell the clipboard history to ignore it.
// The size query copies; a read that follows it hands out the text that copy got
// instead of copying again. `clipboard` and `input` must outlive the reader.
class CClipboardSelectionReader : public CSelectedTextReader {
public:
    // How long this thread pumps its messages while the program copies.
    static constexpr DWORD kPumpMs = 400;
    // How long the clipboard is asked for before the reader gives up on it.
    static constexpr DWORD kClipboardOpenMs = 100;

    // `copyByCommand`: ask the top-level window for its Copy menu command instead of
    // pressing Ctrl+C. This one uses the system's clipboard and input.
    CClipboardSelectionReader(HWND window, bool copyByCommand);
    CClipboardSelectionReader(HWND window, bool copyByCommand, IClipboard& clipboard, IInputSender& input)
        : m_window(window), m_copyByCommand(copyByCommand), m_clipboard(clipboard), m_input(input) {}
    int Read(wchar_t* buffer, int bufferLength, int& state) override;

private:
    bool Copy(CString& text);
    void PumpWhileCopying(HANDLE copyThread);
    bool TakeClipboardText(CString& text);

    HWND m_window;
    bool m_copyByCommand;
    // Each reader opens the clipboard through its own object: a program may read
    // selections on more than one thread.
    CSystemClipboard m_systemClipboard;
    IClipboard& m_clipboard;
    IInputSender& m_input;
    bool m_haveCopied = false;
    CString m_copied;
};

// The reader for the window's class; null when the window is gone.
std::unique_ptr<CSelectedTextReader> CreateSelectedTextReader(HWND window);

// The selected text of the window: true with `state` kSelectionRead and the text;
// otherwise false with an empty text and `state` kSelectionNone or kSelectionUnreadable.
bool GetSelectedText(HWND window, CString& text, int& state);
