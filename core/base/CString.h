// The one string of all interfaces: UTF-16, reference counted with copy-on-write.
//
// A CString is one pointer to its characters; in front of them sits a header with
// the reference count, the length and the capacity. Every empty string points at one
// shared, never-freed empty block. Reference counts are changed with interlocked
// operations, so copies may be handed to other threads; a mutation first makes the
// buffer private when it is shared.
//
// Counts never fail: Left, Right and Mid treat a negative count or position as 0,
// cut the count at the end of the text and give the empty text past the end.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>

class CString {
public:
    CString() noexcept;
    CString(const CString& other) noexcept;
    CString(CString&& other) noexcept;
    CString(const wchar_t* text);              // null counts as empty
    CString(const wchar_t* text, int length);  // length < 0 counts as 0
    CString(wchar_t ch, int repeat = 1);
    ~CString();

    CString& operator=(const CString& other) noexcept;
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const wchar_t* text);
    CString& operator=(wchar_t ch);

    CString& operator+=(const CString& other);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);

    int GetLength() const noexcept { return Header()->length; }
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    void Empty() noexcept;
    const wchar_t* GetString() const noexcept { return m_chars; }
    operator const wchar_t*() const noexcept { return m_chars; }

    // Out-of-range indexes read as 0 and writes to them are ignored.
    wchar_t GetAt(int index) const noexcept;
    void SetAt(int index, wchar_t ch);

    // Raw access: GetBuffer gives room for at least minLength characters plus the
    // terminator; ReleaseBuffer(-1) takes the length up to the first zero.
    wchar_t* GetBuffer(int minLength = 0);
    wchar_t* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);
    void Preallocate(int capacity);
    int GetAllocLength() const noexcept { return Header()->capacity; }

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    int Find(wchar_t ch, int start = 0) const noexcept;
    int Find(const wchar_t* sub, int start = 0) const noexcept;
    int ReverseFind(wchar_t ch) const noexcept;
    int FindOneOf(const wchar_t* set) const noexcept;

    int Replace(wchar_t oldCh, wchar_t newCh);
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int Remove(wchar_t ch);
    int Insert(int index, wchar_t ch);
    int Insert(int index, const wchar_t* text);
    int Delete(int index, int count = 1);
    // Splits at any of the delimiters, skipping empty tokens; pos is -1 after the last one.
    CString Tokenize(const wchar_t* delimiters, int& pos) const;

    // White space as iswspace sees it, stepped with CharNextW.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(wchar_t ch);
    CString& TrimLeft(wchar_t ch);
    CString& TrimRight(wchar_t ch);
    CString& Trim(const wchar_t* set);
    CString& TrimLeft(const wchar_t* set);
    CString& TrimRight(const wchar_t* set);

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();

    int Compare(const wchar_t* other) const noexcept;        // ordinal, by UTF-16 unit
    int CompareNoCase(const wchar_t* other) const noexcept;  // ordinal after upper-casing

    // printf-style: %s and %c take wide arguments, %S/%hs/%hc narrow ones, %ls/%lc wide;
    // d i u x X o c p n/a, flags "-+ #0", width and precision (also *), sizes h l ll I64 I32.
    // Floating-point conversions are not supported: the argument is consumed and the
    // conversion is copied as written, so a mistake shows in the text.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormat(const wchar_t* format, ...);
    void AppendFormatV(const wchar_t* format, va_list args);

    void Append(const wchar_t* text, int length);

    // Number of live references to this buffer; 0 for the shared empty string.
    long RefCountForTest() const noexcept;

private:
    struct Data {
        volatile LONG refs;
        int length;
        int capacity;
        wchar_t* Chars() noexcept { return reinterpret_cast<wchar_t*>(this + 1); }
    };

    Data* Header() const noexcept { return reinterpret_cast<Data*>(m_chars) - 1; }
    bool IsSharedEmpty() const noexcept;
    static Data* Allocate(int capacity);
    static wchar_t* EmptyChars() noexcept;
    void Release() noexcept;
    void Assign(const wchar_t* text, int length);
    // Makes the buffer private and able to hold `capacity` characters, keeping the text.
    void PrepareWrite(int capacity);
    void SetLength(int length) noexcept;

    wchar_t* m_chars;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const wchar_t* b);
CString operator+(const wchar_t* a, const CString& b);
CString operator+(const CString& a, wchar_t b);
CString operator+(wchar_t a, const CString& b);

bool operator==(const CString& a, const CString& b) noexcept;
bool operator==(const CString& a, const wchar_t* b) noexcept;
bool operator==(const wchar_t* a, const CString& b) noexcept;
bool operator!=(const CString& a, const CString& b) noexcept;
bool operator!=(const CString& a, const wchar_t* b) noexcept;
bool operator!=(const wchar_t* a, const CString& b) noexcept;
bool operator<(const CString& a, const CString& b) noexcept;
