// The main road as the user feels it: with 10,000 phrases in 500 folders loaded, the time
// from the hot key pressed in a program to the phrase menu on the screen, and from the
// choice to the phrase in the program's edit field. The floor, in the same run: this
// program registers the same hot key itself, shows a plain popup of the same items on
// WM_HOTKEY and types the chosen text with the same kind of input.
//
// The resident Vexlora.exe runs from a folder of its own in %TEMP% (its settings and log
// stay there); the edit field it types into belongs to this program.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/TrayIds.h"
#include "phrases/Command.h"
#include "phrases/CommandTree.h"
#include "testkit/Resident.h"

namespace {

const int kFolders = 500;
const int kPhrasesPerFolder = 20;
const int kRounds = 20;
const wchar_t kFirstPhrase[] = L"Phrase 00 of folder 000";

bool WriteBytes(const std::wstring& path, const void* bytes, size_t size) {
    CFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

// Folders and phrases whose names sort in the order they were made: the first phrase of
// the first folder is the menu's first folder's first item.
bool WritePhrases(const std::wstring& root) {
    CreateDirectoryW(root.c_str(), nullptr);
    for (int folder = 0; folder < kFolders; ++folder) {
        wchar_t folderName[32];
        swprintf(folderName, 32, L"Folder %03d", folder);
        const std::wstring directory = root + L"\\" + folderName;
        CreateDirectoryW(directory.c_str(), nullptr);
        CVXLCommand self;
        self.MakeFolder();
        const std::string selfXml = CommandToXml(self);
        if (!WriteBytes(directory + L"\\FOLDER_SELF.vexlora", selfXml.data(), selfXml.size())) return false;
        for (int index = 0; index < kPhrasesPerFolder; ++index) {
            wchar_t name[64];
            swprintf(name, 64, L"Phrase %02d of folder %03d", index, folder);
            CVXLCommand record;
            record.SetName(name);
            record.SetCommand(name);
            record.SetDataType(VXL_DATA_TEXT);
            const std::string xml = CommandToXml(record);
            if (!WriteBytes(directory + L"\\Phrase_" + std::to_wstring(index) + L".vexlora", xml.data(), xml.size()))
                return false;
        }
    }
    return true;
}

bool CopyProgram(const std::wstring& from, const std::wstring& to) {
    for (const wchar_t* file : {L"Vexlora.exe", L"Vexlora.dll", L"VxlWaitingFor.exe"})
        if (!CopyFileW((from + file).c_str(), (to + file).c_str(), FALSE)) return false;
    return true;
}

bool WriteSettings(const std::wstring& folder, const std::wstring& phrases) {
    const std::wstring text = L"\xFEFF[Settings]\r\nPhrasesDirectory=" + phrases +
                              L"\r\nAddLastUsedMenuToBegin=0\r\nShowTrayBallonOnHotkey=0\r\nClipboardHistory=0\r\n"
                              L"Sorting=1\r\nWriteLog=1\r\nSoundOnEventsV094=0\r\n";
    return WriteBytes(folder + L"Settings.ini", text.data(), text.size() * sizeof(wchar_t));
}

HWND MenuWindowOf(DWORD processId, HWND except = nullptr) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32768", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == processId && IsWindowVisible(window) && window != except) return window;
    }
    return nullptr;
}

void PostKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
    PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

void PressHotKey() {
    INPUT inputs[6] = {};
    const WORD keys[3] = {VK_CONTROL, VK_MENU, VK_RETURN};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[5 - i].type = INPUT_KEYBOARD;
        inputs[5 - i].ki.wVk = keys[i];
        inputs[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(6, inputs, sizeof(INPUT));
}

// Types the text as the typing road does: one Unicode key event pair per character.
void TypeUnicode(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

template <class Probe>
bool PumpUntil(DWORD timeoutMs, Probe&& probe) {
    const double deadline = bench::NowMs() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (probe()) return true;
        if (bench::NowMs() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

std::wstring EditText(HWND edit) {
    wchar_t text[256] = {};
    SendMessageTimeoutW(edit, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000, nullptr);
    return text;
}

// The control of another program made the foreground's focus: SetFocus works only inside
// the caller's input queue, so the queues are joined for the moment it takes.
bool FocusControl(HWND control) {
    HWND top = GetAncestor(control, GA_ROOT);
    const DWORD thread = GetWindowThreadProcessId(control, nullptr);
    return PumpUntil(5000, [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(thread, &info);
        if (GetForegroundWindow() == top && info.hwndFocus == control) return true;
        const bool attached = AttachThreadInput(GetCurrentThreadId(), thread, TRUE) != FALSE;
        SetForegroundWindow(top);
        SetFocus(control);
        if (attached) AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
        return false;
    });
}

// The last lines of the resident's log, when a round went wrong.
void PrintLogTail(const std::wstring& folder) {
    CFileHandle file(CreateFileW((folder + L"LogReport.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return;
    std::wstring text(GetFileSize(file.get(), nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    const size_t from = text.size() > 3000 ? text.size() - 3000 : 0;
    std::printf("%ls\n", text.substr(from).c_str());
}

// The floor's window: the hot key shows a plain popup of the tree's texts; the chosen
// item's text is typed into the edit field.
struct CFloor {
    const CVXLCommandTree* tree = nullptr;
    HWND edit = nullptr;
};
CFloor g_floor;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY) {
        HMENU menu = CreatePopupMenu();
        for (const CVXLCommand& group : g_floor.tree->GetRecords()) {
            if (!group.IsFolder()) continue;
            HMENU sub = CreatePopupMenu();
            for (const CVXLCommand& record : *group.GetChildren())
                AppendMenuW(sub, MF_STRING, record.GetID(), record.GetName());
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), group.GetName());
        }
        POINT point = {40, 40};
        SetForegroundWindow(window);
        const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RETURNCMD, point.x, point.y, window, nullptr));
        DestroyMenu(menu);
        FocusControl(g_floor.edit);
        if (const CVXLCommand* record = chosen ? g_floor.tree->FindByID(chosen) : nullptr)
            TypeUnicode(std::wstring(record->GetCommand().GetString()));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// One round: the hot key pressed with the edit field focused, the menu awaited, its first
// folder's first phrase chosen, the text awaited in the field. False when a step never came.
bool Round(HWND edit, DWORD menuProcess, double& toMenu, double& toText) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    // The text is typed into whatever has the focus: the field must be the foreground's
    // focus before the key is pressed (the last menu may have left the foreground elsewhere).
    if (!FocusControl(edit)) return false;
    std::atomic<double> shownAt{0};
    std::atomic<bool> posted{false};
    std::atomic<double> choiceAt{0};
    std::atomic<bool> sawMenu{false}, sawSub{false};
    std::thread watcher([&] {
        HWND menu = nullptr;
        const double give = bench::NowMs() + 20000;
        while (!(menu = MenuWindowOf(menuProcess)) && bench::NowMs() < give) Sleep(1);
        shownAt = bench::NowMs();
        if (!menu) return;
        sawMenu = true;
        PostKey(menu, VK_DOWN);
        PostKey(menu, VK_RIGHT);
        // The submenu opens with its first item selected; Enter goes to the menu window.
        HWND sub = nullptr;
        const double giveSub = bench::NowMs() + 5000;
        while (!(sub = MenuWindowOf(menuProcess, menu)) && bench::NowMs() < giveSub) Sleep(1);
        sawSub = sub != nullptr;
        choiceAt = bench::NowMs();
        PostKey(sub ? sub : menu, VK_RETURN);
        posted = true;
    });
    const double pressed = bench::NowMs();
    PressHotKey();
    const bool typed = PumpUntil(30000, [&] { return posted && EditText(edit) == kFirstPhrase; });
    watcher.join();
    if (!typed) {
        wchar_t className[64] = {};
        GetClassNameW(GetForegroundWindow(), className, 64);
        std::printf("  menu %s, submenu %s, foreground [%ls]\n", sawMenu ? "seen" : "not seen",
                    sawSub ? "seen" : "not seen", className);
    }
    toMenu = shownAt - pressed;
    toText = bench::NowMs() - choiceAt;
    return typed;
}

}  // namespace

int wmain() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"vxl_hotkey_bench_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring phrases = folder + L"Phrases";
    if (!CopyProgram(bench::OwnFolder() + L"..\\Vexlora\\", folder) || !WritePhrases(phrases) ||
        !WriteSettings(folder, phrases)) {
        std::printf("cannot prepare the program folder %ls\n", folder.c_str());
        return 1;
    }

    // The program typed into: the test kit's target, its single-line edit field focused.
    DWORD targetId = 0;
    wchar_t targetPath[MAX_PATH] = {};
    GetFullPathNameW((bench::OwnFolder() + L"..\\testbin\\VxlTarget.exe").c_str(), MAX_PATH, targetPath, nullptr);
    CHandle target = bench::Start(targetPath, L"/focus:edit", &targetId);
    HWND edit = nullptr;
    PumpUntil(60000, [&] {
        HWND frame = FindWindowW(L"VexloraTestTarget", nullptr);
        return frame && (edit = GetDlgItem(frame, 1001)) != nullptr;
    });
    if (!target || !edit) {
        DWORD code = 0;
        if (target) GetExitCodeProcess(target.get(), &code);
        std::printf("cannot start the target program %ls (started: %d, exit code %lu)\n", targetPath, target ? 1 : 0,
                    code);
        return 1;
    }

    DWORD residentId = 0;
    CHandle resident = bench::Start(folder + L"Vexlora.exe", L"", &residentId);
    if (!resident) {
        std::printf("cannot start Vexlora.exe\n");
        return 1;
    }
    const bool ready = PumpUntil(60000, [&] {
        HWND tray = testkit::TrayWindowOf(residentId);
        DWORD_PTR registered = 0;
        return tray &&
               SendMessageTimeoutW(tray, WM_VXL_IS_HOTKEY_REGISTERED, 0, 0, SMTO_ABORTIFHUNG, 1000, &registered) &&
               registered;
    });
    if (!ready) {
        std::printf("the resident program registered no hot key\n");
        TerminateProcess(resident.get(), 1);
        return 1;
    }

    std::vector<double> menuTimes, textTimes;
    for (int round = 0; round < kRounds; ++round) {
        double toMenu = 0, toText = 0;
        if (!Round(edit, residentId, toMenu, toText)) {
            std::printf("round %d: the phrase never arrived (edit: %ls)\n", round, EditText(edit).c_str());
            if (round < 2) PrintLogTail(folder);
            continue;
        }
        menuTimes.push_back(toMenu);
        textTimes.push_back(toText);
    }
    bench::Start(folder + L"Vexlora.exe", L"/exit");
    WaitForSingleObject(resident.get(), 30000);

    // The floor: the same hot key, menu and typing in this program.
    CVXLCommandTree tree;
    tree.Load(phrases.c_str(), 1);
    g_floor.tree = &tree;
    g_floor.edit = edit;
    WNDCLASSW floorClass = {};
    floorClass.lpfnWndProc = FloorProc;
    floorClass.hInstance = GetModuleHandleW(nullptr);
    floorClass.lpszClassName = L"VxlHotKeyFloor";
    RegisterClassW(&floorClass);
    HWND floor = CreateWindowExW(0, L"VxlHotKeyFloor", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    std::vector<double> floorMenu, floorText;
    if (PumpUntil(10000, [&] { return RegisterHotKey(floor, 1, MOD_CONTROL | MOD_ALT, VK_RETURN) != FALSE; })) {
        for (int round = 0; round < kRounds; ++round) {
            double toMenu = 0, toText = 0;
            if (Round(edit, GetCurrentProcessId(), toMenu, toText)) {
                floorMenu.push_back(toMenu);
                floorText.push_back(toText);
            }
        }
        UnregisterHotKey(floor, 1);
    }

    TerminateProcess(target.get(), 0);
    std::printf("hot key benchmark: %d folders, %d phrases, %d rounds (%zu and %zu completed)\n", kFolders,
                kFolders * kPhrasesPerFolder, kRounds, menuTimes.size(), floorMenu.size());
    if (menuTimes.empty() || floorMenu.empty()) return 1;
    const bench::CFigures menu = bench::Summarise(menuTimes), text = bench::Summarise(textTimes);
    const bench::CFigures floorMenuFigures = bench::Summarise(floorMenu),
                          floorTextFigures = bench::Summarise(floorText);
    bench::PrintFigures("Vexlora: hot key to menu visible", menu, "ms");
    bench::PrintFigures("floor: hot key to plain menu visible", floorMenuFigures, "ms");
    bench::PrintFigures("Vexlora: choice to text in the field", text, "ms");
    bench::PrintFigures("floor: choice to text in the field", floorTextFigures, "ms");
    std::printf("ratios (medians): menu %.2f, text %.2f\n", menu.median / floorMenuFigures.median,
                text.median / floorTextFigures.median);
    return 0;
}
