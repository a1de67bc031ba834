// The enumerators a filter hands out: of its one pin, and of a pin's media types.
#ifndef ORVELLUX_CAMERA_ENUMERATORS_H
#define ORVELLUX_CAMERA_ENUMERATORS_H

#include <dshow.h>

#include <vector>

class PinEnumerator final : public IEnumPins {
public:
    // Holds a reference on the filter (through the pin) while it exists.
    explicit PinEnumerator(IPin* pin, ULONG position = 0);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** copy) override;

private:
    ~PinEnumerator();

    LONG references_ = 1;
    IPin* pin_;
    ULONG position_;
};

class MediaTypeEnumerator final : public IEnumMediaTypes {
public:
    // Takes over the media types (their format blocks are freed with the enumerator).
    explicit MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE> types, ULONG position = 0);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** copy) override;

private:
    ~MediaTypeEnumerator();

    LONG references_ = 1;
    std::vector<AM_MEDIA_TYPE> types_;
    ULONG position_;
};

#endif
