// What the user meets when something is not right: refused transfers and snapshots, closing
// while a still is on its way, a missing camera, the camera's own button, and every fault
// the simulated driver can be switched to. The boxes appear in the tool's process; the
// fixture watches every process.
#include "acquire_e2e.h"
#include "ui/resource.h"

namespace {

struct Box {
    const char* caption;
    const char* text;
};

const Box kSelectImage = {"Error", "Please select one or more Image to transfer"};
const Box kTransferBusy = {"Capture Frame", "Not finish data transfer yet. \nPlease wait for a second and try again."};

TEST_F(AcquireE2eTest, RefusalsAreExplainedAndTheWindowStaysUsable) {
    struct Case {
        const char* what;
        const char* script;
        Box box;
        std::vector<int> stills;
    };
    const Case cases[] = {
        {"Transfer with the current slot empty", "snap 2; click 5; transfer; click 1; transfer; exit", kSelectImage,
         {4}},
        {"Transfer with nothing selected", "snap 2; ctrl-click 1; transfer; ctrl-click 0; transfer; exit",
         kSelectImage, {2}},
        {"Snap Shot while a batch is pending", "snap 2; hold; transfer; trigger; release; exit", kTransferBusy, {4}},
    };
    for (const Case& check : cases) {
        FreshFolders();
        ProgramRun run = Acquire(std::string("--mech native --ui-script \"") + check.script + "\"");
        ASSERT_TRUE(run.finished) << check.what << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << check.what << "\n" << run.output;
        ExpectBox(check.box.caption, check.box.text);
        ExpectImagesAreStills(run, check.stills, check.what);
    }
}

TEST_F(AcquireE2eTest, ExitWaitsForTheStillWhileTheSystemMenuClosesAtOnce) {
    struct Case {
        const char* what;
        const char* fault;  // null for none
        const char* script;
    };
    // A camera that signals once per still leaves the capture in progress for good.
    const Case cases[] = {
        {"Exit during a capture, then the system menu", kFaultSingleSignal,
         "trigger; wait 300; exit; wait 1000; close"},
        {"the system menu after a snapshot", nullptr, "snap 1; close"},
    };
    for (const Case& check : cases) {
        FreshFolders();
        if (check.fault) faults_.Set(check.fault);
        ProgramRun run = Acquire(std::string("--ui-script \"") + check.script + "\"");
        if (check.fault) faults_.Set(check.fault, false);
        ASSERT_TRUE(run.finished) << check.what << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << check.what << "\n" << run.output;
        ExpectInOrder(run.output, {": close\n", "The source asks to be closed", "0 image(s) written"});
        EXPECT_EQ(std::string::npos, run.output.find("script steps not run")) << check.what << "\n" << run.output;
    }
}

TEST_F(AcquireE2eTest, TheCamerasOwnButtonTakesAStill) {
    ProgramRun run = Acquire("--mech memory --ui-script \"button; transfer; exit\"");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(0u, run.exitCode) << run.output;
    // The button's signal makes the source trigger once: one still, stored and transferred.
    ExpectImagesAreStills(run, {1}, "button");
}

// The camera is hidden by unregistering the driver's server; it is registered again
// whatever the test finds.
class CameraUnregistered {
public:
    CameraUnregistered() : hidden_(Regsvr32("/s /u")) {}
    ~CameraUnregistered() { Regsvr32("/s"); }
    bool hidden() const { return hidden_; }

private:
    static bool Regsvr32(const char* options) {
        ProgramRun run = RunProgram("C:\\windows\\system32\\regsvr32.exe",
                                    std::string(options) + " C:\\windows\\system32\\OrvelluxCamera.dll", 60000);
        return run.finished && run.exitCode == 0;
    }
    bool hidden_;
};

TEST_F(AcquireE2eTest, WithoutTheCameraEveryEnableFailsAndTheSourceStaysOpen) {
    CameraUnregistered camera;
    ASSERT_TRUE(camera.hidden());
    ProgramRun run = Acquire("--rounds 2 --ui-script exit");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(1u, run.exitCode) << run.output;
    // The second enable meets the camera message again, not a sequence error: the source
    // stayed in state 4.
    ExpectBox("Error", TEXT_NO_CAMERA);
    ExpectBox("Error", TEXT_NO_CAMERA);
    ExpectInOrder(run.output, {"Round 1 failed: MSG_ENABLEDS: TWRC_FAILURE, TWCC_SUCCESS (0)", "Round 2 of 2",
                               "acquire: MSG_ENABLEDS: TWRC_FAILURE, TWCC_SUCCESS (0)"});
    EXPECT_EQ(std::string::npos, run.output.find("MSG_CLOSEDS failed")) << run.output;
}

TEST_F(AcquireE2eTest, DriverFaultsReachTheUserAndTheWindowStillCloses) {
    struct Case {
        const char* fault;
        const char* script;
        std::vector<Box> boxes;
        std::vector<int> stills;
    };
    const Case cases[] = {
        {kFaultHeaderRead, "snap 1; exit", {{"", "Fail to get image data."}}, {}},
        {kFaultPixelRead, "snap 1; exit", {{"", "Fail to get image data."}}, {}},
        {kFaultEventRegistration, "exit", {{"", "Fail to enable still image event"}}, {}},
        {kFaultModeRead, "snap 1; exit", {{"", "Fail to get video control mode."}}, {}},
        {kFaultModeWrite, "snap 1; exit", {{"", "Fail to set video control mode"}}, {}},
        {kFaultNoPropertySet, "snap 1; exit",
         {{"query Result", "pVcap does not suppory IKsPropertySet"},
          {"query Result", "pVcap does not suppory IKsPropertySet"}},
         {}},
        {kFaultCompressedHeader, "snap 1; transfer; exit", {}, {2}},
    };
    for (const Case& check : cases) {
        FreshFolders();
        faults_.Set(check.fault);
        ProgramRun run = Acquire("--mech native --ui-script \"" + std::string(check.script) + "\"");
        faults_.Set(check.fault, false);
        ASSERT_TRUE(run.finished) << check.fault << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << check.fault << "\n" << run.output;
        for (const Box& box : check.boxes) ExpectBox(box.caption, box.text);
        SeenBox extra;
        while (boxes_.Take(&extra, 200))
            ADD_FAILURE() << check.fault << ": unexpected box \"" << extra.caption << "\": " << extra.text;
        ExpectImagesAreStills(run, check.stills, check.fault);
    }
}

}  // namespace
