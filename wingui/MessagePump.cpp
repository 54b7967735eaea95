#include "wingui/MessagePump.h"

namespace {

void dispatch(const MSG& message, DWORD pauseMilliseconds) {
    if (pauseMilliseconds != 0) Sleep(pauseMilliseconds);
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

bool windowExists(void* window) { return IsWindow(static_cast<HWND>(window)) != FALSE; }

}  // namespace

PumpPass pumpPendingMessages(DWORD pauseMilliseconds, UINT watched, bool stopAtWatched) {
    PumpPass pass;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            pass.quit = true;
            break;
        }
        dispatch(message, pauseMilliseconds);
        if (watched != 0 && message.message == watched) {
            pass.sawWatched = true;
            if (stopAtWatched) break;
        }
    }
    return pass;
}

bool pumpWhile(bool (*keepGoing)(void* context), void* context, DWORD pauseMilliseconds) {
    MSG message;
    while (keepGoing(context)) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (got < 0) return false;
        dispatch(message, pauseMilliseconds);
    }
    return true;
}

bool pumpUntilDestroyed(HWND window, DWORD pauseMilliseconds) {
    return pumpWhile(windowExists, window, pauseMilliseconds);
}

int runMessageLoop() {
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got < 0) return -1;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
