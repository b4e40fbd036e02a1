#include "core/CommandLine.h"

#include <algorithm>
#include <vector>

#include "core/UiStrings.h"

namespace {

const UINT kStrCommandLineKeys = 269;  // "Command Line Keys"
const UINT kStrPressCtrlC = 170;       // "Press Ctrl+C to copy into clipboard"
const int kRuleLength = 25;

volatile LONG g_openHelpBoxes = 0;

int FindFrom(const CString& text, const CString& what) {
    return what.IsEmpty() ? -1 : text.Find(what);
}

}  // namespace

const std::map<int, CommandLineKey>& GetCommandLineArgsMap() {
    static const std::map<int, CommandLineKey> table = {
        {kKeyExit, {L"exit", L"complete all previous running instances of Vexlora"}},
        {kKeyAutoload, {L"autoload", L"detect when Vexlora start automatically with Windows"}},
        {kKeyUa, {L"ua", L"no set \"Start with Windows\" on first running"}},
        {kKeyNoInstall, {L"noinstall", L"no install services on start of Vexlora"}},
        {kKeyHelp, {L"?", L"print arguments of command line description and exit"}},
        {kKeyEdit, {L"edit", L"Start the DezediDizava or change settings"}},
        {kKeyAsAdmin, {L"asadmin", L"Start second instance of Vexlora as administator"}},
        {kKeyShowMenu, {L"showmenu", L"Show menu on Vexlora tray icon"}},
        {kKeyCfu, {L"cfu", L"check for updates"}},
    };
    return table;
}

CString GetCommandLineKeyText(int id) {
    const auto& table = GetCommandLineArgsMap();
    auto it = table.find(id);
    return it == table.end() ? CString() : it->second.key;
}

CString GetCommandLineKeyDescription(int id) {
    const auto& table = GetCommandLineArgsMap();
    auto it = table.find(id);
    if (it == table.end()) return CString();
    CString translated = GetCmdLineKeyHelp(it->second.key, it->second.description);
    return translated.IsEmpty() ? it->second.description : translated;
}

int FindCommandLineKey(const wchar_t* commandLine, const wchar_t* key) {
    CString keyText(key);
    if (keyText.IsEmpty()) return -1;
    CString line(commandLine);
    CString upperLine(line);
    upperLine.MakeUpper();
    for (wchar_t prefix : {L'/', L'-'}) {
        CString candidate = keyText[0] == prefix ? keyText : CString(prefix) + keyText;
        int position = FindFrom(line, candidate);
        if (position < 0) position = FindFrom(upperLine, CString(candidate).MakeUpper());
        if (position >= 0) return position;
    }
    return -1;
}

CString GetRestartAsAdminSwitch() {
    return L"/" + GetCommandLineKeyText(kKeyAsAdmin);
}

CString GetCommandLineKeysList() {
    std::vector<CString> keys;
    for (const auto& row : GetCommandLineArgsMap()) keys.push_back(L"/" + row.second.key);
    std::sort(keys.begin(), keys.end());
    CString list;
    for (const CString& key : keys) {
        if (!list.IsEmpty()) list += L", ";
        list += key;
    }
    return list;
}

void CVXLCommandLine::Parse() {
    const CString& line = m_commandLine;
    auto has = [&](int id) { return HasCommandLineKey(line, GetCommandLineKeyText(id)) ? TRUE : FALSE; };
    m_noInstall = has(kKeyNoInstall);
    m_exit = has(kKeyExit);
    m_ua = has(kKeyUa);
    if (m_ua) m_exit = TRUE;
    m_autoload = has(kKeyAutoload);
    m_help = has(kKeyHelp);
    m_edit = has(kKeyEdit);
    m_asAdmin = has(kKeyAsAdmin);
    m_showMenu = has(kKeyShowMenu);
    m_cfu = has(kKeyCfu);
}

CString BuildCommandLineKeysCaption(const CString& versionText) {
    return versionText + L" : " + LoadUiString(kStrCommandLineKeys);
}

CString BuildCommandLineKeysText(const CString& versionText) {
    const CString rule(L'\x2014', kRuleLength);
    CString text = BuildCommandLineKeysCaption(versionText) + L"\n" + rule + L"\n";
    const auto& table = GetCommandLineArgsMap();
    if (table.empty()) {
        text += L"ERROR: GetCommandLineArgsMap() is emtpy";
    } else {
        int longest = 0;
        for (const auto& row : table) longest = std::max(longest, row.second.key.GetLength());
        for (const auto& row : table) {
            int blanks = longest - row.second.key.GetLength() - 2;
            text += L"/" + row.second.key;
            if (blanks >= 1) text += CString(L' ', blanks);
            text += L" \x2014  " + GetCommandLineKeyDescription(row.first) + L"\n";
        }
    }
    text += L"\n" + rule + L"\n" + CString(L' ', 8) + L"* " + LoadUiString(kStrPressCtrlC);
    return text;
}

int ShowCommandLineKeysBox(HWND owner, const CString& versionText) {
    if (InterlockedCompareExchange(&g_openHelpBoxes, 0, 0) != 0) {
        SetForegroundWindow(owner);
        SetActiveWindow(owner);
        return 0;
    }
    CString text = BuildCommandLineKeysText(versionText);
    CString caption = BuildCommandLineKeysCaption(versionText);
    InterlockedIncrement(&g_openHelpBoxes);
    int result = MessageBoxW(owner, text, caption, MB_ICONINFORMATION);
    InterlockedDecrement(&g_openHelpBoxes);
    return result;
}
