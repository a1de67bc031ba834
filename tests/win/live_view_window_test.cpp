#include <windows.h>

#include <string>
#include <thread>

#include "capture/capture_interfaces.h"
#include "live_view_fixture.h"
#include "window_capture.h"

namespace {

const char kXferBusyText[] = "Not finish data transfer yet. \nPlease wait for a second and try again.";
const char kSelectImageText[] = "Please select one or more Image to transfer";

bool RequestLogHas(const CameraHooks& hooks, UINT32 operation) {
    for (const CameraRequest& request : hooks.RequestLog()) {
        if (request.set == PROPSETID_CAMERA_EXTENSION && request.id == CAMERA_EXTENSION_CONTROL &&
            request.param[2] == operation) {
            return true;
        }
    }
    return false;
}

int StillEventDisables(const CameraHooks& hooks) {
    int disables = 0;
    for (const CameraRequest& request : hooks.RequestLog()) {
        if (request.kind == kRequestSet && request.set == PROPSETID_CAMERA_EXTENSION &&
            request.id == CAMERA_EXTENSION_CONTROL && request.param[2] == kOperationStillEvent &&
            request.param[0] == 0) {
            ++disables;
        }
    }
    return disables;
}

// A top-level window of this process other than the Live View: the dialogs the window opens.
HWND WaitForOtherDialog(HWND liveView, const char* title, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND found = FindWindowA(nullptr, title);
        if (found && found != liveView && IsWindowVisible(found)) return found;
        Sleep(20);
    }
    return nullptr;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < timeoutMs) Sleep(20);
    return !IsWindow(window);
}

// The width of the format the camera streams in.
LONG StreamWidth() {
    AM_MEDIA_TYPE* format = nullptr;
    if (!streamConfig || FAILED(streamConfig->GetFormat(&format)) || !format) return 0;
    LONG width = 0;
    if (format->formattype == FORMAT_VideoInfo && format->pbFormat) {
        width = reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat)->bmiHeader.biWidth;
    }
    if (format->pbFormat) CoTaskMemFree(format->pbFormat);
    if (format->pUnk) format->pUnk->Release();
    CoTaskMemFree(format);
    return width;
}

class LiveViewWindowTest : public LiveViewTest {};

TEST_F(LiveViewWindowTest, StartsHiddenWithItsTitleCameraGraphAndStillThread) {
    Close();
    HWND window = CreateLiveView(nullptr);
    ASSERT_NE(nullptr, window);
    window_ = window;
    EXPECT_FALSE(IsWindowVisible(window)) << "the protocol decides when it shows";
    EXPECT_EQ(window, liveViewWindow);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("Orvellux", title);
    EXPECT_TRUE(graphRunning);
    EXPECT_NE(nullptr, stillThread);
    EXPECT_NE(nullptr, busySemaphore);
    EXPECT_NE(nullptr, threadDoneSemaphore);
    EXPECT_TRUE(CommandsEnabled());
    // Every thumbnail rectangle lies left of the next, inside the window's client area.
    for (int slot = 1; slot < kSlotCount; ++slot) EXPECT_LT(slotRect[slot - 1].right, slotRect[slot].right);
}

TEST_F(LiveViewWindowTest, WithoutACameraNoWindowIsLeftAndTheUserIsTold) {
    Close();
    // The data source's file under another name does not accept the camera.
    HMODULE renamed = LoadSourceCopy("lv-renamed", "Renamed.ds");
    ASSERT_NE(nullptr, renamed);
    HINSTANCE installed = moduleInstance;
    moduleInstance = renamed;
    HWND window = CreateLiveView(nullptr);
    ExpectBox("Error", "Can not find camera.\nPlease connect Quillmarch Halverin!!");
    moduleInstance = installed;
    EXPECT_EQ(nullptr, window);
    EXPECT_EQ(nullptr, liveViewWindow);
    EXPECT_FALSE(cameraAvailable);
    EXPECT_EQ(nullptr, stillThread);
    EXPECT_FALSE(graphBuilt);
}

TEST_F(LiveViewWindowTest, SnapShotShowsTheStillInItsThumbnailAndThePreviewUpright) {
    ASSERT_TRUE(SnapShot());
    EXPECT_EQ(0, snapshotStore.markSlot);
    EXPECT_EQ(std::set<int>{0}, Selected());
    EXPECT_TRUE(CommandsEnabled());
    {
        SCOPED_TRACE("drawn by the still thread");
        ExpectShowsLastStill(ClientRectOf(IDC_THUMB_0), 2);
        ExpectShowsLastStill(ClientRectOf(IDC_SNAPSHOT_PREVIEW), 7);
        EXPECT_TRUE(FramedGreen(0));
    }
    // A repaint of the whole window keeps them on top of their controls.
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    {
        SCOPED_TRACE("repainted");
        ExpectShowsLastStill(ClientRectOf(IDC_THUMB_0), 2);
        ExpectShowsLastStill(ClientRectOf(IDC_SNAPSHOT_PREVIEW), 7);
    }
    ASSERT_TRUE(SnapShot());
    EXPECT_EQ(1, snapshotStore.markSlot);
    EXPECT_EQ(std::set<int>{1}, Selected());
    EXPECT_FALSE(FramedGreen(0));
    EXPECT_TRUE(FramedGreen(1));
}

TEST_F(LiveViewWindowTest, TheThirteenthSnapshotWrapsToSlotZero) {
    for (int shot = 0; shot < kSlotCount; ++shot) ASSERT_TRUE(SnapShot()) << "snapshot " << shot;
    EXPECT_FALSE(snapshotStore.stripWrapped);
    HGLOBAL first = snapshotStore.slotImage[0];
    ClickSlot(5, MK_CONTROL);
    ASSERT_TRUE(SnapShot());
    EXPECT_TRUE(snapshotStore.stripWrapped);
    EXPECT_EQ(0, snapshotStore.fillSlot);
    EXPECT_EQ(0, snapshotStore.markSlot);
    EXPECT_NE(first, snapshotStore.slotImage[0]);
    EXPECT_EQ(kSlotCount, FilledSlotCount());
    EXPECT_EQ((std::set<int>{0, 5}), Selected()) << "slot 11 gives way to slot 0; other picks stay";
}

TEST_F(LiveViewWindowTest, ClicksOnTheStripFollowThePlainControlAndShiftRules) {
    for (int shot = 0; shot < 10; ++shot) ASSERT_TRUE(SnapShot());
    ASSERT_EQ(9, snapshotStore.markSlot);
    struct Case {
        const char* name;
        int slot;  // -1: between two thumbnails
        WPARAM keys;
        std::set<int> selected;
        int mark;
    } cases[] = {
        {"plain click selects one and moves the mark", 2, 0, {2}, 2},
        {"control adds", 5, MK_CONTROL, {2, 5}, 2},
        {"control adds again", 9, MK_CONTROL, {2, 5, 9}, 2},
        {"control removes", 5, MK_CONTROL, {2, 9}, 2},
        {"control with shift still toggles", 5, MK_CONTROL | MK_SHIFT, {2, 5, 9}, 2},
        {"control on an empty slot does nothing", 11, MK_CONTROL, {2, 5, 9}, 2},
        {"shift on an empty slot does nothing", 10, MK_SHIFT, {2, 5, 9}, 2},
        {"a click beside the strip does nothing", -1, 0, {2, 5, 9}, 2},
        {"shift selects from the mark to the target", 6, MK_SHIFT, {2, 3, 4, 5, 6}, 2},
        {"shift backwards", 0, MK_SHIFT, {0, 1, 2}, 2},
        {"plain on an empty slot moves the mark only", 11, 0, {}, 11},
        {"plain click back", 7, 0, {7}, 7},
        {"shift reaches down to the target", 3, MK_SHIFT, {3, 4, 5, 6, 7}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.slot >= 0) {
            ClickSlot(c.slot, c.keys);
        } else {
            // The border pixel between slots 3 and 4 belongs to neither.
            ClickAt(POINT{slotRect[3].right, SlotCentre(3).y}, c.keys | MK_LBUTTON);
        }
        EXPECT_EQ(c.selected, Selected());
        EXPECT_EQ(c.mark, snapshotStore.markSlot);
        for (int slot = 0; slot < 10; ++slot) EXPECT_EQ(c.selected.count(slot) == 1, FramedGreen(slot)) << slot;
    }
    // A click exactly on a thumbnail's border hits nothing.
    ClickAt(POINT{slotRect[1].left, SlotCentre(1).y}, MK_LBUTTON);
    EXPECT_EQ(7, snapshotStore.markSlot);
}

TEST_F(LiveViewWindowTest, APlainClickShowsThatSnapshotInThePreview) {
    ASSERT_TRUE(SnapShot());
    std::vector<BYTE> firstStill = hooks_.LastStill();
    ASSERT_TRUE(SnapShot());
    ClickSlot(0);
    RECT preview = ClientRectOf(IDC_SNAPSHOT_PREVIEW);
    ExpectShowsLastStill(preview, 7);
    // Moving the pointer over a filled thumbnail asks for the precision-select cursor.
    SendMessageA(window_, WM_MOUSEMOVE, 0, MAKELPARAM(SlotCentre(1).x, SlotCentre(1).y));
    EXPECT_EQ(LoadCursor(nullptr, IDC_CROSS), GetCursor());
}

TEST_F(LiveViewWindowTest, TransferAnnouncesTheSelectedSlotsInOrder) {
    for (int shot = 0; shot < 10; ++shot) ASSERT_TRUE(SnapShot());
    ClickSlot(2);
    ClickSlot(9, MK_CONTROL);
    ClickSlot(5, MK_CONTROL);
    Click(IDC_TRANSFER);
    EXPECT_FALSE(transferIdle);
    EXPECT_EQ(3, pendingCount);
    EXPECT_EQ(2, pendingList[0]);
    EXPECT_EQ(5, pendingList[1]);
    EXPECT_EQ(9, pendingList[2]);
    EXPECT_NE(nullptr, preparedImage);
    EXPECT_TRUE(CommandsDisabled()) << "the batch holds the commands";

    // A snapshot asked for while the batch runs is refused, and the commands come back.
    Command(IDC_SNAPSHOT);
    ExpectBox("Capture Frame", kXferBusyText);
    EXPECT_FALSE(captureBusy);
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(9, snapshotStore.fillSlot);
}

TEST_F(LiveViewWindowTest, TransferRefusesAnEmptyCurrentSlotOrAnEmptySelection) {
    ASSERT_TRUE(SnapShot());
    ASSERT_TRUE(SnapShot());
    struct Case {
        const char* name;
        int slot;
        WPARAM keys;
    } cases[] = {
        {"the current slot is empty, others selected", 4, 0},
        {"the current slot holds an image, nothing selected", 1, MK_CONTROL},
    };
    ClickSlot(0, MK_CONTROL);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClickSlot(c.slot, c.keys);
        Click(IDC_TRANSFER);
        SeenBox box = ExpectBox("Error", kSelectImageText);
        EXPECT_EQ(window_, box.owner);
        EXPECT_TRUE(transferIdle);
        EXPECT_EQ(0, pendingCount);
        EXPECT_TRUE(CommandsEnabled());
    }
}

TEST_F(LiveViewWindowTest, WhileACaptureRunsCommandsAreIgnoredButTheSystemMenuCloses) {
    faults_.Set(kFaultNoSignal);
    Click(IDC_SNAPSHOT);
    ASSERT_TRUE(captureBusy);
    EXPECT_TRUE(CommandsDisabled());
    Command(IDC_EXIT);
    EXPECT_FALSE(PumpUntil([] { return closedOnce; }, 300)) << "Exit is ignored during a capture";
    Command(IDC_TRANSFER);
    EXPECT_TRUE(transferIdle);

    hooks_.ClearRequestLog();
    SendMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(closedOnce);
    EXPECT_EQ(nullptr, stillThread);
    EXPECT_EQ(nullptr, stopEvent);
    EXPECT_FALSE(graphBuilt);
    EXPECT_EQ(1, StillEventDisables(hooks_));
    EXPECT_TRUE(IsWindow(window_)) << "the protocol destroys the window later";
    DestroyWindow(window_);
    window_ = nullptr;
    EXPECT_EQ(1, StillEventDisables(hooks_)) << "the shutdown runs once per opening";
    EXPECT_EQ(nullptr, liveViewWindow);
}

TEST_F(LiveViewWindowTest, ExitClosesWhenIdle) {
    ASSERT_TRUE(SnapShot());
    Click(IDC_EXIT);
    ASSERT_TRUE(PumpUntil([] { return closedOnce; }, 5000));
    EXPECT_EQ(nullptr, snapshotStore.slotImage[0]) << "the shutdown releases the snapshots";
    EXPECT_EQ(nullptr, stillThread);
}

TEST_F(LiveViewWindowTest, ASecondOpeningStartsEmptyAndFillsOnFromTheLastSlot) {
    ASSERT_TRUE(SnapShot());
    ASSERT_TRUE(SnapShot());
    hooks_.ClearRequestLog();
    Close();
    EXPECT_EQ(1, StillEventDisables(hooks_)) << "destroyed without a close, the window still shuts down";
    ASSERT_TRUE(Open());
    for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(nullptr, snapshotStore.slotImage[slot]);
    EXPECT_EQ(std::set<int>{}, Selected());
    ASSERT_TRUE(SnapShot());
    EXPECT_EQ(2, snapshotStore.fillSlot);
    EXPECT_EQ(std::set<int>{2}, Selected());
    ExpectShowsLastStill(ClientRectOf(IDC_THUMB_2), 2);
}

TEST_F(LiveViewWindowTest, TheCameraButtonTakesAStill) {
    hooks_.PressButton();
    ASSERT_TRUE(PumpUntil([this] { return snapshotStore.slotImage[0] != nullptr && !captureBusy && CommandsEnabled(); }, 10000));
    EXPECT_EQ(0, snapshotStore.fillSlot);
    EXPECT_TRUE(CommandsEnabled());
    ExpectShowsLastStill(ClientRectOf(IDC_SNAPSHOT_PREVIEW), 7);
}

TEST_F(LiveViewWindowTest, CameraMessagesSwitchWidthsAndTakeStills) {
    DeletePersistedWidthValue();
    struct Case {
        const char* name;
        UINT message;
        int width;
        bool stores;
        bool readsSensorMode;
    } cases[] = {
        {"full resolution", WM_CAM_FULLRES, kFullResWidth, false, true},
        {"restore", WM_CAM_RESTORE_WIDTH, 320, false, false},
        {"snap", WM_CAM_SNAP, 320, true, false},
        {"full resolution snap", WM_CAM_FULLRES_SNAP, kFullResWidth, true, true},
        {"restore after it", WM_CAM_RESTORE_WIDTH, 320, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int filled = snapshotStore.fillSlot;
        hooks_.ClearRequestLog();
        SendMessageA(window_, c.message, 0, 0);
        ASSERT_TRUE(WaitForCapture());
        if (c.stores) {
            ASSERT_TRUE(PumpUntil([&] { return snapshotStore.fillSlot == filled + 1 && !captureBusy; }, 15000));
            const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(
                GlobalLock(snapshotStore.slotImage[snapshotStore.fillSlot]));
            EXPECT_EQ(c.width, header->biWidth);
            GlobalUnlock(snapshotStore.slotImage[snapshotStore.fillSlot]);
        } else {
            EXPECT_EQ(filled, snapshotStore.fillSlot);
        }
        EXPECT_EQ(c.width, captureWidth);
        EXPECT_TRUE(graphRunning);
        EXPECT_EQ(c.readsSensorMode, RequestLogHas(hooks_, kOperationReadRegister));
        if (c.message == WM_CAM_RESTORE_WIDTH) {
            EXPECT_EQ(320, PersistedWidthValue());
        }
    }
    // A restore asked for during a capture is ignored.
    faults_.Set(kFaultNoSignal);
    Click(IDC_SNAPSHOT);
    ASSERT_TRUE(captureBusy);
    savedCaptureWidth = 640;
    SendMessageA(window_, WM_CAM_RESTORE_WIDTH, 0, 0);
    EXPECT_EQ(320, captureWidth);
    DeletePersistedWidthValue();
}

TEST_F(LiveViewWindowTest, FormatRebuildsTheGraphOnlyWhenTheWidthChanges) {
    struct Case {
        const char* name;
        bool pickFullResolution;
        LONG width;
        bool rebuilt;
    } cases[] = {
        {"OK alone keeps the width", false, 320, false},
        {"the full-resolution choice", true, kFullResWidth, true},
    };
    fullResAvailable = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IGraphBuilder* graphBefore = filterGraph;
        std::thread script([&] {
            HWND dialog = WaitForOtherDialog(window_, "Twain Format", 10000);
            if (!dialog) return;
            if (c.pickFullResolution) SendMessageA(GetDlgItem(dialog, IDC_RES_2592), BM_CLICK, 0, 0);
            PostMessageA(GetDlgItem(dialog, IDC_FORMAT_OK), BM_CLICK, 0, 0);
            // A click lost on a dialog still coming up must fail the case, not hang it.
            if (!WaitUntilGone(dialog, 3000)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        Click(IDC_FORMAT);
        script.join();
        EXPECT_EQ(c.width, captureWidth);
        EXPECT_TRUE(graphRunning);
        EXPECT_EQ(c.width, StreamWidth());
        // A new graph may take the old one's address, so only an untouched graph is told
        // apart by it.
        if (!c.rebuilt) {
            EXPECT_EQ(graphBefore, filterGraph);
        }
    }
    DeletePersistedWidthValue();
}

TEST_F(LiveViewWindowTest, CameraPropertiesOpenTheCameraPropertyFrame) {
    bool frameSeen = false;
    std::thread script([&] {
        // The frame is the one dialog of this process besides the Live View.
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 10000) {
            HWND frame = nullptr;
            while ((frame = FindWindowExA(nullptr, frame, "#32770", nullptr)) != nullptr) {
                DWORD process = 0;
                GetWindowThreadProcessId(frame, &process);
                if (frame != window_ && process == GetCurrentProcessId() && IsWindowVisible(frame)) break;
            }
            if (frame) {
                frameSeen = true;
                // Cancel until the frame has gone: a cancel that lands before the frame
                // runs its loop would leave the command waiting for ever.
                for (int attempt = 0; attempt < 5; ++attempt) {
                    PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
                    if (WaitUntilGone(frame, 2000)) return;
                }
                return;
            }
            Sleep(20);
        }
    });
    Command(IDC_CAMERA_PROPERTIES);
    script.join();
    EXPECT_TRUE(frameSeen);
    // The command gave its turn back: the next one runs.
    ASSERT_TRUE(SnapShot());
}

TEST_F(LiveViewWindowTest, ADriverFaultReachesTheUserAndTheWindowStaysUsable) {
    faults_.Set(kFaultPixelRead);
    Click(IDC_SNAPSHOT);
    ASSERT_TRUE(WaitForCapture());
    ExpectBox("", "Fail to get image data.");
    EXPECT_TRUE(CommandsEnabled());
    faults_.Set(kFaultPixelRead, false);
    ASSERT_TRUE(SnapShot());
    ExpectShowsLastStill(ClientRectOf(IDC_SNAPSHOT_PREVIEW), 7);
}

TEST_F(LiveViewWindowTest, AStillWithACompressedHeaderIsStillDrawnFromItsRows) {
    faults_.Set(kFaultCompressedHeader);
    ASSERT_TRUE(SnapShot());
    ExpectShowsLastStill(ClientRectOf(IDC_THUMB_0), 2);
    ExpectShowsLastStill(ClientRectOf(IDC_SNAPSHOT_PREVIEW), 7);
}

TEST_F(LiveViewWindowTest, RowsThatAreNotWholeDwordsAreDrawnStraight) {
    // Five pixels make 15-byte rows; top row first, one colour per row.
    const LONG width = 5;
    const COLORREF rowColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    const LONG height = 4;
    std::vector<BYTE> record(sizeof(BITMAPINFOHEADER) + width * 3 * height);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = width * 3 * height;
    memcpy(record.data(), &header, sizeof header);
    for (LONG row = 0; row < height; ++row) {
        for (LONG x = 0; x < width; ++x) {
            BYTE* pixel = record.data() + sizeof header + (row * width + x) * 3;
            pixel[0] = GetBValue(rowColours[row]);
            pixel[1] = GetGValue(rowColours[row]);
            pixel[2] = GetRValue(rowColours[row]);
        }
    }
    DrawSnapshotPreview(record.data());
    RECT area = ClientRectOf(IDC_SNAPSHOT_PREVIEW);
    InflateRect(&area, -7, -7);
    for (LONG row = 0; row < height; ++row) {
        int y = area.top + static_cast<int>((row + 0.5) * (area.bottom - area.top) / height);
        for (double across : {0.1, 0.5, 0.9}) {
            int x = area.left + static_cast<int>(across * (area.right - area.left));
            EXPECT_EQ(rowColours[row], WindowPixel(window_, x, y)) << "row " << row << " at " << across;
        }
    }
}

TEST_F(LiveViewWindowTest, AScreenshotHoldsTheWholeWindowAsOnScreen) {
    ASSERT_TRUE(SnapShot());
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + "live_view.bmp";
    ASSERT_TRUE(SaveWindowScreenshot(window_, path.c_str()));

    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::vector<BYTE> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    ASSERT_GE(read, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER header;
    memcpy(&fileHeader, bytes.data(), sizeof fileHeader);
    memcpy(&header, bytes.data() + sizeof fileHeader, sizeof header);
    RECT bounds;
    GetWindowRect(window_, &bounds);
    EXPECT_EQ(0x4D42, fileHeader.bfType);
    EXPECT_EQ(read, fileHeader.bfSize);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(bounds.right - bounds.left, header.biWidth);
    EXPECT_EQ(bounds.bottom - bounds.top, header.biHeight) << "bottom-up rows";

    // The file shows what the window shows: the preview's centre, seen through the file.
    RECT preview = ClientRectOf(IDC_SNAPSHOT_PREVIEW);
    POINT centre = {(preview.left + preview.right) / 2, (preview.top + preview.bottom) / 4};
    COLORREF onScreen = WindowPixel(window_, centre.x, centre.y);
    ClientToScreen(window_, &centre);
    LONG x = centre.x - bounds.left;
    LONG y = centre.y - bounds.top;
    DWORD stride = (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u;
    const BYTE* pixel = bytes.data() + fileHeader.bfOffBits + (header.biHeight - 1 - y) * stride + x * 3;
    EXPECT_EQ(onScreen, RGB(pixel[2], pixel[1], pixel[0]));
    DeleteFileA(path.c_str());
}

}  // namespace
