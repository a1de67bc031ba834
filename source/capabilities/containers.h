// Items, value lists and the four TWAIN containers handed to the application in movable
// global memory. Values are kept in a stored form (fixed-point numbers as floats, frames
// as four floats) and encoded into the standard's form only inside a container.
#ifndef ORVELLUX_CONTAINERS_H
#define ORVELLUX_CONTAINERS_H

#include <windows.h>

#include <stdint.h>

#include "protocol/twain.h"

// A frame, the largest item the source stores.
const TW_UINT32 kMaxItemBytes = 16;

// Header sizes of the containers as the application lays them out (2-byte packing).
const TW_UINT32 kOneValueHeaderBytes = 2;
const TW_UINT32 kEnumHeaderBytes = 14;
const TW_UINT32 kArrayHeaderBytes = 6;
const TW_UINT32 kRangeBytes = 22;

// A value list: count items of one item type, packed at the item size.
struct CapValueList {
    TW_UINT32 count;
    void* items;
};

// Size of one item in both forms; 0 for the string types, which no capability uses.
TW_UINT32 CapItemBytes(TW_UINT16 itemType);

// Stored form to container form and back, one item.
void EncodeItem(TW_UINT16 itemType, const void* stored, void* container);
void DecodeItem(TW_UINT16 itemType, const void* container, void* stored);

// Each builder puts a new block into hContainer and sets ConType, and returns
// TWCC_SUCCESS; on TWCC_LOWMEMORY hContainer is null, ConType is unchanged and nothing
// stays allocated. One-value, enumeration and array items come in stored form; the range
// record comes ready in container form.
TW_UINT16 MakeOneValueContainer(pTW_CAPABILITY capability, TW_UINT16 itemType, const void* value);
TW_UINT16 MakeEnumContainer(pTW_CAPABILITY capability, const TW_ENUMERATION& header,
                            const void* items);
TW_UINT16 MakeArrayContainer(pTW_CAPABILITY capability, const TW_ARRAY& header, const void* items);
TW_UINT16 MakeRangeContainer(pTW_CAPABILITY capability, const TW_RANGE& range);

// Copies bytes from offset of the application's block; false when the block cannot be
// locked or does not reach that far.
bool ReadContainerBytes(HGLOBAL block, uint64_t offset, void* out, TW_UINT32 bytes);

// Copies the item of the application's TW_ONEVALUE, in container form, into item
// (kMaxItemBytes long); false when there is no whole item of a known type to take.
bool TakeOneValueItem(const TW_CAPABILITY* capability, void* item);

// Byte comparison, so floats match only bit for bit. ListPosition gives the list's
// count when no item matches.
bool ListHolds(const CapValueList& list, const void* value, TW_UINT32 size);
TW_UINT32 ListPosition(const CapValueList& list, const void* value, TW_UINT32 size);

#endif
