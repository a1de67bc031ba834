// The entry point's checks, routing and condition-code rules, the status triplet and the
// failure box.
#include "protocol/dispatch.h"
#include "protocol/source_state.h"
#include "protocol_fixture.h"

namespace {

class EntryTest : public ProtocolTest {};

TEST_F(EntryTest, AnotherApplicationIsRefusedSilentlyOnlyWhileOneIsConnected) {
    TW_IDENTITY other = application_;
    other.Id = 8;
    TW_IDENTITY identity;
    EXPECT_EQ(TWRC_SUCCESS, DS_Entry(&other, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));

    Open();
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&other, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    TW_STATUS status = {};
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(&other, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_TRUE(HostMessageBoxes().empty());
    EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode());
}

TEST_F(EntryTest, TripletsThatNoHandlerServesFailWithoutABox) {
    struct Case {
        TW_UINT32 dg;
        TW_UINT16 dat;
        TW_UINT16 msg;
    };
    const Case cases[] = {
        {DG_AUDIO, DAT_IDENTITY, MSG_GET},     {0x8000, DAT_STATUS, MSG_GET},
        {DG_CONTROL, DAT_PARENT, MSG_OPENDSM}, {DG_CONTROL, DAT_NULL, MSG_XFERREADY},
        {DG_CONTROL, DAT_EVENT, MSG_GET},      {DG_CONTROL, DAT_IMAGEINFO, MSG_GET},
        {DG_IMAGE, DAT_IDENTITY, MSG_GET},     {DG_IMAGE, 0x010b, MSG_GET},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "DG " << c.dg << " DAT " << c.dat << " MSG " << c.msg);
        TW_UINT32 scratch[64] = {};
        EXPECT_EQ(TWRC_FAILURE, Call(c.dg, c.dat, c.msg, scratch));
        EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode());
        EXPECT_TRUE(HostMessageBoxes().empty());
    }
}

TEST_F(EntryTest, NullPointersAreBadValues) {
    EXPECT_EQ(TWRC_FAILURE, DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_TRUE(HostMessageBoxes().empty());

    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    TW_EVENT noMessage = {nullptr, MSG_XFERREADY};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &noMessage));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_TRUE(HostMessageBoxes().empty());

    // Handlers show their own box for it.
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, ConditionCode());
    EXPECT_EQ(std::vector<std::string>{"General failure in response to DAT_STATUS.  Bad value error."},
              TakeBoxTexts());
}

TEST_F(EntryTest, ProcessEventTakesOnlyTheLiveViewsMessagesAndKeepsTheConditionCode) {
    MSG message = {};
    message.message = WM_KEYDOWN;
    TW_EVENT event = {&message, MSG_XFERREADY};
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(MSG_XFERREADY, event.TWMessage);

    Open();
    ASSERT_EQ(TWRC_SUCCESS, Enable(true));
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &managerCopy_));
    EXPECT_EQ(TWRC_NOTDSEVENT, Call(DG_IMAGE, DAT_NULL, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(MSG_XFERREADY, event.TWMessage);
    message.hwnd = liveViewWindow;
    EXPECT_EQ(TWRC_DSEVENT, Call(DG_AUDIO, DAT_EVENT, MSG_PROCESSEVENT, &event));
    EXPECT_EQ(MSG_NULL, event.TWMessage);
    EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
}

TEST_F(EntryTest, StatusIsReadOnceAndOnlyImageTripletsClearIt) {
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWCC_SEQERROR, ConditionCode());
    EXPECT_EQ(TWCC_SUCCESS, ConditionCode());

    TW_IDENTITY identity;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(TWCC_SEQERROR, ConditionCode());

    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_GRAYRESPONSE, MSG_RESET, nullptr));
    EXPECT_EQ(TWCC_SUCCESS, ConditionCode());
}

TEST_F(EntryTest, StatusWithAnotherMessageFailsWithABox) {
    TW_STATUS status = {};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, DAT_STATUS, MSG_SET, &status));
    ASSERT_EQ(1u, HostMessageBoxes().size());
    const HostMessageBox& box = HostMessageBoxes()[0];
    EXPECT_EQ("General failure in response to DAT_STATUS.  Bad protocol error.", box.text);
    EXPECT_EQ("QMR Source Error", box.caption);
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(static_cast<UINT>(MB_OK), box.type);
    EXPECT_EQ(TWCC_BADPROTOCOL, ConditionCode());
}

TEST_F(EntryTest, FailureBoxComposesPrefixAndTheCodesText) {
    struct Case {
        TW_UINT16 code;
        const char* text;
    };
    const Case cases[] = {
        {TWCC_SUCCESS, "Success message from detailed error request ??"},
        {TWCC_BUMMER, "Bummer error."},
        {TWCC_LOWMEMORY, "Low Memory Condition encountered, free up some memory and try again."},
        {TWCC_NODS, "No Data Source found error."},
        {TWCC_MAXCONNECTIONS, "Source is connected to max possible apps."},
        {TWCC_OPERATIONERROR, "An operation error just occurred."},
        {TWCC_BADCAP, "Bad capabilities error."},
        {7, "Unknown Error value in condition code."},
        {8, "Unknown Error value in condition code."},
        {TWCC_BADPROTOCOL, "Bad protocol error."},
        {TWCC_BADVALUE, "Bad value error."},
        {TWCC_SEQERROR, "DG DAT MSG is out of expected sequence."},
        {TWCC_BADDEST, "Unknown Error value in condition code."},
        {0xffff, "Unknown Error value in condition code."},
    };
    const char longest[] = "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
    for (const Case& c : cases) {
        ReportFailure(longest, c.code);
        EXPECT_EQ(std::vector<std::string>{std::string(longest) + c.text}, TakeBoxTexts());
    }
    ReportFailure("Unable to create file <<DAT_SETUPFILEXFER>>", TWCC_BADVALUE);
    EXPECT_EQ(std::vector<std::string>{"Unable to create file <<DAT_SETUPFILEXFER>>Bad value error."},
              TakeBoxTexts());
}

TEST_F(EntryTest, FailureBoxIsOwnedByTheApplicationsWindowOnceEnabled) {
    HWND parent = reinterpret_cast<HWND>(0x1230);
    Open();
    ASSERT_EQ(TWRC_SUCCESS, Enable(true, parent));
    EXPECT_EQ(TWRC_FAILURE, Enable(true, parent));
    ASSERT_EQ(1u, HostMessageBoxes().size());
    EXPECT_EQ(parent, HostMessageBoxes()[0].owner);
    EXPECT_EQ(parent, fakeLiveView.lastOwner);
}

}  // namespace
