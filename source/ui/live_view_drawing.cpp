// The drawing the still thread asks of the Live View. The window's own snapshot drawing
// takes these over; until then a stored still is shown at the window's next paint.
#include "ui/live_view_state.h"

void ShowSnapShotPressedLook() {}

void DrawStoredSnapshot(const BYTE*, int) {}
