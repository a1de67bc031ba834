// Watches for message boxes on the desktop, records caption, text and owner, and answers
// each one with its default button at once, so that a box nobody expected can never hang
// a test: it shows up in the record instead, and the fixture fails on it.
#ifndef ORVELLUX_BOX_WATCHER_H
#define ORVELLUX_BOX_WATCHER_H

#include <windows.h>

#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
    HWND owner;
    DWORD processId;
};

class BoxWatcher {
public:
    // processId 0 watches every process on the desktop.
    explicit BoxWatcher(DWORD processId = GetCurrentProcessId());
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Waits up to timeoutMs for the next recorded box and removes it from the record.
    bool Take(SeenBox* box, DWORD timeoutMs);
    // Boxes recorded and not yet taken.
    std::vector<SeenBox> Untaken();

private:
    static DWORD WINAPI Run(LPVOID self);
    void Scan();

    DWORD processId_;
    HANDLE stopEvent_;
    HANDLE seenEvent_;
    HANDLE thread_;
    CRITICAL_SECTION lock_;
    std::vector<SeenBox> boxes_;
    std::vector<HWND> answered_;
};

#endif
