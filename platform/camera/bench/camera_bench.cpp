// Measures the live picture of the simulated camera through Wine's capture graph builder,
// smart tee and video renderer: frames per second, and the streaming thread's CPU time
// per frame (all of it, including the tee's copy and the renderer's drawing in Receive,
// and the part spent drawing the test picture). Prints figures; asserts nothing.
// Run under Wine with an X display, in a prefix where OrvelluxCamera.dll is registered.
#include <dshow.h>

#include <cstdio>
#include <string>

#include "camera_hooks.h"

namespace {

struct Case {
    LONG width;
    LONG height;
    LONGLONG interval;
};

const Case cases[] = {{640, 480, 666666}, {640, 480, 333333}, {2592, 1944, 1333333}};
const DWORD kWarmUpMs = 1000;
const DWORD kMeasureMs = 5000;

IBaseFilter* OpenCamera() {
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))))
        return nullptr;
    IBaseFilter* camera = nullptr;
    IEnumMoniker* monikers = nullptr;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK) {
        IMoniker* moniker = nullptr;
        while (!camera && monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                                 reinterpret_cast<void**>(&bag)))) {
                VARIANT name;
                VariantInit(&name);
                if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR &&
                    lstrcmpW(name.bstrVal, kCameraFriendlyName) == 0) {
                    moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                          reinterpret_cast<void**>(&camera));
                }
                VariantClear(&name);
                bag->Release();
            }
            moniker->Release();
        }
        monikers->Release();
    }
    devices->Release();
    return camera;
}

bool SelectFormat(ICaptureGraphBuilder* builder, IBaseFilter* camera, const Case& wanted) {
    IAMStreamConfig* config = nullptr;
    if (FAILED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, camera, IID_IAMStreamConfig,
                                      reinterpret_cast<void**>(&config))))
        return false;
    int count = 0, size = 0;
    config->GetNumberOfCapabilities(&count, &size);
    VIDEO_STREAM_CONFIG_CAPS caps;
    bool selected = false;
    for (int i = 0; i < count && !selected; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        if (config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        if (info->bmiHeader.biWidth == wanted.width && info->bmiHeader.biHeight == wanted.height) {
            info->AvgTimePerFrame = wanted.interval;
            selected = config->SetFormat(type) == S_OK;
        }
        CoTaskMemFree(type->pbFormat);
        CoTaskMemFree(type);
    }
    config->Release();
    return selected;
}

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void Measure(IBaseFilter* camera, const Case& item, CameraGetStreamStatisticsProc statistics) {
    ICaptureGraphBuilder* builder = nullptr;
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IVideoWindow* window = nullptr;
    bool ready =
        SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder, reinterpret_cast<void**>(&builder))) &&
        SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(&graph))) &&
        SUCCEEDED(builder->SetFiltergraph(graph)) && SUCCEEDED(graph->AddFilter(camera, nullptr)) &&
        SelectFormat(builder, camera, item) &&
        SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, camera, nullptr, nullptr)) &&
        SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, camera, IID_IVideoWindow,
                                         reinterpret_cast<void**>(&window))) &&
        SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
    if (ready) {
        window->put_Visible(OATRUE);
        control->Run();
        PumpFor(kWarmUpMs);
        CameraStreamStatistics before, after;
        statistics(&before);
        DWORD start = GetTickCount();
        PumpFor(kMeasureMs);
        statistics(&after);
        double seconds = (GetTickCount() - start) / 1000.0;
        control->Stop();
        UINT64 frames = after.frames - before.frames;
        double perFrame = frames ? 1.0 / static_cast<double>(frames) / 10000.0 : 0.0;
        // The renderer draws inside Receive, so the delivered rate is the rendered one.
        std::printf(
            "%4ld x %4ld  requested %5.2f fps  rendered %5.2f fps"
            "  streaming thread CPU %6.2f ms/frame  of which picture drawing %5.2f ms\n",
            item.width, item.height, 10000000.0 / static_cast<double>(item.interval),
            static_cast<double>(frames) / seconds,
            static_cast<double>(after.threadTime100ns - before.threadTime100ns) * perFrame,
            static_cast<double>(after.drawTime100ns - before.drawTime100ns) * perFrame);
    } else {
        std::printf("%4ld x %4ld  graph could not be built\n", item.width, item.height);
    }
    if (window) {
        window->put_Visible(OAFALSE);
        window->Release();
    }
    if (control) control->Release();
    if (builder) builder->Release();
    if (graph) {
        graph->RemoveFilter(camera);
        graph->Release();
    }
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    IBaseFilter* camera = OpenCamera();
    if (!camera) {
        std::printf("no simulated camera registered\n");
        return 1;
    }
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    HMODULE driver = LoadLibraryA((std::string(folder) + "\\OrvelluxCamera.dll").c_str());
    auto statistics = reinterpret_cast<CameraGetStreamStatisticsProc>(
        reinterpret_cast<void*>(GetProcAddress(driver, "CameraGetStreamStatistics")));
    if (!statistics) {
        std::printf("driver hooks not found\n");
        return 1;
    }
    for (const Case& item : cases) Measure(camera, item, statistics);
    camera->Release();
    return 0;
}
