// A video capture filter of one simulated device, as Wine's graph, capture graph builder
// and the data source see it.
#ifndef ORVELLUX_CAMERA_CAPTURE_FILTER_H
#define ORVELLUX_CAMERA_CAPTURE_FILTER_H

#include <dshow.h>

#include "analog_controls.h"
#include "camera_properties.h"
#include "capture_pin.h"
#include "device_profiles.h"

class CaptureFilter final : public IBaseFilter, public ISpecifyPropertyPages {
public:
    explicit CaptureFilter(const DeviceProfile& profile);
    CaptureFilter(const CaptureFilter&) = delete;
    CaptureFilter& operator=(const CaptureFilter&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist, IMediaFilter, IBaseFilter
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    const DeviceProfile& profile() const { return profile_; }
    CRITICAL_SECTION* lock() { return &lock_; }
    FILTER_STATE state() const { return state_; }
    IFilterGraph* graph() const { return graph_; }
    // The stream time of "now" on the graph clock; false without a clock.
    bool StreamTime(REFERENCE_TIME* now);

private:
    ~CaptureFilter();

    LONG references_ = 1;
    const DeviceProfile& profile_;
    CRITICAL_SECTION lock_;
    FILTER_STATE state_ = State_Stopped;
    REFERENCE_TIME startTime_ = 0;
    IReferenceClock* clock_ = nullptr;
    IFilterGraph* graph_ = nullptr;  // not counted: the graph owns the filter
    WCHAR name_[MAX_FILTER_NAME] = L"";
    CapturePin pin_;
    CameraProperties properties_;
    AnalogControls analog_;
};

// Creates a filter of the device with the given class id.
HRESULT CreateCaptureFilter(const DeviceProfile& profile, REFIID iid, void** object);

#endif
