// One parse with the white-space condensing of the caller's choice, the parser's one flag
// for the whole process held for its duration. Off keeps every blank of the element texts,
// which suits texts whose elements hold their text on one line; on, the indentation around
// child elements goes.
#pragma once

#include <tinyxml.h>

#include <mutex>

#include "core/base/XmlChecks.h"

class CXmlParseSettings {
public:
    explicit CXmlParseSettings(bool condenseWhiteSpace)
        : m_lock(XmlParseSettingsLock()), m_was(TiXmlBase::IsWhiteSpaceCondensed()) {
        TiXmlBase::SetCondenseWhiteSpace(condenseWhiteSpace);
    }
    ~CXmlParseSettings() { TiXmlBase::SetCondenseWhiteSpace(m_was); }
    CXmlParseSettings(const CXmlParseSettings&) = delete;
    CXmlParseSettings& operator=(const CXmlParseSettings&) = delete;

private:
    std::lock_guard<std::mutex> m_lock;
    bool m_was;
};
