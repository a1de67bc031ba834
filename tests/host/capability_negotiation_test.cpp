// Capability requests as the application makes them: the table's answers, sets and
// resets, the refusals, and what older applications are told.
#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <vector>

#include "capabilities/cap_table.h"
#include "capabilities/capabilities.h"
#include "host_win32.h"
#include "protocol/source_state.h"

namespace {

typedef std::vector<BYTE> Bytes;

const TW_UINT16 kBitDepthKeyRgb = 0x9002;

const TW_UINT16 kSupportedCaps[] = {CAP_SUPPORTEDCAPS,
                                    CAP_FEEDERENABLED,
                                    ICAP_XFERMECH,
                                    ICAP_PIXELFLAVOR,
                                    ICAP_PLANARCHUNKY,
                                    ICAP_COMPRESSION,
                                    ICAP_PHYSICALWIDTH,
                                    ICAP_PHYSICALHEIGHT,
                                    ICAP_MINIMUMHEIGHT,
                                    ICAP_MINIMUMWIDTH,
                                    ICAP_UNITS,
                                    CAP_DEVICEONLINE,
                                    CAP_AUTOFEED,
                                    CAP_FEEDERLOADED,
                                    ICAP_AUTOBRIGHT,
                                    ICAP_BRIGHTNESS,
                                    ICAP_CONTRAST,
                                    ICAP_HIGHLIGHT,
                                    ICAP_ORIENTATION,
                                    ICAP_SHADOW,
                                    ICAP_XSCALING,
                                    ICAP_YSCALING,
                                    ICAP_PIXELTYPE,
                                    ICAP_BITDEPTH,
                                    ICAP_BITDEPTHREDUCTION,
                                    ICAP_BITORDER,
                                    ICAP_THRESHOLD,
                                    ICAP_FRAMES,
                                    ICAP_MAXFRAMES,
                                    ICAP_SUPPORTEDSIZES,
                                    ICAP_XNATIVERESOLUTION,
                                    ICAP_YNATIVERESOLUTION,
                                    ICAP_XRESOLUTION,
                                    ICAP_YRESOLUTION,
                                    CAP_XFERCOUNT,
                                    ICAP_IMAGEFILEFORMAT,
                                    ICAP_UNDEFINEDIMAGESIZE,
                                    CAP_INDICATORS,
                                    CAP_UICONTROLLABLE,
                                    ICAP_GAMMA};

// A TW_FIX32 as the 32 bits it occupies in a one-value Item or a range field.
TW_UINT32 Fix(TW_INT16 whole, TW_UINT16 frac) {
    return static_cast<TW_UINT16>(whole) | (static_cast<TW_UINT32>(frac) << 16);
}

template <typename T>
void Put(Bytes* bytes, T value) {
    const BYTE* raw = reinterpret_cast<const BYTE*>(&value);
    bytes->insert(bytes->end(), raw, raw + sizeof value);
}

template <typename T>
T Read(const Bytes& bytes, size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) {
        memcpy(&value, bytes.data() + offset, sizeof value);
    } else {
        ADD_FAILURE() << "container too short for offset " << offset;
    }
    return value;
}

// Application-side containers, laid out as the standard packs them.
Bytes OneValue(TW_UINT16 itemType, TW_UINT32 item) {
    Bytes bytes;
    Put(&bytes, itemType);
    Put(&bytes, item);
    return bytes;
}

Bytes Enumeration(TW_UINT16 itemType, TW_UINT32 numItems, TW_UINT32 currentIndex,
                  const Bytes& items) {
    Bytes bytes;
    Put(&bytes, itemType);
    Put(&bytes, numItems);
    Put(&bytes, currentIndex);
    Put(&bytes, TW_UINT32{0});
    bytes.insert(bytes.end(), items.begin(), items.end());
    return bytes;
}

Bytes Array(TW_UINT16 itemType, TW_UINT32 numItems, const Bytes& items) {
    Bytes bytes;
    Put(&bytes, itemType);
    Put(&bytes, numItems);
    bytes.insert(bytes.end(), items.begin(), items.end());
    return bytes;
}

Bytes Range(TW_UINT16 itemType, TW_UINT32 currentValue) {
    Bytes bytes;
    Put(&bytes, itemType);
    for (int field = 0; field < 4; ++field) Put(&bytes, TW_UINT32{0});
    Put(&bytes, currentValue);
    return bytes;
}

Bytes Shorts(std::initializer_list<TW_UINT16> values) {
    Bytes bytes;
    for (TW_UINT16 value : values) Put(&bytes, value);
    return bytes;
}

Bytes Cut(Bytes bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

// The frame the source offers, as an application writes it into a one-value container.
Bytes FrameOneValue(TW_UINT32 right, TW_UINT32 bottom) {
    Bytes bytes;
    Put(&bytes, TW_UINT16{TWTY_FRAME});
    Put(&bytes, Fix(0, 0));
    Put(&bytes, Fix(0, 0));
    Put(&bytes, right);
    Put(&bytes, bottom);
    return bytes;
}

HGLOBAL BlockOf(const Bytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

Bytes BytesOf(HGLOBAL block) {
    const BYTE* data = static_cast<const BYTE*>(GlobalLock(block));
    Bytes bytes(data, data + GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

struct Answer {
    TW_UINT16 rc;
    TW_UINT16 cc;
    TW_UINT16 conType;
    Bytes block;
};

// One request; the container handed over is copied out and freed, as the application would.
Answer Ask(TW_UINT16 cap, TW_UINT16 msg) {
    int blocksBefore = HostLiveBlocks();
    TW_CAPABILITY capability = {cap, 0, nullptr};
    Answer answer;
    answer.rc = HandleCapability(msg, &capability);
    answer.cc = sourceStatus.ConditionCode;
    answer.conType = capability.ConType;
    EXPECT_EQ(cap, capability.Cap);
    EXPECT_EQ(answer.rc == TWRC_SUCCESS, capability.hContainer != nullptr)
        << "cap " << cap << " msg " << msg;
    if (capability.hContainer) {
        answer.block = BytesOf(capability.hContainer);
        GlobalFree(capability.hContainer);
    }
    EXPECT_EQ(blocksBefore, HostLiveBlocks()) << "cap " << cap << " msg " << msg;
    return answer;
}

// The 4-byte Item of a one-value answer.
TW_UINT32 OneValueItem(const Answer& answer) {
    EXPECT_EQ(TWON_ONEVALUE, answer.conType);
    EXPECT_EQ(6u, answer.block.size());
    return Read<TW_UINT32>(answer.block, 2);
}

struct SetResult {
    TW_UINT16 rc;
    TW_UINT16 cc;
};

// A MSG_SET with the application's own block, which must come back untouched and still
// the application's.
SetResult SetWith(TW_UINT16 cap, TW_UINT16 conType, const Bytes& container) {
    HGLOBAL block = BlockOf(container);
    TW_CAPABILITY capability = {cap, conType, block};
    int blocksBefore = HostLiveBlocks();
    SetResult result;
    result.rc = HandleCapability(MSG_SET, &capability);
    result.cc = sourceStatus.ConditionCode;
    EXPECT_EQ(block, HGLOBAL{capability.hContainer});
    EXPECT_EQ(conType, capability.ConType);
    EXPECT_EQ(blocksBefore, HostLiveBlocks());
    EXPECT_EQ(container, BytesOf(block));
    GlobalFree(block);
    return result;
}

class CapabilityNegotiation : public ::testing::Test {
  protected:
    void SetUp() override {
        savedApp = appIdentity;
        appIdentity.ProtocolMajor = 1;
        appIdentity.ProtocolMinor = 9;
        SetUpCapTable();
    }

    // The values outlive the table, so every test leaves them at their defaults.
    void TearDown() override {
        HostFailAllocationsAfter(-1);
        SetUpCapTable();
        for (TW_UINT16 cap : kSupportedCaps) Ask(cap, MSG_RESET);
        ClearCapTable();
        appIdentity = savedApp;
    }

    TW_IDENTITY savedApp;
};

TEST_F(CapabilityNegotiation, EveryRequestIsUnsupportedWhileTheTableIsEmpty) {
    ClearCapTable();
    std::vector<TW_UINT16> caps(std::begin(kSupportedCaps), std::end(kSupportedCaps));
    caps.push_back(0);
    caps.push_back(kBitDepthKeyRgb);
    for (TW_UINT16 cap : caps) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_QUERYSUPPORT, MSG_RESET}) {
            Answer answer = Ask(cap, msg);
            EXPECT_EQ(TWRC_FAILURE, answer.rc);
            EXPECT_EQ(TWCC_CAPUNSUPPORTED, answer.cc) << "cap " << cap << " msg " << msg;
        }
    }
}

TEST_F(CapabilityNegotiation, SupportedCapsListsEachAnsweredCapabilityOnce) {
    Answer list = Ask(CAP_SUPPORTEDCAPS, MSG_GET);
    ASSERT_EQ(TWRC_SUCCESS, list.rc);
    EXPECT_EQ(TWON_ARRAY, list.conType);
    EXPECT_EQ(TWTY_UINT16, Read<TW_UINT16>(list.block, 0));
    ASSERT_EQ(40u, Read<TW_UINT32>(list.block, 2));
    ASSERT_EQ(87u, list.block.size());
    EXPECT_EQ(list.block, Ask(CAP_SUPPORTEDCAPS, MSG_GETCURRENT).block);
    EXPECT_EQ(list.block, Ask(CAP_SUPPORTEDCAPS, MSG_GETDEFAULT).block);

    std::set<TW_UINT16> listed;
    for (size_t index = 0; index < 40; ++index)
        listed.insert(Read<TW_UINT16>(list.block, 6 + 2 * index));
    EXPECT_EQ(40u, listed.size());
    EXPECT_EQ(1u, listed.count(ICAP_BITDEPTH));
    EXPECT_EQ(0u, listed.count(kBitDepthKeyRgb));
    for (TW_UINT16 cap : listed) {
        Answer support = Ask(cap, MSG_QUERYSUPPORT);
        EXPECT_EQ(TWRC_SUCCESS, support.rc) << "cap " << cap;
        TW_UINT32 mask = OneValueItem(support);
        EXPECT_TRUE(mask == 0x0D || mask == 0x1F) << "cap " << cap;
        EXPECT_EQ(TWRC_SUCCESS, Ask(cap, MSG_GET).rc) << "cap " << cap;
        EXPECT_EQ(TWRC_SUCCESS, Ask(cap, MSG_GETCURRENT).rc) << "cap " << cap;
    }
    for (TW_UINT16 msg : {MSG_SET, MSG_RESET}) {
        Answer refused = Ask(CAP_SUPPORTEDCAPS, msg);
        EXPECT_EQ(TWRC_FAILURE, refused.rc);
        EXPECT_EQ(TWCC_CAPBADOPERATION, refused.cc);
    }
    // The bit depth answers from an entry kept under another key.
    EXPECT_EQ(nullptr, LookupCapEntry(ICAP_BITDEPTH));
}

TEST_F(CapabilityNegotiation, QuerySupportAnswersTheMessagesEachCapabilityAccepts) {
    const struct {
        TW_UINT16 cap;
        TW_UINT32 mask;
    } cases[] = {{ICAP_XRESOLUTION, 0x1F},
                 {ICAP_PHYSICALWIDTH, 0x0D},
                 {ICAP_BITDEPTH, 0x1F},
                 {ICAP_PLANARCHUNKY, 0x0D},
                 {CAP_SUPPORTEDCAPS, 0x0D}};
    for (const auto& c : cases) {
        Answer answer = Ask(c.cap, MSG_QUERYSUPPORT);
        EXPECT_EQ(TWRC_SUCCESS, answer.rc);
        EXPECT_EQ(TWCC_SUCCESS, answer.cc);
        EXPECT_EQ(TWTY_UINT32, Read<TW_UINT16>(answer.block, 0));
        EXPECT_EQ(c.mask, OneValueItem(answer)) << "cap " << c.cap;
    }
}

TEST_F(CapabilityNegotiation, GetAnswersEnumerationsWithTheCurrentAndDefaultPositions) {
    const struct {
        TW_UINT16 cap;
        TW_UINT16 itemType;
        std::vector<TW_UINT32> items;
        TW_UINT32 currentIndex;
        TW_UINT32 defaultIndex;
    } cases[] = {
        {ICAP_XFERMECH, TWTY_UINT16, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}, 0, 0},
        {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, {TWFF_TIFF, TWFF_BMP}, 1, 1},
        {ICAP_BITORDER, TWTY_UINT16, {TWBO_MSBFIRST, TWBO_LSBFIRST}, 0, 0},
        {ICAP_BITDEPTH, TWTY_UINT16, {24}, 0, 0},
        {ICAP_XRESOLUTION, TWTY_FIX32, {Fix(100, 0)}, 0, 0},
        {ICAP_YSCALING, TWTY_FIX32, {Fix(100, 0)}, 0, 0},
    };
    for (const auto& c : cases) {
        Answer answer = Ask(c.cap, MSG_GET);
        ASSERT_EQ(TWRC_SUCCESS, answer.rc) << "cap " << c.cap;
        EXPECT_EQ(TWON_ENUMERATION, answer.conType);
        EXPECT_EQ(c.itemType, Read<TW_UINT16>(answer.block, 0));
        ASSERT_EQ(c.items.size(), Read<TW_UINT32>(answer.block, 2));
        EXPECT_EQ(c.currentIndex, Read<TW_UINT32>(answer.block, 6)) << "cap " << c.cap;
        EXPECT_EQ(c.defaultIndex, Read<TW_UINT32>(answer.block, 10)) << "cap " << c.cap;
        for (size_t index = 0; index < c.items.size(); ++index) {
            TW_UINT32 item = c.itemType == TWTY_FIX32
                                 ? Read<TW_UINT32>(answer.block, 14 + 4 * index)
                                 : Read<TW_UINT16>(answer.block, 14 + 2 * index);
            EXPECT_EQ(c.items[index], item) << "cap " << c.cap << " item " << index;
        }
    }
}

TEST_F(CapabilityNegotiation, GetAnswersRangesFromTheFirstThreeAllowedValues) {
    const struct {
        TW_UINT16 cap;
        TW_UINT32 fields[5];
    } cases[] = {
        {ICAP_BRIGHTNESS, {Fix(-1000, 1), Fix(1000, 0), Fix(1000, 0), Fix(0, 0), Fix(0, 0)}},
        {ICAP_THRESHOLD, {Fix(0, 0), Fix(255, 0), Fix(1, 0), Fix(128, 0), Fix(128, 0)}},
    };
    for (const auto& c : cases) {
        Answer answer = Ask(c.cap, MSG_GET);
        ASSERT_EQ(TWRC_SUCCESS, answer.rc);
        EXPECT_EQ(TWON_RANGE, answer.conType);
        ASSERT_EQ(22u, answer.block.size());
        EXPECT_EQ(TWTY_FIX32, Read<TW_UINT16>(answer.block, 0));
        for (int field = 0; field < 5; ++field) {
            EXPECT_EQ(c.fields[field], Read<TW_UINT32>(answer.block, 2 + 4 * field))
                << "cap " << c.cap;
        }
    }
}

TEST_F(CapabilityNegotiation, OneValueAnswersCarryTheEncodedValue) {
    const struct {
        TW_UINT16 msg;
        TW_UINT16 cap;
        TW_UINT16 itemType;
        TW_UINT32 item;
    } cases[] = {
        {MSG_GETCURRENT, ICAP_XRESOLUTION, TWTY_FIX32, Fix(100, 0)},
        {MSG_GET, ICAP_PHYSICALWIDTH, TWTY_FIX32, Fix(8, 32768)},
        {MSG_GETDEFAULT, CAP_XFERCOUNT, TWTY_INT16, 0x0000FFFF},
        {MSG_GET, CAP_INDICATORS, TWTY_BOOL, TRUE},
        {MSG_GETCURRENT, CAP_FEEDERENABLED, TWTY_BOOL, FALSE},
        {MSG_GETCURRENT, ICAP_BITDEPTH, TWTY_UINT16, 24},
    };
    for (const auto& c : cases) {
        Answer answer = Ask(c.cap, c.msg);
        ASSERT_EQ(TWRC_SUCCESS, answer.rc);
        EXPECT_EQ(c.itemType, Read<TW_UINT16>(answer.block, 0));
        EXPECT_EQ(c.item, OneValueItem(answer)) << "cap " << c.cap << " msg " << c.msg;
    }
    Answer frame = Ask(ICAP_FRAMES, MSG_GET);
    EXPECT_EQ(TWON_ONEVALUE, frame.conType);
    EXPECT_EQ(FrameOneValue(Fix(8, 32768), Fix(11, 0)), frame.block);
}

TEST_F(CapabilityNegotiation, OneValueSetAcceptsExactlyTheAllowedValuesAndResetRestoresTheDefault) {
    const struct {
        TW_UINT16 cap;
        TW_UINT16 itemType;
        TW_UINT32 item;
        TW_UINT16 cc;
        TW_UINT32 reported;  // the current value afterwards
    } cases[] = {
        {CAP_XFERCOUNT, TWTY_INT16, 0xFFFF, TWCC_SUCCESS, 0xFFFF},
        {CAP_XFERCOUNT, TWTY_INT16, 1, TWCC_SUCCESS, 1},
        {CAP_XFERCOUNT, TWTY_INT16, 25, TWCC_SUCCESS, 25},
        {CAP_XFERCOUNT, TWTY_INT16, 0, TWCC_BADVALUE, 0xFFFF},
        {CAP_XFERCOUNT, TWTY_INT16, 26, TWCC_BADVALUE, 0xFFFF},
        {CAP_XFERCOUNT, TWTY_UINT16, 1, TWCC_BADVALUE, 0xFFFF},
        {CAP_XFERCOUNT, TWTY_INT32, 1, TWCC_BADVALUE, 0xFFFF},
        {ICAP_BRIGHTNESS, TWTY_FIX32, Fix(1000, 0), TWCC_SUCCESS, Fix(1000, 0)},
        {ICAP_BRIGHTNESS, TWTY_FIX32, Fix(-1000, 0), TWCC_SUCCESS, Fix(-1000, 1)},
        {ICAP_BRIGHTNESS, TWTY_FIX32, Fix(0, 0), TWCC_BADVALUE, Fix(0, 0)},
        {ICAP_BRIGHTNESS, TWTY_FIX32, Fix(500, 0), TWCC_BADVALUE, Fix(0, 0)},
        {CAP_INDICATORS, TWTY_BOOL, 2, TWCC_BADVALUE, TRUE},
        {CAP_INDICATORS, TWTY_BOOL, FALSE, TWCC_SUCCESS, FALSE},
        {CAP_FEEDERENABLED, TWTY_BOOL, FALSE, TWCC_BADVALUE, FALSE},
        {CAP_FEEDERENABLED, TWTY_BOOL, TRUE, TWCC_SUCCESS, TRUE},
        {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW, TWCC_BADVALUE, TWPT_RGB},
        {ICAP_UNITS, TWTY_UINT16, TWUN_PIXELS, TWCC_SUCCESS, TWUN_PIXELS},
        {ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY, TWCC_SUCCESS, TWSX_MEMORY},
        {ICAP_BITDEPTH, TWTY_UINT16, 8, TWCC_BADVALUE, 24},
        {ICAP_BITDEPTH, TWTY_UINT16, 24, TWCC_SUCCESS, 24},
        {ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_CAPBADOPERATION, TWPC_CHUNKY},
        {ICAP_PHYSICALWIDTH, TWTY_FIX32, Fix(8, 32768), TWCC_CAPBADOPERATION, Fix(8, 32768)},
    };
    for (const auto& c : cases) {
        TW_UINT32 defaultItem = OneValueItem(Ask(c.cap, MSG_GETDEFAULT));
        SetResult set = SetWith(c.cap, TWON_ONEVALUE, OneValue(c.itemType, c.item));
        EXPECT_EQ(c.cc, set.cc) << "cap " << c.cap << " item " << c.item;
        EXPECT_EQ(c.cc == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE, set.rc);
        EXPECT_EQ(c.reported, OneValueItem(Ask(c.cap, MSG_GETCURRENT)))
            << "cap " << c.cap << " item " << c.item;
        if (c.cc == TWCC_CAPBADOPERATION) continue;
        Answer reset = Ask(c.cap, MSG_RESET);
        EXPECT_EQ(TWRC_SUCCESS, reset.rc);
        EXPECT_EQ(defaultItem, OneValueItem(reset)) << "cap " << c.cap;
        EXPECT_EQ(defaultItem, OneValueItem(Ask(c.cap, MSG_GETCURRENT))) << "cap " << c.cap;
    }
}

TEST_F(CapabilityNegotiation, EnumerationCurrentIndexFollowsASetWhileTheDefaultStays) {
    ASSERT_EQ(TWRC_SUCCESS,
              SetWith(ICAP_XFERMECH, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWSX_MEMORY)).rc);
    Answer answer = Ask(ICAP_XFERMECH, MSG_GET);
    EXPECT_EQ(3u, Read<TW_UINT32>(answer.block, 2));
    EXPECT_EQ(2u, Read<TW_UINT32>(answer.block, 6));
    EXPECT_EQ(0u, Read<TW_UINT32>(answer.block, 10));
}

TEST_F(CapabilityNegotiation, SetValuesOutliveCloseAndReopenUntilReset) {
    ASSERT_EQ(TWRC_SUCCESS, SetWith(CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 5)).rc);
    ClearCapTable();
    SetUpCapTable();
    EXPECT_EQ(5u, OneValueItem(Ask(CAP_XFERCOUNT, MSG_GETCURRENT)));
    EXPECT_EQ(0xFFFFu, OneValueItem(Ask(CAP_XFERCOUNT, MSG_RESET)));
    EXPECT_EQ(0xFFFFu, OneValueItem(Ask(CAP_XFERCOUNT, MSG_GETCURRENT)));
}

TEST_F(CapabilityNegotiation, BothAxesOfAPairShareOneValue) {
    const TW_UINT16 pairs[][2] = {{ICAP_XRESOLUTION, ICAP_YRESOLUTION},
                                  {ICAP_XSCALING, ICAP_YSCALING}};
    for (const auto& pair : pairs) {
        const CapEntry* x = LookupCapEntry(pair[0]);
        const CapEntry* y = LookupCapEntry(pair[1]);
        ASSERT_NE(nullptr, x);
        ASSERT_NE(nullptr, y);
        EXPECT_EQ(x->allowedValues.items, y->allowedValues.items);
        EXPECT_EQ(x->defaultValue.items, y->defaultValue.items);
        EXPECT_EQ(x->currentValue.items, y->currentValue.items);
    }
}

TEST_F(CapabilityNegotiation, OlderApplicationsSeeBadCapForTheNewerCodes) {
    const struct {
        TW_UINT16 major;
        TW_UINT16 minor;
        TW_UINT16 cap;
        TW_UINT16 itemType;
        TW_UINT32 item;
        TW_UINT16 cc;
    } cases[] = {
        {1, 9, ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_CAPBADOPERATION},
        {2, 0, ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_CAPBADOPERATION},
        {1, 5, ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_BADCAP},
        {1, 0, ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, TWCC_BADCAP},
        {1, 9, 0x4242, TWTY_UINT16, 0, TWCC_CAPUNSUPPORTED},
        {1, 5, 0x4242, TWTY_UINT16, 0, TWCC_BADCAP},
        {1, 5, CAP_XFERCOUNT, TWTY_INT16, 0, TWCC_BADVALUE},
        {1, 5, CAP_XFERCOUNT, TWTY_INT16, 3, TWCC_SUCCESS},
    };
    for (const auto& c : cases) {
        appIdentity.ProtocolMajor = c.major;
        appIdentity.ProtocolMinor = c.minor;
        SetResult set = SetWith(c.cap, TWON_ONEVALUE, OneValue(c.itemType, c.item));
        EXPECT_EQ(c.cc, set.cc) << "protocol " << c.major << "." << c.minor << " cap " << c.cap;
    }
}

TEST_F(CapabilityNegotiation, MessagesWithoutAnOperationAreUnsupported) {
    for (TW_UINT16 msg : {MSG_GETFIRST, MSG_GETNEXT, MSG_NULL, 9, MSG_ENDXFER}) {
        Answer answer = Ask(ICAP_XFERMECH, msg);
        EXPECT_EQ(TWRC_FAILURE, answer.rc);
        EXPECT_EQ(TWCC_CAPUNSUPPORTED, answer.cc) << "msg " << msg;
    }
}

TEST_F(CapabilityNegotiation, NullInputIsRefusedWithBadValue) {
    EXPECT_EQ(TWRC_FAILURE, HandleCapability(MSG_GET, nullptr));
    EXPECT_EQ(TWCC_BADVALUE, sourceStatus.ConditionCode);
    for (TW_UINT16 conType : {TWON_ONEVALUE, TWON_ENUMERATION, TWON_ARRAY, TWON_RANGE}) {
        TW_CAPABILITY capability = {CAP_XFERCOUNT, conType, nullptr};
        EXPECT_EQ(TWRC_FAILURE, HandleCapability(MSG_SET, &capability));
        EXPECT_EQ(TWCC_BADVALUE, sourceStatus.ConditionCode) << "container kind " << conType;
        EXPECT_EQ(nullptr, HGLOBAL{capability.hContainer});
    }
}

TEST_F(CapabilityNegotiation, MalformedOrDisallowedSetsChangeNothing) {
    const struct {
        const char* what;
        TW_UINT16 cap;
        TW_UINT16 conType;
        Bytes container;
    } cases[] = {
        {"empty block", CAP_XFERCOUNT, TWON_ONEVALUE, {}},
        {"item type cut short", CAP_XFERCOUNT, TWON_ONEVALUE, {0x01}},
        {"item cut short", CAP_XFERCOUNT, TWON_ONEVALUE, Cut(OneValue(TWTY_INT16, 5), 3)},
        {"unknown container kind", CAP_XFERCOUNT, 0, OneValue(TWTY_INT16, 5)},
        {"another unknown container kind", CAP_XFERCOUNT, 0xFFFF, OneValue(TWTY_INT16, 5)},
        {"string item", ICAP_XFERMECH, TWON_ONEVALUE, OneValue(TWTY_STR32, 0)},
        {"frame not offered", ICAP_FRAMES, TWON_ONEVALUE, FrameOneValue(Fix(4, 0), Fix(11, 0))},
        {"frame cut short", ICAP_FRAMES, TWON_ONEVALUE,
         Cut(FrameOneValue(Fix(8, 32768), Fix(11, 0)), 17)},
        {"frame in a plain one-value block", ICAP_FRAMES, TWON_ONEVALUE, OneValue(TWTY_FRAME, 0)},
        {"enumeration header cut short", ICAP_XFERMECH, TWON_ENUMERATION,
         Cut(Enumeration(TWTY_UINT16, 1, 0, {}), 13)},
        {"enumeration of the wrong type", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT32, 1, 0, Shorts({2, 0}))},
        {"enumeration index past its items", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT16, 2, 2, Shorts({1, 7, 2}))},
        {"enumeration without items", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT16, 0, 0, {})},
        {"enumeration longer than its block", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT16, 0xFFFFFFFF, 1, Shorts({1, 2}))},
        {"enumeration naming a value not offered", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT16, 2, 1, Shorts({1, 7}))},
        {"array of two", ICAP_XFERMECH, TWON_ARRAY, Array(TWTY_UINT16, 2, Shorts({1, 2}))},
        {"array of none", ICAP_XFERMECH, TWON_ARRAY, Array(TWTY_UINT16, 0, {})},
        {"array item cut short", ICAP_XFERMECH, TWON_ARRAY,
         Cut(Array(TWTY_UINT16, 1, Shorts({1})), 7)},
        {"array of a value not offered", ICAP_XFERMECH, TWON_ARRAY,
         Array(TWTY_UINT16, 1, Shorts({7}))},
        {"range cut short", ICAP_BRIGHTNESS, TWON_RANGE, Cut(Range(TWTY_FIX32, Fix(1000, 0)), 21)},
        {"range of the wrong type", ICAP_BRIGHTNESS, TWON_RANGE, Range(TWTY_INT32, 1000)},
        {"range value between minimum and maximum", ICAP_BRIGHTNESS, TWON_RANGE,
         Range(TWTY_FIX32, Fix(500, 0))},
        {"range of frames", ICAP_FRAMES, TWON_RANGE, Range(TWTY_FRAME, 0)},
    };
    for (const auto& c : cases) {
        Answer allowedBefore = Ask(c.cap, MSG_GET);
        Answer currentBefore = Ask(c.cap, MSG_GETCURRENT);
        SetResult set = SetWith(c.cap, c.conType, c.container);
        EXPECT_EQ(TWRC_FAILURE, set.rc) << c.what;
        EXPECT_EQ(TWCC_BADVALUE, set.cc) << c.what;
        EXPECT_EQ(allowedBefore.block, Ask(c.cap, MSG_GET).block) << c.what;
        EXPECT_EQ(currentBefore.block, Ask(c.cap, MSG_GETCURRENT).block) << c.what;
    }
}

TEST_F(CapabilityNegotiation, EveryContainerKindCanNameTheNewCurrentValue) {
    const struct {
        const char* what;
        TW_UINT16 cap;
        TW_UINT16 conType;
        Bytes container;
        TW_UINT32 reported;
    } cases[] = {
        {"enumeration", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT16, 3, 2, Shorts({0, 1, 2})), TWSX_MEMORY},
        {"enumeration with unoffered neighbours", ICAP_XFERMECH, TWON_ENUMERATION,
         Enumeration(TWTY_UINT16, 3, 1, Shorts({7, 1, 9})), TWSX_FILE},
        {"enumeration of fixed-point numbers", ICAP_YRESOLUTION, TWON_ENUMERATION,
         [] {
             Bytes items;
             Put(&items, Fix(100, 0));
             return Enumeration(TWTY_FIX32, 1, 0, items);
         }(),
         Fix(100, 0)},
        {"array", ICAP_XFERMECH, TWON_ARRAY, Array(TWTY_UINT16, 1, Shorts({TWSX_FILE})), TWSX_FILE},
        {"range", ICAP_BRIGHTNESS, TWON_RANGE, Range(TWTY_FIX32, Fix(1000, 0)), Fix(1000, 0)},
        {"range of a signed count", CAP_XFERCOUNT, TWON_RANGE, Range(TWTY_INT16, 0xFFFF), 0xFFFF},
        {"one-value frame naming the offered frame", ICAP_FRAMES, TWON_ONEVALUE,
         FrameOneValue(Fix(8, 32768), Fix(11, 0)), 0},
    };
    for (const auto& c : cases) {
        Answer allowedBefore = Ask(c.cap, MSG_GET);
        SetResult set = SetWith(c.cap, c.conType, c.container);
        EXPECT_EQ(TWRC_SUCCESS, set.rc) << c.what;
        EXPECT_EQ(TWCC_SUCCESS, set.cc) << c.what;
        if (c.cap != ICAP_FRAMES)
            EXPECT_EQ(c.reported, OneValueItem(Ask(c.cap, MSG_GETCURRENT))) << c.what;
        // Back at the default, the answer to MSG_GET shows the offered values untouched.
        Ask(c.cap, MSG_RESET);
        EXPECT_EQ(allowedBefore.block, Ask(c.cap, MSG_GET).block) << c.what;
    }
}

TEST_F(CapabilityNegotiation, AnswersThatCannotBeAllocatedReportLowMemory) {
    ASSERT_EQ(TWRC_SUCCESS, SetWith(CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 5)).rc);
    for (TW_UINT16 msg : {MSG_QUERYSUPPORT, MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
        HostFailAllocationsAfter(0);
        Answer answer = Ask(CAP_XFERCOUNT, msg);
        HostFailAllocationsAfter(-1);
        EXPECT_EQ(TWRC_FAILURE, answer.rc);
        EXPECT_EQ(TWCC_LOWMEMORY, answer.cc) << "msg " << msg;
    }
    // The reset took place although its answer could not be built.
    EXPECT_EQ(0xFFFFu, OneValueItem(Ask(CAP_XFERCOUNT, MSG_GETCURRENT)));
}

}  // namespace
