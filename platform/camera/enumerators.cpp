#include "enumerators.h"

#include <new>

#include "media_types.h"
#include "module_lock.h"

PinEnumerator::PinEnumerator(IPin* pin, ULONG position) : pin_(pin), position_(position) {
    pin_->AddRef();
    LockModule();
}

PinEnumerator::~PinEnumerator() {
    pin_->Release();
    UnlockModule();
}

STDMETHODIMP PinEnumerator::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumPins) {
        *object = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PinEnumerator::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) PinEnumerator::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (!pins || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    if (count > 0 && position_ == 0) {
        pins[0] = pin_;
        pin_->AddRef();
        position_ = 1;
        done = 1;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Skip(ULONG count) {
    ULONG left = 1 - position_;
    position_ = count > left ? 1 : position_ + count;
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Reset() {
    position_ = 0;
    return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** copy) {
    if (!copy) return E_POINTER;
    *copy = new (std::nothrow) PinEnumerator(pin_, position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
}

MediaTypeEnumerator::MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE> types, ULONG position)
    : types_(std::move(types)), position_(position) {
    LockModule();
}

MediaTypeEnumerator::~MediaTypeEnumerator() {
    for (AM_MEDIA_TYPE& type : types_) FreeMediaTypeContents(&type);
    UnlockModule();
}

STDMETHODIMP MediaTypeEnumerator::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
        *object = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MediaTypeEnumerator::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) MediaTypeEnumerator::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (!types || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < types_.size()) {
        auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!copy || !CopyMediaType(copy, types_[position_])) {
            CoTaskMemFree(copy);
            break;
        }
        types[done++] = copy;
        ++position_;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count) {
    ULONG left = static_cast<ULONG>(types_.size()) - position_;
    position_ = count > left ? static_cast<ULONG>(types_.size()) : position_ + count;
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Reset() {
    position_ = 0;
    return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** copy) {
    if (!copy) return E_POINTER;
    std::vector<AM_MEDIA_TYPE> types(types_.size());
    for (size_t i = 0; i < types_.size(); ++i) {
        if (!CopyMediaType(&types[i], types_[i])) {
            for (size_t j = 0; j <= i; ++j) FreeMediaTypeContents(&types[j]);
            return E_OUTOFMEMORY;
        }
    }
    *copy = new (std::nothrow) MediaTypeEnumerator(std::move(types), position_);
    if (*copy) return S_OK;
    // The allocation failed before the types were handed over.
    for (AM_MEDIA_TYPE& type : types) FreeMediaTypeContents(&type);
    return E_OUTOFMEMORY;
}
