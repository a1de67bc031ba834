// The acquisition: enable the open source, take every image it announces by the chosen
// mechanism, write each one out, and close down when the source is done.
#ifndef ORVELLUX_IMAGE_TRANSFER_H
#define ORVELLUX_IMAGE_TRANSFER_H

#include <string>

#include "command_line.h"

bool AcquireImages(const ToolOptions& options, std::string* error);

#endif
