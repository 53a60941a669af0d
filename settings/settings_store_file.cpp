// The settings store where there is no registry: one small file per value
// under $XDG_CONFIG_HOME/orb (else ~/.config/orb), holding the value's bytes.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings.h"

static std::string ConfigFolder(void) {
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/orb";
    const char *home = getenv("HOME");
    if (!home || !home[0]) return std::string();
    return std::string(home) + "/.config/orb";
}

// A value name becomes a file name; names that could leave the folder are
// refused.
std::string SettingsFilePath(const char *valueName) {
    if (!valueName || !valueName[0] || valueName[0] == '.' || strchr(valueName, '/'))
        return std::string();
    std::string folder = ConfigFolder();
    return folder.empty() ? folder : folder + "/" + valueName;
}

int SettingsStoreRead(const char *valueName, uint8_t *record, uint32_t capacity) {
    std::string path = SettingsFilePath(valueName);
    if (path.empty()) return 0;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st;
    int ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= (off_t)capacity;
    if (ok) {
        ssize_t n = read(fd, record, (size_t)st.st_size);
        ok = n == (ssize_t)st.st_size;
        if (!ok) memset(record, 0, capacity);
    }
    close(fd);
    return ok;
}

static int MakeFolders(const std::string &folder) {
    // Each prefix ending before a '/', then the folder itself.
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return 0;
        if (slash == std::string::npos) return 1;
    }
}

static int WriteAll(int fd, const uint8_t *bytes, uint32_t size) {
    while (size) {
        ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        bytes += n;
        size -= (uint32_t)n;
    }
    return 1;
}

int SettingsStoreWrite(const char *valueName, const uint8_t *record, uint32_t size) {
    std::string path = SettingsFilePath(valueName);
    if (path.empty() || !MakeFolders(ConfigFolder())) return 0;
    // Written beside the value and renamed over it, so a crash leaves either
    // the old value or the new one, never a torn one.
    std::string temporary = path + ".tmp." + std::to_string((long)getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    int ok = WriteAll(fd, record, size) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}
