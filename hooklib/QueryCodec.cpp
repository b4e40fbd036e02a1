#include "hooklib/QueryCodec.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

#include "core/base/Logger.h"
#include "core/base/TextConversions.h"
#include "core/base/XmlChecks.h"
#include "core/base/XmlParseSettings.h"

namespace {

// A query is two levels deep; an answer nests one level per sub-menu, and no real menu
// comes near this. Deeper texts are refused before the parser's recursion could overflow
// the stack of the program the library lives in.
const int kMaxElementDepth = 64;

void AddTextElement(TiXmlElement* parent, const char* name, const std::string& utf8) {
    auto* element = new TiXmlElement(name);
    // Always a text node, if empty: the element then prints as a start and an end tag.
    element->LinkEndChild(new TiXmlText(utf8.c_str()));
    parent->LinkEndChild(element);
}

std::string Decimal(long value) {
    return std::to_string(value);
}

std::string Print(TiXmlDocument& document) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\r\n");
    document.Accept(&printer);
    return printer.Str();
}

// Decimal as a scan of "%d" reads it; 32 bits kept, so "-1" and "4294967295" agree.
LONG ParseDecimal(const char* text) {
    return static_cast<LONG>(static_cast<ULONG>(strtoll(text, nullptr, 10)));
}

LONG IntAttribute(const TiXmlElement* element, const char* name, LONG missing) {
    const char* value = element->Attribute(name);
    return value ? ParseDecimal(value) : missing;
}

const char* ChildText(const TiXmlElement* parent, const char* name, bool& present) {
    const TiXmlElement* child = parent->FirstChildElement(name);
    present = child != nullptr;
    const char* text = child ? child->GetText() : nullptr;
    return text ? text : "";
}

CString FromUtf8(const char* text) {
    std::wstring wide = Utf8ToWide(text);
    return CString(wide.c_str(), static_cast<int>(wide.size()));
}

// Only texts the parser can walk safely: UTF-8 throughout and not nested beyond reason.
bool ParseChecked(TiXmlDocument& document, const char* text, bool condenseWhiteSpace) {
    if (!text || !*text) return false;
    if (!IsValidUtf8(text, static_cast<DWORD>(strlen(text))) || !XmlNestingWithin(text, kMaxElementDepth)) return false;
    CXmlParseSettings settings(condenseWhiteSpace);
    document.Parse(text, nullptr, TIXML_ENCODING_UTF8);
    return !document.Error();
}

void WriteGroupEntries(TiXmlElement* group, const CPhraseNodeList& list) {
    for (const CPhraseNode& item : list) {
        if (item.IsSubMenu()) {
            auto* subGroup = new TiXmlElement("Group");
            subGroup->SetAttribute("Default", static_cast<int>(item.m_flags & CPhraseNode::kFlagDefault));
            subGroup->LinkEndChild(new TiXmlText(WideToUtf8(item.m_name).c_str()));
            if (item.GetSubListOrEmpty().empty()) LogWrite(L"Oops! Group is empty");
            WriteGroupEntries(subGroup, item.GetSubListOrEmpty());
            group->LinkEndChild(subGroup);
            continue;
        }
        auto* command = new TiXmlElement("Command");
        command->SetAttribute("Flags", static_cast<int>(item.m_flags));
        command->SetAttribute("CMDID", static_cast<int>(item.m_cmdId));
        command->SetAttribute("DataType", static_cast<int>(item.m_dataType));
        command->SetAttribute("LCID", static_cast<int>(item.m_lcid));
        command->LinkEndChild(new TiXmlText(item.IsSeparator() ? "" : WideToUtf8(item.m_name).c_str()));
        if (item.m_toolTip[0]) AddTextElement(command, "ToolTipText", WideToUtf8(item.m_toolTip));
        group->LinkEndChild(command);
    }
}

void ReadGroupEntries(const TiXmlElement* group, CPhraseNodeList& list) {
    for (const TiXmlElement* child = group->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (strcmp(child->Value(), "Command") != 0) {
            // Whatever else sits in a group is taken for a sub-menu, "MenuPerColumn" too:
            // it comes out empty, and empty sub-menus are never shown.
            CString name = FromUtf8(child->GetText());
            if (name.IsEmpty()) name = L" Unnamed Group";
            ReadGroupEntries(child, *NewSubMenu(list, name, IntAttribute(child, "Default", 0) != 0));
            continue;
        }
        CPhraseNode item;
        item.m_cmdId = IntAttribute(child, "CMDID", 0);
        item.m_flags = static_cast<DWORD>(IntAttribute(child, "Flags", 0));
        item.m_dataType = IntAttribute(child, "DataType", 0);
        item.m_lcid = static_cast<DWORD>(IntAttribute(child, "LCID", 0));
        if (item.m_cmdId != 0) {
            CString name = FromUtf8(child->GetText());
            if (name.IsEmpty()) continue;  // a command nobody could see or choose
            item.SetName(name);
            bool present = false;
            CString toolTip = FromUtf8(ChildText(child, "ToolTipText", present));
            if (!toolTip.IsEmpty()) item.SetToolTip(toolTip);
        }
        list.push_back(std::move(item));
    }
}

}  // namespace

CWPQueryData::CWPQueryData()
    : m_targetWindow(nullptr), m_keyboardLayout(nullptr), m_selTextState(WPSEL_NONE), m_pointX(-1), m_pointY(-1) {
    m_guiThreadInfo = {};
    m_guiThreadInfo.cbSize = sizeof(m_guiThreadInfo);
    if (!GetGUIThreadInfo(GetCurrentThreadId(), &m_guiThreadInfo)) {
        m_guiThreadInfo = {};
        m_guiThreadInfo.cbSize = sizeof(m_guiThreadInfo);
    }
}

std::string PrintWPQuery(const CWPQueryData& query) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("WPQuery");
    const GUITHREADINFO& info = query.m_guiThreadInfo;
    root->SetAttribute("POINT_X", query.m_pointX);
    root->SetAttribute("POINT_Y", query.m_pointY);
    root->SetAttribute("HWND_Active", HandleToLong(info.hwndActive));
    root->SetAttribute("HWND_Focus", HandleToLong(info.hwndFocus));
    root->SetAttribute("HWND_Capture", HandleToLong(info.hwndCapture));
    root->SetAttribute("HWND_MenuOwner", HandleToLong(info.hwndMenuOwner));
    root->SetAttribute("HWND_Caret", HandleToLong(info.hwndCaret));
    AddTextElement(root, "AppPath", WideToUtf8(query.m_appPath));
    AddTextElement(root, "WindowClassName", WideToUtf8(query.m_windowClassName));
    AddTextElement(root, "HWND", Decimal(HandleToLong(query.m_targetWindow)));
    DWORD layout = HandleToUlong(query.m_keyboardLayout);
    AddTextElement(root, "HKLLoword", Decimal(LOWORD(layout)));
    AddTextElement(root, "HKLHoword", Decimal(HIWORD(layout)));
    auto* selText = new TiXmlElement("SelText");
    selText->SetAttribute("StateSelText", query.m_selTextState);
    selText->LinkEndChild(new TiXmlText(WideToUtf8(query.m_selectedText).c_str()));
    root->LinkEndChild(selText);
    document.LinkEndChild(root);
    return Print(document);
}

bool ParseWPQuery(const char* text, CWPQueryData& query) {
    TiXmlDocument document;
    // Blanks kept: every element of a query holds its text on one line, and the selected
    // text must reach the phrase exactly, runs of blanks included.
    if (!ParseChecked(document, text, false)) return false;
    const TiXmlElement* root = document.FirstChildElement("WPQuery");
    if (!root) return false;

    GUITHREADINFO& info = query.m_guiThreadInfo;
    info.hwndActive = static_cast<HWND>(LongToHandle(IntAttribute(root, "HWND_Active", 0)));
    info.hwndCapture = static_cast<HWND>(LongToHandle(IntAttribute(root, "HWND_Capture", 0)));
    info.hwndCaret = static_cast<HWND>(LongToHandle(IntAttribute(root, "HWND_Caret", 0)));
    info.hwndFocus = static_cast<HWND>(LongToHandle(IntAttribute(root, "HWND_Focus", 0)));
    info.hwndMenuOwner = static_cast<HWND>(LongToHandle(IntAttribute(root, "HWND_MenuOwner", 0)));
    query.m_pointX = IntAttribute(root, "POINT_X", -1);
    query.m_pointY = IntAttribute(root, "POINT_Y", -1);

    bool present = false;
    const char* appPath = ChildText(root, "AppPath", present);
    if (present) query.m_appPath = FromUtf8(appPath);
    const char* className = ChildText(root, "WindowClassName", present);
    if (present) query.m_windowClassName = FromUtf8(className);
    query.m_targetWindow = static_cast<HWND>(LongToHandle(ParseDecimal(ChildText(root, "HWND", present))));

    bool lowPresent = false;
    bool highPresent = false;
    ULONG low = static_cast<ULONG>(ParseDecimal(ChildText(root, "HKLLoword", lowPresent))) & 0xFFFF;
    ULONG high = static_cast<ULONG>(ParseDecimal(ChildText(root, "HKLHoword", highPresent))) & 0xFFFF;
    // Sign-extended as the system hands out layouts to 64-bit programs.
    query.m_keyboardLayout =
        lowPresent && highPresent ? static_cast<HKL>(LongToHandle(static_cast<LONG>(high << 16 | low))) : nullptr;

    if (const TiXmlElement* selText = root->FirstChildElement("SelText")) {
        const char* selected = selText->GetText();
        query.m_selectedText = FromUtf8(selected ? selected : "");
        query.m_selTextState = IntAttribute(selText, "StateSelText", -1);
    }
    return true;
}

std::string PrintWPAnswer(const CWPAnswerData& answer) {
    if (answer.m_commands.empty()) return std::string();
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("WPAnswer");
    root->SetAttribute("Sound", answer.m_sound ? 1 : 0);
    root->SetAttribute("ShowToolTips", answer.m_showToolTips ? 1 : 0);
    root->SetAttribute("ForegroundTopMostWnd", answer.m_foregroundTopMostWnd ? 1 : 0);
    auto* group = new TiXmlElement("Group");
    WriteGroupEntries(group, answer.m_commands);
    if (answer.m_menuPerColumn != 0) AddTextElement(group, "MenuPerColumn", Decimal(answer.m_menuPerColumn));
    root->LinkEndChild(group);
    document.LinkEndChild(root);
    return Print(document);
}

int ParseWPAnswer(const char* text, CWPAnswerData& answer) {
    TiXmlDocument document;
    // Condensed: a name sits among its group's child elements, indented around it.
    if (!ParseChecked(document, text, true)) return WPX_ANSWER_UNREADABLE;
    const TiXmlElement* root = document.FirstChildElement("WPAnswer");
    const TiXmlElement* group = root ? root->FirstChildElement("Group") : nullptr;
    if (!group) return WPX_ANSWER_UNREADABLE;

    answer.m_sound = IntAttribute(root, "Sound", 0);
    answer.m_foregroundTopMostWnd = IntAttribute(root, "ForegroundTopMostWnd", 0);
    answer.m_showToolTips = IntAttribute(root, "ShowToolTips", 0);
    ReadGroupEntries(group, answer.m_commands);
    bool present = false;
    LONG perColumn = ParseDecimal(ChildText(group, "MenuPerColumn", present));
    if (perColumn > 0) answer.m_menuPerColumn = perColumn;
    return WPX_ANSWER_READ;
}
