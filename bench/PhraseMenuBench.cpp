// The phrase menu built for 10,000 phrases in 500 folders with 500 clips, against a plain
// popup menu of the same texts and submenus made with the bare Win32 calls. Prints the
// build times (minimum, median, maximum of the rounds) and their ratio.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/Settings.h"
#include "phrases/CommandTree.h"
#include "tray/PhraseMenu.h"
#include "tray/PhraseMenuHandler.h"

namespace {

const int kFolders = 500;
const int kPhrasesPerFolder = 20;
const int kClips = 500;
const int kRounds = 7;

class CClips : public IMenuHistorySource {
public:
    int GetCount() override { return kClips; }
    int GetKind(int) override { return kHistoryKindUnicodeText; }
    CString GetMenuCaption(int index) override {
        CString caption;
        caption.Format(L"Clip number %d of the history", index);
        return caption;
    }
    bool GetMenuHint(int, CString& hint) override {
        hint = L"a clip";
        return true;
    }
    void StoreMenuHint(int, const CString&) override {}
    bool HasSisterMetaInfo(int) override { return false; }
    CString GetPlainText(int index) override { return GetMenuCaption(index); }
    CString GetSourceUrl(int) override { return CString(); }
    bool GetItemData(int, CClipboardItemData&) override { return false; }
};

void BuildTree(CVXLCommandTree& tree, int folders = kFolders) {
    UINT id = 1;
    for (int folder = 0; folder < folders; ++folder) {
        CVXLCommand group;
        group.SetID(id++);
        CString name;
        name.Format(L"Folder %d", folder);
        group.SetName(name);
        CVXLCommandVector& children = group.MakeFolder();
        for (int phrase = 0; phrase < kPhrasesPerFolder; ++phrase) {
            CVXLCommand record;
            record.SetID(id++);
            CString text;
            text.Format(L"Phrase %d of folder %d, typed all day", phrase, folder);
            record.SetName(text);
            record.SetCommand(text);
            record.SetDataType(VXL_DATA_TEXT);
            children.push_back(std::move(record));
        }
        tree.GetRecords().push_back(std::move(group));
    }
}

// The same shape with the bare calls: one submenu per folder, plain strings.
HMENU BuildPlainMenu(const CVXLCommandTree& tree, IMenuHistorySource& clips) {
    HMENU menu = CreatePopupMenu();
    for (const CVXLCommand& group : tree.GetRecords()) {
        HMENU sub = CreatePopupMenu();
        for (const CVXLCommand& record : *group.GetChildren())
            AppendMenuW(sub, MF_STRING, record.GetID(), record.GetName());
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), group.GetName());
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (int i = 0; i < clips.GetCount(); ++i) AppendMenuW(menu, MF_STRING, 24000 + i, clips.GetMenuCaption(i));
    return menu;
}

HWND FindOwnMenuWindow() {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32768", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Waits on its own thread for the menu window to be visible, notes the time, keeps the
// menu open for `holdMs` (for a screenshot) and closes it with Escape.
class CMenuWatcher {
public:
    explicit CMenuWatcher(DWORD holdMs)
        : m_thread([this, holdMs] {
              HWND menu = nullptr;
              const double give = bench::NowMs() + 60000;
              while (!(menu = FindOwnMenuWindow()) && bench::NowMs() < give) Sleep(1);
              m_visibleAt = bench::NowMs();
              if (!menu) return;
              if (holdMs) Sleep(holdMs);
              PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
          }) {}
    double Join() {
        m_thread.join();
        return m_visibleAt;
    }

private:
    std::atomic<double> m_visibleAt{0};
    std::thread m_thread;
};

}  // namespace

// A short menu of a few folders and the clips, shown once and held open for a screenshot
// of the whole menu, banner text included.
int ShowShortMenu(DWORD holdMs) {
    CVXLCommandTree tree;
    BuildTree(tree, 6);
    CClips clips;
    HWND post = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    CVXLSettings::GetInstance().MaxHistoryItemsInMenu = 5;
    IDataNeededHander_MenuSelf handler(post, WM_APP + 12, tree, nullptr, &clips);
    handler.SetLastID(3);
    CMenuWatcher watcher(holdMs);
    CMenuQuery query;
    query.point = {40, 40};
    handler.OnDataNeeded(query);
    watcher.Join();
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    // "/hold <ms>": the phrase menu stays open that long once, for a screenshot; "/short
    // <ms>": a short menu instead of the benchmark.
    const DWORD holdMs = argc == 3 && wcscmp(argv[1], L"/hold") == 0 ? static_cast<DWORD>(_wtoi(argv[2])) : 0;
    if (argc == 3 && wcscmp(argv[1], L"/short") == 0) return ShowShortMenu(static_cast<DWORD>(_wtoi(argv[2])));
    CVXLCommandTree tree;
    BuildTree(tree);
    CClips clips;
    CPhraseMenuContext context;
    context.tree = &tree;
    context.history = &clips;
    CPhraseMenuOptions options = CPhraseMenuOptions::FromSettings(CVXLSettings::GetInstance(), false);
    options.maxHistoryItems = -1;

    std::vector<double> phraseMenu, plainMenu;
    int items = 0;
    for (int round = 0; round < kRounds; ++round) {
        double start = bench::NowMs();
        CPhraseMenuBuilder builder(context, options);
        HMENU menu = builder.MakeMenu();
        phraseMenu.push_back(bench::NowMs() - start);
        if (!menu) {
            std::printf("the phrase menu could not be built\n");
            return 1;
        }
        items = GetMenuItemCount(menu);
        CleanupMenu(menu);
        DestroyMenu(menu);

        start = bench::NowMs();
        HMENU plain = BuildPlainMenu(tree, clips);
        plainMenu.push_back(bench::NowMs() - start);
        DestroyMenu(plain);
    }
    std::printf("phrase menu benchmark: %d folders, %d phrases, %d clips, %d top-level items\n", kFolders,
                kFolders * kPhrasesPerFolder, kClips, items);
    const bench::CFigures phrase = bench::Summarise(phraseMenu);
    const bench::CFigures plain = bench::Summarise(plainMenu);
    bench::PrintFigures("MakeMenu (owner-drawn, item records)", phrase, "ms");
    bench::PrintFigures("bare Win32 popup of the same texts", plain, "ms");
    std::printf("MakeMenu / bare build: %.2f (medians)\n", plain.median > 0 ? phrase.median / plain.median : 0.0);

    // From the request to the menu on the screen: the phrase menu through its handler (built,
    // owner-drawn, tracked) and the plain popup through the bare calls.
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HWND post = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    IDataNeededHander_MenuSelf handler(post, WM_APP + 12, tree, nullptr, &clips);
    std::vector<double> phraseShown, plainShown;
    for (int round = 0; round < 3; ++round) {
        CMenuWatcher watcher(round == 0 ? holdMs : 0);
        const double start = bench::NowMs();
        CMenuQuery query;
        query.point = {40, 40};
        handler.OnDataNeeded(query);
        phraseShown.push_back(watcher.Join() - start);

        CMenuWatcher plainWatcher(0);
        const double plainStart = bench::NowMs();
        HMENU plain = BuildPlainMenu(tree, clips);
        TrackPopupMenuEx(plain, TPM_RETURNCMD, 40, 40, owner, nullptr);
        plainShown.push_back(plainWatcher.Join() - plainStart);
        DestroyMenu(plain);
    }
    const bench::CFigures phraseVisible = bench::Summarise(phraseShown);
    const bench::CFigures plainVisible = bench::Summarise(plainShown);
    bench::PrintFigures("phrase menu: request to visible", phraseVisible, "ms");
    bench::PrintFigures("bare popup: build to visible", plainVisible, "ms");
    std::printf("visible: phrase menu / bare popup: %.2f (medians)\n",
                plainVisible.median > 0 ? phraseVisible.median / plainVisible.median : 0.0);

    // Where MakeMenu's time goes: the captions, the tips and the right texts of every phrase.
    std::vector<double> captions, tips, rights;
    for (int round = 0; round < 3; ++round) {
        double captionMs = 0, tipMs = 0, rightMs = 0;
        for (const CVXLCommand& group : tree.GetRecords()) {
            for (const CVXLCommand& record : *group.GetChildren()) {
                double start = bench::NowMs();
                const CPhraseCaption caption = MakePhraseCaption(record, context);
                captionMs += bench::NowMs() - start;
                start = bench::NowMs();
                MakePhraseTip(record, caption.text, context);
                tipMs += bench::NowMs() - start;
                start = bench::NowMs();
                MakePhraseRightText(record);
                rightMs += bench::NowMs() - start;
            }
        }
        captions.push_back(captionMs);
        tips.push_back(tipMs);
        rights.push_back(rightMs);
    }
    bench::PrintFigures("  of it: the captions of all phrases", bench::Summarise(captions), "ms");
    bench::PrintFigures("  of it: the tips of all phrases", bench::Summarise(tips), "ms");
    bench::PrintFigures("  of it: the right texts of all phrases", bench::Summarise(rights), "ms");
    return 0;
}
