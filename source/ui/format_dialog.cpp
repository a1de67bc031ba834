#include "ui/format_dialog.h"

#include "ui/capture_settings.h"
#include "ui/resource.h"

namespace {

const int kResolutionButtons[] = {IDC_RES_2592, IDC_RES_2048, IDC_RES_1600,
                                  IDC_RES_1280, IDC_RES_640,  IDC_RES_320};

}  // namespace

INT_PTR CALLBACK FormatDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // Only the full-resolution width can be chosen; the other labels stay for show.
        for (int id : kResolutionButtons) {
            if (id != IDC_RES_2592 || !fullResAvailable)
                EnableWindow(GetDlgItem(dialog, id), FALSE);
        }
        for (int id : kResolutionButtons) CheckDlgButton(dialog, id, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_RES_2592, BST_CHECKED);
        return FALSE;
    case WM_COMMAND:
        if (wParam == IDOK) EndDialog(dialog, 1);
        if (wParam == IDCANCEL) EndDialog(dialog, 0);
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_FORMAT_OK) {
            EndDialog(dialog, 1);
            PersistCaptureWidth(captureWidth);
        } else {
            captureWidth = kFullResWidth;
            PersistCaptureWidth(kFullResWidth);
        }
        return FALSE;
    case WM_DESTROY: EndDialog(dialog, 1); return TRUE;
    default: return FALSE;
    }
}
