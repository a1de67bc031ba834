// IUnknown for the driver's objects that serve one interface: counted, deleted at their
// last release, and keeping the module loaded while they exist.
#ifndef ORVELLUX_CAMERA_SINGLE_INTERFACE_OBJECT_H
#define ORVELLUX_CAMERA_SINGLE_INTERFACE_OBJECT_H

#include <windows.h>

#include "module_lock.h"

template <class Interface, const IID& kInterfaceId>
class SingleInterfaceObject : public Interface {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == kInterfaceId) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

protected:
    SingleInterfaceObject() { LockModule(); }
    virtual ~SingleInterfaceObject() { UnlockModule(); }

private:
    LONG references_ = 1;
};

#endif
