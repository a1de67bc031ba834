#include "capture_filter.h"

#include <cwchar>
#include <new>

#include "camera_hooks.h"
#include "enumerators.h"
#include "fault_switches.h"
#include "module_lock.h"
#include "still_unit.h"

namespace {

const WCHAR kPinId[] = L"Capture";

class FilterLock {
public:
    explicit FilterLock(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
    ~FilterLock() { LeaveCriticalSection(lock_); }
    FilterLock(const FilterLock&) = delete;
    FilterLock& operator=(const FilterLock&) = delete;

private:
    CRITICAL_SECTION* lock_;
};

}  // namespace

CaptureFilter::CaptureFilter(const DeviceProfile& profile)
    : profile_(profile),
      pin_(this),
      properties_(static_cast<IBaseFilter*>(this)),
      analog_(static_cast<IBaseFilter*>(this)) {
    InitializeCriticalSection(&lock_);
    LockModule();
    if (profile_.isCamera) AttachStillUnit();
}

CaptureFilter::~CaptureFilter() {
    // The streaming thread uses the filter's lock and clock; it ends first.
    pin_.Deactivate();
    if (profile_.isCamera) DetachStillUnit();
    if (clock_) clock_->Release();
    DeleteCriticalSection(&lock_);
    UnlockModule();
}

STDMETHODIMP CaptureFilter::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter ||
        iid == IID_IBaseFilter) {
        *object = static_cast<IBaseFilter*>(this);
    } else if (iid == IID_ISpecifyPropertyPages) {
        *object = static_cast<ISpecifyPropertyPages*>(this);
    } else if (iid == IID_IKsPropertySet && profile_.isCamera &&
               !FaultEnabled(kFaultNoPropertySet)) {
        *object = static_cast<IKsPropertySet*>(&properties_);
    } else if (!profile_.isCamera && iid == IID_IAMAnalogVideoDecoder) {
        *object = static_cast<IAMAnalogVideoDecoder*>(&analog_);
    } else if (!profile_.isCamera && iid == IID_IAMCrossbar) {
        *object = static_cast<IAMCrossbar*>(&analog_);
    } else if (!profile_.isCamera && (iid == IID_IAMTVTuner || iid == IID_IAMTuner)) {
        *object = static_cast<IAMTVTuner*>(&analog_);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CaptureFilter::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) CaptureFilter::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP CaptureFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = *profile_.clsid;
    return S_OK;
}

STDMETHODIMP CaptureFilter::Stop() {
    {
        FilterLock lock(&lock_);
        if (state_ == State_Stopped) return S_OK;
        state_ = State_Stopped;
        pin_.SetRunning(false);
    }
    // Without the lock: the streaming thread may need it to finish its frame.
    pin_.Deactivate();
    return S_OK;
}

STDMETHODIMP CaptureFilter::Pause() {
    FilterLock lock(&lock_);
    if (state_ == State_Stopped) {
        HRESULT result = pin_.Activate();
        if (FAILED(result)) return result;
    }
    state_ = State_Paused;
    pin_.SetRunning(false);
    return S_OK;
}

STDMETHODIMP CaptureFilter::Run(REFERENCE_TIME start) {
    FilterLock lock(&lock_);
    if (state_ == State_Stopped) {
        HRESULT result = pin_.Activate();
        if (FAILED(result)) return result;
    }
    startTime_ = start;
    state_ = State_Running;
    pin_.SetRunning(true);
    return S_OK;
}

STDMETHODIMP CaptureFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    FilterLock lock(&lock_);
    *state = state_;
    // A live source delivers nothing while paused, so it cannot cue.
    return state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP CaptureFilter::SetSyncSource(IReferenceClock* clock) {
    FilterLock lock(&lock_);
    if (clock) clock->AddRef();
    if (clock_) clock_->Release();
    clock_ = clock;
    return S_OK;
}

STDMETHODIMP CaptureFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    FilterLock lock(&lock_);
    *clock = clock_;
    if (clock_) clock_->AddRef();
    return S_OK;
}

STDMETHODIMP CaptureFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) PinEnumerator(&pin_);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CaptureFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    if (std::wcscmp(id, kPinId) != 0) {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = &pin_;
    pin_.AddRef();
    return S_OK;
}

STDMETHODIMP CaptureFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    FilterLock lock(&lock_);
    std::wcscpy(info->achName, name_);
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

STDMETHODIMP CaptureFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    FilterLock lock(&lock_);
    graph_ = graph;
    name_[0] = L'\0';
    if (name) {
        std::wcsncpy(name_, name, MAX_FILTER_NAME - 1);
        name_[MAX_FILTER_NAME - 1] = L'\0';
    }
    return S_OK;
}

STDMETHODIMP CaptureFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

STDMETHODIMP CaptureFilter::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_CameraPropertyPage;
    return S_OK;
}

bool CaptureFilter::StreamTime(REFERENCE_TIME* now) {
    IReferenceClock* clock = nullptr;
    REFERENCE_TIME start = 0;
    {
        FilterLock lock(&lock_);
        clock = clock_;
        start = startTime_;
        if (clock) clock->AddRef();
    }
    if (!clock) return false;
    REFERENCE_TIME time = 0;
    HRESULT result = clock->GetTime(&time);
    clock->Release();
    if (FAILED(result)) return false;
    *now = time - start;
    return true;
}

HRESULT CreateCaptureFilter(const DeviceProfile& profile, REFIID iid, void** object) {
    auto* filter = new (std::nothrow) CaptureFilter(profile);
    if (!filter) return E_OUTOFMEMORY;
    HRESULT result = filter->QueryInterface(iid, object);
    filter->Release();
    return result;
}
