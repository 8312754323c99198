// The stand-in host's helper program, started by the shell hook in place of Regsvr32: it waits the given
// milliseconds and exits with the given code.  korvel_stand_in_exit.exe <exit code> [<delay in ms>]
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  const unsigned long code = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 0;
  const unsigned long delay = argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 0;
  if (delay) Sleep(delay);
  return static_cast<int>(code);
}
