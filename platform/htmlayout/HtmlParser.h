// A forgiving HTML parser: tags and attributes in any case, unquoted and single-quoted
// values, P, LI, TD, TR and friends closed by what follows, stray and misnested closing
// tags dropped, character references decoded. Limits keep hostile pages cheap.
#pragma once

#include <string>

#include "platform/htmlayout/HtmlDom.h"

namespace hl {

struct ParseLimits {
    size_t maxChars = 4 * 1024 * 1024;     // the rest of a longer page is dropped
    size_t maxDepth = 256;                 // deeper elements are put beside the deepest
    size_t maxNodes = 200000;              // the rest of the page is dropped
    size_t maxAttributeChars = 32 * 1024;  // a longer value is cut
};

// Parses UTF-16 text into a tree whose root is the "html" element, with a "body" inside it.
// Each limit that is hit is written to the log once. Returns the root (one reference).
Element* ParseHtml(const std::wstring& text, const ParseLimits& limits = ParseLimits());

// Parses UTF-8 bytes (with or without a byte-order mark).
Element* ParseHtmlUtf8(const BYTE* bytes, size_t size, const ParseLimits& limits = ParseLimits());

// Decodes character references in text (named ones such as &nbsp; &bull; &copy;, and numeric).
std::wstring DecodeEntities(const std::wstring& text);

}  // namespace hl
