#include "ui/live_view_state.h"

#include "ui/live_view.h"

std::atomic<bool> captureBusy(false);
HANDLE busySemaphore = nullptr;
HANDLE threadDoneSemaphore = nullptr;
HANDLE stopEvent = nullptr;

void FinishCapture() {
    EnableCommandControls();
    captureBusy = false;
}
