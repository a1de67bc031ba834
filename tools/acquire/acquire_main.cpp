// acquire: a command-line TWAIN application. See kUsageText for what it does.
#include <windows.h>

#include <stdio.h>

#include <string>

#include "capability_report.h"
#include "command_line.h"
#include "image_transfer.h"
#include "twain_session.h"

namespace {

// A source may block inside a triplet (a modal box nobody answers, a wait of its own);
// past the time limit and a grace period for an orderly close, the tool gives up.
const DWORD kWatchdogGraceMs = 5000;
DWORD watchdogLimitMs = 0;

DWORD WINAPI Watchdog(LPVOID) {
    Sleep(watchdogLimitMs);
    fprintf(stderr, "acquire: gave up after %lu s: the source did not answer in time\n",
            static_cast<unsigned long>(watchdogLimitMs / 1000));
    ExitProcess(1);
}

bool ListSources(std::string* error) {
    TW_IDENTITY identity = {};
    TW_UINT16 result = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &identity);
    int count = 0;
    while (result == TWRC_SUCCESS) {
        PrintIdentity(identity);
        ++count;
        identity = TW_IDENTITY();
        result = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &identity);
    }
    if (result != TWRC_ENDOFLIST) {
        *error = "listing the sources failed: " + DescribeFailure(result);
        return false;
    }
    printf("Sources: %d\n", count);
    return true;
}

bool RunWithSource(const ToolOptions& options, std::string* error) {
    if (!OpenNamedSource(options.sourceName, error)) return false;
    PrintIdentity(openSource);
    bool done = ApplyCapabilityChanges(options, error);
    if (done && options.command == kCommandCaps) done = PrintCapabilities(error);
    if (done && options.command == kCommandAcquire) done = AcquireImages(options, error);
    CloseOpenSource();
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    // Progress lines should appear as they happen, also when the output is a pipe.
    setvbuf(stdout, nullptr, _IONBF, 0);
    ToolOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, &options, &error)) {
        fprintf(stderr, "acquire: %s\n%s", error.c_str(), kUsageText);
        return 2;
    }
    if (options.command == kCommandHelp) {
        printf("%s", kUsageText);
        return 0;
    }
    watchdogLimitMs = options.timeoutSeconds * 1000 + kWatchdogGraceMs;
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog) CloseHandle(watchdog);
    if (!OpenManager(&error)) {
        fprintf(stderr, "acquire: %s\n", error.c_str());
        return 1;
    }
    bool done = options.command == kCommandList ? ListSources(&error) : RunWithSource(options, &error);
    CloseManager();
    if (!done) {
        fprintf(stderr, "acquire: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
