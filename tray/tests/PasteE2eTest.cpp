// A phrase delivered into another program as the user will see it: VxlTarget.exe gets the
// phrase typed, pasted through the clipboard, pasted as formatted text and asked for in a
// prompt, through the real services of the main program (keyboard, clipboard, prompt
// dialog), and every control shows exactly what the phrase says.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/MyCopyGuard.h"
#include "core/base/TextConversions.h"
#include "pages/PromptDlgIds.h"
#include "pages/richedit/RichEditStream.h"
#include "phrases/Actions.h"
#include "testkit/Poll.h"
#include "testkit/TempFolder.h"
#include "testkit/TestKit.h"
#include "tray/ActionServices.h"

using namespace testkit;

namespace {

enum Road { kTyping = 0, kClipboard = 1 };

// The real services with the paste method chosen by the test instead of the settings.
class CTestServices : public CSystemActionServices {
public:
    explicit CTestServices(Road method) : m_method(method) {}
    int PasteMethod() override { return m_method; }
    int PrintLTChars() override { return 100; }

private:
    int m_method;
};

std::string Printable(const CString& text) {
    std::string out;
    for (int i = 0; i < text.GetLength(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r')
            out += "\\r";
        else if (c == L'\n')
            out += "\\n";
        else if (c == L'\t')
            out += "\\t";
        else
            out += WideToUtf8(CString(c));
    }
    return out;
}

class Paste : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_target.Start(L"/focus:memo")); }

    // Empties the control, gives it the focus and delivers the phrase to it.
    void Deliver(HWND control, const CString& phrase, int dataType, Road method) {
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        ASSERT_TRUE(FocusControl(control));
        CVXLActionContext context;
        context.target = control;
        context.dataType = dataType;
        CVXLActionList actions;
        ASSERT_EQ(1, BuildActions(context, phrase, actions));
        CTestServices services(method);
        ASSERT_EQ(1, RunActions(context, actions, services));
    }

    CTargetProgram m_target;
};

// The same phrase, with a TAB, line breaks of both kinds, Cyrillic and an emoji, typed and
// pasted into each kind of edit field. A single-line field keeps what a user's own typing
// or Ctrl+V would leave there: it takes no TAB or line break from the keyboard, and only
// the first line of a paste.
TEST_F(Paste, APhraseArrivesExactlyByTypingAndByTheClipboard) {
    const CString phrase = L"Tab\there\r\nЖук и\nend 😀";
    const struct {
        int control;
        Road method;
        const wchar_t* expected;
    } kCases[] = {
        {IDC_TARGET_MEMO, kTyping, L"Tab\there\r\nЖук и\r\nend 😀"},
        {IDC_TARGET_MEMO, kClipboard, L"Tab\there\r\nЖук и\nend 😀"},
        {IDC_TARGET_RICH, kTyping, L"Tab\there\r\nЖук и\r\nend 😀"},
        {IDC_TARGET_RICH, kClipboard, L"Tab\there\r\nЖук и\r\nend 😀"},
        {IDC_TARGET_EDIT, kTyping, L"TabhereЖук иend 😀"},
        {IDC_TARGET_EDIT, kClipboard, L"Tab\there"},
    };
    for (const auto& c : kCases) {
        HWND control = m_target.Control(c.control);
        SCOPED_TRACE(WideToUtf8(DescribeWindow(control)) + (c.method == kTyping ? " typed" : " pasted"));
        Deliver(control, phrase, 0, c.method);
        const CCheck arrived = WaitForControlText(control, c.expected);
        const CResult<CString> seen = ReadControlText(control);
        EXPECT_TRUE(arrived) << "saw \"" << (seen.ok() ? Printable(seen.value()) : std::string("?")) << "\"";
        EXPECT_EQ(0, GetMyCopyLockCount()) << "every clipboard write released its lock";
    }
}

// The caret mark: the caret ends where the phrase put it, on both roads.
TEST_F(Paste, TheCaretEndsAtTheCaretMark) {
    HWND memo = m_target.Control(IDC_TARGET_MEMO);
    for (Road method : {kTyping, kClipboard}) {
        SCOPED_TRACE(method == kTyping ? "typed" : "pasted");
        Deliver(memo, L"Dear %CURSOR_POS%, ours 😀", 0, method);
        ASSERT_TRUE(WaitForControlText(memo, L"Dear , ours 😀"));
        EXPECT_TRUE(WaitForSelection(memo, {5, 5}));
    }
}

// A formatted phrase, stored as the editor stores it (the RichEdit's RTF streamed out as
// UTF-8), goes to the clipboard as 8-bit RTF with its plain text; the RichEdit keeps its
// text, its non-ASCII letters and its bold.
TEST_F(Paste, AnRtfPhraseKeepsItsTextAndBold) {
    HWND rich = m_target.Control(IDC_TARGET_RICH);
    HWND converter = GetHiddenRichEdit();
    ASSERT_NE(nullptr, converter);
    ASSERT_TRUE(RichEdit_StreamInRtfBytes(
        converter, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 plain {\\b \\u1046?\\u1091?\\u1082? bold} end}"));
    const CString rtf = RichEdit_GetRtf(converter);
    ASSERT_TRUE(IsUnicodeRtf(rtf)) << WideToUtf8(rtf);
    Deliver(rich, rtf, 1, kClipboard);
    // The stored RTF ends with the control's own final paragraph mark, which comes along.
    ASSERT_TRUE(WaitForControlText(rich, L"plain Жук bold end\r\n"));

    const CString folder = MakeUniqueTempFolder(L"paste_rtf");
    const CResult<std::string> dumped = m_target.ReadRichRtf(folder + L"\\rich.rtf");
    RemoveTree(folder);
    ASSERT_TRUE(dumped);
    const std::string& out = dumped.value();
    const size_t bold = out.find("\\b ");
    const size_t boldEnd = out.find("\\b0", bold == std::string::npos ? 0 : bold);
    ASSERT_NE(std::string::npos, bold) << out;
    ASSERT_NE(std::string::npos, boldEnd) << out;
    EXPECT_NE(std::string::npos, out.find("bold", bold)) << out;
    EXPECT_LT(out.find("bold", bold), boldEnd) << "\"bold\" stands inside the bold run: " << out;
    ASSERT_NE(std::string::npos, out.find("plain")) << out;
    EXPECT_LT(out.find("plain"), bold) << "\"plain\" stands before the bold run: " << out;

    const CResult<CString> clipboard = ReadClipboardText();
    ASSERT_TRUE(clipboard);
    EXPECT_STREQ(L"plain Жук bold end", clipboard.value().GetString()) << "the plain text goes along";
}

// Answers the prompt dialog that this thread is about to show: `answer` typed into its
// field and OK, or Cancel when there is no answer.
std::thread AnswerPrompt(DWORD thread, const wchar_t* answer, bool& seen) {
    return std::thread([thread, answer, &seen] {
        HWND dialog = nullptr;
        seen = PollUntil(kWaitMs, [&] { return (dialog = FindVisibleDialogOf(thread)) != nullptr; });
        if (!seen) return;
        if (answer) {
            SendMessageW(GetDlgItem(dialog, IDC_PROMPT_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
}

// A prompt between two texts: the answer arrives between them, and the focus is back
// in the target for the text after it.
TEST_F(Paste, AnAnsweredPromptArrivesWithTheAnswer) {
    HWND memo = m_target.Control(IDC_TARGET_MEMO);
    for (Road method : {kTyping, kClipboard}) {
        SCOPED_TRACE(method == kTyping ? "typed" : "pasted");
        bool seen = false;
        std::thread driver = AnswerPrompt(GetCurrentThreadId(), L"Иван 😀", seen);
        Deliver(memo, L"Hello, %PROMPT_TEXT={Name}%! Bye", 0, method);
        driver.join();
        ASSERT_TRUE(seen) << "the prompt never showed";
        EXPECT_TRUE(WaitForControlText(memo, L"Hello, Иван 😀! Bye"));
    }
}

// A cancelled prompt pastes nothing of its own and leaves the user's clipboard as it was.
TEST_F(Paste, ACancelledPromptLeavesTheTargetAndTheClipboardAlone) {
    HWND memo = m_target.Control(IDC_TARGET_MEMO);
    ASSERT_TRUE(SetClipboardText(L"the user's own text"));
    bool seen = false;
    std::thread driver = AnswerPrompt(GetCurrentThreadId(), nullptr, seen);
    Deliver(memo, L"%PROMPT_TEXT={Name}%", 0, kClipboard);
    driver.join();
    ASSERT_TRUE(seen) << "the prompt never showed";
    Sleep(600);
    const CResult<CString> text = ReadControlText(memo);
    ASSERT_TRUE(text);
    EXPECT_STREQ(L"", text.value().GetString());
    const CResult<CString> clipboard = ReadClipboardText();
    ASSERT_TRUE(clipboard);
    EXPECT_STREQ(L"the user's own text", clipboard.value().GetString());
}

}  // namespace
