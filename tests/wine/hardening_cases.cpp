// hardening_cases.cpp -- what the saver must not let in or leave behind: the
// SHCORE.DLL planted beside it (the suite puts one there), a help request
// lost on its way to the preview's owner, and a part of its window left
// without its picture.
#include "picture.h"
#include "saver_cases.h"

namespace {

// What the system turns an F1 key into; its default handling asks for help.
const UINT kKeyF1 = 0x004D;

// Full screen: a part that loses its pixels must get the darkened picture
// back. Under Wine a window that goes away leaves the saver's pixels to Wine's
// own copy, which hides the fault; shrinking the saver's window and growing it
// again drops the pixels of the part for real and asks the saver to paint it,
// as a desktop without composition does for a part that a window uncovers.
void ExpectUncoveredRepainted() {
    Saver saver = StartOverPicture(30, nullptr, kBall, nullptr);
    HWND window = FindProcessWindow(saver.id, kSaverClass, true);
    const int w = ScreenWidth(), h = ScreenHeight();
    const UINT quiet = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window, nullptr, 0, 0, w / 3, h / 3, quiet);
    Pump(200);
    SetWindowPos(window, nullptr, 0, 0, w, h, quiet);
    Comparison c;
    Shot shot;
    if (!WaitForDimmed(0, 0, w, h, 30, kBall, &c, &shot, 3000)) ReportDimmed(c, 30);
    CHECK(StillRunning(saver), "resizing its window ended the saver");
    PressKeys(1);
    ExpectExit(saver, 5000, 0, "a key press");
    Stop(saver);
    DestroyWindow(gPicture.window);
}

// Preview: F1 there must reach the parent as a help request it can read.
void ExpectHelpReachesParent() {
    HWND parent = ShowPicture(120, 90, 333, 251, 1);
    Saver saver = StartSaver(gHarness.scr, "/p " + HandleText(parent), nullptr);
    HWND child = WaitForWindow(kSaverClass, "Preview", parent, 10000);
    PostMessageA(child, kKeyF1, 0, 0);
    for (int i = 0; i < 50 && !gPicture.helpFrom; ++i) Pump(20);
    CHECK(child && gPicture.helpFrom == child, "the parent got no readable help from the preview");
    DestroyWindow(parent);
    ExpectExit(saver, 5000, 0, "closing the parent");
    Stop(saver);
}

void CaseHardening() {
    const std::string marker = InRunDir("shcore-loaded.txt");
    DeleteFileA(marker.c_str());
    UnmanagedSaverWindows unmanaged;
    ExpectUncoveredRepainted();
    ExpectHelpReachesParent();
    CHECK(GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES,
          "the SHCORE.DLL beside orb.scr was loaded");
}
const CaseRegistration kHardeningCase("hardening", CaseHardening);

}  // namespace
