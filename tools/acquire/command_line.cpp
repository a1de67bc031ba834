#include "command_line.h"

#include <stdlib.h>

#include "twain_names.h"
#include "ui_script.h"

const char kUsageText[] =
    "usage:\n"
    "  acquire --list\n"
    "      lists the installed sources with their identities\n"
    "  acquire --source NAME --caps [--set CAP=VALUE ...] [--reset CAP ...]\n"
    "      prints the identity and every supported capability's answers\n"
    "  acquire --source NAME --set CAP=VALUE ... [--reset CAP ...]\n"
    "      sets capabilities (one value each) or resets them to their defaults\n"
    "  acquire --source NAME --acquire --out DIR [--mech native|memory|file]\n"
    "          [--no-ui | --ui-script SCRIPT] [--screenshot FILE] [--rounds N]\n"
    "      enables the source, transfers every image it offers and writes each one to DIR\n"
    "      as an upright 24-bit BMP file (image_001.bmp, ...); --rounds enables it N times\n"
    "      in one connection, each round running until the source asks to be closed\n"
    "\n"
    "CAP is a capability name such as ICAP_XFERMECH or its number (0x0103); VALUE is a\n"
    "number (decimal, 0x hex, or a decimal fraction for TW_FIX32) or TRUE/FALSE.\n"
    "--no-ui enables the source without its user interface; the default shows it and waits\n"
    "for the user. SCRIPT drives the Live View window instead of a user, steps separated by\n"
    "';':\n"
    "  snap N         press Snap Shot N times, each time waiting until the still is stored\n"
    "  trigger        press Snap Shot and go on at once\n"
    "  button         press the camera's own snapshot button and wait for its still\n"
    "  click K        click thumbnail K (slot 0 to 11, left to right); ctrl-click K and\n"
    "                 shift-click K hold Control or Shift\n"
    "  transfer       press Transfer and wait until its images are transferred\n"
    "  hold           leave the images the source announces waiting; release transfers\n"
    "                 them and waits until they are done\n"
    "  exit           press Exit\n"
    "  close          close the window through its system menu\n"
    "  wait MS        let MS milliseconds pass\n"
    "The tool goes on until the source asks to be closed, so a script ends with exit or close.\n"
    "--screenshot writes the Live View window as a BMP file right before each Transfer and\n"
    "Exit of the script.\n"
    "--timeout SECONDS (any command) bounds the waits for the source (default 120 s).\n"
    "Exit status: 0 done, 1 failed, 2 unusable command line.\n";

namespace {

bool TakeNumber(const std::string& text, unsigned low, unsigned high, unsigned* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    unsigned long number = strtoul(text.c_str(), nullptr, 10);
    if (number < low || number > high) return false;
    *value = static_cast<unsigned>(number);
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, ToolOptions* options, std::string* error) {
    bool list = false, caps = false, acquire = false, help = false, noUi = false;
    bool mechanismGiven = false, roundsGiven = false;
    for (int index = 1; index < argc; ++index) {
        std::string option = argv[index];
        bool takesValue = option == "--source" || option == "--set" || option == "--reset" ||
                          option == "--ui-script" || option == "--mech" || option == "--out" ||
                          option == "--screenshot" || option == "--timeout" || option == "--rounds";
        std::string value;
        if (takesValue) {
            if (index + 1 >= argc) {
                *error = option + " needs a value";
                return false;
            }
            value = argv[++index];
        }
        if (option == "--list") {
            list = true;
        } else if (option == "--caps") {
            caps = true;
        } else if (option == "--acquire") {
            acquire = true;
        } else if (option == "--help" || option == "-h") {
            help = true;
        } else if (option == "--no-ui") {
            noUi = true;
        } else if (option == "--source") {
            options->sourceName = value;
        } else if (option == "--set") {
            size_t equals = value.find('=');
            CapabilityAssignment assignment;
            if (equals == std::string::npos || equals + 1 == value.size() ||
                !ParseCapability(value.substr(0, equals), &assignment.cap)) {
                *error = "--set wants CAP=VALUE with a known capability, not \"" + value + "\"";
                return false;
            }
            assignment.value = value.substr(equals + 1);
            options->sets.push_back(assignment);
        } else if (option == "--reset") {
            TW_UINT16 cap = 0;
            if (!ParseCapability(value, &cap)) {
                *error = "--reset wants a capability, not \"" + value + "\"";
                return false;
            }
            options->resets.push_back(cap);
        } else if (option == "--ui-script") {
            if (!ParseUiScript(value, &options->uiSteps, error)) return false;
        } else if (option == "--mech") {
            mechanismGiven = true;
            if (value == "native") {
                options->mechanism = kMechanismNative;
            } else if (value == "memory") {
                options->mechanism = kMechanismMemory;
            } else if (value == "file") {
                options->mechanism = kMechanismFile;
            } else {
                *error = "--mech wants native, memory or file, not \"" + value + "\"";
                return false;
            }
        } else if (option == "--out") {
            options->outDir = value;
        } else if (option == "--screenshot") {
            options->screenshotFile = value;
        } else if (option == "--rounds") {
            roundsGiven = true;
            if (!TakeNumber(value, 1, 10, &options->rounds)) {
                *error = "--rounds wants 1 to 10, not \"" + value + "\"";
                return false;
            }
        } else if (option == "--timeout") {
            if (!TakeNumber(value, 1, 3600, &options->timeoutSeconds)) {
                *error = "--timeout wants seconds from 1 to 3600, not \"" + value + "\"";
                return false;
            }
        } else {
            *error = "unknown option \"" + option + "\"";
            return false;
        }
    }

    if (help) {
        options->command = kCommandHelp;
        return true;
    }
    if (list + caps + acquire > 1) {
        *error = "choose one of --list, --caps and --acquire";
        return false;
    }
    if (list) {
        options->command = kCommandList;
    } else if (caps) {
        options->command = kCommandCaps;
    } else if (acquire) {
        options->command = kCommandAcquire;
    } else if (!options->sets.empty() || !options->resets.empty()) {
        options->command = kCommandNegotiate;
    } else {
        *error = "nothing to do: give --list, --caps, --set, --reset or --acquire";
        return false;
    }
    if (options->command != kCommandList && options->sourceName.empty()) {
        *error = "--source NAME is needed";
        return false;
    }
    if (options->command == kCommandList &&
        (!options->sourceName.empty() || !options->sets.empty() || !options->resets.empty())) {
        *error = "--list takes no --source, --set or --reset";
        return false;
    }
    if (options->sourceName.size() >= sizeof(TW_STR32)) {
        *error = "a source name has at most 33 characters";
        return false;
    }
    bool acquireOnly = noUi || !options->uiSteps.empty() || mechanismGiven ||
                       !options->outDir.empty() || !options->screenshotFile.empty() || roundsGiven;
    if (options->command != kCommandAcquire && acquireOnly) {
        *error = "--no-ui, --ui-script, --mech, --out, --screenshot and --rounds go with --acquire";
        return false;
    }
    if (options->command == kCommandAcquire) {
        if (options->outDir.empty()) {
            *error = "--acquire needs --out DIR";
            return false;
        }
        if (noUi && !options->uiSteps.empty()) {
            *error = "--ui-script drives the user interface that --no-ui turns off";
            return false;
        }
        if (!options->screenshotFile.empty() && options->uiSteps.empty()) {
            *error = "--screenshot goes with --ui-script, whose Transfer and Exit it precedes";
            return false;
        }
        options->showUserInterface = !noUi;
    }
    return true;
}
