// The analog capture card's video decoder, input crossbar and TV tuner. Lives inside the
// card's filter and shares its identity and reference count.
#ifndef ORVELLUX_CAMERA_ANALOG_CONTROLS_H
#define ORVELLUX_CAMERA_ANALOG_CONTROLS_H

#include <dshow.h>

// Crossbar inputs, in pin order; the one output is the decoder.
enum : LONG { kInputComposite = 0, kInputSVideo = 1, kInputTuner = 2, kCrossbarInputs = 3 };
enum : LONG { kLowestChannel = 2, kHighestChannel = 69 };

class AnalogControls final : public IAMAnalogVideoDecoder, public IAMCrossbar, public IAMTVTuner {
public:
    explicit AnalogControls(IUnknown* owner) : owner_(owner) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IAMAnalogVideoDecoder (its format methods also serve IAMTVTuner)
    STDMETHODIMP get_AvailableTVFormats(LONG* standards) override;
    STDMETHODIMP put_TVFormat(LONG standard) override;
    STDMETHODIMP get_TVFormat(LONG* standard) override;
    STDMETHODIMP get_HorizontalLocked(LONG* locked) override;
    STDMETHODIMP put_VCRHorizontalLocking(LONG locking) override;
    STDMETHODIMP get_VCRHorizontalLocking(LONG* locking) override;
    STDMETHODIMP get_NumberOfLines(LONG* lines) override;
    STDMETHODIMP put_OutputEnable(LONG enable) override;
    STDMETHODIMP get_OutputEnable(LONG* enable) override;

    // IAMCrossbar
    STDMETHODIMP get_PinCounts(LONG* outputs, LONG* inputs) override;
    STDMETHODIMP CanRoute(LONG output, LONG input) override;
    STDMETHODIMP Route(LONG output, LONG input) override;
    STDMETHODIMP get_IsRoutedTo(LONG output, LONG* input) override;
    STDMETHODIMP get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* related, LONG* type) override;

    // IAMTuner, IAMTVTuner
    STDMETHODIMP put_Channel(LONG channel, LONG videoSubChannel, LONG audioSubChannel) override;
    STDMETHODIMP get_Channel(LONG* channel, LONG* videoSubChannel, LONG* audioSubChannel) override;
    STDMETHODIMP ChannelMinMax(LONG* lowest, LONG* highest) override;
    STDMETHODIMP put_CountryCode(LONG country) override;
    STDMETHODIMP get_CountryCode(LONG* country) override;
    STDMETHODIMP put_TuningSpace(LONG space) override;
    STDMETHODIMP get_TuningSpace(LONG* space) override;
    STDMETHODIMP Logon(HANDLE user) override;
    STDMETHODIMP Logout() override;
    STDMETHODIMP SignalPresent(LONG* strength) override;
    STDMETHODIMP put_Mode(AMTunerModeType mode) override;
    STDMETHODIMP get_Mode(AMTunerModeType* mode) override;
    STDMETHODIMP GetAvailableModes(LONG* modes) override;
    STDMETHODIMP RegisterNotificationCallBack(IAMTunerNotification* notify, LONG events) override;
    STDMETHODIMP UnRegisterNotificationCallBack(IAMTunerNotification* notify) override;
    STDMETHODIMP AutoTune(LONG channel, LONG* signal) override;
    STDMETHODIMP StoreAutoTune() override;
    STDMETHODIMP get_NumInputConnections(LONG* count) override;
    STDMETHODIMP put_InputType(LONG index, TunerInputType type) override;
    STDMETHODIMP get_InputType(LONG index, TunerInputType* type) override;
    STDMETHODIMP put_ConnectInput(LONG index) override;
    STDMETHODIMP get_ConnectInput(LONG* index) override;
    STDMETHODIMP get_VideoFrequency(LONG* frequency) override;
    STDMETHODIMP get_AudioFrequency(LONG* frequency) override;

private:
    IUnknown* owner_;
    LONG standard_ = AnalogVideo_NTSC_M;
    LONG vcrLocking_ = 0;
    LONG outputEnabled_ = 1;
    LONG routedInput_ = kInputComposite;
    LONG channel_ = 4;
    LONG country_ = 1;
    LONG tuningSpace_ = 0;
    TunerInputType inputType_ = TunerInputCable;
};

#endif
