// Guessing the code page of an 8-bit text with MLang, limited to the code pages whose
// charset names the program knows.
#include "core/base/TextHelpers.h"

#include "core/base/CodePageDetect.h"
#include "core/base/Handles.h"

namespace {

// Not in mingw's libuuid.
const IID kIID_IMultiLanguage2 = {0xdccfc164, 0x2b38, 0x11d2, {0xb7, 0xec, 0x00, 0xc0, 0x4f, 0x8f, 0x5d, 0x9a}};

constexpr int kMaxCandidates = 5;

const CharsetRow* FindCharset(UINT codePage) {
    for (const CharsetRow& row : CharsetTable)
        if (row.codePage == codePage) return &row;
    return nullptr;
}

}  // namespace

// "x-ebcdic-finlandsweden-euro" stands twice; the later "iso-8859-1" row never wins
// over "windows-1252".
const std::array<CharsetRow, 119> CharsetTable = {{
    {L"utf-8", 65001},
    {L"windows-1251", 1251},
    {L"windows-1250", 1250},
    {L"iso-8859-2", 28592},
    {L"windows-1256", 1256},
    {L"iso-8859-5", 28595},
    {L"koi8-r", 20866},
    {L"koi8-u", 21866},
    {L"windows-1253", 1253},
    {L"iso-8859-8-i", 38598},
    {L"iso-8859-8", 28598},
    {L"asmo-708", 708},
    {L"dos-720", 720},
    {L"iso-8859-6", 28596},
    {L"x-mac-arabic", 10004},
    {L"ibm775", 775},
    {L"iso-8859-4", 28594},
    {L"windows-1257", 1257},
    {L"ibm852", 852},
    {L"x-mac-ce", 10029},
    {L"euc-cn", 51936},
    {L"gb2312", 936},
    {L"hz-gb-2312", 52936},
    {L"x-mac-chinesesimp", 10008},
    {L"big5", 950},
    {L"x-chinese-cns", 20000},
    {L"x-chinese-eten", 20002},
    {L"x-mac-chinesetrad", 10002},
    {L"cp866", 866},
    {L"x-mac-cyrillic", 10007},
    {L"x-europa", 29001},
    {L"x-ia5-german", 20106},
    {L"ibm737", 737},
    {L"iso-8859-7", 28597},
    {L"x-mac-greek", 10006},
    {L"ibm869", 869},
    {L"dos-862", 862},
    {L"x-mac-hebrew", 10005},
    {L"windows-1255", 1255},
    {L"x-ebcdic-arabic", 20420},
    {L"x-ebcdic-cyrillicrussian", 20880},
    {L"x-ebcdic-cyrillicserbianbulgarian", 21025},
    {L"x-ebcdic-denmarknorway", 20277},
    {L"x-ebcdic-denmarknorway-euro", 1142},
    {L"x-ebcdic-finlandsweden", 20278},
    {L"x-ebcdic-finlandsweden-euro", 1143},
    {L"x-ebcdic-finlandsweden-euro", 1143},
    {L"x-ebcdic-france-euro", 1147},
    {L"x-ebcdic-germany", 20273},
    {L"x-ebcdic-germany-euro", 1141},
    {L"x-ebcdic-greekmodern", 875},
    {L"x-ebcdic-greek", 20423},
    {L"x-ebcdic-hebrew", 20424},
    {L"x-ebcdic-icelandic", 20871},
    {L"x-ebcdic-icelandic-euro", 1149},
    {L"x-ebcdic-international-euro", 1148},
    {L"x-ebcdic-italy", 20280},
    {L"x-ebcdic-italy-euro", 1144},
    {L"x-ebcdic-japaneseandkana", 50930},
    {L"x-ebcdic-japaneseandjapaneselatin", 50939},
    {L"x-ebcdic-japaneseanduscanada", 50931},
    {L"x-ebcdic-japanesekatakana", 20290},
    {L"x-ebcdic-koreanandkoreanextended", 50933},
    {L"x-ebcdic-koreanextended", 20833},
    {L"cp870", 870},
    {L"x-ebcdic-simplifiedchinese", 50935},
    {L"x-ebcdic-spain", 20284},
    {L"x-ebcdic-spain-euro", 1145},
    {L"x-ebcdic-thai", 20838},
    {L"x-ebcdic-traditionalchinese", 50937},
    {L"cp1026", 1026},
    {L"x-ebcdic-turkish", 20905},
    {L"x-ebcdic-uk", 20285},
    {L"x-ebcdic-uk-euro", 1146},
    {L"ebcdic-cp-us", 37},
    {L"x-ebcdic-cp-us-euro", 1140},
    {L"ibm861", 861},
    {L"x-mac-icelandic", 10079},
    {L"x-iscii-as", 57006},
    {L"x-iscii-be", 57003},
    {L"x-iscii-de", 57002},
    {L"x-iscii-gu", 57010},
    {L"x-iscii-ka", 57008},
    {L"x-iscii-ma", 57009},
    {L"x-iscii-or", 57007},
    {L"x-iscii-pa", 57011},
    {L"x-iscii-ta", 57004},
    {L"x-iscii-te", 57005},
    {L"euc-jp", 51932},
    {L"iso-2022-jp", 50220},
    {L"iso-2022-jp", 50222},
    {L"csiso2022jp", 50221},
    {L"x-mac-japanese", 10001},
    {L"shift_jis", 932},
    {L"ks_c_5601-1987", 949},
    {L"euc-kr", 51949},
    {L"iso-2022-kr", 50225},
    {L"johab", 1361},
    {L"x-mac-korean", 10003},
    {L"iso-8859-3", 28593},
    {L"iso-8859-15", 28605},
    {L"x-ia5-norwegian", 20108},
    {L"ibm437", 437},
    {L"x-ia5-swedish", 20107},
    {L"windows-874", 874},
    {L"ibm857", 857},
    {L"iso-8859-9", 28599},
    {L"x-mac-turkish", 10081},
    {L"windows-1254", 1254},
    {L"unicode", 1200},
    {L"unicodefffe", 1201},
    {L"utf-7", 65000},
    {L"us-ascii", 20127},
    {L"windows-1258", 1258},
    {L"ibm850", 850},
    {L"x-ia5", 20105},
    {L"macintosh", 10000},
    {L"windows-1252", 1252},
    {L"iso-8859-1", 1252},
}};

std::vector<DetectEncodingInfo> CMLangCodePageDetector::Detect(const char* bytes, int length) {
    CComPtr<IMultiLanguage2> multiLanguage;
    if (FAILED(CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kIID_IMultiLanguage2,
                                multiLanguage.outVoid())) ||
        !multiLanguage.get())
        return {};
    DetectEncodingInfo found[kMaxCandidates] = {};
    INT size = length;
    INT count = kMaxCandidates;
    // The text is only read; the interface was declared without const.
    HRESULT hr =
        multiLanguage.get()->DetectInputCodepage(MLDETECTCP_HTML, 0, const_cast<CHAR*>(bytes), &size, found, &count);
    if (FAILED(hr) || count <= 0) return {};
    if (count > kMaxCandidates) count = kMaxCandidates;
    return std::vector<DetectEncodingInfo>(found, found + count);
}

UINT DetectCodePageAndName(const char* bytes, int length, CString* name) {
    CMLangCodePageDetector detector;
    return DetectCodePageAndName(detector, bytes, length, name);
}

UINT DetectCodePageAndName(ICodePageDetector& detector, const char* bytes, int length, CString* name) {
    if (!bytes || length <= 0) return 0;
    const std::vector<DetectEncodingInfo> candidates = detector.Detect(bytes, length);
    const DetectEncodingInfo* best = nullptr;
    long long bestScore = 0;
    for (const DetectEncodingInfo& candidate : candidates) {
        long long score = candidate.nDocPercent == 0
                              ? candidate.nConfidence
                              : static_cast<long long>(candidate.nConfidence) * candidate.nDocPercent;
        if (score > bestScore) {
            bestScore = score;
            best = &candidate;
        }
    }
    if (!best) return 0;
    const CharsetRow* row = FindCharset(best->nCodePage);
    if (!row) return 0;
    if (name) *name = row->name;
    return row->codePage;
}

UINT DetectCodePageByMLang(const char* bytes, int length) {
    return DetectCodePageAndName(bytes, length, nullptr);
}
