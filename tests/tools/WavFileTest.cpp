// WAV files past what a RIFF header declares become RF64, tested with the writer's RIFF limit
// lowered to a few bytes: the sizes the header declares are always those of the file.
#include "WavFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace {

namespace fs = std::filesystem;

uint64_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(b.at(at + size_t(i))) << (8 * i);
    return v;
}

std::string Id(const std::vector<uint8_t>& b, size_t at) {
    return std::string(b.begin() + long(at), b.begin() + long(at) + 4);
}

struct Chunk {
    size_t at;     // first byte of the body
    uint64_t size; // as declared
};

// The chunks after "WAVE" up to "data", by id.
std::map<std::string, Chunk> Chunks(const std::vector<uint8_t>& wav) {
    std::map<std::string, Chunk> chunks;
    for (size_t at = 12; at + 8 <= wav.size();) {
        const std::string id = Id(wav, at);
        chunks[id] = {at + 8, Le(wav, at + 4, 4)};
        if (id == "data") break;
        at += 8 + chunks[id].size + (chunks[id].size & 1);
    }
    return chunks;
}

class WavLimit : public ::testing::Test {
  protected:
    fs::path dir;
    static constexpr uint64_t Limit = 1000; // the most data a RIFF header declares here

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kavoxm-wav-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Writes `bytes` bytes of data (in pieces of 100) to a new file and reads the file back.
    std::vector<uint8_t> Render(SampleFormat format, int32_t channels, uint64_t bytes,
                                uint64_t maxDataBytes) {
        const std::string path = (dir / "out.wav").string();
        PcmSink sink(Limit);
        std::string error;
        EXPECT_TRUE(
            sink.Open(path, 8000, channels, format, SinkOptions{true, false, maxDataBytes}, error))
            << error;
        const std::vector<uint8_t> piece(100, 0x55);
        for (uint64_t done = 0; done < bytes; done += piece.size())
            EXPECT_TRUE(sink.Write(piece.data(), size_t(std::min<uint64_t>(100, bytes - done))));
        EXPECT_TRUE(sink.Finish(error)) << error;
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(WavLimit, DataPastTheLimitMakesAnRf64File) {
    for (const SampleFormat format : {SampleFormat::S16, SampleFormat::F32}) {
        const uint32_t frameBytes = uint32_t(BytesPerSample(format)) * 2;
        const uint64_t data = 1200;
        const auto wav = Render(format, 2, data, 5000);
        ASSERT_GT(wav.size(), data);
        EXPECT_EQ(Id(wav, 0), "RF64");
        EXPECT_EQ(Le(wav, 4, 4), 0xFFFFFFFFu);
        EXPECT_EQ(Id(wav, 8), "WAVE");
        EXPECT_EQ(Id(wav, 12), "ds64"); // first after WAVE, where readers look for it
        auto chunks = Chunks(wav);
        const Chunk ds64 = chunks["ds64"];
        EXPECT_EQ(ds64.size, 28u);
        EXPECT_EQ(Le(wav, ds64.at, 8), wav.size() - 8);         // RIFF size
        EXPECT_EQ(Le(wav, ds64.at + 8, 8), data);               // data size
        EXPECT_EQ(Le(wav, ds64.at + 16, 8), data / frameBytes); // frames
        EXPECT_EQ(Le(wav, ds64.at + 24, 4), 0u);                // no table
        ASSERT_EQ(chunks.count("data"), 1u);
        EXPECT_EQ(chunks["data"].size, 0xFFFFFFFFu);
        EXPECT_EQ(wav.size(), chunks["data"].at + data);
        if (format == SampleFormat::F32) {
            EXPECT_EQ(Le(wav, chunks["fact"].at, 4), 0xFFFFFFFFu);
        }
    }
}

// Room for the RF64 sizes is kept when the data may pass the limit; at the limit the file is
// still RIFF, the room a JUNK chunk that readers skip.
TEST_F(WavLimit, DataUpToTheLimitStaysRiff) {
    for (const uint64_t data : {Limit - 1, Limit}) {
        const auto wav = Render(SampleFormat::U8, 1, data, 5000);
        EXPECT_EQ(Id(wav, 0), "RIFF") << data;
        EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8) << data;
        auto chunks = Chunks(wav);
        EXPECT_EQ(chunks["JUNK"].size, 28u);
        EXPECT_EQ(chunks["data"].size, data);
        // Odd data is followed by a pad byte, which the RIFF size counts.
        EXPECT_EQ(wav.size(), chunks["data"].at + data + data % 2);
    }
    // Without the chance of passing the limit, the header is the plain 44 bytes.
    const auto plain = Render(SampleFormat::S16, 2, 400, Limit);
    EXPECT_EQ(plain.size(), 44u + 400);
    EXPECT_EQ(Chunks(plain).count("JUNK"), 0u);
}

// Data past the limit without room for the RF64 sizes is refused, and nothing stays behind.
TEST_F(WavLimit, DataPastTheLimitWithoutRoomIsRefused) {
    {
        PcmSink sink(Limit);
        std::string error;
        ASSERT_TRUE(sink.Open((dir / "out.wav").string(), 8000, 1, SampleFormat::U8,
                              SinkOptions{false, false, Limit}, error));
        const std::vector<uint8_t> data(Limit + 1, 0);
        EXPECT_TRUE(sink.Write(data.data(), size_t(Limit)));
        errno = 0;
        EXPECT_FALSE(sink.Write(data.data(), 1));
        EXPECT_EQ(errno, EFBIG);
    }
    EXPECT_TRUE(fs::is_empty(dir));
}

} // namespace
