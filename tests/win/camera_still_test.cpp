// The camera's property sets as the data source speaks them: still event, trigger and
// signals, the read sequence of a still, registers, mode bits, the request log, the
// button, the still folder and the fault switches.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "camera_driver.h"
#include "watched_test.h"

namespace {

const DWORD kSignalWaitMs = 2000;
const DWORD kNoSignalWaitMs = 200;

CameraExtensionRequest Block(ULONG flags, ULONG id, ULONG param0, ULONG param1, ULONG param2) {
    CameraExtensionRequest block;
    std::memset(&block, 0, sizeof(block));
    block.Set = PROPSETID_CAMERA_EXTENSION;
    block.Id = id;
    block.Flags = flags;
    block.Param0 = param0;
    block.Param1 = param1;
    block.Param2 = param2;
    return block;
}

// Speaks to the camera's IKsPropertySet exactly as the data source does.
class CameraSession {
public:
    explicit CameraSession(IKsPropertySet* set) : set_(set) {}

    HRESULT EnableStillEvent(HANDLE event) {
        CameraExtensionRequest block =
            Block(kKsPropertySet, CAMERA_EXTENSION_CONTROL,
                  static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(event)), 0, kOperationStillEvent);
        return set_->Set(block.Set, block.Id, &block, sizeof(block), &block, sizeof(block));
    }
    HRESULT DisableStillEvent() {
        CameraExtensionRequest block =
            Block(kKsPropertySet, CAMERA_EXTENSION_CONTROL, 0, 0, kOperationStillEvent);
        return set_->Set(block.Set, block.Id, &block, sizeof(block), &block, sizeof(block));
    }
    HRESULT ReadRegister(ULONG number, ULONG* value) {
        CameraExtensionRequest block =
            Block(kKsPropertyGet, CAMERA_EXTENSION_CONTROL, 0, number, kOperationReadRegister);
        DWORD returned = 0;
        HRESULT result =
            set_->Get(block.Set, block.Id, &block, sizeof(block), &block, sizeof(block), &returned);
        *value = block.Param0;
        return result;
    }
    HRESULT PreRead() {
        CameraExtensionRequest block =
            Block(kKsPropertyGet, CAMERA_EXTENSION_CONTROL, 0, kPreReadRegister, kOperationPreRead);
        DWORD returned = 0;
        return set_->Get(block.Set, block.Id, &block, sizeof(block), &block, sizeof(block),
                         &returned);
    }
    HRESULT ReadImage(BYTE* buffer, DWORD* length) {
        CameraExtensionRequest block = Block(kKsPropertyGet, CAMERA_EXTENSION_IMAGE, 0, 0, 0);
        return set_->Get(block.Set, block.Id, &block, sizeof(block), buffer, *length, length);
    }
    HRESULT GetMode(LONG* mode) {
        VideoControlModeRequest request = ModeRequest(kKsPropertyGet, 0);
        DWORD returned = 0;
        HRESULT result = set_->Get(request.Set, request.Id, &request, sizeof(request), &request,
                                   sizeof(request), &returned);
        *mode = request.Mode;
        return result;
    }
    HRESULT SetMode(LONG mode) {
        VideoControlModeRequest request = ModeRequest(kKsPropertySet, mode);
        return set_->Set(request.Set, request.Id, &request, sizeof(request), &request,
                         sizeof(request));
    }
    // Read the mode, write it back with the trigger bits.
    HRESULT Trigger() {
        LONG mode = 0;
        HRESULT result = GetMode(&mode);
        return FAILED(result) ? result : SetMode(mode | kModeTrigger | kModeOldTrigger);
    }

private:
    static VideoControlModeRequest ModeRequest(ULONG flags, LONG mode) {
        VideoControlModeRequest request;
        std::memset(&request, 0, sizeof(request));
        request.Set = PROPSETID_VIDCAP_VIDEOCONTROL;
        request.Id = KSPROPERTY_VIDEOCONTROL_MODE;
        request.Flags = flags;
        request.Mode = mode;
        return request;
    }

    IKsPropertySet* set_;
};

bool Signalled(HANDLE event, DWORD timeoutMs = kSignalWaitMs) {
    return WaitForSingleObject(event, timeoutMs) == WAIT_OBJECT_0;
}

class CameraStillTest : public WatchedTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_TRUE(hooks_.loaded());
        camera_ = OpenVideoInputDevice(kCameraFriendlyName);
        ASSERT_NE(nullptr, camera_);
        ASSERT_EQ(S_OK, camera_->QueryInterface(IID_IKsPropertySet,
                                                reinterpret_cast<void**>(&properties_)));
        session_ = new CameraSession(properties_);
        event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        hooks_.ClearRequestLog();
    }
    void TearDown() override {
        delete session_;
        if (properties_) properties_->Release();
        if (camera_) camera_->Release();
        if (event_) CloseHandle(event_);
        WatchedTest::TearDown();
    }

    void SetCameraFormat(LONG width, LONG height) {
        IPin* pin = nullptr;
        ASSERT_EQ(S_OK, camera_->FindPin(L"Capture", &pin));
        IAMStreamConfig* config = nullptr;
        ASSERT_EQ(S_OK,
                  pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
        pin->Release();
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(S_OK, config->GetFormat(&type));
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        info->bmiHeader.biWidth = width;
        info->bmiHeader.biHeight = height;
        info->bmiHeader.biSizeImage = width * height * 3;
        info->AvgTimePerFrame = 1333333;
        EXPECT_EQ(S_OK, config->SetFormat(type));
        CoTaskMemFree(type->pbFormat);
        CoTaskMemFree(type);
        config->Release();
    }

    // The source's reading of one still: header; pre-read; header again; pixels.
    HRESULT ReadStill(BITMAPINFOHEADER* header, std::vector<BYTE>* pixels) {
        DWORD length = sizeof(*header);
        HRESULT result = session_->ReadImage(reinterpret_cast<BYTE*>(header), &length);
        if (FAILED(result)) return result;
        session_->PreRead();
        BITMAPINFOHEADER again;
        length = sizeof(again);
        result = session_->ReadImage(reinterpret_cast<BYTE*>(&again), &length);
        if (FAILED(result)) return result;
        EXPECT_EQ(0, std::memcmp(header, &again, sizeof(again)));
        pixels->assign(header->biSizeImage, 0);
        length = header->biSizeImage;
        result = session_->ReadImage(pixels->data(), &length);
        EXPECT_EQ(header->biSizeImage, length);
        return result;
    }

    CameraFaults faults_;
    CameraHooks hooks_;
    IBaseFilter* camera_ = nullptr;
    IKsPropertySet* properties_ = nullptr;
    CameraSession* session_ = nullptr;
    HANDLE event_ = nullptr;
};

}  // namespace

TEST_F(CameraStillTest, TriggerPairProducesSignalsAndAStillReadInTheSourcesSequence) {
    ASSERT_EQ(S_OK, session_->EnableStillEvent(event_));
    ASSERT_EQ(S_OK, session_->Trigger());
    ASSERT_TRUE(Signalled(event_));
    ASSERT_EQ(S_OK, session_->Trigger());
    ASSERT_TRUE(Signalled(event_));

    BITMAPINFOHEADER header;
    std::vector<BYTE> pixels;
    ASSERT_EQ(S_OK, ReadStill(&header, &pixels));
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(640, header.biWidth);
    EXPECT_EQ(480, header.biHeight);
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(0u, header.biCompression);
    EXPECT_EQ(640u * 480u * 3u, header.biSizeImage);
    EXPECT_EQ(3780, header.biXPelsPerMeter);
    EXPECT_EQ(3780, header.biYPelsPerMeter);

    // Bottom-up rows: the first row the camera delivers is the bottom of the picture.
    EXPECT_EQ(RGB(255, 0, 0), PixelAt(pixels, 0, 640, 480, 20, 20));
    EXPECT_EQ(RGB(0, 0, 255), PixelAt(pixels, 0, 640, 480, 620, 460));
    EXPECT_EQ(RGB(0, 0, 255), RGB(pixels[620 * 3 + 2], pixels[620 * 3 + 1], pixels[620 * 3]));
    std::vector<BYTE> last = hooks_.LastStill();
    ASSERT_EQ(40u + pixels.size(), last.size());
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), last.begin() + 40));

    ASSERT_EQ(S_OK, session_->DisableStillEvent());

    // The log holds every request with its block: enable, 2 x (mode get, mode set),
    // header, pre-read, header, pixels, disable.
    std::vector<CameraRequest> log = hooks_.RequestLog();
    struct Expected {
        UINT32 kind;
        bool extension;
        UINT32 id, flags, param0, param1, param2, dataLength, returnedLength;
    };
    const ULONG handle = static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(event_));
    const Expected expected[] = {
        {kRequestSet, true, 0, 2, handle, 0, 40, 40, 0},
        {kRequestGet, false, 3, 1, 0, 0, 0, 32, 32},
        {kRequestSet, false, 3, 2, 0, 0x28, 0, 32, 0},
        {kRequestGet, false, 3, 1, 0, 0, 0, 32, 32},
        {kRequestSet, false, 3, 2, 0, 0x28, 0, 32, 0},
        {kRequestGet, true, 1, 1, 0, 0, 0, 40, 40},
        {kRequestGet, true, 0, 1, 0, 3, 8, 40, 0},
        {kRequestGet, true, 1, 1, 0, 0, 0, 40, 40},
        {kRequestGet, true, 1, 1, 0, 0, 0, 640 * 480 * 3, 640 * 480 * 3},
        {kRequestSet, true, 0, 2, 0, 0, 40, 40, 0},
    };
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), log.size());
    for (size_t i = 0; i < log.size(); ++i) {
        const CameraRequest& got = log[i];
        const Expected& want = expected[i];
        SCOPED_TRACE("request " + std::to_string(i));
        EXPECT_EQ(want.kind, got.kind);
        EXPECT_TRUE(got.set ==
                    (want.extension ? PROPSETID_CAMERA_EXTENSION : PROPSETID_VIDCAP_VIDEOCONTROL));
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(want.flags, got.flags);
        EXPECT_EQ(want.param0, got.param[0]);
        // Mode requests carry StreamIndex and Mode; the mode's other bits may be set.
        EXPECT_EQ(want.param1, want.extension ? got.param[1] : got.param[1] & 0x28);
        EXPECT_EQ(want.param2, got.param[2]);
        EXPECT_EQ(want.extension ? 40u : 32u, got.instanceLength);
        EXPECT_EQ(want.dataLength, got.dataLength);
        EXPECT_EQ(want.returnedLength, got.returnedLength);
        EXPECT_EQ(S_OK, got.result);
    }
}

TEST_F(CameraStillTest, EachTriggerAndEachButtonPressSignalsOnce) {
    ASSERT_EQ(S_OK, session_->EnableStillEvent(event_));
    ASSERT_EQ(S_OK, session_->Trigger());
    EXPECT_TRUE(Signalled(event_));
    EXPECT_FALSE(Signalled(event_, kNoSignalWaitMs));

    hooks_.PressButton();
    EXPECT_TRUE(Signalled(event_));
    EXPECT_FALSE(Signalled(event_, kNoSignalWaitMs));
    // The button signals without taking a still: the one read is still the trigger's.
    std::vector<BYTE> still = hooks_.LastStill();
    ASSERT_EQ(S_OK, session_->Trigger());
    EXPECT_TRUE(Signalled(event_));

    ASSERT_TRUE(PressCameraButtonEvent());
    EXPECT_TRUE(Signalled(event_));

    // The caller may close its handle: the driver keeps its own reference.
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event_, GetCurrentProcess(), &duplicate, 0,
                                FALSE, DUPLICATE_SAME_ACCESS));
    ASSERT_EQ(S_OK, session_->EnableStillEvent(duplicate));
    CloseHandle(duplicate);
    ASSERT_EQ(S_OK, session_->Trigger());
    EXPECT_TRUE(Signalled(event_));

    ASSERT_EQ(S_OK, session_->DisableStillEvent());
    ASSERT_EQ(S_OK, session_->Trigger());
    hooks_.PressButton();
    EXPECT_FALSE(Signalled(event_, kNoSignalWaitMs));
}

TEST_F(CameraStillTest, ModeKeepsItsBitsAndTheTriggerClearsItself) {
    ASSERT_EQ(S_OK, session_->SetMode(kModeExternalTriggerEnable | kModeOldExternalTriggerEnable));
    LONG mode = 0;
    ASSERT_EQ(S_OK, session_->GetMode(&mode));
    EXPECT_EQ(0x14, mode);
    ASSERT_EQ(S_OK, session_->Trigger());
    ASSERT_EQ(S_OK, session_->GetMode(&mode));
    EXPECT_EQ(0x14, mode);
}

TEST_F(CameraStillTest, RegisterSixteenTellsFullResolutionAndStillsFollowTheFormat) {
    ULONG value = 99;
    ASSERT_EQ(S_OK, session_->ReadRegister(kSensorModeRegister, &value));
    EXPECT_EQ(0u, value);
    SetCameraFormat(2592, 1944);
    ASSERT_EQ(S_OK, session_->ReadRegister(kSensorModeRegister, &value));
    EXPECT_EQ(1u, value);
    EXPECT_NE(S_OK, session_->ReadRegister(1000, &value));

    ASSERT_EQ(S_OK, session_->Trigger());
    BITMAPINFOHEADER header;
    std::vector<BYTE> pixels;
    ASSERT_EQ(S_OK, ReadStill(&header, &pixels));
    EXPECT_EQ(2592, header.biWidth);
    EXPECT_EQ(1944, header.biHeight);
    EXPECT_EQ(2592u * 1944u * 3u, header.biSizeImage);
    EXPECT_EQ(RGB(255, 0, 0), PixelAt(pixels, 0, 2592, 1944, 100, 100));
    EXPECT_EQ(RGB(0, 0, 255), PixelAt(pixels, 0, 2592, 1944, 2500, 1900));
}

TEST_F(CameraStillTest, StillFolderReceivesEachStillAndTheRequests) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder =
        std::string(temp) + "orvellux-stills-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    faults_.SetStillFolder(folder);
    ASSERT_EQ(S_OK, session_->Trigger());
    std::vector<BYTE> still = hooks_.LastStill();

    // The newest still file holds the same picture as a plain bottom-up bitmap file.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\still-*.bmp").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::string newest = found.cFileName;
    while (FindNextFileA(search, &found))
        if (std::string(found.cFileName) > newest) newest = found.cFileName;
    FindClose(search);
    std::vector<BYTE> file;
    if (FILE* in = std::fopen((folder + "\\" + newest).c_str(), "rb")) {
        BYTE chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof(chunk), in)) > 0)
            file.insert(file.end(), chunk, chunk + got);
        std::fclose(in);
    }
    ASSERT_EQ(14 + still.size(), file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    EXPECT_TRUE(std::equal(still.begin(), still.end(), file.begin() + 14));

    std::string requests = folder + "\\requests.txt";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(requests.c_str()));

    faults_.SetStillFolder("");
    DeleteFileA((folder + "\\" + newest).c_str());
    DeleteFileA(requests.c_str());
    RemoveDirectoryA(folder.c_str());
}

// Each failing switch breaks one step of the source's still sequence; the steps before it
// still work.
enum class Step { None, EnableEvent, ModeRead, ModeWrite, HeaderRead, PixelRead };

struct FailureCase {
    const char* fault;
    Step failingStep;
};

class CameraFailureTest : public CameraStillTest,
                          public ::testing::WithParamInterface<FailureCase> {
protected:
    Step FirstFailingStep() {
        if (FAILED(session_->EnableStillEvent(event_))) return Step::EnableEvent;
        LONG mode = 0;
        if (FAILED(session_->GetMode(&mode))) return Step::ModeRead;
        if (FAILED(session_->SetMode(mode | 0x28))) return Step::ModeWrite;
        // Triggers signal before the write returns.
        if (!Signalled(event_, kNoSignalWaitMs)) return Step::ModeWrite;
        BITMAPINFOHEADER header;
        DWORD length = sizeof(header);
        if (FAILED(session_->ReadImage(reinterpret_cast<BYTE*>(&header), &length)))
            return Step::HeaderRead;
        session_->PreRead();
        length = sizeof(header);
        if (FAILED(session_->ReadImage(reinterpret_cast<BYTE*>(&header), &length)))
            return Step::HeaderRead;
        std::vector<BYTE> pixels(header.biSizeImage);
        length = header.biSizeImage;
        if (FAILED(session_->ReadImage(pixels.data(), &length))) return Step::PixelRead;
        return Step::None;
    }
};

TEST_P(CameraFailureTest, BreaksItsStep) {
    FailureCase failure = GetParam();
    if (failure.fault) faults_.Set(failure.fault);
    EXPECT_EQ(failure.failingStep, FirstFailingStep());
}

INSTANTIATE_TEST_SUITE_P(Faults, CameraFailureTest,
                         ::testing::Values(FailureCase{nullptr, Step::None},
                                           FailureCase{kFaultEventRegistration, Step::EnableEvent},
                                           FailureCase{kFaultModeRead, Step::ModeRead},
                                           FailureCase{kFaultModeWrite, Step::ModeWrite},
                                           FailureCase{kFaultNoSignal, Step::ModeWrite},
                                           FailureCase{kFaultHeaderRead, Step::HeaderRead},
                                           FailureCase{kFaultPixelRead, Step::PixelRead}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                             return std::string(info.param.fault ? info.param.fault : "NoFault");
                         });

TEST_F(CameraStillTest, SingleSignalLeavesTheSecondTriggerOfAPairSilent) {
    faults_.Set(kFaultSingleSignal);
    ASSERT_EQ(S_OK, session_->EnableStillEvent(event_));
    ASSERT_EQ(S_OK, session_->Trigger());
    EXPECT_TRUE(Signalled(event_));
    ASSERT_EQ(S_OK, session_->Trigger());
    EXPECT_FALSE(Signalled(event_, kNoSignalWaitMs));
    ASSERT_EQ(S_OK, session_->Trigger());
    EXPECT_TRUE(Signalled(event_));
}

struct HeaderCase {
    const char* fault;
    bool (*broken)(const BITMAPINFOHEADER&);
};

class CameraHeaderFaultTest : public CameraStillTest,
                              public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(CameraHeaderFaultTest, ServesTheBrokenHeader) {
    faults_.Set(GetParam().fault);
    ASSERT_EQ(S_OK, session_->Trigger());
    BITMAPINFOHEADER header;
    DWORD length = sizeof(header);
    ASSERT_EQ(S_OK, session_->ReadImage(reinterpret_cast<BYTE*>(&header), &length));
    EXPECT_TRUE(GetParam().broken(header));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CameraHeaderFaultTest,
    ::testing::Values(HeaderCase{kFaultCompressedHeader,
                                 [](const BITMAPINFOHEADER& h) {
                                     return h.biCompression != 0 && h.biBitCount != 24;
                                 }},
                      HeaderCase{kFaultOversizedHeader,
                                 [](const BITMAPINFOHEADER& h) {
                                     return static_cast<LONGLONG>(h.biWidth) * h.biHeight >
                                            2592LL * 1944;
                                 }},
                      HeaderCase{kFaultShortImageSize,
                                 [](const BITMAPINFOHEADER& h) {
                                     return h.biSizeImage <
                                            static_cast<DWORD>(h.biWidth * 3 * h.biHeight);
                                 }}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.fault); });

TEST_F(CameraStillTest, InterfaceAndFormatFaults) {
    faults_.Set(kFaultNoPropertySet);
    IKsPropertySet* set = nullptr;
    EXPECT_EQ(E_NOINTERFACE,
              camera_->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&set)));
    faults_.Set(kFaultNoPropertySet, false);

    IPin* pin = nullptr;
    ASSERT_EQ(S_OK, camera_->FindPin(L"Capture", &pin));
    faults_.Set(kFaultNoStreamConfig);
    IAMStreamConfig* config = nullptr;
    EXPECT_EQ(E_NOINTERFACE,
              pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
    // The capture graph builder still finds the capture pin by its category.
    IKsPropertySet* pinProperties = nullptr;
    ASSERT_EQ(S_OK,
              pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&pinProperties)));
    GUID category = GUID_NULL;
    DWORD returned = 0;
    EXPECT_EQ(S_OK, pinProperties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                       &category, sizeof(category), &returned));
    EXPECT_TRUE(category == PIN_CATEGORY_CAPTURE);
    pinProperties->Release();
    faults_.Set(kFaultNoStreamConfig, false);

    faults_.Set(kFaultNoFullResolution);
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(5, count);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&type));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    info->bmiHeader.biWidth = 2592;
    info->bmiHeader.biHeight = 1944;
    info->AvgTimePerFrame = 1333333;
    EXPECT_NE(S_OK, config->SetFormat(type));
    CoTaskMemFree(type->pbFormat);
    CoTaskMemFree(type);
    config->Release();
    pin->Release();
}
