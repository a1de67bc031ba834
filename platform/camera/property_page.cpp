#include "property_page.h"

#include <cstring>
#include <new>
#include <string>

#include <dshow.h>

#include "device_profiles.h"
#include "module_lock.h"

namespace {

const wchar_t kPageTitle[] = L"Device";
const SIZE kPageSize = {300, 140};

class PropertyPage final : public IPropertyPage {
public:
    PropertyPage() { LockModule(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
            *object = static_cast<IPropertyPage*>(this);
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

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override {
        if (site) site->AddRef();
        if (site_) site_->Release();
        site_ = site;
        return S_OK;
    }

    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL) override {
        if (!rect) return E_POINTER;
        window_ =
            CreateWindowExW(0, L"STATIC", Description().c_str(), WS_CHILD | SS_LEFT, rect->left,
                            rect->top, rect->right - rect->left, rect->bottom - rect->top, parent,
                            nullptr, CameraModule(), nullptr);
        return window_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    }

    STDMETHODIMP Deactivate() override {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        return S_OK;
    }

    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        info->cb = sizeof(*info);
        info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(kPageTitle)));
        if (!info->pszTitle) return E_OUTOFMEMORY;
        std::memcpy(info->pszTitle, kPageTitle, sizeof(kPageTitle));
        info->size = kPageSize;
        info->pszDocString = nullptr;
        info->pszHelpFile = nullptr;
        info->dwHelpContext = 0;
        return S_OK;
    }

    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override {
        profile_ = nullptr;
        if (count == 0) return S_OK;
        if (!objects) return E_POINTER;
        IPersist* persist = nullptr;
        if (FAILED(objects[0]->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist))))
            return E_NOINTERFACE;
        CLSID clsid;
        HRESULT result = persist->GetClassID(&clsid);
        persist->Release();
        if (FAILED(result)) return result;
        if (clsid == *cameraProfile.clsid)
            profile_ = &cameraProfile;
        else if (clsid == *analogProfile.clsid)
            profile_ = &analogProfile;
        return profile_ ? S_OK : E_NOINTERFACE;
    }

    STDMETHODIMP Show(UINT command) override {
        if (window_) ShowWindow(window_, command);
        return S_OK;
    }

    STDMETHODIMP Move(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        if (window_)
            MoveWindow(window_, rect->left, rect->top, rect->right - rect->left,
                       rect->bottom - rect->top, TRUE);
        return S_OK;
    }

    STDMETHODIMP IsPageDirty() override { return S_FALSE; }  // nothing to change
    STDMETHODIMP Apply() override { return S_OK; }
    STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    ~PropertyPage() {
        Deactivate();
        if (site_) site_->Release();
        UnlockModule();
    }

    std::wstring Description() const {
        if (!profile_) return L"";
        std::wstring text = profile_->friendlyName;
        text += L"\r\n\r\nPictures (RGB24):";
        for (int i = 0; i < OfferedFormatCount(*profile_); ++i) {
            text += L"\r\n  " + std::to_wstring(profile_->formats[i].width) + L" x " +
                    std::to_wstring(profile_->formats[i].height);
        }
        return text;
    }

    LONG references_ = 1;
    IPropertyPageSite* site_ = nullptr;
    const DeviceProfile* profile_ = nullptr;
    HWND window_ = nullptr;
};

}  // namespace

HRESULT CreatePropertyPage(REFIID iid, void** object) {
    auto* page = new (std::nothrow) PropertyPage();
    if (!page) return E_OUTOFMEMORY;
    HRESULT result = page->QueryInterface(iid, object);
    page->Release();
    return result;
}
