#include "phrases/Actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/fakes/RecordingActionServices.h"

namespace {

using testkit::CRecordingServices;

CVXLActionContext Context(int dataType) {
    CVXLActionContext context;
    context.dataType = dataType;
    context.selectedText = L"SEL";
    context.clipboardText = L"CLIP";
    context.language = 0x0419;
    return context;
}

std::vector<std::wstring> BuildAndRun(const CVXLActionContext& context, const CString& command,
                                      CRecordingServices& services) {
    CVXLActionList actions;
    EXPECT_EQ(1, BuildActions(context, command, actions));
    RunActions(context, actions, services);
    return services.calls;
}

TEST(Actions, TypingOrClipboardFollowsTheMethodAndTheLength) {
    const CString shortText(L'x', 99);
    const CString limitText(L'x', 100);
    struct Case {
        int method;
        int limit;
        const CString* text;
        bool typed;
    } cases[] = {
        {0, 100, &limitText, true},  {1, 100, &shortText, false}, {2, 100, &shortText, true},
        {2, 100, &limitText, false}, {2, 5, &shortText, false},   {5, 100, &limitText, true},
        {-1, 100, &limitText, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.method << " limit " << c.limit << " length "
                                        << c.text->GetLength());
        CRecordingServices services;
        services.method = c.method;
        services.limit = c.limit;
        CVXLAction_Text action(*c.text, 0, 0);
        EXPECT_EQ(c.typed, action.IsDirectPrint(services));
        EXPECT_EQ(1, action.Run(nullptr, services));
        ASSERT_FALSE(services.calls.empty());
        EXPECT_EQ(c.typed ? L"type " : L"clipboard text ", services.calls[0].substr(0, c.typed ? 5 : 15));
    }
}

TEST(Actions, TheClipboardRoadPastesFromItsOwnThreadAfterTheDelay) {
    CRecordingServices services;
    services.method = 1;
    CVXLAction_Text action(L"Hello", 3, 0x0409);
    EXPECT_EQ(1, action.Run(nullptr, services));
    const std::vector<std::wstring> expected = {L"clipboard text Hello", L"sleep 400", L"ctrl+v left 3"};
    EXPECT_EQ(expected, services.calls);
    EXPECT_NE(0u, services.pasteThread);
    EXPECT_NE(GetCurrentThreadId(), services.pasteThread);
}

TEST(Actions, AFailedClipboardWriteEndsOnlyItsOwnAction) {
    CRecordingServices services;
    services.method = 1;
    services.clipboardWorks = false;
    const std::vector<std::wstring> calls = BuildAndRun(Context(0), L"one%PROMPT_TEXT={Name}%two", services);
    // Nothing is pasted for either text, yet the prompt between them is still asked.
    const std::vector<std::wstring> expected = {L"clipboard text one", L"ask Name", L"focus back",
                                                L"clipboard text answer", L"clipboard text two"};
    EXPECT_EQ(expected, calls);
}

TEST(Actions, APromptBetweenTwoTextsBuildsThreeActionsAndCancelPastesOnlyTheTexts) {
    CVXLActionList actions;
    ASSERT_EQ(1, BuildActions(Context(0), L"Dear %PROMPT_TEXT={Name}%, see %CLIPBOARD_TEXT%%CURSOR_POS%!", actions));
    ASSERT_EQ(3u, actions.size());
    EXPECT_NE(nullptr, dynamic_cast<CVXLAction_Text*>(actions[0].get()));
    EXPECT_NE(nullptr, dynamic_cast<CVXLAction_Prompt*>(actions[1].get()));
    auto* last = dynamic_cast<CVXLAction_Text*>(actions[2].get());
    ASSERT_NE(nullptr, last);
    EXPECT_STREQ(L"Dear ", actions[0]->GetText());
    EXPECT_STREQ(L"Name", actions[1]->GetText());
    EXPECT_STREQ(L", see CLIP!", last->GetText());
    EXPECT_EQ(1, last->GetCursorBack());
    EXPECT_EQ(0x0419, last->GetLanguage());
    EXPECT_STREQ(L"Dear Name, see CLIP!", JoinActionTexts(actions));

    CRecordingServices services;
    services.promptResult = IDCANCEL;
    EXPECT_EQ(1, RunActions(Context(0), actions, services));
    const std::vector<std::wstring> expected = {L"type Dear  left 0", L"ask Name", L"focus back",
                                                L"type , see CLIP! left 1"};
    EXPECT_EQ(expected, services.calls);
}

TEST(Actions, AnAnsweredPromptIsPastedLikeText) {
    CRecordingServices services;
    services.promptAnswer = L"Anna";
    const std::vector<std::wstring> calls = BuildAndRun(Context(0), L"%PROMPT_TEXT={Who}%", services);
    const std::vector<std::wstring> expected = {L"ask Who", L"focus back", L"type Anna left 0"};
    EXPECT_EQ(expected, calls);
}

TEST(Actions, RtfGoesFormattedThroughTheClipboardWithItsPlainTextAndLanguage) {
    CRecordingServices services;
    CVXLAction_RTF action(L"{\\rtf1 Bold}", 2, 0x0419);
    EXPECT_EQ(1, action.Run(nullptr, services));
    const std::vector<std::wstring> expected = {
        L"clipboard rtf {\\rtf1 Bold} plain plain of {\\rtf1 Bold} language 1049", L"sleep 400", L"ctrl+v left 2"};
    EXPECT_EQ(expected, services.calls);
}

TEST(Actions, ExecRunsEachTextPartAsItsOwnCommand) {
    CRecordingServices services;
    const std::vector<std::wstring> calls =
        BuildAndRun(Context(2), L"notepad.exe%PROMPT_TEXT={File}%calc.exe", services);
    // The prompt's answer is typed into the target, as the command road always did.
    const std::vector<std::wstring> expected = {
        L"open [notepad.exe] []", L"launch sound",       L"ask File",    L"focus back",
        L"type answer left 0",    L"open [calc.exe] []", L"launch sound"};
    EXPECT_EQ(expected, calls);
}

TEST(Actions, AFailedCommandShowsTheSystemTextAndWhatWasTried) {
    CRecordingServices services;
    services.shellWorks = false;
    EXPECT_FALSE(RunCommand(nullptr, L"no_such_program_here.exe /x", services));
    CString line;
    for (int i = 0; i < 30; ++i) line += L'\x2014';
    const CString expected = CString(L"The system cannot find the file specified.") +
                             L"\n\nCommand: no_such_program_here.exe /x" +
                             L"\n\nSource Command: no_such_program_here.exe /x\n\nProcessed Command:\n" + line +
                             L"\nPath: [no_such_program_here.exe /x]\nCommand Line: []";
    EXPECT_STREQ(expected, services.boxText);

    CRecordingServices silent;
    silent.shellWorks = false;
    silent.errorText = L"";
    EXPECT_FALSE(RunCommand(nullptr, L"no_such_program_here.exe", silent));
    const std::vector<std::wstring> tried = {L"open [no_such_program_here.exe] []"};
    EXPECT_EQ(tried, silent.calls);
}

TEST(Actions, RunCommandKeepsTheThreadsLastError) {
    CRecordingServices services;
    services.shellWorks = false;
    SetLastError(1234);
    RunCommand(nullptr, L"missing.exe", services);
    EXPECT_EQ(1234u, GetLastError());
}

TEST(Actions, UnknownDataTypesAndEmptyListsDoNothing) {
    CVXLActionList actions;
    EXPECT_EQ(0, BuildActions(Context(3), L"text", actions));
    EXPECT_TRUE(actions.empty());
    CRecordingServices services;
    EXPECT_EQ(0, RunActions(Context(0), actions, services));
    EXPECT_TRUE(services.calls.empty());
    EXPECT_STREQ(L"", JoinActionTexts(actions));
}

TEST(Actions, ExecExpansionJoinsTheSelectionsLines) {
    EXPECT_STREQ(L"find a b c", ExpandMacrosForWindow(L"find %SELECTED_TEXT%", nullptr, L"a\r\nb\r\nc", L""));
}

}  // namespace
