// Whether the command runs in a window of its own that nobody will read once it ends, as when a
// disk image is dropped onto castle-extract.exe in Windows Explorer: it then writes beside the
// image, since it has no folder of the user's choosing, and keeps the window open until Enter is
// pressed. Decided from facts gathered once at the start, in one place, so that every way of
// starting the program can be tried as a row of a table.
#ifndef PLATFORM_LAUNCH_DECISION_H
#define PLATFORM_LAUNCH_DECISION_H

struct LaunchFacts {
  int consoleProcesses = 0;        // processes attached to the program's console; 0 without one
  bool consoleWindow = false;      // that console has a window
  bool windowVisible = false;      // and the window can be seen
  bool pseudoConsole = false;      // the window is a terminal's pseudo console (Windows Terminal):
                                   // never visible itself, shown in the terminal's tab
  bool inputIsConsole = false;     // standard input is that console
  bool outputIsConsole = false;    // standard output is that console
  bool interactiveStation = true;  // the window station is one a user sees (a service's is not)
  const char* parent = "";         // the starting process's file name ("explorer.exe"); "" unknown
};

// True only where the program is the one process of a console that someone can see (a window of
// its own, or a terminal's tab), which is standard input and output too, in a window station a
// user sits at, and was not started by a shell, a script host or a service: someone who sees it
// can press Enter, and no script waits for it. Never where standard input is not a console, so
// that no wait outlives a start nobody attends.
bool OpensItsOwnWindow(const LaunchFacts& facts);

#endif  // PLATFORM_LAUNCH_DECISION_H
