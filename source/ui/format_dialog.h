// The "Twain Format" resolution dialog (template IDD_FORMAT), run modally by the Live View.
#ifndef ORVELLUX_FORMAT_DIALOG_H
#define ORVELLUX_FORMAT_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK FormatDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
