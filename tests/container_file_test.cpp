// The container file beside the saver is input from anywhere: files that are
// empty, too large or not files at all leave the built-in container in play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    // One file per test: ctest runs the tests side by side.
    std::string path = ::testing::TempDir() + "orb_container_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".lib";

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

// The one reader gives back exactly the file's bytes, whatever their size up
// to the limit, and says why when it gives nothing.
TEST_F(ContainerFileTest, TheReaderReturnsTheFileOrAReason) {
    char why[256];
    uint32_t size = 7;
    for (off_t length : {(off_t)0, (off_t)file.size(), (off_t)kMaxContainerFileBytes}) {
        WriteFile(length);
        uint8_t *block = LoadContainerFile(path.c_str(), &size, why, sizeof why);
        ASSERT_TRUE(block) << length;
        ASSERT_EQ(size, (uint32_t)length);
        size_t same = std::min((size_t)length, file.size());
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + (long)same, block)) << length;
        EXPECT_TRUE(std::all_of(block + same, block + length, [](uint8_t b) { return b == 0; }));
        EXPECT_STREQ(why, "");
        free(block);
    }
    WriteFile((off_t)kMaxContainerFileBytes + 1);
    EXPECT_FALSE(LoadContainerFile(path.c_str(), &size, why, sizeof why));
    EXPECT_EQ(size, 0u);
    EXPECT_NE(strstr(why, "too large"), nullptr) << why;
    remove(path.c_str());
    EXPECT_FALSE(LoadContainerFile(path.c_str(), &size, why, sizeof why));
    EXPECT_NE(strstr(why, "cannot open"), nullptr) << why;
    EXPECT_NE(strstr(why, path.c_str()), nullptr) << why;
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    EXPECT_FALSE(LoadContainerFile(path.c_str(), &size, nullptr, 0));
}

// A container the program read and checked itself (orb -lib) plays before
// any file; the engine leaves its memory alone.
TEST_F(ContainerFileTest, ACheckedContainerPlaysBeforeAnyFile) {
    WriteFile((off_t)file.size());
    Bytes checked = BuildContainer(12, 10, 1, {FrameWords(LensPlan(12, 10, 4, 2))});
    gEngineOptions.checkedContainer = checked.data();
    gEngineOptions.checkedContainerSize = (uint32_t)checked.size();
    EngineSetup(nullptr);
    EXPECT_FALSE(gEngine.inert);
    EXPECT_EQ(gEngine.containerData, checked.data());
    EXPECT_EQ(gEngine.containerFromFile, 0);
    EXPECT_EQ(gEngine.spriteWidth, 12);
    EngineTeardown(nullptr);
    EXPECT_EQ(checked, BuildContainer(12, 10, 1, {FrameWords(LensPlan(12, 10, 4, 2))}));
}

}  // namespace
