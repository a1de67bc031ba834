// The source manager's entry point: applications open it, list and open sources through
// it, and every other triplet is routed to the addressed source. A source's messages to
// its application wait in the session's queue until the application's next
// DAT_EVENT/MSG_PROCESSEVENT, as the standard's manager does for a 1.x source.
#include <windows.h>

#include <string.h>

#include "protocol/twain.h"
#include "source_catalog.h"

namespace {

const int kMaxApplications = 8;
const int kMaxSessions = 16;
const int kMaxQueuedMessages = 8;

struct Application {
    bool inUse;
    TW_UINT32 id;
    HWND parent;
    DWORD threadId;
    int listCursor;
};

struct Session {
    bool inUse;
    TW_UINT32 appId;
    TW_UINT32 sourceId;
    char path[MAX_PATH];
    TW_IDENTITY identity;
    HMODULE library;
    DSENTRYPROC entry;
    TW_UINT16 queued[kMaxQueuedMessages];
    int queuedCount;
};

Application applications[kMaxApplications];
Session sessions[kMaxSessions];
TW_UINT32 nextId = 1;
TW_STATUS managerStatus;
// A source may announce from a thread of its own; the queues and the tables it reads are
// guarded, but no call into a source is ever made while holding the lock.
SRWLOCK managerLock = SRWLOCK_INIT;

TW_UINT16 Fail(TW_UINT16 conditionCode) {
    managerStatus.ConditionCode = conditionCode;
    return TWRC_FAILURE;
}

Application* FindApplication(TW_UINT32 id) {
    if (id == 0) return nullptr;
    for (Application& application : applications)
        if (application.inUse && application.id == id) return &application;
    return nullptr;
}

Session* FindSession(TW_UINT32 appId, TW_UINT32 sourceId) {
    for (Session& session : sessions)
        if (session.inUse && session.appId == appId && session.sourceId == sourceId) return &session;
    return nullptr;
}

bool OpenIdentityOf(const char* path, TW_IDENTITY* identity) {
    for (const Session& session : sessions) {
        if (session.inUse && lstrcmpiA(session.path, path) == 0) {
            *identity = session.identity;
            return true;
        }
    }
    return false;
}

TW_UINT16 OpenManager(pTW_IDENTITY origin, TW_MEMREF data) {
    if (!data) return Fail(TWCC_BADVALUE);
    if (FindApplication(origin->Id)) return Fail(TWCC_SEQERROR);
    for (Application& application : applications) {
        if (application.inUse) continue;
        AcquireSRWLockExclusive(&managerLock);
        application.inUse = true;
        application.id = nextId++;
        application.parent = *static_cast<HWND*>(data);
        application.threadId = GetCurrentThreadId();
        application.listCursor = 0;
        ReleaseSRWLockExclusive(&managerLock);
        origin->Id = application.id;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_MAXCONNECTIONS);
}

TW_UINT16 CloseManager(pTW_IDENTITY origin) {
    Application* application = FindApplication(origin->Id);
    if (!application) return Fail(TWCC_SEQERROR);
    for (const Session& session : sessions)
        if (session.inUse && session.appId == application->id) return Fail(TWCC_SEQERROR);
    AcquireSRWLockExclusive(&managerLock);
    application->inUse = false;
    ReleaseSRWLockExclusive(&managerLock);
    return TWRC_SUCCESS;
}

TW_UINT16 HandleParent(pTW_IDENTITY origin, TW_UINT16 msg, TW_MEMREF data) {
    if (msg == MSG_OPENDSM) return OpenManager(origin, data);
    if (msg == MSG_CLOSEDSM) return CloseManager(origin);
    return Fail(TWCC_BADPROTOCOL);
}

// A source that refuses to open is freed again; its reason is kept as the manager's own
// condition code, the only one the application can still read.
void KeepRefusalReason(DSENTRYPROC entry, pTW_IDENTITY origin) {
    TW_STATUS status = {};
    if (entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status) == TWRC_SUCCESS &&
        status.ConditionCode != TWCC_SUCCESS)
        managerStatus.ConditionCode = status.ConditionCode;
    else
        managerStatus.ConditionCode = TWCC_BUMMER;
}

TW_UINT16 OpenSource(pTW_IDENTITY origin, pTW_IDENTITY identity) {
    ScanCatalog(origin, OpenIdentityOf);
    int index = FindCatalogSource(identity->ProductName);
    if (index < 0) return Fail(TWCC_NODS);
    Session* session = nullptr;
    for (Session& candidate : sessions)
        if (!candidate.inUse) {
            session = &candidate;
            break;
        }
    if (!session) return Fail(TWCC_MAXCONNECTIONS);
    const CatalogSource& source = catalogSources[index];
    HMODULE library = LoadLibraryA(source.path);
    if (!library) return Fail(TWCC_OPERATIONERROR);
    DSENTRYPROC entry = reinterpret_cast<DSENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(library, "DS_Entry")));
    if (!entry) {
        FreeLibrary(library);
        return Fail(TWCC_OPERATIONERROR);
    }
    *identity = source.identity;
    identity->Id = nextId++;
    TW_UINT16 result = entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, identity);
    if (result != TWRC_SUCCESS) {
        KeepRefusalReason(entry, origin);
        FreeLibrary(library);
        identity->Id = 0;
        return result;
    }
    AcquireSRWLockExclusive(&managerLock);
    session->inUse = true;
    session->appId = origin->Id;
    session->sourceId = identity->Id;
    lstrcpynA(session->path, source.path, MAX_PATH);
    session->identity = *identity;
    session->library = library;
    session->entry = entry;
    session->queuedCount = 0;
    ReleaseSRWLockExclusive(&managerLock);
    return TWRC_SUCCESS;
}

TW_UINT16 CloseSource(pTW_IDENTITY origin, pTW_IDENTITY identity) {
    if (!identity) return Fail(TWCC_BADVALUE);
    Session* session = FindSession(origin->Id, identity->Id);
    if (!session) return Fail(TWCC_BADDEST);
    TW_UINT16 result = session->entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, identity);
    // A source that refuses to close keeps serving; the application may ask it why.
    if (result != TWRC_SUCCESS) return result;
    AcquireSRWLockExclusive(&managerLock);
    HMODULE library = session->library;
    session->inUse = false;
    session->queuedCount = 0;
    ReleaseSRWLockExclusive(&managerLock);
    FreeLibrary(library);
    return TWRC_SUCCESS;
}

TW_UINT16 NextListed(Application* application, pTW_IDENTITY identity) {
    if (application->listCursor >= catalogCount) return TWRC_ENDOFLIST;
    *identity = catalogSources[application->listCursor++].identity;
    return TWRC_SUCCESS;
}

TW_UINT16 HandleManagerIdentity(pTW_IDENTITY origin, TW_UINT16 msg, TW_MEMREF data) {
    Application* application = FindApplication(origin->Id);
    if (!application) return Fail(TWCC_SEQERROR);
    pTW_IDENTITY identity = static_cast<pTW_IDENTITY>(data);
    if (!identity) return Fail(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GETFIRST:
        ScanCatalog(origin, OpenIdentityOf);
        application->listCursor = 0;
        return NextListed(application, identity);
    case MSG_GETNEXT:
        return NextListed(application, identity);
    case MSG_GETDEFAULT:
        ScanCatalog(origin, OpenIdentityOf);
        if (catalogCount == 0) return Fail(TWCC_NODS);
        *identity = catalogSources[0].identity;
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        return OpenSource(origin, identity);
    case MSG_CLOSEDS:
        return CloseSource(origin, identity);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 HandleManagerStatus(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET || !data) return Fail(TWCC_BADPROTOCOL);
    *static_cast<pTW_STATUS>(data) = managerStatus;
    managerStatus.ConditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

// Queues a source's message for its application and wakes the application's message
// loop, which then forwards a window message with MSG_PROCESSEVENT and receives it.
TW_UINT16 RelayFromSource(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT16 msg) {
    if (msg != MSG_XFERREADY && msg != MSG_CLOSEDSREQ && msg != MSG_CLOSEDSOK) return TWRC_FAILURE;
    if (!origin || !dest) return TWRC_FAILURE;
    AcquireSRWLockExclusive(&managerLock);
    Session* session = FindSession(dest->Id, origin->Id);
    Application* application = FindApplication(dest->Id);
    bool queued = session && application && session->queuedCount < kMaxQueuedMessages;
    HWND parent = nullptr;
    DWORD threadId = 0;
    if (queued) {
        session->queued[session->queuedCount++] = msg;
        parent = application->parent;
        threadId = application->threadId;
    }
    ReleaseSRWLockExclusive(&managerLock);
    if (!queued) return TWRC_FAILURE;
    if (parent && IsWindow(parent))
        PostMessageA(parent, WM_NULL, 0, 0);
    else
        PostThreadMessageA(threadId, WM_NULL, 0, 0);
    return TWRC_SUCCESS;
}

bool TakeQueuedMessage(TW_UINT32 appId, TW_UINT32 sourceId, TW_UINT16* msg) {
    AcquireSRWLockExclusive(&managerLock);
    Session* session = FindSession(appId, sourceId);
    bool any = session && session->queuedCount > 0;
    if (any) {
        *msg = session->queued[0];
        --session->queuedCount;
        memmove(session->queued, session->queued + 1, session->queuedCount * sizeof session->queued[0]);
    }
    ReleaseSRWLockExclusive(&managerLock);
    return any;
}

TW_UINT16 RouteToSource(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                        TW_UINT16 msg, TW_MEMREF data) {
    if (!FindApplication(origin->Id)) return Fail(TWCC_SEQERROR);
    Session* session = FindSession(origin->Id, dest->Id);
    if (!session) return Fail(TWCC_BADDEST);
    if (dg == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_CLOSEDS)
        return CloseSource(origin, data ? static_cast<pTW_IDENTITY>(data) : dest);
    TW_UINT16 result = session->entry(origin, dg, dat, msg, data);
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT && data) {
        // The application does not dispatch a message answered TWRC_DSEVENT, so an
        // announcement rides only on a message the source took or on the manager's own
        // wake-up, never on one of the application's messages.
        const MSG* message = static_cast<const MSG*>(static_cast<pTW_EVENT>(data)->pEvent);
        bool carrier = result == TWRC_DSEVENT || (message && message->message == WM_NULL);
        TW_UINT16 pending;
        if (carrier && TakeQueuedMessage(origin->Id, dest->Id, &pending)) {
            static_cast<pTW_EVENT>(data)->TWMessage = pending;
            result = TWRC_DSEVENT;
        }
    }
    return result;
}

}  // namespace

extern "C" TW_UINT16 TW_CALLINGSTYLE DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg,
                                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dg == DG_CONTROL && dat == DAT_NULL) return RelayFromSource(origin, dest, msg);
    if (!origin) return Fail(TWCC_BADVALUE);
    if (dest) return RouteToSource(origin, dest, dg, dat, msg, data);
    if (dg != DG_CONTROL) return Fail(TWCC_BADPROTOCOL);
    switch (dat) {
    case DAT_PARENT:
        return HandleParent(origin, msg, data);
    case DAT_IDENTITY:
        return HandleManagerIdentity(origin, msg, data);
    case DAT_STATUS:
        return HandleManagerStatus(msg, data);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}
