#include "box_watcher.h"

#include <algorithm>

namespace {

const DWORD kScanIntervalMs = 15;

struct ChildSurvey {
    int children;
    bool onlyButtonsAndStatics;
    std::string staticText;
};

BOOL CALLBACK SurveyChild(HWND child, LPARAM param) {
    ChildSurvey* survey = reinterpret_cast<ChildSurvey*>(param);
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    ++survey->children;
    if (lstrcmpiA(className, "Static") == 0) {
        char text[1024] = "";
        GetWindowTextA(child, text, sizeof text);
        if (text[0] && survey->staticText.empty()) survey->staticText = text;
    } else if (lstrcmpiA(className, "Button") != 0) {
        survey->onlyButtonsAndStatics = false;
    }
    return TRUE;
}

// A message box is a small dialog of text and push buttons; the product's own dialogs
// carry many more controls or no text.
bool LooksLikeMessageBox(HWND window, std::string* text) {
    ChildSurvey survey = {0, true, ""};
    EnumChildWindows(window, SurveyChild, reinterpret_cast<LPARAM>(&survey));
    if (!survey.onlyButtonsAndStatics || survey.children > 6 || survey.staticText.empty())
        return false;
    *text = survey.staticText;
    return true;
}

struct ScanState {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    ScanState* state = reinterpret_cast<ScanState*>(param);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (state->processId == 0 || owner == state->processId) state->found.push_back(window);
    return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher(DWORD processId)
    : processId_(processId),
      stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      seenEvent_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      thread_(nullptr) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
    SetEvent(stopEvent_);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    CloseHandle(stopEvent_);
    CloseHandle(seenEvent_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI BoxWatcher::Run(LPVOID self) {
    BoxWatcher* watcher = static_cast<BoxWatcher*>(self);
    while (WaitForSingleObject(watcher->stopEvent_, kScanIntervalMs) == WAIT_TIMEOUT) watcher->Scan();
    return 0;
}

void BoxWatcher::Scan() {
    ScanState state = {processId_, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&state));
    for (HWND window : state.found) {
        std::string text;
        if (!LooksLikeMessageBox(window, &text)) continue;
        if (std::find(answered_.begin(), answered_.end(), window) != answered_.end()) {
            // Still open: the answer may have been lost while the box was being built.
            PostMessageA(window, WM_COMMAND, IDOK, 0);
            continue;
        }
        SeenBox box;
        char caption[512] = "";
        GetWindowTextA(window, caption, sizeof caption);
        box.caption = caption;
        box.text = text;
        box.owner = GetWindow(window, GW_OWNER);
        GetWindowThreadProcessId(window, &box.processId);
        EnterCriticalSection(&lock_);
        boxes_.push_back(box);
        LeaveCriticalSection(&lock_);
        answered_.push_back(window);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        SetEvent(seenEvent_);
    }
    // Forget handles of boxes that have gone, so a reused handle counts as new.
    answered_.erase(std::remove_if(answered_.begin(), answered_.end(),
                                   [](HWND window) { return !IsWindow(window); }),
                    answered_.end());
}

bool BoxWatcher::Take(SeenBox* box, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        EnterCriticalSection(&lock_);
        bool any = !boxes_.empty();
        if (any) {
            *box = boxes_.front();
            boxes_.erase(boxes_.begin());
        }
        LeaveCriticalSection(&lock_);
        if (any) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        WaitForSingleObject(seenEvent_, timeoutMs - elapsed);
    }
}

std::vector<SeenBox> BoxWatcher::Untaken() {
    EnterCriticalSection(&lock_);
    std::vector<SeenBox> copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}
