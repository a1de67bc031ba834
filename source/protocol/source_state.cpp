#include "protocol/source_state.h"

int sourceState = 3;
TW_IDENTITY sourceIdentity;
TW_IDENTITY appIdentity;
TW_STATUS sourceStatus;
HINSTANCE moduleInstance;
HWND liveViewWindow;
HWND parentWindow;
bool cameraAvailable = true;
