// standin_log.h -- what the stand-in system DLLs share: the folder where the
// test leaves their answer and reads their log. The saver loads system DLLs
// from the system folder only, so that is where the suite puts the stand-ins;
// the driver names the case's run folder in ORB_STANDIN_DIR, which the saver
// inherits. Without it, the folder they were loaded from.
#ifndef ORB_TESTS_WINE_STANDIN_LOG_H
#define ORB_TESTS_WINE_STANDIN_LOG_H

#include <windows.h>

#include <cstdio>
#include <cstring>

inline void StandinPath(HMODULE self, const char *name, char *path, size_t capacity) {
    DWORD n = GetEnvironmentVariableA("ORB_STANDIN_DIR", path, (DWORD)capacity - 1);
    if (n == 0 || n >= capacity - 1)
        n = GetModuleFileNameA(self, path, (DWORD)capacity);
    else
        path[n++] = '\\';
    while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/') --n;
    path[n] = '\0';
    std::strncat(path, name, capacity - n - 1);
}

inline void StandinAppend(HMODULE self, const char *name, const char *line) {
    char path[MAX_PATH];
    StandinPath(self, name, path, sizeof path);
    FILE *f = std::fopen(path, "ab");
    if (!f) return;
    std::fputs(line, f);
    std::fclose(f);
}

#endif
