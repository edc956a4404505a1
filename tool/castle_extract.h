#ifndef TOOL_CASTLE_EXTRACT_H
#define TOOL_CASTLE_EXTRACT_H

// Runs the command once on its arguments and returns its exit code: 1 for a wrong argument
// count, an image that cannot be opened or a file that cannot be written, else 0.
int CastleExtractMain(int argc, char** argv);

// The same, told whether the command runs in a window of its own (as RunsInItsOwnWindow
// decides): then it takes any number of images, writes each into a folder beside it, and sums
// up at the end.
int CastleExtractRun(int argc, char** argv, bool ownWindow);

#endif  // TOOL_CASTLE_EXTRACT_H
