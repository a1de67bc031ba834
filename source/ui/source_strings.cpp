#include "ui/source_strings.h"

#include "protocol/source_state.h"
#include "ui/resource.h"

#if defined(_WIN32)

int LoadSourceString(unsigned id, char* buffer, int bufferSize) {
    if (bufferSize <= 0) return 0;
    buffer[0] = '\0';
    return LoadStringA(moduleInstance, id, buffer, bufferSize);
}

#else

#include <string.h>

// Without resources the host build reads the same texts the resource script compiles.
int LoadSourceString(unsigned id, char* buffer, int bufferSize) {
    static const struct {
        unsigned id;
        const char* text;
    } table[] = {
        {IDS_MANUFACTURER, TEXT_MANUFACTURER}, {IDS_PRODUCT_FAMILY, TEXT_PRODUCT_FAMILY},
        {IDS_VERSION_INFO, TEXT_VERSION_INFO}, {IDS_XFER_BUSY, TEXT_XFER_BUSY},
        {IDS_CAPTURE_FRAME, TEXT_CAPTURE_FRAME}, {IDS_SELECT_IMAGE, TEXT_SELECT_IMAGE},
        {IDS_ERROR, TEXT_ERROR},               {IDS_NO_CAMERA, TEXT_NO_CAMERA},
    };
    if (bufferSize <= 0) return 0;
    buffer[0] = '\0';
    for (const auto& entry : table) {
        if (entry.id == id) {
            strncpy(buffer, entry.text, bufferSize - 1);
            buffer[bufferSize - 1] = '\0';
            return static_cast<int>(strlen(buffer));
        }
    }
    return 0;
}

#endif
