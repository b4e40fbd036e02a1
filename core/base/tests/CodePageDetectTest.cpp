#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "core/base/CodePageDetect.h"
#include "core/base/TextHelpers.h"

namespace {

class CFakeDetector : public ICodePageDetector {
public:
    explicit CFakeDetector(std::vector<DetectEncodingInfo> results) : m_results(std::move(results)) {}
    std::vector<DetectEncodingInfo> Detect(const char*, int) override {
        ++calls;
        return m_results;
    }
    int calls = 0;

private:
    std::vector<DetectEncodingInfo> m_results;
};

DetectEncodingInfo Candidate(UINT codePage, INT percent, INT confidence) {
    DetectEncodingInfo info = {};
    info.nLangID = 0x409;
    info.nCodePage = codePage;
    info.nDocPercent = percent;
    info.nConfidence = confidence;
    return info;
}

const char kText[] =
    "Caf\xE9 cr\xE8me br\xFBl\xE9"
    "e";

}  // namespace

TEST(DetectCodePage, ChoosesTheBestScoreAmongKnownCodePages) {
    struct {
        const char* name;
        std::vector<DetectEncodingInfo> candidates;
        UINT expected;
        const wchar_t* charset;
    } cases[] = {
        {"western", {Candidate(1252, 100, 50)}, 1252, L"windows-1252"},
        {"not in the table", {Candidate(28591, 100, 90)}, 0, L""},
        {"a tie keeps the first", {Candidate(1251, 50, 2), Candidate(1250, 25, 4)}, 1251, L"windows-1251"},
        {"percentage 0 scores the confidence", {Candidate(1251, 0, 90), Candidate(1250, 1, 80)}, 1251, L"windows-1251"},
        {"percentage 0 loses to a higher product",
         {Candidate(1251, 0, 90), Candidate(1250, 2, 50)},
         1250,
         L"windows-1250"},
        {"the winner decides even when unknown", {Candidate(1251, 10, 5), Candidate(28591, 100, 90)}, 0, L""},
        {"scores of 0 and below never win", {Candidate(1251, 10, 0), Candidate(1250, 50, -1)}, 0, L""},
        {"shared name", {Candidate(50222, 100, 80)}, 50222, L"iso-2022-jp"},
        {"doubled row", {Candidate(1143, 100, 80)}, 1143, L"x-ebcdic-finlandsweden-euro"},
        {"nothing detected", {}, 0, L""},
    };
    for (const auto& c : cases) {
        CFakeDetector detector(c.candidates);
        CString charset;
        EXPECT_EQ(c.expected, DetectCodePageAndName(detector, kText, sizeof kText - 1, &charset)) << c.name;
        EXPECT_STREQ(c.charset, charset.GetString()) << c.name;
        EXPECT_EQ(c.expected, DetectCodePageAndName(detector, kText, sizeof kText - 1, nullptr)) << c.name;
    }
}

TEST(DetectCodePage, NoTextNoDetection) {
    CFakeDetector detector({Candidate(1252, 100, 50)});
    EXPECT_EQ(0u, DetectCodePageAndName(detector, nullptr, 10, nullptr));
    EXPECT_EQ(0u, DetectCodePageAndName(detector, kText, 0, nullptr));
    EXPECT_EQ(0u, DetectCodePageAndName(detector, kText, -1, nullptr));
    EXPECT_EQ(0, detector.calls);
}

TEST(DetectCodePage, CharsetTableHoldsItsRowsAndOnlyTheKnownDoubles) {
    EXPECT_STREQ(L"utf-8", CharsetTable.front().name);
    EXPECT_STREQ(L"iso-8859-1", CharsetTable.back().name);
    std::set<UINT> seen;
    std::set<UINT> doubled;
    for (const CharsetRow& row : CharsetTable) {
        ASSERT_NE(nullptr, row.name);
        EXPECT_NE(0u, row.codePage) << row.name;
        if (!seen.insert(row.codePage).second) doubled.insert(row.codePage);
    }
    EXPECT_EQ((std::set<UINT>{1143, 1252}), doubled);
}

TEST(DetectCodePage, MLangRoadAnswersWithoutCrashing) {
    // Wine's MLang does not implement DetectInputCodepage: there the answer is 0.
    // Windows may name a code page, which must then be one the table holds.
    auto inTableOrZero = [](UINT codePage) {
        if (codePage == 0) return true;
        for (const CharsetRow& row : CharsetTable)
            if (row.codePage == codePage) return true;
        return false;
    };
    UINT withCom = 1;
    UINT withoutCom = 1;
    std::thread([&] {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(SUCCEEDED(hr));
        withCom = DetectCodePageByMLang(kText, sizeof kText - 1);
        CoUninitialize();
    }).join();
    std::thread([&] { withoutCom = DetectCodePageByMLang(kText, sizeof kText - 1); }).join();
    EXPECT_TRUE(inTableOrZero(withCom)) << withCom;
    EXPECT_EQ(0u, withoutCom) << "no COM on the thread: nothing can be created";
}
