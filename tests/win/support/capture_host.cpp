#include "capture_host.h"

#include "capture/capture_graph.h"
#include "capture/capture_interfaces.h"
#include "capture/still_capture.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"
#include "ui/live_view_state.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"

const char kInstalledSourcePath[] = "C:\\windows\\twain_64\\Orvellux\\Orvelline.ds";

namespace {

const char kHostClass[] = "OrvelluxCaptureHost";
int snapMessages = 0;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kSnapTimerId) {
        KillTimer(window, kSnapTimerId);
        SendMessageA(window, WM_CAM_SNAP, 0, 0);
        return 0;
    }
    if (message == WM_CAM_SNAP) {
        ++snapMessages;
        captureBusy = TriggerStill();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ResetCaptureEngine() {
    EXPECT_TRUE(StopStillThread(10000)) << "the still thread did not end";
    if (graphRunning) StopGraph();
    if (graphBuilt) TearDownGraph();
    ReleaseCaptureDevice();
    ReleaseAllSnapshots();
    snapshotStore = SnapshotStore{{}, {}, 0, -1, false};
    captureBusy = false;
    captureWidth = 320;
    savedCaptureWidth = 320;
    usePersistedWidth = true;
    fullResAvailable = false;
    previewAvailable = true;
    previewWanted = false;
    cameraIndex = -1;
}

}  // namespace

HWND CreateCaptureHostWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA(kHostClass, "Capture host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                640, 420, nullptr, nullptr, windowClass.hInstance, nullptr);
    CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 40, 330, 250, window,
                  reinterpret_cast<HMENU>(IDC_LIVE_VIDEO), windowClass.hInstance, nullptr);
    const int commands[] = {IDC_SNAPSHOT, IDC_TRANSFER, IDC_EXIT};
    int left = 370;
    for (int id : commands) {
        CreateWindowA("BUTTON", "", WS_CHILD | WS_VISIBLE, left, 320, 60, 30, window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), windowClass.hInstance,
                      nullptr);
        left += 70;
    }
    snapMessages = 0;
    return window;
}

int HostSnapMessages() { return snapMessages; }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    // One message at a time, so that nothing more is handled once done() holds.
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    return true;
}

HMODULE LoadSourceCopy(const std::string& folder, const std::string& fileName) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string directory = std::string(temp) + folder;
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string path = directory + "\\" + fileName;
    if (!CopyFileA(kInstalledSourcePath, path.c_str(), FALSE)) return nullptr;
    return LoadLibraryA(path.c_str());
}

long PersistedWidthValue() {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\QMRUsbCamera", "TWAINDisplayFormat",
                     RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return -1;
    }
    return static_cast<long>(value);
}

void DeletePersistedWidthValue() {
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "Software\\QMRUsbCamera", "TWAINDisplayFormat");
}

void CaptureTest::SetUp() {
    CoInitialize(nullptr);
    moduleInstance = LoadLibraryA(kInstalledSourcePath);
    ASSERT_NE(nullptr, moduleInstance) << "the data source is not installed in the prefix";
    window_ = CreateCaptureHostWindow();
    ASSERT_NE(nullptr, window_);
    liveViewWindow = window_;
}

void CaptureTest::TearDown() {
    ResetCaptureEngine();
    liveViewWindow = nullptr;
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    WatchedTest::TearDown();
}

bool CaptureTest::OpenCamera() { return SelectCamera(0); }

bool CaptureTest::OpenCameraWithPreview() {
    if (!SelectCamera(0)) return false;
    previewWanted = true;
    return BuildPreviewGraph() && RunGraph();
}

bool CaptureTest::StartThread() {
    stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return stopEvent && StartStillThread();
}

bool CaptureTest::SnapAndWait(DWORD timeoutMs) {
    const int commands[] = {IDC_SNAPSHOT, IDC_TRANSFER, IDC_EXIT};
    for (int id : commands) EnableWindow(GetDlgItem(window_, id), FALSE);
    captureBusy = TriggerStill();
    if (!captureBusy) return false;
    // The capture has ended once its flag is down and the commands are back.
    return PumpUntil([this] {
        return !captureBusy && IsWindowEnabled(GetDlgItem(window_, IDC_SNAPSHOT)) &&
               IsWindowEnabled(GetDlgItem(window_, IDC_TRANSFER)) &&
               IsWindowEnabled(GetDlgItem(window_, IDC_EXIT));
    }, timeoutMs);
}
