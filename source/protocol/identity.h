// The source's identity, and the two messages the source sends its application through
// the source manager.
#ifndef ORVELLUX_IDENTITY_H
#define ORVELLUX_IDENTITY_H

// The source manager the source calls back through: the 64-bit manager on 64-bit Windows.
extern const char kSourceManagerLibrary[];

// Fills sourceIdentity with the identity the source reports before any MSG_OPENDS.
void FillSourceIdentity();

// Enters state 6 and tells the application that an image is ready (MSG_XFERREADY).
void NotifyTransferReady();
// Asks the application to close the source (MSG_CLOSEDSREQ).
void RequestClose();

#endif
