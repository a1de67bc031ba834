// Installs copies of the probe source under the TWAIN tree of the Wine prefix, where the
// source manager looks, and takes them away again.
#ifndef ORVELLUX_DSM_PROBE_INSTALL_H
#define ORVELLUX_DSM_PROBE_INSTALL_H

#include <string>

// Every probe lives below this folder of the Windows folder's twain_64 tree.
extern const char kProbeFolder[];

// Copies probeFile to twain_64\<kProbeFolder>\<relativePath> (folders made as needed).
bool InstallProbeFile(const std::string& probeFile, const std::string& relativePath);
// Writes a file of the given contents there (for things that only look like sources).
bool InstallProbeText(const std::string& relativePath, const std::string& contents);
// Removes the probe folder with everything in it.
void RemoveProbes();

#endif
