// dialog_main.cpp -- orb_dialog_driver: orb.scr's configuration dialog and its
// settings store, one case per run.
//
//   orb_dialog_driver <case> <orb.scr> <run folder>
//
// Prints one line per check that fails and "passed <case>" or "FAILED
// <case>" at the end; exits 0 when every check of the case held, 1
// otherwise, 2 on bad usage.
#include "dialog_support.h"

namespace {

// Every case, of either driver, starts and leaves without a settings key.
void ResetSettings() { DeleteKeyTree(kVendorKey); }

}  // namespace

int main(int argc, char **argv) {
    return HarnessMain(argc, argv, ResetSettings);
}
