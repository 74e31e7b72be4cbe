#include "Ostrel/ConsolePlayer.h"
#include "Ostrel/EmbeddedModule.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::ScopedVirtualDevice;

// Everything written to a temporary stream so far.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char chunk[256];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    return text;
}

struct RunResult {
    int ExitCode = -1;
    std::string Out, Err;
};

RunResult RunWithEmptyImage() {
    static const uint8_t empty[1] = {0};
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    RunResult run;
    run.ExitCode = RunConsolePlayer(empty, 0, out, err);
    run.Out = Contents(out);
    run.Err = Contents(err);
    std::fclose(out);
    std::fclose(err);
    return run;
}

const std::string ExpectedBanner = "\r\n"
                                   "  --------------------------------\r\n"
                                   " | \"Sombrevallis\" by Quennorabeth |\r\n"
                                   "  --------------------------------\r\n"
                                   "\r\n"
                                   " Powered using KavoXM engine / WinMM\r\n"
                                   " shrinked edition by Quennorabeth\r\n"
                                   " Executable is packed with UPX\r\n"
                                   "\r\n"
                                   " Especially for Yolvane\r\n"
                                   "\r\n"
                                   " Vote for me if u like this music!\r\n"
                                   " Thanks ;)\r\n"
                                   "\r\n";

size_t LineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

TEST(ConsolePlayer, BannerLinesHaveTheirDocumentedShape) {
    std::string joined;
    for (const char* line : BannerLines) joined += line;
    EXPECT_EQ(joined, ExpectedBanner);
    EXPECT_EQ(std::string(BannerLines[1]).size(), 34u + 2u);
    EXPECT_EQ(std::string(BannerLines[2]).size(), 35u + 2u);
    EXPECT_EQ(std::string(BannerLines[3]), BannerLines[1]);
}

TEST(ConsolePlayer, FormatTwoDigits) {
    const std::pair<int32_t, const char*> cases[] = {
        {5, " 5"},    {12, "12"}, {123, "123"}, {-3, "-3"},
        {-45, "-45"}, {0, " 0"},  {99, "99"},   {-2147483647 - 1, "-2147483648"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatTwoDigits(value), text) << value;
}

TEST(ConsolePlayer, ProgressLineOverwritesItself) {
    EXPECT_EQ(ProgressLine(3, 17), " Pattern:  3, Row: 17\r");
    EXPECT_EQ(ProgressLine(12, 5), " Pattern: 12, Row:  5\r");
    EXPECT_EQ(ProgressLine(123, 100), " Pattern: 123, Row: 100\r");
}

TEST(ConsolePlayer, StopsOnlyPastRow60OfPattern12) {
    struct Case {
        int32_t pattern, row;
        bool stop;
    };
    const Case cases[] = {{12, 61, true},  {12, 64, true},  {12, 60, false}, {12, 0, false},
                          {11, 61, false}, {13, 61, false}, {0, 0, false},   {255, 255, false}};
    for (const Case& c : cases)
        EXPECT_EQ(ReachedStopPoint(c.pattern, c.row), c.stop) << c.pattern << "/" << c.row;
}

TEST(ConsolePlayerRun, SongThatDoesNotLoadEndsWithOneLineAndExitCode1) {
    ScopedVirtualDevice device;
    const RunResult run = RunWithEmptyImage();
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, ExpectedBanner); // banner, and no progress line
    EXPECT_EQ(LineCount(run.Err), 1u);
    EXPECT_NE(run.Err.find("load"), std::string::npos) << run.Err;
    EXPECT_EQ(VirtualDevice::OpenCount(), 1);
    EXPECT_EQ(VirtualDevice::CloseCount(), 1);
}

TEST(ConsolePlayerRun, MissingDeviceEndsWithOneLineAndExitCode1) {
    VirtualDevice::Options options;
    options.FailOpen = true;
    ScopedVirtualDevice device(options);
    const RunResult run = RunWithEmptyImage();
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, ExpectedBanner);
    EXPECT_EQ(LineCount(run.Err), 1u);
    EXPECT_NE(run.Err.find("device"), std::string::npos) << run.Err;
    EXPECT_EQ(VirtualDevice::FailedOpenCount(), 1);
}

} // namespace

namespace {

struct ProgressLineFields {
    std::string Pattern, Row; // the two-character fields as printed
};

// The progress lines after the banner: " Pattern: pp, Row: rr" pieces ended by CR.
std::vector<ProgressLineFields> ProgressLines(const std::string& out) {
    std::vector<ProgressLineFields> lines;
    const std::string prefix = " Pattern: ";
    size_t pos = ExpectedBanner.size();
    while (pos < out.size()) {
        const size_t end = out.find('\r', pos);
        EXPECT_NE(end, std::string::npos) << "progress line without CR";
        if (end == std::string::npos) break;
        const std::string line = out.substr(pos, end - pos);
        EXPECT_EQ(line.size(), prefix.size() + 2 + 7 + 2) << line;
        EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
        EXPECT_EQ(line.compare(prefix.size() + 2, 7, ", Row: "), 0) << line;
        if (line.size() == prefix.size() + 11)
            lines.push_back({line.substr(prefix.size(), 2), line.substr(prefix.size() + 9, 2)});
        pos = end + 1;
    }
    return lines;
}

} // namespace

// The whole program path with the embedded song on the virtual device, many times faster
// than real time: banner, load, play, progress lines counting patterns 0 to 12, stop, exit 0.
TEST(ConsolePlayerRun, PlaysTheEmbeddedSongToItsStopPoint) {
    VirtualDevice::Options options;
    options.ManualClock = false;
    options.Speed = 200.0;
    ScopedVirtualDevice device(options);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int exitCode = RunConsolePlayer(EmbeddedModule, EmbeddedModuleSize, out, err, 1);
    const std::string printed = Contents(out);
    const std::string errors = Contents(err);
    std::fclose(out);
    std::fclose(err);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(printed.compare(0, ExpectedBanner.size(), ExpectedBanner), 0);
    const auto lines = ProgressLines(printed);
    ASSERT_FALSE(lines.empty());
    int previous = 0;
    std::set<int> seen;
    for (const auto& line : lines) {
        const int pattern = std::stoi(line.Pattern);
        const int row = std::stoi(line.Row);
        EXPECT_EQ(line.Pattern, FormatTwoDigits(pattern));
        EXPECT_EQ(line.Row, FormatTwoDigits(row));
        EXPECT_GE(pattern, previous) << "patterns count upwards";
        EXPECT_FALSE(ReachedStopPoint(pattern, row)) << "the stop position is never printed";
        previous = pattern;
        seen.insert(pattern);
    }
    EXPECT_EQ(seen.size(), 13u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 12);
    EXPECT_EQ(VirtualDevice::CloseCount(), 1);
}
