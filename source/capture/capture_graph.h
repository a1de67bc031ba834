// Device discovery and the live capture graph.
#ifndef ORVELLUX_CAPTURE_GRAPH_H
#define ORVELLUX_CAPTURE_GRAPH_H

// False once a build found no video window; never set again while the source is loaded.
extern bool previewAvailable;
extern bool graphBuilt;
extern bool graphRunning;
// While set, opening the camera also builds and runs the graph.
extern bool previewWanted;
// The device index SelectCamera opened last; -1 when none.
extern int cameraIndex;
// Friendly name of the device examined last, upper-cased by the device test.
const int kCameraNameSize = 80;
extern char cameraName[kCameraNameSize];

bool SelectCamera(int index);
bool FindCamera();
void ReleaseCaptureDevice();
bool CreateCaptureBuilder();
bool CreateFilterGraph();
bool AddSampleGrabber();
// Builds at captureWidth; the first build after load picks the persisted width.
bool BuildPreviewGraph();
// Builds with every RGB24 format forced to the given width.
bool BuildPreviewGraphAtWidth(int width);
bool RunGraph();
bool StopGraph();
void TearDownGraph();
// Shows a printf-style text owned by the Live View; always returns false.
bool ReportGraphError(const char* format, ...);

#endif
