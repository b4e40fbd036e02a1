#include "core/base/CString.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <new>
#include <utility>

namespace {

// The one shared empty string. Its reference count is never changed and it is
// never freed; writes always allocate a buffer of their own.
struct EmptyBlock {
    volatile LONG refs;
    int length;
    int capacity;
    wchar_t chars[1];
};
EmptyBlock g_empty = {0, 0, 0, {0}};

int Clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

int SafeLength(const wchar_t* text) {
    return text ? static_cast<int>(wcslen(text)) : 0;
}

bool InSet(const wchar_t* set, wchar_t ch) {
    return set && ch && wcschr(set, ch) != nullptr;
}

}  // namespace

wchar_t* CString::EmptyChars() noexcept {
    return g_empty.chars;
}

bool CString::IsSharedEmpty() const noexcept {
    return m_chars == g_empty.chars;
}

CString::Data* CString::Allocate(int capacity) {
    void* block = std::malloc(sizeof(Data) + (static_cast<size_t>(capacity) + 1) * sizeof(wchar_t));
    if (!block) throw std::bad_alloc();
    Data* data = static_cast<Data*>(block);
    data->refs = 1;
    data->length = 0;
    data->capacity = capacity;
    data->Chars()[0] = 0;
    return data;
}

void CString::Release() noexcept {
    if (IsSharedEmpty()) return;
    Data* data = Header();
    if (InterlockedDecrement(&data->refs) == 0) std::free(data);
    m_chars = EmptyChars();
}

CString::CString() noexcept : m_chars(EmptyChars()) {}

CString::CString(const CString& other) noexcept : m_chars(other.m_chars) {
    if (!IsSharedEmpty()) InterlockedIncrement(&Header()->refs);
}

CString::CString(CString&& other) noexcept : m_chars(other.m_chars) {
    other.m_chars = EmptyChars();
}

CString::CString(const wchar_t* text) : m_chars(EmptyChars()) {
    Assign(text, SafeLength(text));
}

CString::CString(const wchar_t* text, int length) : m_chars(EmptyChars()) {
    Assign(text, text ? (length < 0 ? 0 : length) : 0);
}

CString::CString(wchar_t ch, int repeat) : m_chars(EmptyChars()) {
    if (repeat <= 0) return;
    PrepareWrite(repeat);
    for (int i = 0; i < repeat; ++i) m_chars[i] = ch;
    SetLength(repeat);
}

CString::~CString() {
    Release();
}

CString& CString::operator=(const CString& other) noexcept {
    if (m_chars != other.m_chars) {
        CString copy(other);
        std::swap(m_chars, copy.m_chars);
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        Release();
        m_chars = other.m_chars;
        other.m_chars = EmptyChars();
    }
    return *this;
}

CString& CString::operator=(const wchar_t* text) {
    Assign(text, SafeLength(text));
    return *this;
}

CString& CString::operator=(wchar_t ch) {
    Assign(&ch, 1);
    return *this;
}

void CString::Assign(const wchar_t* text, int length) {
    if (length <= 0) {
        Empty();
        return;
    }
    // The source may lie inside our own buffer (s = s.GetString() + 2): copy it first.
    if (text >= m_chars && text <= m_chars + GetLength()) {
        CString copy(text, length);
        *this = std::move(copy);
        return;
    }
    if (IsSharedEmpty() || Header()->refs > 1 || Header()->capacity < length) {
        Release();
        m_chars = Allocate(length)->Chars();
    }
    std::memcpy(m_chars, text, static_cast<size_t>(length) * sizeof(wchar_t));
    SetLength(length);
}

void CString::Empty() noexcept {
    Release();
}

void CString::PrepareWrite(int capacity) {
    int length = GetLength();
    if (capacity < length) capacity = length;
    if (!IsSharedEmpty() && Header()->refs == 1 && Header()->capacity >= capacity) return;
    int newCapacity = capacity;
    // Grow by half again so that appends in a loop stay linear.
    if (!IsSharedEmpty() && Header()->refs == 1 && capacity < INT_MAX / 2) {
        int grown = Header()->capacity + Header()->capacity / 2;
        if (grown > newCapacity) newCapacity = grown;
    }
    Data* data = Allocate(newCapacity);
    std::memcpy(data->Chars(), m_chars, (static_cast<size_t>(length) + 1) * sizeof(wchar_t));
    data->length = length;
    Release();
    m_chars = data->Chars();
}

void CString::SetLength(int length) noexcept {
    if (IsSharedEmpty()) return;
    Header()->length = length;
    m_chars[length] = 0;
}

CString& CString::operator+=(const CString& other) {
    Append(other.GetString(), other.GetLength());
    return *this;
}

CString& CString::operator+=(const wchar_t* text) {
    Append(text, SafeLength(text));
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    Append(&ch, 1);
    return *this;
}

void CString::Append(const wchar_t* text, int length) {
    if (!text || length <= 0) return;
    int old = GetLength();
    if (length > INT_MAX / 2 - old) throw std::bad_alloc();  // the length must stay countable
    if (text >= m_chars && text <= m_chars + old) {
        CString copy(text, length);  // appending a piece of ourselves
        Append(copy.GetString(), copy.GetLength());
        return;
    }
    PrepareWrite(old + length);
    std::memcpy(m_chars + old, text, static_cast<size_t>(length) * sizeof(wchar_t));
    SetLength(old + length);
}

wchar_t CString::GetAt(int index) const noexcept {
    return index >= 0 && index < GetLength() ? m_chars[index] : 0;
}

void CString::SetAt(int index, wchar_t ch) {
    if (index < 0 || index >= GetLength()) return;
    PrepareWrite(GetLength());
    m_chars[index] = ch;
}

wchar_t* CString::GetBuffer(int minLength) {
    if (minLength < 0) minLength = 0;
    if (minLength == 0 && IsSharedEmpty()) minLength = 1;  // the caller may write the terminator
    PrepareWrite(minLength);
    return m_chars;
}

wchar_t* CString::GetBufferSetLength(int length) {
    wchar_t* buffer = GetBuffer(length);
    SetLength(length < 0 ? 0 : length);
    return buffer;
}

void CString::ReleaseBuffer(int newLength) {
    if (IsSharedEmpty()) return;
    int capacity = Header()->capacity;
    if (newLength < 0) {
        newLength = 0;
        while (newLength < capacity && m_chars[newLength]) ++newLength;
    }
    SetLength(newLength > capacity ? capacity : newLength);
}

void CString::Preallocate(int capacity) {
    PrepareWrite(capacity);
}

CString CString::Left(int count) const {
    count = Clamp(count, 0, GetLength());
    if (count == GetLength()) return *this;
    return CString(m_chars, count);
}

CString CString::Right(int count) const {
    count = Clamp(count, 0, GetLength());
    if (count == GetLength()) return *this;
    return CString(m_chars + GetLength() - count, count);
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    int length = GetLength();
    first = Clamp(first, 0, length);
    count = Clamp(count, 0, length - first);
    if (first == 0 && count == length) return *this;
    return CString(m_chars + first, count);
}

int CString::Find(wchar_t ch, int start) const noexcept {
    if (start < 0) start = 0;
    for (int i = start; i < GetLength(); ++i)
        if (m_chars[i] == ch) return i;
    return -1;
}

int CString::Find(const wchar_t* sub, int start) const noexcept {
    int subLength = SafeLength(sub);
    if (start < 0) start = 0;
    if (subLength == 0 || start > GetLength()) return -1;
    for (int i = start; i + subLength <= GetLength(); ++i)
        if (std::memcmp(m_chars + i, sub, static_cast<size_t>(subLength) * sizeof(wchar_t)) == 0) return i;
    return -1;
}

int CString::ReverseFind(wchar_t ch) const noexcept {
    for (int i = GetLength() - 1; i >= 0; --i)
        if (m_chars[i] == ch) return i;
    return -1;
}

int CString::FindOneOf(const wchar_t* set) const noexcept {
    for (int i = 0; i < GetLength(); ++i)
        if (InSet(set, m_chars[i])) return i;
    return -1;
}

int CString::Replace(wchar_t oldCh, wchar_t newCh) {
    if (oldCh == newCh || Find(oldCh) < 0) return 0;
    PrepareWrite(GetLength());
    int count = 0;
    for (int i = 0; i < GetLength(); ++i) {
        if (m_chars[i] == oldCh) {
            m_chars[i] = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText) {
    int oldLength = SafeLength(oldText);
    if (oldLength == 0) return 0;
    int pos = Find(oldText);
    if (pos < 0) return 0;
    int newLength = SafeLength(newText);
    CString result;
    result.Preallocate(GetLength());
    int count = 0;
    int from = 0;
    while (pos >= 0) {
        result.Append(m_chars + from, pos - from);
        result.Append(newText, newLength);
        from = pos + oldLength;
        ++count;
        pos = Find(oldText, from);
    }
    result.Append(m_chars + from, GetLength() - from);
    *this = std::move(result);
    return count;
}

int CString::Remove(wchar_t ch) {
    if (Find(ch) < 0) return 0;
    PrepareWrite(GetLength());
    int out = 0;
    int length = GetLength();
    for (int i = 0; i < length; ++i)
        if (m_chars[i] != ch) m_chars[out++] = m_chars[i];
    SetLength(out);
    return length - out;
}

int CString::Insert(int index, wchar_t ch) {
    wchar_t text[2] = {ch, 0};
    return Insert(index, text);
}

int CString::Insert(int index, const wchar_t* text) {
    int length = GetLength();
    int add = SafeLength(text);
    if (add > INT_MAX / 2 - length) throw std::bad_alloc();
    index = Clamp(index, 0, length);
    if (add == 0) return length;
    CString copy(text, add);  // the text may be part of this string
    PrepareWrite(length + add);
    std::memmove(m_chars + index + add, m_chars + index, static_cast<size_t>(length - index) * sizeof(wchar_t));
    std::memcpy(m_chars + index, copy.GetString(), static_cast<size_t>(add) * sizeof(wchar_t));
    SetLength(length + add);
    return length + add;
}

int CString::Delete(int index, int count) {
    int length = GetLength();
    index = Clamp(index, 0, length);
    count = Clamp(count, 0, length - index);
    if (count == 0) return length;
    PrepareWrite(length);
    std::memmove(m_chars + index, m_chars + index + count,
                 static_cast<size_t>(length - index - count) * sizeof(wchar_t));
    SetLength(length - count);
    return length - count;
}

CString CString::Tokenize(const wchar_t* delimiters, int& pos) const {
    int length = GetLength();
    if (pos < 0 || pos > length) {
        pos = -1;
        return CString();
    }
    while (pos < length && InSet(delimiters, m_chars[pos])) ++pos;
    if (pos >= length) {
        pos = -1;
        return CString();
    }
    int start = pos;
    while (pos < length && !InSet(delimiters, m_chars[pos])) ++pos;
    CString token(m_chars + start, pos - start);
    if (pos < length) ++pos;
    return token;
}

CString& CString::TrimRight() {
    // Step forward with CharNextW so that a trailing combining sequence is judged
    // by its first unit, as the system's own string functions do.
    const wchar_t* p = m_chars;
    const wchar_t* lastKeep = nullptr;
    while (*p) {
        if (!iswspace(*p)) lastKeep = CharNextW(p);
        const wchar_t* next = CharNextW(p);
        if (next == p) break;
        p = next;
    }
    int keep = lastKeep ? static_cast<int>(lastKeep - m_chars) : 0;
    if (keep != GetLength()) *this = Left(keep);
    return *this;
}

CString& CString::TrimLeft() {
    const wchar_t* p = m_chars;
    while (*p && iswspace(*p)) {
        const wchar_t* next = CharNextW(p);
        if (next == p) break;
        p = next;
    }
    if (p != m_chars) *this = Mid(static_cast<int>(p - m_chars));
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimRight(wchar_t ch) {
    wchar_t set[2] = {ch, 0};
    return TrimRight(set);
}

CString& CString::TrimLeft(wchar_t ch) {
    wchar_t set[2] = {ch, 0};
    return TrimLeft(set);
}

CString& CString::Trim(wchar_t ch) {
    return TrimRight(ch).TrimLeft(ch);
}

CString& CString::TrimRight(const wchar_t* set) {
    int end = GetLength();
    while (end > 0 && InSet(set, m_chars[end - 1])) --end;
    if (end != GetLength()) *this = Left(end);
    return *this;
}

CString& CString::TrimLeft(const wchar_t* set) {
    int start = 0;
    while (start < GetLength() && InSet(set, m_chars[start])) ++start;
    if (start) *this = Mid(start);
    return *this;
}

CString& CString::Trim(const wchar_t* set) {
    return TrimRight(set).TrimLeft(set);
}

CString& CString::MakeUpper() {
    if (IsEmpty()) return *this;
    PrepareWrite(GetLength());
    CharUpperBuffW(m_chars, static_cast<DWORD>(GetLength()));
    return *this;
}

CString& CString::MakeLower() {
    if (IsEmpty()) return *this;
    PrepareWrite(GetLength());
    CharLowerBuffW(m_chars, static_cast<DWORD>(GetLength()));
    return *this;
}

CString& CString::MakeReverse() {
    if (GetLength() < 2) return *this;
    PrepareWrite(GetLength());
    for (int i = 0, j = GetLength() - 1; i < j; ++i, --j) std::swap(m_chars[i], m_chars[j]);
    return *this;
}

int CString::Compare(const wchar_t* other) const noexcept {
    if (!other) other = L"";
    const wchar_t* a = m_chars;
    while (*a && *a == *other) {
        ++a;
        ++other;
    }
    return static_cast<int>(*a) - static_cast<int>(*other);
}

int CString::CompareNoCase(const wchar_t* other) const noexcept {
    if (!other) other = L"";
    const wchar_t* a = m_chars;
    for (;; ++a, ++other) {
        wchar_t ca = *a;
        wchar_t cb = *other;
        if (ca != cb) {
            ca = static_cast<wchar_t>(
                reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(ca)))));
            cb = static_cast<wchar_t>(
                reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(cb)))));
            if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
        }
        if (!ca) return 0;
    }
}

long CString::RefCountForTest() const noexcept {
    return IsSharedEmpty() ? 0 : Header()->refs;
}

CString operator+(const CString& a, const CString& b) {
    CString result;
    result.Preallocate(a.GetLength() + b.GetLength());
    result += a;
    result += b;
    return result;
}

CString operator+(const CString& a, const wchar_t* b) {
    return a + CString(b);
}
CString operator+(const wchar_t* a, const CString& b) {
    return CString(a) + b;
}
CString operator+(const CString& a, wchar_t b) {
    return a + CString(b);
}
CString operator+(wchar_t a, const CString& b) {
    return CString(a) + b;
}

bool operator==(const CString& a, const CString& b) noexcept {
    return a.GetLength() == b.GetLength() && a.Compare(b) == 0;
}
bool operator==(const CString& a, const wchar_t* b) noexcept {
    return a.Compare(b) == 0;
}
bool operator==(const wchar_t* a, const CString& b) noexcept {
    return b.Compare(a) == 0;
}
bool operator!=(const CString& a, const CString& b) noexcept {
    return !(a == b);
}
bool operator!=(const CString& a, const wchar_t* b) noexcept {
    return !(a == b);
}
bool operator!=(const wchar_t* a, const CString& b) noexcept {
    return !(a == b);
}
bool operator<(const CString& a, const CString& b) noexcept {
    return a.Compare(b) < 0;
}
