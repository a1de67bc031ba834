// Hosts the data source's capture engine in a test program: the installed source file as
// the module, a plain window in the Live View's place and a fixture that leaves the engine
// as a freshly loaded source would have it.
#ifndef ORVELLUX_CAPTURE_HOST_H
#define ORVELLUX_CAPTURE_HOST_H

#include <windows.h>

#include <functional>
#include <string>

#include "camera_driver.h"
#include "watched_test.h"

extern const char kInstalledSourcePath[];

// A window standing in for the Live View: preview frame 1010 and the command controls;
// its snap timer and WM_CAM_SNAP fire the still trigger as the Live View does.
HWND CreateCaptureHostWindow();
// WM_CAM_SNAP messages the host window handled since it was created.
int HostSnapMessages();

// Runs this thread's messages until done() holds or the time is up; true when it held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Copies the installed source to <temp>\<folder>\<fileName> and loads that copy.
HMODULE LoadSourceCopy(const std::string& folder, const std::string& fileName);

// HKLM "Software\QMRUsbCamera" "TWAINDisplayFormat"; -1 when absent.
long PersistedWidthValue();
void DeletePersistedWidthValue();

class CaptureTest : public WatchedTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the camera as the Live View's start does, without building.
    bool OpenCamera();
    // Opens the camera and builds and runs the graph at the capture width.
    bool OpenCameraWithPreview();
    // Creates stopEvent and starts the still thread.
    bool StartThread();
    // A Snap Shot: disables the commands, fires the trigger and runs messages until the
    // still thread has finished the capture; true when it did within the time.
    bool SnapAndWait(DWORD timeoutMs = 10000);

    HWND window_ = nullptr;
    CameraFaults faults_;
    CameraHooks hooks_;
};

#endif
