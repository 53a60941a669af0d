#include <gtest/gtest.h>

#include "container.h"
#include "test_support.h"

static Words Expand(const Words &input, int32_t capacity = 64) {
    Words out((size_t)capacity + 4, 0xDEADBEEF);
    int32_t n = DecodeWordRuns(out.data(), capacity, input.data(), (int32_t)input.size());
    for (size_t i = (size_t)capacity; i < out.size(); i++) EXPECT_EQ(out[i], 0xDEADBEEF);
    out.resize((size_t)n);
    return out;
}

TEST(WordRuns, LiteralAndRepeatRuns) {
    EXPECT_EQ(Expand({0x80000002, 10, 11, 12}), (Words{10, 11, 12}));
    EXPECT_EQ(Expand({0x00000004, 7}), Words(5, 7));
    EXPECT_EQ(Expand({0x00000000, 7}), Words(1, 7));
    EXPECT_EQ(Expand({0x80000000, 9}), Words(1, 9));
    EXPECT_EQ(Expand({0x80000001, 1, 2, 0x00000002, 3}), (Words{1, 2, 3, 3, 3}));
    EXPECT_TRUE(Expand({}).empty());
}

TEST(WordRuns, RunsClaimingTooMuchAreCutNotOverrun) {
    // A literal run claiming more words than the input holds copies what is there.
    EXPECT_EQ(Expand({0x80000005, 1, 2}), (Words{1, 2}));
    // A repeat run without its value writes nothing.
    EXPECT_TRUE(Expand({0x00000003}).empty());
    // Output is bounded by its capacity, whatever the runs say.
    EXPECT_EQ(Expand({0x7FFFFFFF, 5}, 8), Words(8, 5));
    EXPECT_EQ(Expand({0xFFFFFFFF, 1, 2, 3}, 2), (Words{1, 2}));
}

TEST(WordRuns, RoundTripThroughTheRunWriter) {
    Words frame = FrameWords(LensPlan(40, 30, 12, 3));
    Words runs = RunsFromWords(frame, 40);
    Words out(frame.size());
    EXPECT_EQ(DecodeWordRuns(out.data(), (int32_t)out.size(), runs.data(), (int32_t)runs.size()),
              (int32_t)frame.size());
    EXPECT_EQ(out, frame);
}
