#include "history/HistoryItem.h"

#include <objbase.h>

#include <cstring>

#include "core/base/AppPaths.h"
#include "core/base/Logger.h"
#include "core/base/ProcessInfo.h"
#include "history/HistoryFiles.h"

namespace {

volatile LONG g_serialCounter = 0;

CString NewIdentifier() {
    GUID guid = {};
    if (FAILED(CoCreateGuid(&guid))) return CString();
    CString text;
    text.Format(L"%08lX%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", static_cast<unsigned long>(guid.Data1), guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
    return text;
}

// The bitmap's pixels at 32 bits per pixel, top row first; false when it cannot be read.
bool ReadPixels(HBITMAP bitmap, BITMAP& shape, std::vector<BYTE>& pixels) {
    if (!bitmap || !GetObjectW(bitmap, sizeof shape, &shape) || shape.bmWidth <= 0 || shape.bmHeight <= 0) {
        return false;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = -shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(shape.bmWidth) * shape.bmHeight * 4, 0);
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, bitmap, 0, shape.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return lines == shape.bmHeight;
}

// Same size and same colours, whatever depth each bitmap is kept at.
bool BitmapPixelsEqual(HBITMAP a, HBITMAP b) {
    BITMAP shapeA = {}, shapeB = {};
    std::vector<BYTE> pixelsA, pixelsB;
    if (!ReadPixels(a, shapeA, pixelsA) || !ReadPixels(b, shapeB, pixelsB)) return false;
    return shapeA.bmWidth == shapeB.bmWidth && shapeA.bmHeight == shapeB.bmHeight && pixelsA == pixelsB;
}

}  // namespace

CCHSourceFacts CollectSourceFacts(HWND window) {
    CCHSourceFacts facts;
    if (!window) return facts;
    CWindowChain chain;
    CollectWindowChain(window, chain);
    facts.windowTitle = GetFirstWindowTextInChain(chain);
    CString exePath = GetFirstProcessPathInChain(chain);
    facts.programName = GetFileNameOfPath(exePath);
    facts.icon = GetWindowIconFromChain(&chain, exePath);
    return facts;
}

CCHItem::CCHItem(int kind, const SYSTEMTIME& time)
    : m_kind(kind), m_identifier(NewIdentifier()), m_serial(InterlockedIncrement(&g_serialCounter) - 1), m_time(time) {}

CCHItem::~CCHItem() {
    ReleaseData();
}

std::unique_ptr<CCHItem> CCHItem::Create(int kind, HWND sourceWindow, IClock& clock) {
    auto item = std::make_unique<CCHItem>(kind, clock.LocalTime());
    item->m_sourceWindow = sourceWindow;
    if (sourceWindow) item->SetSource(CollectSourceFacts(sourceWindow));
    return item;
}

void CCHItem::SetSource(CCHSourceFacts facts) {
    m_windowTitle = facts.windowTitle;
    m_programName = facts.programName;
    m_icon = std::move(facts.icon);
}

std::unique_ptr<CCHItem> CCHItem::Copy() const {
    auto copy = std::make_unique<CCHItem>(m_kind, m_time);
    if (m_kind == CClipboardItemData::kBitmap) {
        if (m_bitmap) {
            HBITMAP bitmap = static_cast<HBITMAP>(CopyImage(m_bitmap, IMAGE_BITMAP, 0, 0, LR_COPYRETURNORG));
            if (!bitmap) {
                LogError(L"CCHItem::Copy: CopyImage failed");
                return nullptr;
            }
            copy->SetBitmap(bitmap, true);
        }
    } else if (m_size && !copy->SetData(Data(), m_size, m_codePage)) {
        return nullptr;
    }
    copy->m_meta = m_meta;
    copy->m_sourceWindow = m_sourceWindow;
    copy->m_infoPath = m_infoPath;
    copy->m_identifier = m_identifier;
    copy->m_companions = m_companions;
    copy->m_protected = m_protected;
    copy->m_menuCaption = m_menuCaption;
    copy->m_menuHint = m_menuHint;
    copy->m_dataPath = m_dataPath;
    copy->m_serial = m_serial;
    copy->m_url = m_url;
    copy->m_programName = m_programName;
    copy->m_windowTitle = m_windowTitle;
    if (m_icon) copy->m_icon.reset(CopyIcon(m_icon.get()));
    copy->m_saveState = m_saveState;
    copy->m_editGeneration = m_editGeneration;
    return copy;
}

bool CCHItem::SetData(const void* data, DWORD size, UINT codePage) {
    if (m_kind == CClipboardItemData::kBitmap) return false;
    std::vector<BYTE> block;
    try {
        block.assign(static_cast<size_t>(size) + 2, 0);
    } catch (const std::bad_alloc&) {
        LogError(L"CCHItem::SetData: no memory");
        return false;
    }
    if (data && size) memcpy(block.data(), data, size);
    m_block.swap(block);
    m_size = size;
    m_codePage = codePage;
    return true;
}

void CCHItem::SetBitmap(HBITMAP bitmap, bool ownsBitmap) {
    m_hasPixelDigest = false;
    if (m_bitmap && m_ownsBitmap && m_bitmap != bitmap) DeleteObject(m_bitmap);
    m_bitmap = bitmap;
    m_ownsBitmap = ownsBitmap;
    m_size = bitmap ? 4 : 0;
}

void CCHItem::ReleaseData() {
    m_companions.clear();
    m_meta.clear();
    if (m_bitmap && m_ownsBitmap) DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    std::vector<BYTE>().swap(m_block);
    m_size = 0;
    m_codePage = 0;
    m_url.Empty();
}

bool CCHItem::ChangeTextKind(int kind, const void* data, DWORD size) {
    if (m_kind == CClipboardItemData::kBitmap || kind == CClipboardItemData::kBitmap) return false;
    const int before = m_kind;
    m_kind = kind;
    if (SetData(data, size, m_codePage)) return true;
    m_kind = before;
    return false;
}

CClipboardItemData CCHItem::ItemData() const {
    CClipboardItemData data;
    data.kind = m_kind;
    data.data = m_kind == CClipboardItemData::kBitmap ? static_cast<const void*>(m_bitmap) : Data();
    data.size = m_size;
    data.isProtected = m_protected;
    return data;
}

void CCHItem::ClearMenuTexts() {
    m_menuCaption.Empty();
    m_menuHint.Empty();
}

HICON CCHItem::GetIconCopy() const {
    return m_icon ? CopyIcon(m_icon.get()) : nullptr;
}

int CCHItem::SetProtected(bool flag) {
    if (m_protected == flag) return 0;
    m_protected = flag;
    if (m_saveState != kSaveStateLoaded && m_saveState != kSaveStateWritten) return 2;
    ClearReadOnlyOfData();
    if (m_infoPath.IsEmpty() || !FileExists(m_infoPath)) return 2;
    return WriteProtectedKey(m_infoPath, flag) ? 1 : 2;
}

const CCHItem* CCHItem::GetCompanion(int kind) const {
    if (m_kind == kind) return this;
    for (const auto& companion : m_companions) {
        if (companion->m_kind == kind) return companion.get();
    }
    return nullptr;
}

bool CCHItem::HasBitmap(bool companionsOnly) const {
    const CCHItem* found = GetCompanion(CClipboardItemData::kBitmap);
    return found && (found != this || !companionsOnly);
}

bool CCHItem::HasHtml(bool companionsOnly) const {
    const CCHItem* found = GetCompanion(CClipboardItemData::kHtml);
    return found && (found != this || !companionsOnly);
}

size_t CCHItem::GetAll_FileNames(std::vector<CString>& list) const {
    if (!m_infoPath.IsEmpty()) list.push_back(m_infoPath);
    if (!m_dataPath.IsEmpty()) list.push_back(m_dataPath);
    for (const auto& companion : m_companions) {
        if (!companion->m_dataPath.IsEmpty()) list.push_back(companion->m_dataPath);
    }
    // The meta file lies beside the data file and goes with it.
    if (!m_meta.empty() && !m_dataPath.IsEmpty()) list.push_back(MetaPathOf(m_dataPath));
    return list.size();
}

int CCHItem::DeleteFiles() {
    std::vector<CString> files;
    GetAll_FileNames(files);
    int deleted = 0;
    bool all = true;
    for (const CString& file : files) {
        if (!FileExists(file)) continue;
        if (DeleteFileForce(file)) {
            ++deleted;
        } else {
            all = false;
            LogError(L"Cannot delete the: " + file);
        }
    }
    if (all) ResetSaveState();
    return deleted;
}

void CCHItem::ResetSaveState() {
    m_saveState = kSaveStateNew;
    m_dataPath.Empty();
    m_infoPath.Empty();
}

void CCHItem::ClearReadOnlyOfData() const {
    if (m_dataPath.IsEmpty()) return;
    DWORD attributes = GetFileAttributesW(m_dataPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(m_dataPath, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

CString CCHItem::GetExtensions(const wchar_t* separator) const {
    if (!separator) separator = L", ";
    CString text = separator + ExtensionOfKind(m_kind);
    for (const auto& companion : m_companions) text += separator + ExtensionOfKind(companion->m_kind);
    return text;
}

ULONGLONG CCHItem::PixelDigest() const {
    if (!m_hasPixelDigest) {
        BITMAP shape = {};
        std::vector<BYTE> pixels;
        // FNV-1a over the size and the pixels.
        ULONGLONG digest = 14695981039346656037ull;
        auto mix = [&digest](const BYTE* bytes, size_t count) {
            for (size_t i = 0; i < count; ++i) digest = (digest ^ bytes[i]) * 1099511628211ull;
        };
        if (ReadPixels(m_bitmap, shape, pixels)) {
            mix(reinterpret_cast<const BYTE*>(&shape.bmWidth), sizeof shape.bmWidth);
            mix(reinterpret_cast<const BYTE*>(&shape.bmHeight), sizeof shape.bmHeight);
            mix(pixels.data(), pixels.size());
        }
        m_pixelDigest = digest;
        m_hasPixelDigest = true;
    }
    return m_pixelDigest;
}

bool CCHItem::IsDuplicateOf(const CCHItem& other) const {
    if (m_kind != other.m_kind || m_kind == CClipboardItemData::kDorvane) return false;
    if (m_kind == CClipboardItemData::kBitmap) {
        return PixelDigest() == other.PixelDigest() && BitmapPixelsEqual(m_bitmap, other.m_bitmap);
    }
    return m_size == other.m_size && (m_size == 0 || memcmp(Data(), other.Data(), m_size) == 0);
}
