#include "capabilities/containers.h"

#include <string.h>

#include <cmath>

#include "capabilities/capabilities.h"

namespace {

bool IsFixedPoint(TW_UINT16 itemType) { return itemType == TWTY_FIX32 || itemType == TWTY_FRAME; }

const BYTE* ItemAt(const void* items, TW_UINT32 index, TW_UINT32 itemBytes) {
    return static_cast<const BYTE*>(items) + static_cast<size_t>(index) * itemBytes;
}

// A block the application could read half-written is worse than none, so a block that
// cannot be locked is given up like one that cannot be allocated.
BYTE* OpenContainer(pTW_CAPABILITY capability, TW_UINT16 conType, SIZE_T bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    if (!data) {
        if (block) GlobalFree(block);
        capability->hContainer = nullptr;
        return nullptr;
    }
    capability->hContainer = block;
    capability->ConType = conType;
    return data;
}

void EncodeItems(TW_UINT16 itemType, TW_UINT32 count, const void* stored, BYTE* container) {
    TW_UINT32 itemBytes = CapItemBytes(itemType);
    for (TW_UINT32 index = 0; index < count; ++index) {
        EncodeItem(itemType, ItemAt(stored, index, itemBytes), container + index * itemBytes);
    }
}

}  // namespace

TW_UINT32 CapItemBytes(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_INT8:
        case TWTY_UINT8:
            return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL:
            return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32:
            return 4;
        case TWTY_FRAME:
            return 16;
        default:
            return 0;
    }
}

TW_FIX32 FloatToFixed(float value) {
    // Truncation after adding a half: positive values round to the nearest 1/65536,
    // negative ones come out up to 1/65536 above, as applications have always seen them.
    // Out-of-range values saturate instead of overflowing the conversion.
    double scaled = value * 65536.0 + 0.5;
    TW_INT32 bits;
    if (std::isnan(scaled)) {
        bits = 0;
    } else if (scaled >= 2147483648.0) {
        bits = INT32_MAX;
    } else if (scaled <= -2147483649.0) {
        bits = INT32_MIN;
    } else {
        bits = static_cast<TW_INT32>(scaled);
    }
    TW_FIX32 fixed;
    fixed.Whole = static_cast<TW_INT16>(bits >> 16);
    fixed.Frac = static_cast<TW_UINT16>(bits & 0xFFFF);
    return fixed;
}

float FixedToFloat(TW_FIX32 value) {
    return static_cast<float>(value.Whole + value.Frac / 65536.0);
}

void EncodeItem(TW_UINT16 itemType, const void* stored, void* container) {
    TW_UINT32 itemBytes = CapItemBytes(itemType);
    if (!IsFixedPoint(itemType)) {
        memcpy(container, stored, itemBytes);
        return;
    }
    // A frame is four fixed-point numbers in the same order as its four floats.
    for (TW_UINT32 offset = 0; offset < itemBytes; offset += 4) {
        float number;
        memcpy(&number, static_cast<const BYTE*>(stored) + offset, 4);
        TW_FIX32 fixed = FloatToFixed(number);
        memcpy(static_cast<BYTE*>(container) + offset, &fixed, 4);
    }
}

void DecodeItem(TW_UINT16 itemType, const void* container, void* stored) {
    TW_UINT32 itemBytes = CapItemBytes(itemType);
    if (!IsFixedPoint(itemType)) {
        memcpy(stored, container, itemBytes);
        return;
    }
    for (TW_UINT32 offset = 0; offset < itemBytes; offset += 4) {
        TW_FIX32 fixed;
        memcpy(&fixed, static_cast<const BYTE*>(container) + offset, 4);
        float number = FixedToFloat(fixed);
        memcpy(static_cast<BYTE*>(stored) + offset, &number, 4);
    }
}

TW_UINT16 MakeOneValueContainer(pTW_CAPABILITY capability, TW_UINT16 itemType, const void* value) {
    // The Item field is 4 bytes; a frame runs on past it.
    TW_UINT32 itemBytes = CapItemBytes(itemType);
    TW_UINT32 fieldBytes = itemBytes > 4 ? itemBytes : 4;
    BYTE* data = OpenContainer(capability, TWON_ONEVALUE, kOneValueHeaderBytes + fieldBytes);
    if (!data) return TWCC_LOWMEMORY;
    memcpy(data, &itemType, sizeof itemType);
    memset(data + kOneValueHeaderBytes, 0, fieldBytes);
    EncodeItem(itemType, value, data + kOneValueHeaderBytes);
    GlobalUnlock(capability->hContainer);
    return TWCC_SUCCESS;
}

TW_UINT16 MakeEnumContainer(pTW_CAPABILITY capability, const TW_ENUMERATION& header,
                            const void* items) {
    // One spare byte after the items, as applications reading ItemList[1] expect.
    SIZE_T bytes =
        kEnumHeaderBytes + 1 + static_cast<SIZE_T>(header.NumItems) * CapItemBytes(header.ItemType);
    BYTE* data = OpenContainer(capability, TWON_ENUMERATION, bytes);
    if (!data) return TWCC_LOWMEMORY;
    memset(data, 0, bytes);
    memcpy(data, &header, kEnumHeaderBytes);
    EncodeItems(header.ItemType, header.NumItems, items, data + kEnumHeaderBytes);
    GlobalUnlock(capability->hContainer);
    return TWCC_SUCCESS;
}

TW_UINT16 MakeArrayContainer(pTW_CAPABILITY capability, const TW_ARRAY& header, const void* items) {
    SIZE_T bytes = kArrayHeaderBytes + 1 +
                   static_cast<SIZE_T>(header.NumItems) * CapItemBytes(header.ItemType);
    BYTE* data = OpenContainer(capability, TWON_ARRAY, bytes);
    if (!data) return TWCC_LOWMEMORY;
    memset(data, 0, bytes);
    memcpy(data, &header, kArrayHeaderBytes);
    EncodeItems(header.ItemType, header.NumItems, items, data + kArrayHeaderBytes);
    GlobalUnlock(capability->hContainer);
    return TWCC_SUCCESS;
}

TW_UINT16 MakeRangeContainer(pTW_CAPABILITY capability, const TW_RANGE& range) {
    BYTE* data = OpenContainer(capability, TWON_RANGE, kRangeBytes);
    if (!data) return TWCC_LOWMEMORY;
    memcpy(data, &range, kRangeBytes);
    GlobalUnlock(capability->hContainer);
    return TWCC_SUCCESS;
}

bool ReadContainerBytes(HGLOBAL block, uint64_t offset, void* out, TW_UINT32 bytes) {
    const BYTE* data = block ? static_cast<const BYTE*>(GlobalLock(block)) : nullptr;
    if (!data) return false;
    bool fits = offset + bytes <= GlobalSize(block);
    if (fits) memcpy(out, data + offset, bytes);
    GlobalUnlock(block);
    return fits;
}

bool TakeOneValueItem(const TW_CAPABILITY* capability, void* item) {
    TW_UINT16 itemType;
    if (!ReadContainerBytes(capability->hContainer, 0, &itemType, sizeof itemType)) return false;
    TW_UINT32 itemBytes = CapItemBytes(itemType);
    return itemBytes != 0 &&
           ReadContainerBytes(capability->hContainer, kOneValueHeaderBytes, item, itemBytes);
}

bool ListHolds(const CapValueList& list, const void* value, TW_UINT32 size) {
    return ListPosition(list, value, size) < list.count;
}

TW_UINT32 ListPosition(const CapValueList& list, const void* value, TW_UINT32 size) {
    for (TW_UINT32 index = 0; index < list.count; ++index) {
        if (memcmp(ItemAt(list.items, index, size), value, size) == 0) return index;
    }
    return list.count;
}
