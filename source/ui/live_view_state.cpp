#include "ui/live_view_state.h"

#include "ui/live_view.h"

std::atomic<bool> captureBusy(false);
HANDLE busySemaphore = nullptr;
HANDLE threadDoneSemaphore = nullptr;
HANDLE stopEvent = nullptr;

// The flag goes first: a click that lands as soon as the buttons come back must count.
void FinishCapture() {
    captureBusy = false;
    EnableCommandControls();
}
