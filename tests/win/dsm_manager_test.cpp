// The source manager, loaded by its standard name from the system folder, with probe
// sources installed in the Windows folder's twain_64 tree.
#include <windows.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "dsm_probe_install.h"
#include "protocol/twain.h"
#include "watched_test.h"

namespace {

const UINT kProbeEventMessage = WM_APP + 0x77;

class SourceManagerTest : public WatchedTest {
protected:
    static void SetUpTestSuite() {
        RemoveProbes();
        probesInstalled = InstallProbeFile(ORV_PROBE_SOURCE, "AlphaProbe.ds") &&
                          InstallProbeFile(ORV_PROBE_SOURCE, "Nested\\Deeper\\BetaProbe.ds") &&
                          InstallProbeFile(ORV_PROBE_SOURCE, "RefuseProbe.ds") &&
                          InstallProbeFile(ORV_PROBE_SOURCE, "GammaProbe.dll") &&
                          InstallProbeText("Broken.ds", "not a library");
    }
    static void TearDownTestSuite() { RemoveProbes(); }

    void SetUp() override {
        ASSERT_TRUE(probesInstalled);
        manager_ = LoadLibraryA("TWAINDSM.DLL");
        ASSERT_NE(nullptr, manager_);
        entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager_, "DSM_Entry")));
        ASSERT_NE(nullptr, entry_);
        window_ = CreateWindowA("STATIC", "application", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_NE(nullptr, window_);
        app_ = MakeApplication("Manager test");
        ASSERT_EQ(TWRC_SUCCESS, Manager(&app_, DAT_PARENT, MSG_OPENDSM, &window_));
    }

    void TearDown() override {
        for (TW_IDENTITY& source : opened_) Manager(&app_, DAT_IDENTITY, MSG_CLOSEDS, &source);
        if (entry_) Manager(&app_, DAT_PARENT, MSG_CLOSEDSM, &window_);
        if (window_) DestroyWindow(window_);
        if (manager_) FreeLibrary(manager_);
        WatchedTest::TearDown();
    }

    static TW_IDENTITY MakeApplication(const char* name) {
        TW_IDENTITY identity = {};
        identity.ProtocolMajor = 1;
        identity.ProtocolMinor = 9;
        identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
        strcpy(identity.ProductName, name);
        return identity;
    }

    TW_UINT16 Manager(TW_IDENTITY* app, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        return entry_(app, nullptr, DG_CONTROL, dat, msg, data);
    }
    TW_UINT16 ToSource(TW_IDENTITY* source, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        return entry_(&app_, source, dg, dat, msg, data);
    }
    TW_UINT16 ManagerCondition() {
        TW_STATUS status = {};
        EXPECT_EQ(TWRC_SUCCESS, Manager(&app_, DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }

    // Opens by product name ("" for the default) and remembers the source for tear-down.
    TW_UINT16 Open(const char* name, TW_IDENTITY* source) {
        *source = TW_IDENTITY();
        strcpy(source->ProductName, name);
        TW_UINT16 result = Manager(&app_, DAT_IDENTITY, MSG_OPENDS, source);
        if (result == TWRC_SUCCESS) opened_.push_back(*source);
        return result;
    }
    TW_UINT16 Close(TW_IDENTITY* source) {
        TW_UINT16 result = Manager(&app_, DAT_IDENTITY, MSG_CLOSEDS, source);
        if (result == TWRC_SUCCESS)
            opened_.erase(std::remove_if(opened_.begin(), opened_.end(),
                                         [&](const TW_IDENTITY& open) { return open.Id == source->Id; }),
                          opened_.end());
        return result;
    }

    std::vector<TW_IDENTITY> ListAll() {
        std::vector<TW_IDENTITY> listed;
        TW_IDENTITY identity = {};
        TW_UINT16 result = Manager(&app_, DAT_IDENTITY, MSG_GETFIRST, &identity);
        while (result == TWRC_SUCCESS && listed.size() < 100) {
            listed.push_back(identity);
            result = Manager(&app_, DAT_IDENTITY, MSG_GETNEXT, &identity);
        }
        EXPECT_EQ(TWRC_ENDOFLIST, result);
        return listed;
    }

    // Waits (bounded) for the manager's wake-up in the application's queue.
    bool TakeWakeUp(MSG* message) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            if (PeekMessageA(message, window_, 0, 0, PM_REMOVE)) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return false;
    }

    TW_UINT16 ProcessEvent(TW_IDENTITY* source, UINT windowMessage, TW_UINT16* delivered) {
        MSG message = {window_, windowMessage, 0, 0, 0, {0, 0}};
        TW_EVENT event = {&message, MSG_NULL};
        TW_UINT16 result = ToSource(source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        *delivered = event.TWMessage;
        return result;
    }

    static bool probesInstalled;
    HMODULE manager_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    HWND window_ = nullptr;
    TW_IDENTITY app_ = {};
    std::vector<TW_IDENTITY> opened_;
};

bool SourceManagerTest::probesInstalled = false;

std::string Name(const TW_IDENTITY& identity) {
    return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof(TW_STR32)));
}

TEST_F(SourceManagerTest, GivesEachApplicationItsOwnIdOnce) {
    EXPECT_NE(0u, app_.Id);
    TW_IDENTITY again = app_;
    EXPECT_EQ(TWRC_FAILURE, Manager(&again, DAT_PARENT, MSG_OPENDSM, &window_));
    EXPECT_EQ(TWCC_SEQERROR, ManagerCondition());

    TW_IDENTITY second = MakeApplication("Second application");
    ASSERT_EQ(TWRC_SUCCESS, Manager(&second, DAT_PARENT, MSG_OPENDSM, &window_));
    EXPECT_NE(0u, second.Id);
    EXPECT_NE(app_.Id, second.Id);
    TW_IDENTITY fallback = {};
    EXPECT_EQ(TWRC_SUCCESS, Manager(&app_, DAT_IDENTITY, MSG_GETDEFAULT, &fallback)) << "first still served";
    EXPECT_EQ(TWRC_SUCCESS, Manager(&second, DAT_PARENT, MSG_CLOSEDSM, &window_));
    EXPECT_EQ(TWRC_FAILURE, Manager(&second, DAT_PARENT, MSG_CLOSEDSM, &window_));
    EXPECT_EQ(TWCC_SEQERROR, ManagerCondition());

    TW_IDENTITY unopened = MakeApplication("Never opened");
    TW_IDENTITY listed = {};
    EXPECT_EQ(TWRC_FAILURE, Manager(&unopened, DAT_IDENTITY, MSG_GETFIRST, &listed));
    EXPECT_EQ(TWCC_SEQERROR, ManagerCondition());
    EXPECT_EQ(TWCC_SUCCESS, ManagerCondition()) << "reading the status clears it";
}

TEST_F(SourceManagerTest, ListsEverySourceOfTheTreeOnceAndUnloadsIt) {
    std::vector<TW_IDENTITY> listed = ListAll();
    std::vector<std::string> names;
    for (const TW_IDENTITY& identity : listed) {
        names.push_back(Name(identity));
        EXPECT_EQ(0u, identity.Id) << Name(identity);
    }
    for (const char* probe : {"AlphaProbe", "BetaProbe", "RefuseProbe"})
        EXPECT_EQ(1, std::count(names.begin(), names.end(), probe)) << probe;
    for (const char* notSource : {"GammaProbe", "Broken"})
        EXPECT_EQ(0, std::count(names.begin(), names.end(), notSource)) << notSource;
    EXPECT_EQ(nullptr, GetModuleHandleA("AlphaProbe.ds"));
    EXPECT_EQ(nullptr, GetModuleHandleA("BetaProbe.ds"));

    const TW_IDENTITY& alpha = listed[std::find(names.begin(), names.end(), "AlphaProbe") - names.begin()];
    EXPECT_STREQ("Orvellux Test", alpha.Manufacturer);
    EXPECT_EQ(2, alpha.Version.MajorNum);
    EXPECT_EQ(3, alpha.Version.MinorNum);

    TW_IDENTITY next = {};
    EXPECT_EQ(TWRC_ENDOFLIST, Manager(&app_, DAT_IDENTITY, MSG_GETNEXT, &next));
    TW_IDENTITY fallback = {};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&app_, DAT_IDENTITY, MSG_GETDEFAULT, &fallback));
    EXPECT_EQ(names.front(), Name(fallback));
}

TEST_F(SourceManagerTest, OpensByNameWithFreshIdsRoutesAndUnloadsAtClose) {
    TW_IDENTITY alpha, beta;
    ASSERT_EQ(TWRC_SUCCESS, Open("AlphaProbe", &alpha));
    ASSERT_EQ(TWRC_SUCCESS, Open("BetaProbe", &beta));
    EXPECT_EQ("AlphaProbe", Name(alpha));
    EXPECT_STREQ("Orvellux Test", alpha.Manufacturer);
    EXPECT_NE(0u, alpha.Id);
    EXPECT_NE(app_.Id, alpha.Id);
    EXPECT_NE(alpha.Id, beta.Id);
    EXPECT_NE(nullptr, GetModuleHandleA("AlphaProbe.ds"));

    // Each source sees the application as origin and knows the Id it was opened with.
    for (TW_IDENTITY* source : {&alpha, &beta}) {
        TW_IMAGEINFO info = {};
        ASSERT_EQ(TWRC_SUCCESS, ToSource(source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
        EXPECT_EQ(static_cast<TW_INT16>(app_.Id), info.XResolution.Whole);
        EXPECT_EQ(static_cast<TW_INT16>(source->Id), info.YResolution.Whole);
    }

    // Listing leaves an open source open and still names it.
    std::vector<TW_IDENTITY> listed = ListAll();
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
                            [](const TW_IDENTITY& identity) { return Name(identity) == "AlphaProbe"; }));
    EXPECT_NE(nullptr, GetModuleHandleA("AlphaProbe.ds"));

    ASSERT_EQ(TWRC_SUCCESS, Close(&alpha));
    EXPECT_EQ(nullptr, GetModuleHandleA("AlphaProbe.ds"));
    TW_IMAGEINFO info = {};
    EXPECT_EQ(TWRC_FAILURE, ToSource(&alpha, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    EXPECT_EQ(TWCC_BADDEST, ManagerCondition());
    EXPECT_EQ(TWRC_SUCCESS, ToSource(&beta, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
}

TEST_F(SourceManagerTest, EmptyNameOpensTheDefaultSource) {
    TW_IDENTITY fallback = {};
    ASSERT_EQ(TWRC_SUCCESS, Manager(&app_, DAT_IDENTITY, MSG_GETDEFAULT, &fallback));
    TW_IDENTITY byName, byDefault;
    TW_UINT16 named = Open(Name(fallback).c_str(), &byName);
    TW_UINT16 namedCondition = ManagerCondition();
    if (named == TWRC_SUCCESS) {
        ASSERT_EQ(TWRC_SUCCESS, Close(&byName));
    }
    // Whatever the default source answers by name, it answers the same when not named.
    EXPECT_EQ(named, Open("", &byDefault));
    if (named == TWRC_SUCCESS) {
        EXPECT_EQ(Name(fallback), Name(byDefault));
    } else {
        EXPECT_EQ(namedCondition, ManagerCondition());
    }
}

TEST_F(SourceManagerTest, RefusesWhatItCannotServe) {
    struct Case {
        const char* what;
        std::function<TW_UINT16()> triplet;
        TW_UINT16 condition;
    };
    TW_IDENTITY alpha;
    ASSERT_EQ(TWRC_SUCCESS, Open("AlphaProbe", &alpha));
    TW_IDENTITY stranger = alpha;
    stranger.Id = 0x7777;
    TW_IDENTITY scratch;
    TW_STATUS status;
    TW_IMAGEINFO info;
    TW_IDENTITY newcomer = MakeApplication("No parent");
    const Case cases[] = {
        {"unknown product name", [&] { return Open("NoSuchProbe", &scratch); }, TWCC_NODS},
        {"a source that refuses to open", [&] { return Open("RefuseProbe", &scratch); }, TWCC_BUMMER},
        {"a triplet for a source never opened",
         [&] { return ToSource(&stranger, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info); }, TWCC_BADDEST},
        {"closing a source never opened", [&] { return Close(&stranger); }, TWCC_BADDEST},
        {"closing the manager with a source open",
         [&] { return Manager(&app_, DAT_PARENT, MSG_CLOSEDSM, &window_); }, TWCC_SEQERROR},
        {"opening the manager without a window pointer",
         [&] { return Manager(&newcomer, DAT_PARENT, MSG_OPENDSM, nullptr); }, TWCC_BADVALUE},
        {"setting the manager's status", [&] { return Manager(&app_, DAT_STATUS, MSG_SET, &status); },
         TWCC_BADPROTOCOL},
        {"an image triplet without a source",
         [&] { return entry_(&app_, nullptr, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info); }, TWCC_BADPROTOCOL},
        {"choosing a source by dialog", [&] { return Manager(&app_, DAT_IDENTITY, MSG_USERSELECT, &scratch); },
         TWCC_BADPROTOCOL},
    };
    for (const Case& check : cases) {
        EXPECT_EQ(TWRC_FAILURE, check.triplet()) << check.what;
        EXPECT_EQ(check.condition, ManagerCondition()) << check.what;
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("RefuseProbe.ds")) << "a refusing source is unloaded again";
    EXPECT_EQ(TWRC_SUCCESS, ToSource(&alpha, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info)) << "alpha still served";
}

TEST_F(SourceManagerTest, DeliversSourceAnnouncementsThroughProcessEvent) {
    TW_IDENTITY alpha;
    ASSERT_EQ(TWRC_SUCCESS, Open("AlphaProbe", &alpha));
    TW_USERINTERFACE ui = {TRUE, FALSE, window_};
    ASSERT_EQ(TWRC_SUCCESS, ToSource(&alpha, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));

    MSG wakeUp;
    ASSERT_TRUE(TakeWakeUp(&wakeUp)) << "no message reached the application's window";
    EXPECT_EQ(static_cast<UINT>(WM_NULL), wakeUp.message);
    TW_UINT16 delivered = MSG_NULL;
    EXPECT_EQ(TWRC_NOTDSEVENT, ProcessEvent(&alpha, WM_LBUTTONUP, &delivered))
        << "the application's own message stays the application's";
    EXPECT_EQ(MSG_NULL, delivered);
    EXPECT_EQ(TWRC_DSEVENT, ProcessEvent(&alpha, wakeUp.message, &delivered));
    EXPECT_EQ(MSG_XFERREADY, delivered);
    EXPECT_EQ(TWRC_NOTDSEVENT, ProcessEvent(&alpha, WM_NULL, &delivered)) << "delivered once only";
    EXPECT_EQ(MSG_NULL, delivered);
    EXPECT_EQ(TWRC_DSEVENT, ProcessEvent(&alpha, kProbeEventMessage, &delivered)) << "the source's own event";
    EXPECT_EQ(MSG_NULL, delivered);

    TW_PENDINGXFERS pending = {};
    ASSERT_EQ(TWRC_SUCCESS, ToSource(&alpha, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(1, pending.Count);
    ASSERT_EQ(TWRC_SUCCESS, ToSource(&alpha, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, pending.Count);
    ASSERT_TRUE(TakeWakeUp(&wakeUp));
    EXPECT_EQ(TWRC_DSEVENT, ProcessEvent(&alpha, wakeUp.message, &delivered));
    EXPECT_EQ(MSG_CLOSEDSREQ, delivered);
}

struct Announcement {
    DSMENTRYPROC entry;
    TW_IDENTITY* source;
    TW_IDENTITY* app;
    TW_UINT16 msg;
    TW_UINT16 result;
};

DWORD WINAPI AnnounceFromThread(LPVOID parameter) {
    Announcement* announcement = static_cast<Announcement*>(parameter);
    announcement->result = announcement->entry(announcement->source, announcement->app, DG_CONTROL, DAT_NULL,
                                               announcement->msg, nullptr);
    return 0;
}

TEST_F(SourceManagerTest, QueuesAnnouncementsInOrderForTheRightSessionOnly) {
    TW_IDENTITY alpha, beta;
    ASSERT_EQ(TWRC_SUCCESS, Open("AlphaProbe", &alpha));
    ASSERT_EQ(TWRC_SUCCESS, Open("BetaProbe", &beta));
    EXPECT_EQ(TWRC_SUCCESS, entry_(&alpha, &app_, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr));
    // A source may announce from a thread of its own.
    Announcement fromThread = {entry_, &alpha, &app_, MSG_CLOSEDSREQ, TWRC_FAILURE};
    HANDLE thread = CreateThread(nullptr, 0, AnnounceFromThread, &fromThread, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_EQ(TWRC_SUCCESS, fromThread.result);

    TW_IDENTITY stranger = alpha;
    stranger.Id = 0x7777;
    EXPECT_EQ(TWRC_FAILURE, entry_(&stranger, &app_, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr));
    EXPECT_EQ(TWRC_FAILURE, entry_(&alpha, &app_, DG_CONTROL, DAT_NULL, MSG_ENDXFER, nullptr));

    TW_UINT16 delivered = MSG_NULL;
    EXPECT_EQ(TWRC_NOTDSEVENT, ProcessEvent(&beta, WM_NULL, &delivered)) << "beta announced nothing";
    EXPECT_EQ(TWRC_DSEVENT, ProcessEvent(&alpha, WM_NULL, &delivered));
    EXPECT_EQ(MSG_XFERREADY, delivered);
    // A message the source takes carries the next announcement as well.
    EXPECT_EQ(TWRC_DSEVENT, ProcessEvent(&alpha, kProbeEventMessage, &delivered));
    EXPECT_EQ(MSG_CLOSEDSREQ, delivered);
    EXPECT_EQ(TWRC_NOTDSEVENT, ProcessEvent(&alpha, WM_NULL, &delivered));
}

}  // namespace
