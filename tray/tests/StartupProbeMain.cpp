// Test helper: the main program with two test hooks set before it starts, each named by an
// environment variable. Everything else is the real start-up, resident life and shutdown.
//   VXL_PROBE_TEMP_FILE  a file registered for deletion at exit
//   VXL_PROBE_SOUND_LOG  a file that receives one line per sound played, with the sound's
//                        path, in place of the sound device (Wine has none)
#include <windows.h>

#include "core/SoundPlayer.h"
#include "core/TempFiles.h"
#include "tray/Startup.h"

namespace {

class CSoundRecorder : public ISoundOutput {
public:
    explicit CSoundRecorder(const wchar_t* path) : m_path(path) {}

    BOOL Play(const wchar_t* sound, DWORD flags) override {
        // A null sound only stops the one playing.
        if (!sound) return TRUE;
        HANDLE file = CreateFileW(m_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return FALSE;
        CString line = (flags & SND_FILENAME) ? CString(sound) : CString(L"alias");
        line += L"\r\n";
        DWORD written = 0;
        WriteFile(file, line.GetString(), line.GetLength() * sizeof(wchar_t), &written, nullptr);
        CloseHandle(file);
        return TRUE;
    }
    BOOL Beep(UINT) override { return TRUE; }

private:
    const wchar_t* m_path;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(L"VXL_PROBE_TEMP_FILE", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) CAppObjects::AddTempFileForDeletion(path);

    static wchar_t soundLog[MAX_PATH + 1] = {};
    length = GetEnvironmentVariableW(L"VXL_PROBE_SOUND_LOG", soundLog, MAX_PATH);
    static CSoundRecorder recorder(soundLog);
    if (length > 0 && length < MAX_PATH) SetSoundOutputForTest(&recorder);
    return VexloraWinMain(instance, commandLine);
}
