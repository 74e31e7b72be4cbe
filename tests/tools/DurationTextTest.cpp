// How `kavoxm info` writes a song length that ends: minutes, seconds and tenths, rounded once.
#include "SongInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DurationCase {
    const char* name;
    uint64_t frames; // at 1000 frames a second
    const char* text;
};

class DurationTextOf : public testing::TestWithParam<DurationCase> {};

TEST_P(DurationTextOf, RoundsBeforeSplittingMinutes) {
    SongScan scan;
    scan.End = SongScanEnd::Ends;
    scan.Frames = GetParam().frames;
    EXPECT_EQ(DurationText(scan, 1000), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    SongInfo, DurationTextOf,
    testing::Values(DurationCase{"Zero", 0, "0:00.0"}, DurationCase{"RoundsDown", 59'949, "0:59.9"},
                    DurationCase{"RoundsUpIntoTheNextMinute", 59'951, "1:00.0"},
                    DurationCase{"AlmostTwoMinutes", 119'954, "2:00.0"},
                    DurationCase{"MinuteAndAHalf", 90'040, "1:30.0"},
                    DurationCase{"TenMinutes", 600'000, "10:00.0"},
                    DurationCase{"PastAnHour", 3'725'460, "62:05.5"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
