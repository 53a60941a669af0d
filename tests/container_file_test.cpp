// The container file beside the saver is input from anywhere: files that are
// empty, too large or not files at all leave the built-in container in play.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "engine.h"
#include "edge_offscreen.h"
#include "test_support.h"

namespace {

struct ContainerFileTest : ::testing::Test {
    std::vector<uint8_t> screen;
    Bytes builtin, file;
    std::string path = ::testing::TempDir() + "orb_hostile_container.lib";

    void SetUp() override {
        builtin = BuildContainer(16, 16, 1, {FrameWords(LensPlan(16, 16, 5, 0))});
        file = BuildContainer(8, 8, 3, {FrameWords(LensPlan(8, 8, 3, 0))});
        StartScreen(screen, 64, 48, builtin);
        gEngineOptions.dimOverride = 30;
        gEngineOptions.containerFileName = path.c_str();
    }
    void TearDown() override {
        EngineTeardown(nullptr);
        OffscreenReset();
        remove(path.c_str());
        rmdir(path.c_str());
    }
    // The valid small container followed by a hole up to `size` bytes.
    void WriteFile(off_t size) {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(file.data(), 1, file.size(), f);
        fclose(f);
        ASSERT_EQ(truncate(path.c_str(), size), 0);
    }
    void ExpectBuiltin(const char *what) {
        EngineSetup(nullptr);
        EXPECT_EQ(gEngine.containerFromFile, 0) << what;
        EXPECT_EQ(gEngine.spriteWidth, 16) << what;
        EXPECT_FALSE(gEngine.inert) << what;
        EngineTeardown(nullptr);
    }
};

TEST_F(ContainerFileTest, ATrailingHoleWithinTheLimitStillPlays) {
    WriteFile((off_t)file.size() + 4096);
    EngineSetup(nullptr);
    EXPECT_EQ(gEngine.containerFromFile, 1);
    EXPECT_EQ(gEngine.spriteWidth, 8);
}

TEST_F(ContainerFileTest, FilesPastTheLimitAreNotRead) {
    WriteFile((off_t)kMaxContainerFileBytes + 1);
    ExpectBuiltin("64 MiB + 1");
    WriteFile((off_t)300 << 20);
    ExpectBuiltin("300 MiB");
    WriteFile(((off_t)4 << 30) + 4096);  // a 32-bit length would read 4096
    ExpectBuiltin("4 GiB + 4096");
}

TEST_F(ContainerFileTest, EmptyFilesAndFoldersAreNotContainers) {
    WriteFile(0);
    ExpectBuiltin("empty");
    remove(path.c_str());
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    ExpectBuiltin("a folder");
}

}  // namespace
