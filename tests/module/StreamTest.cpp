#include "KavoXM/module/Stream.h"

#include <gtest/gtest.h>
#include <vector>

TEST(Stream, GrowsInWholeStepsAndZeroFills) {
    TKavoXMStream s;
    const uint8_t one = 7;
    EXPECT_EQ(s.Write(&one, 1), 1);
    EXPECT_EQ(s.GetSize(), 1);
    EXPECT_EQ(s.Capacity, 65536);
    EXPECT_EQ(s.GetPosition(), 1);
    std::vector<uint8_t> block(65535, 1);
    s.Write(block.data(), int32_t(block.size()));
    EXPECT_EQ(s.Capacity, 65536);
    s.Write(&one, 1);
    EXPECT_EQ(s.Capacity, 131072);
    EXPECT_EQ(s.Memory[65537], 0); // bytes added by growth read as zero
}

TEST(Stream, SeekPastTheEndExtendsWithZeros) {
    TKavoXMStream s;
    EXPECT_EQ(s.Seek(10), 10);
    EXPECT_EQ(s.GetSize(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(s.Memory[i], 0);
    EXPECT_EQ(s.Seek(-5), 0);

    // Bytes the block held beyond the old size are zeroed too.
    TKavoXMStream t;
    const uint8_t data[4] = {1, 2, 3, 4};
    t.Write(data, 4);
    t.SetSize(1);
    t.Seek(4);
    EXPECT_EQ(t.Memory[1], 0);
    EXPECT_EQ(t.Memory[3], 0);
}

TEST(Stream, ReadsStopAtTheEnd) {
    TKavoXMStream s;
    std::vector<uint8_t> data(100, 5);
    s.Write(data.data(), 100);
    s.Seek(70);
    uint8_t out[100];
    EXPECT_EQ(s.Read(out, 100), 30);
    EXPECT_EQ(s.Read(out, 100), 0);
    EXPECT_EQ(s.Read(out, -1), 0);
}

TEST(Stream, ReadAtRules) {
    TKavoXMStream s;
    std::vector<uint8_t> data(8, 9);
    s.Write(data.data(), 8);
    uint8_t out[4];
    EXPECT_EQ(s.ReadAt(-1, out, 4), 0);
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(s.ReadAt(s.GetSize() + 4, out, 4), 0);
    EXPECT_EQ(s.GetSize(), 12);
    EXPECT_EQ(s.ReadAt(2, out, 4), 4);
    EXPECT_EQ(out[0], 9);
}

TEST(Stream, SetSizeAndClear) {
    TKavoXMStream s;
    std::vector<uint8_t> data(100, 1);
    s.Write(data.data(), 100);
    s.Seek(50);
    s.SetSize(3);
    EXPECT_EQ(s.GetPosition(), 3);
    EXPECT_EQ(s.Capacity, 65536);
    s.SetSize(0);
    EXPECT_EQ(s.Memory, nullptr);
    EXPECT_EQ(s.Capacity, 0);
    s.Write(data.data(), 10);
    s.Clear();
    uint8_t out[1];
    EXPECT_EQ(s.GetSize(), 0);
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(s.Read(out, 1), 0);
}
