#include "core/SoundPlayer.h"

#include <mmsystem.h>
#include <objbase.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "core/Settings.h"
#include "core/SystemInfo.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/PlatformBinding.h"
#include "core/base/WorkerThread.h"

namespace {

// By sound id.
const wchar_t* const kSoundFiles[kSoundCount] = {
    L"kbd.wav",         L"launch.wav",         L"paper.wav",        L"menu.wav",
    L"start.wav",       L"start_as_admin.wav", L"already_work.wav", L"wherepane.wav",
    L"version_new.wav", L"version_new_no.wav",
};

const wchar_t kSoundLibrary[] = L"RIZedarOred.dll";
using SetMuteProc = int(WINAPI*)(int);

class CSystemSoundOutput final : public ISoundOutput {
public:
    BOOL Play(const wchar_t* sound, DWORD flags) override { return PlaySoundW(sound, nullptr, flags); }
    BOOL Beep(UINT type) override { return MessageBeep(type); }
};

CSystemSoundOutput g_systemOutput;
std::atomic<ISoundOutput*> g_output{&g_systemOutput};

std::atomic<LONG> g_requestSlot{0};
std::atomic<bool> g_muted{false};
std::atomic<bool> g_stopBeforePlay{false};

// The request event is closed by the sound thread when it ends; requests from other
// threads set it only under this lock, so that they never set a closed (and perhaps
// reused) handle.
std::mutex g_requestLock;
HANDLE g_requestEvent = nullptr;

std::mutex g_threadLock;
CHandle g_thread;

struct SoundThreadContext {
    CHandle stop;
    // The request event, also held in g_requestEvent; the thread closes it when it ends.
    HANDLE request = nullptr;
};

ISoundOutput& Output() {
    return *g_output;
}

void StopCurrentSound() {
    Output().Play(nullptr, 0);
}

// A failed reset would wake the thread again at once; retry it slowly until it works
// or the program ends. False when the stop event was set meanwhile.
bool ResetRequest(HANDLE request, HANDLE stop) {
    while (!ResetEvent(request)) {
        if (WaitForSingleObject(stop, 500) != WAIT_TIMEOUT) return false;
    }
    return true;
}

DWORD SoundThread(SoundThreadContext& context) {
    const CSoundTable table = BuildSoundTable();
    HANDLE waits[2] = {context.stop.get(), context.request};
    for (;;) {
        DWORD result = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) break;
        if (result == WAIT_OBJECT_0 + 1) {
            // Reset before the slot is read: a request that comes while this one plays
            // sets the event again and is played next, instead of being lost.
            if (!ResetRequest(context.request, context.stop.get())) break;
            PlayRequestedSound(table);
            continue;
        }
        LogWrite(L"ERROR: default on switch");
        // A failed wait fails again at once: waiting again would only spin.
        if (result == WAIT_FAILED || !ResetRequest(context.request, context.stop.get())) break;
    }
    std::lock_guard<std::mutex> lock(g_requestLock);
    g_requestEvent = nullptr;
    CloseHandle(context.request);
    return 0;
}

}  // namespace

const wchar_t* GetSoundFileName(LONG id) {
    return id >= 0 && id < kSoundCount ? kSoundFiles[id] : nullptr;
}

CSoundTable BuildSoundTable() {
    CSoundTable table;
    const CString folder = GetProgramFolder();
    for (LONG id = 0; id < kSoundCount; ++id) table[id] = folder + kSoundFiles[id];
    return table;
}

// ---------------------------------------------------------------------------------------
// The sound thread

bool StartSoundThread(HANDLE stopEvent) {
    std::lock_guard<std::mutex> threadLock(g_threadLock);
    if (g_thread && WaitForSingleObject(g_thread.get(), 0) == WAIT_TIMEOUT) return false;
    g_thread.reset();

    auto context = std::make_unique<SoundThreadContext>();
    context->stop = DuplicateForWorker(stopEvent);
    if (!context->stop) return false;
    CHandle request(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!request) return false;
    context->request = request.get();
    WorkerOptions options;
    options.priority = THREAD_PRIORITY_BELOW_NORMAL;
    // It waits nearly all day; playing runs the sound device's code, which gets more
    // room than a thread that only waits.
    options.stack = 4 * kWaitingThreadStack;
    // Resumed only once the request event is published.
    options.suspended = true;
    CHandle thread;
    if (!StartWorker(std::move(context), &SoundThread, options, &thread)) return false;
    {
        std::lock_guard<std::mutex> lock(g_requestLock);
        g_requestEvent = request.release();
    }
    ResumeThread(thread.get());
    g_thread = std::move(thread);
    return true;
}

bool WaitForSoundThreadEnd(DWORD timeoutMs) {
    std::lock_guard<std::mutex> lock(g_threadLock);
    if (!g_thread) return true;
    if (WaitForSingleObject(g_thread.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    g_thread.reset();
    return true;
}

bool RequestSound(LONG id) {
    g_requestSlot.exchange(id);
    std::lock_guard<std::mutex> lock(g_requestLock);
    if (g_requestEvent) SetEvent(g_requestEvent);
    return true;
}

bool PlaySoundKbd() {
    return RequestSound(kSoundKbd);
}
bool PlaySoundLaunch() {
    return RequestSound(kSoundLaunch);
}
bool PlaySoundPaper() {
    return RequestSound(kSoundPaper);
}
bool PlaySoundMenu() {
    return RequestSound(kSoundMenu);
}
bool PlaySoundStart() {
    return RequestSound(IsUserAdmin() ? kSoundStartAsAdmin : kSoundStart);
}
bool PlaySoundAlreadyWork() {
    return RequestSound(kSoundAlreadyWork);
}
bool PlaySoundWherePane() {
    return RequestSound(kSoundWherePane);
}
bool PlaySoundVersion(bool newVersionFound) {
    return RequestSound(newVersionFound ? kSoundVersionNew : kSoundVersionNewNo);
}

bool PlayRequestedSound(const CSoundTable& table) {
    if (!AreSoundsEnabled()) return false;
    const LONG id = g_requestSlot.load();
    if (id < 0 || id >= kSoundCount) {
        LogWrite(L"ERROR: Invalid sound type");
        return false;
    }
    const CString& path = table[id];
    if (PlaySoundFile(path, 1, true)) return true;
    if (!FileExists(path)) LogError(L"Sound file not found: " + path);
    return false;
}

// ---------------------------------------------------------------------------------------
// Playing

bool AreSoundsEnabled() {
    return !g_muted && CVXLSettings::GetInstance().SoundOnEventsV094;
}

bool IsSoundMuted() {
    return g_muted;
}

void SetStopSoundBeforePlay(bool on) {
    g_stopBeforePlay = on;
}

bool PlaySoundFile(const wchar_t* path, int repeatCount, bool async) {
    if (g_muted) return false;
    const DWORD flags = SND_FILENAME | (async ? SND_ASYNC : 0);
    bool played = false;
    for (int i = 0; i < repeatCount; ++i) {
        if (g_stopBeforePlay) StopCurrentSound();
        if (Output().Play(path, flags)) played = true;
    }
    return played;
}

bool PlaySoundAlias(const wchar_t* alias, bool async, bool aliasIsId) {
    if (g_muted) return false;
    if (g_stopBeforePlay) StopCurrentSound();
    const DWORD flags = (aliasIsId ? SND_ALIAS_ID : SND_ALIAS) | (async ? SND_ASYNC : 0);
    return Output().Play(alias, flags) != FALSE;
}

bool PlaySystemNotificationSound() {
    if (!AreSoundsEnabled()) return false;
    return PlaySoundAlias(L"SystemNotification", true, false);
}

bool PlayBeepSound() {
    if (!AreSoundsEnabled()) return false;
    StopCurrentSound();
    return Output().Beep(0xFFFFFFFF) != FALSE;
}

// ---------------------------------------------------------------------------------------
// The process mute

namespace RIZedarOred_DLL_Support {

int SU2_SetMute_Current_Process(int flag) {
    g_muted = flag != 0;
    const int result = Call_SU2_SetMute_Current_Process(flag, false);
    CString line;
    line.Format(L"RIZedarOred_DLL_Support::SU2_SetMute_Current_Process (%d), result=%d", flag, result);
    LogErrorOrWrite(line, result);
    return result;
}

int Call_SU2_SetMute_Current_Process(int flag, bool initializeCom) {
    CBoundModule library(GetProgramFolder() + kSoundLibrary);
    if (!library) return 0;
    const HRESULT com = initializeCom ? CoInitialize(nullptr) : E_FAIL;
    auto setMute = BindProc<SetMuteProc>(library.get(), "SU2_SetMute_Current_Process");
    const int result = setMute ? setMute(flag) : 0;
    // S_FALSE (COM was already on for this thread) also counts one more initialisation.
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

}  // namespace RIZedarOred_DLL_Support

// ---------------------------------------------------------------------------------------
// Test seam

ISoundOutput* SetSoundOutputForTest(ISoundOutput* output) {
    return g_output.exchange(output ? output : &g_systemOutput);
}
