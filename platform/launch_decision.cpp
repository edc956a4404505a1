#include "platform/launch_decision.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

// Programs that start others from a command line or a script, which wait for them or read what
// they print: a window that waits for Enter would block them. start /wait and Start-Process
// open a new console, visible and all the program's own, from one of these; conhost.exe started
// by hand with a command line is one too. And the hosts of unattended starts (services, WMI,
// psexec -d, the task scheduler), whose consoles nobody sees.
constexpr const char* kShells[] = {
    "cmd.exe",
    "powershell.exe",
    "pwsh.exe",
    "powershell_ise.exe",
    "wscript.exe",
    "cscript.exe",
    "mshta.exe",
    "bash.exe",
    "sh.exe",
    "wsl.exe",
    "conhost.exe",
    "openconsole.exe",
    "windowsterminal.exe",
    "taskeng.exe",
    "taskhostw.exe",
    "svchost.exe",
    "services.exe",
    "wmiprvse.exe",
    "psexesvc.exe",
};

bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b))) {
      return false;
    }
  }
  return *a == *b;
}

}  // namespace

bool OpensItsOwnWindow(const LaunchFacts& facts) {
  const bool seen = facts.consoleWindow && (facts.windowVisible || facts.pseudoConsole);
  const bool ownVisibleConsole = facts.consoleProcesses == 1 && seen && facts.inputIsConsole &&
                                 facts.outputIsConsole && facts.interactiveStation;
  return ownVisibleConsole &&
         std::none_of(std::begin(kShells), std::end(kShells),
                      [&facts](const char* shell) { return SameName(facts.parent, shell); });
}
