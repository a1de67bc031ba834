// The in-process COM server: class objects of the two devices and the property page,
// and the registration that lists the devices as video input devices.
#include <dshow.h>

#include <cwchar>
#include <string>
#include <new>

#include "camera_hooks.h"
#include "capture_filter.h"
#include "device_profiles.h"
#include "module_lock.h"
#include "property_page.h"

namespace {

HMODULE module = nullptr;
LONG moduleLocks = 0;

enum class ServerClass { Camera, Analog, Page };

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(ServerClass kind) : kind_(kind) { LockModule(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
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

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        switch (kind_) {
            case ServerClass::Camera:
                return CreateCaptureFilter(cameraProfile, iid, object);
            case ServerClass::Analog:
                return CreateCaptureFilter(analogProfile, iid, object);
            case ServerClass::Page:
                return CreatePropertyPage(iid, object);
        }
        return E_UNEXPECTED;
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            LockModule();
        else
            UnlockModule();
        return S_OK;
    }

private:
    ~ClassFactory() { UnlockModule(); }

    LONG references_ = 1;
    ServerClass kind_;
};

struct ServerEntry {
    const CLSID* clsid;
    const wchar_t* name;
    const DeviceProfile* device;  // null for the property page
};

const ServerEntry serverEntries[] = {
    {&CLSID_OrvelluxCamera, kCameraFriendlyName, &cameraProfile},
    {&CLSID_AnalogCaptureCard, kAnalogFriendlyName, &analogProfile},
    {&CLSID_CameraPropertyPage, L"Simulated capture device property page", nullptr},
};

HRESULT RegisterClassKey(const ServerEntry& entry, const wchar_t* modulePath) {
    wchar_t clsidText[40];
    StringFromGUID2(*entry.clsid, clsidText, 40);
    std::wstring key = std::wstring(L"CLSID\\") + clsidText;
    std::wstring server = key + L"\\InprocServer32";
    auto setText = [](const std::wstring& path, const wchar_t* name, const wchar_t* value) {
        return RegSetKeyValueW(HKEY_CLASSES_ROOT, path.c_str(), name, REG_SZ, value,
                               static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t)));
    };
    LSTATUS status = setText(key, nullptr, entry.name);
    if (status == ERROR_SUCCESS) status = setText(server, nullptr, modulePath);
    if (status == ERROR_SUCCESS) status = setText(server, L"ThreadingModel", L"Both");
    return HRESULT_FROM_WIN32(status);
}

void UnregisterClassKey(const ServerEntry& entry) {
    wchar_t clsidText[40];
    StringFromGUID2(*entry.clsid, clsidText, 40);
    std::wstring key = std::wstring(L"CLSID\\") + clsidText;
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
}

HRESULT RegisterDevice(IFilterMapper2* mapper, const ServerEntry& entry) {
    REGPINTYPES pinType = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24};
    REGFILTERPINS pin = {};
    pin.strName = const_cast<LPWSTR>(L"Capture");
    pin.bOutput = TRUE;
    pin.nMediaTypes = 1;
    pin.lpMediaType = &pinType;
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    filter.cPins = 1;
    filter.rgPins = &pin;
    return mapper->RegisterFilter(*entry.clsid, entry.name, nullptr,
                                  &CLSID_VideoInputDeviceCategory, nullptr, &filter);
}

// COM may or may not be initialised on the registering thread.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

}  // namespace

void LockModule() { InterlockedIncrement(&moduleLocks); }
void UnlockModule() { InterlockedDecrement(&moduleLocks); }
bool ModuleInUse() { return moduleLocks != 0; }
HMODULE CameraModule() { return module; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ServerClass kind;
    if (clsid == CLSID_OrvelluxCamera)
        kind = ServerClass::Camera;
    else if (clsid == CLSID_AnalogCaptureCard)
        kind = ServerClass::Analog;
    else if (clsid == CLSID_CameraPropertyPage)
        kind = ServerClass::Page;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) ClassFactory(kind);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    wchar_t modulePath[MAX_PATH];
    if (!GetModuleFileNameW(module, modulePath, MAX_PATH))
        return HRESULT_FROM_WIN32(GetLastError());
    for (const ServerEntry& entry : serverEntries) {
        HRESULT result = RegisterClassKey(entry, modulePath);
        if (FAILED(result)) return result;
    }
    ComScope com;
    IFilterMapper2* mapper = nullptr;
    HRESULT result = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
    if (FAILED(result)) return result;
    for (const ServerEntry& entry : serverEntries) {
        if (!entry.device) continue;
        result = RegisterDevice(mapper, entry);
        if (FAILED(result)) break;
    }
    mapper->Release();
    return result;
}

STDAPI DllUnregisterServer() {
    {
        ComScope com;
        IFilterMapper2* mapper = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IFilterMapper2, reinterpret_cast<void**>(&mapper)))) {
            for (const ServerEntry& entry : serverEntries) {
                if (entry.device)
                    mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr,
                                             *entry.clsid);
            }
            mapper->Release();
        }
    }
    for (const ServerEntry& entry : serverEntries) UnregisterClassKey(entry);
    return S_OK;
}
