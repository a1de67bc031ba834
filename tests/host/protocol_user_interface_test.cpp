// Enabling and disabling the source, the automatic acquisition cycle, the batch of
// pending transfers, and the states in which each of these triplets is accepted.
#include "capture/capture_graph.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "protocol_fixture.h"
#include "ui/snapshot_store.h"

namespace {

class UserInterfaceTest : public ProtocolTest {
protected:
    void SetUp() override {
        ProtocolTest::SetUp();
        OfferSourceManager();
        Open();
    }

    int Shows(int command) {
        int count = 0;
        for (const HostWindowCall& call : HostWindowCalls()) {
            count += call.kind == kHostShowWindow && call.detail == static_cast<UINT>(command);
        }
        return count;
    }

    int ClosesPosted() {
        int count = 0;
        for (const HostWindowCall& call : HostWindowCalls()) {
            count += call.kind == kHostPostMessage && call.detail == WM_CLOSE &&
                     call.window == liveViewWindow;
        }
        return count;
    }
};

const char kEnableFailure[] = "General failure in response to MSG_ENABLEDS.  ";

TEST_F(UserInterfaceTest, EnableShowsTheWindowOrAcquiresOnceByItself) {
    struct Case {
        bool showUI;
        bool preview;
        bool shown;
    };
    const Case cases[] = {{true, true, true}, {false, true, false}, {true, false, false}, {false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ShowUI " << c.showUI << " preview " << c.preview);
        SetUp();
        previewAvailable = c.preview;
        EXPECT_EQ(TWRC_SUCCESS, Enable(c.showUI));
        EXPECT_EQ(6, sourceState);
        EXPECT_EQ(1, fakeLiveView.created);
        EXPECT_EQ(c.shown ? 1 : 0, Shows(SW_SHOW));
        int acquisitions = c.shown ? 0 : 1;
        EXPECT_EQ(acquisitions, fakeCamera.triggers);
        EXPECT_EQ(acquisitions, ManagerMessages(MSG_XFERREADY));
        EXPECT_EQ(acquisitions ? 0x5a : -1, PreparedFill());
        EXPECT_TRUE(HostMessageBoxes().empty());
        TW_PENDINGXFERS pending = {0xffff, 0};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
        EXPECT_EQ(0, pending.Count);
    }
}

TEST_F(UserInterfaceTest, AutomaticCycleWaitsInStepsUntilTheCurrentSlotHoldsAnImage) {
    struct Case {
        int stillAfterWaits;
        int waits;
    };
    const Case cases[] = {{0, 1}, {1, 2}, {5, 6}, {16, 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "still after " << c.stillAfterWaits << " waits");
        SetUp();
        fakeCamera.stillAfterWaits = c.stillAfterWaits;
        EXPECT_EQ(TWRC_SUCCESS, Enable(false));
        EXPECT_EQ(c.waits, fakeCamera.waits);
        EXPECT_EQ(static_cast<DWORD>(2000 * c.waits), fakeCamera.waitedMs);
        EXPECT_EQ(1, ManagerMessages(MSG_XFERREADY));
    }

    // An earlier snapshot in the current slot ends the wait after the first step.
    SetUp();
    fakeCamera.stillAfterWaits = -1;
    snapshotStore.markSlot = 3;
    PutSnapshot(3, 0x33, false);
    EXPECT_EQ(TWRC_SUCCESS, Enable(false));
    EXPECT_EQ(1, fakeCamera.waits);
    EXPECT_EQ(0x33, PreparedFill());
}

TEST_F(UserInterfaceTest, AutomaticCycleWithoutAnImageFailsTheEnableAndAnnouncesNothing) {
    fakeCamera.stillAfterWaits = -1;
    previewAvailable = false;
    EXPECT_EQ(TWRC_FAILURE, Enable(true));
    EXPECT_EQ(17, fakeCamera.waits);
    EXPECT_EQ(1, fakeCamera.triggers);
    EXPECT_EQ(0, ManagerMessages(MSG_XFERREADY));
    EXPECT_EQ(4, sourceState);
    EXPECT_EQ(TWCC_OPERATIONERROR, ConditionCode());
    EXPECT_EQ(std::vector<std::string>{std::string(kEnableFailure) + "An operation error just occurred."},
              TakeBoxTexts());
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(nullptr, liveViewWindow);
}

TEST_F(UserInterfaceTest, MissingCameraFailsQuietlyAndForTheRestOfTheLoad) {
    fakeLiveView.cameraMissing = true;
    previewAvailable = false;
    EXPECT_EQ(TWRC_FAILURE, Enable(true));
    EXPECT_EQ(4, sourceState);
    EXPECT_EQ(0, fakeCamera.triggers);
    EXPECT_TRUE(HostMessageBoxes().empty());
    EXPECT_EQ(TWCC_SUCCESS, ConditionCode());

    fakeLiveView.cameraMissing = false;
    EXPECT_EQ(TWRC_FAILURE, Enable(true));
    EXPECT_EQ(4, sourceState);
    EXPECT_EQ(0, fakeCamera.triggers);
    EXPECT_EQ(nullptr, liveViewWindow) << "the refused enable left its window running";
}

TEST_F(UserInterfaceTest, WindowThatCannotBeCreatedIsLowMemoryAndNothingIsAcquired) {
    fakeLiveView.createFails = true;
    previewAvailable = false;
    EXPECT_EQ(TWRC_FAILURE, Enable(false));
    EXPECT_EQ(4, sourceState);
    EXPECT_EQ(0, fakeCamera.triggers);
    EXPECT_EQ(TWCC_LOWMEMORY, ConditionCode());
    EXPECT_EQ(std::vector<std::string>{std::string(kEnableFailure) +
                                       "Low Memory Condition encountered, free up some memory and try again."},
              TakeBoxTexts());
}

TEST_F(UserInterfaceTest, EachEnableHasExactlyOneWindowAndDisableHidesIt) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    HWND first = liveViewWindow;
    previewAvailable = false;
    EXPECT_EQ(TWRC_FAILURE, Enable(true));
    EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
    EXPECT_EQ(1, fakeLiveView.created);
    EXPECT_EQ(0, fakeCamera.triggers);
    previewAvailable = true;

    for (bool showUI : {true, false}) {
        TW_USERINTERFACE userInterface = {static_cast<TW_BOOL>(showUI), FALSE, nullptr};
        HostWindowCalls().clear();
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &userInterface));
        EXPECT_EQ(4, sourceState);
        EXPECT_EQ(1, Shows(SW_HIDE));
        EXPECT_NE(nullptr, liveViewWindow);
        ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    }
    EXPECT_EQ(3, fakeLiveView.created);
    EXPECT_NE(first, liveViewWindow);
    int destroyed = 0;
    for (const HostWindowCall& call : HostWindowCalls()) destroyed += call.kind == kHostDestroyWindow;
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(std::vector<std::string>{std::string(kEnableFailure) +
                                       "DG DAT MSG is out of expected sequence."},
              TakeBoxTexts());
}

TEST_F(UserInterfaceTest, UserInterfaceMessagesOtherThanEnableAndDisableAreBadProtocol) {
    TW_USERINTERFACE userInterface = {TRUE, FALSE, nullptr};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &userInterface));
    EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_EQ(4, sourceState);
    EXPECT_EQ((std::vector<std::string>{
                  "General failure in response to DAT_USERINTERFACE.  Bad protocol error.",
                  std::string(kEnableFailure) + "Bad value error."}),
              TakeBoxTexts());
}

TEST_F(UserInterfaceTest, TripletsAreAcceptedOnlyInTheirStates) {
    struct Case {
        TW_UINT16 dat;
        TW_UINT16 msg;
        const char* prefix;
        bool accepted[5];  // states 3 to 7
        int nextState;     // 0: unchanged
    };
    const Case cases[] = {
        {DAT_IDENTITY, MSG_OPENDS, "MSG_OPENDS", {true, false, false, false, false}, 4},
        {DAT_IDENTITY, MSG_CLOSEDS, "MSG_CLOSEDS", {false, true, true, true, true}, 3},
        {DAT_USERINTERFACE, MSG_ENABLEDS, "MSG_ENABLEDS", {false, true, false, false, false}, 6},
        {DAT_USERINTERFACE, MSG_DISABLEDS, "MSG_DISABLEDS", {false, false, true, true, true}, 4},
        {DAT_PENDINGXFERS, MSG_GET, "DAT_PENDINGXFER", {false, true, true, true, true}, 0},
        {DAT_PENDINGXFERS, MSG_RESET, "DAT_PENDINGXFER", {false, false, false, true, true}, 5},
        {DAT_PENDINGXFERS, MSG_ENDXFER, "DAT_PENDINGXFER", {true, true, true, true, true}, 0},
    };
    for (const Case& c : cases) {
        for (int state = 3; state <= 7; ++state) {
            SCOPED_TRACE(testing::Message() << c.prefix << " " << c.msg << " in state " << state);
            ProtocolTest::SetUp();
            if (state > 3) Open();
            sourceState = state;
            union {
                TW_IDENTITY identity;
                TW_USERINTERFACE userInterface;
                TW_PENDINGXFERS pending;
            } data = {};
            if (c.dat == DAT_IDENTITY) data.identity = managerCopy_;
            if (c.dat == DAT_USERINTERFACE) data.userInterface.ShowUI = TRUE;
            bool accepted = c.accepted[state - 3];
            EXPECT_EQ(accepted ? TWRC_SUCCESS : TWRC_FAILURE, Call(DG_CONTROL, c.dat, c.msg, &data));
            EXPECT_EQ(accepted ? (c.nextState ? c.nextState : state) : state, sourceState);
            if (!accepted) {
                EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
                EXPECT_EQ(std::vector<std::string>{"General failure in response to " +
                                                   std::string(c.prefix) +
                                                   ".  DG DAT MSG is out of expected sequence."},
                          TakeBoxTexts());
            }
        }
    }
}

TEST_F(UserInterfaceTest, BatchOfSelectedSlotsIsWalkedByEndTransfer) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    PutSnapshot(2, 0x02, true);
    PutSnapshot(3, 0x03, false);
    PutSnapshot(5, 0x05, true);
    PutSnapshot(9, 0x09, true);
    BeginTransferBatch();
    EXPECT_EQ(2, pendingList[0]);
    EXPECT_EQ(5, pendingList[1]);
    EXPECT_EQ(9, pendingList[2]);
    EXPECT_EQ(3, pendingTotal);
    EXPECT_FALSE(transferIdle);
    EXPECT_EQ(1, ManagerMessages(MSG_XFERREADY));
    EXPECT_EQ(0x02, PreparedFill());

    const struct {
        TW_UINT16 count;
        int fill;
    } steps[] = {{2, 0x05}, {1, 0x09}, {0, 0x09}};
    for (const auto& step : steps) {
        EXPECT_EQ(0, fakeLiveView.controlsEnabled);
        TW_UINT16 count;
        EXPECT_EQ(TWRC_SUCCESS, EndTransfer(&count));
        EXPECT_EQ(step.count, count);
        EXPECT_EQ(step.fill, PreparedFill());
        EXPECT_EQ(6, sourceState);
    }
    EXPECT_EQ(1, fakeLiveView.controlsEnabled);
    EXPECT_TRUE(transferIdle);
    EXPECT_EQ(0, ClosesPosted());
    EXPECT_EQ(1, ManagerMessages(MSG_XFERREADY));
}

TEST_F(UserInterfaceTest, BatchWhoseSnapshotsWereReleasedEndsAtTheNextEndTransfer) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    PutSnapshot(1, 0x01, true);
    PutSnapshot(7, 0x07, true);
    BeginTransferBatch();
    ASSERT_EQ(0x01, PreparedFill());
    // The window shut down under the running batch.
    ReleaseAllSnapshots();
    TW_UINT16 count;
    EXPECT_EQ(TWRC_SUCCESS, EndTransfer(&count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(-1, PreparedFill());
    EXPECT_TRUE(transferIdle);
}

TEST_F(UserInterfaceTest, TransferWithNothingToTransferAnnouncesNothing) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    // Selected but empty (a failed store) counts as nothing selected.
    snapshotStore.slotSelected[4] = 1;
    PutSnapshot(6, 0x06, false);
    BeginTransferBatch();
    ASSERT_EQ(1u, HostMessageBoxes().size());
    const HostMessageBox& box = HostMessageBoxes()[0];
    EXPECT_EQ("Please select one or more Image to transfer", box.text);
    EXPECT_EQ("Error", box.caption);
    EXPECT_EQ(liveViewWindow, box.owner);
    EXPECT_EQ(0, ManagerMessages(MSG_XFERREADY));
    EXPECT_TRUE(transferIdle);
    EXPECT_EQ(1, fakeLiveView.controlsEnabled);
    EXPECT_EQ(0, pendingCount);
}

TEST_F(UserInterfaceTest, EndTransferWithNothingPendingEndsTheWindowWithoutLivePicture) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    slotPreparedRgb[3] = true;
    TW_UINT16 count;
    EXPECT_EQ(TWRC_SUCCESS, EndTransfer(&count));
    EXPECT_EQ(0, count);
    EXPECT_FALSE(slotPreparedRgb[3]);
    EXPECT_EQ(1, fakeLiveView.controlsEnabled);
    EXPECT_EQ(0, ClosesPosted());

    previewAvailable = false;
    EXPECT_EQ(TWRC_SUCCESS, EndTransfer(&count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(1, ClosesPosted());

    // Without a window there is nothing to enable or close.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    HostWindowCalls().clear();
    EXPECT_EQ(TWRC_SUCCESS, EndTransfer(&count));
    EXPECT_TRUE(HostWindowCalls().empty());
}

TEST_F(UserInterfaceTest, ResetDisableAndCloseEndARunningBatch) {
    for (TW_UINT16 ending : {MSG_RESET, MSG_DISABLEDS, MSG_CLOSEDS}) {
        SCOPED_TRACE(ending);
        SetUp();
        ASSERT_EQ(TWRC_SUCCESS, Enable(true));
        PutSnapshot(1, 0x01, true);
        PutSnapshot(4, 0x04, true);
        BeginTransferBatch();
        ASSERT_FALSE(transferIdle);
        TW_PENDINGXFERS pending = {0xffff, 0};
        if (ending == MSG_RESET) {
            EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
            EXPECT_EQ(0, pending.Count);
            EXPECT_EQ(5, sourceState);
            TW_IMAGEINFO info;
            EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
            EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
            EXPECT_EQ(1, fakeLiveView.controlsEnabled);
        } else if (ending == MSG_DISABLEDS) {
            EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
            EXPECT_EQ(1, fakeLiveView.controlsEnabled);
        } else {
            EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
        }
        EXPECT_TRUE(transferIdle);
        EXPECT_EQ(0, pendingCount);
        HostMessageBoxes().clear();
    }
}

TEST_F(UserInterfaceTest, BatchAfterNativeTransferWithoutMemoryForTheImageIsAbandoned) {
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    PutSnapshot(0, 0x01, true);
    lastTransferKind = kTransferNative;
    HostFailAllocationsAfter(0);
    BeginTransferBatch();
    HostFailAllocationsAfter(-1);
    EXPECT_EQ(std::vector<std::string>{"General failure in transfer.  Low Memory Condition "
                                       "encountered, free up some memory and try again."},
              TakeBoxTexts());
    EXPECT_EQ(0, ManagerMessages(MSG_XFERREADY));
    EXPECT_TRUE(transferIdle);
    EXPECT_EQ(1, fakeLiveView.controlsEnabled);

    // The automatic cycle gets itself a new image buffer.
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
    EXPECT_EQ(TWRC_SUCCESS, Enable(false));
    EXPECT_NE(nullptr, transferImageBuffer);
    EXPECT_EQ(1, ManagerMessages(MSG_XFERREADY));
}

}  // namespace
