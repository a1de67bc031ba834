// Prints what a full strip costs an application: twelve full-resolution snapshots taken
// through the Live View's controls, then one batch of all twelve by memory transfer, in
// images per second beside a memcpy of the same bytes in the same run; and the process's
// peak memory with the strip full beside twelve snapshot records, the two transfer
// buffers and 10 %. The data source is reached as an application reaches it, through the
// installed source manager. Run under Wine in the test prefix, with an X display.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "twain_session.h"
#include "ui_script.h"

namespace {

const int kStills = 12;
const size_t kWidth = 2592, kHeight = 1944;
const size_t kImageBytes = kWidth * kHeight * 3;
const size_t kRecordBytes = 40 + kImageBytes;
// The transfer image and the separate copy of its header.
const size_t kTransferBuffers = kRecordBytes + 40;
const DWORD kLimitMs = 300000;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Megabytes(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// One image by memory transfer into the application's copy; false on any refusal.
bool TransferByStrips(std::vector<unsigned char>* image, std::vector<unsigned char>* strip) {
    TW_IMAGEINFO info = {};
    if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) return false;
    size_t rowBytes = static_cast<size_t>(info.ImageWidth) * 3;
    image->resize(rowBytes * info.ImageLength);
    for (;;) {
        TW_IMAGEMEMXFER block = {};
        block.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        block.Memory.Length = static_cast<TW_UINT32>(strip->size());
        block.Memory.TheMem = strip->data();
        TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
        if (result == TWRC_XFERDONE) return true;
        if (result != TWRC_SUCCESS) return false;
        size_t at = static_cast<size_t>(block.YOffset) * rowBytes;
        if (at + block.BytesWritten > image->size()) return false;
        memcpy(image->data() + at, strip->data(), block.BytesWritten);
    }
}

// The batch from MSG_XFERREADY to the last MSG_ENDXFER; the number of images, -1 on failure.
int TransferBatch() {
    TW_SETUPMEMXFER setup = {};
    if (CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) return -1;
    std::vector<unsigned char> strip(setup.Preferred);
    std::vector<unsigned char> image;
    int images = 0;
    for (;;) {
        if (!TransferByStrips(&image, &strip)) return -1;
        ++images;
        TW_PENDINGXFERS pending = {};
        if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) return -1;
        if (pending.Count == 0) return images;
    }
}

bool Run(double* batchSeconds, int* images, PROCESS_MEMORY_COUNTERS* live, PROCESS_MEMORY_COUNTERS* full,
         std::string* error) {
    // The first step lets the live picture run, so that its buffers count as the Live View's.
    std::vector<UiStep> steps;
    if (!ParseUiScript("wait 2000; snap 12; click 0; shift-click 11; transfer; exit", &steps, error)) return false;
    TW_CAPABILITY mechanism = {ICAP_XFERMECH, TWON_ONEVALUE, nullptr};
    mechanism.hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    TW_ONEVALUE* value = static_cast<TW_ONEVALUE*>(GlobalLock(mechanism.hContainer));
    value->ItemType = TWTY_UINT16;
    value->Item = TWSX_MEMORY;
    GlobalUnlock(mechanism.hContainer);
    CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &mechanism);
    GlobalFree(mechanism.hContainer);

    TW_USERINTERFACE ui = {TRUE, FALSE, toolWindow};
    if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
        *error = "MSG_ENABLEDS failed";
        return false;
    }
    StartUiScript(steps, "Orvellux", "");
    DWORD deadline = GetTickCount() + kLimitMs;
    bool closing = false;
    bool liveMeasured = false;
    while (!closing) {
        if (AdvanceUiScript(error) == kScriptFailed) break;
        if (!liveMeasured && UiStepsLeft() < steps.size()) {
            *live = Memory();
            liveMeasured = true;
        }
        if (static_cast<LONG>(deadline - GetTickCount()) <= 0) {
            *error = "timed out in script step \"" + CurrentUiStep() + "\"";
            break;
        }
        TW_UINT16 msg = MSG_NULL;
        if (!WaitForSourceMessage(GetTickCount() + 20, &msg)) continue;
        if (msg == MSG_CLOSEDSREQ) {
            closing = true;
            continue;
        }
        // The strip is full and nothing has been handed over yet.
        *full = Memory();
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        *images = TransferBatch();
        QueryPerformanceCounter(&end);
        *batchSeconds = Seconds(start, end);
        if (*images < 0) {
            *error = "the memory transfer batch failed";
            break;
        }
    }
    CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    return closing && *images == kStills;
}

double MemcpySeconds() {
    std::vector<unsigned char> from(kImageBytes, 1), to(kImageBytes, 0);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int still = 0; still < kStills; ++still) {
        from[still] = static_cast<unsigned char>(still);
        memcpy(to.data(), from.data(), kImageBytes);
    }
    QueryPerformanceCounter(&end);
    return to[kStills - 1] == kStills - 1 ? Seconds(start, end) : 0;
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string error;
    if (!OpenManager(&error) || !OpenNamedSource("Orvellux", &error)) {
        fprintf(stderr, "batch_bench: %s\n", error.c_str());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS before = Memory();
    double batchSeconds = 0;
    int images = 0;
    PROCESS_MEMORY_COUNTERS live = {}, full = {};
    bool done = Run(&batchSeconds, &images, &live, &full, &error);
    CloseManager();
    if (!done) {
        fprintf(stderr, "batch_bench: %s\n", error.empty() ? "the batch did not complete" : error.c_str());
        return 1;
    }
    double copySeconds = MemcpySeconds();
    printf("Batch of %d stills of %zu x %zu by memory transfer (32768-byte strips):\n", images, kWidth, kHeight);
    printf("  %.3f s, %.2f images/s; memcpy of the same bytes %.3f s, %.2f images/s (%.1fx)\n", batchSeconds,
           images / batchSeconds, copySeconds, kStills / copySeconds, batchSeconds / copySeconds);
    size_t bound = static_cast<size_t>((kStills * kRecordBytes + kTransferBuffers) * 1.1);
    printf("Memory with the strip full (MiB):\n");
    printf("  peak working set %.1f, peak pagefile use %.1f; before enabling %.1f and %.1f;\n"
           "  with the Live View running and the strip empty %.1f and %.1f\n",
           Megabytes(full.PeakWorkingSetSize), Megabytes(full.PeakPagefileUsage),
           Megabytes(before.WorkingSetSize), Megabytes(before.PagefileUsage), Megabytes(live.WorkingSetSize),
           Megabytes(live.PagefileUsage));
    printf("  the strip's share (peak less the running Live View): working set %.1f, pagefile %.1f;\n"
           "  twelve records + two transfer buffers + 10 %%: %.1f\n",
           Megabytes(full.PeakWorkingSetSize - live.WorkingSetSize),
           Megabytes(full.PeakPagefileUsage - live.PagefileUsage), Megabytes(bound));
    return 0;
}
