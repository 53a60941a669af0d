// Reading a container file: the one reader of the saver, orb and orbtool.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "container.h"

static void Explain(char *why, uint32_t whyCapacity, const char *format, ...) {
    if (!why || !whyCapacity) return;
    va_list args;
    va_start(args, format);
    vsnprintf(why, whyCapacity, format, args);
    va_end(args);
}

// The whole open file into a heap block; null when it is too large or does
// not read in full.
static uint8_t *ReadOpenFile(FILE *f, const char *name, uint32_t *size, char *why,
                             uint32_t whyCapacity) {
    // A folder opens on some systems and says so only when read.
    int first = fgetc(f);
    if (first == EOF && ferror(f)) {
        Explain(why, whyCapacity, "cannot read %s: %s", name, strerror(errno));
        return nullptr;
    }
    long length = -1;
    if (fseek(f, 0, SEEK_END) == 0) length = ftell(f);
    if (length < 0 || fseek(f, 0, SEEK_SET) != 0) {
        Explain(why, whyCapacity, "cannot read %s: %s", name, strerror(errno));
        return nullptr;
    }
    if (length > kMaxContainerFileBytes) {
        Explain(why, whyCapacity, "%s is too large to be an animation container", name);
        return nullptr;
    }
    uint8_t *block = (uint8_t *)malloc(length ? (size_t)length : 1);
    if (!block) {
        Explain(why, whyCapacity, "out of memory reading %s", name);
        return nullptr;
    }
    // Where long has 32 bits (Windows), the length of a file past 4 GiB
    // wraps and may look small: the file must also end where it said.
    if (fread(block, 1, (size_t)length, f) != (size_t)length || fgetc(f) != EOF || ferror(f)) {
        Explain(why, whyCapacity, "cannot read %s whole", name);
        free(block);
        return nullptr;
    }
    *size = (uint32_t)length;
    return block;
}

uint8_t *LoadContainerFile(const char *name, uint32_t *size, char *why, uint32_t whyCapacity) {
    *size = 0;
    if (why && whyCapacity) why[0] = 0;
    FILE *f = fopen(name, "rb");
    if (!f) {
        Explain(why, whyCapacity, "cannot open %s: %s", name, strerror(errno));
        return nullptr;
    }
    uint8_t *block = ReadOpenFile(f, name, size, why, whyCapacity);
    fclose(f);
    return block;
}
