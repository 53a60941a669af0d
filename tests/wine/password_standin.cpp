// password_standin.cpp -- a stand-in for the 95/98 family's PASSWORD.CPL.
//
// The test writes password-answer.txt beside it: "ANSWER [HOLD_MS]
// [refuse-window]". VerifyScreenSavePwd then does what the real dialog does
// to its caller: it runs a modal message loop for HOLD_MS (50 when not
// given), so the saver's own messages are dispatched inside the call, and
// answers ANSWER ("1" accept, anything else refuse). Unlike the real dialog
// it leaves the saver window enabled, so keys and clicks reach the saver
// too: the harder case for the saver's own rules. With "refuse-window" the
// saver window's creation is refused, as a system short of resources would.
//
// Each answered call is logged to password-calls.txt; password-events.txt
// gets a line as each call starts (with its nesting depth) and for a refused
// creation, each with the screen-saver-running state the system holds for
// this process at that moment.
#include "standin_log.h"

namespace {

struct Standin {
    HMODULE self;
    HHOOK creationHook;
    int depth;  // calls in progress
};
Standin gStandin;

struct Instructions {
    int answer;
    unsigned long holdMs;
    int refuseWindow;
};

Instructions ReadInstructions() {
    Instructions instructions = {0, 50, 0};
    char path[MAX_PATH], text[128] = "", word[32] = "";
    StandinPath(gStandin.self, "password-answer.txt", path, sizeof path);
    if (FILE *f = std::fopen(path, "rb")) {
        text[std::fread(text, 1, sizeof text - 1, f)] = '\0';
        std::fclose(f);
    }
    int fields = std::sscanf(text, "%d %lu %31s", &instructions.answer, &instructions.holdMs, word);
    instructions.answer = fields >= 1 && instructions.answer == 1;
    instructions.refuseWindow = fields == 3 && std::strcmp(word, "refuse-window") == 0;
    return instructions;
}

UINT SystemSaverRunning() {
    UINT running = 2;  // neither answer: the system would not say
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running;
}

void LogEvent(const char *what) {
    char line[96];
    std::snprintf(line, sizeof line, "%s running=%u\n", what, SystemSaverRunning());
    StandinAppend(gStandin.self, "password-events.txt", line);
}

LRESULT CALLBACK RefuseSaverWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const char *name = ((CBT_CREATEWNDA *)lParam)->lpcs->lpszClass;
        if (HIWORD((ULONG_PTR)name) && lstrcmpiA(name, "WindowsScreenSaverClass") == 0) {
            LogEvent("creation refused");
            return 1;
        }
    }
    return CallNextHookEx(gStandin.creationHook, code, wParam, lParam);
}

// What a modal dialog's loop does while it waits for the user; a quit
// message is handed back to the caller's loop, as a dialog does.
void RunModalLoop(DWORD holdMs) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage((int)message.wParam);
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < holdMs);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gStandin.self = self;
        // The saver loads the verifier on the thread that then creates its
        // window, before it does.
        if (ReadInstructions().refuseWindow)
            gStandin.creationHook =
                SetWindowsHookExA(WH_CBT, RefuseSaverWindow, nullptr, GetCurrentThreadId());
    } else if (reason == DLL_PROCESS_DETACH && gStandin.creationHook) {
        UnhookWindowsHookEx(gStandin.creationHook);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    Instructions instructions = ReadInstructions();
    char line[96];
    std::snprintf(line, sizeof line, "asked depth=%d", ++gStandin.depth);
    LogEvent(line);
    RunModalLoop(instructions.holdMs);
    --gStandin.depth;
    std::snprintf(line, sizeof line, "window=%lu answer=%d\n", (unsigned long)(ULONG_PTR)window,
                  instructions.answer);
    StandinAppend(gStandin.self, "password-calls.txt", line);
    return instructions.answer;
}
