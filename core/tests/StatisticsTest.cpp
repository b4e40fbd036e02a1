// The daily counts in the statistics file: each day its own section, the two counts apart.
#include "core/Statistics.h"

#include <gtest/gtest.h>

#include "testkit/TempFolder.h"

namespace {

TEST(Statistics, EachDayCountsItsCommandsAndClipsApart) {
    const CString folder = testkit::MakeUniqueTempFolder(L"vxl_stat");
    const CString file = folder + L"\\vxl_stat_info.ini";
    const SYSTEMTIME monday = {2026, 12, 1, 7, 9, 0, 0, 0};
    const SYSTEMTIME tuesday = {2026, 12, 2, 8, 9, 0, 0, 0};
    EXPECT_EQ(0, CStat_Info::GetCount(L"Commands", file, monday));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(1, CStat_Info::Inc_Cmd_Count(file, &monday));
    EXPECT_EQ(1, CStat_Info::Inc_Clipboard_Count(file, &monday));
    EXPECT_EQ(1, CStat_Info::Inc_Cmd_Count(file, &tuesday));
    EXPECT_EQ(3, CStat_Info::GetCount(L"Commands", file, monday));
    EXPECT_EQ(1, CStat_Info::GetCount(L"Clipboard", file, monday));
    EXPECT_EQ(1, CStat_Info::GetCount(L"Commands", file, tuesday));
    EXPECT_EQ(0, CStat_Info::GetCount(L"Clipboard", file, tuesday));
    testkit::RemoveTree(folder);
}

}  // namespace
