// The macros of RTF phrases, replaced inside the hidden RichEdit so that the formatting
// around and under each name is kept.
#include <richedit.h>

#include <cstdint>
#include <vector>

#include "core/base/Logger.h"
#include "pages/richedit/RichEditStream.h"
#include "phrases/Command.h"
#include "phrases/MacroEnvironment.h"
#include "phrases/Macros.h"
#include "phrases/MacrosInternal.h"

namespace {

void Select(HWND control, int first, int last) {
    CHARRANGE range = {first, last};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

CHARFORMAT2W SelectionFormat(HWND control) {
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

// Replaces [at, at + length) with the value and returns the position after it. The value
// takes the text colour of the character before the name: the editor colours macro
// names, and that colour belongs to the name, not to what replaces it.
int ReplaceMatch(HWND control, int at, int length, const CString& value) {
    if (at > 0) {
        Select(control, at - 1, at);
        const CHARFORMAT2W before = SelectionFormat(control);
        Select(control, at, at + length);
        const CHARFORMAT2W name = SelectionFormat(control);
        const bool beforeAuto = (before.dwEffects & CFE_AUTOCOLOR) != 0;
        const bool nameAuto = (name.dwEffects & CFE_AUTOCOLOR) != 0;
        const bool same = (name.dwMask & CFM_COLOR) && beforeAuto == nameAuto &&
                          (beforeAuto || before.crTextColor == name.crTextColor);
        // Setting an equal colour would only split the control's runs.
        if ((before.dwMask & CFM_COLOR) && !same) {
            CHARFORMAT2W color = {};
            color.cbSize = sizeof color;
            color.dwMask = CFM_COLOR;
            color.dwEffects = before.dwEffects & CFE_AUTOCOLOR;
            color.crTextColor = before.crTextColor;
            SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&color));
        }
    }
    Select(control, at, at + length);
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(value.GetString()));
    // The caret ends after the inserted text, whose length in the control differs from the
    // value's where a CR LF became one paragraph mark.
    CHARRANGE after = {};
    SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&after));
    return after.cpMax;
}

// The control's text, kept beside it so that names are found in memory: the control's own
// search is far too slow for long texts with many names.
class CControlText {
public:
    explicit CControlText(HWND control) : m_control(control), m_text(RichEdit_GetCharText(control)) {}
    const CString& text() const { return m_text; }

    // Replaces every occurrence, left to right, each once: a value that holds its own name
    // is not expanded again. The number replaced (0 when the text would grow too long).
    int ReplaceAll(const CString& name, const CString& value) {
        std::vector<int> positions;
        for (int at = macros_internal::FindName(m_text, name, 0); at >= 0;
             at = macros_internal::FindName(m_text, name, at + name.GetLength()))
            positions.push_back(at);
        if (positions.empty()) return 0;
        const int64_t grown = static_cast<int64_t>(m_text.GetLength()) +
                              static_cast<int64_t>(positions.size()) * (value.GetLength() - name.GetLength());
        if (grown > macros_internal::kMaxExpandedChars) {
            LogError(L"ExpandMacrosRtf: the text would grow past the limit; left unreplaced: " + name);
            return 0;
        }
        int shift = 0;
        for (int at : positions) {
            const int from = at + shift;
            const int next = ReplaceMatch(m_control, from, name.GetLength(), value);
            shift += (next - from) - name.GetLength();
        }
        m_text = RichEdit_GetCharText(m_control);
        return static_cast<int>(positions.size());
    }

private:
    HWND m_control;
    CString m_text;
};

HWND LoadRtf(const CString& rtf) {
    HWND control = GetHiddenRichEdit();
    if (!control || !RichEdit_SetRtf(control, rtf)) return nullptr;
    return control;
}

}  // namespace

int ExpandMacrosRtf(CString& rtf, const CString& selectedText, const CString& clipboardText, int* caretOffset,
                    LANGID* layout, LCID locale) {
    if (caretOffset) *caretOffset = 0;
    if (layout) *layout = 0;
    HWND control = LoadRtf(rtf);
    if (!control) return 0;

    CControlText text(control);
    int count = 0;
    for (const auto& entry : BuildLayoutMacroMap()) {
        const int removed = text.ReplaceAll(entry.first, CString());
        count += removed;
        if (removed > 0 && layout) *layout = entry.second;
    }

    macros_internal::CExpansionClock clock(GetMacroEnvironment());
    for (const CString& name : GetMacroNames()) {
        if (name == kMacroCursorPos) continue;
        if (macros_internal::FindName(text.text(), name, 0) < 0) continue;
        const CString value = macros_internal::ValueOf(name, selectedText, clipboardText, locale, clock);
        count += text.ReplaceAll(name, value);
    }

    const int caret = macros_internal::FindName(text.text(), kMacroCursorPos, 0);
    if (caret >= 0) {
        // Later "%CURSOR_POS%" names are not pasted either.
        text.ReplaceAll(kMacroCursorPos, CString());
        const int offset = RichEdit_GetCharCount(control) - caret;
        if (caretOffset && offset >= 0) *caretOffset = offset;
    }
    if (count > 0 || caret >= 0) rtf = RichEdit_GetRtf(control);
    return count;
}

LANGID FindLayoutMacroRtf(const CString& rtf) {
    HWND control = LoadRtf(rtf);
    if (!control) return 0;
    const CString text = RichEdit_GetCharText(control);
    LANGID language = 0;
    for (const auto& entry : BuildLayoutMacroMap()) {
        if (macros_internal::FindName(text, entry.first, 0) >= 0) language = entry.second;
    }
    return language;
}

int HasMacrosInText(const CString& text, bool rtf) {
    if (!rtf) return macros_internal::HoldsChangingMacro(text) ? 1 : 0;
    HWND control = LoadRtf(text);
    if (!control) return 0;
    return macros_internal::HoldsChangingMacro(RichEdit_GetCharText(control)) ? 1 : 0;
}

int HasMacros(const CVXLCommand& phrase) {
    return HasMacrosInText(phrase.GetCommand(), phrase.GetDataType() == VXL_DATA_RTF);
}
