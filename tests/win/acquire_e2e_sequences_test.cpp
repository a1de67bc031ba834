// The acquisition sequences an application goes through with the data source: with the
// Live View driven through its controls, and without the user interface. Each Snap Shot
// makes the camera produce two stills (the trigger and the timer's second trigger) and
// the second is the one stored, so the snapshot in slot s of a fresh load is still 2s + 2.
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

TEST_F(AcquireE2eTest, WithoutTheUserInterfaceOneAutomaticStillArrivesByEachMechanism) {
    for (const char* mechanism : kMechanisms) {
        FreshFolders();
        ProgramRun run = Acquire(std::string("--no-ui --mech ") + mechanism);
        ASSERT_TRUE(run.finished) << mechanism << "\n" << run.output;
        EXPECT_EQ(0u, run.exitCode) << mechanism << "\n" << run.output;
        ExpectInOrder(run.output, {"The source has images ready", "pending transfers: 0", "1 image(s) written"});
        ASSERT_GT(StillCount(), 0) << run.output;
        ExpectImagesAreStills(run, {StillCount()}, mechanism);
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
