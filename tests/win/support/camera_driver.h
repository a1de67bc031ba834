// Test access to the simulated camera driver registered in the prefix: its devices, its
// fault switches, its hooks (request log, button, last still) and a running capture graph.
#ifndef ORVELLUX_CAMERA_DRIVER_H
#define ORVELLUX_CAMERA_DRIVER_H

#include <dshow.h>

#include <string>
#include <vector>

#include "camera/camera_hooks.h"

// Friendly names of the system's video input devices, in enumeration order.
std::vector<std::wstring> VideoInputDeviceNames();
// Binds the video input device with this friendly name; null when there is none.
IBaseFilter* OpenVideoInputDevice(const wchar_t* friendlyName);

// Turns fault switches on for its lifetime; all switches are off again afterwards.
class CameraFaults {
public:
    CameraFaults() { ClearAll(); }
    ~CameraFaults() { ClearAll(); }
    CameraFaults(const CameraFaults&) = delete;
    CameraFaults& operator=(const CameraFaults&) = delete;

    void Set(const char* name, bool on = true);
    void SetStillFolder(const std::string& folder);
    static void ClearAll();
};

// The exports of the driver DLL loaded in this process (the registered copy).
class CameraHooks {
public:
    CameraHooks();
    ~CameraHooks();
    CameraHooks(const CameraHooks&) = delete;
    CameraHooks& operator=(const CameraHooks&) = delete;

    bool loaded() const { return module_ != nullptr; }
    std::vector<CameraRequest> RequestLog() const;
    void ClearRequestLog() const;
    void PressButton() const;
    // Header and bottom-up rows as the driver serves them; empty before the first still.
    std::vector<BYTE> LastStill() const;
    CameraStreamStatistics StreamStatistics() const;

private:
    HMODULE module_;
    CameraGetRequestLogProc getRequestLog_ = nullptr;
    CameraClearRequestLogProc clearRequestLog_ = nullptr;
    CameraPressButtonProc pressButton_ = nullptr;
    CameraGetLastStillProc getLastStill_ = nullptr;
    CameraGetStreamStatisticsProc getStreamStatistics_ = nullptr;
};

// Presses the camera's button through its named event (works across processes).
bool PressCameraButtonEvent();

// A running preview graph as the data source builds it: the first-generation capture
// graph builder renders the device's capture pin, with a sample grabber (whose samples
// this graph copies) in front of the video renderer.
class CaptureGraph {
public:
    CaptureGraph() = default;
    ~CaptureGraph();
    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // Builds the graph around the device; width 0 keeps the device's current format.
    HRESULT Build(IBaseFilter* device, LONG width, LONG height = 0);
    HRESULT Run();
    HRESULT Stop();
    // Waits (bounded) until at least count frames arrived at the grabber.
    bool WaitForFrames(unsigned count, DWORD timeoutMs);
    unsigned FrameCount() const;
    // Stream times of the last frame; false when it carried none.
    bool LastSampleTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) const;
    // The last frame the grabber saw (bottom-up RGB24 rows) and its size.
    std::vector<BYTE> LastFrame(LONG* width, LONG* height) const;
    IVideoWindow* videoWindow() const { return videoWindow_; }
    IGraphBuilder* graph() const { return graph_; }

private:
    class Grabber;

    ICaptureGraphBuilder* builder_ = nullptr;
    IGraphBuilder* graph_ = nullptr;
    IBaseFilter* grabberFilter_ = nullptr;
    IVideoWindow* videoWindow_ = nullptr;
    Grabber* grabber_ = nullptr;
};

// Waits (bounded) for the handle while dispatching this thread's window messages.
bool WaitWithMessages(HANDLE handle, DWORD timeoutMs);

// Colour of an RGB24 bottom-up picture at picture coordinates (x, y from the top).
COLORREF PixelAt(const std::vector<BYTE>& rows, size_t offset, LONG width, LONG height, LONG x,
                 LONG y);

// Writes a window's client area to a 24-bit BMP file through GDI; true on success.
bool SaveWindowBitmap(HWND window, const std::string& path);

#endif
