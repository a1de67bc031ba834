#include <windows.h>

#include "watched_test.h"

class BoxWatcherTest : public WatchedTest {};

TEST_F(BoxWatcherTest, ReadsAndAnswersARealMessageBox) {
    int answer = MessageBoxA(nullptr, "Line one.\nLine two.", "Caption here", MB_OK);
    EXPECT_EQ(IDOK, answer);
    SeenBox box = ExpectBox("Caption here", "Line one.\nLine two.");
    EXPECT_EQ(nullptr, box.owner);
}

TEST_F(BoxWatcherTest, ReportsTheOwnerWindow) {
    HWND owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    MessageBoxA(owner, "Owned.", "", MB_OK | MB_ICONINFORMATION);
    SeenBox box = ExpectBox("", "Owned.");
    EXPECT_EQ(owner, box.owner);
    DestroyWindow(owner);
}
