// The data source as the source manager loads it, under Wine: its identity from the
// library's own resources, the load-list-unload-load pattern of the manager, and the
// real failure box, read and answered by the watcher.
#include <windows.h>

#include <string.h>

#include "protocol/twain.h"
#include "watched_test.h"

namespace {

const char kInstalledSource[] = "C:\\windows\\twain_64\\Orvellux\\Orvelline.ds";

class SourceFailureBoxTest : public WatchedTest {
protected:
    void SetUp() override { Load(); }
    void TearDown() override {
        WatchedTest::TearDown();
        if (library_) FreeLibrary(library_);
    }

    void Load() {
        library_ = LoadLibraryA(kInstalledSource);
        ASSERT_NE(nullptr, library_) << "error " << GetLastError();
        entry_ = reinterpret_cast<DSENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(library_, "DS_Entry")));
        ASSERT_NE(nullptr, entry_);
    }

    void Unload() {
        FreeLibrary(library_);
        library_ = nullptr;
        entry_ = nullptr;
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        return entry_(&application_, dg, dat, msg, data);
    }

    HMODULE library_ = nullptr;
    DSENTRYPROC entry_ = nullptr;
    TW_IDENTITY application_ = {7, {}, 1, 9, DG_CONTROL | DG_IMAGE, "", "", "Test application"};
};

TEST_F(SourceFailureBoxTest, HandlerFailuresShowTheSourcesBox) {
    struct Case {
        TW_UINT16 dat;
        TW_UINT16 msg;
        TW_UINT16 code;
        const char* text;
    };
    const Case cases[] = {
        {DAT_STATUS, MSG_SET, TWCC_BADPROTOCOL,
         "General failure in response to DAT_STATUS.  Bad protocol error."},
        {DAT_IDENTITY, MSG_CLOSEDS, TWCC_SEQERROR,
         "General failure in response to MSG_CLOSEDS.  DG DAT MSG is out of expected sequence."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TW_STATUS status = {};
        EXPECT_EQ(TWRC_FAILURE, Call(DG_CONTROL, c.dat, c.msg, &status));
        SeenBox box = ExpectBox("QMR Source Error", c.text);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        EXPECT_EQ(c.code, status.ConditionCode);
    }
}

TEST_F(SourceFailureBoxTest, EntryPointFailuresShowNothing) {
    TW_STATUS status = {};
    EXPECT_EQ(TWRC_FAILURE, Call(DG_AUDIO, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWRC_FAILURE, entry_(nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
    EXPECT_EQ(TWCC_BADVALUE, status.ConditionCode);
}

TEST_F(SourceFailureBoxTest, EachLoadStartsFromTheSourcesOwnIdentity) {
    TW_IDENTITY identity = {};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(0u, identity.Id);
    EXPECT_STREQ("Oct, 1999", identity.Version.Info);
    EXPECT_STREQ("TWAIN Working Group", identity.Manufacturer);
    EXPECT_STREQ("TWAIN", identity.ProductFamily);
    EXPECT_STREQ("Orvellux", identity.ProductName);
    EXPECT_EQ(1, identity.ProtocolMajor);
    EXPECT_EQ(6, identity.ProtocolMinor);

    // The manager lists the source, unloads it, and loads it again to open it.
    Unload();
    Load();
    TW_IDENTITY managerCopy = identity;
    managerCopy.Id = 42;
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &managerCopy));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(0, memcmp(&managerCopy, &identity, sizeof identity));
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));

    Unload();
    Load();
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity));
    EXPECT_EQ(0u, identity.Id);
}

}  // namespace
