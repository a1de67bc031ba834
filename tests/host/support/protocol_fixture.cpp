#include "protocol_fixture.h"

#include <string.h>

#include "protocol/transfer_image.h"
#include "ui/snapshot_store.h"

namespace {

TW_IDENTITY MakeIdentity(TW_UINT32 id, const char* name) {
    TW_IDENTITY identity = {};
    identity.Id = id;
    identity.Version.MajorNum = 2;
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 9;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    strncpy(identity.ProductName, name, sizeof identity.ProductName - 1);
    return identity;
}

}  // namespace

ProtocolTest::ProtocolTest()
    : application_(MakeIdentity(7, "Test application")), managerCopy_(MakeIdentity(42, "Orvellux")) {}

void ProtocolTest::SetUp() { ResetSourceForTests(); }

// Frees what a test left allocated, so that the leak checker sees only real leaks.
void ProtocolTest::TearDown() { ResetSourceForTests(); }

TW_UINT16 ProtocolTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return DS_Entry(&application_, dg, dat, msg, data);
}

TW_UINT16 ProtocolTest::ConditionCode() {
    TW_STATUS status = {0xffff, 0xffff};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(0, status.Reserved);
    return status.ConditionCode;
}

void ProtocolTest::Open() {
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &managerCopy_));
}

TW_UINT16 ProtocolTest::Enable(bool showUI, HWND parent) {
    TW_USERINTERFACE userInterface = {static_cast<TW_BOOL>(showUI ? TRUE : FALSE), FALSE, parent};
    return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &userInterface);
}

TW_UINT16 ProtocolTest::EndTransfer(TW_UINT16* count) {
    TW_PENDINGXFERS pending = {0xffff, 0};
    TW_UINT16 result = Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    *count = pending.Count;
    return result;
}

std::vector<std::string> ProtocolTest::TakeBoxTexts() {
    std::vector<std::string> texts;
    for (const HostMessageBox& box : HostMessageBoxes()) texts.push_back(box.text);
    HostMessageBoxes().clear();
    return texts;
}

int ProtocolTest::ManagerMessages(TW_UINT16 msg) {
    int count = 0;
    for (const ManagerCall& call : ManagerCalls()) count += call.msg == msg;
    return count;
}

void PutSnapshot(int slot, unsigned char fill, bool selected) {
    if (snapshotStore.slotImage[slot]) GlobalFree(snapshotStore.slotImage[slot]);
    snapshotStore.slotImage[slot] = MakeFilledSnapshot(4, 2, fill);
    snapshotStore.slotSelected[slot] = selected;
}

int PreparedFill() {
    if (!preparedImage) return -1;
    const BYTE* image = static_cast<const BYTE*>(GlobalLock(preparedImage));
    int fill = image[kHeaderBytes];
    GlobalUnlock(preparedImage);
    return fill;
}
