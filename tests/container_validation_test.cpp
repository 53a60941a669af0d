#include <gtest/gtest.h>

#include <string>

#include "container.h"
#include "test_support.h"

namespace {

Bytes ValidContainer(int32_t frames = 3) {
    std::vector<Words> f;
    for (int32_t i = 0; i < frames; i++) f.push_back(FrameWords(LensPlan(24, 20, 6 + i, i)));
    return BuildContainer(24, 20, 1, f);
}

std::string Why(const Bytes &c) {
    char why[200];
    ContainerFacts facts;
    EXPECT_EQ(ValidateContainer(c.data(), (uint32_t)c.size(), &facts, why, sizeof why), 0);
    return why;
}

void PutLe32(Bytes &c, size_t at, uint32_t v) {
    for (int b = 0; b < 4; b++) c[at + b] = (uint8_t)(v >> (8 * b));
}

// The first frame record of ValidContainer starts right after the header.
const size_t kFirstRecord = 292;

TEST(ContainerValidation, AcceptsAWellFormedContainerAndReportsItsFacts) {
    Bytes c = ValidContainer();
    ContainerFacts facts;
    char why[200];
    ASSERT_EQ(ValidateContainer(c.data(), (uint32_t)c.size(), &facts, why, sizeof why), 1) << why;
    EXPECT_EQ(facts.width, 24);
    EXPECT_EQ(facts.height, 20);
    EXPECT_EQ(facts.frameCount, 3);
    EXPECT_EQ(facts.endOffset, c.size());
    uint64_t pixels = 0;
    for (uint64_t n : facts.levelHistogram) pixels += n;
    EXPECT_EQ(pixels, 3u * 24 * 20);
    EXPECT_EQ(facts.frames[0].firstWord & 0xFFu, facts.frames[0].firstWord & 0x1Fu);
    EXPECT_EQ(facts.frames[1].runsCrossingRows, 0);
    EXPECT_GT(facts.maxColumnOffset, 0);
}

TEST(ContainerValidation, RejectsEachKindOfMalformedContainer) {
    Bytes c = ValidContainer();
    EXPECT_NE(Why(Bytes(c.begin(), c.begin() + 291)).find("header"), std::string::npos);

    Bytes wide = c;
    PutLe32(wide, 40, 1025);
    EXPECT_NE(Why(wide).find("frame size"), std::string::npos);
    Bytes flat = c;
    PutLe32(flat, 44, 0);
    EXPECT_NE(Why(flat).find("frame size"), std::string::npos);

    Bytes none = c;
    none[49] = 0;
    EXPECT_NE(Why(none).find("frame count"), std::string::npos);
    none[49] = 0x80;
    EXPECT_NE(Why(none).find("frame count"), std::string::npos);

    Bytes far = c;
    PutLe32(far, 36, (uint32_t)c.size() - 4);
    EXPECT_NE(Why(far).find("outside"), std::string::npos);

    Bytes longRecord = c;
    PutLe32(longRecord, kFirstRecord, 0xFFFFFFF0u);
    EXPECT_NE(Why(longRecord).find("runs past"), std::string::npos);

    Bytes greedy = c;
    uint32_t packed = ReadLe32(&c[kFirstRecord]);
    PutLe32(greedy, kFirstRecord + 4 + packed, packed + 1);
    EXPECT_NE(Why(greedy).find("input length"), std::string::npos);
}

TEST(ContainerValidation, RejectsStreamsThatDoNotFitTheFrame) {
    auto withFrameStream = [](const Words &runs) {
        Bytes c = ValidContainer(1);
        Bytes packed = StoreAsLiterals(WordsToBytes(runs));
        c.resize(kFirstRecord);
        c.resize(kFirstRecord + 8 + packed.size());
        PutLe32(c, kFirstRecord, (uint32_t)packed.size());
        std::copy(packed.begin(), packed.end(), c.begin() + kFirstRecord + 4);
        PutLe32(c, kFirstRecord + 4 + packed.size(), (uint32_t)packed.size());
        return c;
    };
    Words identity = FrameWords(IdentityPlan(24, 20));
    Words runs = RunsFromWords(identity, 24);
    ASSERT_EQ(ValidateContainer(withFrameStream(runs).data(),
                                (uint32_t)withFrameStream(runs).size(), nullptr, nullptr, 0), 1);

    Words shortRuns(runs.begin(), runs.end() - 2);
    EXPECT_NE(Why(withFrameStream(shortRuns)).find("expand"), std::string::npos);
    Words extra = runs;
    extra.push_back(0);
    extra.push_back(0x100);
    EXPECT_NE(Why(withFrameStream(extra)).find("past"), std::string::npos);
    Words cut = runs;
    cut.pop_back();
    EXPECT_NE(Why(withFrameStream(cut)).find("remain"), std::string::npos);
    Words huge = {0x7FFFFFFF, 0x100};
    EXPECT_NE(Why(withFrameStream(huge)).find("past"), std::string::npos);

    // One pixel that samples a row above the frame.
    Words up = identity;
    up[5] = (uint32_t)(-1024 + 1) << 8;
    EXPECT_NE(Why(withFrameStream(RunsFromWords(up, 24))).find("outside the frame"),
              std::string::npos);
    Words left = identity;
    left[0] = (uint32_t)(-1) << 8;
    EXPECT_NE(Why(withFrameStream(RunsFromWords(left, 24))).find("outside the frame"),
              std::string::npos);
    // A stream decoding to more than w*h*4 bytes.
    Words longStream(24 * 20 + 8, 0x80000000u);
    EXPECT_NE(Why(withFrameStream(longStream)).find("decodes past"), std::string::npos);
}

TEST(ContainerValidation, NoTruncationOfAValidContainerIsAccepted) {
    Bytes c = ValidContainer();
    for (size_t n = 0; n < c.size(); n++) {
        Bytes cut(c.begin(), c.begin() + (long)n);
        ASSERT_EQ(ValidateContainer(cut.data(), (uint32_t)cut.size(), nullptr, nullptr, 0), 0) << n;
    }
    EXPECT_EQ(ValidateContainer(nullptr, 5000, nullptr, nullptr, 0), 0);
}

}  // namespace
