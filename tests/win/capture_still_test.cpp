#include <windows.h>

#include <string.h>

#include <vector>

#include "camera/camera_hooks.h"
#include "capture/capture_graph.h"
#include "capture/capture_interfaces.h"
#include "capture/still_capture.h"
#include "capture_host.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"
#include "ui/live_view_state.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"

namespace {

const char kNoPropertySetText[] = "pVcap does not suppory IKsPropertySet";
const char kUnusableStillText[] =
    "The camera's still image cannot be stored: its header does not describe a picture of up to "
    "2592 x 1944 pixels.";

bool IsControlRequest(const CameraRequest& request, UINT32 kind, UINT32 registerNumber,
                      UINT32 operation) {
    return request.kind == kind && request.set == PROPSETID_CAMERA_EXTENSION &&
           request.id == CAMERA_EXTENSION_CONTROL && request.flags == kind &&
           request.param[1] == registerNumber && request.param[2] == operation &&
           request.instanceLength == 40 && request.dataLength == 40;
}

bool IsImageRead(const CameraRequest& request, UINT32 length) {
    return request.kind == kRequestGet && request.set == PROPSETID_CAMERA_EXTENSION &&
           request.id == CAMERA_EXTENSION_IMAGE && request.flags == kRequestGet &&
           request.instanceLength == 40 && request.dataLength == length;
}

bool IsModeRequest(const CameraRequest& request, UINT32 kind) {
    return request.kind == kind && request.set == PROPSETID_VIDCAP_VIDEOCONTROL &&
           request.id == KSPROPERTY_VIDEOCONTROL_MODE && request.flags == kind &&
           request.param[0] == 0 && request.instanceLength == 32 && request.dataLength == 32;
}

bool IsDisableRequest(const CameraRequest& request) {
    return IsControlRequest(request, kRequestSet, 0, kOperationStillEvent) && request.param[0] == 0;
}

bool LogHasDisable(const std::vector<CameraRequest>& log) {
    for (const CameraRequest& request : log) {
        if (IsDisableRequest(request)) return true;
    }
    return false;
}

const BITMAPINFOHEADER& RecordHeader(const BYTE* record) {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(record);
}

class CaptureStillTest : public CaptureTest {
protected:
    // A preview at 320 x 240 and a running still thread whose start the driver has seen.
    void StartAtSmallWidth() {
        usePersistedWidth = false;
        captureWidth = 320;
        ASSERT_TRUE(OpenCameraWithPreview());
        hooks_.ClearRequestLog();
        ASSERT_TRUE(StartThread());
        ASSERT_TRUE(PumpUntil([this] { return hooks_.RequestLog().size() >= 3; }, 5000));
        hooks_.ClearRequestLog();
    }
    void EmptyTheSlots() {
        ReleaseAllSnapshots();
        snapshotStore = SnapshotStore{{}, {}, 0, -1, false};
    }
    bool CommandsEnabled() {
        return IsWindowEnabled(GetDlgItem(window_, IDC_SNAPSHOT)) &&
               IsWindowEnabled(GetDlgItem(window_, IDC_EXIT));
    }
};

TEST_F(CaptureStillTest, TheDriverSeesTheStillProtocolInItsExactOrder) {
    usePersistedWidth = false;
    captureWidth = 320;
    ASSERT_TRUE(OpenCameraWithPreview());
    hooks_.ClearRequestLog();
    ASSERT_TRUE(StartThread());
    ASSERT_TRUE(PumpUntil([this] { return hooks_.RequestLog().size() >= 3; }, 5000));
    std::vector<CameraRequest> start = hooks_.RequestLog();
    ASSERT_EQ(3u, start.size());
    EXPECT_TRUE(IsControlRequest(start[0], kRequestSet, 0, kOperationStillEvent));
    EXPECT_NE(0u, start[0].param[0]) << "the event handle";
    EXPECT_TRUE(IsModeRequest(start[1], kRequestGet));
    EXPECT_TRUE(IsModeRequest(start[2], kRequestSet));
    EXPECT_EQ(0x14u, start[2].param[1] & 0x14u);

    hooks_.ClearRequestLog();
    ASSERT_TRUE(SnapAndWait());
    std::vector<CameraRequest> still = hooks_.RequestLog();
    ASSERT_EQ(8u, still.size());
    for (int trigger = 0; trigger < 2; ++trigger) {
        EXPECT_TRUE(IsModeRequest(still[trigger * 2], kRequestGet));
        EXPECT_TRUE(IsModeRequest(still[trigger * 2 + 1], kRequestSet));
        EXPECT_EQ(0x28u, still[trigger * 2 + 1].param[1] & 0x28u);
    }
    EXPECT_TRUE(IsImageRead(still[4], 40));
    EXPECT_TRUE(IsControlRequest(still[5], kRequestGet, 3, kOperationPreRead));
    EXPECT_TRUE(IsImageRead(still[6], 40));
    EXPECT_TRUE(IsImageRead(still[7], 320 * 240 * 3));
    EXPECT_EQ(1, HostSnapMessages());

    // The record holds the driver's header and its rows in reverse order.
    std::vector<BYTE> served = hooks_.LastStill();
    ASSERT_EQ(40u + 320 * 240 * 3, served.size());
    EXPECT_EQ(0, snapshotStore.fillSlot);
    EXPECT_EQ(0, snapshotStore.markSlot);
    EXPECT_EQ(1, snapshotStore.slotSelected[0]);
    ASSERT_NE(nullptr, snapshotStore.slotImage[0]);
    EXPECT_EQ(served.size(), GlobalSize(snapshotStore.slotImage[0]));
    const BYTE* record = static_cast<const BYTE*>(GlobalLock(snapshotStore.slotImage[0]));
    EXPECT_EQ(0, memcmp(record, served.data(), 40));
    const size_t rowBytes = 320 * 3;
    for (int row = 0; row < 240; ++row) {
        ASSERT_EQ(0, memcmp(record + 40 + row * rowBytes,
                            served.data() + 40 + (239 - row) * rowBytes, rowBytes))
            << "row " << row;
    }
    GlobalUnlock(snapshotStore.slotImage[0]);
    EXPECT_FALSE(captureBusy);
    EXPECT_TRUE(CommandsEnabled());

    hooks_.ClearRequestLog();
    ASSERT_TRUE(StopStillThread(5000));
    std::vector<CameraRequest> stop = hooks_.RequestLog();
    ASSERT_EQ(1u, stop.size());
    EXPECT_TRUE(IsDisableRequest(stop[0]));
    EXPECT_EQ(nullptr, stillEvent);
    EXPECT_EQ(nullptr, stillThread);
}

TEST_F(CaptureStillTest, StillFaultsEndInTheirMessageAndLeaveTheStoreConsistent) {
    StartAtSmallWidth();
    struct Case {
        const char* fault;
        const char* text;  // null: no message
        int fillSlot;
        bool slotHeld;
    } cases[] = {
        {kFaultHeaderRead, "Fail to get image data.", -1, false},
        {kFaultPixelRead, "Fail to get image data.", -1, false},
        {kFaultOversizedHeader, kUnusableStillText, -1, false},
        {kFaultShortImageSize, kUnusableStillText, -1, false},
        {kFaultCompressedHeader, nullptr, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        EmptyTheSlots();
        faults_.Set(c.fault);
        ASSERT_TRUE(SnapAndWait());
        if (c.text) ExpectBox("", c.text);
        faults_.Set(c.fault, false);
        EXPECT_EQ(c.fillSlot, snapshotStore.fillSlot);
        EXPECT_EQ(c.slotHeld, snapshotStore.slotImage[0] != nullptr);
        EXPECT_FALSE(captureBusy);
        EXPECT_TRUE(CommandsEnabled());
    }
    // The compressed header was stored as what the pixels really are.
    const BYTE* record = static_cast<const BYTE*>(GlobalLock(snapshotStore.slotImage[0]));
    EXPECT_EQ(24, RecordHeader(record).biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), RecordHeader(record).biCompression);
    GlobalUnlock(snapshotStore.slotImage[0]);
}

TEST_F(CaptureStillTest, ThreadStartFaultsShowTheirMessageAndTheThreadStillEndsOnRequest) {
    usePersistedWidth = false;
    captureWidth = 320;
    ASSERT_TRUE(OpenCameraWithPreview());
    struct Case {
        const char* fault;
        const char* caption;
        const char* text;
        bool threadWaits;
    } cases[] = {
        {kFaultNoPropertySet, "query Result", kNoPropertySetText, false},
        {kFaultEventRegistration, "", "Fail to enable still image event", false},
        {kFaultModeRead, "", "Fail to get video control mode.", true},
        {kFaultModeWrite, "", "Fail to set video control mode", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        faults_.Set(c.fault);
        hooks_.ClearRequestLog();
        ASSERT_TRUE(StartThread());
        ExpectBox(c.caption, c.text);
        if (c.threadWaits) {
            EXPECT_FALSE(TriggerStill()) << "the mode cannot be changed";
        }
        DWORD start = GetTickCount();
        EXPECT_TRUE(StopStillThread(5000));
        EXPECT_LT(GetTickCount() - start, 2000u);
        EXPECT_EQ(c.threadWaits, LogHasDisable(hooks_.RequestLog()));
        EXPECT_EQ(nullptr, stillThread);
        EXPECT_EQ(nullptr, stopEvent);
        faults_.Set(c.fault, false);

        // A thread that ended early does not keep the next start from starting one.
        hooks_.ClearRequestLog();
        ASSERT_TRUE(StartThread());
        EXPECT_TRUE(PumpUntil([this] { return hooks_.RequestLog().size() >= 3; }, 5000));
        EXPECT_TRUE(StopStillThread(5000));
    }
}

TEST_F(CaptureStillTest, DriverOperationsWithoutThePropertySetFailWithTheirCaption) {
    ASSERT_TRUE(OpenCamera());
    faults_.Set(kFaultNoPropertySet);
    EXPECT_FALSE(TriggerStill());
    ExpectBox("query Result", kNoPropertySetText);
    EXPECT_EQ(-1, ReadCameraRegister(16));
    ExpectBox("Query Result", kNoPropertySetText);
    BYTE header[40];
    DWORD length = sizeof header;
    EXPECT_TRUE(FAILED(ReadStillImage(header, &length)));
    ExpectBox("Query Result", kNoPropertySetText);
    EXPECT_NE(1, DisableStillEvent());
    ExpectBox("query Result", kNoPropertySetText);
}

TEST_F(CaptureStillTest, RegisterReadsReturnTheDriversValue) {
    usePersistedWidth = false;
    captureWidth = 320;
    ASSERT_TRUE(OpenCameraWithPreview());
    hooks_.ClearRequestLog();
    EXPECT_EQ(0, ReadCameraRegister(16));
    std::vector<CameraRequest> log = hooks_.RequestLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_TRUE(IsControlRequest(log[0], kRequestGet, 16, kOperationReadRegister));
    StopGraph();
    TearDownGraph();
    ASSERT_TRUE(BuildPreviewGraphAtWidth(kFullResWidth));
    EXPECT_EQ(1, ReadCameraRegister(16));
    EXPECT_EQ(-1, ReadCameraRegister(300));
    ExpectBox("", "Fail to Register Read.");
}

TEST_F(CaptureStillTest, ASingleSignalStoresNothingUntilTheNextSignal) {
    StartAtSmallWidth();
    faults_.Set(kFaultSingleSignal);
    EXPECT_FALSE(SnapAndWait(600));
    EXPECT_EQ(1, HostSnapMessages());
    EXPECT_TRUE(captureBusy);
    EXPECT_EQ(nullptr, snapshotStore.slotImage[0]);
    hooks_.PressButton();
    EXPECT_TRUE(PumpUntil([] { return !captureBusy; }, 5000));
    EXPECT_NE(nullptr, snapshotStore.slotImage[0]);
}

TEST_F(CaptureStillTest, StoppingNeverHangs) {
    struct Case {
        const char* name;
        const char* fault;
        bool stillInProgress;
    } cases[] = {
        {"idle", nullptr, false},
        {"no signal ever comes", kFaultNoSignal, false},
        {"a still is being stored", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartAtSmallWidth();
        EmptyTheSlots();
        if (c.fault) {
            faults_.Set(c.fault);
            EXPECT_FALSE(SnapAndWait(300));
        }
        if (c.stillInProgress) {
            for (int id : {IDC_SNAPSHOT, IDC_TRANSFER, IDC_EXIT})
                EnableWindow(GetDlgItem(window_, id), FALSE);
            captureBusy = TriggerStill();
            ASSERT_TRUE(PumpUntil([] { return HostSnapMessages() == 1; }, 5000));
            // The thread stores and then enables this thread's controls, which waits for
            // this thread to take the message; nothing here takes it before the stop.
            DWORD start = GetTickCount();
            while (!snapshotStore.slotImage[0] && GetTickCount() - start < 5000) Sleep(10);
            Sleep(300);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, IDC_TRANSFER)))
                << "the still thread should be waiting on this thread";
        }
        hooks_.ClearRequestLog();
        DWORD start = GetTickCount();
        EXPECT_TRUE(StopStillThread(5000));
        EXPECT_LT(GetTickCount() - start, 2000u);
        EXPECT_TRUE(LogHasDisable(hooks_.RequestLog()));
        if (c.stillInProgress) {
            EXPECT_FALSE(captureBusy);
            EXPECT_NE(nullptr, snapshotStore.slotImage[0]);
            EXPECT_TRUE(CommandsEnabled());
        }
        if (c.fault) faults_.Set(c.fault, false);
        KillTimer(window_, kSnapTimerId);
        StopGraph();
        TearDownGraph();
        ReleaseCaptureDevice();
        cameraIndex = -1;
        captureBusy = false;
    }
}

TEST(CaptureRowReversalTest, RowsSwapEndForEndAndAnOddMiddleRowStays) {
    const SIZE_T rowBytes = 9;
    for (LONG height : {0, 1, 2, 5, 6}) {
        SCOPED_TRACE(height);
        std::vector<BYTE> rows(rowBytes * height);
        for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<BYTE>(i);
        std::vector<BYTE> original = rows;
        ASSERT_TRUE(ReverseRows(rows.data(), rowBytes, height));
        for (LONG row = 0; row < height; ++row) {
            EXPECT_EQ(0, memcmp(rows.data() + row * rowBytes,
                                original.data() + (height - 1 - row) * rowBytes, rowBytes));
        }
    }
}

TEST(CaptureRecordHeaderTest, OnlyHeadersThatFitTheRecordAreUsable) {
    struct Case {
        LONG width;
        LONG height;
        DWORD sizeImage;
        bool usable;
    } cases[] = {
        {640, 480, 640 * 480 * 3, true},      {2592, 1944, 2592 * 1944 * 3, true},
        {5, 3, 5 * 3 * 3 + 7, true},          {2592, 1945, 2592 * 1945 * 3, false},
        {640, 480, 640 * 480 * 3 - 1, false}, {0, 480, 640 * 480 * 3, false},
        {640, 0, 640 * 480 * 3, false},       {640, -480, 640 * 480 * 3, false},
        {-640, 480, 640 * 480 * 3, false},    {0x7fffffff, 0x7fffffff, 0xffffffff, false},
        {4000, 3000, 4000 * 3000 * 3, false},
    };
    for (const Case& c : cases) {
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = c.width;
        header.biHeight = c.height;
        header.biSizeImage = c.sizeImage;
        EXPECT_EQ(c.usable, SnapshotHeaderUsable(header))
            << c.width << " x " << c.height << ", " << c.sizeImage;
    }
}

}  // namespace
