#include "core/base/NamedObjects.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tinyxml.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/SettingsArea.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/SharedEvents.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "testkit/TempFolder.h"

namespace {

std::wstring TestBinFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"vxl_objects_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

DWORD RunProbe(const std::wstring& arguments) {
    std::wstring command = L"\"" + TestBinFolder() + L"vxl_object_probe.exe\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 1000;
    CloseHandle(info.hThread);
    CHandle process(info.hProcess);
    if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return 1001;
    DWORD code = 1002;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

std::string ReadFileBytes(const std::wstring& path) {
    return FileExists(path.c_str()) ? testkit::ReadFileBytes(path.c_str()) : "<missing>";
}

// The settings area as another program sees it.
std::string ReadSettingsAreaFromAnotherProcess() {
    std::wstring out = TempFile(L"area.txt");
    DWORD code = RunProbe(L"mapping \"" + std::wstring(kSettingsAreaName) + L"\" \"" + out + L"\"");
    std::string bytes = code == 0 ? ReadFileBytes(out) : "<probe failed " + std::to_string(code) + ">";
    DeleteFileW(out.c_str());
    return bytes;
}

bool WaitForPostedMessage(UINT message, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < timeoutMs) {
        if (PeekMessageW(&msg, nullptr, message, message, PM_REMOVE)) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
    }
    return false;
}

}  // namespace

TEST(OpenSecurity, EveryoneGetsAllAccessAndAnotherProcessOpensTheObject) {
    SECURITY_ATTRIBUTES attributes = {};
    ASSERT_TRUE(InitSecurityAttributes_Everyone(&attributes));
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), attributes.nLength);
    EXPECT_FALSE(attributes.bInheritHandle);
    const wchar_t* name = L"Local\\Vexlora_Test_OpenSecurity";
    CHandle event(CreateEventW(&attributes, TRUE, FALSE, name));
    ASSERT_TRUE(event.valid());

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetSecurityInfo(event.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor));
    ASSERT_NE(nullptr, dacl);
    ASSERT_EQ(1, dacl->AceCount);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    EXPECT_EQ(0x1F01FFu, ace->Mask);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    EXPECT_TRUE(EqualSid(everyone, &ace->SidStart));
    FreeSid(everyone);
    LocalFree(descriptor);

    EXPECT_EQ(0u, RunProbe(L"event " + std::wstring(name)));
    EXPECT_EQ(1u, RunProbe(L"event Local\\Vexlora_Test_NoSuchEvent"));
}

TEST(SettingsArea, ExactBytesSeenByAnotherProcess) {
    ASSERT_TRUE(WriteSettingsArea(0x0D, 3, false, L""));
    EXPECT_EQ("<?xml version=\"1.0\" ?>\r\n<VexloraSettings HotKey_Key=\"13\" HotKey_Mod=\"3\" Double=\"0\" />\r\n",
              ReadSettingsAreaFromAnotherProcess());
    EXPECT_TRUE(CMMFFile::OpenMMF_File_Test(kSettingsAreaName));
}

TEST(SettingsArea, SelectedTextIsEscapedUtf8) {
    ASSERT_TRUE(WriteSettingsArea(0x41, 6, true, L"a<b & \"c\" \x0416 \xD83D\xDE00"));
    EXPECT_EQ(
        "<?xml version=\"1.0\" ?>\r\n<VexloraSettings HotKey_Key=\"65\" HotKey_Mod=\"6\" Double=\"1\">\r\n"
        "    <SelText>a&lt;b &amp; &quot;c&quot; \xD0\x96 \xF0\x9F\x98\x80</SelText>\r\n</VexloraSettings>\r\n",
        ReadSettingsAreaFromAnotherProcess());
}

TEST(SettingsArea, OverLongTextIsCutToFitNeverLeftStale) {
    std::wstring logPath = TempFile(L"log.txt");
    ASSERT_EQ(1, LogInit(logPath.c_str()));
    ASSERT_TRUE(WriteSettingsArea(13, 3, false, L"an older selection"));

    struct Case {
        const char* name;
        std::wstring text;
    } cases[] = {
        {"ampersands", std::wstring(2000, L'&')},
        {"emoji pairs",
         [] {
             std::wstring s;
             for (int i = 0; i < 600; ++i) s += L"\xD83D\xDE00";
             return s;
         }()},
        {"mixed", std::wstring(300, L'x') + std::wstring(400, L'\x0416') + L"<>"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(WriteSettingsArea(13, 3, false, c.text.c_str())) << c.name;
        std::string area = ReadSettingsAreaFromAnotherProcess();
        EXPECT_LE(area.size(), 1023u) << c.name;
        TiXmlDocument document;
        document.Parse(area.c_str());
        ASSERT_FALSE(document.Error()) << c.name << ": " << document.ErrorDesc();
        TiXmlElement* selText = document.RootElement()->FirstChildElement("SelText");
        ASSERT_NE(nullptr, selText) << c.name;
        std::wstring kept = Utf8ToWide(selText->GetText());
        EXPECT_GT(kept.size(), 100u) << c.name;
        EXPECT_EQ(c.text.substr(0, kept.size()), kept) << c.name << ": not a prefix, or a character was split";
        // The next character would not have fitted.
        EXPECT_GT(BuildSettingsAreaXml(13, 3, false, c.text.substr(0, kept.size() + 2).c_str()).size(), 1023u)
            << c.name;
    }
    ASSERT_TRUE(LogWaitPending(20000));
    LogShutdown();
    std::string log = ReadFileBytes(logPath);
    std::wstring logText(reinterpret_cast<const wchar_t*>(log.data()), log.size() / 2);
    EXPECT_NE(std::wstring::npos, logText.find(L"ERROR: [WriteSettingsArea: the selected text of 2000 characters"));
    DeleteFileW(logPath.c_str());
}

TEST(OptionsChanged, OneEventAndAPulseReleasesAWaiter) {
    HANDLE first = CreateOptionsChangedEvent();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, CreateOptionsChangedEvent());
    CHandle editorSide(OpenEventW(SYNCHRONIZE, FALSE, kOptionsChangedEventName));
    ASSERT_TRUE(editorSide.valid());
    ASSERT_TRUE(PulseOptionsChangedAsync());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(editorSide.get(), 10000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(editorSide.get(), 0)) << "reset after the pulse";
}

// Shutdown closes the event while a pulse may still be on its way. The closed handle's
// value goes to the next object made (the system hands out the lowest free slot), so a
// pulse that still used it would set that object instead.
TEST(OptionsChanged, ClosedEventIsForgottenAndALatePulseSetsNothing) {
    ASSERT_NE(nullptr, CreateOptionsChangedEvent());
    CHandle editorSide(OpenEventW(SYNCHRONIZE, FALSE, kOptionsChangedEventName));
    ASSERT_TRUE(editorSide.valid());

    CloseOptionsChangedEvent();
    CHandle successor(CreateEventW(nullptr, TRUE, FALSE, nullptr));  // manual reset: a waiter sees every set
    ASSERT_TRUE(successor.valid());
    HANDLE waits[2] = {successor.get(), editorSide.get()};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(PulseOptionsChangedAsync());
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForMultipleObjects(2, waits, FALSE, 300)) << "pulse " << i;
    }

    // Made anew on the next call, and pulses reach the editor again.
    ASSERT_NE(nullptr, CreateOptionsChangedEvent());
    DWORD released = WAIT_TIMEOUT;
    for (int i = 0; i < 50 && released != WAIT_OBJECT_0; ++i) {
        ASSERT_TRUE(PulseOptionsChangedAsync());
        released = WaitForSingleObject(editorSide.get(), 200);
    }
    EXPECT_EQ(WAIT_OBJECT_0, released);
    CloseOptionsChangedEvent();
}

TEST(EditorCoopWatcher, PostsPerSignalAndEndsOnStopEvenWhileSignalled) {
    const UINT message = WM_APP + 77;
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(StartEditorCoopWatcher({stop.get(), window, message}));

    CHandle coop;
    for (int i = 0; i < 100 && !coop; ++i) {
        coop.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, GetEditorCoopEventName()));
        if (!coop) Sleep(20);
    }
    ASSERT_TRUE(coop.valid()) << "the watcher did not create its event";
    SetEvent(coop.get());
    EXPECT_TRUE(WaitForPostedMessage(message, 10000));

    SetEvent(stop.get());
    SetEvent(coop.get());
    coop.reset();
    // The watcher closes its event when it ends; then nobody holds the name.
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        CHandle probe(OpenEventW(SYNCHRONIZE, FALSE, GetEditorCoopEventName()));
        ended = !probe.valid();
        if (!ended) Sleep(20);
    }
    EXPECT_TRUE(ended);
    DestroyWindow(window);
}

TEST(CopyEvents, PulsesReachAWaiterAndCloseReleasesTheNames) {
    ASSERT_TRUE(CreateCopyEvents());
    ASSERT_NE(nullptr, GetStartCopyEvent());
    ASSERT_NE(nullptr, GetEndCopyEvent());
    struct Case {
        HANDLE event;
        bool (*signal)();
    } cases[] = {{GetStartCopyEvent(), &SignalStartCopy}, {GetEndCopyEvent(), &SignalEndCopy}};
    for (const Case& c : cases) {
        // A pulse releases only a waiter that waits at that moment: pulse until the
        // waiter has been released, however late its thread starts waiting.
        std::atomic<DWORD> result{WAIT_FAILED};
        std::atomic<bool> done{false};
        std::thread waiter([&] {
            result = WaitForSingleObject(c.event, 20000);
            done = true;
        });
        for (int i = 0; i < 400 && !done; ++i) {
            EXPECT_TRUE(c.signal());
            Sleep(25);
        }
        waiter.join();
        EXPECT_EQ(WAIT_OBJECT_0, result.load());
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(c.event, 0)) << "reset after the pulse";
    }
    CloseCopyEvents();
    EXPECT_EQ(nullptr, GetStartCopyEvent());
    EXPECT_FALSE(SignalStartCopy()) << "no event of that name is left";
}

TEST(Names, ComposedNames) {
    EXPECT_STREQ(L"Local\\Vexlora_WriteUnlockSync_Vexlora", GetWriteUnlockEventName());
    EXPECT_STREQ(L"Local\\Vexlora_Event_PhraseEditorAgentCoop_Ended", GetEditorCoopEventName());
    EXPECT_NE(0u, GetTargetQueryMessage());
    EXPECT_EQ(GetTargetQueryMessage(), RegisterWindowMessageW(L"{FC970502-EECA-4c50-AF80-CF39EA345E99"));
}

TEST(LogReportPath, ProgramFolderWhenWritableElseApplicationData) {
    std::wstring folder = TempFile(L"program");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetProgramFolderForTest(folder.c_str());
    wchar_t appData[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE);
    const std::wstring inFolder = folder + L"\\LogReport.txt";
    const std::wstring inProfile =
        WithTrailingBackslash(CString(appData)).GetString() + std::wstring(L"LogReport_Vexlora.txt");

    EXPECT_EQ(inFolder, BuildLogReportPath().GetString()) << "writable folder, no file yet";
    CFileHandle(CreateFileW(inFolder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(inFolder, BuildLogReportPath().GetString()) << "writable file";
    ASSERT_TRUE(SetFileAttributesW(inFolder.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(inProfile, BuildLogReportPath().GetString()) << "read-only file";
    SetDriveRemovableForTest(1);
    EXPECT_EQ(inFolder, BuildLogReportPath().GetString()) << "a stick keeps its log beside the program";
    SetDriveRemovableForTest(-1);

    SetFileAttributesW(inFolder.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(inFolder.c_str());
    RemoveDirectoryW(folder.c_str());
    SetProgramFolderForTest(nullptr);
}
