// Prints what the Live View costs the user: from enabling to a visible window with a
// running capture graph, and from Snap Shot to the stored, drawn thumbnail at a small and
// at the full capture width. Run under Wine in the test prefix, with an X display.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "capture/capture_graph.h"
#include "capture_host.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/capture_settings.h"
#include "ui/live_view.h"
#include "ui/live_view_state.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"

namespace {

const int kRounds = 5;

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Report(const char* name, std::vector<double> times) {
    if (times.empty()) {
        printf("%-44s failed\n", name);
        return;
    }
    std::sort(times.begin(), times.end());
    printf("%-44s best %8.1f ms  median %8.1f ms  worst %8.1f ms  (%zu runs)\n", name, times.front(),
           times[times.size() / 2], times.back(), times.size());
}

void PrepareWidth(int width) {
    captureWidth = width;
    savedCaptureWidth = width;
    usePersistedWidth = false;
}

// Enabling as the protocol does it: the window created hidden, then shown.
bool OpenVisible(HWND* window) {
    *window = CreateLiveView(nullptr);
    if (!*window) return false;
    ShowWindow(*window, SW_SHOW);
    UpdateWindow(*window);
    return graphRunning && IsWindowVisible(*window);
}

std::vector<double> MeasureOpen(int width) {
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        PrepareWidth(width);
        HWND window = nullptr;
        double start = NowMs();
        bool ok = OpenVisible(&window);
        double end = NowMs();
        if (window) DestroyWindow(window);
        if (!ok) return {};
        times.push_back(end - start);
    }
    return times;
}

std::vector<double> MeasureSnapShot(int width) {
    PrepareWidth(width);
    HWND window = nullptr;
    if (!OpenVisible(&window)) {
        if (window) DestroyWindow(window);
        return {};
    }
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        int before = snapshotStore.fillSlot;
        double start = NowMs();
        SendMessageA(GetDlgItem(window, IDC_SNAPSHOT), BM_CLICK, 0, 0);
        bool stored = captureBusy && PumpUntil([] { return !captureBusy; }, 30000) && snapshotStore.fillSlot != before;
        double end = NowMs();
        if (!stored) break;
        times.push_back(end - start);
    }
    DestroyWindow(window);
    if (times.size() != kRounds) return {};
    return times;
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    moduleInstance = LoadLibraryA(kInstalledSourcePath);
    if (!moduleInstance || !AllocateTransferBuffers()) {
        printf("the data source is not installed in the prefix\n");
        return 1;
    }
    Report("enable to visible Live View, 640 wide", MeasureOpen(640));
    Report("enable to visible Live View, 2592 wide", MeasureOpen(kFullResWidth));
    Report("Snap Shot to stored thumbnail, 640 wide", MeasureSnapShot(640));
    Report("Snap Shot to stored thumbnail, 2592 wide", MeasureSnapShot(kFullResWidth));
    FreeTransferBuffers();
    return 0;
}
