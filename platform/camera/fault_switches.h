// The fault switches and the still folder, read from the registry at each use.
#ifndef ORVELLUX_CAMERA_FAULT_SWITCHES_H
#define ORVELLUX_CAMERA_FAULT_SWITCHES_H

#include <string>

bool FaultEnabled(const char* name);
// Empty when no folder is configured.
std::string StillFolder();

#endif
