#include "capture/grabber_callback.h"

GrabberCallback grabberCallback;

STDMETHODIMP GrabberCallback::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
        *object = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    return E_NOTIMPL;
}

STDMETHODIMP_(ULONG) GrabberCallback::AddRef() { return 1; }

STDMETHODIMP_(ULONG) GrabberCallback::Release() { return 2; }

STDMETHODIMP GrabberCallback::SampleCB(double, IMediaSample*) { return E_NOTIMPL; }

STDMETHODIMP GrabberCallback::BufferCB(double, BYTE*, long) { return S_OK; }
