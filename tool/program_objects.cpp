#include "tool/program_objects.h"

D88Image g_d88;
unsigned char g_buffer[kBufferSize];
