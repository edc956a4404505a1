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

constexpr bool Y = true;
constexpr bool N = false;

// consoleProcesses, consoleWindow, windowVisible, pseudoConsole, inputIsConsole,
// outputIsConsole, interactiveStation, parent
const Launch kLaunches[] = {
    {"a file dropped onto it in Explorer", {1, Y, Y, N, Y, Y, Y, "explorer.exe"}, Y},
    {"double-clicked in Explorer", {1, Y, Y, N, Y, Y, Y, "Explorer.EXE"}, Y},
    {"opened from another file manager", {1, Y, Y, N, Y, Y, Y, "totalcmd64.exe"}, Y},
    {"a GUI program that starts it in a new console", {1, Y, Y, N, Y, Y, Y, "frontend.exe"}, Y},
    {"started by a program that has since ended", {1, Y, Y, N, Y, Y, Y, ""}, Y},
    {"dropped, Windows Terminal the default terminal", {1, Y, N, Y, Y, Y, Y, "explorer.exe"}, Y},
    {"typed in cmd", {2, Y, Y, N, Y, Y, Y, "cmd.exe"}, N},
    {"typed in PowerShell", {2, Y, Y, N, Y, Y, Y, "powershell.exe"}, N},
    {"typed in PowerShell in Windows Terminal", {2, Y, N, Y, Y, Y, Y, "pwsh.exe"}, N},
    {"start /wait from a batch file", {1, Y, Y, N, Y, Y, Y, "cmd.exe"}, N},
    {"Start-Process -Wait in Windows PowerShell", {1, Y, Y, N, Y, Y, Y, "powershell.exe"}, N},
    {"Start-Process in PowerShell 7", {1, Y, Y, N, Y, Y, Y, "pwsh.exe"}, N},
    {"a script run by Windows Script Host", {1, Y, Y, N, Y, Y, Y, "WScript.exe"}, N},
    {"conhost.exe castle-extract.exe x.d88", {1, Y, Y, N, Y, Y, Y, "conhost.exe"}, N},
    {"a GUI front end with CREATE_NO_WINDOW", {1, N, N, N, Y, Y, Y, "frontend.exe"}, N},
    {"a GUI front end with DETACHED_PROCESS", {0, N, N, N, N, N, Y, "frontend.exe"}, N},
    {"a GUI front end reading its output", {1, Y, N, N, N, N, Y, "frontend.exe"}, N},
    {"a GUI front end with a hidden console", {1, Y, N, N, Y, Y, Y, "frontend.exe"}, N},
    {"Task Scheduler, with a window", {1, Y, Y, N, Y, Y, Y, "svchost.exe"}, N},
    {"Task Scheduler, hidden", {1, Y, N, N, Y, Y, Y, "taskeng.exe"}, N},
    {"a child of a service", {1, Y, Y, N, Y, Y, N, "myservice.exe"}, N},
    {"WMI's Win32_Process.Create", {1, Y, Y, N, Y, Y, N, "WmiPrvSE.exe"}, N},
    {"WMI's, in a user's window station", {1, Y, Y, N, Y, Y, Y, "WmiPrvSE.exe"}, N},
    {"psexec -d", {1, Y, Y, N, Y, Y, N, "PSEXESVC.exe"}, N},
    {"dropped, with input redirected", {1, Y, Y, N, N, Y, Y, "explorer.exe"}, N},
    {"dropped, with output redirected", {1, Y, Y, N, Y, N, Y, "explorer.exe"}, N},
    {"Wine from a Unix terminal", {1, N, N, N, Y, Y, Y, ""}, N},
};

TEST(LaunchDecision, OnlyAConsoleOfItsOwnThatSomeoneSeesAndNoScriptStartedWaits) {
  for (const Launch& launch : kLaunches) {
    EXPECT_EQ(OpensItsOwnWindow(launch.facts), launch.ownWindow) << launch.how;
  }
}

}  // namespace
