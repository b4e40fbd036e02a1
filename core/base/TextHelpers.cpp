#include "core/base/TextHelpers.h"

#include <cwchar>

#include "core/base/SehGuard.h"

namespace {

constexpr wchar_t kEllipsis = L'\u2026';
constexpr wchar_t kEmDash = L'\u2014';
constexpr wchar_t kBullet = L'\u2022';
constexpr wchar_t kLaquo = L'\u00AB';
constexpr wchar_t kRaquo = L'\u00BB';
constexpr wchar_t kPilcrow = L'\u00B6';
constexpr wchar_t kCopyright = L'\u00A9';

// Stands between the two halves of a text that spanned many lines, so that the
// shortened form still reads as "lines left out" in a multi-line tool tip.
constexpr wchar_t kMultiLineMark[] = L" \u2026\n\t\t\u2026 \u2026 \u2026\n\t\t\u2026 \u2026 \u2026\n\u2026 ";

int Length(const CString& text) {
    return text.GetLength();
}

// A count of leading characters that does not end between the halves of a surrogate pair.
int HeadCount(const CString& text, int count) {
    if (count <= 0) return 0;
    if (count >= Length(text)) return Length(text);
    if (IS_HIGH_SURROGATE(text[count - 1]) && IS_LOW_SURROGATE(text[count])) --count;
    return count;
}

// A count of trailing characters that does not start between the halves of a surrogate pair.
int TailCount(const CString& text, int count) {
    if (count <= 0) return 0;
    if (count >= Length(text)) return Length(text);
    int start = Length(text) - count;
    if (IS_LOW_SURROGATE(text[start]) && IS_HIGH_SURROGATE(text[start - 1])) --count;
    return count;
}

}  // namespace

CString KeepHead(const CString& text, int count) {
    return text.Left(HeadCount(text, count));
}

namespace {

CString KeepTail(const CString& text, int count) {
    return text.Right(TailCount(text, count));
}

// A start position moved past the second half of a surrogate pair it would split.
int TailStart(const CString& text, int start) {
    if (start > 0 && start < Length(text) && IS_LOW_SURROGATE(text[start]) && IS_HIGH_SURROGATE(text[start - 1]))
        ++start;
    return start;
}

bool IsLongerThan(const CString& text, unsigned width) {
    return static_cast<unsigned>(Length(text)) > width;
}

void ReplaceEach(CString& text, std::initializer_list<const wchar_t*> targets, const wchar_t* replacement) {
    for (const wchar_t* target : targets) text.Replace(target, replacement);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Shortening and normalising

const LineBreakStrings& InitLineBreakStrings() {
    static constexpr LineBreakStrings kLineBreaks = {L"\r\n", L"\n", L"\r"};
    return kLineBreaks;
}

CString GetShortDisplayText(TextPair& pair) {
    if (!pair.shortText.IsEmpty() || pair.fullText.IsEmpty()) return pair.shortText;
    pair.shortText = pair.fullText;
    ShortenMiddleWithMark(pair.shortText, 100);
    return pair.shortText;
}

void ShortenMiddleWithMark(CString& text, int maxChars) {
    if (text.IsEmpty() || Length(text) < maxChars) return;
    CString head = KeepHead(text, maxChars / 2);
    TrimCharsAtEnd(head, false);
    CString tail = KeepTail(text, maxChars / 2);
    TrimCharsAtEnd(tail, true);
    text = head + kMultiLineMark + tail;
}

void TrimCharsAtEnd(CString& text, bool atStart) {
    for (wchar_t ch : {L'\r', L'\n', L'\t', L' '}) {
        if (atStart)
            TrimLeftChar(text, ch);
        else
            TrimRightChar(text, ch);
    }
}

// Both trims step with CharNextW, so a character and the marks combined with it are
// judged together, as the system's own string functions do.
void TrimRightChar(CString& text, wchar_t ch) {
    const wchar_t* begin = text.GetString();
    const wchar_t* keepEnd = begin;
    for (const wchar_t* p = begin; *p;) {
        const wchar_t* next = CharNextW(p);
        if (next == p) break;
        if (*p != ch) keepEnd = next;
        p = next;
    }
    int keep = static_cast<int>(keepEnd - begin);
    if (keep != Length(text)) text = text.Left(keep);
}

void TrimLeftChar(CString& text, wchar_t ch) {
    const wchar_t* begin = text.GetString();
    const wchar_t* p = begin;
    while (*p && *p == ch) {
        const wchar_t* next = CharNextW(p);
        if (next == p) break;
        p = next;
    }
    if (p != begin) text = text.Mid(static_cast<int>(p - begin));
}

bool NormalizeWhitespace(CString& text, bool light, unsigned maxLen) {
    const CString before(text);
    if (light) {
        if (!IsLongerThan(text, maxLen)) return false;
        text.Trim(L' ');
    } else {
        text.Trim(L" \t\r\n\v\b");
        ReplaceEach(text, {L"\r\n", L"\r", L"\n", L"   ", L"  "}, L" ");
    }
    return text != before;
}

bool ShortenTextForDisplay(CString& text, unsigned maxLen) {
    if (text.IsEmpty()) return false;
    const int lengthBefore = Length(text);
    bool changed = NormalizeWhitespace(text, false, maxLen);
    if (IsLongerThan(text, maxLen)) {
        int half = static_cast<int>(maxLen / 2);
        text = KeepHead(text, half) + L"\u2026   \u2026" + KeepTail(text, half);
        changed = true;
    }
    return changed || Length(text) != lengthBefore;
}

bool ShortenPathMiddle(CString& text, unsigned width) {
    if (!IsLongerThan(text, width)) return true;
    // From here width < length <= INT_MAX.
    const int w = static_cast<int>(width);
    CString prefix = GetUrlPrefix(text);
    if (prefix.IsEmpty()) return false;
    int separator = FindLastUrlSeparator(text);
    if (separator < 0) return false;
    CString tail = text.Mid(separator + 1);

    int hostEnd = text.Find(L'/', Length(prefix) + 1);
    int headLength;
    if (hostEnd >= 0 && hostEnd <= separator) {
        headLength = hostEnd + 1;
    } else {
        headLength = w - Length(tail);
        if (headLength < 0) headLength = 20;
    }
    CString head = KeepHead(text, headLength);
    if (Length(head) > w) {
        head = KeepHead(head, w / 2);
        int keep = w - Length(head);
        if (keep > w / 2) keep = w / 2;
        tail = KeepTail(tail, keep);
    } else {
        tail = KeepTail(tail, w - Length(head));
    }
    text = head + L" \u2026 " + tail;
    return true;
}

void CollapseBlankRuns(CString& text) {
    ReplaceEach(text, {L"   ", L"  "}, L" ");
}

void TrimPilcrowAndBlanks(CString& text) {
    const wchar_t set[] = {kPilcrow, L' ', L'\t', L'\r', 0};
    text.Trim(set);
}

bool ShortenTextMiddle(CString& text, unsigned width) {
    CString cleaned(text);
    ReplaceLineBreaksBy(cleaned, L" ");
    CollapseBlankRuns(cleaned);
    TrimPilcrowAndBlanks(cleaned);
    if (!IsLongerThan(text, width)) {
        if (cleaned == text) return false;
        text = cleaned;
        return true;
    }
    int headEnd = 0;
    int tailStart = 0;
    // The clean-up alone may have made the text fit: then there is nothing to cut.
    if (FindCaptionCutPoints(cleaned, width, headEnd, tailStart))
        text = cleaned.Left(headEnd) + kEllipsis + cleaned.Mid(tailStart);
    else
        text = cleaned;
    return true;
}

bool FindCaptionCutPoints(const CString& text, unsigned width, int& headEnd, int& tailStart) {
    headEnd = 0;
    tailStart = 0;
    if (!IsLongerThan(text, width)) return false;
    const int half = static_cast<int>(width / 2);

    const CString head = text.Left(half);
    int lastBreak = -1;
    for (wchar_t ch : L" \r\n\t,;?!^()+-\\/@|&*\"'") {
        if (!ch) break;
        int pos = head.ReverseFind(ch);
        if (pos > 0 && pos > lastBreak) lastBreak = pos;
    }
    headEnd = lastBreak >= 0 ? lastBreak : HeadCount(text, half);

    const int start = Length(text) - half;
    int firstBreakEnd = -1;
    for (const wchar_t* marker : {L" ", L"\r\n", L"\n", L"\r", L"\t"}) {
        int pos = text.Find(marker, start);
        if (pos <= 0) continue;
        int end = pos + static_cast<int>(wcslen(marker));
        if (firstBreakEnd < 0 || end < firstBreakEnd) firstBreakEnd = end;
    }
    tailStart = firstBreakEnd >= 0 ? firstBreakEnd : TailStart(text, start);
    return true;
}

bool CutTextAtWord(CString& text, unsigned maxLen) {
    if (text.IsEmpty()) return false;
    const int lengthBefore = Length(text);
    text.Trim(L"\n\r\t ");
    ReplaceEach(text, {L"\n", L"\r", L"\t", L"   ", L"  "}, L" ");
    if (static_cast<unsigned>(Length(text)) >= maxLen) {
        // From here maxLen <= length <= INT_MAX.
        const int limit = static_cast<int>(maxLen);
        int cut = -1;
        for (int found = FindWordBoundaryBefore(text, 1, limit); found >= 0;
             found = FindWordBoundaryBefore(text, found + 1, limit))
            cut = found;
        if (cut < 0) cut = HeadCount(text, limit);
        text = text.Left(cut) + kEllipsis;
    }
    return Length(text) != lengthBefore;
}

int FindWordBoundaryBefore(const CString& text, int from, int limit) {
    int best = -1;
    for (wchar_t ch : L" \t\n\r?,.\\/!()") {
        if (!ch) break;
        int pos = text.Find(ch, from);
        if (pos >= 0 && pos < limit && pos > best) best = pos;
    }
    return best;
}

int FindLastOfAny(const CString& text, const wchar_t* set, bool first) {
    if (!set || !*set) return -1;
    int result = -1;
    for (const wchar_t* ch = set; *ch; ++ch) {
        int pos = first ? text.Find(*ch) : text.ReverseFind(*ch);
        if (pos <= 0) continue;
        if (result < 0 || (first ? pos < result : pos > result)) result = pos;
    }
    return result;
}

int FindLastUrlSeparator(const CString& text) {
    return FindLastOfAny(text, L"/&?", false);
}

CString GetUrlPrefix(const CString& text) {
    for (const wchar_t* prefix : {L"http://", L"https://", L"ftp://"}) {
        int length = static_cast<int>(wcslen(prefix));
        if (Length(text) > length && text.Left(length).CompareNoCase(prefix) == 0) return text.Left(length);
    }
    return CString();
}

bool ReplaceLineBreaksBy(CString& text, const wchar_t* replacement) {
    int count = 0;
    for (const wchar_t* lineBreak : InitLineBreakStrings()) count += text.Replace(lineBreak, replacement);
    return count > 0;
}

// ---------------------------------------------------------------------------------------
// File names and paths

FileNameReplacementMap MakeFileNameReplacementMap() {
    return {
        {L'?', L' '},    {L':', L'-'},   {L'"', L'\''}, {L'\\', L'_'}, {L'/', L'_'},
        {L'*', kBullet}, {kLaquo, L'['}, {L'<', L'['},  {L'>', L']'},  {L'|', L'_'},
    };
}

int SanitizeFileName(CString& text) {
    if (text.IsEmpty()) return 0;
    int count = 0;
    for (const auto& entry : MakeFileNameReplacementMap())
        count += ReplaceCharInString(text, entry.first, entry.second);
    return count;
}

int ReplaceCharInString(CString& text, wchar_t oldCh, wchar_t newCh) {
    if (oldCh == newCh || text.IsEmpty()) return 0;
    const int length = Length(text);
    const wchar_t* read = text.GetString();
    wchar_t* write = nullptr;  // taken on the first match, so an untouched text stays shared
    int count = 0;
    for (int i = 0; i < length && read[i];) {
        if (read[i] == oldCh) {
            if (!write) {
                write = text.GetBuffer(length);
                read = write;
            }
            write[i] = newCh;
            ++count;
        }
        const wchar_t* next = CharNextW(read + i);
        if (next == read + i) break;
        i = static_cast<int>(next - read);
    }
    if (write) text.ReleaseBuffer(length);
    return count;
}

bool IsFileNameCharReplaced(const CString& text) {
    for (const auto& entry : MakeFileNameReplacementMap())
        if (text.Find(entry.first) >= 0) return true;
    return false;
}

CString GetSpaceKeyName() {
    UINT scanCode = MapVirtualKeyW(VK_SPACE, MAPVK_VK_TO_VSC);
    wchar_t name[64] = {};
    if (scanCode && GetKeyNameTextW(static_cast<LONG>(scanCode << 16), name, ARRAYSIZE(name)) > 0) return name;
    return L"Space";
}

CString GetFileNameReplacementsText() {
    return GetFileNameReplacementsText(GetSpaceKeyName(), L"   ", L"\r\n");
}

CString GetFileNameReplacementsText(const CString& spaceName, const wchar_t* entryLead, const wchar_t* join) {
    auto shown = [&spaceName](wchar_t ch) { return ch == L' ' ? spaceName : CString(ch); };
    CString result;
    for (const auto& entry : MakeFileNameReplacementMap()) {
        if (!result.IsEmpty()) result += join;
        result += entryLead;
        result += L"(" + shown(entry.first) + L")  \u203A\u203A  (" + shown(entry.second) + L")";
    }
    return result;
}

CString MakeFileNameFromText(const CString& text, bool replaceBlanks, unsigned maxLen) {
    return MakeFileNameFromText(text, replaceBlanks, maxLen, L"_");
}

CString MakeFileNameFromText(const CString& text, bool replaceBlanks, unsigned maxLen, const wchar_t* replacement) {
    if (!replacement) replacement = L"";
    CString name(text);
    name.Trim(L" \t\r\n");
    // Only the first line counts. A CR ends it as well as an LF: left in, it would make
    // a name that no file system accepts.
    int lineEnd = -1;
    for (int i = 1; i < Length(name) && lineEnd < 0; ++i)
        if (name[i] == L'\n' || name[i] == L'\r') lineEnd = i;
    if (lineEnd >= 0) name = name.Left(lineEnd);
    if (maxLen != 0 && IsLongerThan(name, maxLen)) name = KeepHead(name, static_cast<int>(maxLen));

    for (const wchar_t* unsafe :
         {L"?", L"*", L":", L"\\", L"\"", L"/", L"<", L">", L"\t", L"\n", L"|", L"{", L"}", L"'", L"%"})
        name.Replace(unsafe, replacement);
    if (replaceBlanks) name.Replace(L" ", replacement);

    const CString single(replacement);
    name.Replace(single + single + single, single);
    name.Replace(single + single, single);
    name.Trim(replacement);
    return name;
}

namespace {

// ExpandEnvironmentStringsW into a buffer of 1000 characters, or a larger one when the
// value needs it: a cut-off value would make a wrong path.
bool ExpandToken(const CString& token, CString& value) {
    wchar_t buffer[1000];
    DWORD needed = ExpandEnvironmentStringsW(token, buffer, 999);
    if (needed == 0) return false;
    if (needed <= 999) {
        value = buffer;
        return true;
    }
    CString large;
    wchar_t* room = large.GetBuffer(static_cast<int>(needed));
    DWORD written = ExpandEnvironmentStringsW(token, room, needed);
    // Another thread may have changed the variable in between: then give up on it.
    bool complete = written > 0 && written <= needed;
    large.ReleaseBuffer(complete ? -1 : 0);
    if (!complete) return false;
    value = large;
    return true;
}

}  // namespace

CString ExpandPathVars(const CString& path) {
    CString result(path);
    int from = 0;
    for (;;) {
        int open = path.Find(L'%', from);
        if (open < 0) break;
        int close = path.Find(L'%', open + 1);
        if (close < 0) break;
        CString token = path.Mid(open, close - open + 1);
        CString value;
        if (ExpandToken(token, value)) result.Replace(token, value);
        from = close + 1;
    }
    return result;
}

void AddTrailingBackslash(CString& path) {
    if (!path.IsEmpty() && path[Length(path) - 1] != L'\\') path += L'\\';
}

// ---------------------------------------------------------------------------------------
// Comparing, finding, case

bool IsEqualStrInvariant(const wchar_t* a, const wchar_t* b) {
    if (a == b) return true;
    return CompareStringW(LOCALE_INVARIANT, 0, a ? a : L"", -1, b ? b : L"", -1) == CSTR_EQUAL;
}

int CompareStr(const wchar_t* a, const wchar_t* b, bool caseSensitive) {
    if (a == b) return 0;
    if (!a) a = L"";
    if (!b) b = L"";
    for (;; ++a, ++b) {
        wchar_t ca = *a;
        wchar_t cb = *b;
        if (ca != cb && !caseSensitive) {
            ca = CharToUpperInvariant(ca);
            cb = CharToUpperInvariant(cb);
        }
        if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
        if (!ca) return 0;
    }
}

wchar_t CharToUpperInvariant(wchar_t ch) {
    wchar_t upper = ch;
    if (ch && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &ch, 1, &upper, 1) != 1) return ch;
    return upper;
}

CString MapToUpperCopy(const CString& text) {
    CString copy(text);
    if (!copy.IsEmpty()) {
        int length = Length(copy);
        MapCaseInvariant(copy.GetBuffer(length), true);
        copy.ReleaseBuffer(length);
    }
    return copy;
}

int FindStrNoCase(const CString& needle, const CString& haystack, int /*flags*/, int start) {
    if (needle.IsEmpty() || haystack.IsEmpty()) return -1;
    return MapToUpperCopy(haystack).Find(MapToUpperCopy(needle), start);
}

int FindNoCaseUpper(const CString& haystack, const CString& needle, int start) {
    if (needle.IsEmpty() || haystack.IsEmpty()) return -1;
    CString upperHaystack(haystack);
    CString upperNeedle(needle);
    return upperHaystack.MakeUpper().Find(upperNeedle.MakeUpper(), start);
}

bool MapCaseInvariant(wchar_t* buffer, bool upper) {
    if (!buffer || !*buffer) return true;
    int length = static_cast<int>(wcslen(buffer));
    return LCMapStringW(LOCALE_INVARIANT, upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE, buffer, length, buffer, length) ==
           length;
}

bool MakeLowerInvariant(CString& text) {
    if (text.IsEmpty()) return true;
    int length = Length(text);
    bool mapped = MapCaseInvariant(text.GetBuffer(length), false);
    text.ReleaseBuffer(length);
    return mapped;
}

bool MakeUpperInvariant(CString& text) {
    return MakeUpperInvariant(text, &MapCaseInvariant);
}

bool MakeUpperInvariant(CString& text, CaseMapProc map) {
    if (text.IsEmpty()) return true;
    int length = Length(text);
    wchar_t* buffer = text.GetBuffer(length);  // outside the guard: it may allocate
    bool mapped = false;
    DWORD code = 0;
    bool finished = RunGuarded([&] { mapped = map(buffer, true); }, &code);
    text.ReleaseBuffer(length);
    return finished && mapped;
}

// ---------------------------------------------------------------------------------------
// Decorated report texts

CString MakeCharRun(wchar_t ch, int count) {
    return count < 1 ? CString() : CString(ch, count);
}
CString MakeSpaces(int count) {
    return MakeCharRun(L' ', count);
}
CString MakeSpace() {
    return MakeSpaces(1);
}
CString MakeEmDashes(int count) {
    return MakeCharRun(kEmDash, count);
}
CString MakeEmDash() {
    return MakeEmDashes(1);
}
CString MakeBullets(int count) {
    return MakeCharRun(kBullet, count);
}
CString MakeBullet() {
    return MakeBullets(1);
}
CString MakeRaquoRun(int count) {
    return MakeCharRun(kRaquo, count);
}
CString MakeRaquo() {
    return MakeRaquoRun(1);
}
CString MakeEllipsisN(int count) {
    return MakeCharRun(kEllipsis, count);
}
CString MakeEllipsis() {
    return MakeEllipsisN(1);
}
CString MakeCopyrightSign() {
    return CString(kCopyright);
}

CString MakeBulletItem(const CString& text) {
    return MakeBullet() + L' ' + text;
}

CString PrefixCharRun(const CString& text, wchar_t ch, int count) {
    return MakeCharRun(ch, count == 0 ? 1 : count) + L' ' + text;
}

CString PrefixRaquo(const CString& text) {
    return PrefixCharRun(text, kRaquo, 1);
}

CString WrapText(const CString& text, const wchar_t* open, const wchar_t* close) {
    return CString(open) + text + close;
}

CString WrapSquareBrackets(const CString& text) {
    return WrapText(text, L"[", L"]");
}
CString WrapParentheses(const CString& text) {
    return WrapText(text, L"(", L")");
}
CString WrapBraces(const CString& text) {
    return WrapText(text, L"{", L"}");
}
CString WrapGuillemets(const CString& text) {
    return WrapText(text, L"\u00AB", L"\u00BB");
}

CString AppendBracketed(const CString& text, const CString& value) {
    return AppendBracketed(text, value, L" ", BracketSquare);
}

CString AppendBracketed(const CString& text, const CString& value, const wchar_t* separator, int kind) {
    CString bracketed;
    switch (kind) {
        case BracketSquare:
            bracketed = WrapSquareBrackets(value);
            break;
        case BracketRound:
            bracketed = WrapParentheses(value);
            break;
        case BracketCurly:
            bracketed = WrapBraces(value);
            break;
        default:
            break;
    }
    return text + separator + bracketed;
}

CString MakeTitleLine(int width, const CString& title, int lead) {
    int trailing = width - lead;
    if (trailing < 0) trailing = width;
    return MakeEmDashes(lead) + L' ' + title + L' ' + MakeEmDashes(trailing);
}

int GetReportIndentWidth() {
    return 30;
}

void AppendIndent(CString& text, bool newline) {
    AppendRepeatedText(text, L" ", GetReportIndentWidth(), newline);
}

void AppendSeparatorLine(CString& text, int count, bool newline) {
    const wchar_t dash[] = {kEmDash, 0};
    AppendRepeatedText(text, dash, count, newline);
}

void AppendRepeatedText(CString& text, const wchar_t* piece, int count, bool newline) {
    if (!text.IsEmpty()) text += L'\n';
    for (int i = 0; i < count; ++i) text += piece;
    if (newline) text += L'\n';
}
