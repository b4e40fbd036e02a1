#include "platform/htmlayout/HtmlDocument.h"

#include <wctype.h>

#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/TextConversions.h"
#include "platform/htmlayout/htmlayout.h"

namespace hl {

namespace {

bool HasScheme(const std::wstring& uri) {
    const size_t colon = uri.find(L':');
    if (colon == std::wstring::npos || colon < 2) return false;  // "C:" is a drive
    for (size_t i = 0; i < colon; ++i)
        if (!iswalpha(uri[i])) return false;
    return true;
}

bool IsRemote(const std::wstring& uri) {
    const std::wstring lower = ToLower(uri.substr(0, 8));
    return lower.compare(0, 7, L"http://") == 0 || lower.compare(0, 8, L"https://") == 0 ||
           lower.compare(0, 6, L"ftp://") == 0;
}

std::wstring LocalPath(const std::wstring& uri) {
    std::wstring path = uri;
    if (ToLower(path.substr(0, 8)) == L"file:///")
        path = path.substr(8);
    else if (ToLower(path.substr(0, 7)) == L"file://")
        path = path.substr(7);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

// Page order of LINK and STYLE elements, and the IMG elements.
void Collect(Element* root, std::vector<Element*>& sheets, std::vector<Element*>& images) {
    std::vector<Element*> pending{root};
    while (!pending.empty()) {
        Element* e = pending.back();
        pending.pop_back();
        if (e->IsText()) continue;
        if (e->Tag() == L"style") sheets.push_back(e);
        if (e->Tag() == L"link" && ToLower(e->AttributeOr(L"rel")).find(L"stylesheet") != std::wstring::npos &&
            !e->AttributeOr(L"href").empty())
            sheets.push_back(e);
        if (e->Tag() == L"img" && !e->AttributeOr(L"src").empty()) images.push_back(e);
        const auto& children = e->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
}

}  // namespace

bool ReadLocalFile(const std::wstring& uri, std::vector<BYTE>& bytes, size_t maxSize) {
    if (uri.empty() || IsRemote(uri)) return false;
    if (HasScheme(uri) && ToLower(uri.substr(0, 5)) != L"file:") return false;
    const std::wstring path = LocalPath(uri);
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || static_cast<unsigned long long>(size.QuadPart) > maxSize) {
        LogWriteFormat(L"HTMLayout: %s is too large to load", path.c_str());
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        return false;
    return true;
}

CHtmlDocument::CHtmlDocument(const BYTE* html, size_t size, const std::wstring& baseUrl, const ParseLimits& limits)
    : m_root(ParseHtmlUtf8(html, size, limits)), m_base(baseUrl) {
    if (Element* base = FindByTag(m_root.get(), L"base")) {
        const std::wstring href = base->AttributeOr(L"href");
        if (!href.empty()) m_base = Resolve(href);
    }
    std::vector<Element*> sheets, images;
    Collect(m_root.get(), sheets, images);
    for (Element* e : sheets) {
        m_sheets.push_back(std::make_unique<StyleSheet>());
        if (e->Tag() == L"style") {
            m_sheets.back()->Parse(InnerText(e));
            continue;
        }
        m_sheetSlots.push_back({m_requests.size(), m_sheets.size() - 1});
        m_requests.push_back({Resolve(e->AttributeOr(L"href")), HLRT_DATA_STYLE, e, false});
    }
    for (Element* e : images) m_requests.push_back({Resolve(e->AttributeOr(L"src")), HLRT_DATA_IMAGE, e, false});
}

std::wstring CHtmlDocument::Resolve(const std::wstring& uri) const {
    if (uri.empty() || m_base.empty() || HasScheme(uri) || uri[0] == L'\\' || uri[0] == L'/' ||
        (uri.size() > 1 && uri[1] == L':'))
        return uri;
    std::wstring folder = m_base;
    const wchar_t last = folder.back();
    if (last != L'/' && last != L'\\') {
        const DWORD attributes =
            IsRemote(folder) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(LocalPath(folder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            folder += IsRemote(folder) || HasScheme(folder) ? L'/' : L'\\';
        } else {
            const size_t slash = folder.find_last_of(L"/\\");
            folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
        }
    }
    std::wstring relative = uri;
    if (!folder.empty() && folder.back() == L'\\')
        for (wchar_t& c : relative)
            if (c == L'/') c = L'\\';
    return folder + relative;
}

bool CHtmlDocument::Deliver(const std::wstring& uri, const BYTE* data, size_t size) {
    bool used = false;
    std::shared_ptr<ImageData> image;
    for (size_t i = 0; i < m_requests.size(); ++i) {
        ResourceRequest& r = m_requests[i];
        if (r.arrived || !EqualsNoCase(r.uri, uri)) continue;
        r.arrived = true;
        used = true;
        if (r.type == HLRT_DATA_STYLE) {
            size_t slot = m_sheets.size();
            for (const auto& pair : m_sheetSlots)
                if (pair.first == i) slot = pair.second;
            if (slot < m_sheets.size()) {
                const std::string text(reinterpret_cast<const char*>(data), size);
                m_sheets[slot] = std::make_unique<StyleSheet>();
                m_sheets[slot]->Parse(Utf8ToWide(text.c_str()));
            }
        } else {
            if (!image) {
                image = std::make_shared<ImageData>(DecodeImage(data, size));
                if (!image->Valid()) LogWriteFormat(L"HTMLayout: %s is not a picture", uri.c_str());
            }
            if (image->Valid()) r.initiator->image = image;
        }
    }
    if (used) Invalidate();
    return used;
}

const LayoutResult& CHtmlDocument::Layout(ITextMeasure& measure, int width, int height) {
    if (!m_stylesValid) {
        std::vector<const StyleSheet*> sheets;
        for (const auto& s : m_sheets) sheets.push_back(s.get());
        ComputeStyles(m_root.get(), sheets);
        m_stylesValid = true;
        m_layoutValid = false;
    }
    if (!m_layoutValid || width != m_layoutWidth || height != m_layoutHeight) {
        LayoutDocument(m_root.get(), width, height, measure, m_layout);
        m_layoutWidth = width;
        m_layoutHeight = height;
        m_layoutValid = true;
    }
    return m_layout;
}

}  // namespace hl
