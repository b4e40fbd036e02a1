// One loaded page: its tree, its style sheets and pictures (as they arrive), its styles and
// its layout. No window code: the view asks for the resources and paints the result.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/htmlayout/HtmlCss.h"
#include "platform/htmlayout/HtmlDom.h"
#include "platform/htmlayout/HtmlImage.h"
#include "platform/htmlayout/HtmlLayout.h"
#include "platform/htmlayout/HtmlParser.h"

namespace hl {

// A resource the page refers to: a style sheet of a LINK element or the picture of an IMG.
struct ResourceRequest {
    std::wstring uri;  // resolved against the base URL
    UINT type = 0;     // HLRT_DATA_STYLE or HLRT_DATA_IMAGE
    Element* initiator = nullptr;
    bool arrived = false;
};

class CHtmlDocument {
public:
    CHtmlDocument(const BYTE* html, size_t size, const std::wstring& baseUrl,
                  const ParseLimits& limits = ParseLimits());

    Element* Root() const { return m_root.get(); }
    const std::wstring& BaseUrl() const { return m_base; }
    std::vector<ResourceRequest>& Requests() { return m_requests; }

    // Hands over the bytes of every request for uri; false when nothing asked for it.
    bool Deliver(const std::wstring& uri, const BYTE* data, size_t size);

    // Marks the styles (and with them the layout) out of date.
    void Invalidate() { m_stylesValid = m_layoutValid = false; }
    void InvalidateLayout() { m_layoutValid = false; }
    // Brings styles and layout up to date for a viewport of that size.
    const LayoutResult& Layout(ITextMeasure& measure, int width, int height);
    const LayoutResult& LastLayout() const { return m_layout; }
    bool LayoutValid() const { return m_layoutValid; }

    std::wstring Resolve(const std::wstring& uri) const;

private:
    CElementRef m_root;
    std::wstring m_base;
    std::vector<std::unique_ptr<StyleSheet>> m_sheets;    // in page order; empty until a sheet arrives
    std::vector<std::pair<size_t, size_t>> m_sheetSlots;  // request index -> sheet slot
    std::vector<ResourceRequest> m_requests;
    LayoutResult m_layout;
    int m_layoutWidth = -1;
    int m_layoutHeight = -1;
    bool m_stylesValid = false;
    bool m_layoutValid = false;
};

// Reads a whole local file named by a path or a file: URL; false for remote addresses, missing
// files and files larger than maxSize.
bool ReadLocalFile(const std::wstring& uri, std::vector<BYTE>& bytes, size_t maxSize = 16 * 1024 * 1024);

}  // namespace hl
