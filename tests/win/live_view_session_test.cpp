// The Live View as an application meets it: the installed data source opened through the
// source manager, its window driven through its controls, its announcements taken from
// the application's own message loop.
#include <windows.h>

#include <string.h>

#include "live_view_fixture.h"
#include "protocol/twain.h"

namespace {

class LiveViewSessionTest : public WatchedTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks_.loaded());
        manager_ = LoadLibraryA("TWAINDSM.DLL");
        ASSERT_NE(nullptr, manager_);
        entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager_, "DSM_Entry")));
        ASSERT_NE(nullptr, entry_);
        application_ = CreateWindowA("STATIC", "application", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                     nullptr, nullptr);
        ASSERT_NE(nullptr, application_);
        app_.ProtocolMajor = 1;
        app_.ProtocolMinor = 9;
        app_.SupportedGroups = DG_CONTROL | DG_IMAGE;
        lstrcpynA(app_.ProductName, "Live View session test", sizeof app_.ProductName);
        ASSERT_EQ(TWRC_SUCCESS, entry_(&app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &application_));
        lstrcpynA(source_.ProductName, "Orvellux", sizeof source_.ProductName);
        ASSERT_EQ(TWRC_SUCCESS, entry_(&app_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_));
        opened_ = true;
    }

    void TearDown() override {
        if (opened_) {
            TW_USERINTERFACE ui = {FALSE, FALSE, application_};
            ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
            ToSource(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        }
        if (entry_) entry_(&app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &application_);
        if (application_) DestroyWindow(application_);
        if (manager_) FreeLibrary(manager_);
        WatchedTest::TearDown();
    }

    TW_UINT16 ToSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        return entry_(&app_, &source_, dg, dat, msg, data);
    }
    TW_UINT16 Enable(BOOL showUi) {
        TW_USERINTERFACE ui = {static_cast<TW_BOOL>(showUi), FALSE, application_};
        return ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }
    TW_UINT16 Disable() {
        TW_USERINTERFACE ui = {TRUE, FALSE, application_};
        return ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }

    // The application's loop: every message is offered to the source first. Stops at the
    // source's first announcement, or when done() holds; MSG_NULL when neither came in time.
    TW_UINT16 RunApplication(DWORD timeoutMs, bool (*done)(HWND) = nullptr, HWND liveView = nullptr) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            if (done && done(liveView)) return MSG_NULL;
            MSG message;
            if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                continue;
            }
            TW_EVENT event = {&message, MSG_NULL};
            TW_UINT16 result = ToSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
            if (event.TWMessage != MSG_NULL) return event.TWMessage;
            if (result == TWRC_NOTDSEVENT) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        return MSG_NULL;
    }

    static HWND FindLiveView() { return FindWindowA("#32770", "Orvellux"); }
    // The still thread gives the commands back one by one; Transfer comes last.
    static bool SnapShotUsable(HWND liveView) {
        return IsWindowEnabled(GetDlgItem(liveView, IDC_SNAPSHOT)) && IsWindowEnabled(GetDlgItem(liveView, IDC_TRANSFER));
    }

    // Snap Shot through its button, run until the still thread has given the commands back.
    bool SnapShot(HWND liveView) {
        SendMessageA(GetDlgItem(liveView, IDC_SNAPSHOT), BM_CLICK, 0, 0);
        if (SnapShotUsable(liveView)) return false;
        RunApplication(20000, SnapShotUsable, liveView);
        return SnapShotUsable(liveView);
    }

    // Reads the image information and takes the image by native transfer.
    void TakeNativeImage(LONG width) {
        TW_IMAGEINFO info = {};
        ASSERT_EQ(TWRC_SUCCESS, ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        EXPECT_EQ(width, info.ImageWidth);
        EXPECT_EQ(24, info.BitsPerPixel);
        TW_HANDLE image = nullptr;
        EXPECT_EQ(TWRC_XFERDONE, ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &image));
        if (image) GlobalFree(image);
    }
    TW_UINT16 EndTransfer() {
        TW_PENDINGXFERS pending = {};
        EXPECT_EQ(TWRC_SUCCESS, ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
        return pending.Count;
    }

    HMODULE manager_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    HWND application_ = nullptr;
    TW_IDENTITY app_ = {};
    TW_IDENTITY source_ = {};
    bool opened_ = false;
    CameraHooks hooks_;
};

TEST_F(LiveViewSessionTest, SnapTransferAndCloseThroughTheSystemMenu) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE));
    HWND liveView = FindLiveView();
    ASSERT_NE(nullptr, liveView);
    EXPECT_TRUE(IsWindowVisible(liveView));
    EXPECT_EQ(application_, GetWindow(liveView, GW_OWNER));

    ASSERT_TRUE(SnapShot(liveView));
    std::vector<BYTE> still = hooks_.LastStill();
    LONG width = reinterpret_cast<const BITMAPINFOHEADER*>(still.data())->biWidth;
    EXPECT_TRUE(ShowsStill(liveView, ControlRectIn(liveView, IDC_THUMB_0), 2, still));
    EXPECT_TRUE(ShowsStill(liveView, ControlRectIn(liveView, IDC_SNAPSHOT_PREVIEW), 7, still));

    // The newest snapshot is selected: Transfer announces it. The still thread ends its
    // capture just after the buttons come back, so a click in between is dropped, as a
    // user's would be; the user clicks again.
    for (DWORD start = GetTickCount(); SnapShotUsable(liveView) && GetTickCount() - start < 2000;) {
        SendMessageA(GetDlgItem(liveView, IDC_TRANSFER), BM_CLICK, 0, 0);
        if (SnapShotUsable(liveView)) RunApplication(20);
    }
    EXPECT_FALSE(SnapShotUsable(liveView));
    ASSERT_EQ(MSG_XFERREADY, RunApplication(10000));
    TakeNativeImage(width);
    EXPECT_EQ(0, EndTransfer());
    EXPECT_TRUE(SnapShotUsable(liveView)) << "the batch's end gives the commands back";

    PostMessageA(liveView, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(MSG_CLOSEDSREQ, RunApplication(10000));
    EXPECT_EQ(TWRC_SUCCESS, Disable());
    EXPECT_FALSE(IsWindowVisible(liveView));
    EXPECT_EQ(TWRC_SUCCESS, ToSource(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_));
    opened_ = false;
    EXPECT_FALSE(IsWindow(liveView));
}

TEST_F(LiveViewSessionTest, AnotherEnableOpensAFreshWindowWhoseStripFillsOn) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE));
    HWND first = FindLiveView();
    ASSERT_NE(nullptr, first);
    ASSERT_TRUE(SnapShot(first));
    EXPECT_TRUE(ShowsStill(first, ControlRectIn(first, IDC_THUMB_0), 2, hooks_.LastStill()));
    ASSERT_EQ(TWRC_SUCCESS, Disable());

    ASSERT_EQ(TWRC_SUCCESS, Enable(TRUE));
    EXPECT_FALSE(IsWindow(first)) << "the earlier window and its camera are gone";
    HWND second = FindLiveView();
    ASSERT_NE(nullptr, second);
    RunApplication(200);
    EXPECT_FALSE(ShowsStill(second, ControlRectIn(second, IDC_THUMB_0), 2, hooks_.LastStill()))
        << "the strip starts empty";
    ASSERT_TRUE(SnapShot(second));
    EXPECT_TRUE(ShowsStill(second, ControlRectIn(second, IDC_THUMB_1), 2, hooks_.LastStill()))
        << "filling goes on after the slot used last";
    EXPECT_FALSE(ShowsStill(second, ControlRectIn(second, IDC_THUMB_0), 2, hooks_.LastStill()));
}

TEST_F(LiveViewSessionTest, WithoutTheUserInterfaceOneStillIsOfferedFromTheHiddenWindow) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(FALSE));
    HWND liveView = FindLiveView();
    ASSERT_NE(nullptr, liveView);
    EXPECT_FALSE(IsWindowVisible(liveView));
    ASSERT_EQ(MSG_XFERREADY, RunApplication(10000));
    std::vector<BYTE> still = hooks_.LastStill();
    ASSERT_FALSE(still.empty()) << "the automatic cycle took a still";
    TakeNativeImage(reinterpret_cast<const BITMAPINFOHEADER*>(still.data())->biWidth);
    EXPECT_EQ(0, EndTransfer());
    EXPECT_EQ(MSG_NULL, RunApplication(300)) << "with a live picture the hidden window stays";
    EXPECT_TRUE(IsWindow(liveView));
}

}  // namespace
