#include "JobMessages.h"

bool pumpJobMessages(DWORD pauseMilliseconds, bool stopAtCancel) {
    bool cancelled = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        Sleep(pauseMilliseconds);
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message == WM_JOB_CANCEL) {
            cancelled = true;
            if (stopAtCancel) break;
        }
    }
    return cancelled;
}
