// When castle-extract.exe takes itself for a program started from Explorer, one row per way of
// starting a program on Windows.
#include <gtest/gtest.h>

#include "platform/launch_decision.h"

namespace {

struct Launch {
  const char* how;
  LaunchFacts facts;
  bool ownWindow;
};

// consoleProcesses, consoleWindow, windowVisible, inputIsConsole, outputIsConsole, parent
const Launch kLaunches[] = {
    {"a file dropped onto it in Explorer", {1, true, true, true, true, "explorer.exe"}, true},
    {"double-clicked in Explorer", {1, true, true, true, true, "Explorer.EXE"}, true},
    {"opened from another file manager", {1, true, true, true, true, "totalcmd64.exe"}, true},
    {"started by a program that has since ended", {1, true, true, true, true, ""}, true},
    {"typed in cmd", {2, true, true, true, true, "cmd.exe"}, false},
    {"typed in PowerShell", {2, true, true, true, true, "powershell.exe"}, false},
    {"start /wait from a batch file", {1, true, true, true, true, "cmd.exe"}, false},
    {"Start-Process -Wait in Windows PowerShell",
     {1, true, true, true, true, "powershell.exe"},
     false},
    {"Start-Process in PowerShell 7", {1, true, true, true, true, "pwsh.exe"}, false},
    {"a script run by Windows Script Host", {1, true, true, true, true, "WScript.exe"}, false},
    {"a GUI front end with CREATE_NO_WINDOW", {1, false, false, true, true, "frontend.exe"}, false},
    {"a GUI front end with DETACHED_PROCESS",
     {0, false, false, false, false, "frontend.exe"},
     false},
    {"a GUI front end reading its output", {1, true, false, false, false, "frontend.exe"}, false},
    {"a GUI front end with a hidden console", {1, true, false, true, true, "frontend.exe"}, false},
    {"Task Scheduler, with a window", {1, true, true, true, true, "svchost.exe"}, false},
    {"Task Scheduler, hidden", {1, true, false, true, true, "taskeng.exe"}, false},
    {"dropped, with input redirected", {1, true, true, false, true, "explorer.exe"}, false},
    {"dropped, with output redirected", {1, true, true, true, false, "explorer.exe"}, false},
    {"Wine from a Unix terminal", {1, false, false, true, true, ""}, false},
};

TEST(LaunchDecision, OnlyAVisibleWindowOfItsOwnThatNoScriptStartedWaits) {
  for (const Launch& launch : kLaunches) {
    EXPECT_EQ(OpensItsOwnWindow(launch.facts), launch.ownWindow) << launch.how;
  }
}

}  // namespace
