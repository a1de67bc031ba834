// The acquisition sequences an application goes through with the data source: with the
// Live View driven through its controls, without the user interface, and without a live
// picture. Each Snap Shot makes the camera produce two stills (the trigger and the timer's
// second trigger) and the second is the one stored, so the snapshot in slot s of a fresh
// load is still 2s + 2.
#include <atomic>

#include "acquire_e2e.h"

namespace {

int SnapshotStill(int snapshot) { return 2 * snapshot + 2; }

const char* const kMechanisms[] = {"native", "memory", "file"};

TEST_F(AcquireE2eTest, WithTheLiveViewTheSelectedSlotsArriveByEachMechanism) {
    for (const char* mechanism : kMechanisms) {
        FreshFolders();
        ProgramRun run = Acquire(std::string("--mech ") + mechanism +
                                 " --ui-script \"snap 10; click 2; ctrl-click 5; ctrl-click 9; transfer; exit\"");
        ASSERT_TRUE(run.finished) << mechanism << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << mechanism << "\n" << run.output;
        ExpectInOrder(run.output, {"pending transfers: 2", "pending transfers: 1", "pending transfers: 0",
                                   "Script step 6/6: exit", "The source asks to be closed",
                                   "3 image(s) written"});
        ExpectImagesAreStills(run, {SnapshotStill(2), SnapshotStill(5), SnapshotStill(9)}, mechanism);
    }
}

TEST_F(AcquireE2eTest, ClicksOnTheStripChooseWhatTransferSends) {
    struct Case {
        const char* what;
        const char* script;
        std::vector<int> stills;
    };
    const Case cases[] = {
        {"the newest snapshot is selected alone", "snap 4; transfer; exit", {SnapshotStill(3)}},
        {"a Shift range less a Control-click", "snap 6; click 5; shift-click 2; ctrl-click 3; transfer; exit",
         {SnapshotStill(2), SnapshotStill(4), SnapshotStill(5)}},
        {"the thirteenth snapshot replaces slot 0 only", "snap 13; ctrl-click 1; transfer; exit",
         {SnapshotStill(12), SnapshotStill(1)}},
        {"a second batch in the same opening", "snap 2; transfer; click 0; transfer; exit",
         {SnapshotStill(1), SnapshotStill(0)}},
    };
    for (const Case& check : cases) {
        FreshFolders();
        ProgramRun run = Acquire(std::string("--mech native --ui-script \"") + check.script + "\"");
        ASSERT_TRUE(run.finished) << check.what << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << check.what << "\n" << run.output;
        ExpectImagesAreStills(run, check.stills, check.what);
    }
}

// The Live View's caption is the product name.
const char kLiveViewTitle[] = "Orvellux";

// Watches the desktop while the tool runs: whether the source's Live View window existed
// in another process, and whether it ever came onto the screen.
class LiveViewSightings {
public:
    LiveViewSightings() : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~LiveViewSightings() {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(stop_);
    }
    LiveViewSightings(const LiveViewSightings&) = delete;
    LiveViewSightings& operator=(const LiveViewSightings&) = delete;

    bool created() const { return created_; }
    bool shown() const { return shown_; }

private:
    static BOOL CALLBACK Look(HWND window, LPARAM context) {
        auto* self = reinterpret_cast<LiveViewSightings*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char className[16] = "";
        char title[64] = "";
        if (process == GetCurrentProcessId() || !GetClassNameA(window, className, sizeof className) ||
            lstrcmpA(className, "#32770") != 0 || !GetWindowTextA(window, title, sizeof title) ||
            lstrcmpA(title, kLiveViewTitle) != 0)
            return TRUE;
        self->created_ = true;
        if (IsWindowVisible(window)) self->shown_ = true;
        return TRUE;
    }
    static DWORD WINAPI Run(void* context) {
        auto* self = static_cast<LiveViewSightings*>(context);
        do {
            EnumWindows(Look, reinterpret_cast<LPARAM>(self));
        } while (WaitForSingleObject(self->stop_, 10) == WAIT_TIMEOUT);
        return 0;
    }

    std::atomic<bool> created_{false};
    std::atomic<bool> shown_{false};
    HANDLE stop_;
    HANDLE thread_ = nullptr;
};

// Without the user interface, or with it but without a live picture, the source never
// shows its window and offers one still it takes by itself; without a live picture it
// then asks to be closed.
TEST_F(AcquireE2eTest, WithNothingToShowOneAutomaticStillArrives) {
    struct Case {
        const char* what;
        const char* arguments;
        const char* fault;  // null for none
        std::vector<std::string> lines;
    };
    const std::vector<std::string> withoutUi = {"Enabling the source without its user interface",
                                                "The source has images ready", "pending transfers: 0",
                                                "1 image(s) written"};
    const Case cases[] = {
        {"no user interface, native", "--no-ui --mech native", nullptr, withoutUi},
        {"no user interface, memory", "--no-ui --mech memory", nullptr, withoutUi},
        {"no user interface, file", "--no-ui --mech file", nullptr, withoutUi},
        {"user interface without a live picture",
         "--mech native",
         kFaultNoLivePicture,
         {"Enabling the source with its user interface", "The source has images ready", "pending transfers: 0",
          "The source asks to be closed", "1 image(s) written"}},
    };
    for (const Case& check : cases) {
        FreshFolders();
        if (check.fault) faults_.Set(check.fault);
        LiveViewSightings sightings;
        ProgramRun run = Acquire(check.arguments);
        if (check.fault) faults_.Set(check.fault, false);
        ASSERT_TRUE(run.finished) << check.what << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << check.what << "\n" << run.output;
        EXPECT_TRUE(sightings.created()) << check.what;
        EXPECT_FALSE(sightings.shown()) << check.what;
        ExpectInOrder(run.output, check.lines);
        ASSERT_GT(StillCount(), 0) << check.what << "\n" << run.output;
        ExpectImagesAreStills(run, {StillCount()}, check.what);
    }
}

// A second enable of the same connection opens the Live View again: its slots start empty
// and filling goes on after the slot filled last.
TEST_F(AcquireE2eTest, ASecondOpeningStartsEmptyAndFillsOnFromTheLastSlot) {
    ProgramRun run = Acquire("--rounds 2 --ui-script \"snap 2; click 0; transfer; click 3; transfer; exit\"");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(0u, run.exitCode) << run.output;
    // The first opening has nothing in slot 3, the second nothing in slot 0.
    ExpectBox("Error", "Please select one or more Image to transfer");
    ExpectBox("Error", "Please select one or more Image to transfer");
    ExpectInOrder(run.output, {"Round 1 of 2", "The source asks to be closed", "Round 2 of 2",
                               "The source asks to be closed", "2 image(s) written"});
    ExpectImagesAreStills(run, {SnapshotStill(0), SnapshotStill(3)}, "two openings");
}

TEST_F(AcquireE2eTest, TheScreenshotShowsTheLiveViewWithItsSnapshots) {
    const std::string screenshot = outDir_ + "\\live_view.bmp";
    ProgramRun run = Acquire("--mech memory --screenshot \"" + screenshot +
                             "\" --ui-script \"snap 3; click 1; transfer; exit\"");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(0u, run.exitCode) << run.output;
    RgbImage picture;
    std::string error;
    ASSERT_TRUE(ReadImageFile(screenshot, &picture, &error)) << error;
    // The dialog is 373 x 208 dialog units, several hundred pixels each way.
    EXPECT_GT(picture.width, 400);
    EXPECT_GT(picture.height, 200);
    // The live picture and the thumbnails bring the camera's red block into the window.
    size_t red = 0;
    for (size_t at = 0; at + 2 < picture.pixels.size(); at += 3)
        if (picture.pixels[at + 2] > 200 && picture.pixels[at + 1] < 60 && picture.pixels[at] < 60) ++red;
    EXPECT_GT(red, 100u);
    DeleteFileA(screenshot.c_str());
    ExpectImagesAreStills(run, {SnapshotStill(1)}, "memory transfer after the screenshot");
}

}  // namespace
