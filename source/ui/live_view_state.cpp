#include "ui/live_view_state.h"

#include "ui/live_view.h"

std::atomic<bool> captureBusy(false);
HANDLE busySemaphore = nullptr;
HANDLE threadDoneSemaphore = nullptr;
HANDLE stopEvent = nullptr;

void FinishCapture() {
    // Cleared first: a command the user gives as soon as the buttons come back must not
    // still find the capture running and be dropped.
    captureBusy = false;
    EnableCommandControls();
}
