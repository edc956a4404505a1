#ifndef INFO_D88_INFO_H
#define INFO_D88_INFO_H

// Runs d88-info once on its arguments and returns its exit code: 0 on success, 1 for a file
// that cannot be opened or a sector that is not there, 2 for a usage error.
int D88InfoMain(int argc, char** argv);

#endif  // INFO_D88_INFO_H
