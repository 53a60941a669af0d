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

// The control words the writer makes are the runs the stream defines: a
// literal of k words takes k more input words, a repeat of k takes one, and
// the plain model expands both to k words.
TEST(WordRuns, ControlWordsMakeTheRunsTheyName) {
    for (uint32_t k : {1u, 2u, 3u, 127u, 128u, 65536u, 0x80000000u}) {
        uint32_t literal = LiteralRunControl(k), repeat = RepeatRunControl(k);
        EXPECT_TRUE(IsLiteralRun(literal)) << k;
        EXPECT_FALSE(IsLiteralRun(repeat)) << k;
        EXPECT_EQ(RunWords(literal), (int64_t)k);
        EXPECT_EQ(RunWords(repeat), (int64_t)k);
        EXPECT_EQ(RunInputWords(literal), (int64_t)k);
        EXPECT_EQ(RunInputWords(repeat), 1);
    }
    Words stream = {LiteralRunControl(3), 4, 5, 6, RepeatRunControl(4), 9};
    EXPECT_EQ(PlainWordRuns(stream.data(), (int32_t)stream.size(), 64),
              (Words{4, 5, 6, 9, 9, 9, 9}));
}

// Every step a word can carry splits into a row and a column move that
// rebuild it, the column in -511..512, and the level rides along untouched.
TEST(DisplacementWords, StepsAndLevelsSurviveTheWord) {
    const int32_t limit = 1 << 23;
    for (int32_t step = -limit; step < limit; step += 997) {
        for (int32_t level : {0, 1, 17, 31}) {
            uint32_t word = MakeDisplacementWord(step, level);
            ASSERT_EQ(DisplacementStep(word), step);
            ASSERT_EQ(DisplacementLevel(word), level);
            ASSERT_EQ(word & kSpareBitsMask, 0u);
        }
        int32_t rows = StepRows(step), columns = StepColumns(step);
        ASSERT_EQ(rows * 1024 + columns, step);
        ASSERT_GE(columns, -511);
        ASSERT_LE(columns, 512);
    }
    // The words the plain frame model writes, bit for bit.
    FramePlan plan = LensPlan(24, 20, 8, 1);
    Words words = FrameWords(plan);
    int32_t column = 0, row = 0;
    for (size_t i = 0; i < words.size(); i++) {
        int32_t step = (plan.sampleRow[i] - row) * 1024 + (plan.sampleColumn[i] - column);
        ASSERT_EQ(MakeDisplacementWord(step, plan.level[i]), words[i]) << i;
        column = plan.sampleColumn[i];
        row = plan.sampleRow[i];
    }
}
