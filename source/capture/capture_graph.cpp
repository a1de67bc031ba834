// The graph errors are formatted by the system's own formatter, which the DirectShow
// headers would otherwise hide behind the safe-string functions.
#define STRSAFE_NO_DEPRECATE
#include "capture/capture_graph.h"

#include <stdarg.h>
#include <string.h>

#include "capture/capture_interfaces.h"
#include "capture/grabber_callback.h"
#include "dshow/media_type.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"
#include "ui/resource.h"
#include "ui/source_strings.h"

bool previewAvailable = true;
bool graphBuilt = false;
bool graphRunning = false;
bool previewWanted = false;
int cameraIndex = -1;
char cameraName[kCameraNameSize];

IBaseFilter* cameraFilter = nullptr;
IAMVideoCompression* videoCompression = nullptr;
IAMStreamConfig* streamConfig = nullptr;
ICaptureGraphBuilder* captureBuilder = nullptr;
IGraphBuilder* filterGraph = nullptr;
IBaseFilter* grabberFilter = nullptr;
IVideoWindow* videoWindow = nullptr;

namespace {

// {C1F400A0-3F08-11D3-9F0B-006008039E37}
const CLSID kSampleGrabberClsid = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// The interval asked for a width outside the table when the width is forced.
const REFERENCE_TIME kForcedDefaultInterval = 333333;
// A larger inset would leave a black border inside the frame of control 1010.
const int kPreviewInset = 3;

char graphErrorText[1024];

template <typename Interface>
void ReleaseAndClear(Interface*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

// Frame interval in 100-nanosecond units for a known width; 0 for any other.
REFERENCE_TIME IntervalForWidth(int width) {
    switch (width) {
    case 320: return 333333;
    case 640: return 666666;
    case 1280:
    case 1600:
    case 2048: return 1000000;
    case 2592: return 1333333;
    default: return 0;
    }
}

void ShowCameraMessage() {
    char text[256];
    char caption[256];
    LoadSourceString(IDS_NO_CAMERA, text, sizeof text);
    LoadSourceString(IDS_ERROR, caption, sizeof caption);
    MessageBoxA(liveViewWindow, text, caption, MB_OK | MB_ICONINFORMATION);
}

// The media type's VIDEOINFOHEADER when it is an RGB24 video format with a complete
// format block; a driver's block is not trusted to be as long as the header.
VIDEOINFOHEADER* Rgb24VideoInfo(const AM_MEDIA_TYPE* mediaType) {
    if (mediaType->subtype != MEDIASUBTYPE_RGB24 || mediaType->formattype != FORMAT_VideoInfo ||
        mediaType->cbFormat < sizeof(VIDEOINFOHEADER) || !mediaType->pbFormat) {
        return nullptr;
    }
    return reinterpret_cast<VIDEOINFOHEADER*>(mediaType->pbFormat);
}

// Walks the camera's RGB24 capabilities; apply may edit each one and returns whether to
// set it, clearing *keepGoing to end the walk. Every media type obtained is freed.
template <typename Apply>
void ForEachRgb24Capability(Apply apply) {
    int count = 0;
    int size = 0;
    if (streamConfig->GetNumberOfCapabilities(&count, &size) != S_OK) return;
    // The driver fills a whole VIDEO_STREAM_CONFIG_CAPS whatever size it reports.
    SIZE_T capsBytes = size > static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS))
                           ? size
                           : sizeof(VIDEO_STREAM_CONFIG_CAPS);
    BYTE* caps = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, capsBytes));
    if (!caps) return;
    for (int index = 0; index < count; ++index) {
        AM_MEDIA_TYPE* mediaType = nullptr;
        HRESULT hr = streamConfig->GetStreamCaps(index, &mediaType, caps);
        if (!mediaType) continue;
        VIDEOINFOHEADER* info = hr == S_OK ? Rgb24VideoInfo(mediaType) : nullptr;
        bool keepGoing = true;
        if (info && apply(info, &keepGoing)) streamConfig->SetFormat(mediaType);
        DeleteMediaType(mediaType);
        if (!keepGoing) break;
    }
    HeapFree(GetProcessHeap(), 0, caps);
}

// First build since load: every capability of the width is applied in turn and the
// full-resolution format is noted; later builds apply the first match only.
void SelectFormatAtCaptureWidth() {
    if (usePersistedWidth) captureWidth = QueryPersistedWidth();
    bool scanAll = usePersistedWidth;
    ForEachRgb24Capability([scanAll](VIDEOINFOHEADER* info, bool* keepGoing) {
        int width = info->bmiHeader.biWidth;
        if (scanAll && width == kFullResWidth) fullResAvailable = true;
        if (width != captureWidth) return false;
        REFERENCE_TIME interval = IntervalForWidth(width);
        if (interval) info->AvgTimePerFrame = interval;
        *keepGoing = scanAll;
        return true;
    });
    usePersistedWidth = false;
}

void ForceFormatWidth(int width) {
    ForEachRgb24Capability([width](VIDEOINFOHEADER* info, bool*) {
        info->bmiHeader.biWidth = width;
        if (width == kFullResWidth) fullResAvailable = true;
        REFERENCE_TIME interval = IntervalForWidth(width);
        info->AvgTimePerFrame = interval ? interval : kForcedDefaultInterval;
        return true;
    });
}

void PlacePreview() {
    videoWindow->put_Owner(reinterpret_cast<OAHWND>(liveViewWindow));
    videoWindow->put_WindowStyle(WS_CHILD);
    RECT frame = {};
    GetWindowRect(GetDlgItem(liveViewWindow, IDC_LIVE_VIDEO), &frame);
    MapWindowPoints(nullptr, liveViewWindow, reinterpret_cast<POINT*>(&frame), 2);
    InflateRect(&frame, -kPreviewInset, -kPreviewInset);
    videoWindow->SetWindowPosition(frame.left, frame.top, frame.right - frame.left,
                                   frame.bottom - frame.top);
    videoWindow->put_Visible(OATRUE);
}

bool BuildGraph(bool forceWidth, int width) {
    if (graphBuilt) return true;
    if (graphRunning || !cameraFilter) return false;
    if (!CreateCaptureBuilder()) return ReportGraphError("Cannot instantiate graph builder");
    if (!CreateFilterGraph()) {
        ReportGraphError("Cannot instantiate filtergraph");
        TearDownGraph();
        return false;
    }
    if (captureBuilder->SetFiltergraph(filterGraph) != S_OK) {
        ReportGraphError("Cannot give graph to builder");
        TearDownGraph();
        return false;
    }
    HRESULT hr = filterGraph->AddFilter(cameraFilter, nullptr);
    if (hr != S_OK) {
        ReportGraphError("Error %x: Cannot add vidcap to filtergraph", static_cast<unsigned>(hr));
        TearDownGraph();
        return false;
    }
    if (!forceWidth) AddSampleGrabber();
    if (streamConfig) {
        if (forceWidth) {
            ForceFormatWidth(width);
        } else {
            SelectFormatAtCaptureWidth();
        }
    }
    captureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, cameraFilter, nullptr, nullptr);
    hr = captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, cameraFilter, IID_IVideoWindow,
                                       reinterpret_cast<void**>(&videoWindow));
    if (hr != S_OK || !videoWindow) {
        ReleaseAndClear(videoWindow);
        previewAvailable = false;
        graphBuilt = true;
        return true;
    }
    PlacePreview();
    graphBuilt = true;
    return true;
}

bool ReadFriendlyName(IMoniker* moniker) {
    IPropertyBag* bag = nullptr;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(&bag)))) {
        return false;
    }
    bool named = false;
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    if (bag->Read(L"FriendlyName", &name, nullptr) == S_OK && name.vt == VT_BSTR) {
        char converted[256];
        if (WideCharToMultiByte(CP_ACP, 0, name.bstrVal, -1, converted, sizeof converted, nullptr,
                                nullptr) > 0) {
            strncpy(cameraName, converted, kCameraNameSize - 1);
            cameraName[kCameraNameSize - 1] = '\0';
            named = true;
        }
    }
    VariantClear(&name);
    bag->Release();
    return named;
}

}  // namespace

bool ReportGraphError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(graphErrorText, format, arguments);
    va_end(arguments);
    MessageBoxA(liveViewWindow, graphErrorText, nullptr, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
    return false;
}

bool CreateCaptureBuilder() {
    if (captureBuilder) return true;
    CoInitialize(nullptr);
    HRESULT hr = CoCreateInstance(
        CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
        IID_ICaptureGraphBuilder, reinterpret_cast<void**>(&captureBuilder));
    if (SUCCEEDED(hr) && captureBuilder) return true;
    captureBuilder = nullptr;
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&text), 0, nullptr);
    MessageBoxA(nullptr, text ? text : "", "Error", MB_OK | MB_ICONINFORMATION);
    if (text) LocalFree(text);
    return false;
}

bool CreateFilterGraph() {
    if (filterGraph) return true;
    CoInitialize(nullptr);
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                         IID_IGraphBuilder, reinterpret_cast<void**>(&filterGraph));
    if (SUCCEEDED(hr) && filterGraph) return true;
    filterGraph = nullptr;
    return false;
}

bool AddSampleGrabber() {
    // A grabber from an earlier build of this camera opening is not reused.
    ReleaseAndClear(grabberFilter);
    CoInitialize(nullptr);
    if (FAILED(CoCreateInstance(kSampleGrabberClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&grabberFilter))) ||
        !grabberFilter) {
        grabberFilter = nullptr;
        return false;
    }
    if (filterGraph->AddFilter(grabberFilter, L"Sample Grabber") != S_OK) return false;
    ISampleGrabber* grabber = nullptr;
    if (SUCCEEDED(grabberFilter->QueryInterface(IID_ISampleGrabber,
                                                reinterpret_cast<void**>(&grabber))) &&
        grabber) {
        grabber->SetOneShot(FALSE);
        grabber->SetBufferSamples(FALSE);
        grabber->SetCallback(&grabberCallback, 0);
        AM_MEDIA_TYPE wanted = {};
        wanted.majortype = MEDIATYPE_Video;
        wanted.subtype = MEDIASUBTYPE_RGB24;
        grabber->SetMediaType(&wanted);
        grabber->Release();
    }
    return true;
}

bool FindCamera() {
    if (!CreateCaptureBuilder()) return ReportGraphError("Cannot instantiate graph builder");
    CoInitialize(nullptr);
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))) ||
        !devices) {
        return false;
    }
    IEnumMoniker* monikers = nullptr;
    HRESULT hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    devices->Release();
    if (hr != S_OK || !monikers) {
        if (monikers) monikers->Release();
        ShowCameraMessage();
        return false;
    }
    monikers->Reset();
    ReleaseAndClear(cameraFilter);
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        bool accepted = ReadFriendlyName(moniker) && IsOwnCamera(cameraName);
        if (accepted) {
            if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                             reinterpret_cast<void**>(&cameraFilter)))) {
                cameraFilter = nullptr;
            }
        }
        moniker->Release();
        if (accepted) break;
    }
    monikers->Release();
    if (!cameraFilter) {
        ShowCameraMessage();
        ReleaseCaptureDevice();
        return false;
    }
    captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, cameraFilter, IID_IAMVideoCompression,
                                  reinterpret_cast<void**>(&videoCompression));
    hr = captureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, cameraFilter, IID_IAMStreamConfig,
                                       reinterpret_cast<void**>(&streamConfig));
    if (hr != S_OK) {
        ReleaseAndClear(streamConfig);
        ReportGraphError("Error %x: Cannot find VCapture:IAMStreamConfig",
                         static_cast<unsigned>(hr));
    }
    return true;
}

void ReleaseCaptureDevice() {
    ReleaseAndClear(captureBuilder);
    ReleaseAndClear(cameraFilter);
    ReleaseAndClear(streamConfig);
    ReleaseAndClear(videoCompression);
    ReleaseAndClear(grabberFilter);
}

bool BuildPreviewGraph() { return BuildGraph(false, 0); }

bool BuildPreviewGraphAtWidth(int width) { return BuildGraph(true, width); }

bool RunGraph() {
    if (graphRunning) return true;
    if (!graphBuilt) return false;
    IMediaControl* control = nullptr;
    if (FAILED(
            filterGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control))) ||
        !control) {
        return false;
    }
    if (FAILED(control->Run())) {
        control->Stop();
        control->Release();
        return false;
    }
    control->Release();
    graphRunning = true;
    return true;
}

bool StopGraph() {
    if (!graphRunning) return false;
    IMediaControl* control = nullptr;
    HRESULT hr = filterGraph ? filterGraph->QueryInterface(IID_IMediaControl,
                                                           reinterpret_cast<void**>(&control))
                             : E_POINTER;
    if (SUCCEEDED(hr) && control) {
        hr = control->Stop();
        control->Release();
    }
    if (FAILED(hr))
        return ReportGraphError("Error %x: Cannot stop preview graph", static_cast<unsigned>(hr));
    graphRunning = false;
    return true;
}

void TearDownGraph() {
    ReleaseAndClear(captureBuilder);
    ReleaseAndClear(videoWindow);
    ReleaseAndClear(filterGraph);
    graphBuilt = false;
}

bool SelectCamera(int index) {
    if (index == cameraIndex) return true;
    cameraIndex = index;
    if (graphRunning) StopGraph();
    if (graphBuilt) TearDownGraph();
    ReleaseCaptureDevice();
    if (!FindCamera()) {
        // Nothing is open, so the next call with this index must try again.
        cameraIndex = -1;
        return false;
    }
    if (previewWanted) {
        BuildPreviewGraph();
        RunGraph();
    }
    return true;
}
