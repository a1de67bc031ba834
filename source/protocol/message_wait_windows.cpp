#include "protocol/message_wait.h"

#include "protocol/source_state.h"

void WaitDispatchingMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        DWORD woken = MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed,
                                                QS_ALLINPUT);
        if (woken == WAIT_TIMEOUT) return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The application's own loop must still see its quit request.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            if (liveViewWindow && IsDialogMessageA(liveViewWindow, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
