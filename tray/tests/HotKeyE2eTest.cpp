// The main road, end to end: the real Vexlora.exe with a folder of phrases, the test target
// in the foreground, the hot key pressed through the system's input, the menu chosen by
// keys and the phrase read back from the target's control.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/TrayIds.h"
#include "core/base/TextConversions.h"
#include "pages/PromptDlgIds.h"
#include "phrases/Command.h"
#include "phrases/CommandSave.h"
#include "phrases/CommandTree.h"
#include "testkit/Clipboard.h"
#include "testkit/Controls.h"
#include "testkit/Keyboard.h"
#include "testkit/LogFile.h"
#include "testkit/Poll.h"
#include "testkit/ProgramFolder.h"
#include "testkit/Resident.h"
#include "testkit/TargetProgram.h"

namespace {

using namespace testkit;

struct CPhraseFile {
    const wchar_t* name;  // sorted by name in the menu
    const wchar_t* command;
    int dataType;
};

// Menu order: sorted by name.
const CPhraseFile kPhrases[] = {
    {L"a plain", L"Hello from the menu", VXL_DATA_TEXT},
    {L"b selected", L"[%SELECTED_TEXT%]", VXL_DATA_TEXT},
    {L"c caret", L"Dear %CURSOR_POS%, regards", VXL_DATA_TEXT},
    {L"d prompt", L"Hi %PROMPT_TEXT={Name}%!", VXL_DATA_TEXT},
    {L"e rich", L"{\\rtf1\\ansi Rich {\\b bold}}", VXL_DATA_RTF},
};

class HotKeyRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.Create());
        const CString phrases = m_folder.PathOf(L"Phrases");
        ASSERT_TRUE(CreateDirectoryW(phrases, nullptr));
        CVXLCommandTree tree;
        tree.Load(phrases, 1);
        for (const CPhraseFile& file : kPhrases) {
            CVXLCommand record;
            record.SetName(file.name);
            record.SetCommand(file.command);
            record.SetDataType(file.dataType);
            tree.GetRecords().push_back(std::move(record));
            ASSERT_EQ(1, tree.SaveRecord(tree.GetRecords().back()));
        }
        ASSERT_TRUE(WaitForPendingSaves(10000));
        ASSERT_TRUE(m_folder.WriteSettings(L"PhrasesDirectory=" + phrases +
                                           L"\r\nAddLastUsedMenuToBegin=0\r\nShowTrayBallonOnHotkey=0\r\n"
                                           L"WriteLog=1\r\nClipboardHistory=0\r\nSorting=1\r\n"));
        // The resident of an earlier test may still be going away with its hot key.
        ASSERT_TRUE(PollUntil(20000, [] { return !IsDefaultHotKeyTaken(); }))
            << "the hot key is taken by another program";
        ASSERT_TRUE(m_resident.Start(m_folder.PathOf(L"Vexlora.exe"), L""));
        // Asked of the resident itself: taking the key here to see whether it is free would
        // race with the resident's own registration.
        ASSERT_TRUE(PollUntil(20000, [this] {
            HWND tray = TrayWindowOf(m_resident.id());
            DWORD_PTR registered = 0;
            return tray &&
                   SendMessageTimeoutW(tray, WM_VXL_IS_HOTKEY_REGISTERED, 0, 0, SMTO_ABORTIFHUNG, 1000, &registered) &&
                   registered;
        })) << "the resident program registered no hot key";
        ASSERT_TRUE(m_target.Start(L"/focus:edit"));
    }
    void TearDown() override {
        if (HasFailure()) {
            const LogFileContent log = ReadLogFile(std::wstring(m_folder.PathOf(L"LogReport.txt").GetString()));
            std::printf("%s\n", WideToUtf8(log.Joined().c_str()).c_str());
            WIN32_FIND_DATAW found = {};
            HANDLE find = FindFirstFileW(m_folder.PathOf(L"Phrases\\*"), &found);
            for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found))
                std::printf("phrase file: %s\n", WideToUtf8(found.cFileName).c_str());
            if (find != INVALID_HANDLE_VALUE) FindClose(find);
        }
        if (m_resident.IsRunning()) {
            RunToExit(m_folder.PathOf(L"Vexlora.exe"), L"/exit", 20000);
            m_resident.WaitForExit(10000);
        }
    }

    // Presses the hot key in the control and chooses the menu's item at `index`.
    void ChooseByHotKey(HWND control, int index) {
        ASSERT_TRUE(FocusControl(control));
        ASSERT_TRUE(PressKey(VK_RETURN, kCtrl | kAlt));
        HWND menu = nullptr;
        ASSERT_TRUE(PollUntil(15000, [&] { return (menu = FindVisibleMenuWindowOf(m_resident.id())) != nullptr; }))
            << "no menu after the hot key";
        for (int i = 0; i <= index; ++i) PostKeyTo(menu, VK_DOWN);
        PostKeyTo(menu, VK_RETURN);
    }

    // The file the editor's naming gives a phrase ("a plain" -> "a_plain.vexlora").
    CString PhraseFile(const wchar_t* fileName) { return m_folder.PathOf(L"Phrases\\") + fileName; }

    CPrivateProgramFolder m_folder;
    CTestProcess m_resident;
    CTargetProgram m_target;
};

TEST_F(HotKeyRoad, APhraseChosenFromTheMenuIsTypedIntoTheTarget) {
    HWND edit = m_target.Control(IDC_TARGET_EDIT);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Alice"));
    SendMessageW(edit, EM_SETSEL, 0, -1);
    ASSERT_NO_FATAL_FAILURE(ChooseByHotKey(edit, 1));
    EXPECT_TRUE(WaitForControlText(edit, L"[Alice]")) << "the selection replaced by the phrase around it";

    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_NO_FATAL_FAILURE(ChooseByHotKey(edit, 0));
    EXPECT_TRUE(WaitForControlText(edit, L"Hello from the menu"));

    HWND memo = m_target.Control(IDC_TARGET_MEMO);
    ASSERT_NO_FATAL_FAILURE(ChooseByHotKey(memo, 2));
    EXPECT_TRUE(WaitForControlText(memo, L"Dear , regards"));
    EXPECT_TRUE(WaitForSelection(memo, {5, 5})) << "the caret where the phrase put it";

    // The use is counted in the phrase's own file.
    ASSERT_TRUE(PollUntil(10000, [&] {
        CVXLCommand read;
        return ReadCommandFile(read, PhraseFile(L"a_plain.vexlora")) && read.GetUsageCount() == 1;
    })) << "the usage count of \"a plain\" was not saved";
}

// A prompt is asked in the program's own dialog and its answer typed in its place.
TEST_F(HotKeyRoad, APromptIsAskedAndItsAnswerTyped) {
    HWND edit = m_target.Control(IDC_TARGET_EDIT);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_NO_FATAL_FAILURE(ChooseByHotKey(edit, 3));
    const DWORD uiThread = GetWindowThreadProcessId(TrayWindowOf(m_resident.id()), nullptr);
    HWND dialog = nullptr;
    ASSERT_TRUE(PollUntil(15000, [&] { return (dialog = FindVisibleDialogOf(uiThread)) != nullptr; })) << "no prompt";
    SendMessageW(GetDlgItem(dialog, IDC_PROMPT_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Alice"));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForControlText(edit, L"Hi Alice!"));
}

// A formatted phrase is pasted into the RichEdit with its text.
TEST_F(HotKeyRoad, AFormattedPhraseIsPastedIntoTheRichEdit) {
    HWND rich = m_target.Control(IDC_TARGET_RICH);
    ASSERT_NO_FATAL_FAILURE(ChooseByHotKey(rich, 4));
    EXPECT_TRUE(WaitForControlText(rich, L"Rich bold"));
}

// Escape: nothing is typed, and the clipboard holds exactly what it held before.
TEST_F(HotKeyRoad, EscapeLeavesTheTargetAndTheClipboardAsTheyWere) {
    ASSERT_TRUE(SetClipboardText(L"the user's own clip"));
    HWND edit = m_target.Control(IDC_TARGET_EDIT);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"untouched"));
    ASSERT_TRUE(FocusControl(edit));
    ASSERT_TRUE(PressKey(VK_RETURN, kCtrl | kAlt));
    HWND menu = nullptr;
    ASSERT_TRUE(PollUntil(15000, [&] { return (menu = FindVisibleMenuWindowOf(m_resident.id())) != nullptr; }));
    PostKeyTo(menu, VK_ESCAPE);
    ASSERT_TRUE(PollUntil(10000, [&] { return FindVisibleMenuWindowOf(m_resident.id()) == nullptr; }));
    Sleep(500);  // room for a paste that must not come
    CResult<CString> text = ReadControlText(edit);
    ASSERT_TRUE(text);
    EXPECT_EQ(std::wstring(L"untouched"), std::wstring(text.value().GetString()));
    CResult<CString> clip = ReadClipboardText();
    ASSERT_TRUE(clip);
    EXPECT_EQ(std::wstring(L"the user's own clip"), std::wstring(clip.value().GetString()));
}

}  // namespace
