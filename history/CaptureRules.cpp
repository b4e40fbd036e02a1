#include "history/CaptureRules.h"

#include <algorithm>
#include <cstring>

#include "core/ClipboardAccess.h"
#include "core/ClipboardItemFiles.h"
#include "history/ClipFormats.h"

UINT GetCF_Dorvane() {
    static const UINT format = RegisterClipboardFormatW(L"Dorvane Format");
    return format;
}

namespace {

bool Offers(const std::vector<UINT>& formats, UINT format) {
    return format != 0 && std::find(formats.begin(), formats.end(), format) != formats.end();
}

}  // namespace

CCaptureOffer ReadCaptureOffer(const std::vector<UINT>& formats) {
    CCaptureOffer offer;
    offer.html = Offers(formats, GetCF_HTML());
    offer.dorvane = Offers(formats, GetCF_Dorvane());
    offer.dorvaneMeta = Offers(formats, RegisterDvnMetaInfoFormat());
    offer.rtf = Offers(formats, GetCF_RTF());
    offer.unicodeText = Offers(formats, CF_UNICODETEXT);
    offer.ansiText = Offers(formats, CF_TEXT);
    offer.bitmap = Offers(formats, CF_BITMAP);
    return offer;
}

std::vector<CaptureSource> MainCaptureCandidates(const CCaptureOffer& offer) {
    std::vector<CaptureSource> candidates;
    if (offer.html) candidates.push_back(CaptureSource::kHtml);
    if (offer.dorvane) candidates.push_back(CaptureSource::kDorvane);
    // A picture that also offers text (a browser's image, a chart) is kept as the picture.
    if (offer.bitmap) {
        candidates.push_back(CaptureSource::kBitmap);
        return candidates;
    }
    if (offer.rtf) candidates.push_back(CaptureSource::kRtf);
    if (offer.unicodeText) candidates.push_back(CaptureSource::kUnicodeText);
    if (offer.ansiText) candidates.push_back(CaptureSource::kAnsiText);
    return candidates;
}

std::vector<int> CompanionKinds(int mainKind, const CCaptureOffer& offer, const CCaptureSwitches& switches) {
    std::vector<int> kinds;
    if (mainKind != CClipboardItemData::kRtf && offer.rtf) kinds.push_back(CClipboardItemData::kRtf);
    if (mainKind != CClipboardItemData::kBitmap && switches.on[2] && offer.bitmap)
        kinds.push_back(CClipboardItemData::kBitmap);
    if (switches.on[4] && mainKind != CClipboardItemData::kHtml && offer.html)
        kinds.push_back(CClipboardItemData::kHtml);
    if (mainKind != CClipboardItemData::kText && switches.on[0] && offer.ansiText)
        kinds.push_back(CClipboardItemData::kText);
    return kinds;
}

bool IsKindCaptured(int kind, const CCaptureSwitches& switches) {
    switch (kind) {
        case CClipboardItemData::kText:
        case CClipboardItemData::kUnicodeText:
            return switches.on[0];
        case CClipboardItemData::kRtf:
            return switches.on[1];
        case CClipboardItemData::kBitmap:
            return switches.on[2];
        case CClipboardItemData::kDorvane:
            return switches.on[3];
        case CClipboardItemData::kHtml:
            return switches.on[4];
        default:
            return true;
    }
}

int KindOfSource(CaptureSource source) {
    switch (source) {
        case CaptureSource::kHtml:
            return CClipboardItemData::kHtml;
        case CaptureSource::kDorvane:
            return CClipboardItemData::kDorvane;
        case CaptureSource::kRtf:
            return CClipboardItemData::kRtf;
        case CaptureSource::kBitmap:
            return CClipboardItemData::kBitmap;
        case CaptureSource::kUnicodeText:
        case CaptureSource::kAnsiText:
            break;
    }
    return CClipboardItemData::kUnicodeText;
}

UINT FormatOfSource(CaptureSource source) {
    switch (source) {
        case CaptureSource::kHtml:
            return GetCF_HTML();
        case CaptureSource::kDorvane:
            return GetCF_Dorvane();
        case CaptureSource::kRtf:
            return GetCF_RTF();
        case CaptureSource::kUnicodeText:
            return CF_UNICODETEXT;
        case CaptureSource::kAnsiText:
            return CF_TEXT;
        case CaptureSource::kBitmap:
            break;
    }
    return CF_BITMAP;
}

bool IsCopyMarkedPrivate(IClipboard& clipboard, const std::vector<UINT>& formats) {
    static const UINT exclude = RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    static const UINT viewerIgnore = RegisterClipboardFormatW(L"Clipboard Viewer Ignore");
    static const UINT canInclude = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    if (Offers(formats, exclude) || Offers(formats, viewerIgnore)) return true;
    if (!Offers(formats, canInclude)) return false;
    std::vector<BYTE> bytes;
    DWORD allowed = 1;
    if (clipboard.Read(canInclude, bytes) && bytes.size() >= sizeof allowed)
        memcpy(&allowed, bytes.data(), sizeof allowed);
    return allowed == 0;
}
