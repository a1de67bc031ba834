// The sources installed on this machine: every *.ds file under the Windows folder's
// TWAIN tree, with the identity each one reports of itself.
#ifndef ORVELLUX_SOURCE_CATALOG_H
#define ORVELLUX_SOURCE_CATALOG_H

#include <windows.h>

#include "protocol/twain.h"

const int kMaxCatalogSources = 32;

struct CatalogSource {
    char path[MAX_PATH];
    TW_IDENTITY identity;
};

extern CatalogSource catalogSources[kMaxCatalogSources];
extern int catalogCount;

// Answers the identity of a source that is open already, so that listing never loads a
// second reference into a source that serves an application.
typedef bool (*OpenIdentityLookup)(const char* path, TW_IDENTITY* identity);

// Rebuilds the catalog, sorted by path so that the default source stays the same from
// one scan to the next. Each source is loaded, asked for its identity and freed again;
// requester is the origin the source sees.
void ScanCatalog(pTW_IDENTITY requester, OpenIdentityLookup openIdentity);

// Index of the source with that product name; an empty name picks the default (the first).
// -1 when there is none.
int FindCatalogSource(const char* productName);

#endif
