#include "hooklib/QueryCodec.h"

#include "core/base/TextConversions.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>

namespace {

HWND Window(LONG value) {
    return static_cast<HWND>(LongToHandle(value));
}

HKL Layout(DWORD value) {
    return static_cast<HKL>(LongToHandle(static_cast<LONG>(value)));
}

CWPQueryData MakeQuery() {
    CWPQueryData query;
    query.m_guiThreadInfo.hwndActive = Window(0x000A0B0C);
    // High bit set: a 64-bit build holds it sign-extended and must print the same.
    query.m_guiThreadInfo.hwndFocus = Window(static_cast<LONG>(0x80001234));
    query.m_guiThreadInfo.hwndCapture = nullptr;
    query.m_guiThreadInfo.hwndMenuOwner = nullptr;
    query.m_guiThreadInfo.hwndCaret = Window(0x000A0B0E);
    query.m_appPath = L"C:\\Program Files\\Notepad++\\notepad++.exe";
    query.m_windowClassName = L"Scintilla";
    query.m_targetWindow = Window(0x00030F2A);
    query.m_keyboardLayout = Layout(0xF0020409);
    query.m_selectedText = L"  two  blanks\r\n";
    query.m_selTextState = WPSEL_READ;
    query.m_pointX = 120;
    query.m_pointY = -1;
    return query;
}

TEST(QueryCodecTest, QueryPrintsInTheExchangeLayout) {
    const char expected[] =
        "<?xml version=\"1.0\" ?>\r\n"
        "<WPQuery POINT_X=\"120\" POINT_Y=\"-1\" HWND_Active=\"658188\" HWND_Focus=\"-2147478988\" "
        "HWND_Capture=\"0\" HWND_MenuOwner=\"0\" HWND_Caret=\"658190\">\r\n"
        "    <AppPath>C:\\Program Files\\Notepad++\\notepad++.exe</AppPath>\r\n"
        "    <WindowClassName>Scintilla</WindowClassName>\r\n"
        "    <HWND>200490</HWND>\r\n"
        "    <HKLLoword>1033</HKLLoword>\r\n"
        "    <HKLHoword>61442</HKLHoword>\r\n"
        "    <SelText StateSelText=\"2\">  two  blanks&#x0D;&#x0A;</SelText>\r\n"
        "</WPQuery>\r\n";
    EXPECT_EQ(PrintWPQuery(MakeQuery()), expected);
}

TEST(QueryCodecTest, EmptyQueryPrintsEmptyElementsWithTheirTags) {
    CWPQueryData query;
    query.m_guiThreadInfo = {};
    const char expected[] =
        "<?xml version=\"1.0\" ?>\r\n"
        "<WPQuery POINT_X=\"-1\" POINT_Y=\"-1\" HWND_Active=\"0\" HWND_Focus=\"0\" HWND_Capture=\"0\" "
        "HWND_MenuOwner=\"0\" HWND_Caret=\"0\">\r\n"
        "    <AppPath></AppPath>\r\n"
        "    <WindowClassName></WindowClassName>\r\n"
        "    <HWND>0</HWND>\r\n"
        "    <HKLLoword>0</HKLLoword>\r\n"
        "    <HKLHoword>0</HKLHoword>\r\n"
        "    <SelText StateSelText=\"0\"></SelText>\r\n"
        "</WPQuery>\r\n";
    EXPECT_EQ(PrintWPQuery(query), expected);
}

TEST(QueryCodecTest, NonAsciiAndReservedCharactersPrintAsUtf8AndEscapes) {
    CWPQueryData query = MakeQuery();
    query.m_appPath = L"C:\\\x041F\x0440\x043E\x0433\\\x7F16\x8F91.exe";  // Прог, 编辑
    query.m_windowClassName = L"Edit<&>";
    // Привет, 世界, U+1F600, mark-up, a literal entity and a literal character reference.
    query.m_selectedText = L"\x041F\x0440\x0438\x0432\x0435\x0442, \x4E16\x754C \xD83D\xDE00 <b>&amp;\"q\" 'a' &#x41;";
    const std::string printed = PrintWPQuery(query);
    const char appPath[] =
        "    <AppPath>C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\\\xE7\xBC\x96\xE8\xBE\x91.exe</AppPath>\r\n";
    const char className[] = "    <WindowClassName>Edit&lt;&amp;&gt;</WindowClassName>\r\n";
    const char selText[] =
        "    <SelText StateSelText=\"2\">\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xE4\xB8\x96\xE7\x95\x8C "
        "\xF0\x9F\x98\x80 &lt;b&gt;&amp;amp;&quot;q&quot; &apos;a&apos; &amp;#x41;</SelText>\r\n";
    EXPECT_NE(printed.find(appPath), std::string::npos) << printed;
    EXPECT_NE(printed.find(className), std::string::npos) << printed;
    EXPECT_NE(printed.find(selText), std::string::npos) << printed;

    CWPQueryData parsed;
    ASSERT_TRUE(ParseWPQuery(printed.c_str(), parsed));
    EXPECT_EQ(parsed.m_appPath, query.m_appPath);
    EXPECT_EQ(parsed.m_windowClassName, query.m_windowClassName);
    EXPECT_EQ(parsed.m_selectedText, query.m_selectedText);
}

TEST(QueryCodecTest, KeyboardLayoutTravelsAsTwoWords) {
    const struct {
        DWORD layout;
        const char* low;
        const char* high;
    } cases[] = {
        {0xF0020409, "<HKLLoword>1033</HKLLoword>", "<HKLHoword>61442</HKLHoword>"},
        {0x04190419, "<HKLLoword>1049</HKLLoword>", "<HKLHoword>1049</HKLHoword>"},
        {0xE0200804, "<HKLLoword>2052</HKLLoword>", "<HKLHoword>57376</HKLHoword>"},
    };
    for (const auto& c : cases) {
        CWPQueryData query = MakeQuery();
        query.m_keyboardLayout = Layout(c.layout);
        const std::string printed = PrintWPQuery(query);
        EXPECT_NE(printed.find(c.low), std::string::npos) << printed;
        EXPECT_NE(printed.find(c.high), std::string::npos) << printed;
        CWPQueryData parsed;
        ASSERT_TRUE(ParseWPQuery(printed.c_str(), parsed));
        // Equal to what the system hands out, sign extension included.
        EXPECT_EQ(parsed.m_keyboardLayout, Layout(c.layout)) << std::hex << c.layout;
    }
}

TEST(QueryCodecTest, QueryRoundTripKeepsEveryField) {
    CWPQueryData query = MakeQuery();
    query.m_selectedText = L" lead\ttab  run\r\nline &#x41; <x> trail ";
    const std::string printed = PrintWPQuery(query);
    CWPQueryData parsed;
    parsed.m_guiThreadInfo = {};
    ASSERT_TRUE(ParseWPQuery(printed.c_str(), parsed));
    EXPECT_EQ(parsed.m_appPath, query.m_appPath);
    EXPECT_EQ(parsed.m_windowClassName, query.m_windowClassName);
    EXPECT_EQ(parsed.m_targetWindow, query.m_targetWindow);
    EXPECT_EQ(parsed.m_keyboardLayout, query.m_keyboardLayout);
    EXPECT_EQ(parsed.m_selectedText, query.m_selectedText);
    EXPECT_EQ(parsed.m_selTextState, query.m_selTextState);
    EXPECT_EQ(parsed.m_pointX, 120);
    EXPECT_EQ(parsed.m_pointY, -1);
    const GUITHREADINFO& a = parsed.m_guiThreadInfo;
    const GUITHREADINFO& b = query.m_guiThreadInfo;
    EXPECT_EQ(a.hwndActive, b.hwndActive);
    EXPECT_EQ(a.hwndFocus, b.hwndFocus);
    EXPECT_EQ(a.hwndCapture, b.hwndCapture);
    EXPECT_EQ(a.hwndMenuOwner, b.hwndMenuOwner);
    EXPECT_EQ(a.hwndCaret, b.hwndCaret);
}

TEST(QueryCodecTest, QueryReaderDefaultsAndRefusals) {
    const char* refused[] = {
        nullptr,
        "",
        "<Other><SelText>x</SelText></Other>",
        "<WPQuery POINT_X=\"1\"><AppPath>cut",
        "\xFF\xFE<\x00W",
        "<WPQuery><SelText>\xC3(</SelText></WPQuery>",  // not UTF-8
    };
    for (const char* text : refused) {
        CWPQueryData query;
        EXPECT_FALSE(ParseWPQuery(text, query)) << (text ? text : "(null)");
    }

    // Missing parts: points -1, windows 0, no layout unless both words, texts untouched.
    CWPQueryData query;
    query.m_appPath = L"before";
    query.m_selectedText = L"kept";
    query.m_selTextState = WPSEL_UNREADABLE;
    query.m_keyboardLayout = Layout(0x04090409);
    ASSERT_TRUE(ParseWPQuery("<WPQuery POINT_Y=\"7\"><HKLLoword>1033</HKLLoword></WPQuery>", query));
    EXPECT_EQ(query.m_pointX, -1);
    EXPECT_EQ(query.m_pointY, 7);
    EXPECT_EQ(query.m_targetWindow, nullptr);
    EXPECT_EQ(query.m_guiThreadInfo.hwndFocus, nullptr);
    EXPECT_EQ(query.m_keyboardLayout, nullptr);
    EXPECT_EQ(query.m_appPath, CString(L"before"));
    EXPECT_EQ(query.m_selectedText, CString(L"kept"));
    EXPECT_EQ(query.m_selTextState, WPSEL_UNREADABLE);

    ASSERT_TRUE(ParseWPQuery("<WPQuery><HWND></HWND><SelText>abc</SelText></WPQuery>", query));
    EXPECT_EQ(query.m_selectedText, CString(L"abc"));
    EXPECT_EQ(query.m_selTextState, -1);
    EXPECT_EQ(query.m_targetWindow, nullptr);
}

// The tree in one line: C<id>:<name>[~<tip>], S for a separator, G[*]:<name>[...] for a
// sub-menu (* when default).
std::string Dump(const CPhraseNodeList& list) {
    std::string text;
    for (const CPhraseNode& item : list) {
        if (!text.empty()) text += "|";
        std::string name = WideToUtf8(item.m_name);
        if (item.IsSubMenu()) {
            text += (item.m_flags & CPhraseNode::kFlagDefault) ? "G*:" : "G:";
            text += name + "[" + Dump(item.GetSubListOrEmpty()) + "]";
        } else if (item.IsSeparator()) {
            text += "S";
        } else {
            text += "C" + std::to_string(item.m_cmdId) + ":" + name;
            if (item.m_toolTip[0]) text += "~" + WideToUtf8(item.m_toolTip);
        }
    }
    return text;
}

CWPAnswerData MakeAnswer() {
    CWPAnswerData answer;
    answer.m_sound = 1;
    answer.m_showToolTips = 0;
    answer.m_foregroundTopMostWnd = 5;
    answer.m_menuPerColumn = 3;
    CPhraseNode hello;
    hello.SetName(L"Hello");
    hello.SetToolTip(L"Says <hi>");
    hello.m_cmdId = 5;
    hello.m_flags = CPhraseNode::kFlagDefault;
    hello.m_lcid = 1049;
    AppendPhraseNode(answer.m_commands, hello);
    CPhraseNode separator;
    AppendPhraseNode(answer.m_commands, separator);
    CPhraseNodeList* sub = NewSubMenu(answer.m_commands, L"Sub", true);
    CPhraseNode inner;
    inner.SetName(L"Inner");
    inner.m_cmdId = 6;
    inner.m_dataType = 2;
    AppendPhraseNode(*sub, inner);
    NewSubMenu(answer.m_commands, L"Empty", false);
    return answer;
}

TEST(QueryCodecTest, AnswerPrintsInTheExchangeLayout) {
    const char expected[] =
        "<?xml version=\"1.0\" ?>\r\n"
        "<WPAnswer Sound=\"1\" ShowToolTips=\"0\" ForegroundTopMostWnd=\"1\">\r\n"
        "    <Group>\r\n"
        "        <Command Flags=\"1\" CMDID=\"5\" DataType=\"0\" LCID=\"1049\">\r\n"
        "            Hello\r\n"
        "            <ToolTipText>Says &lt;hi&gt;</ToolTipText>\r\n"
        "        </Command>\r\n"
        "        <Command Flags=\"0\" CMDID=\"0\" DataType=\"0\" LCID=\"0\"></Command>\r\n"
        "        <Group Default=\"1\">\r\n"
        "            Sub\r\n"
        "            <Command Flags=\"0\" CMDID=\"6\" DataType=\"2\" LCID=\"0\">Inner</Command>\r\n"
        "        </Group>\r\n"
        "        <Group Default=\"0\">Empty</Group>\r\n"
        "        <MenuPerColumn>3</MenuPerColumn>\r\n"
        "    </Group>\r\n"
        "</WPAnswer>\r\n";
    EXPECT_EQ(PrintWPAnswer(MakeAnswer()), expected);
    EXPECT_EQ(PrintWPAnswer(CWPAnswerData()), "");
}

TEST(QueryCodecTest, AnswerRoundTripKeepsTheTree) {
    CWPAnswerData source = MakeAnswer();
    CPhraseNode tricky;
    tricky.SetName(L"\x041F\x0443\x043D\x043A\x0442 & <\x83DC\x5355> &#x41;");
    tricky.SetToolTip(L"line 1\r\nline 2");
    tricky.m_cmdId = -3;
    tricky.m_flags = CPhraseNode::kFlagDisabled;
    tricky.m_lcid = 0x0804;
    AppendPhraseNode(*source.m_commands[2].GetSubList(), tricky);

    CWPAnswerData parsed;
    ASSERT_EQ(ParseWPAnswer(PrintWPAnswer(source).c_str(), parsed), WPX_ANSWER_READ);
    // "MenuPerColumn" comes back as one more (empty, never shown) sub-menu.
    EXPECT_EQ(Dump(parsed.m_commands), "C5:Hello~Says <hi>|S|G*:Sub[C6:Inner|C-3:" + WideToUtf8(tricky.m_name) +
                                           "~line 1\r\nline 2]" + "|G:Empty[]|G:3[]");
    EXPECT_EQ(parsed.m_menuPerColumn, 3);
    EXPECT_EQ(parsed.m_sound, 1);
    EXPECT_EQ(parsed.m_showToolTips, 0);
    EXPECT_EQ(parsed.m_foregroundTopMostWnd, 1);
    const CPhraseNode* hello = FindPhraseNodeByCmdId(parsed.m_commands, 5);
    ASSERT_NE(hello, nullptr);
    EXPECT_EQ(hello->m_flags, CPhraseNode::kFlagDefault);
    EXPECT_EQ(hello->m_lcid, 1049u);
    const CPhraseNode* inner = FindPhraseNodeByCmdId(parsed.m_commands, 6);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->m_dataType, 2);
    const CPhraseNode* copy = FindPhraseNodeByCmdId(parsed.m_commands, -3);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_flags, CPhraseNode::kFlagDisabled);
    EXPECT_EQ(copy->m_lcid, 0x0804u);
}

struct AnswerCase {
    const char* text;
    int result;
    const char* tree;
    int perColumn;
};

TEST(QueryCodecTest, AnswerReaderHandlesMalformedAnswers) {
    const AnswerCase cases[] = {
        // A command without text is dropped; CMDID 0 is a separator whatever its text.
        {"<WPAnswer><Group><Command CMDID=\"5\"></Command><Command CMDID=\"5\"/>"
         "<Command CMDID=\"5\"><ToolTipText>tip only</ToolTipText></Command>"
         "<Command CMDID=\"0\">ignored</Command></Group></WPAnswer>",
         WPX_ANSWER_READ, "S", -1},
        {"<WPAnswer><Group><Command CMDID=\"1\">a<ToolTipText></ToolTipText></Command>"
         "<MenuPerColumn>0</MenuPerColumn></Group></WPAnswer>",
         WPX_ANSWER_READ, "C1:a|G:0[]", -1},
        {"<WPAnswer><Group><Command CMDID=\"1\">a</Command><MenuPerColumn>-2</MenuPerColumn></Group></WPAnswer>",
         WPX_ANSWER_READ, "C1:a|G:-2[]", -1},
        {"<WPAnswer><Group><Command CMDID=\"1\">a</Command></Group></WPAnswer>", WPX_ANSWER_READ, "C1:a", -1},
        {"<WPAnswer><Group><MenuPerColumn>7</MenuPerColumn></Group></WPAnswer>", WPX_ANSWER_READ, "G:7[]", 7},
        {"<WPAnswer><Group><Group Default=\"1\"><Command CMDID=\"2\">b</Command></Group></Group></WPAnswer>",
         WPX_ANSWER_READ, "G*: Unnamed Group[C2:b]", -1},
        {"<WPAnswer><Group/></WPAnswer>", WPX_ANSWER_READ, "", -1},
        {"<WPAnswer Sound=\"1\"><Command CMDID=\"1\">a</Command></WPAnswer>", WPX_ANSWER_UNREADABLE, "", -1},
        {"<WPQuery><Group><Command CMDID=\"1\">a</Command></Group></WPQuery>", WPX_ANSWER_UNREADABLE, "", -1},
        {"\xFF\xFE<\x01\x80garbage>", WPX_ANSWER_UNREADABLE, "", -1},
        {"\x89PNG\r\n\x1A\n", WPX_ANSWER_UNREADABLE, "", -1},
        {"<WPAnswer><Group><Command CMDID=\"1\">\xE4\xB8</Command></Group></WPAnswer>", WPX_ANSWER_UNREADABLE, "", -1},
        {"<WPAnswer><Group><Command CMDID=\"1\">a</Comm", WPX_ANSWER_UNREADABLE, "", -1},
        {"", WPX_ANSWER_UNREADABLE, "", -1},
        {nullptr, WPX_ANSWER_UNREADABLE, "", -1},
    };
    for (const AnswerCase& c : cases) {
        CWPAnswerData answer;
        const char* label = c.text ? c.text : "(null)";
        EXPECT_EQ(ParseWPAnswer(c.text, answer), c.result) << label;
        EXPECT_EQ(Dump(answer.m_commands), c.tree) << label;
        EXPECT_EQ(answer.m_menuPerColumn, c.perColumn) << label;
    }
}

TEST(QueryCodecTest, AnswerWithoutRootAttributesReadsThemAsZero) {
    CWPAnswerData answer;
    ASSERT_EQ(ParseWPAnswer("<WPAnswer><Group/></WPAnswer>", answer), WPX_ANSWER_READ);
    EXPECT_EQ(answer.m_sound, 0);
    EXPECT_EQ(answer.m_showToolTips, 0);
    EXPECT_EQ(answer.m_foregroundTopMostWnd, 0);
}

TEST(QueryCodecTest, EveryTruncationOfAnAnswerIsRefused) {
    const std::string full = PrintWPAnswer(MakeAnswer());
    const size_t end = full.rfind("</WPAnswer>") + strlen("</WPAnswer");
    for (size_t length = 0; length < end; ++length) {
        CWPAnswerData answer;
        EXPECT_EQ(ParseWPAnswer(full.substr(0, length).c_str(), answer), WPX_ANSWER_UNREADABLE) << length;
    }
}

TEST(QueryCodecTest, AnswerTextsAreCutToTheirFieldsAndNestingIsBounded) {
    const std::string longName(300, 'n');
    const std::string longTip(3000, 't');
    const std::string text = "<WPAnswer><Group><Command CMDID=\"1\">" + longName + "<ToolTipText>" + longTip +
                             "</ToolTipText></Command></Group></WPAnswer>";
    CWPAnswerData answer;
    ASSERT_EQ(ParseWPAnswer(text.c_str(), answer), WPX_ANSWER_READ);
    ASSERT_EQ(answer.m_commands.size(), 1u);
    EXPECT_EQ(std::wstring(answer.m_commands[0].m_name), std::wstring(120, L'n'));
    EXPECT_EQ(std::wstring(answer.m_commands[0].m_toolTip), std::wstring(1024, L't'));

    // Far deeper than any menu: refused before the parser's recursion can exhaust the stack.
    std::string deep = "<WPAnswer><Group>";
    for (int i = 0; i < 20000; ++i) deep += "<Group>";
    for (int i = 0; i < 20000; ++i) deep += "</Group>";
    deep += "</Group></WPAnswer>";
    CWPAnswerData deepAnswer;
    EXPECT_EQ(ParseWPAnswer(deep.c_str(), deepAnswer), WPX_ANSWER_UNREADABLE);
}

}  // namespace
