// password_standin.cpp -- a stand-in for the 95/98 family's PASSWORD.CPL. Its
// VerifyScreenSavePwd answers what the test wrote to password-answer.txt
// beside it ("1" accept, anything else refuse), after 50 ms as a user would
// take a moment, and logs each call to password-calls.txt.
#include "standin_log.h"

static HMODULE gSelf;

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gSelf = self;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    char path[MAX_PATH];
    StandinPath(gSelf, "password-answer.txt", path, sizeof path);
    int answer = 0;
    if (FILE *f = std::fopen(path, "rb")) {
        answer = std::fgetc(f) == '1';
        std::fclose(f);
    }
    Sleep(50);
    char line[96];
    std::snprintf(line, sizeof line, "window=%lu answer=%d\n", (unsigned long)(ULONG_PTR)window,
                  answer);
    StandinAppend(gSelf, "password-calls.txt", line);
    return answer;
}
