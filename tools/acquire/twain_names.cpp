#include "twain_names.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct NamedValue {
    TW_UINT16 value;
    const char* name;
};

#define NAMED(constant) {constant, #constant}

const NamedValue kCapabilities[] = {
    NAMED(CAP_XFERCOUNT),          NAMED(ICAP_COMPRESSION),        NAMED(ICAP_PIXELTYPE),
    NAMED(ICAP_UNITS),             NAMED(ICAP_XFERMECH),           NAMED(CAP_FEEDERENABLED),
    NAMED(CAP_FEEDERLOADED),       NAMED(CAP_SUPPORTEDCAPS),       NAMED(CAP_AUTOFEED),
    NAMED(CAP_INDICATORS),         NAMED(CAP_UICONTROLLABLE),      NAMED(CAP_DEVICEONLINE),
    NAMED(ICAP_AUTOBRIGHT),        NAMED(ICAP_BRIGHTNESS),         NAMED(ICAP_CONTRAST),
    NAMED(ICAP_GAMMA),             NAMED(ICAP_HIGHLIGHT),          NAMED(ICAP_IMAGEFILEFORMAT),
    NAMED(ICAP_ORIENTATION),       NAMED(ICAP_PHYSICALWIDTH),      NAMED(ICAP_PHYSICALHEIGHT),
    NAMED(ICAP_SHADOW),            NAMED(ICAP_FRAMES),             NAMED(ICAP_XNATIVERESOLUTION),
    NAMED(ICAP_YNATIVERESOLUTION), NAMED(ICAP_XRESOLUTION),        NAMED(ICAP_YRESOLUTION),
    NAMED(ICAP_MAXFRAMES),         NAMED(ICAP_BITORDER),           NAMED(ICAP_PIXELFLAVOR),
    NAMED(ICAP_PLANARCHUNKY),      NAMED(ICAP_SUPPORTEDSIZES),     NAMED(ICAP_THRESHOLD),
    NAMED(ICAP_XSCALING),          NAMED(ICAP_YSCALING),           NAMED(ICAP_BITDEPTH),
    NAMED(ICAP_BITDEPTHREDUCTION), NAMED(ICAP_UNDEFINEDIMAGESIZE), NAMED(ICAP_MINIMUMHEIGHT),
    NAMED(ICAP_MINIMUMWIDTH),
};

const NamedValue kItemTypes[] = {
    NAMED(TWTY_INT8),  NAMED(TWTY_INT16), NAMED(TWTY_INT32), NAMED(TWTY_UINT8),  NAMED(TWTY_UINT16),
    NAMED(TWTY_UINT32), NAMED(TWTY_BOOL), NAMED(TWTY_FIX32), NAMED(TWTY_FRAME),  NAMED(TWTY_STR32),
    NAMED(TWTY_STR64), NAMED(TWTY_STR128), NAMED(TWTY_STR255),
};

const NamedValue kContainers[] = {
    NAMED(TWON_ARRAY), NAMED(TWON_ENUMERATION), NAMED(TWON_ONEVALUE), NAMED(TWON_RANGE),
};

const NamedValue kReturnCodes[] = {
    NAMED(TWRC_SUCCESS), NAMED(TWRC_FAILURE),   NAMED(TWRC_CHECKSTATUS), NAMED(TWRC_CANCEL),
    NAMED(TWRC_DSEVENT), NAMED(TWRC_NOTDSEVENT), NAMED(TWRC_XFERDONE),   NAMED(TWRC_ENDOFLIST),
};

const NamedValue kConditionCodes[] = {
    NAMED(TWCC_SUCCESS),     NAMED(TWCC_BUMMER),         NAMED(TWCC_LOWMEMORY),
    NAMED(TWCC_NODS),        NAMED(TWCC_MAXCONNECTIONS), NAMED(TWCC_OPERATIONERROR),
    NAMED(TWCC_BADCAP),      NAMED(TWCC_BADPROTOCOL),    NAMED(TWCC_BADVALUE),
    NAMED(TWCC_SEQERROR),    NAMED(TWCC_BADDEST),        NAMED(TWCC_CAPUNSUPPORTED),
    NAMED(TWCC_CAPBADOPERATION),
};

#undef NAMED

template <size_t N>
const char* Lookup(const NamedValue (&table)[N], TW_UINT16 value) {
    for (const NamedValue& entry : table)
        if (entry.value == value) return entry.name;
    return nullptr;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    snprintf(text, sizeof text, "0x%0*x", digits, value);
    return text;
}

// "TWTY_UINT16" reads as "UINT16" in the listing; unknown values show their number.
template <size_t N>
std::string ShortName(const NamedValue (&table)[N], TW_UINT16 value, size_t prefixLength) {
    const char* name = Lookup(table, value);
    return name ? std::string(name + prefixLength) : Hex(value, 4);
}

}  // namespace

std::string CapabilityName(TW_UINT16 cap) {
    const char* name = Lookup(kCapabilities, cap);
    return name ? std::string(name) : Hex(cap, 4);
}

bool ParseCapability(const std::string& text, TW_UINT16* cap) {
    for (const NamedValue& entry : kCapabilities) {
        if (_stricmp(entry.name, text.c_str()) == 0) {
            *cap = entry.value;
            return true;
        }
    }
    if (text.empty()) return false;
    char* end = nullptr;
    unsigned long value = strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || value > 0xffff || text[0] == '-') return false;
    *cap = static_cast<TW_UINT16>(value);
    return true;
}

std::string ItemTypeName(TW_UINT16 itemType) { return ShortName(kItemTypes, itemType, 5); }
std::string ContainerName(TW_UINT16 conType) { return ShortName(kContainers, conType, 5); }

std::string ReturnCodeName(TW_UINT16 returnCode) {
    const char* name = Lookup(kReturnCodes, returnCode);
    return name ? std::string(name) : "return code " + std::to_string(returnCode);
}

std::string ConditionCodeName(TW_UINT16 conditionCode) {
    const char* name = Lookup(kConditionCodes, conditionCode);
    return (name ? std::string(name) : "condition") + " (" + std::to_string(conditionCode) + ")";
}

std::string QuerySupportFlags(TW_UINT32 mask) {
    static const NamedValue kFlags[] = {{TWQC_GET, "GET"},
                                        {TWQC_SET, "SET"},
                                        {TWQC_GETDEFAULT, "GETDEFAULT"},
                                        {TWQC_GETCURRENT, "GETCURRENT"},
                                        {TWQC_RESET, "RESET"}};
    std::string flags;
    for (const NamedValue& flag : kFlags) {
        if (!(mask & flag.value)) continue;
        if (!flags.empty()) flags += ' ';
        flags += flag.name;
    }
    return flags;
}
