// Names of the TWAIN constants the tool prints and accepts.
#ifndef ORVELLUX_TWAIN_NAMES_H
#define ORVELLUX_TWAIN_NAMES_H

#include <string>

#include "protocol/twain.h"

// "ICAP_XFERMECH" for 0x0103; "0x8001" for a capability without a known name.
std::string CapabilityName(TW_UINT16 cap);
// Accepts a capability name (any case) or a number ("0x0103", "259"); false if neither.
bool ParseCapability(const std::string& text, TW_UINT16* cap);

std::string ItemTypeName(TW_UINT16 itemType);
std::string ContainerName(TW_UINT16 conType);
std::string ReturnCodeName(TW_UINT16 returnCode);
std::string ConditionCodeName(TW_UINT16 conditionCode);
// The flags of a MSG_QUERYSUPPORT answer, such as "GET SET GETDEFAULT GETCURRENT RESET".
std::string QuerySupportFlags(TW_UINT32 mask);

#endif
