// hardening_cases.cpp -- what must not get into or past the saver: the
// SHCORE.DLL that the suite plants beside it, a help request from the preview
// that its parent cannot read, a part of its window left without its picture.
#include "picture.h"
#include "saver_cases.h"

namespace {

const UINT kKeyF1 = 0x004D;  // what F1 becomes; its default handling asks for help
const UINT kQuietResize = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;

// Under Wine a window that goes away leaves the saver's pixels to Wine's own
// copy and no paint comes; shrinking the saver's window and growing it back
// drops them for real, as uncovering does on a desktop without composition.
void CaseHardening() {
    const std::string marker = InRunDir("shcore-loaded.txt");
    DeleteFileA(marker.c_str());
    UnmanagedSaverWindows unmanaged;
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    HWND window = FindProcessWindow(saver.id, kSaverClass, true);
    SetWindowPos(window, nullptr, 0, 0, ScreenWidth() / 3, ScreenHeight() / 3, kQuietResize);
    Pump(200);
    SetWindowPos(window, nullptr, 0, 0, ScreenWidth(), ScreenHeight(), kQuietResize);
    Comparison c;
    Shot shot;
    if (!WaitForDimmed(0, 0, ScreenWidth(), ScreenHeight(), 30, kBall, &c, &shot, 3000))
        ReportDimmed(c, 30);
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);

    HWND parent = ShowPicture(120, 90, 333, 251, 1);
    saver = StartSaver(gHarness.scr, "/p " + HandleText(parent), nullptr);
    HWND child = WaitForWindow(kSaverClass, "Preview", parent, 10000);
    PostMessageA(child, kKeyF1, 0, 0);
    for (int i = 0; i < 50 && !gPicture.helpFrom; ++i) Pump(20);
    CHECK(child && gPicture.helpFrom == child, "the parent got no readable help from the preview");
    DestroyWindow(parent);
    ExpectExit(saver, 5000, 0, "closing the parent");
    Stop(saver);
    CHECK(GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES,
          "the SHCORE.DLL beside orb.scr was loaded");
}
const CaseRegistration kHardeningCase("hardening", CaseHardening);

}  // namespace
