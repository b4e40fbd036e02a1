// Which of the formats a copy offers become a history item: the main format, first
// match wins, the companions kept with it, the per-kind switches of the settings, and
// the marks by which password managers ask not to be recorded. Pure rules over the
// offered format ids, so that they test without a clipboard.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/Clipboard.h"

// Where a history item's data come from. Plain 8-bit text read as the main item is
// stored as Unicode text with its code page.
enum class CaptureSource { kHtml, kDorvane, kRtf, kUnicodeText, kAnsiText, kBitmap };

// The formats of a copy that the history understands.
struct CCaptureOffer {
    bool html = false;
    bool dorvane = false;
    bool dorvaneMeta = false;
    bool rtf = false;
    bool unicodeText = false;
    bool ansiText = false;
    bool bitmap = false;
};

// The switches "ClipboardFormats0".."ClipboardFormats4": texts, RTF, bitmaps, the sister
// product's data, HTML.
struct CCaptureSwitches {
    bool on[5] = {true, true, false, true, true};
};

// The largest block of one format that becomes history: beyond it a copy is refused
// and logged, never cut (a cut text would paste back as something the user never
// copied). Sized so that a 32-bit program can hold the copy twice while writing it.
const size_t kMaxCapturedFormatBytes = 64u * 1024 * 1024;

// "Dorvane Format", registered on first use (its meta information: history/ClipFormats.h).
UINT GetCF_Dorvane();

CCaptureOffer ReadCaptureOffer(const std::vector<UINT>& formats);
// The main formats to try in order; the first that can be read makes the item.
std::vector<CaptureSource> MainCaptureCandidates(const CCaptureOffer& offer);
// The companions kept beside a main item of this kind (the kinds of the history items).
std::vector<int> CompanionKinds(int mainKind, const CCaptureOffer& offer, const CCaptureSwitches& switches);
// Whether the switches let an item of this kind into the history; unknown kinds pass.
bool IsKindCaptured(int kind, const CCaptureSwitches& switches);
// The history kind a source gives.
int KindOfSource(CaptureSource source);
// The clipboard format of a source (CF_BITMAP for bitmaps).
UINT FormatOfSource(CaptureSource source);

// A copy its owner marked as not for any history ("ExcludeClipboardContentFromMonitor-
// Processing", "Clipboard Viewer Ignore", or "CanIncludeInClipboardHistory" holding 0).
// Needs the clipboard open.
bool IsCopyMarkedPrivate(IClipboard& clipboard, const std::vector<UINT>& formats);
