// The capture engine's COM objects: held from the camera's opening to the Live View's
// shutdown, null when absent.
#ifndef ORVELLUX_CAPTURE_INTERFACES_H
#define ORVELLUX_CAPTURE_INTERFACES_H

#include <windows.h>
#include <dshow.h>

extern IBaseFilter* cameraFilter;
extern IAMVideoCompression* videoCompression;
extern IAMStreamConfig* streamConfig;
extern ICaptureGraphBuilder* captureBuilder;
extern IGraphBuilder* filterGraph;
extern IBaseFilter* grabberFilter;
extern IVideoWindow* videoWindow;

#endif
