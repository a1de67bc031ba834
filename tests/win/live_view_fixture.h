// Hosts the Live View in a test program: the data source's own objects are linked in, the
// installed source file is the module its resources come from, and the simulated camera
// is its camera. The window is driven through its controls and read back from them, from
// the store and from its pixels.
#ifndef ORVELLUX_LIVE_VIEW_FIXTURE_H
#define ORVELLUX_LIVE_VIEW_FIXTURE_H

#include <windows.h>

#include <set>
#include <vector>

#include "capture/capture_graph.h"
#include "capture/still_capture.h"
#include "capture_host.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/capture_settings.h"
#include "ui/live_view.h"
#include "ui/live_view_lifecycle.h"
#include "ui/live_view_state.h"
#include "ui/live_view_strip.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"

const int kCommandIds[] = {IDC_SNAPSHOT, IDC_EXIT, IDC_TRANSFER};

// A picture position as fractions of its width and height from the top-left corner.
struct Spot {
    double x;
    double y;
};
// Inside the test picture's uniform areas: the red top-left corner, the blue bottom-right
// corner and four of the colour bars above the black band.
const Spot kPictureSpots[] = {{0.04, 0.05}, {0.96, 0.95}, {0.19, 0.3}, {0.44, 0.3}, {0.56, 0.3}, {0.81, 0.3}};


inline COLORREF WindowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

inline RECT ControlRectIn(HWND window, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(window, id), &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Whether the picture drawn inside area (inset by inset pixels) matches the still (header
// and bottom-up rows as the camera serves it) at every spot, upright.
inline ::testing::AssertionResult ShowsStill(HWND window, RECT area, int inset, const std::vector<BYTE>& still) {
    if (still.size() < sizeof(BITMAPINFOHEADER)) return ::testing::AssertionFailure() << "no still";
    BITMAPINFOHEADER header;
    memcpy(&header, still.data(), sizeof header);
    InflateRect(&area, -inset, -inset);
    for (const Spot& spot : kPictureSpots) {
        COLORREF expected = PixelAt(still, sizeof header, header.biWidth, header.biHeight,
                                    static_cast<LONG>(spot.x * header.biWidth), static_cast<LONG>(spot.y * header.biHeight));
        int x = area.left + static_cast<int>(spot.x * (area.right - area.left));
        int y = area.top + static_cast<int>(spot.y * (area.bottom - area.top));
        COLORREF seen = WindowPixel(window, x, y);
        if (abs(GetRValue(seen) - GetRValue(expected)) >= 48 || abs(GetGValue(seen) - GetGValue(expected)) >= 48 ||
            abs(GetBValue(seen) - GetBValue(expected)) >= 48) {
            return ::testing::AssertionFailure() << "at " << spot.x << ", " << spot.y << " expected " << std::hex
                                                 << expected << " saw " << seen;
        }
    }
    return ::testing::AssertionSuccess();
}

class LiveViewTest : public WatchedTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        moduleInstance = LoadLibraryA(kInstalledSourcePath);
        ASSERT_NE(nullptr, moduleInstance) << "the data source is not installed in the prefix";
        ASSERT_TRUE(hooks_.loaded());
        ResetSource();
        ASSERT_TRUE(AllocateTransferBuffers());
        ASSERT_TRUE(Open());
    }

    void TearDown() override {
        Close();
        FreeTransferBuffers();
        ReleaseAllSnapshots();
        WatchedTest::TearDown();
    }

    // The state a freshly loaded source has, with a small capture width for speed.
    static void ResetSource() {
        snapshotStore = SnapshotStore{{}, {}, 0, -1, false};
        captureBusy = false;
        captureWidth = 320;
        savedCaptureWidth = 320;
        usePersistedWidth = false;
        fullResAvailable = false;
        previewAvailable = true;
        cameraAvailable = true;
        transferIdle = true;
        pendingCount = 0;
        lastTransferKind = kTransferFile;
    }

    bool Open() {
        window_ = CreateLiveView(nullptr);
        if (!window_) return false;
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        return true;
    }

    void Close() {
        if (window_ && IsWindow(window_)) DestroyWindow(window_);
        window_ = nullptr;
        liveViewWindow = nullptr;
    }

    void Click(int id) { SendMessageA(GetDlgItem(window_, id), BM_CLICK, 0, 0); }
    void Command(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    bool CommandsEnabled() {
        for (int id : kCommandIds) {
            if (!IsWindowEnabled(GetDlgItem(window_, id))) return false;
        }
        return true;
    }
    bool CommandsDisabled() {
        for (int id : kCommandIds) {
            if (IsWindowEnabled(GetDlgItem(window_, id))) return false;
        }
        return true;
    }

    // Runs the window's messages until the still thread has finished the capture and
    // given the commands back.
    bool WaitForCapture(DWORD timeoutMs = 10000) {
        return PumpUntil([this] { return !captureBusy && CommandsEnabled(); }, timeoutMs);
    }
    // Snap Shot through its button; true when a new image reached the next slot.
    bool SnapShot() {
        int next = snapshotStore.fillSlot + 1 == kSlotCount ? 0 : snapshotStore.fillSlot + 1;
        HGLOBAL before = snapshotStore.slotImage[next];
        Click(IDC_SNAPSHOT);
        if (!captureBusy || !WaitForCapture()) return false;
        return snapshotStore.fillSlot == next && snapshotStore.slotImage[next] != before &&
               snapshotStore.slotImage[next] != nullptr;
    }

    POINT SlotCentre(int slot) {
        const RECT& rect = slotRect[slot];
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    void ClickAt(POINT point, WPARAM keys) {
        SendMessageA(window_, WM_LBUTTONDOWN, keys, MAKELPARAM(point.x, point.y));
        SendMessageA(window_, WM_LBUTTONUP, keys & ~static_cast<WPARAM>(MK_LBUTTON), MAKELPARAM(point.x, point.y));
    }
    void ClickSlot(int slot, WPARAM keys = 0) { ClickAt(SlotCentre(slot), keys | MK_LBUTTON); }

    std::set<int> Selected() {
        std::set<int> selected;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (snapshotStore.slotSelected[slot]) selected.insert(slot);
        }
        return selected;
    }

    // The green frame runs along the top edge of a selected slot's rectangle.
    bool FramedGreen(int slot) {
        const RECT& rect = slotRect[slot];
        return WindowPixel(window_, (rect.left + rect.right) / 2, rect.top) == RGB(0, 255, 0);
    }
    RECT ClientRectOf(int id) { return ControlRectIn(window_, id); }
    void ExpectShowsLastStill(RECT area, int inset) { EXPECT_TRUE(ShowsStill(window_, area, inset, hooks_.LastStill())); }

    HWND window_ = nullptr;
    CameraFaults faults_;
    CameraHooks hooks_;
};

#endif
