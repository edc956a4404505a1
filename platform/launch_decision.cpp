#include "platform/launch_decision.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

// Programs that start others from a command line or a script, which wait for them or read what
// they print: a window that waits for Enter would block them. start /wait and Start-Process
// open a new console, visible and all the program's own, from one of these.
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
  const bool ownVisibleConsole = facts.consoleProcesses == 1 && facts.consoleWindow &&
                                 facts.windowVisible && facts.inputIsConsole &&
                                 facts.outputIsConsole;
  return ownVisibleConsole &&
         std::none_of(std::begin(kShells), std::end(kShells),
                      [&facts](const char* shell) { return SameName(facts.parent, shell); });
}
