// The capture-width settings, the persisted width, the product name and the test that
// recognises the source's own camera.
#ifndef ORVELLUX_CAPTURE_SETTINGS_H
#define ORVELLUX_CAPTURE_SETTINGS_H

const int kFullResWidth = 2592;

// Width in pixels at which the preview graph is built.
extern int captureWidth;
// Width the full-resolution camera messages remember and the restore message returns to.
extern int savedCaptureWidth;
// The next graph build takes its width from QueryPersistedWidth.
extern bool usePersistedWidth;
// The camera offers a format kFullResWidth pixels wide.
extern bool fullResAvailable;

extern const char kProductName[];
extern const char kSourceFileName[];

// Writes the width to the registry; failures are ignored.
void PersistCaptureWidth(int width);
// The width a first build uses: always kFullResWidth, the registry is not read.
int QueryPersistedWidth();
// Copies the product name (always terminated); cannot fail.
bool GetProductName(char* buffer, int bufferSize);
// Titles the Live View window with the product name.
void SetLiveViewTitle();
// Accepts a device whose friendly name begins with the product name, only while this
// module's file is the source's own; upper-cases friendlyName in place.
bool IsOwnCamera(char* friendlyName);

#endif
