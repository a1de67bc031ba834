#include "camera_driver.h"

#include <qedit.h>

#include <cstdio>
#include <cstring>

namespace {

const CLSID kSampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

const char* const allFaults[] = {
    kFaultNoPropertySet,    kFaultEventRegistration, kFaultModeRead,       kFaultModeWrite,
    kFaultHeaderRead,       kFaultPixelRead,         kFaultSingleSignal,   kFaultNoSignal,
    kFaultCompressedHeader, kFaultOversizedHeader,   kFaultShortImageSize, kFaultNoStreamConfig,
    kFaultNoFullResolution, kFaultNoLivePicture,     kStillFolderValue};

template <typename Visit>
void ForEachVideoInputDevice(Visit visit) {
    CoInitialize(nullptr);
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))))
        return;
    IEnumMoniker* monikers = nullptr;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK) {
        IMoniker* moniker = nullptr;
        bool more = true;
        while (more && monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                                 reinterpret_cast<void**>(&bag)))) {
                VARIANT name;
                VariantInit(&name);
                name.vt = VT_BSTR;
                if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr))) {
                    more = visit(moniker, std::wstring(name.bstrVal));
                    VariantClear(&name);
                }
                bag->Release();
            }
            moniker->Release();
        }
        monikers->Release();
    }
    devices->Release();
}

}  // namespace

std::vector<std::wstring> VideoInputDeviceNames() {
    std::vector<std::wstring> names;
    ForEachVideoInputDevice([&](IMoniker*, const std::wstring& name) {
        names.push_back(name);
        return true;
    });
    return names;
}

IBaseFilter* OpenVideoInputDevice(const wchar_t* friendlyName) {
    IBaseFilter* filter = nullptr;
    ForEachVideoInputDevice([&](IMoniker* moniker, const std::wstring& name) {
        if (name != friendlyName) return true;
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
        return false;
    });
    return filter;
}

void CameraFaults::Set(const char* name, bool on) {
    DWORD value = on ? 1 : 0;
    RegSetKeyValueA(HKEY_CURRENT_USER, kCameraSettingsKey, name, REG_DWORD, &value, sizeof(value));
}

void CameraFaults::SetStillFolder(const std::string& folder) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kCameraSettingsKey, kStillFolderValue, REG_SZ,
                    folder.c_str(), static_cast<DWORD>(folder.size() + 1));
}

void CameraFaults::ClearAll() {
    for (const char* name : allFaults)
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kCameraSettingsKey, name);
}

CameraHooks::CameraHooks() {
    // The copy COM loads: the one registered in the system folder.
    char path[MAX_PATH];
    GetSystemDirectoryA(path, MAX_PATH);
    std::strcat(path, "\\OrvelluxCamera.dll");
    module_ = LoadLibraryA(path);
    if (!module_) return;
    getRequestLog_ = reinterpret_cast<CameraGetRequestLogProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CameraGetRequestLog")));
    clearRequestLog_ = reinterpret_cast<CameraClearRequestLogProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CameraClearRequestLog")));
    pressButton_ = reinterpret_cast<CameraPressButtonProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CameraPressButton")));
    getLastStill_ = reinterpret_cast<CameraGetLastStillProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CameraGetLastStill")));
    getStreamStatistics_ = reinterpret_cast<CameraGetStreamStatisticsProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CameraGetStreamStatistics")));
    if (!getRequestLog_ || !clearRequestLog_ || !pressButton_ || !getLastStill_ ||
        !getStreamStatistics_) {
        FreeLibrary(module_);
        module_ = nullptr;
    }
}

CameraHooks::~CameraHooks() {
    if (module_) FreeLibrary(module_);
}

std::vector<CameraRequest> CameraHooks::RequestLog() const {
    UINT32 count = getRequestLog_(nullptr, 0);
    std::vector<CameraRequest> records(count);
    count = getRequestLog_(records.data(), count);
    records.resize(count < records.size() ? count : records.size());
    return records;
}

void CameraHooks::ClearRequestLog() const { clearRequestLog_(); }
void CameraHooks::PressButton() const { pressButton_(); }

std::vector<BYTE> CameraHooks::LastStill() const {
    std::vector<BYTE> still(getLastStill_(nullptr, 0));
    if (!still.empty() &&
        getLastStill_(still.data(), static_cast<UINT32>(still.size())) != still.size())
        still.clear();
    return still;
}

CameraStreamStatistics CameraHooks::StreamStatistics() const {
    CameraStreamStatistics statistics = {};
    getStreamStatistics_(&statistics);
    return statistics;
}

bool PressCameraButtonEvent() {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kButtonEventName);
    if (!event) return false;
    BOOL done = SetEvent(event);
    CloseHandle(event);
    return done != FALSE;
}

// Copies each sample the grabber passes on and counts them.
class CaptureGraph::Grabber final : public ISampleGrabberCB {
public:
    Grabber() : arrived_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        InitializeCriticalSection(&lock_);
    }
    ~Grabber() {
        CloseHandle(arrived_);
        DeleteCriticalSection(&lock_);
    }
    Grabber(const Grabber&) = delete;
    Grabber& operator=(const Grabber&) = delete;

    // Owned by the graph object; the grabber's references do not count.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
            *object = static_cast<ISampleGrabberCB*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data))) return S_OK;
        EnterCriticalSection(&lock_);
        frame_.assign(data, data + sample->GetActualDataLength());
        timed_ = sample->GetTime(&start_, &stop_) == S_OK;
        ++count_;
        LeaveCriticalSection(&lock_);
        SetEvent(arrived_);
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }

    unsigned Count() {
        EnterCriticalSection(&lock_);
        unsigned count = count_;
        LeaveCriticalSection(&lock_);
        return count;
    }
    std::vector<BYTE> Frame() {
        EnterCriticalSection(&lock_);
        std::vector<BYTE> frame = frame_;
        LeaveCriticalSection(&lock_);
        return frame;
    }
    bool Times(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
        EnterCriticalSection(&lock_);
        *start = start_;
        *stop = stop_;
        bool timed = timed_;
        LeaveCriticalSection(&lock_);
        return timed;
    }
    HANDLE arrived() const { return arrived_; }

private:
    CRITICAL_SECTION lock_;
    HANDLE arrived_;
    std::vector<BYTE> frame_;
    unsigned count_ = 0;
    bool timed_ = false;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
};

CaptureGraph::~CaptureGraph() {
    Stop();
    if (videoWindow_) {
        videoWindow_->put_Visible(OAFALSE);
        videoWindow_->put_Owner(0);
        videoWindow_->Release();
    }
    if (grabberFilter_) {
        ISampleGrabber* grabber = nullptr;
        if (SUCCEEDED(grabberFilter_->QueryInterface(IID_ISampleGrabber,
                                                     reinterpret_cast<void**>(&grabber)))) {
            grabber->SetCallback(nullptr, 0);
            grabber->Release();
        }
        grabberFilter_->Release();
    }
    if (builder_) builder_->Release();
    if (graph_) graph_->Release();
    delete grabber_;
}

HRESULT CaptureGraph::Build(IBaseFilter* device, LONG width, LONG height) {
    CoInitialize(nullptr);
    HRESULT result =
        CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC_SERVER,
                         IID_ICaptureGraphBuilder, reinterpret_cast<void**>(&builder_));
    if (SUCCEEDED(result))
        result = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, reinterpret_cast<void**>(&graph_));
    if (SUCCEEDED(result)) result = builder_->SetFiltergraph(graph_);
    if (SUCCEEDED(result)) result = graph_->AddFilter(device, L"Capture device");
    if (FAILED(result)) return result;

    if (width) {
        IAMStreamConfig* config = nullptr;
        result = builder_->FindInterface(&PIN_CATEGORY_CAPTURE, device, IID_IAMStreamConfig,
                                         reinterpret_cast<void**>(&config));
        if (FAILED(result)) return result;
        int count = 0, size = 0;
        config->GetNumberOfCapabilities(&count, &size);
        std::vector<BYTE> caps(size);
        result = VFW_E_INVALIDMEDIATYPE;
        for (int i = 0; i < count && FAILED(result); ++i) {
            AM_MEDIA_TYPE* type = nullptr;
            if (config->GetStreamCaps(i, &type, caps.data()) != S_OK) continue;
            const auto& header = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
            if (header.biWidth == width && (!height || header.biHeight == height))
                result = config->SetFormat(type);
            CoTaskMemFree(type->pbFormat);
            CoTaskMemFree(type);
        }
        config->Release();
        if (FAILED(result)) return result;
    }

    result = CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&grabberFilter_));
    if (SUCCEEDED(result)) result = graph_->AddFilter(grabberFilter_, L"Sample Grabber");
    if (FAILED(result)) return result;
    ISampleGrabber* grabber = nullptr;
    result = grabberFilter_->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grabber));
    if (FAILED(result)) return result;
    AM_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    grabber->SetMediaType(&type);
    grabber->SetOneShot(FALSE);
    grabber->SetBufferSamples(FALSE);
    grabber_ = new Grabber();
    grabber->SetCallback(grabber_, 0);
    grabber->Release();

    result = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, device, grabberFilter_, nullptr);
    if (FAILED(result)) return result;
    return builder_->FindInterface(&PIN_CATEGORY_CAPTURE, device, IID_IVideoWindow,
                                   reinterpret_cast<void**>(&videoWindow_));
}

HRESULT CaptureGraph::Run() {
    IMediaControl* control = nullptr;
    HRESULT result = graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    if (FAILED(result)) return result;
    result = control->Run();
    control->Release();
    return result;
}

HRESULT CaptureGraph::Stop() {
    if (!graph_) return S_FALSE;
    IMediaControl* control = nullptr;
    HRESULT result = graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    if (FAILED(result)) return result;
    result = control->Stop();
    control->Release();
    return result;
}

bool CaptureGraph::WaitForFrames(unsigned count, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (grabber_ && grabber_->Count() < count) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        // Keep the renderer's window responsive while waiting.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        HANDLE arrived = grabber_->arrived();
        MsgWaitForMultipleObjects(1, &arrived, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
    return grabber_ != nullptr;
}

bool CaptureGraph::LastSampleTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) const {
    return grabber_ && grabber_->Times(start, stop);
}

unsigned CaptureGraph::FrameCount() const { return grabber_ ? grabber_->Count() : 0; }

std::vector<BYTE> CaptureGraph::LastFrame(LONG* width, LONG* height) const {
    *width = 0;
    *height = 0;
    if (!grabber_) return {};
    ISampleGrabber* grabber = nullptr;
    if (SUCCEEDED(grabberFilter_->QueryInterface(IID_ISampleGrabber,
                                                 reinterpret_cast<void**>(&grabber)))) {
        AM_MEDIA_TYPE type = {};
        if (SUCCEEDED(grabber->GetConnectedMediaType(&type))) {
            if (type.formattype == FORMAT_VideoInfo && type.pbFormat) {
                const auto& header = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
                *width = header.biWidth;
                *height = header.biHeight;
            }
            CoTaskMemFree(type.pbFormat);
            if (type.pUnk) type.pUnk->Release();
        }
        grabber->Release();
    }
    return grabber_->Frame();
}

bool WaitWithMessages(HANDLE handle, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        DWORD woken =
            MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
    }
}

COLORREF PixelAt(const std::vector<BYTE>& rows, size_t offset, LONG width, LONG height, LONG x,
                 LONG y) {
    size_t stride = static_cast<size_t>((width * 3 + 3) & ~3);
    size_t at = offset + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3;
    if (at + 3 > rows.size()) return CLR_INVALID;
    return RGB(rows[at + 2], rows[at + 1], rows[at]);
}

bool SaveWindowBitmap(HWND window, const std::string& path) {
    RECT client;
    if (!GetClientRect(window, &client)) return false;
    LONG width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return false;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memoryDc, bitmap);
        BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        DWORD imageSize = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            saved = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
                    std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
                    std::fwrite(bits, 1, imageSize, out) == imageSize;
            std::fclose(out);
        }
        SelectObject(memoryDc, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return saved;
}
