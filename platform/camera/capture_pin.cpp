#include "capture_pin.h"

#include <cstring>
#include <new>
#include <vector>

#include "camera_hooks.h"
#include "capture_filter.h"
#include "enumerators.h"
#include "fault_switches.h"
#include "media_types.h"
#include "still_unit.h"

namespace {

const WCHAR kPinName[] = L"Capture";
const long kBuffers = 3;

class PinLock {
public:
    explicit PinLock(CaptureFilter* filter) : lock_(filter->lock()) { EnterCriticalSection(lock_); }
    ~PinLock() { LeaveCriticalSection(lock_); }
    PinLock(const PinLock&) = delete;
    PinLock& operator=(const PinLock&) = delete;

private:
    CRITICAL_SECTION* lock_;
};

// Statistics of the most recent stream, for the benchmark.
CameraStreamStatistics streamStatistics;
CRITICAL_SECTION statisticsLock;
struct StatisticsLockOwner {
    StatisticsLockOwner() { InitializeCriticalSection(&statisticsLock); }
    ~StatisticsLockOwner() { DeleteCriticalSection(&statisticsLock); }
} statisticsLockOwner;

LONGLONG Now100ns() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<LONGLONG>(counter.QuadPart / frequency.QuadPart * 10000000 +
                                 counter.QuadPart % frequency.QuadPart * 10000000 /
                                     frequency.QuadPart);
}

UINT64 ThreadTime100ns() {
    FILETIME creation, exit, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) return 0;
    auto value = [](const FILETIME& time) {
        return (static_cast<UINT64>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

void FillStreamCaps(const VideoFormat& format, VIDEO_STREAM_CONFIG_CAPS* caps, bool analog) {
    std::memset(caps, 0, sizeof(*caps));
    SIZE size = {format.width, format.height};
    caps->guid = FORMAT_VideoInfo;
    caps->VideoStandard = analog ? AnalogVideo_NTSC_M | AnalogVideo_PAL_B : AnalogVideo_None;
    caps->InputSize = size;
    caps->MinCroppingSize = size;
    caps->MaxCroppingSize = size;
    caps->CropGranularityX = 1;
    caps->CropGranularityY = 1;
    caps->CropAlignX = 1;
    caps->CropAlignY = 1;
    caps->MinOutputSize = size;
    caps->MaxOutputSize = size;
    caps->OutputGranularityX = 1;
    caps->OutputGranularityY = 1;
    caps->MinFrameInterval = format.minInterval;
    caps->MaxFrameInterval = kMaxFrameInterval;
    LONGLONG bitsPerFrame = static_cast<LONGLONG>(ImageSize(format.width, format.height)) * 8;
    caps->MinBitsPerSecond = static_cast<LONG>(bitsPerFrame * 10000000 / kMaxFrameInterval);
    caps->MaxBitsPerSecond = static_cast<LONG>(bitsPerFrame * 10000000 / format.minInterval);
}

}  // namespace

CapturePin::CapturePin(CaptureFilter* filter)
    : filter_(filter),
      format_(&filter->profile().formats[filter->profile().defaultFormat]),
      interval_(format_->defaultInterval),
      exitEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      runningEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (filter_->profile().isCamera) SetSensorFormat(format_->width, format_->height);
}

CapturePin::~CapturePin() {
    Deactivate();
    ReleaseConnection();
    CloseHandle(exitEvent_);
    CloseHandle(runningEvent_);
}

STDMETHODIMP CapturePin::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else if (iid == IID_IKsPropertySet) {
        *object = static_cast<IKsPropertySet*>(this);
    } else if (iid == IID_IAMStreamConfig &&
               !(filter_->profile().isCamera && FaultEnabled(kFaultNoStreamConfig))) {
        *object = static_cast<IAMStreamConfig*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CapturePin::AddRef() { return filter_->AddRef(); }
STDMETHODIMP_(ULONG) CapturePin::Release() { return filter_->Release(); }

HRESULT CapturePin::DecideAllocator(IMemInputPin* input) {
    ALLOCATOR_PROPERTIES wanted = {};
    input->GetAllocatorRequirements(&wanted);
    DWORD imageSize = ImageSize(format_->width, format_->height);
    wanted.cBuffers = wanted.cBuffers > kBuffers ? wanted.cBuffers : kBuffers;
    wanted.cbBuffer = wanted.cbBuffer > static_cast<long>(imageSize) ? wanted.cbBuffer
                                                                     : static_cast<long>(imageSize);
    if (wanted.cbAlign < 1) wanted.cbAlign = 1;

    // The downstream pin's allocator first (a tee hands out buffers of its own from it),
    // then one of our own.
    for (int attempt = 0; attempt < 2; ++attempt) {
        IMemAllocator* allocator = nullptr;
        HRESULT result = attempt == 0 ? input->GetAllocator(&allocator)
                                      : CoCreateInstance(CLSID_MemoryAllocator, nullptr,
                                                         CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                                         reinterpret_cast<void**>(&allocator));
        if (FAILED(result)) continue;
        ALLOCATOR_PROPERTIES actual = {};
        result = allocator->SetProperties(&wanted, &actual);
        if (SUCCEEDED(result) && actual.cbBuffer >= static_cast<long>(imageSize))
            result = input->NotifyAllocator(allocator, FALSE);
        else if (SUCCEEDED(result))
            result = VFW_E_SIZENOTSET;
        if (SUCCEEDED(result)) {
            allocator_ = allocator;
            return S_OK;
        }
        allocator->Release();
    }
    return VFW_E_NO_ALLOCATOR;
}

HRESULT CapturePin::TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& type) {
    const VideoFormat* format = nullptr;
    LONGLONG interval = 0;
    if (!ParseVideoMediaType(filter_->profile(), type, &format, &interval))
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT result = receivePin->ReceiveConnection(this, &type);
    if (FAILED(result)) return result;
    IMemInputPin* input = nullptr;
    const VideoFormat* previousFormat = format_;
    LONGLONG previousInterval = interval_;
    result = receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (SUCCEEDED(result)) {
        ApplyFormat(*format, interval);
        result = DecideAllocator(input);
    }
    if (FAILED(result)) {
        ApplyFormat(*previousFormat, previousInterval);
        if (input) input->Release();
        receivePin->Disconnect();
        return result;
    }
    peer_ = receivePin;
    peer_->AddRef();
    input_ = input;
    return S_OK;
}

STDMETHODIMP CapturePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin) return E_POINTER;
    PinLock lock(filter_);
    if (peer_) return VFW_E_ALREADY_CONNECTED;
    if (filter_->state() != State_Stopped) return VFW_E_NOT_STOPPED;
    if (filter_->profile().isCamera && FaultEnabled(kFaultNoLivePicture))
        return VFW_E_NO_ACCEPTABLE_TYPES;

    // The current format first, then every format the device offers.
    std::vector<AM_MEDIA_TYPE> candidates;
    AM_MEDIA_TYPE candidate;
    if (FillVideoMediaType(&candidate, *format_, interval_)) candidates.push_back(candidate);
    const DeviceProfile& profile = filter_->profile();
    int count = OfferedFormatCount(profile);
    for (int i = 0; i < count; ++i) {
        const VideoFormat& format = profile.formats[i];
        if (&format != format_ && FillVideoMediaType(&candidate, format, format.defaultInterval))
            candidates.push_back(candidate);
    }
    HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
    bool complete = type && type->majortype != GUID_NULL && type->subtype != GUID_NULL &&
                    type->formattype != GUID_NULL && type->pbFormat;
    if (complete) {
        result = TryConnection(receivePin, *type);
    } else {
        for (const AM_MEDIA_TYPE& offered : candidates) {
            if (type && !MediaTypeAdmits(*type, offered)) continue;
            result = TryConnection(receivePin, offered);
            if (SUCCEEDED(result)) break;
        }
        if (FAILED(result)) result = VFW_E_NO_ACCEPTABLE_TYPES;
    }
    for (AM_MEDIA_TYPE& offered : candidates) FreeMediaTypeContents(&offered);
    return result;
}

STDMETHODIMP CapturePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
    return E_UNEXPECTED;  // an output pin only connects outwards
}

void CapturePin::ReleaseConnection() {
    if (allocator_) {
        allocator_->Decommit();
        allocator_->Release();
        allocator_ = nullptr;
    }
    if (input_) {
        input_->Release();
        input_ = nullptr;
    }
    if (peer_) {
        peer_->Release();
        peer_ = nullptr;
    }
}

STDMETHODIMP CapturePin::Disconnect() {
    PinLock lock(filter_);
    if (filter_->state() != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!peer_) return S_FALSE;
    ReleaseConnection();
    return S_OK;
}

STDMETHODIMP CapturePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    PinLock lock(filter_);
    *pin = peer_;
    if (!peer_) return VFW_E_NOT_CONNECTED;
    peer_->AddRef();
    return S_OK;
}

STDMETHODIMP CapturePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    PinLock lock(filter_);
    if (!peer_) {
        std::memset(type, 0, sizeof(*type));
        return VFW_E_NOT_CONNECTED;
    }
    return FillVideoMediaType(type, *format_, interval_) ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = filter_;
    filter_->AddRef();
    info->dir = PINDIR_OUTPUT;
    std::wcscpy(info->achName, kPinName);
    return S_OK;
}

STDMETHODIMP CapturePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CapturePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(kPinName)));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, kPinName, sizeof(kPinName));
    return S_OK;
}

STDMETHODIMP CapturePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    const VideoFormat* format = nullptr;
    LONGLONG interval = 0;
    return ParseVideoMediaType(filter_->profile(), *type, &format, &interval) ? S_OK : S_FALSE;
}

STDMETHODIMP CapturePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    PinLock lock(filter_);
    std::vector<AM_MEDIA_TYPE> list;
    AM_MEDIA_TYPE type;
    if (FillVideoMediaType(&type, *format_, interval_)) list.push_back(type);
    const DeviceProfile& profile = filter_->profile();
    int count = OfferedFormatCount(profile);
    for (int i = 0; i < count; ++i) {
        const VideoFormat& format = profile.formats[i];
        if (&format != format_ && FillVideoMediaType(&type, format, format.defaultInterval))
            list.push_back(type);
    }
    *types = new (std::nothrow) MediaTypeEnumerator(std::move(list));
    return *types ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP CapturePin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP CapturePin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP CapturePin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP CapturePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

void CapturePin::ApplyFormat(const VideoFormat& format, LONGLONG interval) {
    format_ = &format;
    interval_ = interval;
    if (filter_->profile().isCamera) SetSensorFormat(format.width, format.height);
}

STDMETHODIMP CapturePin::SetFormat(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    const VideoFormat* format = nullptr;
    LONGLONG interval = 0;
    if (!ParseVideoMediaType(filter_->profile(), *type, &format, &interval))
        return VFW_E_INVALIDMEDIATYPE;
    PinLock lock(filter_);
    if (!peer_) {
        ApplyFormat(*format, interval);
        return S_OK;
    }
    if (filter_->state() != State_Stopped) return VFW_E_NOT_STOPPED;
    if (peer_->QueryAccept(type) != S_OK) return VFW_E_INVALIDMEDIATYPE;
    ApplyFormat(*format, interval);
    // The graph connects the pin again; Connect offers the new format first.
    IFilterGraph* graph = filter_->graph();
    return graph ? graph->Reconnect(this) : S_OK;
}

STDMETHODIMP CapturePin::GetFormat(AM_MEDIA_TYPE** type) {
    if (!type) return E_POINTER;
    PinLock lock(filter_);
    *type = CreateVideoMediaType(*format_, interval_);
    return *type ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = OfferedFormatCount(filter_->profile());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

STDMETHODIMP CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
    if (!type || !caps) return E_POINTER;
    const DeviceProfile& profile = filter_->profile();
    if (index < 0) return E_INVALIDARG;
    if (index >= OfferedFormatCount(profile)) return S_FALSE;
    const VideoFormat& format = profile.formats[index];
    *type = CreateVideoMediaType(format, format.defaultInterval);
    if (!*type) return E_OUTOFMEMORY;
    FillStreamCaps(format, reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps), !profile.isCamera);
    return S_OK;
}

STDMETHODIMP CapturePin::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) {
    return E_PROP_ID_UNSUPPORTED;
}

STDMETHODIMP CapturePin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataLength,
                             DWORD* returned) {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!data) return E_POINTER;
    if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    if (returned) *returned = sizeof(GUID);
    return S_OK;
}

STDMETHODIMP CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

HRESULT CapturePin::Activate() {
    if (!peer_ || thread_) return S_OK;
    HRESULT result = allocator_->Commit();
    if (FAILED(result)) return result;
    picture_.Prepare(format_->width, format_->height, RowStride(format_->width));
    EnterCriticalSection(&statisticsLock);
    streamStatistics = CameraStreamStatistics();
    LeaveCriticalSection(&statisticsLock);
    ResetEvent(exitEvent_);
    thread_ = CreateThread(nullptr, 0, StreamThread, this, 0, nullptr);
    if (!thread_) {
        allocator_->Decommit();
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return S_OK;
}

void CapturePin::Deactivate() {
    ResetEvent(runningEvent_);
    if (!thread_) return;
    SetEvent(exitEvent_);
    // A thread waiting for a free buffer wakes up with an error once the allocator is
    // decommitted; downstream filters are stopped before us, so Receive returns as well.
    if (allocator_) allocator_->Decommit();
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

void CapturePin::SetRunning(bool running) {
    if (running)
        SetEvent(runningEvent_);
    else
        ResetEvent(runningEvent_);
}

DWORD WINAPI CapturePin::StreamThread(void* self) {
    static_cast<CapturePin*>(self)->Stream();
    return 0;
}

void CapturePin::Stream() {
    HANDLE waits[2] = {exitEvent_, runningEvent_};
    LONGLONG due = 0;
    bool wasRunning = false;
    for (;;) {
        DWORD woken = WaitForMultipleObjects(2, waits, FALSE, wasRunning ? 0 : INFINITE);
        if (woken == WAIT_OBJECT_0) return;
        if (woken != WAIT_OBJECT_0 + 1) {
            // Paused: the next run starts a new timeline.
            wasRunning = false;
            continue;
        }
        LONGLONG now = Now100ns();
        bool first = !wasRunning;
        if (first) due = now;
        wasRunning = true;
        if (now < due) {
            DWORD milliseconds = static_cast<DWORD>((due - now + 9999) / 10000);
            if (WaitForSingleObject(exitEvent_, milliseconds) == WAIT_OBJECT_0) return;
            continue;
        }
        DeliverFrame(first);
        due += interval_;
        // A slow downstream must not make frames pile up afterwards.
        if (Now100ns() - due > interval_) due = Now100ns();
    }
}

void CapturePin::DeliverFrame(bool first) {
    IMediaSample* sample = nullptr;
    if (FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) return;
    BYTE* data = nullptr;
    DWORD imageSize = ImageSize(format_->width, format_->height);
    if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < static_cast<long>(imageSize)) {
        sample->Release();
        return;
    }
    REFERENCE_TIME start = 0;
    if (!filter_->StreamTime(&start)) start = static_cast<REFERENCE_TIME>(frameNumber_) * interval_;
    REFERENCE_TIME stop = start + interval_;

    LONGLONG drawStart = Now100ns();
    picture_.Draw(data, frameNumber_);
    LONGLONG drawTime = Now100ns() - drawStart;
    if (filter_->profile().isCamera) SetSensorFrame(frameNumber_);
    ++frameNumber_;

    sample->SetActualDataLength(imageSize);
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(first ? TRUE : FALSE);
    input_->Receive(sample);
    sample->Release();

    UINT64 threadTime = ThreadTime100ns();
    EnterCriticalSection(&statisticsLock);
    ++streamStatistics.frames;
    streamStatistics.drawTime100ns += static_cast<UINT64>(drawTime);
    streamStatistics.threadTime100ns = threadTime;
    LeaveCriticalSection(&statisticsLock);
}

extern "C" void CameraGetStreamStatistics(CameraStreamStatistics* statistics) {
    EnterCriticalSection(&statisticsLock);
    *statistics = streamStatistics;
    LeaveCriticalSection(&statisticsLock);
}
