// What `kavoxm play` sends to the audio device, recorded by ALSA's file plugin in front of the
// null sink: the same bytes as `kavoxm render -o -` with the same options, up to the song's end
// and not a frame more; --seconds ends it once that much has been played.
#include "ToolRun.h"
#include "ToolSongs.h"

namespace {
using namespace tooltest;

class PlayRecording : public ToolTest {
  protected:
    // Plays with `options` into a home whose default device records to device.raw.
    RunResult PlayRecorded(const std::string& options) {
        fs::create_directories(dir / "home");
        std::ofstream(dir / "home" / ".asoundrc")
            << "pcm.!default { type file slave.pcm \"null\" file \""
            << (dir / "device.raw").string() << "\" format \"raw\" }\n";
        return Run("play song.xm " + options + " < /dev/null",
                   "HOME='" + (dir / "home").string() + "'");
    }
};

struct SameAsRender {
    std::string name, options;
};

class PlayLikeRender : public PlayRecording, public ::testing::WithParamInterface<SameAsRender> {};

TEST_P(PlayLikeRender, DeviceGetsTheRenderedBytes) {
    Write("song.xm", SmallSong(32));
    const RunResult play = PlayRecorded(GetParam().options);
    ASSERT_EQ(play.exitCode, 0) << play.err;
    const RunResult render = Run("render song.xm -o - " + GetParam().options);
    ASSERT_EQ(render.exitCode, 0) << render.err;
    const std::string heard = ReadText(dir / "device.raw");
    ASSERT_FALSE(render.out.empty());
    EXPECT_EQ(heard.size(), render.out.size());
    EXPECT_TRUE(heard == render.out) << GetParam().options;
}

INSTANTIATE_TEST_SUITE_P(
    Options, PlayLikeRender,
    ::testing::Values(
        SameAsRender{"Defaults", ""},
        SameAsRender{"PostMixAndRate", "--rate 48000 --gain -6 --stereo-separation 40"},
        SameAsRender{"VolumeAndInterpolation", "--master-volume 200 --interpolation nearest"},
        SameAsRender{"ThreePasses", "--loops 3"},
        SameAsRender{"FromAPlaceInTheSong", "--start-seconds 0.7 --loops 2"},
        SameAsRender{"FromAnOrder", "--start 1"}),
    [](const auto& info) { return info.param.name; });

TEST_F(PlayRecording, SecondsEndsPlayOnceThatMuchIsPlayed) {
    Write("song.xm", SmallSong());
    const RunResult play = PlayRecorded("--seconds 0.5 --loops 1000");
    ASSERT_EQ(play.exitCode, 0) << play.err;
    const double seconds = double(fs::file_size(dir / "device.raw")) / 4 / 44100;
    // At least what was asked, and far less than the 1,000 passes (32 minutes) without it.
    // The null sink takes audio many times faster than real time, so what it took between
    // two looks of the tool (10 ms apart) comes on top; a sound card plays in real time.
    EXPECT_GE(seconds, 0.5);
    EXPECT_LT(seconds, 600);
}

} // namespace
