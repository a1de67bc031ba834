#include "analog_controls.h"

namespace {

const LONG kStandards = AnalogVideo_NTSC_M | AnalogVideo_PAL_B | AnalogVideo_PAL_D |
                        AnalogVideo_PAL_I | AnalogVideo_SECAM_L;
const LONG kFiveHundredLineStandards = AnalogVideo_NTSC_M;

const LONG inputTypes[kCrossbarInputs] = {PhysConn_Video_Composite, PhysConn_Video_SVideo,
                                          PhysConn_Video_Tuner};

}  // namespace

STDMETHODIMP AnalogControls::QueryInterface(REFIID iid, void** object) {
    return owner_->QueryInterface(iid, object);
}
STDMETHODIMP_(ULONG) AnalogControls::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) AnalogControls::Release() { return owner_->Release(); }

STDMETHODIMP AnalogControls::get_AvailableTVFormats(LONG* standards) {
    if (!standards) return E_POINTER;
    *standards = kStandards;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_TVFormat(LONG standard) {
    // Exactly one of the supported standards.
    if (!(standard & kStandards) || (standard & (standard - 1))) return E_INVALIDARG;
    standard_ = standard;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_TVFormat(LONG* standard) {
    if (!standard) return E_POINTER;
    *standard = standard_;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_HorizontalLocked(LONG* locked) {
    if (!locked) return E_POINTER;
    *locked = 1;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_VCRHorizontalLocking(LONG locking) {
    vcrLocking_ = locking ? 1 : 0;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_VCRHorizontalLocking(LONG* locking) {
    if (!locking) return E_POINTER;
    *locking = vcrLocking_;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_NumberOfLines(LONG* lines) {
    if (!lines) return E_POINTER;
    *lines = (standard_ & kFiveHundredLineStandards) ? 525 : 625;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_OutputEnable(LONG enable) {
    outputEnabled_ = enable ? 1 : 0;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_OutputEnable(LONG* enable) {
    if (!enable) return E_POINTER;
    *enable = outputEnabled_;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_PinCounts(LONG* outputs, LONG* inputs) {
    if (!outputs || !inputs) return E_POINTER;
    *outputs = 1;
    *inputs = kCrossbarInputs;
    return S_OK;
}

STDMETHODIMP AnalogControls::CanRoute(LONG output, LONG input) {
    return output == 0 && input >= 0 && input < kCrossbarInputs ? S_OK : S_FALSE;
}

STDMETHODIMP AnalogControls::Route(LONG output, LONG input) {
    if (CanRoute(output, input) != S_OK) return E_INVALIDARG;
    routedInput_ = input;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_IsRoutedTo(LONG output, LONG* input) {
    if (!input) return E_POINTER;
    if (output != 0) return E_INVALIDARG;
    *input = routedInput_;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* related,
                                                 LONG* type) {
    if (!related || !type) return E_POINTER;
    if (isInput) {
        if (index < 0 || index >= kCrossbarInputs) return E_INVALIDARG;
        *type = inputTypes[index];
    } else {
        if (index != 0) return E_INVALIDARG;
        *type = PhysConn_Video_VideoDecoder;
    }
    *related = -1;  // the card has no audio pins to pair with
    return S_OK;
}

STDMETHODIMP AnalogControls::put_Channel(LONG channel, LONG, LONG) {
    if (channel < kLowestChannel || channel > kHighestChannel) return E_INVALIDARG;
    channel_ = channel;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_Channel(LONG* channel, LONG* videoSubChannel,
                                         LONG* audioSubChannel) {
    if (!channel || !videoSubChannel || !audioSubChannel) return E_POINTER;
    *channel = channel_;
    *videoSubChannel = AMTUNER_SUBCHAN_DEFAULT;
    *audioSubChannel = AMTUNER_SUBCHAN_DEFAULT;
    return S_OK;
}

STDMETHODIMP AnalogControls::ChannelMinMax(LONG* lowest, LONG* highest) {
    if (!lowest || !highest) return E_POINTER;
    *lowest = kLowestChannel;
    *highest = kHighestChannel;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_CountryCode(LONG country) {
    country_ = country;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_CountryCode(LONG* country) {
    if (!country) return E_POINTER;
    *country = country_;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_TuningSpace(LONG space) {
    tuningSpace_ = space;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_TuningSpace(LONG* space) {
    if (!space) return E_POINTER;
    *space = tuningSpace_;
    return S_OK;
}

STDMETHODIMP AnalogControls::Logon(HANDLE) { return S_OK; }
STDMETHODIMP AnalogControls::Logout() { return S_OK; }

STDMETHODIMP AnalogControls::SignalPresent(LONG* strength) {
    if (!strength) return E_POINTER;
    *strength = routedInput_ == kInputTuner ? AMTUNER_SIGNALPRESENT : AMTUNER_HASNOSIGNALSTRENGTH;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_Mode(AMTunerModeType mode) {
    return mode == AMTUNER_MODE_TV ? S_OK : E_INVALIDARG;
}

STDMETHODIMP AnalogControls::get_Mode(AMTunerModeType* mode) {
    if (!mode) return E_POINTER;
    *mode = AMTUNER_MODE_TV;
    return S_OK;
}

STDMETHODIMP AnalogControls::GetAvailableModes(LONG* modes) {
    if (!modes) return E_POINTER;
    *modes = AMTUNER_MODE_TV;
    return S_OK;
}

STDMETHODIMP AnalogControls::RegisterNotificationCallBack(IAMTunerNotification*, LONG) {
    return E_NOTIMPL;
}

STDMETHODIMP AnalogControls::UnRegisterNotificationCallBack(IAMTunerNotification*) {
    return E_NOTIMPL;
}

STDMETHODIMP AnalogControls::AutoTune(LONG channel, LONG* signal) {
    if (!signal) return E_POINTER;
    HRESULT result = put_Channel(channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT);
    *signal = SUCCEEDED(result) ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
    return result;
}

STDMETHODIMP AnalogControls::StoreAutoTune() { return S_OK; }

STDMETHODIMP AnalogControls::get_NumInputConnections(LONG* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_InputType(LONG index, TunerInputType type) {
    if (index != 0) return E_INVALIDARG;
    inputType_ = type;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_InputType(LONG index, TunerInputType* type) {
    if (!type) return E_POINTER;
    if (index != 0) return E_INVALIDARG;
    *type = inputType_;
    return S_OK;
}

STDMETHODIMP AnalogControls::put_ConnectInput(LONG index) {
    return index == 0 ? S_OK : E_INVALIDARG;
}

STDMETHODIMP AnalogControls::get_ConnectInput(LONG* index) {
    if (!index) return E_POINTER;
    *index = 0;
    return S_OK;
}

// A 6 MHz channel raster from 55.25 MHz upward, the sound carrier 4.5 MHz above.
STDMETHODIMP AnalogControls::get_VideoFrequency(LONG* frequency) {
    if (!frequency) return E_POINTER;
    *frequency = 55250000 + (channel_ - kLowestChannel) * 6000000;
    return S_OK;
}

STDMETHODIMP AnalogControls::get_AudioFrequency(LONG* frequency) {
    if (!frequency) return E_POINTER;
    *frequency = 55250000 + (channel_ - kLowestChannel) * 6000000 + 4500000;
    return S_OK;
}
