#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "camera/camera_hooks.h"
#include "capture/capture_graph.h"
#include "capture/capture_interfaces.h"
#include "capture_host.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"

namespace {

const char kNoCameraText[] = "Can not find camera.\nPlease connect Quillmarch Halverin!!";

CLSID ClassOf(IBaseFilter* filter) {
    CLSID clsid = {};
    filter->GetClassID(&clsid);
    return clsid;
}

std::string Narrow(const std::wstring& text) {
    char buffer[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

// Registers the analog card's filter once more under the video input category with a
// name the source accepts; the instance name decides where it is enumerated.
class ExtraDevice {
public:
    ExtraDevice(const wchar_t* friendlyName, const wchar_t* instanceName)
        : instance_(instanceName) {
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                         reinterpret_cast<void**>(&mapper_));
        REGFILTER2 filter = {};
        filter.dwVersion = 1;
        filter.dwMerit = MERIT_DO_NOT_USE;
        if (mapper_) {
            registered_ = SUCCEEDED(
                mapper_->RegisterFilter(CLSID_AnalogCaptureCard, friendlyName, nullptr,
                                        &CLSID_VideoInputDeviceCategory, instanceName, &filter));
        }
    }
    ~ExtraDevice() {
        if (mapper_) {
            mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, instance_,
                                      CLSID_AnalogCaptureCard);
            mapper_->Release();
        }
    }
    ExtraDevice(const ExtraDevice&) = delete;
    ExtraDevice& operator=(const ExtraDevice&) = delete;
    bool registered() const { return registered_; }

private:
    const wchar_t* instance_;
    IFilterMapper2* mapper_ = nullptr;
    bool registered_ = false;
};

class CaptureDiscoveryTest : public CaptureTest {};

TEST_F(CaptureDiscoveryTest, DeviceTestAcceptsNamesBeginningWithTheProductNameAndUpperCasesThem) {
    struct Case {
        const char* name;
        bool accepted;
    } cases[] = {
        {"Orvellux USB2.0 Camera", true},
        {"orvellux 5100", true},
        {"ORVELLUX", true},
        {"Orvellu", false},
        {"", false},
        {"The Orvellux Camera", false},
        {"Vidmar Analog Capture", false},
    };
    for (const Case& c : cases) {
        char name[kCameraNameSize];
        lstrcpynA(name, c.name, sizeof name);
        EXPECT_EQ(c.accepted, IsOwnCamera(name)) << c.name;
        char upper[kCameraNameSize];
        lstrcpynA(upper, c.name, sizeof upper);
        CharUpperA(upper);
        EXPECT_STREQ(upper, name);
    }
}

TEST_F(CaptureDiscoveryTest, DeviceTestAcceptsOnlyWhileTheSourceFileHasItsOwnName) {
    struct Case {
        const char* folder;
        const char* fileName;
        bool accepted;
    } cases[] = {
        {"orv_same", "Orvelline.ds", true},
        {"orv_upper", "ORVELLINE.DS", true},
        {"orv_longer", "Orvelline2.ds", false},
        {"orv_other", "Renamed.ds", false},
    };
    HINSTANCE installed = moduleInstance;
    for (const Case& c : cases) {
        HMODULE copy = LoadSourceCopy(c.folder, c.fileName);
        ASSERT_NE(nullptr, copy) << c.fileName;
        moduleInstance = copy;
        char name[] = "Orvellux USB2.0 Camera";
        EXPECT_EQ(c.accepted, IsOwnCamera(name)) << c.fileName;
        moduleInstance = installed;
        FreeLibrary(copy);
    }
}

TEST_F(CaptureDiscoveryTest, OpensTheCameraWithItsStreamConfiguration) {
    ASSERT_TRUE(OpenCamera());
    ASSERT_NE(nullptr, cameraFilter);
    EXPECT_EQ(CLSID_OrvelluxCamera, ClassOf(cameraFilter));
    EXPECT_STREQ("ORVELLUX USB2.0 CAMERA", cameraName);
    EXPECT_NE(nullptr, streamConfig);
    EXPECT_NE(nullptr, captureBuilder);
    EXPECT_EQ(0, cameraIndex);
    // The same index does not open the camera again.
    IBaseFilter* opened = cameraFilter;
    EXPECT_TRUE(SelectCamera(0));
    EXPECT_EQ(opened, cameraFilter);
}

TEST_F(CaptureDiscoveryTest, ARenamedSourceFindsNoCameraAndTellsTheUser) {
    HINSTANCE installed = moduleInstance;
    HMODULE copy = LoadSourceCopy("orv_renamed", "Renamed.ds");
    ASSERT_NE(nullptr, copy);
    moduleInstance = copy;
    EXPECT_FALSE(SelectCamera(0));
    SeenBox box = ExpectBox("Error", kNoCameraText);
    EXPECT_EQ(window_, box.owner);
    EXPECT_EQ(nullptr, cameraFilter);
    EXPECT_EQ(nullptr, captureBuilder);
    EXPECT_EQ(nullptr, streamConfig);
    EXPECT_EQ(-1, cameraIndex);
    moduleInstance = installed;
    FreeLibrary(copy);
}

TEST_F(CaptureDiscoveryTest, OfTwoAcceptedDevicesTheFirstEnumeratedIsUsed) {
    const wchar_t* instances[] = {L"00 Orvellux Extra", L"ZZ Orvellux Extra"};
    for (const wchar_t* instance : instances) {
        ExtraDevice extra(L"ORVELLUX Extra Camera", instance);
        ASSERT_TRUE(extra.registered());
        std::string firstAccepted;
        for (const std::wstring& name : VideoInputDeviceNames()) {
            char buffer[kCameraNameSize] = {};
            lstrcpynA(buffer, Narrow(name).c_str(), sizeof buffer);
            if (IsOwnCamera(buffer)) {
                firstAccepted = buffer;
                break;
            }
        }
        cameraIndex = -1;
        ASSERT_TRUE(OpenCamera());
        EXPECT_EQ(firstAccepted, cameraName);
        CLSID expected = firstAccepted == "ORVELLUX EXTRA CAMERA" ? CLSID_AnalogCaptureCard
                                                                  : CLSID_OrvelluxCamera;
        EXPECT_EQ(expected, ClassOf(cameraFilter));
        ReleaseCaptureDevice();
    }
}

TEST_F(CaptureDiscoveryTest, WithoutAnyVideoDeviceTheCameraMessageIsShown) {
    IFilterMapper2* mapper = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IFilterMapper2, reinterpret_cast<void**>(&mapper)));
    const CLSID* devices[] = {&CLSID_OrvelluxCamera, &CLSID_AnalogCaptureCard};
    for (const CLSID* device : devices)
        mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, *device);
    mapper->Release();
    bool none = VideoInputDeviceNames().empty();

    bool opened = OpenCamera();

    typedef HRESULT(WINAPI * RegisterProc)();
    HMODULE driver = LoadLibraryA("C:\\windows\\system32\\OrvelluxCamera.dll");
    ASSERT_NE(nullptr, driver);
    RegisterProc registerServer = reinterpret_cast<RegisterProc>(
        reinterpret_cast<void*>(GetProcAddress(driver, "DllRegisterServer")));
    ASSERT_NE(nullptr, registerServer);
    EXPECT_EQ(S_OK, registerServer());
    FreeLibrary(driver);

    ASSERT_TRUE(none) << "another video device is installed in the prefix";
    EXPECT_FALSE(opened);
    SeenBox box = ExpectBox("Error", kNoCameraText);
    EXPECT_EQ(window_, box.owner);
    EXPECT_EQ(nullptr, cameraFilter);
}

}  // namespace
