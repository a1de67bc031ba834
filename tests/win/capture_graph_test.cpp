#include <windows.h>

#include <string>
#include <vector>

#include "capture/capture_graph.h"
#include "capture/capture_interfaces.h"
#include "capture/grabber_callback.h"
#include "capture_host.h"
#include "dshow/media_type.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"
#include "ui/resource.h"

namespace {

// Counts the references released on it.
class CountingUnknown : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(++releases); }
    int releases = 0;
};

struct Capability {
    bool rgb24;
    LONG width;
    LONG tag;  // carried as the height, to tell the capabilities apart
    REFERENCE_TIME interval;
    bool completeBlock;
};

// A stream configuration with capabilities of the test's choosing, recording each format
// set and each media type freed.
class FakeStreamConfig : public IAMStreamConfig {
public:
    struct Applied {
        LONG width;
        LONG tag;
        REFERENCE_TIME interval;
    };

    STDMETHODIMP QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
        const VIDEOINFOHEADER* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        applied.push_back(
            {info->bmiHeader.biWidth, info->bmiHeader.biHeight, info->AvgTimePerFrame});
        return S_OK;
    }
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
        *count = static_cast<int>(capabilities.size());
        *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
        return S_OK;
    }
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE*) override {
        const Capability& capability = capabilities[index];
        AM_MEDIA_TYPE* made = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        *made = AM_MEDIA_TYPE{};
        made->majortype = MEDIATYPE_Video;
        made->subtype = capability.rgb24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_YUY2;
        made->formattype = FORMAT_VideoInfo;
        VIDEOINFOHEADER* info =
            static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
        *info = VIDEOINFOHEADER{};
        info->bmiHeader.biWidth = capability.width;
        info->bmiHeader.biHeight = capability.tag;
        info->AvgTimePerFrame = capability.interval;
        made->pbFormat = reinterpret_cast<BYTE*>(info);
        made->cbFormat =
            capability.completeBlock ? sizeof(VIDEOINFOHEADER) : sizeof(VIDEOINFOHEADER) / 2;
        made->pUnk = &owner;
        ++handedOut;
        *type = made;
        return S_OK;
    }

    std::vector<Capability> capabilities;
    std::vector<Applied> applied;
    CountingUnknown owner;
    int handedOut = 0;
};

// The child of the host window that is none of the host's own controls.
HWND VideoChildWindow(HWND host) {
    HWND found = nullptr;
    EnumChildWindows(
        host,
        [](HWND child, LPARAM result) {
            char className[64] = {};
            GetClassNameA(child, className, sizeof className);
            if (lstrcmpiA(className, "Static") == 0 || lstrcmpiA(className, "Button") == 0)
                return TRUE;
            *reinterpret_cast<HWND*>(result) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

class CaptureGraphTest : public CaptureTest {
protected:
    AM_MEDIA_TYPE* CurrentFormat() {
        AM_MEDIA_TYPE* type = nullptr;
        if (!streamConfig || streamConfig->GetFormat(&type) != S_OK) return nullptr;
        return type;
    }
    void ExpectCurrentFormat(LONG width, LONG height, REFERENCE_TIME interval) {
        AM_MEDIA_TYPE* type = CurrentFormat();
        ASSERT_NE(nullptr, type);
        const VIDEOINFOHEADER* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        EXPECT_EQ(width, info->bmiHeader.biWidth);
        EXPECT_EQ(height, info->bmiHeader.biHeight);
        EXPECT_EQ(interval, info->AvgTimePerFrame);
        DeleteMediaType(type);
    }
    void Rebuild() {
        if (graphRunning) StopGraph();
        if (graphBuilt) TearDownGraph();
    }
};

TEST_F(CaptureGraphTest, FirstBuildTakesTheFullResolutionWidthAndPlacesThePreview) {
    ASSERT_TRUE(OpenCameraWithPreview());
    EXPECT_EQ(kFullResWidth, captureWidth);
    EXPECT_TRUE(fullResAvailable);
    EXPECT_FALSE(usePersistedWidth);
    EXPECT_TRUE(graphBuilt);
    EXPECT_TRUE(graphRunning);
    EXPECT_TRUE(previewAvailable);
    ExpectCurrentFormat(2592, 1944, 1333333);

    ASSERT_NE(nullptr, videoWindow);
    OAHWND owner = 0;
    videoWindow->get_Owner(&owner);
    EXPECT_EQ(window_, reinterpret_cast<HWND>(owner));
    long style = 0;
    videoWindow->get_WindowStyle(&style);
    EXPECT_TRUE(style & WS_CHILD);
    long visible = OAFALSE;
    videoWindow->get_Visible(&visible);
    EXPECT_EQ(OATRUE, visible);
    // The renderer's own window sits 3 pixels inside the frame of control 1010.
    HWND video = VideoChildWindow(window_);
    ASSERT_NE(nullptr, video);
    RECT frame, placed;
    GetWindowRect(GetDlgItem(window_, IDC_LIVE_VIDEO), &frame);
    GetWindowRect(video, &placed);
    EXPECT_EQ(frame.left + 3, placed.left);
    EXPECT_EQ(frame.top + 3, placed.top);
    EXPECT_EQ(frame.right - 3, placed.right);
    EXPECT_EQ(frame.bottom - 3, placed.bottom);
}

TEST_F(CaptureGraphTest, WidthChangesGoThroughStopTearDownAndANewBuild) {
    ASSERT_TRUE(OpenCameraWithPreview());
    struct Step {
        int width;
        bool forced;
        LONG height;
        REFERENCE_TIME interval;
    } steps[] = {
        {640, false, 480, 666666},    {320, false, 240, 333333},   {1600, true, 1200, 1000000},
        {2048, false, 1536, 1000000}, {2592, true, 1944, 1333333},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.width);
        Rebuild();
        EXPECT_FALSE(graphBuilt);
        captureWidth = step.width;
        ASSERT_TRUE(step.forced ? BuildPreviewGraphAtWidth(step.width) : BuildPreviewGraph());
        ASSERT_TRUE(RunGraph());
        ExpectCurrentFormat(step.width, step.height, step.interval);
        EXPECT_EQ(step.width, captureWidth);
    }
    EXPECT_TRUE(previewAvailable);
}

TEST_F(CaptureGraphTest, FormatScanAppliesEveryMatchOnlyOnTheFirstBuild) {
    ASSERT_TRUE(OpenCamera());
    FakeStreamConfig fake;
    fake.capabilities = {
        {true, 2592, 1, 111, true}, {false, 2592, 2, 111, true}, {true, 640, 3, 222, true},
        {true, 2592, 4, 333, true}, {true, 2592, 5, 444, false}, {true, 999, 6, 555, true},
        {true, 2592, 7, 666, true},
    };
    IAMStreamConfig* real = streamConfig;
    streamConfig = &fake;

    struct Case {
        const char* name;
        bool persisted;
        int width;
        int forcedWidth;  // 0: build at the capture width
        std::vector<LONG> tags;
        std::vector<REFERENCE_TIME> intervals;
        LONG appliedWidth;
    } cases[] = {
        {"first build", true, 320, 0, {1, 4, 7}, {1333333, 1333333, 1333333}, 2592},
        {"later build", false, 2592, 0, {1}, {1333333}, 2592},
        {"width outside the table keeps its interval", false, 999, 0, {6}, {555}, 999},
        {"no capability of the width", false, 1280, 0, {}, {}, 0},
        {"forced width outside the table",
         false,
         320,
         999,
         {1, 3, 4, 6, 7},
         {333333, 333333, 333333, 333333, 333333},
         999},
        {"forced known width",
         false,
         320,
         1600,
         {1, 3, 4, 6, 7},
         {1000000, 1000000, 1000000, 1000000, 1000000},
         1600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rebuild();
        usePersistedWidth = c.persisted;
        captureWidth = c.width;
        fake.applied.clear();
        ASSERT_TRUE(c.forcedWidth ? BuildPreviewGraphAtWidth(c.forcedWidth) : BuildPreviewGraph());
        ASSERT_EQ(c.tags.size(), fake.applied.size());
        for (size_t i = 0; i < c.tags.size(); ++i) {
            EXPECT_EQ(c.tags[i], fake.applied[i].tag);
            EXPECT_EQ(c.intervals[i], fake.applied[i].interval);
            EXPECT_EQ(c.appliedWidth, fake.applied[i].width);
        }
        EXPECT_FALSE(usePersistedWidth);
    }
    EXPECT_TRUE(fullResAvailable);
    // Every media type obtained was freed, applied or not.
    EXPECT_EQ(fake.handedOut, fake.owner.releases);
    streamConfig = real;
}

TEST_F(CaptureGraphTest, ACameraWithoutTheFullResolutionFormatKeepsItsCurrentFormat) {
    faults_.Set(kFaultNoFullResolution);
    ASSERT_TRUE(OpenCameraWithPreview());
    EXPECT_FALSE(fullResAvailable);
    EXPECT_EQ(kFullResWidth, captureWidth);
    ExpectCurrentFormat(640, 480, 666666);
}

TEST_F(CaptureGraphTest, ACameraWithoutStreamConfigurationSaysSoAndStillPreviews) {
    faults_.Set(kFaultNoStreamConfig);
    ASSERT_TRUE(OpenCamera());
    // The text carries the driver's HRESULT, whatever the graph builder reports.
    SeenBox box = {};
    ASSERT_TRUE(boxes_.Take(&box, 10000));
    EXPECT_EQ("Error", box.caption);
    EXPECT_EQ(0u, box.text.rfind("Error ", 0)) << box.text;
    EXPECT_NE(std::string::npos, box.text.find(": Cannot find VCapture:IAMStreamConfig"))
        << box.text;
    EXPECT_EQ(window_, box.owner);
    EXPECT_EQ(nullptr, streamConfig);
    ASSERT_TRUE(BuildPreviewGraph());
    EXPECT_TRUE(RunGraph());
    EXPECT_TRUE(previewAvailable);
    EXPECT_EQ(320, captureWidth);
}

TEST_F(CaptureGraphTest, RunAndStopAnswerFromTheGraphState) {
    EXPECT_FALSE(RunGraph());
    EXPECT_FALSE(StopGraph());
    ASSERT_TRUE(OpenCamera());
    ASSERT_TRUE(BuildPreviewGraph());
    EXPECT_TRUE(BuildPreviewGraph()) << "a built graph is kept";
    EXPECT_TRUE(RunGraph());
    EXPECT_TRUE(RunGraph());
    EXPECT_TRUE(StopGraph());
    EXPECT_FALSE(graphRunning);
    EXPECT_FALSE(StopGraph());
    TearDownGraph();
    EXPECT_FALSE(graphBuilt);
    EXPECT_EQ(nullptr, filterGraph);
    EXPECT_EQ(nullptr, videoWindow);
    EXPECT_EQ(nullptr, captureBuilder);
    EXPECT_NE(nullptr, cameraFilter);
    ReleaseCaptureDevice();
    EXPECT_EQ(nullptr, cameraFilter);
    EXPECT_EQ(nullptr, streamConfig);
    EXPECT_EQ(nullptr, grabberFilter);
    EXPECT_FALSE(BuildPreviewGraph()) << "no camera, no graph";
}

TEST(CaptureMediaTypeTest, FreeingReleasesOnlyWhatTheRecordOwns) {
    CoInitialize(nullptr);
    BYTE notOwned[8];
    struct Case {
        const char* name;
        ULONG cbFormat;
        bool taskBlock;
        bool withObject;
        BYTE* keptBlock;
    } cases[] = {
        {"format block and object", sizeof(VIDEOINFOHEADER), true, true, nullptr},
        {"zero size keeps the block", 0, false, true, notOwned},
        {"already freed", 0, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingUnknown object;
        AM_MEDIA_TYPE type = {};
        type.cbFormat = c.cbFormat;
        type.pbFormat = c.taskBlock ? static_cast<BYTE*>(CoTaskMemAlloc(c.cbFormat)) : c.keptBlock;
        type.pUnk = c.withObject ? &object : nullptr;
        FreeMediaType(type);
        EXPECT_EQ(0u, type.cbFormat);
        EXPECT_EQ(c.keptBlock, type.pbFormat);
        EXPECT_EQ(nullptr, type.pUnk);
        EXPECT_EQ(c.withObject ? 1 : 0, object.releases);
    }
    DeleteMediaType(nullptr);
    CountingUnknown object;
    AM_MEDIA_TYPE* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *type = AM_MEDIA_TYPE{};
    type->pUnk = &object;
    DeleteMediaType(type);
    EXPECT_EQ(1, object.releases);
}

TEST(CaptureGrabberCallbackTest, AnswersAsAStaticObjectThatIgnoresSamples) {
    void* object = nullptr;
    EXPECT_EQ(E_POINTER, grabberCallback.QueryInterface(IID_IUnknown, nullptr));
    const IID* own[] = {&IID_IUnknown, &IID_ISampleGrabberCB};
    for (const IID* iid : own) {
        object = nullptr;
        EXPECT_EQ(S_OK, grabberCallback.QueryInterface(*iid, &object));
        EXPECT_EQ(static_cast<ISampleGrabberCB*>(&grabberCallback), object);
    }
    EXPECT_EQ(E_NOTIMPL, grabberCallback.QueryInterface(IID_IBaseFilter, &object));
    EXPECT_EQ(1u, grabberCallback.AddRef());
    EXPECT_EQ(2u, grabberCallback.Release());
    EXPECT_EQ(E_NOTIMPL, grabberCallback.SampleCB(0.0, nullptr));
    BYTE sample[3] = {};
    EXPECT_EQ(S_OK, grabberCallback.BufferCB(0.0, sample, sizeof sample));
}

}  // namespace
