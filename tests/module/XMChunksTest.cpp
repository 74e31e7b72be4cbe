// Extension chunks after the standard data.
#include "XMTestSupport.h"

#include "KavoXM/sequencer/Channel.h"

#include <gtest/gtest.h>

using namespace xmbuilder;
using xmtest::Load;
using xmtest::MinimalSong;
using xmtest::NewModule;

namespace {

XMChunk Chunk(const std::string& id, std::vector<uint8_t> body) {
    return XMChunk{id, std::move(body), std::nullopt};
}

std::vector<uint8_t> Name(const std::string& text, size_t size) {
    std::vector<uint8_t> out(text.begin(), text.end());
    out.resize(size, 0);
    return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::unique_ptr<TKavoXMModule> LoadWith(std::vector<XMChunk> chunks, uint16_t channels = 4,
                                        std::vector<uint8_t> trailer = {}) {
    XMSong song = MinimalSong();
    song.Channels = channels;
    song.Chunks = std::move(chunks);
    song.Trailer = std::move(trailer);
    auto module = NewModule();
    EXPECT_TRUE(Load(*module, BuildXM(song)));
    return module;
}

const XMChunk kMarker = Chunk("EQFX", {0xE0});

bool MarkerRead(const TKavoXMModule& module) {
    return module.EQFXStream->GetSize() == 1 && module.EQFXStream->Memory[0] == 0xE0;
}

} // namespace

TEST(XMChunks, TextAddsALineFeedAfterEachCarriageReturn) {
    auto module = LoadWith({Chunk("text", {'a', 13, 'b', 0, 'c'}), kMarker});
    EXPECT_EQ(module->Message, std::string("a\r\nb\0c", 6));
    EXPECT_TRUE(MarkerRead(*module));
}

TEST(XMChunks, TextLongerThanTheImageReadsWhatIsThere) {
    XMChunk text = Chunk("text", {'h', 'e', 'y'});
    text.SizeOverride = 0x7FFFFFF0;
    auto module = LoadWith({text});
    EXPECT_EQ(module->Message, "hey");
    XMChunk negative = Chunk("text", {'x'});
    negative.SizeOverride = 0x80000000; // negative as signed: nothing is appended
    module = LoadWith({negative});
    EXPECT_TRUE(module->Message.empty());
}

TEST(XMChunks, PatternNamesWithinTheirRange) {
    auto module = LoadWith({Chunk("PNAM", Name("short", 31)), kMarker});
    EXPECT_TRUE(module->Patterns[0]->Name.empty());
    EXPECT_TRUE(MarkerRead(*module)); // the skipped chunk is followed by the next

    module = LoadWith({Chunk("PNAM", Concat({Name(" intro ", 32), Name("verse", 32)}))});
    EXPECT_EQ(module->Patterns[0]->Name, "intro");
    EXPECT_EQ(module->Patterns[1]->Name, "verse");

    std::vector<uint8_t> tooMany = Name("big", 8192);
    module = LoadWith({Chunk("PNAM", tooMany), kMarker});
    EXPECT_TRUE(module->Patterns[0]->Name.empty());
    EXPECT_TRUE(MarkerRead(*module));

    module = LoadWith({Chunk("PNAM", Name("last", 8160))});
    EXPECT_EQ(module->Patterns[0]->Name, "last");
}

TEST(XMChunks, ChannelNamesOnlyForChannelsThatExist) {
    const auto body = Concat({Name("left", 20), Name("right", 20)});
    auto module = LoadWith({Chunk("CNAM", body), kMarker}, 1);
    EXPECT_TRUE(module->PatternChannels[0]->Name.empty());
    EXPECT_TRUE(MarkerRead(*module));
    module = LoadWith({Chunk("CNAM", body)}, 2);
    EXPECT_EQ(module->PatternChannels[0]->Name, "left");
    EXPECT_EQ(module->PatternChannels[1]->Name, "right");
    module = LoadWith({Chunk("CNAM", Name("x", 19)), kMarker}, 2);
    EXPECT_TRUE(module->PatternChannels[0]->Name.empty());
    EXPECT_TRUE(MarkerRead(*module));
}

TEST(XMChunks, ChannelValuesReadWholeValuesPastAShortBody) {
    // Six bytes with four channels: values for channels 0 and 1, the second taking two bytes
    // of the next chunk's header; that chunk is still read at chunk start + 14.
    auto module = LoadWith({Chunk("CHFX", {1, 0, 0, 0, 0xFF, 0xFF}), kMarker}, 4);
    EXPECT_EQ(module->PatternChannels[0]->ChannelFX, 1);
    EXPECT_EQ(module->PatternChannels[1]->ChannelFX, int32_t(0x5145FFFF)); // "EQ" follows
    EXPECT_EQ(module->PatternChannels[2]->ChannelFX, 0);
    EXPECT_TRUE(MarkerRead(*module));

    module = LoadWith({Chunk("CHFX", {0xFE, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 3, 0, 0, 0})}, 2);
    EXPECT_EQ(module->PatternChannels[0]->ChannelFX, -2);
    EXPECT_EQ(module->PatternChannels[1]->ChannelFX, 2);
    EXPECT_EQ(module->PatternChannels[2]->ChannelFX, 0);
}

TEST(XMChunks, OpaqueChunksFillTheirStreams) {
    auto module = LoadWith(
        {Chunk("FX05", {1, 2}), Chunk("MODU", {3}), Chunk("FX99", {4}), Chunk("FX05", {5, 6, 7})});
    ASSERT_EQ(module->FXStreams[5]->GetSize(), 3); // the later chunk replaces the earlier
    EXPECT_EQ(module->FXStreams[5]->Memory[0], 5);
    EXPECT_EQ(module->FXStreams[5]->GetPosition(), 0);
    EXPECT_EQ(module->FXStreams[99]->GetSize(), 1);
    EXPECT_EQ(module->MODUStream->GetSize(), 1);
    EXPECT_EQ(module->MODUStream->Memory[0], 3);
}

TEST(XMChunks, OpaqueBodyPastTheEndKeepsTheBytesThatExist) {
    XMChunk eq = Chunk("EQFX", {9, 8, 7});
    eq.SizeOverride = 1000;
    auto module = LoadWith({eq});
    EXPECT_EQ(module->EQFXStream->GetSize(), 3);
    EXPECT_EQ(module->EQFXStream->Memory[2], 7);
}

struct EndCase {
    const char* what;
    std::string id;
};

class XMChunkLoopEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(XMChunkLoopEnd, UnknownIdEndsTheChunkReading) {
    auto module = LoadWith({Chunk(GetParam().id, {1, 2, 3}), kMarker});
    EXPECT_EQ(module->EQFXStream->GetSize(), 0);
    EXPECT_TRUE(module->Loaded);
}

INSTANTIATE_TEST_SUITE_P(Ids, XMChunkLoopEnd,
                         ::testing::Values(EndCase{"fx_with_letter", "FX7a"},
                                           EndCase{"lower_case", "pnam"},
                                           EndCase{"unknown", "ABCD"},
                                           EndCase{"fx_with_blank", "FX 1"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(XMChunks, ShortReadEndsTheChunkReadingButKeepsWhatWasStored) {
    XMChunk names = Chunk("PNAM", Name("first", 32));
    names.SizeOverride = 96; // three names announced, one present
    auto module = LoadWith({names});
    EXPECT_TRUE(module->Loaded);
    EXPECT_EQ(module->Patterns[0]->Name, "first");
}

TEST(XMChunks, EmptyChunkEndingAtTheImageEndIsNotRead) {
    // An empty "text" chunk would clear the message; ending exactly at the image end it is
    // not read, with one more byte after it it is.
    auto module = LoadWith({Chunk("text", {'a'}), Chunk("text", {})});
    EXPECT_EQ(module->Message, "a");
    module = LoadWith({Chunk("text", {'a'}), Chunk("text", {})}, 4, {0});
    EXPECT_TRUE(module->Message.empty());
}

TEST(XMChunks, LargeBodySizeSkipsPastTheImage) {
    XMChunk pnam = Chunk("PNAM", Name("x", 40));
    pnam.SizeOverride = 0xFFFFFFFF; // out of range: skipped, then past the end
    auto module = LoadWith({pnam, kMarker});
    EXPECT_TRUE(module->Loaded);
    EXPECT_FALSE(MarkerRead(*module));
}
