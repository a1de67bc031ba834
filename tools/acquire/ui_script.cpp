#include "ui_script.h"

#include <stdio.h>
#include <stdlib.h>

#include "camera/camera_hooks.h"
#include "ui/resource.h"
#include "window_capture.h"
#include "window_picture.h"

namespace {

const unsigned kSlots = 12;
const int kThumbnails[kSlots] = {IDC_THUMB_0, IDC_THUMB_1, IDC_THUMB_2, IDC_THUMB_3,
                                 IDC_THUMB_4, IDC_THUMB_5, IDC_THUMB_6, IDC_THUMB_7,
                                 IDC_THUMB_8, IDC_THUMB_9, IDC_THUMB_10, IDC_THUMB_11};
const unsigned kLongestWaitStepMs = 600000;
const unsigned kMostSnapshots = 99;

enum Phase { kPhaseStart, kPhaseAwait, kPhaseSettle };
// A still from the camera's button leaves the commands enabled throughout, and the source
// ends its capture only just after it has drawn the thumbnail.
const DWORD kButtonSettleMs = 250;

struct ScriptRun {
    std::vector<UiStep> steps;
    size_t index;
    unsigned repeat;
    Phase phase;
    bool announced;
    std::string windowTitle;
    std::string screenshotFile;
    HWND window;
    std::vector<unsigned char> stripBefore;
    DWORD waitEnd;
    bool holding;
    bool heldAnnouncement;
};

ScriptRun script;

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool TakeNumber(const std::string& text, unsigned low, unsigned high, unsigned* value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long number = strtoul(text.c_str(), nullptr, 10);
    if (number < low || number > high) return false;
    *value = static_cast<unsigned>(number);
    return true;
}

bool ParseStep(const std::string& text, UiStep* step) {
    struct Verb {
        const char* name;
        UiStepKind kind;
        unsigned low, high;  // the number's range; high 0 for a step without one
    };
    static const Verb kVerbs[] = {
        {"snap", kStepSnap, 1, kMostSnapshots},
        {"trigger", kStepTrigger, 0, 0},
        {"button", kStepButton, 0, 0},
        {"click", kStepClick, 0, kSlots - 1},
        {"ctrl-click", kStepControlClick, 0, kSlots - 1},
        {"shift-click", kStepShiftClick, 0, kSlots - 1},
        {"transfer", kStepTransfer, 0, 0},
        {"hold", kStepHold, 0, 0},
        {"release", kStepRelease, 0, 0},
        {"exit", kStepExit, 0, 0},
        {"close", kStepClose, 0, 0},
        {"wait", kStepWait, 0, kLongestWaitStepMs},
    };
    size_t blank = text.find_first_of(" \t");
    std::string name = text.substr(0, blank);
    std::string argument = blank == std::string::npos ? "" : Trim(text.substr(blank));
    for (const Verb& verb : kVerbs) {
        if (name != verb.name) continue;
        step->kind = verb.kind;
        step->number = 0;
        step->text = text;
        if (verb.high == 0) return argument.empty();
        return TakeNumber(argument, verb.low, verb.high, &step->number);
    }
    return false;
}

struct WindowSearch {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchLiveView(HWND window, LPARAM context) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16];
    char title[64];
    if (process != GetCurrentProcessId() || !GetClassNameA(window, className, sizeof className) ||
        lstrcmpA(className, "#32770") != 0 || !GetWindowTextA(window, title, sizeof title) ||
        lstrcmpA(title, search->title) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// The source's window, once it is on the screen.
HWND LiveView() {
    if (script.window && IsWindow(script.window) && IsWindowVisible(script.window)) return script.window;
    WindowSearch search = {script.windowTitle.c_str(), nullptr};
    EnumWindows(MatchLiveView, reinterpret_cast<LPARAM>(&search));
    script.window = search.found && IsWindowVisible(search.found) ? search.found : nullptr;
    // Painted in full before the first look at the strip, so that its first paint is not
    // taken for a new snapshot.
    if (script.window) RedrawWindow(script.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return script.window;
}

bool ControlEnabled(int id) {
    HWND control = GetDlgItem(script.window, id);
    return control && IsWindowEnabled(control);
}

void PressButton(int id) {
    HWND control = GetDlgItem(script.window, id);
    if (control) SendMessageA(control, BM_CLICK, 0, 0);
}

RECT ControlRect(int id) {
    RECT rect = {0, 0, 0, 0};
    HWND control = GetDlgItem(script.window, id);
    if (control && GetWindowRect(control, &rect))
        MapWindowPoints(nullptr, script.window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The strip's pixels: a new still always changes its thumbnail, so a change of these shows
// that a snapshot was stored.
std::vector<unsigned char> StripPixels() {
    RECT strip = ControlRect(kThumbnails[0]);
    for (int id : kThumbnails) {
        RECT thumbnail = ControlRect(id);
        UnionRect(&strip, &strip, &thumbnail);
    }
    RgbImage picture;
    if (!CaptureClientRect(script.window, strip, &picture)) return {};
    return picture.pixels;
}

void ClickThumbnail(unsigned slot, WPARAM keys) {
    RECT rect = ControlRect(kThumbnails[slot]);
    LPARAM centre = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(script.window, WM_LBUTTONDOWN, MK_LBUTTON | keys, centre);
    SendMessageA(script.window, WM_LBUTTONUP, keys, centre);
}

bool TakeScreenshot(std::string* error) {
    if (script.screenshotFile.empty()) return true;
    if (!SaveWindowScreenshot(script.window, script.screenshotFile.c_str())) {
        *error = "cannot write the screenshot " + script.screenshotFile;
        return false;
    }
    printf("  screenshot of the Live View written to %s\n", script.screenshotFile.c_str());
    return true;
}

void AnnounceStep() {
    printf("Script step %u/%u: %s\n", static_cast<unsigned>(script.index + 1),
           static_cast<unsigned>(script.steps.size()), script.steps[script.index].text.c_str());
}

void NextStep() {
    ++script.index;
    script.repeat = 0;
    script.phase = kPhaseStart;
    script.announced = false;
}

// One step's work from where it stands; true when it is done.
bool RunStep(const UiStep& step, std::string* error, bool* failed) {
    switch (step.kind) {
    case kStepSnap:
        if (script.phase == kPhaseStart) {
            if (!ControlEnabled(IDC_SNAPSHOT)) return false;
            script.stripBefore = StripPixels();
            printf("  Snap Shot %u of %u\n", script.repeat + 1, step.number);
            PressButton(IDC_SNAPSHOT);
            script.phase = kPhaseAwait;
            return false;
        }
        if (!ControlEnabled(IDC_SNAPSHOT)) return false;
        printf("  %s\n", StripPixels() != script.stripBefore ? "snapshot stored" : "no new snapshot");
        script.phase = kPhaseStart;
        return ++script.repeat == step.number;
    case kStepTrigger:
        PressButton(IDC_SNAPSHOT);
        return true;
    case kStepButton:
        if (script.phase == kPhaseStart) {
            HANDLE button = OpenEventA(EVENT_MODIFY_STATE, FALSE, kButtonEventName);
            if (!button) {
                *error = "the camera's button cannot be pressed: no camera is open";
                *failed = true;
                return false;
            }
            script.stripBefore = StripPixels();
            SetEvent(button);
            CloseHandle(button);
            script.phase = kPhaseAwait;
            return false;
        }
        if (script.phase == kPhaseAwait) {
            if (StripPixels() == script.stripBefore) return false;
            printf("  snapshot stored\n");
            script.waitEnd = GetTickCount() + kButtonSettleMs;
            script.phase = kPhaseSettle;
        }
        return static_cast<LONG>(GetTickCount() - script.waitEnd) >= 0;
    case kStepClick:
        ClickThumbnail(step.number, 0);
        return true;
    case kStepControlClick:
        ClickThumbnail(step.number, MK_CONTROL);
        return true;
    case kStepShiftClick:
        ClickThumbnail(step.number, MK_SHIFT);
        return true;
    case kStepTransfer:
        if (script.phase == kPhaseStart) {
            if (!ControlEnabled(IDC_TRANSFER)) return false;
            if (!TakeScreenshot(error)) {
                *failed = true;
                return false;
            }
            PressButton(IDC_TRANSFER);
            script.phase = kPhaseAwait;
            return false;
        }
        // The batch runs from the message loop; the source enables Transfer again at its end.
        return ControlEnabled(IDC_TRANSFER) || (script.holding && script.heldAnnouncement);
    case kStepHold:
        script.holding = true;
        script.heldAnnouncement = false;
        return true;
    case kStepRelease:
        script.holding = false;
        return !script.heldAnnouncement;
    case kStepExit:
        if (!TakeScreenshot(error)) {
            *failed = true;
            return false;
        }
        PressButton(IDC_EXIT);
        return true;
    case kStepClose:
        SendMessageA(script.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    case kStepWait:
        if (script.phase == kPhaseStart) {
            script.waitEnd = GetTickCount() + step.number;
            script.phase = kPhaseAwait;
        }
        return static_cast<LONG>(GetTickCount() - script.waitEnd) >= 0;
    }
    return true;
}

}  // namespace

bool ParseUiScript(const std::string& text, std::vector<UiStep>* steps, std::string* error) {
    steps->clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        std::string part = Trim(text.substr(start, end - start));
        if (!part.empty()) {
            UiStep step;
            if (!ParseStep(part, &step)) {
                *error = "unknown Live View script step \"" + part + "\"";
                return false;
            }
            steps->push_back(step);
        }
        start = end + 1;
    }
    if (steps->empty()) {
        *error = "the Live View script has no steps";
        return false;
    }
    return true;
}

void StartUiScript(const std::vector<UiStep>& steps, const std::string& windowTitle,
                   const std::string& screenshotFile) {
    script = ScriptRun();
    script.steps = steps;
    script.windowTitle = windowTitle;
    script.screenshotFile = screenshotFile;
    script.phase = kPhaseStart;
}

UiScriptProgress AdvanceUiScript(std::string* error) {
    while (script.index < script.steps.size()) {
        if (!LiveView()) return kScriptRunning;
        const UiStep& step = script.steps[script.index];
        if (!script.announced) AnnounceStep();
        script.announced = true;
        bool failed = false;
        bool done = RunStep(step, error, &failed);
        if (failed) {
            *error = "script step \"" + step.text + "\": " + *error;
            return kScriptFailed;
        }
        if (!done) return kScriptRunning;
        NextStep();
    }
    return kScriptFinished;
}

size_t UiStepsLeft() { return script.steps.size() - script.index; }

std::string CurrentUiStep() { return UiStepsLeft() > 0 ? script.steps[script.index].text : ""; }

bool UiScriptHoldsTransfers() { return script.holding; }

void NoteHeldBatch(bool waiting) { script.heldAnnouncement = waiting; }
