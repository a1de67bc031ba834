#include "ui/live_view.h"

#include <windowsx.h>
#include <ocidl.h>
#include <olectl.h>

#include "capture/capture_graph.h"
#include "capture/capture_interfaces.h"
#include "capture/still_capture.h"
#include "protocol/identity.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"
#include "ui/format_dialog.h"
#include "ui/live_view_drawing.h"
#include "ui/live_view_lifecycle.h"
#include "ui/live_view_state.h"
#include "ui/live_view_strip.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"
#include "ui/source_strings.h"

namespace {

const int kCommandControls[] = {IDC_SNAPSHOT, IDC_EXIT, IDC_TRANSFER, IDC_CAMERA_PROPERTIES};
const int kStringSize = 256;
const int kPropertyFramePosition = 30;

// Set by WM_INITDIALOG: the dialog is created whatever its start-up found.
bool startUpSucceeded = false;

void SetCommandControls(BOOL enabled) {
    for (int command : kCommandControls) EnableWindow(GetDlgItem(liveViewWindow, command), enabled);
}

void ShowSourceBox(int textId, int captionId) {
    char text[kStringSize];
    char caption[kStringSize];
    LoadSourceString(textId, text, sizeof text);
    LoadSourceString(captionId, caption, sizeof caption);
    MessageBoxA(liveViewWindow, text, caption, MB_OK);
}

// Only this window's thread takes the semaphore, so a command that finds it taken has
// re-entered through a nested message loop of the command that holds it: waiting would
// never end, and the nested command is dropped instead.
bool TakeBusySemaphore() { return !busySemaphore || WaitForSingleObject(busySemaphore, 0) == WAIT_OBJECT_0; }

void ReleaseBusySemaphore() {
    if (busySemaphore) ReleaseSemaphore(busySemaphore, 1, nullptr);
}

void SetHourglass() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

void SnapShot() {
    if (captureBusy) return;
    SetHourglass();
    if (transferIdle) {
        SetCommandControls(FALSE);
        if (TriggerStill()) {
            captureBusy = true;
        } else {
            SetCommandControls(TRUE);
            captureBusy = false;
        }
    } else {
        SetCommandControls(TRUE);
        ShowSourceBox(IDS_XFER_BUSY, IDS_CAPTURE_FRAME);
    }
}

void Transfer() {
    bool currentHeld;
    {
        std::lock_guard<std::mutex> hold(slotImageLock);
        int mark = snapshotStore.markSlot;
        currentHeld = mark >= 0 && mark < kSlotCount && snapshotStore.slotImage[mark];
    }
    if (!currentHeld) {
        ShowSourceBox(IDS_SELECT_IMAGE, IDS_ERROR);
        transferIdle = true;
        EnableCommandControls();
        return;
    }
    ShowPressedLook(IDB_TRANSFER_DOWN, IDB_TRANSFER_UP, IDC_TRANSFER_FACE);
    SetCommandControls(FALSE);
    BeginTransferBatch();
}

void ShowCameraProperties() {
    ISpecifyPropertyPages* pages = nullptr;
    if (!cameraFilter ||
        FAILED(cameraFilter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages))) ||
        !pages) {
        return;
    }
    CAUUID pageList = {};
    if (SUCCEEDED(pages->GetPages(&pageList))) {
        IUnknown* object = cameraFilter;
        OleCreatePropertyFrame(liveViewWindow, kPropertyFramePosition, kPropertyFramePosition, nullptr, 1, &object,
                               pageList.cElems, pageList.pElems, 0, 0, nullptr);
        CoTaskMemFree(pageList.pElems);
    }
    pages->Release();
}

void RebuildAt(int width) {
    if (graphRunning) StopGraph();
    if (graphBuilt) TearDownGraph();
    if (!graphRunning) {
        BuildPreviewGraphAtWidth(width);
        RunGraph();
    }
}

void ChooseFormat() {
    int previousWidth = captureWidth;
    DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_FORMAT), liveViewWindow, FormatDialogProc, 0);
    if (captureWidth == previousWidth) return;
    if (graphRunning) StopGraph();
    if (graphBuilt) TearDownGraph();
    if (!graphRunning) {
        BuildPreviewGraph();
        RunGraph();
    }
}

// A still is asked for only while no batch is pending.
void TriggerUnlessTransferring() {
    SetHourglass();
    if (transferIdle) {
        captureBusy = TriggerStill();
    } else {
        ShowSourceBox(IDS_XFER_BUSY, IDS_CAPTURE_FRAME);
    }
}

// The trigger the full-resolution message ends with.
void SnapTail() {
    if (!captureBusy) TriggerUnlessTransferring();
    ReleaseBusySemaphore();
}

void OnCameraMessage(UINT message) {
    switch (message) {
    case WM_CAM_RESTORE_WIDTH:
        if (captureBusy) return;
        captureWidth = savedCaptureWidth;
        PersistCaptureWidth(320);
        RebuildAt(captureWidth);
        return;
    case WM_CAM_FULLRES_SNAP:
        savedCaptureWidth = captureWidth;
        captureWidth = kFullResWidth;
        if (graphRunning) StopGraph();
        ReadCameraRegister(16);
        if (graphBuilt) TearDownGraph();
        if (!graphRunning) {
            BuildPreviewGraphAtWidth(kFullResWidth);
            RunGraph();
        }
        SnapTail();
        return;
    case WM_CAM_FULLRES:
        savedCaptureWidth = captureWidth;
        captureWidth = kFullResWidth;
        RebuildAt(kFullResWidth);
        ReadCameraRegister(16);
        return;
    case WM_CAM_SNAP:
        // The second trigger of a pair arrives while the first still counts as busy.
        TriggerUnlessTransferring();
        ReleaseBusySemaphore();
        return;
    }
}

}  // namespace

HWND CreateLiveView(HWND owner) {
    startUpSucceeded = false;
    HWND window = CreateDialogParamA(moduleInstance, MAKEINTRESOURCEA(IDD_LIVE_VIEW), owner, LiveViewProc, 0);
    if (window && !startUpSucceeded) {
        // A window without its camera has nothing to show and would only linger hidden.
        DestroyWindow(window);
        window = nullptr;
    }
    liveViewWindow = window;
    return window;
}

void EnableCommandControls() {
    if (liveViewWindow) SetCommandControls(TRUE);
}

void OnLiveViewCommand(int command) {
    if (captureBusy) return;
    switch (command) {
    case IDC_EXIT:
        if (!TakeBusySemaphore()) return;
        ShowPressedLook(IDB_EXIT_DOWN, IDB_EXIT_UP, IDC_EXIT_FACE);
        ReleaseBusySemaphore();
        PostMessageA(liveViewWindow, WM_CLOSE, 0, 0);
        return;
    case IDC_SNAPSHOT:
        if (!TakeBusySemaphore()) return;
        SnapShot();
        ReleaseBusySemaphore();
        return;
    case IDC_TRANSFER:
        if (!TakeBusySemaphore()) return;
        Transfer();
        ReleaseBusySemaphore();
        return;
    case IDC_CAMERA_PROPERTIES:
        if (!TakeBusySemaphore()) return;
        ShowCameraProperties();
        ReleaseBusySemaphore();
        return;
    case IDC_FORMAT:
        ChooseFormat();
        return;
    }
}

INT_PTR CALLBACK LiveViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        startUpSucceeded = StartLiveView(window);
        return startUpSucceeded;
    case WM_PAINT:
        PaintLiveView(window);
        return TRUE;
    case WM_MOUSEMOVE:
        OnStripMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        OnStripClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
        return TRUE;
    case WM_COMMAND:
        OnLiveViewCommand(LOWORD(wParam));
        return TRUE;
    case WM_CAM_RESTORE_WIDTH:
    case WM_CAM_FULLRES_SNAP:
    case WM_CAM_FULLRES:
    case WM_CAM_SNAP:
        OnCameraMessage(message);
        return TRUE;
    case WM_TIMER:
        if (wParam != kSnapTimerId) return FALSE;
        KillTimer(window, kSnapTimerId);
        SendMessageA(window, WM_CAM_SNAP, 0, 0);
        return TRUE;
    case WM_CLOSE:
        ShutDownLiveView();
        closedOnce = true;
        RequestClose();
        return TRUE;
    case WM_DESTROY:
        if (!closedOnce) ShutDownLiveView();
        return TRUE;
    case WM_NCDESTROY:
        // Destroyed with its owner as well as by the source: the handle must not outlive it.
        if (liveViewWindow == window) liveViewWindow = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}
