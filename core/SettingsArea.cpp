#include <tinyxml.h>

#include "core/SettingsArea.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"

namespace {

std::string PrintSettingsXml(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const std::string& utf8Text) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("VexloraSettings");
    root->SetAttribute("HotKey_Key", static_cast<int>(hotkeyVk));
    root->SetAttribute("HotKey_Mod", static_cast<int>(hotkeyModifiers));
    root->SetAttribute("Double", doublePress ? 1 : 0);
    if (!utf8Text.empty()) {
        auto* selText = new TiXmlElement("SelText");
        selText->LinkEndChild(new TiXmlText(utf8Text.c_str()));
        root->LinkEndChild(selText);
    }
    document.LinkEndChild(root);
    TiXmlPrinter printer;
    printer.SetLineBreak("\r\n");
    document.Accept(&printer);
    return printer.Str();
}

// The first `units` UTF-16 units of the text, never ending inside a surrogate pair,
// so that the UTF-8 form ends on a character boundary.
std::string Utf8Prefix(const CString& text, int units) {
    if (units > 0 && units < text.GetLength() && IS_HIGH_SURROGATE(text[units - 1])) --units;
    return WideToUtf8(text.Left(units));
}

HANDLE& SettingsAreaMapping() {
    static HANDLE mapping = nullptr;  // kept for the life of the process: readers come later
    return mapping;
}

}  // namespace

std::string BuildSettingsAreaXml(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const wchar_t* selectedText) {
    return PrintSettingsXml(hotkeyVk, hotkeyModifiers, doublePress, WideToUtf8(selectedText));
}

bool WriteSettingsArea(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const wchar_t* selectedText) {
    CString text(selectedText);
    std::string xml = PrintSettingsXml(hotkeyVk, hotkeyModifiers, doublePress, WideToUtf8(text));
    if (xml.size() + 1 > kSettingsAreaSize) {
        // Keep the longest prefix of the text whose document fits (escaping makes the
        // size of the document grow unevenly with the text, hence the search).
        int low = 0;
        int high = text.GetLength();
        while (low < high) {
            int mid = (low + high + 1) / 2;
            if (PrintSettingsXml(hotkeyVk, hotkeyModifiers, doublePress, Utf8Prefix(text, mid)).size() + 1 <=
                kSettingsAreaSize)
                low = mid;
            else
                high = mid - 1;
        }
        xml = PrintSettingsXml(hotkeyVk, hotkeyModifiers, doublePress, Utf8Prefix(text, low));
        CString message;
        message.Format(L"WriteSettingsArea: the selected text of %d characters was cut to %d to fit the area",
                       text.GetLength(), low);
        LogError(message);
    }
    HANDLE& mapping = SettingsAreaMapping();
    if (!mapping) mapping = CMMFFile::CreateMMF_File(kSettingsAreaName, kSettingsAreaSize, true);
    if (!mapping) return false;
    DWORD size = static_cast<DWORD>(xml.size()) + 1;
    CMappedView view(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size));
    if (!view) return false;
    memcpy(view.get(), xml.c_str(), size);
    FlushViewOfFile(view.get(), size);
    return true;
}
