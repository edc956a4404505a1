// The command's program-wide objects: one reader and one working buffer for the whole run.
#ifndef TOOL_PROGRAM_OBJECTS_H
#define TOOL_PROGRAM_OBJECTS_H

#include "d88/d88image.h"

// Room for 80 tracks of 16 sectors of 256 bytes, more than any file of either title needs.
constexpr int kBufferSize = 0x50000;

extern D88Image g_d88;
extern unsigned char g_buffer[kBufferSize];

#endif  // TOOL_PROGRAM_OBJECTS_H
