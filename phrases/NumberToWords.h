// Numbers written out in Russian words, with the agreement Russian needs for thousands,
// millions and milliards: the value of the "%NUMBERCHARS_...%" macros.
#pragma once

#include <cstdint>

#include "core/base/CString.h"

// The words of the number ("ноль" for 0), without outer blanks.
CString NumberToWords(uint32_t number);

// The text with every run of digits replaced by its words; other characters are copied as
// they are. Digits are what the system classifies as digits (also other scripts' digits,
// read by their value). A run that cannot stand for an unsigned 32-bit number (more than
// ten digits, or a ten-digit value above 4294967295: a phone or account number) is
// kept as it is written. Empty for an empty text.
CString NumberCharsText(const CString& text);
