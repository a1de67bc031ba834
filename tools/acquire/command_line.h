// The tool's command line.
#ifndef ORVELLUX_COMMAND_LINE_H
#define ORVELLUX_COMMAND_LINE_H

#include <string>
#include <vector>

#include "protocol/twain.h"
#include "ui_script.h"

enum ToolCommand { kCommandHelp, kCommandList, kCommandCaps, kCommandNegotiate, kCommandAcquire };
enum TransferMechanism { kMechanismNative, kMechanismMemory, kMechanismFile };

struct CapabilityAssignment {
    TW_UINT16 cap;
    std::string value;
};

struct ToolOptions {
    ToolCommand command = kCommandHelp;
    std::string sourceName;
    std::vector<CapabilityAssignment> sets;
    std::vector<TW_UINT16> resets;
    bool showUserInterface = true;
    std::vector<UiStep> uiSteps;
    TransferMechanism mechanism = kMechanismNative;
    std::string outDir;
    std::string screenshotFile;
    unsigned rounds = 1;
    unsigned timeoutSeconds = 120;
};

extern const char kUsageText[];

// Reads argv[1..]; false with a one-line reason when the line is not usable.
bool ParseCommandLine(int argc, const char* const* argv, ToolOptions* options, std::string* error);

#endif
