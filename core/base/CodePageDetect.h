// The code page of an 8-bit text, guessed by MLang behind a detector seam.
#pragma once

#include <windows.h>
#include <mlang.h>

#include <array>
#include <vector>

#include "core/base/CString.h"

// Code page of an 8-bit text

struct CharsetRow {
    const wchar_t* name;
    UINT codePage;
};
// Searched from the top: the first row with a code page gives its name.
extern const std::array<CharsetRow, 119> CharsetTable;

// Where the guesses come from; MLang on Windows, a fake in tests.
class ICodePageDetector {
public:
    virtual ~ICodePageDetector() = default;
    // The candidates for the text, at most 5; empty when detection fails.
    virtual std::vector<DetectEncodingInfo> Detect(const char* bytes, int length) = 0;
};

// IMultiLanguage2::DetectInputCodepage, in HTML mode. The calling thread must have COM
// initialised; each call creates and releases its own object.
class CMLangCodePageDetector final : public ICodePageDetector {
public:
    std::vector<DetectEncodingInfo> Detect(const char* bytes, int length) override;
};

// The best candidate's code page when CharsetTable holds it (its name in *name when
// given), else 0. Best = highest confidence × document percentage (the confidence alone
// when the percentage is 0); the first of equal scores wins.
UINT DetectCodePageAndName(const char* bytes, int length, CString* name);
UINT DetectCodePageAndName(ICodePageDetector& detector, const char* bytes, int length, CString* name);
UINT DetectCodePageByMLang(const char* bytes, int length);
