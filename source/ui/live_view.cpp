#include "ui/live_view.h"

#include "protocol/source_state.h"
#include "ui/resource.h"

// The window itself is not there yet: enabling fails as if it could not be created.
HWND CreateLiveView(HWND) { return nullptr; }

void EnableCommandControls() {
    if (!liveViewWindow) return;
    const int commands[] = {IDC_SNAPSHOT, IDC_EXIT, IDC_TRANSFER, IDC_CAMERA_PROPERTIES};
    for (int command : commands) EnableWindow(GetDlgItem(liveViewWindow, command), TRUE);
}
