// Stands in for the maker's sound-utility library "RIZedarOred.dll", which the program
// loads from its folder for one export: SU2_SetMute_Current_Process (one 32-bit flag,
// non-zero mutes; a 32-bit result, non-zero when done). This one mutes or unmutes the
// calling process's own audio session on the default playback device through the Core
// Audio session API (Windows Vista and later). It answers 0 where that API or a
// playback device is missing; the program's own mute flag then silences its sounds.
#include <windows.h>
#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include "core/base/Handles.h"

namespace {

bool SetProcessSessionMute(bool mute) {
    CComPtr<IMMDeviceEnumerator> devices;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IMMDeviceEnumerator), devices.outVoid())))
        return false;
    CComPtr<IMMDevice> device;
    if (FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, device.out()))) return false;
    CComPtr<IAudioSessionManager> sessions;
    if (FAILED(device->Activate(__uuidof(IAudioSessionManager), CLSCTX_INPROC_SERVER, nullptr, sessions.outVoid())))
        return false;
    // The process's default session: the one PlaySound and MessageBeep play into.
    CComPtr<ISimpleAudioVolume> volume;
    if (FAILED(sessions->GetSimpleAudioVolume(nullptr, FALSE, volume.out()))) return false;
    return SUCCEEDED(volume->SetMute(mute ? TRUE : FALSE, nullptr));
}

}  // namespace

extern "C" int WINAPI SU2_SetMute_Current_Process(int mute) {
    // Callers need not have COM on their thread. A thread already in another apartment
    // (RPC_E_CHANGED_MODE) can still use these objects, which live in any apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool done = SetProcessSessionMute(mute != 0);
    if (SUCCEEDED(com)) CoUninitialize();
    return done ? 1 : 0;
}
