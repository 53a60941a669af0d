#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "container.h"
#include "container_writer.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "test_support.h"

namespace {

// Walk a run stream; every run must end within the row it starts in.
void ExpectRowBoundRuns(const Words &runs, int32_t w, int32_t h) {
    size_t i = 0;
    int64_t out = 0;
    while (i < runs.size()) {
        uint32_t c = runs[i++];
        int64_t k = (int64_t)(c & 0x7FFFFFFFu) + 1;
        EXPECT_EQ(out / w, (out + k - 1) / w) << "run at pixel " << out << " crosses a row";
        i += (c & 0x80000000u) ? (size_t)k : 1;
        out += k;
    }
    EXPECT_EQ(i, runs.size());
    EXPECT_EQ(out, (int64_t)w * h);
}

Words Expand(const Words &runs, int32_t capacity) {
    Words out((size_t)capacity + 4, 0xDEADBEEF);
    int32_t n = DecodeWordRuns(out.data(), capacity, runs.data(), (int32_t)runs.size());
    out.resize((size_t)n);
    return out;
}

TEST(ContainerWriter, WordRunsStayInTheirRowAndExpandBack) {
    const int32_t w = 37, h = 11;
    std::vector<Words> frames = {FrameWords(IdentityPlan(w, h)), FrameWords(LensPlan(w, h, 9, 3))};
    Words mixed((size_t)w * h);
    for (size_t i = 0; i < mixed.size(); i++) mixed[i] = (uint32_t)((i / 5) % 3 == 0 ? i : 7);
    frames.push_back(mixed);
    for (const Words &frame : frames) {
        Words runs = EncodeWordRuns(frame.data(), w, h);
        ExpectRowBoundRuns(runs, w, h);
        EXPECT_EQ(Expand(runs, w * h), frame);
        Words again;
        EXPECT_EQ(ExpandWordRuns(runs, (uint32_t)(w * h), &again), 1);
        EXPECT_EQ(again, frame);
    }
}

TEST(ContainerWriter, EqualWordsBecomeRepeatRuns) {
    Words row(128, 0x100);
    row[0] = 0x38100;
    Words runs = EncodeWordRuns(row.data(), 128, 1);
    // One literal for the row start, one repeat for the rest.
    EXPECT_EQ(runs, (Words{0x80000000u, 0x38100, 126, 0x100}));
    Words pairs = {1, 1, 2, 3, 3, 4};
    EXPECT_EQ(EncodeWordRuns(pairs.data(), 6, 1), (Words{1, 1, 0x80000003u, 2, 3, 3, 4}));
}

TEST(ContainerWriter, WritesAContainerTheEngineAccepts) {
    std::vector<Words> frames;
    for (int32_t i = 0; i < 5; i++) frames.push_back(FrameWords(LensPlan(48, 40, 10 + i, i)));
    Bytes out;
    std::string why;
    ASSERT_EQ(WriteContainer({48, 40, 1}, frames, &out, &why), 1) << why;

    ContainerFacts facts;
    char violation[200] = "";
    ASSERT_EQ(ValidateContainer(out.data(), (uint32_t)out.size(), &facts, violation,
                                sizeof violation), 1) << violation;
    EXPECT_EQ(memcmp(out.data(), "MERVSoft", 8), 0);
    EXPECT_EQ(memcmp(out.data() + kContainerTagOffset, "ORB", 3), 0);
    EXPECT_EQ(ReadLe32(&out[kContainerLengthOffset]), out.size());
    EXPECT_EQ(ReadLe32(&out[32]), 0u);
    EXPECT_EQ(facts.firstRecordOffset, (uint32_t)kFirstRecordOffset);
    EXPECT_EQ(facts.width, 48);
    EXPECT_EQ(facts.height, 40);
    EXPECT_EQ(facts.playMode, 1);
    EXPECT_EQ(facts.frameCount, 5);
    EXPECT_EQ(facts.endOffset, out.size());
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(facts.frames[i].packedLength, facts.frames[i].inputLength);
        EXPECT_EQ(facts.frames[i].runsCrossingRows, 0);
    }
    // Table slots 1..13 are zero; 14 and 15 hold the first record.
    for (size_t at = kContainerHeaderBytes + kAnimEntryBytes; at < (size_t)kFirstRecordOffset; at++)
        EXPECT_EQ(out[at], 0) << "offset " << at;
}

TEST(ContainerWriter, TheEnginePlaysWhatWasWritten) {
    // An identity frame shows the background unchanged; a frame that samples
    // one pixel to the left shows it shifted.
    const int32_t w = 16, h = 8;
    FramePlan shifted = IdentityPlan(w, h);
    for (int32_t i = 0; i < w * h; i++)
        if (shifted.sampleColumn[(size_t)i] > 0) shifted.sampleColumn[(size_t)i]--;
    Bytes container;
    std::string why;
    ASSERT_EQ(WriteContainer({w, h, 1}, {FrameWords(IdentityPlan(w, h)), FrameWords(shifted)},
                             &container, &why), 1) << why;
    std::vector<uint8_t> screen;
    StartScreen(screen, 64, 48, container);
    gEngineOptions.containerFileName = nullptr;
    gEngineOptions.dimOverride = 100;
    EngineSetup(nullptr);
    ASSERT_EQ(gEngine.inert, 0);
    gEngine.spriteX = 5;
    gEngine.spriteY = 7;
    for (int32_t frame = 0; frame < 2; frame++) {
        RenderFrame(frame);
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++) {
                int32_t from = frame == 1 && x > 0 ? x - 1 : x;
                for (int c = 0; c < 3; c++)
                    ASSERT_EQ(gEngine.compositeBuffer[(y * w + x) * 3 + c],
                              gEngine.background[((7 + y) * 64 + 5 + from) * 3 + c])
                        << "frame " << frame << " at " << x << "," << y;
            }
    }
    EngineTeardown(nullptr);
}

TEST(ContainerWriter, RefusesWhatNoContainerCanHold) {
    Bytes out;
    std::string why;
    Words frame(16, 0x100);
    EXPECT_EQ(WriteContainer({4, 4, 1}, {}, &out, &why), 0);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(WriteContainer({4, 4, 1}, std::vector<Words>(128, frame), &out, &why), 0);
    EXPECT_EQ(WriteContainer({4, 4, 1}, {Words(15, 0x100)}, &out, &why), 0);
    EXPECT_EQ(WriteContainer({0, 4, 1}, {frame}, &out, &why), 0);
    EXPECT_EQ(WriteContainer({4, 4, 200}, {frame}, &out, &why), 0);
    EXPECT_EQ(WriteContainer({4, 4, -3}, {frame}, &out, &why), 1) << why;
    EXPECT_EQ((int8_t)out[kContainerHeaderBytes + 12], -3);
}

// Whatever the writer accepts, the saver must accept too: the saver decodes
// a frame's runs into width*height words, so a frame of mostly unequal
// neighbours cannot be written and must be refused rather than written.
TEST(ContainerWriter, WritesOnlyWhatTheSaverAccepts) {
    uint32_t seed = 7;
    int written = 0, refused = 0;
    for (int32_t w = 1; w <= 9; w += 2) {
        for (int32_t h = 1; h <= 6; h++) {
            for (int32_t variety = 1; variety <= 32; variety *= 4) {
                FramePlan plan = IdentityPlan(w, h);
                for (int32_t &level : plan.level) {
                    seed = seed * 1103515245u + 12345u;
                    level = (int32_t)((seed >> 16) % (uint32_t)variety);
                }
                Bytes out;
                std::string why;
                int ok = WriteContainer({w, h, 1}, {FrameWords(plan)}, &out, &why);
                char violation[200] = "";
                if (ok) {
                    written++;
                    EXPECT_EQ(ValidateContainer(out.data(), (uint32_t)out.size(), nullptr,
                                                violation, sizeof violation), 1)
                        << w << " x " << h << ": " << violation;
                } else {
                    refused++;
                    EXPECT_NE(why.find("words of runs"), std::string::npos) << why;
                }
            }
        }
    }
    // Both sides of the rule were reached.
    EXPECT_GT(written, 10);
    EXPECT_GT(refused, 10);
    Bytes out;
    std::string why;
    EXPECT_EQ(WriteContainer({1, 1, 1}, {Words{0x100}}, &out, &why), 0);
}

TEST(ContainerWriter, CutKeepsTheChosenFramesAsTheyWere) {
    std::vector<Words> frames;
    for (int32_t i = 0; i < 4; i++) frames.push_back(FrameWords(LensPlan(24, 20, 4 + i, i)));
    Bytes source, cut;
    std::string why;
    ASSERT_EQ(WriteContainer({24, 20, 3}, frames, &source, &why), 1) << why;
    const std::vector<int32_t> chosen = {3, 0, 3};
    ASSERT_EQ(CutContainer(source, chosen, &cut, &why), 1) << why;

    std::vector<ContainerFacts> facts(2);
    char violation[200] = "";
    ASSERT_EQ(ValidateContainer(source.data(), (uint32_t)source.size(), &facts[0], nullptr, 0), 1);
    ASSERT_EQ(ValidateContainer(cut.data(), (uint32_t)cut.size(), &facts[1], violation,
                                sizeof violation), 1) << violation;
    const ContainerFacts &from = facts[0], &to = facts[1];
    EXPECT_EQ(to.width, 24);
    EXPECT_EQ(to.height, 20);
    EXPECT_EQ(to.playMode, 3);
    EXPECT_EQ(to.frameCount, 3);
    EXPECT_EQ(to.endOffset, cut.size());
    EXPECT_EQ(ReadLe32(&cut[kContainerLengthOffset]), cut.size());
    for (size_t k = 0; k < chosen.size(); k++) {
        const FrameFacts &a = from.frames[chosen[k]], &b = to.frames[k];
        EXPECT_EQ(a.packedLength, b.packedLength) << "frame " << k;
        EXPECT_EQ(memcmp(&source[a.recordOffset], &cut[b.recordOffset], a.packedLength + 8), 0);
        EXPECT_EQ(a.firstWord, b.firstWord);
        EXPECT_EQ(a.lastWord, b.lastWord);
        EXPECT_EQ(a.litPixels, b.litPixels);
    }

    EXPECT_EQ(CutContainer(source, {4}, &cut, &why), 0);
    EXPECT_NE(why.find("frame 4 is not in 0..3"), std::string::npos) << why;
    EXPECT_EQ(CutContainer(source, {}, &cut, &why), 0);
    Bytes broken(source.begin(), source.end() - 1);
    EXPECT_EQ(CutContainer(broken, {0}, &cut, &why), 0);
    EXPECT_NE(why.find("not a valid container"), std::string::npos) << why;
}

}  // namespace
