// printf-style formatting of CString, written here rather than taken from the C
// runtime: the runtimes disagree on what %s means in a wide format (msvcrt: wide,
// C99: narrow), and the program needs one meaning everywhere.
#include "core/base/CString.h"

#include <cstdint>
#include <cwchar>
#include <utility>

namespace {

struct Spec {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
    enum Size { Default, Short, Char, Long, LongLong, Int64, Int32, Ptr } size = Default;
};

void Pad(CString& out, int count, wchar_t ch) {
    for (int i = 0; i < count; ++i) out += ch;
}

void PutField(CString& out, const Spec& spec, const wchar_t* text, int length) {
    int pad = spec.width > length ? spec.width - length : 0;
    if (!spec.left) Pad(out, pad, L' ');
    out.Append(text, length);
    if (spec.left) Pad(out, pad, L' ');
}

void PutNarrow(CString& out, const Spec& spec, const char* text, bool isChar, char ch) {
    const char* src = isChar ? &ch : (text ? text : "(null)");
    int srcLength = isChar ? 1 : static_cast<int>(strlen(src));
    if (!isChar && spec.precision >= 0 && spec.precision < srcLength) srcLength = spec.precision;
    int wideLength = srcLength ? MultiByteToWideChar(CP_ACP, 0, src, srcLength, nullptr, 0) : 0;
    CString wide;
    if (wideLength > 0) {
        MultiByteToWideChar(CP_ACP, 0, src, srcLength, wide.GetBufferSetLength(wideLength), wideLength);
    }
    PutField(out, spec, wide.GetString(), wide.GetLength());
}

void PutInteger(CString& out, const Spec& spec, uint64_t magnitude, bool negative, unsigned base, bool upper,
                bool isSigned) {
    wchar_t digits[72];
    int count = 0;
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    while (magnitude) {
        digits[count++] = set[magnitude % base];
        magnitude /= base;
    }
    int minDigits = spec.precision >= 0 ? spec.precision : 1;
    if (minDigits > 64) minDigits = 64;
    while (count < minDigits) digits[count++] = L'0';

    wchar_t prefix[3] = {0, 0, 0};
    int prefixLength = 0;
    if (negative)
        prefix[prefixLength++] = L'-';
    else if (isSigned && spec.plus)
        prefix[prefixLength++] = L'+';
    else if (isSigned && spec.space)
        prefix[prefixLength++] = L' ';
    if (spec.alt && base == 16 && count && !(count == 1 && digits[0] == L'0')) {
        prefix[prefixLength++] = L'0';
        prefix[prefixLength++] = upper ? L'X' : L'x';
    }
    if (spec.alt && base == 8 && digits[count - 1] != L'0') digits[count++] = L'0';

    int total = prefixLength + count;
    int pad = spec.width > total ? spec.width - total : 0;
    bool zeroPad = spec.zero && !spec.left && spec.precision < 0;
    if (!spec.left && !zeroPad) Pad(out, pad, L' ');
    out.Append(prefix, prefixLength);
    if (zeroPad) Pad(out, pad, L'0');
    for (int i = count - 1; i >= 0; --i) out += digits[i];
    if (spec.left) Pad(out, pad, L' ');
}

int ReadNumber(const wchar_t*& p) {
    int value = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (value < 100000) value = value * 10 + (*p - L'0');
        ++p;
    }
    return value;
}

}  // namespace

void CString::AppendFormatV(const wchar_t* format, va_list args) {
    if (!format) return;
    CString out(*this);
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            const wchar_t* run = p;
            while (*p && *p != L'%') ++p;
            out.Append(run, static_cast<int>(p - run));
            continue;
        }
        const wchar_t* start = p++;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        Spec spec;
        for (;; ++p) {
            if (*p == L'-')
                spec.left = true;
            else if (*p == L'+')
                spec.plus = true;
            else if (*p == L' ')
                spec.space = true;
            else if (*p == L'#')
                spec.alt = true;
            else if (*p == L'0')
                spec.zero = true;
            else
                break;
        }
        if (*p == L'*') {
            spec.width = va_arg(args, int);
            if (spec.width < 0) {
                spec.left = true;
                spec.width = -spec.width;
            }
            ++p;
        } else {
            spec.width = ReadNumber(p);
        }
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                spec.precision = va_arg(args, int);
                if (spec.precision < 0) spec.precision = -1;
                ++p;
            } else {
                spec.precision = ReadNumber(p);
            }
        }
        if (*p == L'h') {
            ++p;
            spec.size = Spec::Short;
            if (*p == L'h') {
                ++p;
                spec.size = Spec::Char;
            }
        } else if (*p == L'l' || *p == L'w') {
            spec.size = Spec::Long;
            if (*p++ == L'l' && *p == L'l') {
                ++p;
                spec.size = Spec::LongLong;
            }
        } else if (*p == L'I' && p[1] == L'6' && p[2] == L'4') {
            p += 3;
            spec.size = Spec::Int64;
        } else if (*p == L'I' && p[1] == L'3' && p[2] == L'2') {
            p += 3;
            spec.size = Spec::Int32;
        } else if (*p == L'I' || *p == L'z' || *p == L't' || *p == L'j') {
            spec.size = *p == L'j' ? Spec::Int64 : Spec::Ptr;
            ++p;
        } else if (*p == L'L') {
            ++p;
            spec.size = Spec::LongLong;
        }
        bool wide64 = spec.size == Spec::LongLong || spec.size == Spec::Int64;
        wchar_t type = *p;
        if (type) ++p;
        switch (type) {
            case L'd':
            case L'i': {
                int64_t value = wide64 ? va_arg(args, long long) : va_arg(args, int);
                if (spec.size == Spec::Short) value = static_cast<short>(value);
                if (spec.size == Spec::Char) value = static_cast<signed char>(value);
                uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
                PutInteger(out, spec, magnitude, value < 0, 10, false, true);
                break;
            }
            case L'u':
            case L'x':
            case L'X':
            case L'o': {
                uint64_t value = wide64 ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
                if (spec.size == Spec::Short) value = static_cast<unsigned short>(value);
                if (spec.size == Spec::Char) value = static_cast<unsigned char>(value);
                unsigned base = type == L'u' ? 10 : (type == L'o' ? 8 : 16);
                PutInteger(out, spec, value, false, base, type == L'X', false);
                break;
            }
            case L'p': {
                Spec pointer = spec;
                pointer.precision = static_cast<int>(sizeof(void*) * 2);
                PutInteger(out, pointer, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false, 16, true, false);
                break;
            }
            case L'c':
            case L'C': {
                int value = va_arg(args, int);
                bool narrow = type == L'C' ? spec.size != Spec::Long : spec.size == Spec::Short;
                if (narrow) {
                    PutNarrow(out, spec, nullptr, true, static_cast<char>(value));
                } else {
                    wchar_t ch = static_cast<wchar_t>(value);
                    PutField(out, spec, &ch, 1);
                }
                break;
            }
            case L's':
            case L'S': {
                bool narrow = type == L'S' ? spec.size != Spec::Long : spec.size == Spec::Short;
                if (narrow) {
                    PutNarrow(out, spec, va_arg(args, const char*), false, 0);
                } else {
                    const wchar_t* text = va_arg(args, const wchar_t*);
                    if (!text) text = L"(null)";
                    int length = 0;
                    while (text[length] && (spec.precision < 0 || length < spec.precision)) ++length;
                    PutField(out, spec, text, length);
                }
                break;
            }
            case L'e':
            case L'E':
            case L'f':
            case L'F':
            case L'g':
            case L'G':
            case L'a':
            case L'A':
                if (spec.size == Spec::LongLong)
                    (void)va_arg(args, long double);
                else
                    (void)va_arg(args, double);
                out.Append(start, static_cast<int>(p - start));
                break;
            case L'n':
                // Writing through an argument is how format-string attacks work; never do it.
                (void)va_arg(args, void*);
                break;
            default:
                out.Append(start, static_cast<int>(p - start));
                break;
        }
    }
    *this = std::move(out);
}

void CString::AppendFormat(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* format, va_list args) {
    CString out;
    out.AppendFormatV(format, args);
    *this = std::move(out);
}

void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}
