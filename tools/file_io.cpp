// file_io.cpp -- see file_io.h.
#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "container.h"

int ReadContainerBytes(const std::string &path, std::vector<uint8_t> *bytes, std::string *why) {
    char reason[256] = "";
    uint32_t size = 0;
    uint8_t *block = LoadContainerFile(path.c_str(), &size, reason, sizeof reason);
    if (!block) {
        *why = reason;
        return 0;
    }
    bytes->assign(block, block + size);
    free(block);
    return 1;
}

int WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes, std::string *why) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) {
        *why = "cannot create " + path + ": " + strerror(errno);
        return 0;
    }
    size_t n = fwrite(bytes.data(), 1, bytes.size(), f);
    int flushError = fflush(f);
    int closeError = fclose(f);
    if (n != bytes.size() || flushError != 0 || closeError != 0) {
        *why = "cannot write " + path + ": " + strerror(errno);
        remove(path.c_str());
        return 0;
    }
    return 1;
}
