// The wait of the automatic acquisition cycle, under Wine: while it waits on the
// application's thread, that thread's window timers still fire, and a quit request is
// neither lost nor waited out.
#include <windows.h>

#include "protocol/message_wait.h"
#include "protocol/source_state.h"
#include "watched_test.h"

namespace {

int timerTicks;

void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

class MessageWaitTest : public WatchedTest {};

TEST_F(MessageWaitTest, TimersOfTheWaitingThreadFireDuringTheWait) {
    HWND window = CreateWindowA("STATIC", "timer owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    timerTicks = 0;
    ASSERT_NE(0u, SetTimer(window, 1, 50, CountTick));
    DWORD start = GetTickCount();
    WaitDispatchingMessages(400);
    DWORD elapsed = GetTickCount() - start;
    KillTimer(window, 1);
    DestroyWindow(window);
    EXPECT_GE(timerTicks, 2);
    EXPECT_GE(elapsed, 390u);
}

TEST_F(MessageWaitTest, QuitRequestEndsTheWaitAndStaysQueued) {
    PostQuitMessage(3);
    DWORD start = GetTickCount();
    WaitDispatchingMessages(10000);
    EXPECT_LT(GetTickCount() - start, 5000u);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, message.wParam);
}

}  // namespace
