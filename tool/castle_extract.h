#ifndef TOOL_CASTLE_EXTRACT_H
#define TOOL_CASTLE_EXTRACT_H

// Runs the command once on its arguments and returns its exit code: 1 for a wrong argument
// count, an image that cannot be opened or a file that cannot be written, else 0.
int CastleExtractMain(int argc, char** argv);

#endif  // TOOL_CASTLE_EXTRACT_H
