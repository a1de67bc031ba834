// Item encoding, the four container builders and the list searches.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <limits>
#include <vector>

#include "capabilities/capabilities.h"
#include "capabilities/containers.h"
#include "host_win32.h"

namespace {

typedef std::vector<BYTE> Bytes;

// Copies the container out of the record and frees it, as the application would.
Bytes TakeContainer(TW_CAPABILITY* capability) {
    Bytes bytes;
    if (!capability->hContainer) return bytes;
    const BYTE* data = static_cast<const BYTE*>(GlobalLock(capability->hContainer));
    bytes.assign(data, data + GlobalSize(capability->hContainer));
    GlobalUnlock(capability->hContainer);
    GlobalFree(capability->hContainer);
    capability->hContainer = nullptr;
    return bytes;
}

HGLOBAL BlockOf(const Bytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

TEST(CapabilityFixedPoint, FloatToFixedTruncatesAfterAddingAHalfAndSaturates) {
    struct Case {
        float value;
        TW_INT16 whole;
        TW_UINT16 frac;
    };
    const Case cases[] = {
        {-1000.0f, -1000, 1},
        {1000.0f, 1000, 0},
        {0.0f, 0, 0},
        {8.5f, 8, 32768},
        {11.0f, 11, 0},
        {-0.5f, -1, 32769},
        {40000.0f, 32767, 65535},
        {-40000.0f, -32768, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0, 0},
    };
    for (const Case& c : cases) {
        TW_FIX32 fixed = FloatToFixed(c.value);
        EXPECT_EQ(c.whole, fixed.Whole) << c.value;
        EXPECT_EQ(c.frac, fixed.Frac) << c.value;
    }
}

TEST(CapabilityFixedPoint, FixedToFloatMatchesStoredFloatsBitForBit) {
    struct Case {
        TW_INT16 whole;
        TW_UINT16 frac;
        float value;
    };
    const Case cases[] = {{100, 0, 100.0f}, {-1000, 1, -1000.0f}, {8, 32768, 8.5f}, {0, 0, 0.0f}};
    for (const Case& c : cases) {
        float value = FixedToFloat(TW_FIX32{c.whole, c.frac});
        EXPECT_EQ(0, memcmp(&value, &c.value, sizeof value)) << c.whole << "/" << c.frac;
    }
}

TEST(CapabilityContainers, OneValueCarriesTheEncodedItemInItsLowOrderBytes) {
    const TW_INT16 minusOne = -1;
    const TW_BOOL yes = TRUE;
    const TW_UINT8 byte = 0xAB;
    const TW_UINT32 mask = 0x1F;
    const float eightAndAHalf = 8.5f;
    const float frame[] = {0.0f, 0.0f, 8.5f, 11.0f};
    struct Case {
        TW_UINT16 itemType;
        const void* stored;
        Bytes block;
    };
    const Case cases[] = {
        {TWTY_INT16, &minusOne, {0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00}},
        {TWTY_BOOL, &yes, {0x06, 0x00, 0x01, 0x00, 0x00, 0x00}},
        {TWTY_UINT8, &byte, {0x03, 0x00, 0xAB, 0x00, 0x00, 0x00}},
        {TWTY_UINT32, &mask, {0x05, 0x00, 0x1F, 0x00, 0x00, 0x00}},
        {TWTY_FIX32, &eightAndAHalf, {0x07, 0x00, 0x08, 0x00, 0x00, 0x80}},
        {TWTY_FRAME,
         frame,
         {0x08, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x00, 0x00, 0x80, 0x0B, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        TW_CAPABILITY capability = {CAP_XFERCOUNT, 0, nullptr};
        EXPECT_EQ(TWCC_SUCCESS, MakeOneValueContainer(&capability, c.itemType, c.stored));
        EXPECT_EQ(TWON_ONEVALUE, capability.ConType);
        EXPECT_EQ(c.block, TakeContainer(&capability)) << "item type " << c.itemType;
    }
}

TEST(CapabilityContainers, EnumerationAndArrayBlocksHoldHeaderItemsAndOneSpareByte) {
    const float resolution[] = {100.0f};
    TW_ENUMERATION fixedHeader = {};
    fixedHeader.ItemType = TWTY_FIX32;
    fixedHeader.NumItems = 1;
    fixedHeader.CurrentIndex = 0;
    fixedHeader.DefaultIndex = 7;
    TW_CAPABILITY capability = {ICAP_XRESOLUTION, 0, nullptr};
    ASSERT_EQ(TWCC_SUCCESS, MakeEnumContainer(&capability, fixedHeader, resolution));
    EXPECT_EQ(TWON_ENUMERATION, capability.ConType);
    Bytes block = TakeContainer(&capability);
    ASSERT_EQ(19u, block.size());
    const Bytes expected = {0x07, 0, 1, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 100, 0, 0, 0};
    EXPECT_EQ(expected, Bytes(block.begin(), block.begin() + 18));

    const TW_UINT16 mechanisms[] = {TWSX_NATIVE, TWSX_MEMORY};
    TW_ENUMERATION shortHeader = {};
    shortHeader.ItemType = TWTY_UINT16;
    shortHeader.NumItems = 2;
    ASSERT_EQ(TWCC_SUCCESS, MakeEnumContainer(&capability, shortHeader, mechanisms));
    EXPECT_EQ(19u, TakeContainer(&capability).size());

    TW_UINT16 identifiers[40];
    for (TW_UINT16 index = 0; index < 40; ++index)
        identifiers[index] = static_cast<TW_UINT16>(0x1000 + index);
    TW_ARRAY arrayHeader = {};
    arrayHeader.ItemType = TWTY_UINT16;
    arrayHeader.NumItems = 40;
    ASSERT_EQ(TWCC_SUCCESS, MakeArrayContainer(&capability, arrayHeader, identifiers));
    EXPECT_EQ(TWON_ARRAY, capability.ConType);
    block = TakeContainer(&capability);
    ASSERT_EQ(87u, block.size());
    EXPECT_EQ(0, memcmp(block.data() + 6, identifiers, sizeof identifiers));
}

TEST(CapabilityContainers, FailedAllocationLeavesNoBlockAndNoHandle) {
    const TW_UINT16 value = 0;
    TW_ENUMERATION enumHeader = {};
    enumHeader.ItemType = TWTY_UINT16;
    enumHeader.NumItems = 1;
    TW_ARRAY arrayHeader = {};
    arrayHeader.ItemType = TWTY_UINT16;
    arrayHeader.NumItems = 1;
    const TW_RANGE range = {};
    const std::function<TW_UINT16(pTW_CAPABILITY)> builders[] = {
        [&](pTW_CAPABILITY capability) {
            return MakeOneValueContainer(capability, TWTY_UINT16, &value);
        },
        [&](pTW_CAPABILITY capability) {
            return MakeEnumContainer(capability, enumHeader, &value);
        },
        [&](pTW_CAPABILITY capability) {
            return MakeArrayContainer(capability, arrayHeader, &value);
        },
        [&](pTW_CAPABILITY capability) { return MakeRangeContainer(capability, range); },
    };
    int before = HostLiveBlocks();
    for (const auto& build : builders) {
        TW_CAPABILITY capability = {ICAP_XFERMECH, TWON_RANGE + 1,
                                    reinterpret_cast<HGLOBAL>(0x1234)};
        HostFailAllocationsAfter(0);
        TW_UINT16 result = build(&capability);
        HostFailAllocationsAfter(-1);
        EXPECT_EQ(TWCC_LOWMEMORY, result);
        EXPECT_EQ(nullptr, HGLOBAL{capability.hContainer});
        EXPECT_EQ(TWON_RANGE + 1, capability.ConType);
    }
    EXPECT_EQ(before, HostLiveBlocks());
}

TEST(CapabilityContainers, OneValueItemIsTakenOnlyWhenTheBlockHoldsAllOfIt) {
    struct Case {
        const char* what;
        Bytes block;
        bool taken;
        Bytes item;
    };
    const Case cases[] = {
        {"int16", {0x01, 0x00, 0x34, 0x12, 0x00, 0x00}, true, {0x34, 0x12}},
        {"bool in a 4-byte block", {0x06, 0x00, 0x01, 0x00}, true, {0x01, 0x00}},
        {"int16 cut short", {0x01, 0x00, 0x34}, false, {}},
        {"item type cut short", {0x01}, false, {}},
        {"string item", {0x09, 0x00, 0x41, 0x00, 0x00, 0x00}, false, {}},
        {"frame",
         {0x08, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
         true,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
        {"frame in a plain one-value block", {0x08, 0x00, 1, 2, 3, 4}, false, {}},
    };
    for (const Case& c : cases) {
        TW_CAPABILITY capability = {CAP_XFERCOUNT, TWON_ONEVALUE, BlockOf(c.block)};
        BYTE item[kMaxItemBytes] = {};
        EXPECT_EQ(c.taken, TakeOneValueItem(&capability, item)) << c.what;
        if (c.taken) EXPECT_EQ(c.item, Bytes(item, item + c.item.size())) << c.what;
        GlobalFree(capability.hContainer);
    }
    TW_CAPABILITY empty = {CAP_XFERCOUNT, TWON_ONEVALUE, nullptr};
    BYTE item[kMaxItemBytes];
    EXPECT_FALSE(TakeOneValueItem(&empty, item));
}

TEST(CapabilityValueLists, SearchesCompareBytesAndReportAbsenceAsTheCount) {
    TW_INT16 counts[] = {-1, 1, 25};
    CapValueList list = {3, counts};
    const TW_INT16 present = 25;
    const TW_INT16 absent = 0;
    EXPECT_EQ(2u, ListPosition(list, &present, sizeof present));
    EXPECT_TRUE(ListHolds(list, &present, sizeof present));
    EXPECT_EQ(3u, ListPosition(list, &absent, sizeof absent));
    EXPECT_FALSE(ListHolds(list, &absent, sizeof absent));

    CapValueList empty = {0, nullptr};
    EXPECT_EQ(0u, ListPosition(empty, &present, sizeof present));
    EXPECT_FALSE(ListHolds(empty, &present, sizeof present));

    // Equal as numbers, different as stored bits: not the same value.
    float zero[] = {0.0f};
    CapValueList zeros = {1, zero};
    const float minusZero = -0.0f;
    EXPECT_FALSE(ListHolds(zeros, &minusZero, sizeof minusZero));
}

}  // namespace
