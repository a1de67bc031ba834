#include <windows.h>

#include <thread>
#include <vector>

#include "capture_host.h"
#include "protocol/source_state.h"
#include "ui/capture_settings.h"
#include "ui/format_dialog.h"
#include "ui/resource.h"

namespace {

const int kRadios[] = {IDC_RES_2592, IDC_RES_2048, IDC_RES_1600,
                       IDC_RES_1280, IDC_RES_640,  IDC_RES_320};

enum Action { kClickOk, kClickFullRes, kEscape, kEnter, kSystemClose };

// What the script saw of the open dialog.
struct Seen {
    bool found = false;
    bool enabled[6] = {};
    bool checked[6] = {};
    bool openAfterRadio = false;
    long persistedAfterRadio = -1;
};

HWND WaitForDialog(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND dialog = FindWindowA(nullptr, "Twain Format");
        if (dialog && IsWindowVisible(dialog)) return dialog;
        Sleep(20);
    }
    return nullptr;
}

// Drives the dialog from another thread, as a user would, while the test's thread runs
// the modal loop.
void RunScript(const std::vector<Action>& actions, Seen* seen) {
    HWND dialog = WaitForDialog(10000);
    if (!dialog) return;
    seen->found = true;
    for (int i = 0; i < 6; ++i) {
        HWND radio = GetDlgItem(dialog, kRadios[i]);
        seen->enabled[i] = IsWindowEnabled(radio) != FALSE;
        seen->checked[i] = SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    for (Action action : actions) {
        switch (action) {
        case kClickOk: PostMessageA(GetDlgItem(dialog, IDC_FORMAT_OK), BM_CLICK, 0, 0); break;
        case kClickFullRes:
            SendMessageA(GetDlgItem(dialog, IDC_RES_2592), BM_CLICK, 0, 0);
            seen->openAfterRadio = IsWindow(dialog) && IsWindowVisible(dialog);
            seen->persistedAfterRadio = PersistedWidthValue();
            break;
        case kEscape: PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0); break;
        case kEnter: PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0); break;
        case kSystemClose: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
    }
}

class CaptureFormatDialogTest : public CaptureTest {};

TEST_F(CaptureFormatDialogTest, EveryWayOutWritesTheWidthTheDialogSettles) {
    struct Case {
        const char* name;
        bool fullRes;
        std::vector<Action> actions;
        INT_PTR result;
        int width;
    } cases[] = {
        {"OK untouched keeps the width", true, {kClickOk}, 1, 320},
        {"the radio button writes at once, then OK",
         true,
         {kClickFullRes, kClickOk},
         1,
         kFullResWidth},
        {"Escape", true, {kEscape}, 0, kFullResWidth},
        {"closing from the system menu", true, {kSystemClose}, 0, kFullResWidth},
        {"Enter", true, {kEnter}, 1, kFullResWidth},
        {"no full-resolution format: every button disabled", false, {kClickOk}, 1, 320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeletePersistedWidthValue();
        captureWidth = 320;
        fullResAvailable = c.fullRes;
        Seen seen;
        std::thread script(RunScript, c.actions, &seen);
        INT_PTR result = DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_FORMAT), window_,
                                         FormatDialogProc, 0);
        script.join();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.width, captureWidth);
        EXPECT_EQ(c.width, PersistedWidthValue());
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(i == 0 && c.fullRes, seen.enabled[i]) << kRadios[i];
            EXPECT_EQ(i == 0, seen.checked[i]) << kRadios[i];
        }
        if (c.actions[0] == kClickFullRes) {
            EXPECT_TRUE(seen.openAfterRadio);
            EXPECT_EQ(kFullResWidth, seen.persistedAfterRadio);
        }
    }
}

}  // namespace
