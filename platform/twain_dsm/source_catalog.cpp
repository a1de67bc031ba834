#include "source_catalog.h"

#include <algorithm>
#include <string.h>

CatalogSource catalogSources[kMaxCatalogSources];
int catalogCount = 0;

namespace {

#ifdef _WIN64
const char kTwainFolder[] = "\\twain_64";
#else
const char kTwainFolder[] = "\\twain_32";
#endif

// Deep enough for vendor\product\version layouts, and a stop for folder loops.
const int kMaxFolderDepth = 6;

bool HasSourceExtension(const char* name) {
    size_t length = strlen(name);
    return length > 3 && lstrcmpiA(name + length - 3, ".ds") == 0;
}

bool ReadIdentity(const char* path, pTW_IDENTITY requester, TW_IDENTITY* identity) {
    HMODULE library = LoadLibraryA(path);
    if (!library) return false;
    DSENTRYPROC entry = reinterpret_cast<DSENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(library, "DS_Entry")));
    bool known = false;
    if (entry) {
        TW_IDENTITY reported = {};
        known = entry(requester, DG_CONTROL, DAT_IDENTITY, MSG_GET, &reported) == TWRC_SUCCESS;
        if (known) {
            reported.ProductName[sizeof reported.ProductName - 1] = '\0';
            *identity = reported;
        }
    }
    FreeLibrary(library);
    return known;
}

void ScanFolder(const char* folder, int depth, pTW_IDENTITY requester,
                OpenIdentityLookup openIdentity) {
    char pattern[MAX_PATH];
    if (wsprintfA(pattern, "%s\\*", folder) >= MAX_PATH - 1) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        char path[MAX_PATH];
        if (strlen(folder) + 1 + strlen(found.cFileName) >= MAX_PATH) continue;
        wsprintfA(path, "%s\\%s", folder, found.cFileName);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth < kMaxFolderDepth) ScanFolder(path, depth + 1, requester, openIdentity);
            continue;
        }
        if (!HasSourceExtension(found.cFileName) || catalogCount == kMaxCatalogSources) continue;
        CatalogSource* source = &catalogSources[catalogCount];
        if (openIdentity(path, &source->identity) || ReadIdentity(path, requester, &source->identity)) {
            lstrcpynA(source->path, path, MAX_PATH);
            source->identity.Id = 0;
            ++catalogCount;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

void ScanCatalog(pTW_IDENTITY requester, OpenIdentityLookup openIdentity) {
    catalogCount = 0;
    char root[MAX_PATH];
    UINT length = GetWindowsDirectoryA(root, MAX_PATH);
    if (length == 0 || length + sizeof kTwainFolder > MAX_PATH) return;
    lstrcatA(root, kTwainFolder);
    ScanFolder(root, 0, requester, openIdentity);
    std::sort(catalogSources, catalogSources + catalogCount,
              [](const CatalogSource& a, const CatalogSource& b) { return lstrcmpiA(a.path, b.path) < 0; });
}

int FindCatalogSource(const char* productName) {
    if (catalogCount == 0) return -1;
    if (productName[0] == '\0') return 0;
    for (int index = 0; index < catalogCount; ++index)
        if (strncmp(catalogSources[index].identity.ProductName, productName, sizeof(TW_STR32)) == 0)
            return index;
    return -1;
}
