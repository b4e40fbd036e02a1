#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include "core/tests/LangTestFolder.h"

TEST(CommandLine, KeyPresence) {
    struct Case {
        const wchar_t* line;
        const wchar_t* key;
        int position;
    } cases[] = {
        {L"/exit", L"exit", 0},
        {L"x -EXIT", L"exit", 2},
        {L"  /Exit\"", L"exit", 2},
        {L"-cfu /cfu", L"cfu", 5},        // the "/" form wins even where "-" stands first
        {L"/autoloadx", L"autoload", 0},  // any occurrence counts, also inside a longer word
        {L"exit", L"exit", -1},           // no "/" or "-" before it
        {L"/exit", L"", -1},
        {L"", L"exit", -1},
        {L"/?", L"?", 0},
        {L"-?", L"?", 0},
        {L"/?", L"/?", 0},  // a key that already starts with "/" is not prefixed again
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.position, FindCommandLineKey(c.line, c.key)) << CString(c.line) << " / " << CString(c.key);
}

TEST(CommandLine, ParseSetsTheFlagsAndUaImpliesExit) {
    struct Case {
        const wchar_t* line;
        bool exit, ua, autoload, noInstall, help, edit, asAdmin, showMenu, cfu;
    } cases[] = {
        {L"", false, false, false, false, false, false, false, false, false},
        {L"/UA", true, true, false, false, false, false, false, false, false},
        {L"-autoload /noinstall", false, false, true, true, false, false, false, false, false},
        {L"/? /edit", false, false, false, false, true, true, false, false, false},
        {L"/asadmin -ShowMenu /CFU", false, false, false, false, false, false, true, true, true},
    };
    for (const Case& c : cases) {
        CVXLCommandLine line(c.line);
        EXPECT_FALSE(line.IsExit() || line.IsHelp()) << "nothing before Parse";
        line.Parse();
        SCOPED_TRACE(testing::Message() << CString(c.line));
        EXPECT_EQ(c.exit, line.IsExit());
        EXPECT_EQ(c.ua, line.IsUa());
        EXPECT_EQ(c.autoload, line.IsAutoload());
        EXPECT_EQ(c.noInstall, line.IsNoInstall());
        EXPECT_EQ(c.help, line.IsHelp());
        EXPECT_EQ(c.edit, line.IsEdit());
        EXPECT_EQ(c.asAdmin, line.IsAsAdmin());
        EXPECT_EQ(c.showMenu, line.IsShowMenu());
        EXPECT_EQ(c.cfu, line.IsCfu());
    }
}

// The help text reads UI strings, which collect missing keys into the program folder.
class CommandLineHelp : public LangTest {};

TEST_F(CommandLineHelp, KeyTableTexts) {
    EXPECT_STREQ(L"asadmin", GetCommandLineKeyText(kKeyAsAdmin));
    EXPECT_STREQ(L"", GetCommandLineKeyText(5));
    EXPECT_STREQ(L"", GetCommandLineKeyDescription(42));
    EXPECT_STREQ(L"/asadmin", GetRestartAsAdminSwitch());
    EXPECT_STREQ(L"/?, /asadmin, /autoload, /cfu, /edit, /exit, /noinstall, /showmenu, /ua", GetCommandLineKeysList());
}

TEST_F(CommandLineHelp, TextLinesAndRules) {
    CString text = BuildCommandLineKeysText(L"Vexlora 1.0.0");
    CString rule(L'\x2014', 25);
    // The longest key is "noinstall" (9): "/exit" gets 9 - 4 - 2 = 3 blanks before " \x2014 ",
    // "/ua" 5, "/?" 6, and "autoload" and the longest none.
    struct Case {
        const wchar_t* line;
    } cases[] = {
        {L"/exit    \x2014  complete all previous running instances of Vexlora\n"},
        {L"/ua      \x2014  no set \"Start with Windows\" on first running\n"},
        {L"/autoload \x2014  detect when Vexlora start automatically with Windows\n"},
        {L"/showmenu \x2014  Show menu on Vexlora tray icon\n"},
        {L"/noinstall \x2014  no install services on start of Vexlora\n"},
        {L"/?       \x2014  print arguments of command line description and exit\n"},
    };
    for (const Case& c : cases) EXPECT_GE(text.Find(c.line), 0) << CString(c.line);
    EXPECT_EQ(0, text.Find(L"Vexlora 1.0.0 : Command Line Keys\n" + rule + L"\n/exit"));
    EXPECT_GE(text.Find(L"\n\n" + rule + L"\n        * Press Ctrl+C to copy into clipboard"), 0);
    EXPECT_LT(text.Find(L"/exit"), text.Find(L"/autoload")) << "lines in id order";
    EXPECT_LT(text.Find(L"/noinstall"), text.Find(L"/?"));
    EXPECT_STREQ(L"Vexlora 1.0.0 : Command Line Keys", BuildCommandLineKeysCaption(L"Vexlora 1.0.0"));
}
