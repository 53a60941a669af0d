#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings.h"

namespace {

struct SettingsStore : ::testing::Test {
    std::string folder;
    void SetUp() override {
        folder = ::testing::TempDir() + "orb_settings_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string clear = "rm -rf '" + folder + "'";
        ASSERT_EQ(system(clear.c_str()), 0);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    std::string ValuePath() const { return folder + "/orb/" ORB_SETTINGS_VALUE_NAME; }
    void WriteRaw(const std::vector<uint8_t> &bytes) {
        StoreSettings(ORB_SETTINGS_VALUE_NAME, 0, 0, 0);  // makes the folders
        FILE *f = fopen(ValuePath().c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
};

TEST_F(SettingsStore, MissingValueReadsAsNothingAndDefaultsTo30) {
    int32_t a = -7, b = -7, c = -7;
    EXPECT_EQ(LoadSettings(ORB_SETTINGS_VALUE_NAME, &a, &b, &c), 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(LoadDimPercent(), 30);
}

TEST_F(SettingsStore, RoundTripWritesExactlyTwelveBytes) {
    StoreSettings(ORB_SETTINGS_VALUE_NAME, 72, 0, 0);
    struct stat st;
    ASSERT_EQ(stat(ValuePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 12);
    int32_t a = 0, b = 1, c = 1;
    EXPECT_EQ(LoadSettings(ORB_SETTINGS_VALUE_NAME, &a, &b, &c), 1);
    EXPECT_EQ(a, 72);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    StoreSettings(ORB_SETTINGS_VALUE_NAME, -5, 0x12345678, 3);
    EXPECT_EQ(LoadSettings(ORB_SETTINGS_VALUE_NAME, &a, nullptr, &c), 1);
    EXPECT_EQ(a, -5);
    EXPECT_EQ(c, 3);
    // Nothing is left beside the value by the atomic write.
    DIR *d = opendir((folder + "/orb").c_str());
    ASSERT_TRUE(d);
    int entries = 0;
    while (dirent *e = readdir(d)) entries += e->d_name[0] != '.';
    closedir(d);
    EXPECT_EQ(entries, 1);
}

TEST_F(SettingsStore, ShortValueFillsTheStartLongValueFails) {
    WriteRaw({55, 0, 0, 0});
    int32_t a = 0, b = 9;
    EXPECT_EQ(LoadSettings(ORB_SETTINGS_VALUE_NAME, &a, &b, nullptr), 1);
    EXPECT_EQ(a, 55);
    EXPECT_EQ(b, 0);
    WriteRaw(std::vector<uint8_t>(16, 1));
    EXPECT_EQ(LoadSettings(ORB_SETTINGS_VALUE_NAME, &a, nullptr, nullptr), 0);
    EXPECT_EQ(LoadDimPercent(), 30);
    WriteRaw({250, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(LoadDimPercent(), 250);  // not clamped
}

TEST_F(SettingsStore, RecordIsLittleEndian) {
    uint8_t record[12];
    EncodeSettingsRecord(record, 0x01020304, 0, -1);
    const uint8_t want[12] = {4, 3, 2, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(0, memcmp(record, want, 12));
}

TEST_F(SettingsStore, FallsBackToHomeAndRefusesEscapingNames) {
    unsetenv("XDG_CONFIG_HOME");
    std::string home = folder + "/home";
    const char *oldHome = getenv("HOME");
    std::string saved = oldHome ? oldHome : "";
    setenv("HOME", home.c_str(), 1);
    StoreSettings(ORB_SETTINGS_VALUE_NAME, 44, 0, 0);
    struct stat st;
    EXPECT_EQ(stat((home + "/.config/orb/" ORB_SETTINGS_VALUE_NAME).c_str(), &st), 0);
    EXPECT_EQ(LoadDimPercent(), 44);
    uint8_t record[12] = {};
    EXPECT_EQ(SettingsStoreWrite("../escape", record, 12), 0);
    EXPECT_EQ(SettingsStoreRead("../escape", record, 12), 0);
    setenv("HOME", saved.c_str(), 1);
}

}  // namespace
