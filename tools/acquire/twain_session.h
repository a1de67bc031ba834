// The tool's one connection: the source manager, the tool's hidden window, and at most
// one open source.
#ifndef ORVELLUX_TWAIN_SESSION_H
#define ORVELLUX_TWAIN_SESSION_H

#include <windows.h>

#include <string>

#include "protocol/twain.h"

extern TW_IDENTITY toolIdentity;
extern TW_IDENTITY openSource;
extern HWND toolWindow;

// Loads the manager by its standard name and opens it with the hidden window as parent.
bool OpenManager(std::string* error);
void CloseManager();

TW_UINT16 CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// "TWRC_FAILURE, TWCC_SEQERROR (11)": the return code with the condition code read back
// from the source (or from the manager when no source is open).
std::string DescribeFailure(TW_UINT16 returnCode);

bool OpenNamedSource(const std::string& name, std::string* error);
void CloseOpenSource();

// Runs the tool's message loop, passing each message to the source, until the source
// announces MSG_XFERREADY or MSG_CLOSEDSREQ (true, *msg set) or deadlineTick passes.
bool WaitForSourceMessage(DWORD deadlineTick, TW_UINT16* msg);

// Prints an identity as the listing and the capability report show it.
void PrintIdentity(const TW_IDENTITY& identity);

#endif
