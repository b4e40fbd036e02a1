// The library's side of the exchange on mappings and events the test creates itself. The
// main program's part is played by a message window of this thread: the wait dispatches
// this thread's messages, so the answer arrives in a fixed order without a second thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "hooklib/Exchange.h"

namespace {

const UINT kAnswerNow = WM_APP + 1;

std::function<void()>* g_onAnswerNow = nullptr;
int g_dispatched = 0;

LRESULT CALLBACK MainSideProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAnswerNow) {
        ++g_dispatched;
        if (g_onAnswerNow && *g_onAnswerNow) (*g_onAnswerNow)();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

CString UniqueName(const wchar_t* word) {
    static int counter = 0;
    CString name;
    name.Format(L"Local\\VxlExchangeTest_%s_%lu_%d", word, GetCurrentProcessId(), ++counter);
    return name;
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = MainSideProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlExchangeTestMainSide";
        RegisterClassW(&windowClass);
        m_window.reset(CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                       nullptr, nullptr));
        ASSERT_TRUE(m_window);
        m_mappingName = UniqueName(L"area");
        m_neededName = UniqueName(L"needed");
        m_completedName = UniqueName(L"completed");
        m_mapping.reset(CMMFFile::CreateMMF_File(m_mappingName, kInterchangeAreaSize, true));
        m_needed.reset(CreateSharedEvent(m_neededName, true, false));
        m_completed.reset(CreateSharedEvent(m_completedName, true, false));
        ASSERT_TRUE(m_mapping && m_needed && m_completed);
        g_onAnswerNow = &m_onAnswerNow;
        g_dispatched = 0;
    }
    void TearDown() override {
        g_onAnswerNow = nullptr;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    CExchangeNames Names() const { return {m_mappingName, m_neededName, m_completedName}; }
    // What the main program does once it has read the query.
    void AnswerWith(const std::string& text) {
        m_onAnswerNow = [this, text] {
            ASSERT_TRUE(ReadExchangeText(m_mappingName, m_queryRead));
            ASSERT_TRUE(WriteExchangeText(m_mappingName, text));
            SetEvent(m_completed.get());
        };
        PostMessageW(m_window.get(), kAnswerNow, 0, 0);
    }

    CWindowHandle m_window;
    CString m_mappingName, m_neededName, m_completedName;
    CHandle m_mapping, m_needed, m_completed;
    std::function<void()> m_onAnswerNow;
    std::string m_queryRead;
};

CWPQueryData SampleQuery() {
    CWPQueryData query;
    query.m_appPath = L"C:\\Programs\\target.exe";
    query.m_windowClassName = L"Edit";
    query.m_selectedText = L"caf\u00e9 & <more>";
    query.m_selTextState = WPSEL_READ;
    return query;
}

const char kAnswer[] =
    "<?xml version=\"1.0\" ?>\r\n"
    "<WPAnswer Sound=\"1\" ShowToolTips=\"0\" ForegroundTopMostWnd=\"0\">\r\n"
    "    <Group>\r\n"
    "        <Command Flags=\"0\" CMDID=\"7\" DataType=\"0\" LCID=\"0\">Seven</Command>\r\n"
    "        <MenuPerColumn>4</MenuPerColumn>\r\n"
    "    </Group>\r\n"
    "</WPAnswer>\r\n";

TEST_F(Exchange, TextsGoThroughTheMappingWithinItsLimit) {
    const struct {
        std::string text;
        bool written;
    } kCases[] = {
        {"<WPQuery/>", true},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", true},
        {std::string(kExchangeTextMaxBytes - 1, 'q'), true},
        {std::string(kExchangeTextMaxBytes, 'q'), false},
        {"", false},
    };
    for (const auto& c : kCases) {
        ASSERT_TRUE(WriteExchangeText(m_mappingName, "previous"));
        EXPECT_EQ(c.written, WriteExchangeText(m_mappingName, c.text)) << c.text.size();
        std::string read;
        ASSERT_TRUE(ReadExchangeText(m_mappingName, read));
        EXPECT_EQ(c.written ? c.text : std::string("previous"), read) << c.text.size();
    }
}

TEST_F(Exchange, AMappingSmallerThanTheTextIsLeftUntouched) {
    const DWORD size = 4096;
    const CString name = UniqueName(L"small");
    CHandle small(CMMFFile::CreateMMF_File(name, size, true));
    ASSERT_TRUE(small);
    CMappedView view(MapViewOfFile(small.get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    memset(view.get(), 'x', size);

    EXPECT_FALSE(WriteExchangeText(name, std::string(size, 'y')));
    const std::string after(static_cast<const char*>(view.get()), size);
    EXPECT_EQ(std::string(size, 'x'), after);
    // And a view without a zero is not read past its end.
    std::string read;
    EXPECT_FALSE(ReadExchangeText(name, read));
}

TEST_F(Exchange, ATextWithoutZeroWithinTheLimitIsNotRead) {
    CMappedView view(MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    char* bytes = static_cast<char*>(view.get());
    memset(bytes, 'a', kExchangeTextMaxBytes + 10);
    bytes[kExchangeTextMaxBytes + 10] = 0;
    std::string read;
    EXPECT_FALSE(ReadExchangeText(m_mappingName, read));
    std::string missing;
    EXPECT_FALSE(ReadExchangeText(UniqueName(L"missing"), missing));
}

TEST_F(Exchange, AnAnswerWrittenBeforeTheCompletedEventIsRead) {
    AnswerWith(kAnswer);
    CWPQueryData query = SampleQuery();
    CWPAnswerData answer;
    ASSERT_EQ(WPX_ANSWER_READ, ExchangeWPQuery(Names(), query, answer, kAnswerWaitMessages, 60000));

    CWPQueryData received;
    ASSERT_TRUE(ParseWPQuery(m_queryRead.c_str(), received));
    EXPECT_STREQ(L"Edit", received.m_windowClassName);
    EXPECT_STREQ(query.m_selectedText, received.m_selectedText);
    // "MenuPerColumn" also reads as an empty sub-menu, which the menu leaves out.
    ASSERT_EQ(2u, answer.m_commands.size());
    EXPECT_EQ(7, answer.m_commands[0].m_cmdId);
    EXPECT_STREQ(L"Seven", answer.m_commands[0].m_name);
    EXPECT_EQ(4, answer.m_menuPerColumn);
    EXPECT_EQ(1, answer.m_sound);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(m_completed.get(), 0)) << "reset after the wait";
}

TEST_F(Exchange, ResultsWithoutAnAnswer) {
    CWPQueryData query = SampleQuery();
    CWPAnswerData answer;
    // Not waited for: back at once, the query is in the mapping.
    EXPECT_EQ(WPX_NO_ANSWER, ExchangeWPQuery(Names(), query, answer, kAnswerNoWait));
    std::string written;
    ASSERT_TRUE(ReadExchangeText(m_mappingName, written));
    EXPECT_EQ(PrintWPQuery(query), written);
    // Waited for, but no message and no event comes.
    EXPECT_EQ(WPX_NO_ANSWER, ExchangeWPQuery(Names(), query, answer, kAnswerWaitMessages, 50));
    // An unreadable answer.
    AnswerWith("<WPAnswer/>");
    EXPECT_EQ(WPX_ANSWER_UNREADABLE, ExchangeWPQuery(Names(), query, answer, kAnswerWaitMessages, 60000));
    // No data-needed event, no mapping.
    const CString missing = UniqueName(L"missing");
    EXPECT_EQ(WPX_NEEDED_EVENT_FAILED,
              ExchangeWPQuery({m_mappingName, missing, m_completedName}, query, answer, kAnswerNoWait));
    EXPECT_EQ(WPX_NO_ANSWER, ExchangeWPQuery({m_mappingName, m_neededName, missing}, query, answer, 5, 60000));
    EXPECT_EQ(WPX_QUERY_NOT_WRITTEN, ExchangeWPQuery({nullptr, m_neededName, m_completedName}, query, answer, 5));
    EXPECT_TRUE(answer.m_commands.empty());
}

TEST_F(Exchange, TheWaitEndsAfterMoreMessagesThanTheLimit) {
    for (int i = 0; i < 10; ++i) PostMessageW(m_window.get(), kAnswerNow, 0, 0);
    EXPECT_FALSE(WaitForAnswerEvent(m_completed.get(), 5, 60000));
    EXPECT_EQ(6, g_dispatched);
}

TEST_F(Exchange, AQuitSeenDuringTheWaitEndsItAndIsPostedAgain) {
    PostQuitMessage(3);
    PostMessageW(m_window.get(), kAnswerNow, 0, 0);
    EXPECT_FALSE(WaitForAnswerEvent(m_completed.get(), 100, 60000));
    MSG message = {};
    bool quitSeen = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitSeen = true;
            EXPECT_EQ(3u, message.wParam);
        }
    }
    EXPECT_TRUE(quitSeen);
}

TEST(ExchangeQueryCap, ALongSelectionIsCutToFitWithinTheLimit) {
    const struct {
        wchar_t unit;
        int count;
    } kCases[] = {
        {L'\u00e9', 300000},  // two bytes each
        {L'&', 200000},       // five bytes each once escaped
        {L'a', 1000},         // fits: unchanged
    };
    for (const auto& c : kCases) {
        CWPQueryData query;
        const std::wstring selection(static_cast<size_t>(c.count), c.unit);
        query.m_selectedText = selection.c_str();
        const std::string printed = PrintCappedWPQuery(query);
        EXPECT_LT(printed.size(), static_cast<size_t>(kExchangeTextMaxBytes)) << c.unit;
        CWPQueryData received;
        ASSERT_TRUE(ParseWPQuery(printed.c_str(), received));
        const int length = received.m_selectedText.GetLength();
        EXPECT_GT(length, 0);
        EXPECT_EQ(selection.substr(0, static_cast<size_t>(length)), std::wstring(received.m_selectedText));
        if (c.count == 1000) {
            EXPECT_EQ(c.count, length);
        } else {
            // Cut no more than needed: one more character of the same kind would not fit.
            EXPECT_GT(printed.size() + 6, static_cast<size_t>(kExchangeTextMaxBytes) - 1);
        }
    }
}

}  // namespace
