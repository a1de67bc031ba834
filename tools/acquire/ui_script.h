// The Live View script: what the tool does in the source's window, step by step, while the
// message loop keeps running. Steps are separated by ';':
//   snap N         press Snap Shot N times, each time waiting until the still is stored
//   trigger        press Snap Shot and go on at once
//   button         press the camera's own snapshot button and wait for its still
//   click K        click thumbnail K (slot 0 to 11); ctrl-click K and shift-click K
//                  click it with Control or Shift held
//   transfer       press Transfer and wait until its batch has ended or was refused (or,
//                  while held, until the source has announced it)
//   hold           leave the images the source announces waiting (a batch stays pending)
//   release        transfer the images held back and wait until their batch has ended
//   exit           press Exit
//   close          close the window through its system menu
//   wait MS        let MS milliseconds pass
#ifndef ORVELLUX_UI_SCRIPT_H
#define ORVELLUX_UI_SCRIPT_H

#include <windows.h>

#include <string>
#include <vector>

enum UiStepKind {
    kStepSnap,
    kStepTrigger,
    kStepButton,
    kStepClick,
    kStepControlClick,
    kStepShiftClick,
    kStepTransfer,
    kStepHold,
    kStepRelease,
    kStepExit,
    kStepClose,
    kStepWait,
};

struct UiStep {
    UiStepKind kind;
    unsigned number;  // snapshots, slot or milliseconds; 0 where the step takes none
    std::string text;
};

// False with a one-line reason when the script holds no step or a step not listed above.
bool ParseUiScript(const std::string& script, std::vector<UiStep>* steps, std::string* error);

enum UiScriptProgress { kScriptRunning, kScriptFinished, kScriptFailed };

// Starts running the steps in the window of this process titled windowTitle; the
// screenshot file (empty for none) is written right before each Transfer and Exit.
void StartUiScript(const std::vector<UiStep>& steps, const std::string& windowTitle,
                   const std::string& screenshotFile);
// Runs whatever the script can do now without waiting; called from the message loop
// between messages. kScriptFailed sets *error.
UiScriptProgress AdvanceUiScript(std::string* error);
// While the script holds transfers back, the tool notes an announced batch here instead of
// transferring it, and notes again when it has transferred it after the release.
bool UiScriptHoldsTransfers();
void NoteHeldBatch(bool waiting);

// Steps not run to their end yet, and the text of the first of them ("" when none).
size_t UiStepsLeft();
std::string CurrentUiStep();

#endif
