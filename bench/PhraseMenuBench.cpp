// The phrase menu built for 10,000 phrases in 500 folders with 500 clips, against a plain
// popup menu of the same texts and submenus made with the bare Win32 calls. Prints the
// build times (minimum, median, maximum of the rounds) and their ratio.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/Settings.h"
#include "phrases/CommandTree.h"
#include "tray/PhraseMenu.h"

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
};

void BuildTree(CVXLCommandTree& tree) {
    UINT id = 1;
    for (int folder = 0; folder < kFolders; ++folder) {
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

}  // namespace

int wmain() {
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
