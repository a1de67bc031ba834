// The sample grabber's callback: nothing in the source reads the live samples, yet the
// grabber wants a callback object to hand them to.
#ifndef ORVELLUX_GRABBER_CALLBACK_H
#define ORVELLUX_GRABBER_CALLBACK_H

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

// A static object: it counts no references and is never freed.
class GrabberCallback : public ISampleGrabberCB {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SampleCB(double sampleTime, IMediaSample* sample) override;
    STDMETHODIMP BufferCB(double sampleTime, BYTE* buffer, long bufferLength) override;
};

extern GrabberCallback grabberCallback;

#endif
