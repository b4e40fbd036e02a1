// The pages the programs show, rendered the way the user sees them.
#include <gtest/gtest.h>

#include <string>

#include "core/base/Handles.h"
#include "platform/htmlayout/HtmlDom.h"
#include "platform/htmlayout/tests/PageWindow.h"

namespace {

using htmltest::CEventLog;
using htmltest::CPageWindow;

std::wstring FixturePath(const wchar_t* name) {
    std::wstring path = L"Z:" VXL_HTML_FIXTURES L"/";
    path += name;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::string ReadFixture(const wchar_t* name) {
    CFileHandle file(
        CreateFileW(FixturePath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file.valid()) << "missing fixture";
    std::string bytes(GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    return bytes;
}

// The first element whose attribute has the value.
HELEMENT Find(const CPageWindow& page, LPCSTR attribute, LPCWSTR value) {
    HELEMENT found = htmltest::FindFirst(page.Root(), nullptr, attribute, value);
    EXPECT_NE(found, nullptr) << value;
    return found;
}

const COLORREF kLemonChiffon = RGB(255, 250, 205);
const COLORREF kWhiteSmoke = RGB(245, 245, 245);

class UpdatePage : public testing::TestWithParam<const wchar_t*> {};

TEST_P(UpdatePage, ShowsTheFramedBlockLinksSettingsAndNews) {
    CPageWindow page(900, 600);
    ASSERT_TRUE(page.Load(ReadFixture(GetParam())));
    CEventLog log;
    log.consumeLinks = true;  // as the update dialog does for web links
    HTMLayoutWindowAttachEventHandler(page.get(), CEventLog::Proc, &log, HANDLE_ALL);
    const auto shot = page.Paint();

    // The home link is where its text is, drawn in the link colour, and a click reports it.
    HELEMENT home = Find(page, "href", L"https://vexlora.example/");
    const RECT homeRect = page.Rect(home);
    EXPECT_GT(homeRect.right - homeRect.left, 150);
    EXPECT_LT(homeRect.bottom - homeRect.top, 30);
    EXPECT_GT(shot.Count(homeRect, RGB(0, 0, 238)), 10);
    page.Click({homeRect.left + 3, (homeRect.top + homeRect.bottom) / 2});
    ASSERT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.back().href, L"https://vexlora.example/");

    // The picture that cannot be had keeps its 24 x 24 place beside the link.
    HELEMENT picture = Find(page, "height", L"24");
    const RECT pictureRect = page.Rect(picture);
    EXPECT_EQ(pictureRect.right - pictureRect.left, 24);
    EXPECT_EQ(pictureRect.bottom - pictureRect.top, 24);
    EXPECT_GE(pictureRect.left, homeRect.right + 5);

    // The links table splits its width 25 / 50 / 25.
    auto* forum = static_cast<hl::Element*>(Find(page, "href", L"https://forum.vexlora.example/"));
    auto* site = static_cast<hl::Element*>(Find(page, "href", L"https://facebook.example/vexlora"));
    const RECT forumCell = forum->Parent()->box.border;
    const RECT socialCell = site->Parent()->box.border;
    const int forumWidth = forumCell.right - forumCell.left, socialWidth = socialCell.right - socialCell.left;
    EXPECT_NEAR(socialWidth, 2 * forumWidth, 2);

    // The settings box and the check box in it.
    HELEMENT settings = page.Id(L"settings");
    const RECT settingsRect = page.Rect(settings);
    EXPECT_EQ(shot.At(settingsRect.right - 12, (settingsRect.top + settingsRect.bottom) / 2), kWhiteSmoke);
    HELEMENT check = page.Id(L"CFUAutoCheck");
    const RECT checkRect = page.Rect(check);
    EXPECT_GE(checkRect.top, settingsRect.top);
    EXPECT_LE(checkRect.bottom, settingsRect.bottom);
    page.Click({checkRect.left + 6, (checkRect.top + checkRect.bottom) / 2});
    UINT state = 0;
    HTMLayoutGetElementState(check, &state);
    EXPECT_EQ(state & STATE_CHECKED, 0u);
    EXPECT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, BUTTON_STATE_CHANGED), 1u);
    HELEMENT days = page.Id(L"CFUDaysNumber");
    const RECT daysRect = page.Rect(days);
    const RECT labelRect = page.Rect(page.Id(L"cfu_days_text"));
    EXPECT_GE(daysRect.left, checkRect.left);
    EXPECT_GT(daysRect.top, labelRect.top - 30);

    // The news: the jump to "latest_news" scrolls the heading to the top.
    log.consumeLinks = false;
    HELEMENT toNews = Find(page, "href", L"#latest_news");
    page.Click(page.Centre(toNews));
    EXPECT_GT(hl::GetScrollPosition(page.get()), 0);
    auto* anchor = static_cast<hl::Element*>(Find(page, "name", L"latest_news"));
    RECT anchorRect;
    ASSERT_TRUE(hl::GetElementClientRect(anchor, &anchorRect));
    const auto scrolled = page.Paint();
    HELEMENT firstTitle = page.Id(L"id_item_title");
    const RECT titleRect = page.Rect(firstTitle);
    EXPECT_GT(scrolled.Count(titleRect, kLemonChiffon), 100);
    // A short page cannot bring it to the very top; then it stands within the last screen.
    const int position = hl::GetScrollPosition(page.get());
    SendMessageW(page.get(), WM_KEYDOWN, VK_END, 0);
    const bool atEnd = hl::GetScrollPosition(page.get()) == position;
    EXPECT_TRUE(std::abs(anchorRect.top) <= 2 || (atEnd && anchorRect.top > 0 && anchorRect.top < 600))
        << anchorRect.top;
}

INSTANTIATE_TEST_SUITE_P(Variants, UpdatePage, testing::Values(L"update_new.html", L"update_none.html"));

TEST(UpdatePageNew, TheFramedBlockIsLemonChiffon) {
    CPageWindow page(900, 600);
    ASSERT_TRUE(page.Load(ReadFixture(L"update_new.html")));
    const auto shot = page.Paint();
    const RECT installer = page.Rect(Find(page, "href", L"https://vexlora.example/download/VexloraSetup.exe"));
    EXPECT_EQ(shot.At(installer.left - 4, installer.top + 2), kLemonChiffon);
    const RECT portable = page.Rect(Find(page, "href", L"https://vexlora.example/download/Vexlora.zip"));
    EXPECT_EQ(portable.top, installer.top);
    EXPECT_GT(portable.left, installer.right + 40);  // the size and the bullet between
}

// Answers the style request of the welcome page with its sheet.
struct CSheetLoader {
    std::string sheet;
    std::wstring asked;
    static LRESULT CALLBACK Notify(UINT, WPARAM, LPARAM lParam, LPVOID param) {
        auto* self = static_cast<CSheetLoader*>(param);
        auto* nm = reinterpret_cast<NMHL_LOAD_DATA*>(lParam);
        if (nm->hdr.code != HLN_LOAD_DATA || nm->dataType != HLRT_DATA_STYLE) return LOAD_OK;
        self->asked = nm->uri;
        nm->outData = const_cast<char*>(self->sheet.data());
        nm->outDataSize = static_cast<DWORD>(self->sheet.size());
        return LOAD_OK;
    }
};

TEST(WelcomePage, TakesItsSheetAndReportsCommandLinks) {
    CPageWindow page(700, 500);
    CSheetLoader loader;
    loader.sheet = ReadFixture(L"ext_style.css");
    HTMLayoutSetCallback(page.get(), CSheetLoader::Notify, &loader);
    ASSERT_TRUE(page.Load(ReadFixture(L"welcome.html"), L"C:\\Vexlora\\HTML\\img"));
    EXPECT_EQ(loader.asked, L"C:\\Vexlora\\HTML\\ext_style.css");
    CEventLog log;
    HTMLayoutWindowAttachEventHandler(page.get(), CEventLog::Proc, &log, HANDLE_ALL);
    const auto shot = page.Paint();
    EXPECT_EQ(shot.At(2, 2), RGB(0xFD, 0xFD, 0xF6));  // the sheet's body background

    const struct {
        const wchar_t* href;
    } links[] = {
        {L"%CMD_START_EDITOR%"}, {L"%CMD_SHOW_TRAY_MENU%"}, {L"%CMD_SHOW_CMD_LINE%"}, {L"%CMD_CHECK_FOR_UPDATES%"}};
    for (const auto& link : links) {
        HELEMENT a = Find(page, "href", link.href);
        const RECT r = page.Rect(a);
        EXPECT_GT(shot.Count(r, RGB(0x15, 0x65, 0xC0)), 10) << link.href;
        log.events.clear();
        page.Click({r.left + 3, (r.top + r.bottom) / 2});
        ASSERT_EQ(log.Count(HANDLE_BEHAVIOR_EVENT, HYPERLINK_CLICK | SINKING), 1u) << link.href;
        const auto click = std::find_if(log.events.begin(), log.events.end(),
                                        [](const CEventLog::Event& e) { return e.cmd == (HYPERLINK_CLICK | SINKING); });
        EXPECT_EQ(click->href, link.href);
    }
    // The block of web links carries the sheet's background around its links.
    const RECT home = page.Rect(Find(page, "href", L"https://vexlora.example/"));
    EXPECT_EQ(shot.At(home.left - 3, home.top + 2), RGB(0xEE, 0xF3, 0xFA));
}

}  // namespace
