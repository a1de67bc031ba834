// Capability answers decoded for people, and the one-value changes the tool makes.
#ifndef ORVELLUX_CAPABILITY_REPORT_H
#define ORVELLUX_CAPABILITY_REPORT_H

#include <windows.h>

#include <string>

#include "command_line.h"
#include "protocol/twain.h"

// Decodes a container block: kind, item type and values; TW_FIX32 as decimals, frames as
// (left, top, right, bottom). Reads never go past the block, whatever its header claims.
std::string DescribeContainer(TW_UINT16 cap, TW_UINT16 conType, HGLOBAL container);

// Builds the TW_ONEVALUE that MSG_SET sends for text such as "2", "0x10", "-1.5", "TRUE";
// null with a reason when the text does not fit the item type.
HGLOBAL MakeOneValue(TW_UINT16 itemType, const std::string& text, std::string* error);

// Prints the open source's supported capabilities with their four answers each.
bool PrintCapabilities(std::string* error);

// Applies --set and --reset to the open source, printing each result.
bool ApplyCapabilityChanges(const ToolOptions& options, std::string* error);

#endif
