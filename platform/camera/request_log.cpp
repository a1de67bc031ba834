#include "request_log.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fault_switches.h"

namespace {

CRITICAL_SECTION logLock;
std::vector<CameraRequest> requests;

// The lock must exist before any filter can be created, and a DLL-wide object does that
// without depending on DllMain.
struct LogLockOwner {
    LogLockOwner() { InitializeCriticalSection(&logLock); }
    ~LogLockOwner() { DeleteCriticalSection(&logLock); }
} logLockOwner;

void AppendToFolderLog(const CameraRequest& request) {
    std::string folder = StillFolder();
    if (folder.empty()) return;
    FILE* file = std::fopen((folder + "\\requests.txt").c_str(), "a");
    if (!file) return;
    std::fprintf(file,
                 "%s {%08lX-%04X-%04X} id=%u flags=%u params=%u,%u,%u,%u in=%u data=%u "
                 "returned=%u result=0x%08lX\n",
                 request.kind == kRequestGet   ? "get"
                 : request.kind == kRequestSet ? "set"
                                               : "query",
                 request.set.Data1, request.set.Data2, request.set.Data3, request.id, request.flags,
                 request.param[0], request.param[1], request.param[2], request.param[3],
                 request.instanceLength, request.dataLength, request.returnedLength,
                 static_cast<unsigned long>(request.result));
    std::fclose(file);
}

}  // namespace

void LogRequest(UINT32 kind, REFGUID set, DWORD id, const void* instance, DWORD instanceLength,
                DWORD dataLength, DWORD returnedLength, HRESULT result) {
    CameraRequest request = {};
    request.kind = kind;
    request.set = set;
    request.id = id;
    if (instance && instanceLength >= 24) {
        const BYTE* bytes = static_cast<const BYTE*>(instance);
        std::memcpy(&request.flags, bytes + 20, 4);
        DWORD words = (instanceLength - 24) / 4;
        std::memcpy(request.param, bytes + 24, 4 * (words < 4 ? words : 4));
    }
    request.instanceLength = instanceLength;
    request.dataLength = dataLength;
    request.returnedLength = returnedLength;
    request.result = result;
    EnterCriticalSection(&logLock);
    requests.push_back(request);
    LeaveCriticalSection(&logLock);
    AppendToFolderLog(request);
}

extern "C" UINT32 CameraGetRequestLog(CameraRequest* records, UINT32 capacity) {
    EnterCriticalSection(&logLock);
    UINT32 count = static_cast<UINT32>(requests.size());
    for (UINT32 i = 0; i < count && i < capacity; ++i) records[i] = requests[i];
    LeaveCriticalSection(&logLock);
    return count;
}

extern "C" void CameraClearRequestLog() {
    EnterCriticalSection(&logLock);
    requests.clear();
    LeaveCriticalSection(&logLock);
}
