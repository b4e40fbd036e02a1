// Expands plain phrases full of macros of 100 KB and of 1 MB and prints what each took,
// so that the growth with the phrase's size shows. A formatted (RTF) phrase of a few
// sizes follows: its macros are replaced inside a RichEdit. Prints figures; passes or
// fails nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "phrases/Macros.h"

namespace {

const wchar_t kLine[] =
    L"Dear %SELECTED_TEXT%, on %DATE% at %TIME% (%DAY2%.%MONTHNUMBER2%.%YEAR2%) we got %NUMBERCHARS_SELTEXT% "
    L"items %EMDASH% %UPPER_SELTEXT% %CLIPBOARD_TEXT% %COPYRIGHT% 100% %PROMPT_TEXT={ %WEEKDAYNAME%\r\n";
const int kRuns = 5;

double Milliseconds(LONGLONG ticks, LONGLONG frequency) {
    return ticks * 1e3 / static_cast<double>(frequency);
}

CString MakePhrase(int chars, int& macros) {
    CString text;
    text.Preallocate(chars + static_cast<int>(wcslen(kLine)));
    macros = 0;
    while (text.GetLength() < chars) {
        text += kLine;
        macros += 13;
    }
    text += L"%CURSOR_POS%";
    return text;
}

struct CFigures {
    double bestMs;
    int replaced;
    int resultChars;
};

template <class Expand>
CFigures Measure(const CString& phrase, int runs, Expand expand) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    CFigures figures = {};
    for (int run = 0; run < runs; ++run) {
        CString text = phrase;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        figures.replaced = expand(text);
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(end.QuadPart - start.QuadPart, frequency.QuadPart));
        figures.resultChars = text.GetLength();
    }
    figures.bestMs = *std::min_element(times.begin(), times.end());
    return figures;
}

}  // namespace

int wmain() {
    const CString selected = L"Иван Петров 42";
    const CString clipboard = L"clipboard text with %DATE% inside";
    const LCID locale = MAKELCID(0x0409, SORT_DEFAULT);

    std::printf("plain phrase (best of %d runs)\n", kRuns);
    double firstPerKb = 0;
    for (int kilobytes : {100, 1024}) {
        int macros = 0;
        const CString phrase = MakePhrase(kilobytes * 1024 / 2, macros);  // UTF-16: 2 bytes a character
        const CFigures figures = Measure(phrase, kRuns, [&](CString& text) {
            int caret = 0;
            return ExpandMacros(text, selected, clipboard, &caret, nullptr, locale);
        });
        const double perKb = figures.bestMs / kilobytes;
        if (firstPerKb == 0) firstPerKb = perKb;
        std::printf(
            "  %5d KB, %6d macros: %8.1f ms  (%.3f ms per KB, %.2fx the 100 KB rate), %d replaced, %d chars out\n",
            kilobytes, macros, figures.bestMs, perKb, perKb / firstPerKb, figures.replaced, figures.resultChars);
    }

    std::printf("RTF phrase, one paragraph per line (best of 3 runs)\n");
    for (int kilobytes : {10, 50, 100}) {
        int macros = 0;
        const CString body = MakePhrase(kilobytes * 1024 / 2, macros);
        CString rtf = L"{\\urtf1 ";
        for (int i = 0; i < body.GetLength(); ++i) {
            const wchar_t ch = body.GetAt(i);
            if (ch == L'\n') continue;
            if (ch == L'\r') {
                rtf += L"\\par ";
            } else if (ch == L'\\' || ch == L'{' || ch == L'}') {
                rtf += L'\\';
                rtf += ch;
            } else {
                rtf += ch;
            }
        }
        rtf += L"}";
        const CFigures figures = Measure(rtf, 3, [&](CString& text) {
            int caret = 0;
            return ExpandMacrosRtf(text, selected, clipboard, &caret, nullptr, locale);
        });
        std::printf("  %5d KB, %6d macros: %8.1f ms  (%.3f ms per KB), %d replaced\n", kilobytes, macros,
                    figures.bestMs, figures.bestMs / kilobytes, figures.replaced);
    }
    return 0;
}
