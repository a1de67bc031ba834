// The simulated devices as DirectShow sees them: listed by the system device enumerator,
// configured through IAMStreamConfig, and streaming the test picture through Wine's
// capture graph builder, sample grabber and video renderer.
#include <windows.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "camera_driver.h"
#include "watched_test.h"

namespace {

struct Size {
    LONG width;
    LONG height;
    REFERENCE_TIME interval;  // the device's default for the size
};

const Size cameraSizes[] = {{320, 240, 333333},    {640, 480, 666666},    {1280, 1024, 1000000},
                            {1600, 1200, 1000000}, {2048, 1536, 1000000}, {2592, 1944, 1333333}};

IAMStreamConfig* CapturePinConfig(IBaseFilter* filter) {
    IPin* pin = nullptr;
    if (FAILED(filter->FindPin(L"Capture", &pin))) return nullptr;
    IAMStreamConfig* config = nullptr;
    pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config));
    pin->Release();
    return config;
}

void FreeType(AM_MEDIA_TYPE* type) {
    CoTaskMemFree(type->pbFormat);
    CoTaskMemFree(type);
}

// Finds the property frame of this process, notes the texts of its page and cancels it.
struct FrameCloser {
    std::string pageText;
    bool closed = false;

    static BOOL CALLBACK CollectText(HWND child, LPARAM param) {
        char className[32] = "", text[512] = "";
        GetClassNameA(child, className, sizeof(className));
        GetWindowTextA(child, text, sizeof(text));
        if (lstrcmpiA(className, "Static") == 0)
            reinterpret_cast<FrameCloser*>(param)->pageText += text;
        return TRUE;
    }
    static BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
        auto* closer = reinterpret_cast<FrameCloser*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char className[32] = "";
        GetClassNameA(window, className, sizeof(className));
        if (process != GetCurrentProcessId() || lstrcmpA(className, "#32770") != 0 ||
            !IsWindowVisible(window) || !FindWindowExA(window, nullptr, "SysTabControl32", nullptr))
            return TRUE;
        EnumChildWindows(window, CollectText, param);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        closer->closed = true;
        return FALSE;
    }
    static DWORD WINAPI Run(void* param) {
        auto* closer = static_cast<FrameCloser*>(param);
        for (int attempt = 0; attempt < 500 && !closer->closed; ++attempt) {
            Sleep(20);
            EnumWindows(FindFrame, reinterpret_cast<LPARAM>(closer));
        }
        return 0;
    }
};

class CameraDeviceTest : public WatchedTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        camera_ = OpenVideoInputDevice(kCameraFriendlyName);
        ASSERT_NE(nullptr, camera_);
    }
    void TearDown() override {
        if (camera_) camera_->Release();
        WatchedTest::TearDown();
    }

    CameraFaults faults_;
    IBaseFilter* camera_ = nullptr;
};

// Checks the fixed marks of the test picture in a frame of the given size.
void ExpectTestPicture(const std::vector<BYTE>& rows, size_t offset, LONG width, LONG height) {
    EXPECT_EQ(RGB(255, 0, 0), PixelAt(rows, offset, width, height, width / 16, height / 16))
        << "red block top-left";
    EXPECT_EQ(RGB(0, 0, 255), PixelAt(rows, offset, width, height, width - width / 16 - 1,
                                      height - height / 16 - 1))
        << "blue block bottom-right";
    const COLORREF bars[8] = {RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 255, 255),
                              RGB(0, 255, 0),     RGB(255, 0, 255), RGB(255, 0, 0),
                              RGB(0, 0, 255),     RGB(0, 0, 0)};
    for (int bar = 0; bar < 8; ++bar) {
        EXPECT_EQ(bars[bar],
                  PixelAt(rows, offset, width, height, (2 * bar + 1) * width / 16, height * 3 / 4))
            << "bar " << bar;
    }
}

}  // namespace

TEST_F(CameraDeviceTest, EnumeratorListsBothDevicesByFriendlyName) {
    std::vector<std::wstring> names = VideoInputDeviceNames();
    ASSERT_EQ(2u, names.size());
    EXPECT_EQ(std::wstring(L"Orvellux USB2.0 Camera"), names[0]);
    EXPECT_EQ(std::wstring(L"Vidmar Analog Capture"), names[1]);
    EXPECT_EQ(std::wstring::npos, names[1].find(L"Orvellux"));
}

TEST_F(CameraDeviceTest, StreamConfigOffersTheSixRgb24Formats) {
    IAMStreamConfig* config = CapturePinConfig(camera_);
    ASSERT_NE(nullptr, config);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    ASSERT_EQ(6, count);
    ASSERT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps = {};
        ASSERT_EQ(S_OK, config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)));
        EXPECT_TRUE(type->majortype == MEDIATYPE_Video && type->subtype == MEDIASUBTYPE_RGB24 &&
                    type->formattype == FORMAT_VideoInfo);
        const auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        EXPECT_EQ(cameraSizes[i].width, info->bmiHeader.biWidth);
        EXPECT_EQ(cameraSizes[i].height, info->bmiHeader.biHeight);
        EXPECT_EQ(24, info->bmiHeader.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(cameraSizes[i].width * 3 * cameraSizes[i].height),
                  info->bmiHeader.biSizeImage);
        EXPECT_EQ(cameraSizes[i].width, caps.MaxOutputSize.cx);
        EXPECT_EQ(cameraSizes[i].interval, info->AvgTimePerFrame);
        EXPECT_LE(caps.MinFrameInterval, info->AvgTimePerFrame);
        FreeType(type);
    }

    // The source asks for 2592 x 1944 at 7.5 frames per second; it stays in force.
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    ASSERT_EQ(S_OK, config->GetStreamCaps(5, &type, reinterpret_cast<BYTE*>(&caps)));
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = 1333333;
    EXPECT_EQ(S_OK, config->SetFormat(type));
    // A width forced onto another size's height is no picture the camera has.
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biHeight = 240;
    EXPECT_NE(S_OK, config->SetFormat(type));
    FreeType(type);
    ASSERT_EQ(S_OK, config->GetFormat(&type));
    const auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    EXPECT_EQ(2592, info->bmiHeader.biWidth);
    EXPECT_EQ(1944, info->bmiHeader.biHeight);
    EXPECT_EQ(1333333, info->AvgTimePerFrame);
    FreeType(type);
    config->Release();
}

TEST_F(CameraDeviceTest, PropertyPageShowsInTheSystemPropertyFrame) {
    ISpecifyPropertyPages* specify = nullptr;
    ASSERT_EQ(S_OK, camera_->QueryInterface(IID_ISpecifyPropertyPages,
                                            reinterpret_cast<void**>(&specify)));
    CAUUID pages = {};
    ASSERT_EQ(S_OK, specify->GetPages(&pages));
    specify->Release();
    ASSERT_EQ(1u, pages.cElems);

    FrameCloser closer;
    HANDLE thread = CreateThread(nullptr, 0, FrameCloser::Run, &closer, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    IUnknown* object = camera_;
    EXPECT_EQ(S_OK, OleCreatePropertyFrame(nullptr, 0, 0, L"Camera", 1, &object, pages.cElems,
                                           pages.pElems, 0, 0, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 12000));
    CloseHandle(thread);
    CoTaskMemFree(pages.pElems);
    EXPECT_TRUE(closer.closed);
    EXPECT_NE(std::string::npos, closer.pageText.find("Orvellux USB2.0 Camera"));
    EXPECT_NE(std::string::npos, closer.pageText.find("2592 x 1944"));
}

TEST_F(CameraDeviceTest, SetFormatOnAConnectedPinReconnectsWhileStopped) {
    CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Build(camera_, 320, 240));
    IPin* pin = nullptr;
    ASSERT_EQ(S_OK, camera_->FindPin(L"Capture", &pin));
    IAMStreamConfig* config = CapturePinConfig(camera_);
    ASSERT_NE(nullptr, config);
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    ASSERT_EQ(S_OK, config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)));

    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(type));
    ASSERT_EQ(S_OK, graph.Stop());
    ASSERT_EQ(S_OK, config->SetFormat(type));
    AM_MEDIA_TYPE connected = {};
    ASSERT_EQ(S_OK, pin->ConnectionMediaType(&connected));
    EXPECT_EQ(640, reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->bmiHeader.biWidth);
    CoTaskMemFree(connected.pbFormat);
    IPin* peer = nullptr;
    ASSERT_EQ(S_OK, pin->ConnectedTo(&peer));
    peer->Release();
    FreeType(type);
    config->Release();
    pin->Release();
}

class CameraStreamTest : public CameraDeviceTest, public ::testing::WithParamInterface<Size> {};

TEST_P(CameraStreamTest, GraphDeliversUprightTrueColouredFramesAtTheRequestedSize) {
    Size size = GetParam();
    CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Build(camera_, size.width, size.height));
    ASSERT_NE(nullptr, graph.videoWindow());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(graph.WaitForFrames(3, 15000));
    LONG width = 0, height = 0;
    std::vector<BYTE> frame = graph.LastFrame(&width, &height);
    ASSERT_EQ(size.width, width);
    ASSERT_EQ(size.height, height);
    ASSERT_EQ(static_cast<size_t>(width * 3 * height), frame.size());
    ExpectTestPicture(frame, 0, width, height);

    // Each frame lasts one frame interval, and the picture moves: the frame counter and the
    // marker change from frame to frame.
    REFERENCE_TIME start = 0, stop = 0, nextStart = 0;
    ASSERT_TRUE(graph.LastSampleTimes(&start, &stop));
    EXPECT_EQ(size.interval, stop - start);
    ASSERT_TRUE(graph.WaitForFrames(graph.FrameCount() + 1, 5000));
    EXPECT_NE(frame, graph.LastFrame(&width, &height));
    ASSERT_TRUE(graph.LastSampleTimes(&nextStart, &stop));
    EXPECT_GT(nextStart, start);

    OAHWND window = 0;
    ASSERT_EQ(S_OK, graph.videoWindow()->get_Owner(&window));
    long visible = OAFALSE;
    ASSERT_EQ(S_OK, graph.videoWindow()->get_Visible(&visible));
    EXPECT_EQ(OATRUE, visible);
    EXPECT_EQ(S_OK, graph.Stop());
}

INSTANTIATE_TEST_SUITE_P(Sizes, CameraStreamTest,
                         ::testing::Values(cameraSizes[0], cameraSizes[1], cameraSizes[5]),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST_F(CameraDeviceTest, LivePictureShowsInTheRendererWindow) {
    CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Build(camera_, 640, 480));
    HWND host = CreateWindowA("STATIC", "Live picture", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 680,
                              540, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host);
    IVideoWindow* video = graph.videoWindow();
    ASSERT_EQ(S_OK, video->put_Owner(reinterpret_cast<OAHWND>(host)));
    ASSERT_EQ(S_OK, video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS));
    ASSERT_EQ(S_OK, video->SetWindowPosition(0, 0, 640, 480));
    ASSERT_EQ(S_OK, video->put_Visible(OATRUE));
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(graph.WaitForFrames(10, 15000));

    // Read the picture back from the screen: the renderer really drew it.
    HWND child = GetWindow(host, GW_CHILD);
    ASSERT_NE(nullptr, child);
    std::string path = "camera_live_picture.bmp";
    ASSERT_TRUE(SaveWindowBitmap(child, path));
    HDC dc = GetDC(child);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 40, 30));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 640 - 41, 480 - 31));
    EXPECT_EQ(RGB(0, 255, 255), GetPixel(dc, 5 * 640 / 16, 360));
    ReleaseDC(child, dc);

    EXPECT_EQ(S_OK, graph.Stop());
    video->put_Owner(0);
    DestroyWindow(host);
}

// Programs that ask for the preview stream get the tee's preview pin, whose samples carry no
// times, and the renderer shows them as they come.
TEST_F(CameraDeviceTest, PreviewCategoryRendersThroughTheTee) {
    CameraHooks hooks;
    ASSERT_TRUE(hooks.loaded());
    ICaptureGraphBuilder* builder = nullptr;
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_ICaptureGraphBuilder, reinterpret_cast<void**>(&builder)));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph));
    ASSERT_EQ(S_OK, graph->AddFilter(camera_, L"Camera"));
    EXPECT_EQ(VFW_S_NOPREVIEWPIN,
              builder->RenderStream(&PIN_CATEGORY_PREVIEW, camera_, nullptr, nullptr));
    IMediaControl* control = nullptr;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (int waited = 0; waited < 100 && hooks.StreamStatistics().frames < 5; ++waited)
        WaitWithMessages(never, 50);
    CloseHandle(never);
    EXPECT_GE(hooks.StreamStatistics().frames, 5u);
    EXPECT_EQ(S_OK, control->Stop());
    control->Release();
    builder->Release();
    graph->Release();
}

// Stopping must end the streaming thread even while the renderer holds samples; it runs on
// a helper thread so that a deadlock fails the test instead of hanging it.
TEST_F(CameraDeviceTest, RunPauseStopCyclesEndPromptly) {
    CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Build(camera_, 640, 480));
    IMediaControl* control = nullptr;
    ASSERT_EQ(S_OK,
              graph.graph()->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
    for (int cycle = 0; cycle < 3; ++cycle) {
        unsigned before = graph.FrameCount();
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        ASSERT_TRUE(graph.WaitForFrames(before + 3, 10000)) << "cycle " << cycle;
        ASSERT_TRUE(SUCCEEDED(control->Pause()));
        // A live source delivers nothing while paused and says it cannot cue.
        OAFilterState state = State_Stopped;
        EXPECT_EQ(VFW_S_CANT_CUE, control->GetState(1000, &state));
        EXPECT_EQ(State_Paused, state);
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        ASSERT_TRUE(graph.WaitForFrames(graph.FrameCount() + 2, 10000)) << "cycle " << cycle;

        struct StopCall {
            IMediaControl* control;
            HRESULT result;
        } call = {control, E_PENDING};
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](void* data) -> DWORD {
                auto* stop = static_cast<StopCall*>(data);
                CoInitialize(nullptr);
                stop->result = stop->control->Stop();
                return 0;
            },
            &call, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        ASSERT_TRUE(WaitWithMessages(thread, 10000)) << "Stop did not return, cycle " << cycle;
        CloseHandle(thread);
        EXPECT_EQ(S_OK, call.result);
    }
    control->Release();
}
