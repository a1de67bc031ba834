// A connection as the source manager drives it: one application (Id 7) calling DS_Entry,
// with every module of the source back at its value at load before each test.
#ifndef ORVELLUX_PROTOCOL_FIXTURE_H
#define ORVELLUX_PROTOCOL_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_source.h"
#include "host_win32.h"
#include "protocol/entry_point.h"
#include "protocol/twain.h"

class ProtocolTest : public ::testing::Test {
protected:
    ProtocolTest();
    void SetUp() override;
    void TearDown() override;

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // DAT_STATUS/MSG_GET from the application: the condition code, which it also clears.
    TW_UINT16 ConditionCode();
    // MSG_OPENDS with the manager's copy of the source identity; expects success.
    void Open();
    TW_UINT16 Enable(bool showUI, HWND parent = nullptr);
    TW_UINT16 EndTransfer(TW_UINT16* count);
    // Texts of the recorded message boxes, which are then forgotten.
    std::vector<std::string> TakeBoxTexts();
    // The recorded source-manager calls carrying msg.
    int ManagerMessages(TW_UINT16 msg);

    TW_IDENTITY application_;
    TW_IDENTITY managerCopy_;
};

// Puts a snapshot of the given fill byte into slot, selected or not.
void PutSnapshot(int slot, unsigned char fill, bool selected);
// The first pixel byte of the prepared transfer image, -1 when none is prepared.
int PreparedFill();

#endif
