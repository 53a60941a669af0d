// message_loop.cpp -- the process's message loop, apart from the window so a
// test can hand it a fetch that fails.
#include "host.h"

int RunMessageLoop(FetchMessageFn fetch) {
    MSG message = {};
    BOOL fetched;
    while ((fetched = fetch(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // -1 is a broken call, not the quit message: `message` then still holds
    // whatever came before, and its wParam would pass for an exit code.
    return fetched < 0 ? -1 : (int)message.wParam;
}
