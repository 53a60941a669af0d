// The settings record as the file store hands it over: any length, any
// bytes, under a private $XDG_CONFIG_HOME. A value of up to 12 bytes reads
// as the record it starts; a longer one fails and reads as zeros; a stored
// record reads back as written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "settings.h"

namespace {

std::string gFolder;  // $XDG_CONFIG_HOME/orb
std::string gHome;

void RemoveFolder(void) {
    if (gFolder.empty()) return;
    std::string command = "rm -rf '" + gHome + "'";
    if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", gHome.c_str());
}

void WriteValue(const uint8_t *data, size_t size) {
    std::string path = gFolder + "/" ORB_SETTINGS_VALUE_NAME;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The store syncs every write to disk: on a memory file system that is
    // free, elsewhere it holds the target to a few hundred runs a second.
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    pattern += "/orb-fuzz-settings-XXXXXX";
    if (!mkdtemp(&pattern[0])) abort();
    gHome = pattern;
    gFolder = gHome + "/orb";
    if (mkdir(gFolder.c_str(), 0700) != 0) abort();
    setenv("XDG_CONFIG_HOME", gHome.c_str(), 1);
    atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 4096) return 0;
    WriteValue(data, size);
    uint8_t padded[kSettingsRecordBytes] = {};
    if (size <= kSettingsRecordBytes) memcpy(padded, data, size);
    int32_t want[3], got[3] = {-1, -1, -1};
    DecodeSettingsRecord(padded, &want[0], &want[1], &want[2]);
    int ok = LoadSettings(ORB_SETTINGS_VALUE_NAME, &got[0], &got[1], &got[2]);
    if (ok != (size <= kSettingsRecordBytes)) abort();
    if (memcmp(want, got, sizeof want) != 0) abort();
    int32_t percent = LoadDimPercent();
    if (percent != (ok ? want[0] : kDefaultDimPercent)) abort();

    // Written and read back, through the record and through the store.
    uint8_t record[kSettingsRecordBytes];
    EncodeSettingsRecord(record, want[0], want[1], want[2]);
    if (memcmp(record, padded, sizeof record) != 0) abort();
    StoreSettings(ORB_SETTINGS_VALUE_NAME, want[2], want[0], want[1]);
    if (!LoadSettings(ORB_SETTINGS_VALUE_NAME, &got[0], nullptr, &got[2])) abort();
    if (got[0] != want[2] || got[2] != want[1]) abort();

    // The input as a value name: read only, and never outside the folder.
    std::string name((const char *)data, size);
    name.resize(strlen(name.c_str()));
    int32_t first = 0;
    int named = LoadSettings(name.c_str(), &first, nullptr, nullptr);
    if (named && (name.empty() || name[0] == '.' || name.find('/') != std::string::npos)) abort();
    return 0;
}
