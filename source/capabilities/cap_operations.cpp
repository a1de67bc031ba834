#include <windows.h>

#include <string.h>

#include "capabilities/cap_table.h"
#include "capabilities/capabilities.h"
#include "capabilities/containers.h"
#include "protocol/source_state.h"

namespace {

const BYTE* ItemAt(const CapValueList& list, TW_UINT32 index, TW_UINT32 itemBytes) {
    return static_cast<const BYTE*>(list.items) + static_cast<size_t>(index) * itemBytes;
}

// A range field carries its item in the low-order bytes, as a one-value Item does.
TW_UINT32 RangeField(TW_UINT16 itemType, const void* stored) {
    TW_UINT32 field = 0;
    if (CapItemBytes(itemType) <= sizeof field) EncodeItem(itemType, stored, &field);
    return field;
}

TW_UINT16 CapQuerySupport(const CapEntry* entry, pTW_CAPABILITY capability) {
    capability->ConType = TWON_ONEVALUE;
    return MakeOneValueContainer(capability, TWTY_UINT32, &entry->supportMask);
}

TW_UINT16 CapGet(const CapEntry* entry, pTW_CAPABILITY capability) {
    TW_UINT32 itemBytes = CapItemBytes(entry->itemType);
    const CapValueList& allowed = entry->allowedValues;
    switch (entry->getConType) {
        case TWON_ENUMERATION: {
            TW_ENUMERATION header = {};
            header.ItemType = entry->itemType;
            header.NumItems = allowed.count;
            header.CurrentIndex = ListPosition(allowed, entry->currentValue.items, itemBytes);
            header.DefaultIndex = ListPosition(allowed, entry->defaultValue.items, itemBytes);
            return MakeEnumContainer(capability, header, allowed.items);
        }
        case TWON_ARRAY: {
            TW_ARRAY header = {};
            header.ItemType = entry->itemType;
            header.NumItems = allowed.count;
            return MakeArrayContainer(capability, header, allowed.items);
        }
        case TWON_RANGE: {
            TW_RANGE range = {};
            range.ItemType = entry->itemType;
            range.MinValue = RangeField(entry->itemType, ItemAt(allowed, 0, itemBytes));
            range.MaxValue = RangeField(entry->itemType, ItemAt(allowed, 1, itemBytes));
            range.StepSize = RangeField(entry->itemType, ItemAt(allowed, 2, itemBytes));
            range.DefaultValue = RangeField(entry->itemType, entry->defaultValue.items);
            range.CurrentValue = RangeField(entry->itemType, entry->currentValue.items);
            return MakeRangeContainer(capability, range);
        }
        default:
            return MakeOneValueContainer(capability, entry->itemType, entry->currentValue.items);
    }
}

TW_UINT16 AnswerValue(const CapEntry* entry, const CapValueList& value, pTW_CAPABILITY capability) {
    if (entry->valueConType == TWON_ARRAY) {
        TW_ARRAY header = {};
        header.ItemType = entry->itemType;
        header.NumItems = value.count;
        return MakeArrayContainer(capability, header, value.items);
    }
    return MakeOneValueContainer(capability, entry->itemType, value.items);
}

TW_UINT16 CapGetCurrent(const CapEntry* entry, pTW_CAPABILITY capability) {
    return AnswerValue(entry, entry->currentValue, capability);
}

TW_UINT16 CapGetDefault(const CapEntry* entry, pTW_CAPABILITY capability) {
    return AnswerValue(entry, entry->defaultValue, capability);
}

// The default comes back even when the answer cannot be built.
TW_UINT16 CapReset(const CapEntry* entry, pTW_CAPABILITY capability) {
    memmove(entry->currentValue.items, entry->defaultValue.items,
            static_cast<size_t>(entry->currentValue.count) * CapItemBytes(entry->itemType));
    return CapGetDefault(entry, capability);
}

// The current value becomes the application's item (container form) when it is allowed.
TW_UINT16 SetCurrentItem(const CapEntry* entry, const BYTE* containerItem) {
    BYTE stored[kMaxItemBytes];
    DecodeItem(entry->itemType, containerItem, stored);
    if (!ListHolds(entry->allowedValues, stored, CapItemBytes(entry->itemType)))
        return TWCC_BADVALUE;
    memcpy(entry->currentValue.items, stored, CapItemBytes(entry->itemType));
    return TWCC_SUCCESS;
}

TW_UINT16 SetFromOneValue(const CapEntry* entry, const TW_CAPABILITY* capability) {
    TW_UINT16 itemType;
    BYTE item[kMaxItemBytes];
    if (!ReadContainerBytes(capability->hContainer, 0, &itemType, sizeof itemType) ||
        itemType != entry->itemType || !TakeOneValueItem(capability, item)) {
        return TWCC_BADVALUE;
    }
    return SetCurrentItem(entry, item);
}

// The item at CurrentIndex becomes current. The allowed values stay the source's own:
// they describe what the camera can do, not what one application asked for.
TW_UINT16 SetFromEnumeration(const CapEntry* entry, HGLOBAL block) {
    TW_ENUMERATION header;
    if (!ReadContainerBytes(block, 0, &header, kEnumHeaderBytes) ||
        header.ItemType != entry->itemType || header.CurrentIndex >= header.NumItems) {
        return TWCC_BADVALUE;
    }
    TW_UINT32 itemBytes = CapItemBytes(entry->itemType);
    uint64_t listEnd = kEnumHeaderBytes + uint64_t{header.NumItems} * itemBytes;
    uint64_t itemOffset = kEnumHeaderBytes + uint64_t{header.CurrentIndex} * itemBytes;
    BYTE item[kMaxItemBytes];
    if (listEnd > GlobalSize(block) || !ReadContainerBytes(block, itemOffset, item, itemBytes)) {
        return TWCC_BADVALUE;
    }
    return SetCurrentItem(entry, item);
}

// Every settable capability holds a single value, so an array must hold exactly one.
TW_UINT16 SetFromArray(const CapEntry* entry, HGLOBAL block) {
    TW_ARRAY header;
    BYTE item[kMaxItemBytes];
    if (!ReadContainerBytes(block, 0, &header, kArrayHeaderBytes) ||
        header.ItemType != entry->itemType || header.NumItems != 1 ||
        !ReadContainerBytes(block, kArrayHeaderBytes, item, CapItemBytes(entry->itemType))) {
        return TWCC_BADVALUE;
    }
    return SetCurrentItem(entry, item);
}

// A range names its current value; minimum, maximum and step stay the source's own.
TW_UINT16 SetFromRange(const CapEntry* entry, HGLOBAL block) {
    TW_RANGE range;
    TW_UINT32 itemBytes = CapItemBytes(entry->itemType);
    if (!ReadContainerBytes(block, 0, &range, kRangeBytes) || range.ItemType != entry->itemType ||
        itemBytes > sizeof range.CurrentValue) {
        return TWCC_BADVALUE;
    }
    BYTE item[kMaxItemBytes];
    memcpy(item, &range.CurrentValue, itemBytes);
    return SetCurrentItem(entry, item);
}

// The application's container is only read: it stays in hContainer, unlocked and its own.
TW_UINT16 CapSet(const CapEntry* entry, pTW_CAPABILITY capability) {
    switch (capability->ConType) {
        case TWON_ONEVALUE:
            return SetFromOneValue(entry, capability);
        case TWON_ENUMERATION:
            return SetFromEnumeration(entry, capability->hContainer);
        case TWON_ARRAY:
            return SetFromArray(entry, capability->hContainer);
        case TWON_RANGE:
            return SetFromRange(entry, capability->hContainer);
        default:
            return TWCC_BADVALUE;
    }
}

TW_UINT16 Answer(TW_UINT16 msg, pTW_CAPABILITY capability) {
    TW_UINT16 key = capability->Cap;
    if (key == ICAP_BITDEPTH) key = BitDepthKey(CurrentPixelType());
    const CapEntry* entry = LookupCapEntry(key);
    if (!entry) return TWCC_CAPUNSUPPORTED;
    TW_UINT32 accepts = entry->supportMask;
    switch (msg) {
        case MSG_GET:
            return (accepts & TWQC_GET) ? CapGet(entry, capability) : TWCC_CAPBADOPERATION;
        case MSG_GETCURRENT:
            return (accepts & TWQC_GETCURRENT) ? CapGetCurrent(entry, capability)
                                               : TWCC_CAPBADOPERATION;
        case MSG_GETDEFAULT:
            return (accepts & TWQC_GETDEFAULT) ? CapGetDefault(entry, capability)
                                               : TWCC_CAPBADOPERATION;
        case MSG_SET:
            return (accepts & TWQC_SET) ? CapSet(entry, capability) : TWCC_CAPBADOPERATION;
        case MSG_RESET:
            return (accepts & TWQC_RESET) ? CapReset(entry, capability) : TWCC_CAPBADOPERATION;
        case MSG_QUERYSUPPORT:
            return CapQuerySupport(entry, capability);
        default:
            return TWCC_CAPUNSUPPORTED;
    }
}

}  // namespace

TW_UINT16 HandleCapability(TW_UINT16 msg, pTW_CAPABILITY capability) {
    TW_UINT16 condition = capability ? Answer(msg, capability) : TWCC_BADVALUE;
    // Condition codes after TWCC_BADDEST came with protocol 1.6; older applications
    // know them all as TWCC_BADCAP.
    if (appIdentity.ProtocolMajor <= 1 && appIdentity.ProtocolMinor <= 5 &&
        condition > TWCC_BADDEST) {
        condition = TWCC_BADCAP;
    }
    SetConditionCode(condition);
    return condition == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE;
}
