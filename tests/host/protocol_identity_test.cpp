// Identity, opening and closing the connection, and the messages to the application
// through the source manager.
#include <stdio.h>
#include <string.h>

#include "protocol/identity.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "protocol_fixture.h"
#include "ui/snapshot_store.h"

namespace {

class IdentityTest : public ProtocolTest {};

bool FileExists(const char* name) {
    FILE* file = fopen(name, "rb");
    if (file) fclose(file);
    return file != nullptr;
}

void MakeFile(const char* name) {
    FILE* file = fopen(name, "wb");
    ASSERT_NE(nullptr, file);
    fclose(file);
}

TEST_F(IdentityTest, ReportsItsOwnIdentityUntilOpenedThenTheManagersCopy) {
    TW_IDENTITY identity;
    memset(&identity, 0xcc, sizeof identity);
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    TW_IDENTITY expected;
    memset(&expected, 0, sizeof expected);
    expected.Version.MajorNum = 1;
    expected.Version.Language = TWLG_USA;
    expected.Version.Country = TWCY_USA;
    strcpy(expected.Version.Info, "Oct, 1999");
    expected.ProtocolMajor = 1;
    expected.ProtocolMinor = 6;
    expected.SupportedGroups = 3;
    strcpy(expected.Manufacturer, "TWAIN Working Group");
    strcpy(expected.ProductFamily, "TWAIN");
    strcpy(expected.ProductName, "Orvellux");
    EXPECT_EQ(0, memcmp(&expected, &identity, sizeof identity));

    Open();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(0, memcmp(&managerCopy_, &identity, sizeof identity));
    EXPECT_EQ(0, memcmp(&application_, &appIdentity, sizeof appIdentity));
}

TEST_F(IdentityTest, OpenAndCloseOutOfSequenceFailWithTheirBoxes) {
    const char log[] = "c:\\twsrc.log";
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
    Open();
    MakeFile(log);
    TW_IDENTITY otherCopy = managerCopy_;
    otherCopy.Id = 99;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &otherCopy));
    EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
    EXPECT_FALSE(FileExists(log));
    EXPECT_EQ(4, sourceState);
    EXPECT_EQ(42u, sourceIdentity.Id);
    EXPECT_EQ(7u, appIdentity.Id);
    EXPECT_EQ((std::vector<std::string>{
                  "General failure in response to MSG_CLOSEDS.  DG DAT MSG is out of expected sequence.",
                  "General failure in response to MSG_OPENDS.  DG DAT MSG is out of expected sequence."}),
              TakeBoxTexts());
}

TEST_F(IdentityTest, BadMessagesAndMissingRecordsFailWithTheIdentityBox) {
    TW_IDENTITY identity;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &identity));
    EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_EQ(3, sourceState);
    EXPECT_EQ((std::vector<std::string>{
                  "General failure in response to DAT_IDENTITY.  Bad protocol error.",
                  "General failure in response to DAT_IDENTITY.  Bad value error.",
                  "General failure in response to MSG_OPENDS.  Bad value error."}),
              TakeBoxTexts());
}

TEST_F(IdentityTest, ConnectionOwnsTheBuffersAndCloseReleasesEverything) {
    int blocksAtLoad = HostLiveBlocks();
    Open();
    EXPECT_EQ(4, sourceState);
    ASSERT_NE(nullptr, transferImageBuffer);
    ASSERT_NE(nullptr, transferHeaderBuffer);
    EXPECT_EQ(kTransferImageBytes, GlobalSize(transferImageBuffer));
    EXPECT_EQ(15116584u, kTransferImageBytes);
    EXPECT_EQ(40u, GlobalSize(transferHeaderBuffer));
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    HWND window = liveViewWindow;
    PutSnapshot(0, 1, true);
    PutSnapshot(11, 2, false);

    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(3, sourceState);
    EXPECT_EQ(0u, appIdentity.Id);
    EXPECT_EQ(nullptr, transferImageBuffer);
    EXPECT_EQ(nullptr, preparedImage);
    EXPECT_EQ(nullptr, liveViewWindow);
    for (HGLOBAL image : snapshotStore.slotImage) EXPECT_EQ(nullptr, image);
    EXPECT_EQ(blocksAtLoad, HostLiveBlocks());
    ASSERT_FALSE(HostWindowCalls().empty());
    EXPECT_EQ(kHostDestroyWindow, HostWindowCalls().back().kind);
    EXPECT_EQ(window, HostWindowCalls().back().window);

    // The next application may open the source.
    application_.Id = 9;
    Open();
    EXPECT_EQ(9u, appIdentity.Id);
}

TEST_F(IdentityTest, OpenWithoutMemoryForTheBuffersLeavesTheSourceClosed) {
    int blocksAtLoad = HostLiveBlocks();
    for (int allocationsBeforeFailure : {0, 1}) {
        HostFailAllocationsAfter(allocationsBeforeFailure);
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &managerCopy_));
        HostFailAllocationsAfter(-1);
        EXPECT_EQ(TWCC_LOWMEMORY, ConditionCode());
        EXPECT_EQ(3, sourceState);
        EXPECT_EQ(0u, appIdentity.Id);
        EXPECT_EQ(0u, sourceIdentity.Id);
        EXPECT_EQ(blocksAtLoad, HostLiveBlocks());
        EXPECT_EQ(std::vector<std::string>{"General failure in response to MSG_OPENDS.  Low Memory "
                                           "Condition encountered, free up some memory and try again."},
                  TakeBoxTexts());
    }
    Open();
}

TEST_F(IdentityTest, MessagesReachTheApplicationThroughTheSourceManager) {
    OfferSourceManager();
    Open();
    NotifyTransferReady();
    RequestClose();
    ASSERT_EQ(2u, ManagerCalls().size());
    const TW_UINT16 messages[] = {MSG_XFERREADY, MSG_CLOSEDSREQ};
    for (size_t i = 0; i < 2; ++i) {
        const ManagerCall& call = ManagerCalls()[i];
        EXPECT_EQ(0, memcmp(&managerCopy_, &call.origin, sizeof call.origin));
        EXPECT_EQ(0, memcmp(&application_, &call.destination, sizeof call.destination));
        EXPECT_EQ(DG_CONTROL, call.dg);
        EXPECT_EQ(DAT_NULL, call.dat);
        EXPECT_EQ(messages[i], call.msg);
        EXPECT_EQ(nullptr, call.data);
    }
    EXPECT_EQ(6, sourceState);
    EXPECT_EQ(0, HostLibraryReferences());
}

TEST_F(IdentityTest, WithoutTheSourceManagerNothingIsSentAndNothingShown) {
    Open();
    NotifyTransferReady();
    EXPECT_EQ(6, sourceState);
    HostProvideLibrary(kSourceManagerLibrary, "SomethingElse", nullptr);
    NotifyTransferReady();
    RequestClose();
    EXPECT_EQ(6, sourceState);
    EXPECT_TRUE(ManagerCalls().empty());
    EXPECT_TRUE(HostMessageBoxes().empty());
    EXPECT_EQ(0, HostLibraryReferences());
}

}  // namespace
