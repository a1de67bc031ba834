// The second simulated device, an analog capture card: its decoder, crossbar and tuner,
// its formats, and its stream through the same graph as the camera's.
#include <windows.h>

#include <vector>

#include "camera_driver.h"
#include "watched_test.h"

namespace {

class AnalogCardTest : public WatchedTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        card_ = OpenVideoInputDevice(kAnalogFriendlyName);
        ASSERT_NE(nullptr, card_);
    }
    void TearDown() override {
        if (card_) card_->Release();
        WatchedTest::TearDown();
    }

    template <typename Interface>
    Interface* Query(REFIID iid) {
        Interface* object = nullptr;
        card_->QueryInterface(iid, reinterpret_cast<void**>(&object));
        return object;
    }

    IBaseFilter* card_ = nullptr;
};

}  // namespace

TEST_F(AnalogCardTest, HasNoCameraPropertySet) {
    EXPECT_EQ(nullptr, Query<IKsPropertySet>(IID_IKsPropertySet));
}

TEST_F(AnalogCardTest, DecoderSwitchesBetweenItsVideoStandards) {
    IAMAnalogVideoDecoder* decoder = Query<IAMAnalogVideoDecoder>(IID_IAMAnalogVideoDecoder);
    ASSERT_NE(nullptr, decoder);
    LONG standards = 0;
    ASSERT_EQ(S_OK, decoder->get_AvailableTVFormats(&standards));
    EXPECT_TRUE(standards & AnalogVideo_NTSC_M);
    EXPECT_TRUE(standards & AnalogVideo_PAL_B);
    struct {
        LONG standard;
        LONG lines;
    } const cases[] = {{AnalogVideo_PAL_B, 625}, {AnalogVideo_NTSC_M, 525}};
    for (const auto& item : cases) {
        ASSERT_EQ(S_OK, decoder->put_TVFormat(item.standard));
        LONG standard = 0, lines = 0;
        ASSERT_EQ(S_OK, decoder->get_TVFormat(&standard));
        EXPECT_EQ(item.standard, standard);
        ASSERT_EQ(S_OK, decoder->get_NumberOfLines(&lines));
        EXPECT_EQ(item.lines, lines);
    }
    EXPECT_EQ(E_INVALIDARG, decoder->put_TVFormat(AnalogVideo_PAL_B | AnalogVideo_NTSC_M));
    EXPECT_EQ(E_INVALIDARG, decoder->put_TVFormat(AnalogVideo_NTSC_M_J));
    decoder->Release();
}

TEST_F(AnalogCardTest, CrossbarRoutesCompositeSVideoAndTuner) {
    IAMCrossbar* crossbar = Query<IAMCrossbar>(IID_IAMCrossbar);
    ASSERT_NE(nullptr, crossbar);
    LONG outputs = 0, inputs = 0;
    ASSERT_EQ(S_OK, crossbar->get_PinCounts(&outputs, &inputs));
    ASSERT_EQ(1, outputs);
    ASSERT_EQ(3, inputs);
    const LONG types[] = {PhysConn_Video_Composite, PhysConn_Video_SVideo, PhysConn_Video_Tuner};
    for (LONG input = 0; input < inputs; ++input) {
        LONG related = 0, type = 0;
        ASSERT_EQ(S_OK, crossbar->get_CrossbarPinInfo(TRUE, input, &related, &type));
        EXPECT_EQ(types[input], type);
        ASSERT_EQ(S_OK, crossbar->Route(0, input));
        LONG routed = -1;
        ASSERT_EQ(S_OK, crossbar->get_IsRoutedTo(0, &routed));
        EXPECT_EQ(input, routed);
    }
    EXPECT_EQ(S_FALSE, crossbar->CanRoute(0, inputs));
    EXPECT_EQ(E_INVALIDARG, crossbar->Route(1, 0));
    crossbar->Release();
}

TEST_F(AnalogCardTest, TunerTunesWithinItsChannelRange) {
    IAMTVTuner* tuner = Query<IAMTVTuner>(IID_IAMTVTuner);
    ASSERT_NE(nullptr, tuner);
    LONG lowest = 0, highest = 0;
    ASSERT_EQ(S_OK, tuner->ChannelMinMax(&lowest, &highest));
    EXPECT_LT(lowest, highest);
    ASSERT_EQ(S_OK,
              tuner->put_Channel(lowest + 1, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    LONG channel = 0, video = 0, audio = 0;
    ASSERT_EQ(S_OK, tuner->get_Channel(&channel, &video, &audio));
    EXPECT_EQ(lowest + 1, channel);
    LONG videoFrequency = 0, audioFrequency = 0;
    ASSERT_EQ(S_OK, tuner->get_VideoFrequency(&videoFrequency));
    ASSERT_EQ(S_OK, tuner->get_AudioFrequency(&audioFrequency));
    EXPECT_GT(audioFrequency, videoFrequency);
    EXPECT_EQ(E_INVALIDARG,
              tuner->put_Channel(highest + 1, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    LONG signal = 0;
    EXPECT_EQ(S_OK, tuner->AutoTune(highest, &signal));
    EXPECT_EQ(AMTUNER_SIGNALPRESENT, signal);
    tuner->Release();
}

TEST_F(AnalogCardTest, StreamsItsLargestFormatThroughTheCaptureGraph) {
    IPin* pin = nullptr;
    ASSERT_EQ(S_OK, card_->FindPin(L"Capture", &pin));
    IAMStreamConfig* config = nullptr;
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)));
    pin->Release();
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    const LONG widths[] = {320, 640, 720};
    ASSERT_EQ(3, count);
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        ASSERT_EQ(S_OK, config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)));
        EXPECT_EQ(widths[i], reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth);
        EXPECT_NE(0u, caps.VideoStandard);
        CoTaskMemFree(type->pbFormat);
        CoTaskMemFree(type);
    }
    config->Release();

    CaptureGraph graph;
    ASSERT_EQ(S_OK, graph.Build(card_, 720, 576));
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_TRUE(graph.WaitForFrames(3, 15000));
    LONG width = 0, height = 0;
    std::vector<BYTE> frame = graph.LastFrame(&width, &height);
    ASSERT_EQ(720, width);
    ASSERT_EQ(576, height);
    EXPECT_EQ(RGB(255, 0, 0), PixelAt(frame, 0, width, height, 10, 10));
    EXPECT_EQ(RGB(0, 0, 255), PixelAt(frame, 0, width, height, width - 10, height - 10));
    EXPECT_EQ(S_OK, graph.Stop());
}
