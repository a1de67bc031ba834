#include "capture/capture_graph.h"

#include "capture/capture_interfaces.h"

bool previewAvailable = true;
bool graphBuilt = false;
bool graphRunning = false;
bool previewWanted = false;
int cameraIndex = -1;
char cameraName[kCameraNameSize];

IBaseFilter* cameraFilter = nullptr;
IAMVideoCompression* videoCompression = nullptr;
IAMStreamConfig* streamConfig = nullptr;
ICaptureGraphBuilder* captureBuilder = nullptr;
IGraphBuilder* filterGraph = nullptr;
IBaseFilter* grabberFilter = nullptr;
IVideoWindow* videoWindow = nullptr;
