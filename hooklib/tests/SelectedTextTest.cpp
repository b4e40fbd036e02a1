#include "hooklib/SelectedText.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "core/base/Clipboard.h"
#include "core/base/Handles.h"
#include "core/base/InputSender.h"
#include "core/base/NamedObjects.h"
#include "core/base/SharedEvents.h"

namespace {

constexpr wchar_t kSentinel[] = L"left alone by the readers";

CWindowHandle MakeTopLevel(const wchar_t* className, const wchar_t* title) {
    CWindowHandle window(CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 400, 300,
                                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    return window;
}

void RegisterTestClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

bool PutClipboardText(HWND owner, const CString& text) {
    CSystemClipboard clipboard;
    if (!clipboard.Open(owner, 1000)) return false;
    const bool written = clipboard.Empty() && WriteClipboardUnicodeText(clipboard, text);
    clipboard.Close();
    return written;
}

// The clipboard's text, or "(none)" when it holds no text.
CString ClipboardText() {
    CSystemClipboard clipboard;
    if (!clipboard.Open(nullptr, 1000)) return L"(closed)";
    CString text;
    const bool read = ReadClipboardUnicodeText(clipboard, text);
    clipboard.Close();
    return read ? text : CString(L"(none)");
}

void DrainMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) && message.message != WM_QUIT) DispatchMessageW(&message);
}

// ---- Standard controls, created and read on this thread as inside the hook.

struct ControlCase {
    const char* name;
    const wchar_t* className;
    DWORD style;
    const wchar_t* text;
    int start;
    int end;
    int state;
    const wchar_t* expected;
};

class StandardControls : public testing::TestWithParam<ControlCase> {
protected:
    static void SetUpTestSuite() { s_richEdit.reset(LoadLibraryW(L"riched20.dll")); }
    static void TearDownTestSuite() { s_richEdit.reset(); }
    static CLibraryHandle s_richEdit;
};
CLibraryHandle StandardControls::s_richEdit;

TEST_P(StandardControls, ReadTheSelectionWithoutTouchingTheClipboard) {
    const ControlCase& c = GetParam();
    CWindowHandle host = MakeTopLevel(L"STATIC", L"readers host");
    ASSERT_TRUE(host);
    CWindowHandle control(CreateWindowExW(0, c.className, L"", WS_CHILD | WS_VISIBLE | c.style, 5, 5, 300, 120,
                                          host.get(), nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(control) << GetLastError();
    SetWindowTextW(control.get(), c.text);
    if (wcscmp(c.className, L"COMBOBOX") == 0)
        SendMessageW(control.get(), CB_SETEDITSEL, 0, MAKELPARAM(c.start, c.end));
    else
        SendMessageW(control.get(), EM_SETSEL, c.start, c.end);
    ASSERT_TRUE(PutClipboardText(host.get(), kSentinel));

    CString text;
    int state = -1;
    EXPECT_EQ(c.state == kSelectionRead, GetSelectedText(control.get(), text, state));
    EXPECT_EQ(c.state, state);
    EXPECT_STREQ(c.expected, text.GetString());
    EXPECT_STREQ(kSentinel, ClipboardText().GetString());
}

INSTANTIATE_TEST_SUITE_P(
    Readers, StandardControls,
    testing::Values(
        ControlCase{"EditSelection", L"EDIT", ES_AUTOHSCROLL, L"hello world", 6, 11, kSelectionRead, L"world"},
        ControlCase{"EditCaretOnly", L"EDIT", ES_AUTOHSCROLL, L"hello world", 3, 3, kSelectionNone, L""},
        ControlCase{"ComboEditSelection", L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL, L"first second", 0, 5,
                    kSelectionRead, L"first"},
        ControlCase{"ComboCaretOnly", L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL, L"first second", 4, 4,
                    kSelectionNone, L""},
        ControlCase{"RichEditCyrillicAndCjk", RICHEDIT_CLASSW, ES_MULTILINE,
                    L"\x041F\x0440\x0438\x0432\x0435\x0442 \x4E16\x754C!", 4, 9, kSelectionRead,
                    L"\x0435\x0442 \x4E16\x754C"},
        ControlCase{"RichEditSecondParagraph", RICHEDIT_CLASSW, ES_MULTILINE, L"one\r\n\x0434\x0432\x0430 two", 4, 7,
                    kSelectionRead, L"\x0434\x0432\x0430"},
        ControlCase{"RichEditCaretOnly", RICHEDIT_CLASSW, ES_MULTILINE, L"\x4E16\x754C", 1, 1, kSelectionNone, L""}),
    [](const testing::TestParamInfo<ControlCase>& info) { return info.param.name; });

TEST(SelectedText, WindowThatIsGoneCannotBeRead) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"gone", WS_OVERLAPPED, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit);
    SendMessageW(edit, EM_SETSEL, 0, 4);
    DestroyWindow(edit);
    CString text = L"stale";
    int state = -1;
    EXPECT_FALSE(GetSelectedText(edit, text, state));
    EXPECT_EQ(kSelectionUnreadable, state);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(SelectedText, DocumentWindowWithoutADocumentFailsCleanly) {
    RegisterTestClass(L"Internet Explorer_Server", DefWindowProcW);
    CWindowHandle window = MakeTopLevel(L"Internet Explorer_Server", L"no document");
    ASSERT_TRUE(window);
    CString text;
    int state = -1;
    EXPECT_FALSE(GetSelectedText(window.get(), text, state));
    EXPECT_EQ(kSelectionUnreadable, state);
}

TEST(SelectedText, BigSelectionInAMultiLineEditIsReadWhole) {
    CWindowHandle host = MakeTopLevel(L"STATIC", L"big host");
    CWindowHandle memo(CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, 0, 0,
                                       300, 200, host.get(), nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(memo);
    SendMessageW(memo.get(), EM_SETLIMITTEXT, 0, 0);
    CString line;
    for (int i = 0; i < 98; ++i) line += static_cast<wchar_t>(L'a' + i % 26);
    line += L"\r\n";
    CString whole;
    whole.Preallocate(5 * 1024 * 1024 + 100);
    while (whole.GetLength() < 5 * 1024 * 1024) whole += line;
    ASSERT_TRUE(SetWindowTextW(memo.get(), whole));
    ASSERT_EQ(whole.GetLength(), GetWindowTextLengthW(memo.get()));
    const int start = 7;
    const int end = whole.GetLength() - 5;
    SendMessageW(memo.get(), EM_SETSEL, start, end);

    CString text;
    int state = -1;
    ASSERT_TRUE(GetSelectedText(memo.get(), text, state));
    EXPECT_EQ(kSelectionRead, state);
    ASSERT_EQ(end - start, text.GetLength());
    EXPECT_TRUE(text == whole.Mid(start, end - start));
}

// ---- A window that claims any selection it is told to, to read past text and buffers.

constexpr wchar_t kFakeSelectionClass[] = L"VxlFakeSelection";
constexpr wchar_t kStartProp[] = L"VxlSelStart";
constexpr wchar_t kEndProp[] = L"VxlSelEnd";

LRESULT CALLBACK FakeSelectionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto start = reinterpret_cast<DWORD_PTR>(GetPropW(window, kStartProp));
    const auto end = reinterpret_cast<DWORD_PTR>(GetPropW(window, kEndProp));
    switch (message) {
        case EM_GETSEL:
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
            return 1;
        case EM_EXGETSEL:
            reinterpret_cast<CHARRANGE*>(lParam)->cpMin = static_cast<LONG>(start);
            reinterpret_cast<CHARRANGE*>(lParam)->cpMax = static_cast<LONG>(end);
            return 0;
        case EM_GETTEXTEX: {
            const auto* request = reinterpret_cast<const GETTEXTEX*>(wParam);
            return GetWindowTextW(window, reinterpret_cast<wchar_t*>(lParam),
                                  static_cast<int>(request->cb / sizeof(wchar_t)));
        }
        case WM_NCDESTROY:
            RemovePropW(window, kStartProp);
            RemovePropW(window, kEndProp);
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

enum class ReaderKind { Edit, RichEdit, Combo };

std::unique_ptr<CSelectedTextReader> MakeReader(ReaderKind kind, HWND window) {
    switch (kind) {
        case ReaderKind::Edit:
            return std::make_unique<CEditSelectionReader>(window);
        case ReaderKind::RichEdit:
            return std::make_unique<CRichEditSelectionReader>(window);
        case ReaderKind::Combo:
            return std::make_unique<CComboSelectionReader>(window);
    }
    return nullptr;
}

struct BoundsCase {
    const char* name;
    ReaderKind kind;
    DWORD start;
    DWORD end;
    int bufferLength;  // 0: the size query
    int expectedResult;
    int expectedState;
    const wchar_t* expectedText;  // with a buffer
};

class ReaderBounds : public testing::TestWithParam<BoundsCase> {};

TEST_P(ReaderBounds, NeverWritePastTheBuffer) {
    const BoundsCase& c = GetParam();
    RegisterTestClass(kFakeSelectionClass, FakeSelectionProc);
    CWindowHandle window(CreateWindowExW(0, kFakeSelectionClass, L"abcdef", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                         nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    SetPropW(window.get(), kStartProp, reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(c.start)));
    SetPropW(window.get(), kEndProp, reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(c.end)));

    std::vector<wchar_t> buffer(64, L'#');
    int state = -1;
    const int result =
        MakeReader(c.kind, window.get())->Read(c.bufferLength ? buffer.data() : nullptr, c.bufferLength, state);
    EXPECT_EQ(c.expectedResult, result);
    EXPECT_EQ(c.expectedState, state);
    if (c.bufferLength) {
        EXPECT_STREQ(c.expectedText, c.expectedState == kSelectionRead ? buffer.data() : L"");
        const size_t untouchedFrom = c.expectedState == kSelectionRead ? wcslen(c.expectedText) + 1 : 0;
        for (size_t i = untouchedFrom; i < buffer.size(); ++i) ASSERT_EQ(L'#', buffer[i]) << "at " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ReaderBounds,
    testing::Values(BoundsCase{"EditSizeQuery", ReaderKind::Edit, 1, 4, 0, 4, kSelectionRead, L""},
                    BoundsCase{"EditExactFit", ReaderKind::Edit, 1, 4, 4, 3, kSelectionRead, L"bcd"},
                    // The selection grew after the size query: the old size no longer holds it.
                    BoundsCase{"EditGrewAfterQuery", ReaderKind::Edit, 1, 6, 4, 0, kSelectionUnreadable, L""},
                    BoundsCase{"EditEndBeyondText", ReaderKind::Edit, 2, 50, 60, 0, kSelectionUnreadable, L""},
                    BoundsCase{"EditReversed", ReaderKind::Edit, 4, 1, 10, 0, kSelectionNone, L""},
                    BoundsCase{"RichSizeQuery", ReaderKind::RichEdit, 2, 5, 0, 4, kSelectionRead, L""},
                    BoundsCase{"RichExactFit", ReaderKind::RichEdit, 2, 5, 4, 3, kSelectionRead, L"cde"},
                    BoundsCase{"RichGrewAfterQuery", ReaderKind::RichEdit, 0, 6, 4, 0, kSelectionUnreadable, L""},
                    BoundsCase{"RichEndBeyondText", ReaderKind::RichEdit, 2, 50, 60, 0, kSelectionUnreadable, L""},
                    BoundsCase{"ComboWithoutEditField", ReaderKind::Combo, 1, 4, 10, 0, kSelectionUnreadable, L""}),
    [](const testing::TestParamInfo<BoundsCase>& info) { return info.param.name; });

// ---- The clipboard reader against windows of this thread that answer a copy or not.

constexpr wchar_t kCopierClass[] = L"VxlCopierTest";
constexpr wchar_t kQuitProp[] = L"VxlQuitOnCopy";
constexpr wchar_t kCommandsProp[] = L"VxlCopyCommands";
constexpr WPARAM kEditCopyCommand = 0xE122;
constexpr int kQuitCode = 7;

LRESULT CALLBACK CopierProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && wParam == kEditCopyCommand) {
        const auto count = reinterpret_cast<INT_PTR>(GetPropW(window, kCommandsProp));
        SetPropW(window, kCommandsProp, reinterpret_cast<HANDLE>(count + 1));
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(window, kQuitProp);
        RemovePropW(window, kCommandsProp);
    }
    if (message != WM_COPY) return DefWindowProcW(window, message, wParam, lParam);
    wchar_t title[128] = {};
    GetWindowTextW(window, title, 128);
    PutClipboardText(window, title);
    if (GetPropW(window, kQuitProp)) PostQuitMessage(kQuitCode);
    return 0;
}

// Waits for one pulse of a named event from before the reader runs: SignalObjectAndWait
// starts the wait in the same step that says it is ready, so no pulse falls between.
class CPulseWatch {
public:
    explicit CPulseWatch(HANDLE event) : m_ready(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        m_thread = std::thread([this, event] { m_result = SignalObjectAndWait(m_ready.get(), event, 10000, FALSE); });
        WaitForSingleObject(m_ready.get(), INFINITE);
    }
    ~CPulseWatch() {
        if (m_thread.joinable()) m_thread.join();
    }
    bool Seen() {
        m_thread.join();
        return m_result == WAIT_OBJECT_0;
    }

private:
    CHandle m_ready;
    DWORD m_result = WAIT_FAILED;
    std::thread m_thread;
};

class ClipboardReader : public testing::Test {
protected:
    void SetUp() override {
        RegisterTestClass(kCopierClass, CopierProc);
        ASSERT_TRUE(CreateCopyEvents());
    }
    void TearDown() override {
        CloseCopyEvents();
        DrainMessages();
    }

    // A top-level window of this thread in the foreground, as the target is when its
    // selection is asked for.
    CWindowHandle ForegroundWindow(const wchar_t* className, const wchar_t* title) {
        CWindowHandle window = MakeTopLevel(className, title);
        if (!window) return window;
        SetForegroundWindow(window.get());
        SetFocus(window.get());
        DrainMessages();
        return window;
    }
};

TEST_F(ClipboardReader, CopiesFromAWindowThatAnswersWmCopy) {
    const CString title = L"\x0421\x043A\x043E\x043F\x0438\x0440\x043E\x0432\x0430\x043D\x043E \x8907\x88FD";
    CWindowHandle copier = ForegroundWindow(kCopierClass, title);
    ASSERT_TRUE(copier);
    if (GetForegroundWindow() != copier.get()) GTEST_SKIP() << "the test window did not come to the foreground";
    ASSERT_TRUE(PutClipboardText(copier.get(), kSentinel));

    CPulseWatch start(GetStartCopyEvent());
    CPulseWatch end(GetEndCopyEvent());
    CString text;
    int state = -1;
    EXPECT_TRUE(GetSelectedText(copier.get(), text, state));
    EXPECT_EQ(kSelectionRead, state);
    EXPECT_STREQ(title, text.GetString());
    EXPECT_TRUE(start.Seen());
    EXPECT_TRUE(end.Seen());
}

TEST_F(ClipboardReader, WindowThatDoesNotCopyGivesUnreadableAndAnEmptiedClipboard) {
    CWindowHandle deaf = ForegroundWindow(L"STATIC", L"does not copy");
    ASSERT_TRUE(deaf);
    ASSERT_TRUE(PutClipboardText(deaf.get(), kSentinel));

    CPulseWatch end(GetEndCopyEvent());
    CString text;
    int state = -1;
    EXPECT_FALSE(GetSelectedText(deaf.get(), text, state));
    EXPECT_EQ(kSelectionUnreadable, state);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_STREQ(L"(none)", ClipboardText().GetString());
    EXPECT_TRUE(end.Seen());
}

TEST_F(ClipboardReader, QuitPostedDuringTheCopyStaysForTheProgramsLoop) {
    CWindowHandle copier = ForegroundWindow(kCopierClass, L"quits while copying");
    ASSERT_TRUE(copier);
    if (GetForegroundWindow() != copier.get()) GTEST_SKIP() << "the test window did not come to the foreground";
    SetPropW(copier.get(), kQuitProp, reinterpret_cast<HANDLE>(1));

    CString text;
    int state = -1;
    EXPECT_TRUE(GetSelectedText(copier.get(), text, state));
    EXPECT_STREQ(L"quits while copying", text.GetString());

    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(static_cast<WPARAM>(kQuitCode), message.wParam);
}

// A program behind the seams: pressing Ctrl+C puts 8-bit text with its locale on the
// clipboard, as a program that offers no Unicode text does.
class CFakeProgram final : public IClipboard, public IInputSender {
public:
    bool Open(HWND, DWORD) override { return true; }
    void Close() override {}
    std::vector<UINT> Formats() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<UINT> formats;
        for (const auto& entry : m_formats) formats.push_back(entry.first);
        return formats;
    }
    bool Read(UINT format, std::vector<BYTE>& bytes) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_formats.find(format);
        if (found == m_formats.end()) return false;
        bytes = found->second;
        return true;
    }
    bool Empty() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_formats.clear();
        return true;
    }
    bool Write(UINT format, const void* bytes, size_t size) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto* first = static_cast<const BYTE*>(bytes);
        m_formats[format].assign(first, first + size);
        return true;
    }
    DWORD SequenceNumber() override { return 0; }

    UINT Send(const std::vector<INPUT>& inputs) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const INPUT& input : inputs) {
            m_keys.push_back(input.ki.wVk | ((input.ki.dwFlags & KEYEVENTF_KEYUP) ? 0x10000 : 0));
            const bool copyReleased = input.ki.wVk == 'C' && (input.ki.dwFlags & KEYEVENTF_KEYUP);
            if (copyReleased) {
                m_formats[CF_TEXT] = m_ansiText;
                m_formats[CF_LOCALE] = m_locale;
            }
        }
        return static_cast<UINT>(inputs.size());
    }

    void Answer(std::vector<BYTE> ansiText, LCID locale) {
        m_ansiText = std::move(ansiText);
        m_locale.resize(sizeof locale);
        memcpy(m_locale.data(), &locale, sizeof locale);
    }
    std::vector<DWORD> Keys() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_keys;
    }

private:
    std::mutex m_mutex;
    std::map<UINT, std::vector<BYTE>> m_formats;
    std::vector<BYTE> m_ansiText;
    std::vector<BYTE> m_locale;
    std::vector<DWORD> m_keys;
};

TEST_F(ClipboardReader, AnsiTextIsReadInTheCodePageOfItsLocale) {
    CWindowHandle window = MakeTopLevel(L"STATIC", L"ansi program");
    ASSERT_TRUE(window);
    struct {
        LCID locale;
        std::vector<BYTE> bytes;
        const wchar_t* expected;
    } const cases[] = {
        {MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT),
         {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, 0x00},
         L"\x041F\x0440\x0438\x0432\x0435\x0442"},
        {MAKELCID(MAKELANGID(LANG_GREEK, SUBLANG_DEFAULT), SORT_DEFAULT),
         {0xE1, 0xE2, 0xE3, 0x00},
         L"\x03B1\x03B2\x03B3"},
    };
    for (const auto& c : cases) {
        CFakeProgram program;
        program.Answer(c.bytes, c.locale);
        CClipboardSelectionReader reader(window.get(), false, program, program);
        int state = -1;
        const int needed = reader.Read(nullptr, 0, state);
        ASSERT_EQ(static_cast<int>(wcslen(c.expected)) + 1, needed);
        std::vector<wchar_t> buffer(needed);
        EXPECT_EQ(needed - 1, reader.Read(buffer.data(), needed, state));
        EXPECT_EQ(kSelectionRead, state);
        EXPECT_STREQ(c.expected, buffer.data());
        const std::vector<DWORD> pressed = {VK_CONTROL, 'C', VK_CONTROL | 0x10000, 'C' | 0x10000};
        EXPECT_EQ(pressed, program.Keys()) << "one copy serves the size query and the read";
    }
}

TEST_F(ClipboardReader, CopyByCommandAsksTheTopLevelWindowAndPressesNoKeys) {
    CWindowHandle copier = ForegroundWindow(kCopierClass, L"menu copy");
    ASSERT_TRUE(copier);
    if (GetForegroundWindow() != copier.get()) GTEST_SKIP() << "the test window did not come to the foreground";
    CFakeProgram program;
    CClipboardSelectionReader reader(copier.get(), true, program, program);
    int state = -1;
    EXPECT_EQ(0, reader.Read(nullptr, 0, state));
    EXPECT_EQ(kSelectionUnreadable, state);
    EXPECT_EQ(1, reinterpret_cast<INT_PTR>(GetPropW(copier.get(), kCommandsProp)));
    EXPECT_TRUE(program.Keys().empty());
}

}  // namespace
