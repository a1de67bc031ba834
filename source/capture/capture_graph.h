// Device discovery and the live capture graph.
#ifndef ORVELLUX_CAPTURE_GRAPH_H
#define ORVELLUX_CAPTURE_GRAPH_H

// False once a build found no video window; never set again while the source is loaded.
extern bool previewAvailable;

#endif
