// Prints what a full-resolution still costs: trigger to stored snapshot through the still
// thread and the simulated camera, the pixel read, the in-place row reversal, and a
// memcpy of the same bytes in the same run for comparison. Run under Wine in the test
// prefix, with an X display.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <functional>

#include "capture/capture_graph.h"
#include "capture/still_capture.h"
#include "capture_host.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/capture_settings.h"
#include "ui/live_view_state.h"
#include "ui/snapshot_store.h"

namespace {

const int kRounds = 10;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Best and mean of kRounds runs, in milliseconds; false when a run failed.
bool Measure(const char* name, SIZE_T bytes, const std::function<bool()>& run, double* best) {
    double total = 0;
    *best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        bool ok = run();
        QueryPerformanceCounter(&end);
        if (!ok) {
            printf("%-34s failed in round %d\n", name, round + 1);
            return false;
        }
        double ms = Milliseconds(start, end);
        total += ms;
        if (ms < *best) *best = ms;
    }
    printf("%-34s best %8.2f ms  mean %8.2f ms  %6.2f GB/s\n", name, *best, total / kRounds,
           static_cast<double>(bytes) / (*best / 1000.0) / 1e9);
    return true;
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    moduleInstance = LoadLibraryA(kInstalledSourcePath);
    HWND window = CreateCaptureHostWindow();
    liveViewWindow = window;
    if (!moduleInstance || !window || !SelectCamera(0) || !BuildPreviewGraph() || !RunGraph()) {
        printf("no camera graph: is the prefix prepared?\n");
        return 1;
    }
    stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!StartStillThread()) {
        printf("no still thread\n");
        return 1;
    }
    printf("capture width %d, %d rounds\n", captureWidth, kRounds);

    double best = 0;
    if (!Measure(
            "trigger to stored still", kTransferImageBytes,
            [] {
                captureBusy = TriggerStill();
                return captureBusy && PumpUntil([] { return !captureBusy; }, 30000);
            },
            &best) ||
        snapshotStore.fillSlot < 0) {
        return 1;
    }

    HGLOBAL stored = snapshotStore.slotImage[snapshotStore.fillSlot];
    BYTE* record = static_cast<BYTE*>(GlobalLock(stored));
    BITMAPINFOHEADER header = *reinterpret_cast<BITMAPINFOHEADER*>(record);
    printf("still %ld x %ld, %lu pixel bytes\n", static_cast<long>(header.biWidth),
           static_cast<long>(header.biHeight), static_cast<unsigned long>(header.biSizeImage));
    SIZE_T pixelBytes = header.biSizeImage;
    SIZE_T rowBytes = static_cast<SIZE_T>(header.biWidth) * 3;
    BYTE* pixels = record + sizeof header;

    Measure(
        "pixel read (pre-read, 40, pixels)", pixelBytes,
        [&] {
            DWORD length = header.biSizeImage;
            return SUCCEEDED(ReadStillImage(pixels, &length)) && length == header.biSizeImage;
        },
        &best);
    Measure(
        "read and row reversal", pixelBytes,
        [&] { return FillSnapshotRecord(record, &header) == kFillComplete; }, &best);

    BYTE* copy = static_cast<BYTE*>(VirtualAlloc(nullptr, pixelBytes, MEM_COMMIT, PAGE_READWRITE));
    memcpy(copy, pixels, pixelBytes);
    double copyBest = 0;
    Measure(
        "memcpy of the same bytes", pixelBytes,
        [&] {
            memcpy(copy, pixels, pixelBytes);
            return true;
        },
        &copyBest);
    double reverseBest = 0;
    Measure(
        "row reversal alone (one spare row)", pixelBytes,
        [&] { return ReverseRows(pixels, rowBytes, header.biHeight); }, &reverseBest);
    printf("row reversal / memcpy: %.2f\n", reverseBest / copyBest);

    VirtualFree(copy, 0, MEM_RELEASE);
    GlobalUnlock(stored);
    StopStillThread(10000);
    StopGraph();
    TearDownGraph();
    ReleaseCaptureDevice();
    ReleaseAllSnapshots();
    DestroyWindow(window);
    return 0;
}
