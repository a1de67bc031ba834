#include "ui/capture_settings.h"

#include <string.h>

int captureWidth = 320;
int savedCaptureWidth = 320;
bool usePersistedWidth = true;
bool fullResAvailable = false;

const char kProductName[] = "Orvellux";
const char kSourceFileName[] = "Orvelline.ds";

int QueryPersistedWidth() { return kFullResWidth; }

bool GetProductName(char* buffer, int bufferSize) {
    if (bufferSize <= 0) return true;
    strncpy(buffer, kProductName, bufferSize - 1);
    buffer[bufferSize - 1] = '\0';
    return true;
}
