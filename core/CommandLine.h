// The main program's command line: the key table, the parsed flags and the help box.
#pragma once

#include <windows.h>

#include <map>

#include "core/base/CString.h"

enum CommandLineKeyId {
    kKeyExit = 0,
    kKeyAutoload = 1,
    kKeyUa = 2,
    kKeyNoInstall = 3,
    kKeyHelp = 4,
    kKeyEdit = 6,
    kKeyAsAdmin = 7,
    kKeyShowMenu = 8,
    kKeyCfu = 9,
};

struct CommandLineKey {
    CString key;
    CString description;  // built-in English
};

// The key table, built once, ordered by id.
const std::map<int, CommandLineKey>& GetCommandLineArgsMap();
// The key text of an id; empty for an id outside the table.
CString GetCommandLineKeyText(int id);
// The description of an id in the UI language (English when there is no translation,
// which is then collected for translators); empty for an id outside the table.
CString GetCommandLineKeyDescription(int id);

// Position of "/key" or "-key" in the command line (the "/" form first; each tried as
// written, then without regard to case), or -1. An empty key is never found.
int FindCommandLineKey(const wchar_t* commandLine, const wchar_t* key);
inline bool HasCommandLineKey(const wchar_t* commandLine, const wchar_t* key) {
    return FindCommandLineKey(commandLine, key) >= 0;
}

// "/asadmin": what a restart as administrator passes.
CString GetRestartAsAdminSwitch();
// Every key as "/" + key, sorted, joined by ", ".
CString GetCommandLineKeysList();

class CVXLCommandLineBase {
public:
    explicit CVXLCommandLineBase(const wchar_t* commandLine) : m_commandLine(commandLine) {}
    virtual ~CVXLCommandLineBase() = default;
    virtual void Parse() = 0;
    const CString& GetCommandLine() const { return m_commandLine; }

protected:
    CString m_commandLine;
};

class CVXLCommandLine : public CVXLCommandLineBase {
public:
    explicit CVXLCommandLine(const wchar_t* commandLine) : CVXLCommandLineBase(commandLine) {}
    void Parse() override;

    bool IsExit() const { return m_exit; }
    bool IsUa() const { return m_ua; }
    bool IsAutoload() const { return m_autoload; }
    bool IsNoInstall() const { return m_noInstall; }
    bool IsHelp() const { return m_help; }
    bool IsEdit() const { return m_edit; }
    bool IsAsAdmin() const { return m_asAdmin; }
    bool IsShowMenu() const { return m_showMenu; }
    bool IsCfu() const { return m_cfu; }

private:
    BOOL m_exit = FALSE;
    BOOL m_ua = FALSE;
    BOOL m_autoload = FALSE;
    BOOL m_noInstall = FALSE;
    BOOL m_help = FALSE;
    BOOL m_edit = FALSE;
    BOOL m_asAdmin = FALSE;
    BOOL m_showMenu = FALSE;
    BOOL m_cfu = FALSE;
};

// The help box's text and caption for the given program version text.
CString BuildCommandLineKeysText(const CString& versionText);
CString BuildCommandLineKeysCaption(const CString& versionText);
// Shows the help box (one at a time: a second call brings the owner forward instead).
// Returns the box's result, or 0 when another box is open.
int ShowCommandLineKeysBox(HWND owner, const CString& versionText);
