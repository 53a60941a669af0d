// driver_main.cpp -- orb_wine_driver: end-to-end checks of orb.scr, one case
// per run.
//
//   orb_wine_driver <case> <orb.scr> <run folder>
//   orb_wine_driver showcase <orb.scr> <run folder> <picture.bmp> <seconds>
//
// The run folder holds the copy of orb.scr, with a planted SHCORE.DLL beside
// it that must never load; the stand-in PASSWORD.CPL and MPR.DLL sit in the
// system folder and read their answer and write their log in the run folder
// (ORB_STANDIN_DIR). It also receives a screenshot <case>.bmp. Exit code 0 when the case passed; every failed
// check prints one line.
#include <cstdlib>

#include "saver_cases.h"

namespace {

// Not a test: scripts/run-wine.sh shows the saver over a sample desktop
// picture (a .bmp) for a while, keeps a screenshot and ends it with a key.
struct Showcase {
    HBITMAP picture;
};
Showcase gShowcase;

LRESULT CALLBACK ShowcaseProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, gShowcase.picture);
        BITMAP info;
        GetObjectA(gShowcase.picture, sizeof info, &info);
        RECT client;
        GetClientRect(window, &client);
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunShowcase(const char *bitmapPath, int seconds) {
    gShowcase.picture = (HBITMAP)LoadImageA(nullptr, bitmapPath, IMAGE_BITMAP, 0, 0,
                                            LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!gShowcase.picture) {
        Fail("cannot load %s", bitmapPath);
        return 1;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ShowcaseProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrbShowcase";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, "OrbShowcase", "Orb sample desktop", WS_POPUP | WS_VISIBLE, 0, 0,
                    ScreenWidth(), ScreenHeight(), nullptr, nullptr, GetModuleHandleA(nullptr),
                    nullptr);
    Pump(500);
    Saver saver = StartSaver(gHarness.scr, "/s", nullptr);
    Pump((DWORD)seconds * 1000);
    Shot shot;
    if (ReadScreen(0, 0, ScreenWidth(), ScreenHeight(), &shot)) SaveShot(shot, "");
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
    return gHarness.failures ? 1 : 0;
}


// Every case starts from the same registry: no stored setting, no password,
// the Windows version Wine reports by default.
void ResetRegistry() {
    DeleteValue(kSettingsKey, kSettingsValue);
    DeleteValue(kDesktopKey, "ScreenSaveUsePassword");
    DeleteValue(kAppDefaultsKey, "Version");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 4) {
        gHarness.caseName = argv[1];
        gHarness.scr = argv[2];
        gHarness.runDir = argv[3];
        SetEnvironmentVariableA("ORB_STANDIN_DIR", argv[3]);  // the saver inherits it
        if (gHarness.caseName == "fault-child") return RunFaultChild();
        if (gHarness.caseName == "running-state") return RunRunningStateChild();
        if (gHarness.caseName == "showcase" && argc == 6)
            return RunShowcase(argv[4], std::atoi(argv[5]));
    }
    return HarnessMain(argc, argv, ResetRegistry);
}
