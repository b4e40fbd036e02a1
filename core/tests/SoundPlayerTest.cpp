// The event sounds. Wine has no sound device, and its asynchronous PlaySoundW succeeds
// even for a missing file, so what would be played is recorded through the output seam;
// the sound files and the stand-in sound library are the built ones.
#include <windows.h>
#include <audiopolicy.h>
#include <gtest/gtest.h>
#include <mmdeviceapi.h>
#include <mmsystem.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/RunAsAdmin.h"
#include "core/Settings.h"
#include "core/SoundPlayer.h"
#include "core/SystemInfo.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/PlatformBinding.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "testkit/CaseLog.h"
#include "testkit/Poll.h"
#include "testkit/Process.h"
#include "testkit/ProgramFolder.h"

namespace {

const DWORD kWaitMs = 20000;  // only against hanging

struct SoundCall {
    std::wstring sound;  // "<stop>", "<beep>", "<id>" or the file or alias
    DWORD flags = 0;
    DWORD thread = 0;
    bool operator==(const SoundCall& other) const { return sound == other.sound && flags == other.flags; }
};

void PrintTo(const SoundCall& call, std::ostream* out) {
    *out << WideToUtf8(call.sound.c_str()) << " flags=0x" << std::hex << call.flags;
}

// Takes the place of the system's sound output for its lifetime and records every call.
class CSoundRecorder final : public ISoundOutput {
public:
    CSoundRecorder() : m_previous(SetSoundOutputForTest(this)) {}
    ~CSoundRecorder() override { SetSoundOutputForTest(m_previous); }
    CSoundRecorder(const CSoundRecorder&) = delete;
    CSoundRecorder& operator=(const CSoundRecorder&) = delete;

    BOOL Play(const wchar_t* sound, DWORD flags) override {
        SoundCall call;
        if (!sound)
            call.sound = L"<stop>";
        else if (flags & SND_ALIAS_ID & ~SND_ALIAS)
            call.sound = L"<id " + std::to_wstring(reinterpret_cast<UINT_PTR>(sound)) + L">";
        else
            call.sound = sound;
        call.flags = flags;
        return Record(call, sound != nullptr);
    }
    BOOL Beep(UINT type) override { return Record({L"<beep>", type, 0}, true); }

    // Answers of the calls that play something, in order; TRUE when none is left.
    void QueueAnswers(const std::vector<BOOL>& answers) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_answers.insert(m_answers.end(), answers.begin(), answers.end());
    }
    // Runs on the playing thread after the next call is recorded.
    void OnNextPlay(std::function<void()> action) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_onPlay = std::move(action);
    }
    bool WaitForCalls(size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return m_calls.size() >= count; });
    }
    std::vector<SoundCall> Calls() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_calls;
    }
    // Forgets the calls and the answers not given yet.
    void Clear() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.clear();
        m_answers.clear();
    }

private:
    BOOL Record(SoundCall call, bool playing) {
        call.thread = GetCurrentThreadId();
        BOOL answer = TRUE;
        std::function<void()> action;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_calls.push_back(call);
            if (playing && !m_answers.empty()) {
                answer = m_answers.front();
                m_answers.pop_front();
            }
            action.swap(m_onPlay);
        }
        m_changed.notify_all();
        if (action) action();
        return answer;
    }

    ISoundOutput* m_previous;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<SoundCall> m_calls;
    std::deque<BOOL> m_answers;
    std::function<void()> m_onPlay;
};

// The built program folder, with its trailing backslash.
CString BuiltProgramFolder() {
    return testkit::BuiltProgramPath(L"");
}

const DWORD kFileAsync = SND_FILENAME | SND_ASYNC;

SoundCall File(const CString& folder, LONG id) {
    return {std::wstring(folder.GetString()) + GetSoundFileName(id), kFileAsync, 0};
}

// Every test starts with sounds on, not muted, no stop before play, the sounds of the
// built program folder and a recorder in place of the speakers.
class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(BuiltProgramFolder().IsEmpty()) << "run the test through the test harness";
        SetProgramFolderForTest(BuiltProgramFolder());
        CVXLSettings::GetInstance().SoundOnEventsV094 = true;
        SetMuted(false);
        SetStopSoundBeforePlay(false);
        recorder_.Clear();
    }
    void TearDown() override {
        SetMuted(false);
        SetStopSoundBeforePlay(false);
        SetProgramFolderForTest(L"");
    }
    static void SetMuted(bool muted) { RIZedarOred_DLL_Support::SU2_SetMute_Current_Process(muted ? 1 : 0); }

    CSoundRecorder recorder_;
};

class CStopEvent {
public:
    CStopEvent() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CStopEvent() {
        SetEvent(m_event.get());
        EXPECT_TRUE(WaitForSoundThreadEnd(kWaitMs));
    }
    CStopEvent(const CStopEvent&) = delete;
    CStopEvent& operator=(const CStopEvent&) = delete;
    HANDLE get() const { return m_event.get(); }

private:
    CHandle m_event;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// The sound files of the program folder

TEST(SoundFiles, TenShortDistinctPcmWavesLieInTheProgramFolder) {
    const CString folder = BuiltProgramFolder();
    ASSERT_FALSE(folder.IsEmpty()) << "run the test through the test harness";
    std::set<std::string> contents;
    for (LONG id = 0; id < kSoundCount; ++id) {
        ASSERT_NE(nullptr, GetSoundFileName(id));
        const CString path = folder + GetSoundFileName(id);
        SCOPED_TRACE(WideToUtf8(path));
        DWORD size = 0;
        std::unique_ptr<char[]> bytes = ReadWholeFile(path, &size);
        ASSERT_TRUE(bytes && size > 44) << "missing or empty";
        const char* data = bytes.get();
        auto word = [&](int at) {
            return static_cast<unsigned>(static_cast<unsigned char>(data[at]) | static_cast<unsigned char>(data[at + 1])
                                                                                    << 8);
        };
        EXPECT_EQ(0, memcmp(data, "RIFF", 4));
        EXPECT_EQ(0, memcmp(data + 8, "WAVEfmt ", 8));
        EXPECT_EQ(1u, word(20)) << "PCM";
        EXPECT_EQ(1u, word(22)) << "mono";
        EXPECT_EQ(16u, word(34)) << "16-bit";
        const unsigned rate = word(24) | word(26) << 16;
        ASSERT_GT(rate, 0u);
        const double seconds = (size - 44) / 2.0 / rate;
        EXPECT_GT(seconds, 0.02);
        EXPECT_LT(seconds, 1.0) << "an event sound is short";
        contents.insert(std::string(data, size));
    }
    EXPECT_EQ(static_cast<size_t>(kSoundCount), contents.size()) << "every event sounds different";
    EXPECT_EQ(nullptr, GetSoundFileName(kSoundCount));
    EXPECT_EQ(nullptr, GetSoundFileName(-1));
}

// ---------------------------------------------------------------------------------------
// The sound thread

TEST_F(Sound, RequestsFromSeveralThreadsArePlayedInOrderByOneThread) {
    CStopEvent stop;
    ASSERT_TRUE(StartSoundThread(stop.get()));
    // Five threads take turns, two ids each: each request is played before the next is
    // made, so none of them collapses into another.
    const int kThreads = 5;
    std::mutex lock;
    std::condition_variable turnChanged;
    LONG turn = 0;
    std::set<DWORD> requesters;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            {
                std::lock_guard<std::mutex> guard(lock);
                requesters.insert(GetCurrentThreadId());
            }
            for (LONG id = t; id < kSoundCount; id += kThreads) {
                std::unique_lock<std::mutex> guard(lock);
                if (!turnChanged.wait_for(guard, std::chrono::milliseconds(kWaitMs), [&] { return turn == id; }))
                    return;
                guard.unlock();
                EXPECT_TRUE(RequestSound(id));
                EXPECT_TRUE(recorder_.WaitForCalls(static_cast<size_t>(id) + 1));
                guard.lock();
                ++turn;
                turnChanged.notify_all();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    std::vector<SoundCall> calls = recorder_.Calls();
    std::vector<SoundCall> expected;
    for (LONG id = 0; id < kSoundCount; ++id) expected.push_back(File(BuiltProgramFolder(), id));
    EXPECT_EQ(expected, calls);
    ASSERT_FALSE(calls.empty());
    for (const SoundCall& call : calls) {
        EXPECT_EQ(calls[0].thread, call.thread) << "one thread plays them all";
        EXPECT_EQ(0u, requesters.count(call.thread)) << "never the caller's thread";
        EXPECT_NE(GetCurrentThreadId(), call.thread);
    }
}

TEST_F(Sound, RequestMadeWhileASoundStartsIsPlayedNext) {
    CStopEvent stop;
    ASSERT_TRUE(StartSoundThread(stop.get()));
    // The menu opens and a phrase is pasted while the menu sound is being started.
    recorder_.OnNextPlay([] { PlaySoundKbd(); });
    PlaySoundMenu();
    ASSERT_TRUE(recorder_.WaitForCalls(2)) << "the paste sound was lost";
    std::vector<SoundCall> expected = {File(BuiltProgramFolder(), kSoundMenu), File(BuiltProgramFolder(), kSoundKbd)};
    EXPECT_EQ(expected, recorder_.Calls());
}

TEST_F(Sound, ThreadStartsOnceWithAStopEventAndAgainAfterItEnded) {
    EXPECT_FALSE(StartSoundThread(nullptr));
    {
        CStopEvent stop;
        ASSERT_TRUE(StartSoundThread(stop.get()));
        EXPECT_FALSE(StartSoundThread(stop.get())) << "a second thread while the first runs";
    }
    EXPECT_TRUE(RequestSound(kSoundMenu)) << "accepted without a thread";
    CStopEvent stop;
    ASSERT_TRUE(StartSoundThread(stop.get()));
    RequestSound(kSoundPaper);
    ASSERT_TRUE(recorder_.WaitForCalls(1));
    EXPECT_EQ(File(BuiltProgramFolder(), kSoundPaper), recorder_.Calls()[0]);
}

// ---------------------------------------------------------------------------------------
// One request, as the sound thread handles it

TEST_F(Sound, OneRequestPlaysTheFileOfItsIdWhenSoundsAreOn) {
    const CString missingFolder = BuiltProgramFolder() + L"no such folder\\";
    struct Case {
        const char* name;
        bool settingOn;
        bool muted;
        LONG id;
        BOOL deviceAnswer;
        const wchar_t* folder;   // null: the built program folder
        bool played;             // a play was attempted
        const wchar_t* logLine;  // expected in the log; null: nothing
    } cases[] = {
        {"on", true, false, kSoundMenu, TRUE, nullptr, true, nullptr},
        {"off in the settings", false, false, kSoundMenu, TRUE, nullptr, false, nullptr},
        {"muted", true, true, kSoundMenu, TRUE, nullptr, false, nullptr},
        {"id 10", true, false, 10, TRUE, nullptr, false, L"ERROR: Invalid sound type"},
        {"id -1", true, false, -1, TRUE, nullptr, false, L"ERROR: Invalid sound type"},
        {"missing file", true, false, kSoundKbd, FALSE, missingFolder, true, L"ERROR: [Sound file not found: "},
        {"existing file the device refused", true, false, kSoundKbd, FALSE, nullptr, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetProgramFolderForTest(c.folder ? c.folder : BuiltProgramFolder().GetString());
        const CSoundTable table = BuildSoundTable();
        CVXLSettings::GetInstance().SoundOnEventsV094 = c.settingOn;
        SetMuted(c.muted);
        recorder_.Clear();
        recorder_.QueueAnswers({c.deviceAnswer});
        CCaseLog log;
        RequestSound(c.id);
        EXPECT_EQ(c.played && c.deviceAnswer, PlayRequestedSound(table));
        std::vector<SoundCall> calls = recorder_.Calls();
        if (c.played) {
            ASSERT_EQ(1u, calls.size());
            EXPECT_EQ(std::wstring(table[c.id].GetString()), calls[0].sound);
            EXPECT_EQ(kFileAsync, calls[0].flags);
        } else {
            EXPECT_TRUE(calls.empty());
        }
        const CString text = log.Text();
        if (c.logLine) {
            EXPECT_GE(text.Find(c.logLine), 0) << WideToUtf8(text);
            if (!c.deviceAnswer) {
                EXPECT_GE(text.Find(table[c.id] + L"]"), 0) << "names the path";
            }
        } else {
            EXPECT_LT(text.Find(L"ERROR: Invalid"), 0) << WideToUtf8(text);
            EXPECT_LT(text.Find(L"Sound file not found"), 0) << WideToUtf8(text);
        }
    }
}

TEST_F(Sound, EachEventAsksForItsOwnFile) {
    struct Case {
        const char* name;
        bool (*request)();
        const wchar_t* file;
    } cases[] = {
        {"paste", PlaySoundKbd, L"kbd.wav"},
        {"command", PlaySoundLaunch, L"launch.wav"},
        {"clipboard history", PlaySoundPaper, L"paper.wav"},
        {"menu", PlaySoundMenu, L"menu.wav"},
        {"start", PlaySoundStart, IsUserAdmin() ? L"start_as_admin.wav" : L"start.wav"},
        {"second start", PlaySoundAlreadyWork, L"already_work.wav"},
        {"float pane", PlaySoundWherePane, L"wherepane.wav"},
        {"newer version", [] { return PlaySoundVersion(true); }, L"version_new.wav"},
        {"no newer version", [] { return PlaySoundVersion(false); }, L"version_new_no.wav"},
    };
    const CSoundTable table = BuildSoundTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_.Clear();
        EXPECT_TRUE(c.request());
        PlayRequestedSound(table);
        std::vector<SoundCall> calls = recorder_.Calls();
        ASSERT_EQ(1u, calls.size());
        EXPECT_EQ(std::wstring(BuiltProgramFolder().GetString()) + c.file, calls[0].sound);
    }
}

TEST_F(Sound, FailedRestartAsAdministratorRequestsTheStartSound) {
    // Wine starts "runas" without asking, so the refusal comes through the start seam.
    SetElevatedStartForTest([](HWND, const wchar_t*, const wchar_t*, const wchar_t*) {
        SetLastError(ERROR_CANCELLED);
        return reinterpret_cast<HINSTANCE>(SE_ERR_ACCESSDENIED);
    });
    std::thread closer([] {
        testkit::PollUntil(kWaitMs, [] {
            HWND box = FindWindowW(L"#32770", L"Vexlora");
            DWORD owner = 0;
            if (!box || (GetWindowThreadProcessId(box, &owner), owner != GetCurrentProcessId())) return false;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    });
    RequestSound(kSoundKbd);
    EXPECT_FALSE(CAppObjects::RunAsAdmin(nullptr));
    closer.join();
    SetElevatedStartForTest(nullptr);

    PlayRequestedSound(BuildSoundTable());
    std::vector<SoundCall> calls = recorder_.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(File(BuiltProgramFolder(), IsUserAdmin() ? kSoundStartAsAdmin : kSoundStart), calls[0]);
}

// ---------------------------------------------------------------------------------------
// Files, aliases and beeps

TEST_F(Sound, FilesPlayAsOftenAsAskedAndStopTheCurrentSoundFirstWhenSet) {
    const std::wstring file = L"C:\\sounds\\a.wav";
    struct Case {
        const char* name;
        int count;
        bool async;
        bool stopFirst;
        std::vector<BOOL> answers;
        bool result;
        std::vector<SoundCall> calls;
    } cases[] = {
        {"no repetition", 0, true, true, {}, false, {}},
        {"twice", 2, true, false, {TRUE, TRUE}, true, {{file, kFileAsync}, {file, kFileAsync}}},
        {"one of two played, stopping first",
         2,
         false,
         true,
         {FALSE, TRUE},
         true,
         {{L"<stop>", 0}, {file, SND_FILENAME}, {L"<stop>", 0}, {file, SND_FILENAME}}},
        {"none played", 1, true, false, {FALSE}, false, {{file, kFileAsync}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_.Clear();
        recorder_.QueueAnswers(c.answers);
        SetStopSoundBeforePlay(c.stopFirst);
        EXPECT_EQ(c.result, PlaySoundFile(file.c_str(), c.count, c.async));
        EXPECT_EQ(c.calls, recorder_.Calls());
    }
}

TEST_F(Sound, AliasesAndEventSystemSoundsFollowTheSettingAndTheMute) {
    const wchar_t* const handId = reinterpret_cast<const wchar_t*>(SND_ALIAS_SYSTEMHAND);
    const std::wstring handIdText = L"<id " + std::to_wstring(reinterpret_cast<UINT_PTR>(handId)) + L">";
    struct Case {
        const char* name;
        bool settingOn;
        bool muted;
        bool stopFirst;
        std::function<bool()> play;
        std::vector<SoundCall> calls;
    } cases[] = {
        {"alias",
         false,
         false,
         true,
         [] { return PlaySoundAlias(L"SystemAsterisk", false, false); },
         {{L"<stop>", 0}, {L"SystemAsterisk", SND_ALIAS}}},
        {"alias id",
         true,
         false,
         false,
         [=] { return PlaySoundAlias(handId, true, true); },
         {{handIdText, SND_ALIAS_ID | SND_ASYNC}}},
        {"notification",
         true,
         false,
         false,
         PlaySystemNotificationSound,
         {{L"SystemNotification", SND_ALIAS | SND_ASYNC}}},
        {"beep", true, false, false, PlayBeepSound, {{L"<stop>", 0}, {L"<beep>", 0xFFFFFFFF}}},
        {"notification, sounds off", false, false, false, PlaySystemNotificationSound, {}},
        {"beep, sounds off", false, false, false, PlayBeepSound, {}},
        {"file, muted", true, true, true, [] { return PlaySoundFile(L"C:\\a.wav", 1, true); }, {}},
        {"alias, muted", true, true, true, [] { return PlaySoundAlias(L"SystemAsterisk", true, false); }, {}},
        {"notification, muted", true, true, false, PlaySystemNotificationSound, {}},
        {"beep, muted", true, true, false, PlayBeepSound, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CVXLSettings::GetInstance().SoundOnEventsV094 = c.settingOn;
        SetMuted(c.muted);
        SetStopSoundBeforePlay(c.stopFirst);
        recorder_.Clear();
        EXPECT_EQ(!c.calls.empty(), c.play());
        EXPECT_EQ(c.calls, recorder_.Calls());
        EXPECT_EQ(c.muted, IsSoundMuted());
        EXPECT_EQ(c.settingOn && !c.muted, AreSoundsEnabled());
    }
}

// ---------------------------------------------------------------------------------------
// The process mute and the sound library

namespace {

const char kSetMuteExport[] = "SU2_SetMute_Current_Process";
const wchar_t kLibraryName[] = L"RIZedarOred.dll";

// The system's binder, watched: what was loaded and looked up, and whether COM was on
// for the thread when the export was looked up.
class CWatchingBinder final : public IPlatformBinder {
public:
    CWatchingBinder() : m_system(SetPlatformBinderForTest(this)) {}
    ~CWatchingBinder() override { SetPlatformBinderForTest(m_system); }
    CWatchingBinder(const CWatchingBinder&) = delete;
    CWatchingBinder& operator=(const CWatchingBinder&) = delete;

    HMODULE FindLoaded(const wchar_t* name) override { return m_system->FindLoaded(name); }
    HMODULE Load(const wchar_t* name) override {
        loads.push_back(name);
        HMODULE module = m_system->Load(name);
        if (module) ++loaded;
        return module;
    }
    void Release(HMODULE module) override {
        ++released;
        m_system->Release(module);
    }
    FARPROC FindProc(HMODULE module, const char* name) override {
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        comOnAtLookup = CoGetApartmentType(&type, &qualifier) == S_OK;
        FARPROC proc = m_system->FindProc(module, name);
        lookups.push_back(name);
        if (proc) ++found;
        return proc;
    }

    std::vector<std::wstring> loads;
    std::vector<std::string> lookups;
    int loaded = 0, found = 0, released = 0;
    bool comOnAtLookup = false;

private:
    IPlatformBinder* m_system;
};

// What the stand-in library answers when called by path, as the program would call it.
int CallLibraryByPath(const CString& path, int flag) {
    CLibraryHandle library(LoadLibraryW(path));
    if (!library) return -1;
    auto setMute = reinterpret_cast<int(WINAPI*)(int)>(
        reinterpret_cast<void (*)()>(GetProcAddress(library.get(), kSetMuteExport)));
    return setMute ? setMute(flag) : -1;
}

enum class LibraryRoad { Present, Missing, WithoutExport };

// A copy of the program folder with the sound library as the road wants it.
testkit::CCheck PrepareFolder(testkit::CPrivateProgramFolder& folder, LibraryRoad road) {
    testkit::CCheck created = folder.Create();
    if (!created.ok()) return created;
    const CString library = folder.PathOf(kLibraryName);
    if (GetFileAttributesW(library) == INVALID_FILE_ATTRIBUTES)
        return testkit::CCheck::Failed(L"the program folder has no " + CString(kLibraryName));
    if (road == LibraryRoad::Present) return testkit::CCheck::Ok();
    if (!DeleteFileW(library)) return testkit::CCheck::Failed(L"cannot delete " + library);
    // Another DLL under the library's name: it loads, but has no such export.
    if (road == LibraryRoad::WithoutExport &&
        !CopyFileW(testkit::TestProgramPath(L"vxl_version_probe.dll"), library, FALSE))
        return testkit::CCheck::Failed(L"cannot copy the probe DLL");
    return testkit::CCheck::Ok();
}

}  // namespace

TEST_F(Sound, MuteStoresTheFlagAndAsksTheLibraryOfTheProgramFolder) {
    struct Case {
        const char* name;
        LibraryRoad road;
    } cases[] = {
        {"stand-in library", LibraryRoad::Present},
        {"no library", LibraryRoad::Missing},
        {"library without the export", LibraryRoad::WithoutExport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::CPrivateProgramFolder folder;
        ASSERT_TRUE(PrepareFolder(folder, c.road));
        SetProgramFolderForTest(WithTrailingBackslash(folder.Folder()));
        const CString libraryPath = folder.PathOf(kLibraryName);
        for (int flag : {1, 0}) {
            SCOPED_TRACE(flag);
            // What the library itself answers; 0 when there is nothing to ask.
            const int expected = c.road == LibraryRoad::Present ? CallLibraryByPath(libraryPath, flag) : 0;
            int result = -1;
            CString text;
            {
                CCaseLog log;
                CWatchingBinder binder;
                result = RIZedarOred_DLL_Support::SU2_SetMute_Current_Process(flag);
                text = log.Text();
                ASSERT_EQ(1u, binder.loads.size());
                EXPECT_EQ(0, CString(binder.loads[0].c_str()).CompareNoCase(libraryPath)) << "by path";
                EXPECT_EQ(c.road == LibraryRoad::Missing ? 0 : 1, binder.loaded);
                EXPECT_EQ(binder.loaded, binder.released) << "freed after the call";
                EXPECT_EQ(c.road == LibraryRoad::Missing ? 0u : 1u, binder.lookups.size());
                EXPECT_EQ(c.road == LibraryRoad::Present ? 1 : 0, binder.found);
            }
            EXPECT_EQ(expected, result);
            EXPECT_EQ(flag != 0, IsSoundMuted()) << "the program's own flag holds on every road";
            CString line;
            line.Format(L"RIZedarOred_DLL_Support::SU2_SetMute_Current_Process (%d), result=%d", flag, result);
            if (result == 0) line = L"ERROR: [" + line + L"]";
            EXPECT_GE(text.Find(line), 0) << WideToUtf8(text);
            if (flag) {
                recorder_.Clear();
                EXPECT_FALSE(PlayBeepSound());
                EXPECT_FALSE(PlaySoundAlias(L"SystemAsterisk", true, false));
                EXPECT_TRUE(recorder_.Calls().empty()) << "muted by the program's own flag";
            }
        }
    }
}

TEST_F(Sound, StandInLibraryMutesTheProcessSessionWhereThereIsADevice) {
    const CString libraryPath = BuiltProgramFolder() + kLibraryName;
    // The process's default session on the default playback device, as the test sees it.
    bool hasDevice = false;
    BOOL mutedAfterMute = FALSE, mutedAfterUnmute = TRUE;
    int muteResult = -1, unmuteResult = -1;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IMMDeviceEnumerator* devices = nullptr;
        IMMDevice* device = nullptr;
        IAudioSessionManager* sessions = nullptr;
        ISimpleAudioVolume* volume = nullptr;
        if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                       __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&devices))) &&
            SUCCEEDED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &device)) &&
            SUCCEEDED(device->Activate(__uuidof(IAudioSessionManager), CLSCTX_INPROC_SERVER, nullptr,
                                       reinterpret_cast<void**>(&sessions))) &&
            SUCCEEDED(sessions->GetSimpleAudioVolume(nullptr, FALSE, &volume)))
            hasDevice = true;
        muteResult = CallLibraryByPath(libraryPath, 1);
        if (volume) volume->GetMute(&mutedAfterMute);
        unmuteResult = CallLibraryByPath(libraryPath, 0);
        if (volume) volume->GetMute(&mutedAfterUnmute);
        for (IUnknown* object : std::initializer_list<IUnknown*>{volume, sessions, device, devices})
            if (object) object->Release();
        CoUninitialize();
    }).join();

    if (!hasDevice) {
        // Wine here has no playback device: the library must say it did nothing.
        EXPECT_EQ(0, muteResult);
        EXPECT_EQ(0, unmuteResult);
        return;
    }
    EXPECT_EQ(1, muteResult);
    EXPECT_TRUE(mutedAfterMute);
    EXPECT_EQ(1, unmuteResult);
    EXPECT_FALSE(mutedAfterUnmute);
}

TEST_F(Sound, LibraryCallWithComInitialisesTheThreadAroundTheCallOnly) {
    testkit::CPrivateProgramFolder folder;
    ASSERT_TRUE(PrepareFolder(folder, LibraryRoad::Present));
    SetProgramFolderForTest(WithTrailingBackslash(folder.Folder()));
    struct Case {
        const char* name;
        bool comBefore;  // the thread has COM on already
        bool withCom;
    } cases[] = {
        {"thread without COM, with the COM flag", false, true},
        {"thread without COM, without the flag", false, false},
        {"thread with COM already", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool comAtLookup = false;
        HRESULT afterwards = E_FAIL;
        std::thread([&] {
            if (c.comBefore) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            {
                CWatchingBinder binder;
                RIZedarOred_DLL_Support::Call_SU2_SetMute_Current_Process(0, c.withCom);
                comAtLookup = binder.comOnAtLookup;
            }
            if (c.comBefore) CoUninitialize();
            // S_OK only when every initialisation made meanwhile was undone.
            afterwards = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(afterwards)) CoUninitialize();
        }).join();
        EXPECT_EQ(c.withCom, comAtLookup);
        EXPECT_EQ(S_OK, afterwards) << "COM left on for the thread";
    }
}
