// Events with frames: rows on the frames the trace prints, notes with their rows, a bounded
// queue whose overflow is counted, nothing handed out before its frame is rendered.
#include "capi/GameSongs.h"
#include "support/Corpus.h"
#include "tools/ToolRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <tuple>

namespace {

using namespace gamesongs;

using RowAt = std::tuple<int64_t, int32_t, int32_t, int32_t>; // frame, order, pattern, row

// The rows `kavoxm trace` prints for the first `seconds` of a file.
#ifndef _WIN32
std::vector<RowAt> TraceRows(const std::filesystem::path& file, int32_t seconds) {
    const std::string command = tooltest::ToolPath().string() + " trace --seconds " +
                                std::to_string(seconds) + " '" + file.string() + "'";
    std::vector<RowAt> rows;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return rows;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        long long frame = 0;
        double time = 0;
        int order = 0, pattern = 0, row = 0;
        if (std::sscanf(line, "%lld %lf %d %d %d", &frame, &time, &order, &pattern, &row) == 5)
            rows.emplace_back(frame, order, pattern, row);
    }
    pclose(pipe);
    return rows;
}
#endif

TEST(EventsOnCorpus, RowFramesEqualTheTrace) {
    KAVOXM_REQUIRE_CORPUS();
#ifdef _WIN32
    GTEST_SKIP() << tooltest::SkipWithoutPosixShell;
#else
    constexpr int32_t Seconds = 20;
    const auto files = testsupport::CorpusFiles("songs");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<uint8_t> image = testsupport::ReadFile(file);
        auto song = capisongs::Load(image);
        ASSERT_TRUE(song);
        std::vector<int16_t> buffer(2 * 4096);
        std::vector<RowAt> rows;
        for (int64_t done = 0; done < int64_t(Seconds) * 44100;) {
            const int64_t n = kavoxm_render_s16(song.get(), 44100, 2, buffer.data(), 4096);
            if (n <= 0) break;
            done += n;
            for (const kavoxm_event& e : ReadAll(song.get()))
                if (e.type == KAVOXM_EVENT_ROW && e.frame < int64_t(Seconds) * 44100)
                    rows.emplace_back(e.frame, e.a, e.b, e.c);
        }
        const std::vector<RowAt> traced = TraceRows(file, Seconds);
        ASSERT_FALSE(traced.empty());
        EXPECT_EQ(rows, traced);
    }
#endif
}

TEST(Events, NotesComeWithTheirRowsAndInstruments) {
    auto song = capisongs::Load(xmbuilder::BuildXM(Sections()));
    ASSERT_TRUE(song);
    std::vector<kavoxm_event> events;
    RenderWithEvents(song.get(), events, 777);
    std::vector<int64_t> rowFrames(32, -1); // pattern 0's rows
    for (const kavoxm_event& e : OfType(events, KAVOXM_EVENT_ROW))
        if (e.a == 0) rowFrames[size_t(e.c)] = e.frame;
    std::vector<std::tuple<int64_t, int32_t, int32_t>> expected, actual; // frame, note, instrument
    for (int32_t row = 0; row < 32; row += 4)
        expected.emplace_back(rowFrames[size_t(row)], 37 + row / 4 % 12, 1);
    for (const kavoxm_event& e : OfType(events, KAVOXM_EVENT_NOTE))
        if (e.a == 0 && e.frame < rowFrames[31]) actual.emplace_back(e.frame, e.b, e.c);
    EXPECT_EQ(actual, expected);
    // The song's one-shot note on channel 2 at row 0, instrument 3.
    const auto notes = OfType(events, KAVOXM_EVENT_NOTE);
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [](const kavoxm_event& e) {
        return e.frame == 0 && e.a == 2 && e.b == 49 && e.c == 3;
    }));
    // Each order entry begins once, on its first row's frame; the song end comes last.
    const auto orders = OfType(events, KAVOXM_EVENT_ORDER);
    ASSERT_EQ(orders.size(), 3u);
    EXPECT_EQ(orders[1].a, 1);
    ASSERT_EQ(OfType(events, KAVOXM_EVENT_SONG_END).size(), 1u);
    EXPECT_EQ(events.back().type, KAVOXM_EVENT_SONG_END);
}

TEST(Events, PatternLoopJumpsAreReported) {
    auto song = capisongs::Load(xmbuilder::BuildXM(capisongs::Loops()));
    ASSERT_TRUE(song);
    std::vector<kavoxm_event> events;
    RenderWithEvents(song.get(), events);
    const auto loops = OfType(events, KAVOXM_EVENT_LOOP_JUMP);
    // E60 at row 0 and E62 at row 9 in both patterns: two jumps back to row 0 in each.
    ASSERT_EQ(loops.size(), 4u);
    for (const kavoxm_event& e : loops) EXPECT_EQ(e.c, 0);
    // Each jump is on the frame of the row it lands on.
    const auto rows = OfType(events, KAVOXM_EVENT_ROW);
    for (const kavoxm_event& loop : loops)
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const kavoxm_event& r) {
            return r.frame == loop.frame && r.a == loop.a && r.c == 0;
        }));
}

TEST(Events, OnlyRenderedFramesAreHandedOutWithTheirOffsets) {
    auto song = capisongs::Load(xmbuilder::BuildXM(Sections()));
    ASSERT_TRUE(song);
    std::vector<int32_t> buffer(2 * 3000);
    int64_t rendered = 0;
    for (int32_t call = 0; call < 40; ++call) {
        const int64_t n = kavoxm_render_mix(song.get(), 44100, 2, buffer.data(), 3000);
        ASSERT_EQ(n, 3000);
        for (const kavoxm_event& e : ReadAll(song.get())) {
            EXPECT_GE(e.frame, rendered);
            EXPECT_LT(e.frame, rendered + n);
            EXPECT_EQ(e.offset, e.frame - rendered);
        }
        rendered += n;
    }
    // A seek drops what was mixed ahead; the stream's frames go on from where they stood.
    ASSERT_EQ(kavoxm_seek_order(song.get(), 2, 0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_render_mix(song.get(), 44100, 2, buffer.data(), 10), 10);
    const auto after = ReadAll(song.get());
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front().type, KAVOXM_EVENT_ORDER);
    EXPECT_EQ(after.front().a, 2);
    EXPECT_EQ(after.front().frame, rendered);
}

// Thirty-two channels starting a note on every row at speed 1: many events a tick.
xmbuilder::XMSong Crowded() {
    xmbuilder::XMSong song;
    song.Channels = 32;
    song.Speed = 1;
    song.Tempo = 255;
    capisongs::AddInstruments(song);
    xmbuilder::XMPattern pattern;
    pattern.Rows = 256;
    for (int32_t row = 0; row < 256; ++row)
        for (int32_t c = 0; c < 32; ++c)
            pattern.Put(row, c, XMCell{uint8_t(1 + (row + c) % 96), uint8_t(1 + c % 3), 0, 0, 0});
    song.Patterns.push_back(pattern);
    return song;
}

TEST(Events, AFullQueueDropsTheNewestAndCountsThem) {
    const auto image = xmbuilder::BuildXM(Crowded());
    auto unread = capisongs::Load(image);
    auto read = capisongs::Load(image);
    ASSERT_TRUE(unread && read);
    ASSERT_EQ(kavoxm_set_repeat(unread.get(), -1), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_repeat(read.get(), -1), KAVOXM_OK);
    // Whole blocks of 2,048 frames: nothing is mixed ahead of the frames handed out, so both
    // handles have recorded the same events.
    std::vector<int32_t> buffer(2 * 4096);
    std::vector<kavoxm_event> all;
    for (int32_t call = 0; call < 40; ++call) {
        ASSERT_EQ(kavoxm_render_mix(unread.get(), 44100, 2, buffer.data(), 4096), 4096);
        ASSERT_EQ(kavoxm_render_mix(read.get(), 44100, 2, buffer.data(), 4096), 4096);
        const auto got = ReadAll(read.get());
        all.insert(all.end(), got.begin(), got.end());
    }
    EXPECT_EQ(kavoxm_events_lost(read.get()), 0);
    const std::vector<kavoxm_event> kept = ReadAll(unread.get());
    ASSERT_EQ(kept.size(), 4096u);
    ASSERT_GT(all.size(), kept.size());
    EXPECT_EQ(kavoxm_events_lost(unread.get()), int64_t(all.size() - kept.size()));
    // The oldest are kept (up to the tick the queue filled in, whose row event was dropped).
    for (size_t i = 0; i < kept.size() && kept[i].frame < kept.back().frame; ++i) {
        ASSERT_EQ(kept[i].frame, all[i].frame) << i;
        ASSERT_EQ(kept[i].type, all[i].type) << i;
    }
}

TEST(Events, TheMaskChoosesTheKinds) {
    auto song = capisongs::Load(xmbuilder::BuildXM(Sections()));
    ASSERT_TRUE(song);
    ASSERT_EQ(kavoxm_set_event_mask(song.get(), 1u << (KAVOXM_EVENT_NOTE - 1)), KAVOXM_OK);
    std::vector<kavoxm_event> events;
    RenderWithEvents(song.get(), events);
    ASSERT_FALSE(events.empty());
    for (const kavoxm_event& e : events) EXPECT_EQ(e.type, KAVOXM_EVENT_NOTE);
    EXPECT_EQ(kavoxm_read_events(nullptr, nullptr, 0), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_read_events(song.get(), nullptr, 1), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_read_events(song.get(), nullptr, 0), 0);
}

} // namespace
