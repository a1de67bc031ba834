#ifndef ORVELLUX_SOURCE_STRINGS_H
#define ORVELLUX_SOURCE_STRINGS_H

// Loads string table entry id into buffer (always terminated); returns its length.
int LoadSourceString(unsigned id, char* buffer, int bufferSize);

#endif
