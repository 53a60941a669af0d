// fault_guard.cpp -- the guard around everything a mode runs.
//
// MinGW's g++ has no __try/__except, so the guard is the process's top-level
// exception filter, installed for the life of the body. It sees exactly the
// faults that no handler inside the body took, which is what a structured
// guard around the body would see. The system keeps the decision: the filter
// asks UnhandledExceptionFilter (with itself taken out of the way first, since
// that function calls the top-level filter) and only when the system says
// "handle it" does the guard end the saver, clearing the 95/98 running state
// first so the system does not stay locked in screen-saver mode.
#include "host.h"

namespace {

struct FaultGuard {
    LPTOP_LEVEL_EXCEPTION_FILTER previous;
};

FaultGuard gFaultGuard;

LONG WINAPI FaultGuardFilter(EXCEPTION_POINTERS *info) {
    SetUnhandledExceptionFilter(gFaultGuard.previous);
    LONG decision = UnhandledExceptionFilter(info);
    if (decision != EXCEPTION_EXECUTE_HANDLER) return decision;
    SetSaverRunning(0);
    // The same end as SaverMain returning kFaultExitCode: SaverStartup would
    // end the process with it at once.
    ExitProcess((UINT)kFaultExitCode);
}

}  // namespace

int RunUnderFaultGuard(int (*body)(void *context), void *context) {
    gFaultGuard.previous = SetUnhandledExceptionFilter(FaultGuardFilter);
    int result = body(context);
    SetUnhandledExceptionFilter(gFaultGuard.previous);
    return result;
}
