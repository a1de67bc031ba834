#include "capability_report.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "twain_names.h"
#include "twain_session.h"

namespace {

const size_t kOneValueItemOffset = 2;
const size_t kArrayItemOffset = 6;
const size_t kEnumerationItemOffset = 14;
const size_t kRangeSize = 22;

size_t ItemSize(TW_UINT16 itemType) {
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
        return sizeof(TW_FRAME);
    case TWTY_STR32:
        return sizeof(TW_STR32);
    case TWTY_STR64:
        return sizeof(TW_STR64);
    case TWTY_STR128:
        return sizeof(TW_STR128);
    case TWTY_STR255:
        return sizeof(TW_STR255);
    default:
        return 0;
    }
}

template <typename T>
T Read(const TW_UINT8* bytes) {
    T value;
    memcpy(&value, bytes, sizeof value);
    return value;
}

std::string FormatFix32(TW_FIX32 fix) {
    char text[32];
    snprintf(text, sizeof text, "%.5f", fix.Whole + fix.Frac / 65536.0);
    std::string number = text;
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.') number.pop_back();
    return number;
}

std::string FormatItem(TW_UINT16 cap, TW_UINT16 itemType, const TW_UINT8* bytes) {
    switch (itemType) {
    case TWTY_INT8:
        return std::to_string(Read<TW_INT8>(bytes));
    case TWTY_UINT8:
        return std::to_string(Read<TW_UINT8>(bytes));
    case TWTY_INT16:
        return std::to_string(Read<TW_INT16>(bytes));
    case TWTY_UINT16:
        // The supported-capabilities list reads better by name.
        if (cap == CAP_SUPPORTEDCAPS) return CapabilityName(Read<TW_UINT16>(bytes));
        return std::to_string(Read<TW_UINT16>(bytes));
    case TWTY_INT32:
        return std::to_string(Read<TW_INT32>(bytes));
    case TWTY_UINT32:
        return std::to_string(Read<TW_UINT32>(bytes));
    case TWTY_BOOL: {
        TW_UINT16 value = Read<TW_UINT16>(bytes);
        return value == TRUE ? "TRUE" : value == FALSE ? "FALSE" : "BOOL " + std::to_string(value);
    }
    case TWTY_FIX32:
        return FormatFix32(Read<TW_FIX32>(bytes));
    case TWTY_FRAME: {
        TW_FRAME frame = Read<TW_FRAME>(bytes);
        return "(" + FormatFix32(frame.Left) + ", " + FormatFix32(frame.Top) + ", " +
               FormatFix32(frame.Right) + ", " + FormatFix32(frame.Bottom) + ")";
    }
    default: {
        size_t size = ItemSize(itemType);
        const char* text = reinterpret_cast<const char*>(bytes);
        return "\"" + std::string(text, strnlen(text, size)) + "\"";
    }
    }
}

std::string FormatList(TW_UINT16 cap, TW_UINT16 itemType, const TW_UINT8* items, TW_UINT32 count) {
    std::string list = "[";
    size_t size = ItemSize(itemType);
    for (TW_UINT32 index = 0; index < count; ++index) {
        if (index) list += ", ";
        list += FormatItem(cap, itemType, items + index * size);
    }
    return list + "]";
}

std::string DescribeBlock(TW_UINT16 cap, TW_UINT16 conType, const TW_UINT8* block, size_t blockSize) {
    if (blockSize < 2) return ContainerName(conType) + ", block of " + std::to_string(blockSize) + " bytes";
    TW_UINT16 itemType = Read<TW_UINT16>(block);
    size_t size = ItemSize(itemType);
    std::string head = ContainerName(conType) + " " + ItemTypeName(itemType);
    if (size == 0) return head + ", unknown item type";
    std::string tooSmall = head + ", block of " + std::to_string(blockSize) + " bytes is too small";
    switch (conType) {
    case TWON_ONEVALUE:
        if (blockSize < kOneValueItemOffset + size) return tooSmall;
        return head + " " + FormatItem(cap, itemType, block + kOneValueItemOffset);
    case TWON_ARRAY: {
        if (blockSize < kArrayItemOffset) return tooSmall;
        TW_UINT32 count = Read<TW_UINT32>(block + 2);
        if ((blockSize - kArrayItemOffset) / size < count) return tooSmall + " for " + std::to_string(count) + " items";
        return head + " " + std::to_string(count) + " items " + FormatList(cap, itemType, block + kArrayItemOffset, count);
    }
    case TWON_ENUMERATION: {
        if (blockSize < kEnumerationItemOffset) return tooSmall;
        TW_UINT32 count = Read<TW_UINT32>(block + 2);
        TW_UINT32 current = Read<TW_UINT32>(block + 6);
        TW_UINT32 fallback = Read<TW_UINT32>(block + 10);
        if ((blockSize - kEnumerationItemOffset) / size < count) return tooSmall + " for " + std::to_string(count) + " items";
        const TW_UINT8* items = block + kEnumerationItemOffset;
        std::string text = head + " " + FormatList(cap, itemType, items, count);
        text += " current #" + std::to_string(current);
        if (current < count) text += " = " + FormatItem(cap, itemType, items + current * size);
        text += ", default #" + std::to_string(fallback);
        if (fallback < count) text += " = " + FormatItem(cap, itemType, items + fallback * size);
        return text;
    }
    case TWON_RANGE: {
        if (blockSize < kRangeSize) return tooSmall;
        if (size > 4) return head + ", item type too large for a range";
        return head + " min " + FormatItem(cap, itemType, block + 2) + " max " + FormatItem(cap, itemType, block + 6) +
               " step " + FormatItem(cap, itemType, block + 10) + " default " +
               FormatItem(cap, itemType, block + 14) + " current " + FormatItem(cap, itemType, block + 18);
    }
    default:
        return "unknown container kind " + std::to_string(conType);
    }
}

TW_FIX32 ToFix32(double value) {
    TW_INT32 scaled = static_cast<TW_INT32>(floor(value * 65536.0 + 0.5));
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xffff);
    return fix;
}

bool ParseInteger(const std::string& text, long long low, long long high, long long* value) {
    char* end = nullptr;
    *value = strtoll(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0' && *value >= low && *value <= high;
}

// One capability request; *answer is the text of its container or of its failure.
bool Ask(TW_UINT16 cap, TW_UINT16 msg, std::string* answer, HGLOBAL setContainer = nullptr) {
    TW_CAPABILITY request = {cap, static_cast<TW_UINT16>(setContainer ? TWON_ONEVALUE : TWON_DONTCARE16),
                             setContainer};
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_CAPABILITY, msg, &request);
    if (result != TWRC_SUCCESS) {
        *answer = "failed: " + DescribeFailure(result);
        return false;
    }
    // MSG_SET answers in the application's own container unless the source put a new one.
    if (request.hContainer && request.hContainer != setContainer) {
        *answer = DescribeContainer(cap, request.ConType, request.hContainer);
        GlobalFree(request.hContainer);
    } else {
        *answer = "done";
    }
    return true;
}

bool SupportedCapabilities(std::vector<TW_UINT16>* caps, std::string* error) {
    TW_CAPABILITY request = {CAP_SUPPORTEDCAPS, TWON_DONTCARE16, nullptr};
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &request);
    if (result != TWRC_SUCCESS) {
        *error = "CAP_SUPPORTEDCAPS: " + DescribeFailure(result);
        return false;
    }
    bool usable = false;
    const TW_UINT8* block = static_cast<const TW_UINT8*>(GlobalLock(request.hContainer));
    if (block && request.ConType == TWON_ARRAY) {
        size_t blockSize = GlobalSize(request.hContainer);
        TW_UINT32 count = blockSize >= kArrayItemOffset ? Read<TW_UINT32>(block + 2) : 0;
        usable = blockSize >= kArrayItemOffset && Read<TW_UINT16>(block) == TWTY_UINT16 &&
                 (blockSize - kArrayItemOffset) / 2 >= count;
        for (TW_UINT32 index = 0; usable && index < count; ++index)
            caps->push_back(Read<TW_UINT16>(block + kArrayItemOffset + index * 2));
    }
    if (block) GlobalUnlock(request.hContainer);
    if (request.hContainer) GlobalFree(request.hContainer);
    if (!usable) *error = "CAP_SUPPORTEDCAPS is not an array of TWTY_UINT16";
    return usable;
}

std::string CurrentItemType(TW_UINT16 cap, TW_UINT16* itemType) {
    TW_CAPABILITY request = {cap, TWON_DONTCARE16, nullptr};
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &request);
    if (result != TWRC_SUCCESS) return "MSG_GETCURRENT " + DescribeFailure(result);
    std::string error;
    const TW_UINT8* block = static_cast<const TW_UINT8*>(GlobalLock(request.hContainer));
    if (block && GlobalSize(request.hContainer) >= 2)
        *itemType = Read<TW_UINT16>(block);
    else
        error = "MSG_GETCURRENT answered no readable container";
    if (block) GlobalUnlock(request.hContainer);
    if (request.hContainer) GlobalFree(request.hContainer);
    return error;
}

}  // namespace

std::string DescribeContainer(TW_UINT16 cap, TW_UINT16 conType, HGLOBAL container) {
    const TW_UINT8* block = static_cast<const TW_UINT8*>(GlobalLock(container));
    if (!block) return ContainerName(conType) + ", container cannot be locked";
    std::string text = DescribeBlock(cap, conType, block, GlobalSize(container));
    GlobalUnlock(container);
    return text;
}

HGLOBAL MakeOneValue(TW_UINT16 itemType, const std::string& text, std::string* error) {
    TW_UINT32 item = 0;
    long long number = 0;
    switch (itemType) {
    case TWTY_BOOL:
        if (_stricmp(text.c_str(), "TRUE") == 0 || text == "1") {
            item = TRUE;
        } else if (_stricmp(text.c_str(), "FALSE") == 0 || text == "0") {
            item = FALSE;
        } else {
            *error = "\"" + text + "\" is not TRUE or FALSE";
            return nullptr;
        }
        break;
    case TWTY_FIX32: {
        char* end = nullptr;
        double value = strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || value < -32768.0 || value >= 32768.0) {
            *error = "\"" + text + "\" is not a number from -32768 to 32767.99998";
            return nullptr;
        }
        TW_FIX32 fix = ToFix32(value);
        memcpy(&item, &fix, sizeof fix);
        break;
    }
    case TWTY_INT8:
    case TWTY_INT16:
    case TWTY_INT32:
    case TWTY_UINT8:
    case TWTY_UINT16:
    case TWTY_UINT32: {
        size_t bits = ItemSize(itemType) * 8;
        bool isSigned = itemType == TWTY_INT8 || itemType == TWTY_INT16 || itemType == TWTY_INT32;
        long long low = isSigned ? -(1LL << (bits - 1)) : 0;
        long long high = isSigned ? (1LL << (bits - 1)) - 1 : (1LL << bits) - 1;
        if (!ParseInteger(text, low, high, &number)) {
            *error = "\"" + text + "\" is not a " + ItemTypeName(itemType) + " value";
            return nullptr;
        }
        // The item sits in the low-order bytes, the rest zero.
        item = static_cast<TW_UINT32>(number) & static_cast<TW_UINT32>(high - low);
        break;
    }
    default:
        *error = "cannot set a capability of item type " + ItemTypeName(itemType);
        return nullptr;
    }
    HGLOBAL container = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE));
    TW_ONEVALUE* oneValue = static_cast<TW_ONEVALUE*>(GlobalLock(container));
    if (!oneValue) {
        if (container) GlobalFree(container);
        *error = "out of memory";
        return nullptr;
    }
    oneValue->ItemType = itemType;
    oneValue->Item = item;
    GlobalUnlock(container);
    return container;
}

bool PrintCapabilities(std::string* error) {
    std::vector<TW_UINT16> caps;
    if (!SupportedCapabilities(&caps, error)) return false;
    printf("Capabilities: %u\n", static_cast<unsigned>(caps.size()));
    static const struct {
        TW_UINT16 msg;
        const char* label;
    } kQuestions[] = {{MSG_QUERYSUPPORT, "QUERYSUPPORT"},
                      {MSG_GET, "GET"},
                      {MSG_GETCURRENT, "GETCURRENT"},
                      {MSG_GETDEFAULT, "GETDEFAULT"}};
    for (TW_UINT16 cap : caps) {
        printf("%s (0x%04x)\n", CapabilityName(cap).c_str(), cap);
        for (const auto& question : kQuestions) {
            std::string answer;
            TW_CAPABILITY request = {cap, TWON_DONTCARE16, nullptr};
            if (question.msg == MSG_QUERYSUPPORT) {
                TW_UINT16 result = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT, &request);
                if (result != TWRC_SUCCESS) {
                    answer = "failed: " + DescribeFailure(result);
                } else {
                    answer = DescribeContainer(cap, request.ConType, request.hContainer);
                    const TW_ONEVALUE* oneValue = static_cast<const TW_ONEVALUE*>(GlobalLock(request.hContainer));
                    if (oneValue && request.ConType == TWON_ONEVALUE && GlobalSize(request.hContainer) >= 6)
                        answer += " (" + QuerySupportFlags(oneValue->Item) + ")";
                    if (oneValue) GlobalUnlock(request.hContainer);
                    GlobalFree(request.hContainer);
                }
            } else {
                Ask(cap, question.msg, &answer);
            }
            printf("  %-13s %s\n", question.label, answer.c_str());
        }
    }
    return true;
}

bool ApplyCapabilityChanges(const ToolOptions& options, std::string* error) {
    bool allDone = true;
    for (const CapabilityAssignment& assignment : options.sets) {
        std::string name = CapabilityName(assignment.cap);
        TW_UINT16 itemType = 0;
        std::string problem = CurrentItemType(assignment.cap, &itemType);
        HGLOBAL container = problem.empty() ? MakeOneValue(itemType, assignment.value, &problem) : nullptr;
        if (!container) {
            printf("SET %s = %s: %s\n", name.c_str(), assignment.value.c_str(), problem.c_str());
            allDone = false;
            continue;
        }
        std::string answer;
        bool done = Ask(assignment.cap, MSG_SET, &answer, container);
        GlobalFree(container);
        allDone = allDone && done;
        printf("SET %s = %s: %s\n", name.c_str(), assignment.value.c_str(), answer.c_str());
        if (done && Ask(assignment.cap, MSG_GETCURRENT, &answer))
            printf("  now %s\n", answer.c_str());
    }
    for (TW_UINT16 cap : options.resets) {
        std::string answer;
        allDone = Ask(cap, MSG_RESET, &answer) && allDone;
        printf("RESET %s: %s\n", CapabilityName(cap).c_str(), answer.c_str());
    }
    if (!allDone) *error = "not every capability change was accepted";
    return allDone;
}
