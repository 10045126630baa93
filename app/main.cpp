// Zimbrel: a window in front of the UPX packer.
#include "app/main_window.h"

// The process starts here. The program is linked without the C runtime's
// start-up code (-nostartfiles, see CMakeLists.txt), which it does not need:
// it reads no command line or environment and ends with ExitProcess. The
// stack is realigned for the compiler's sake.
extern "C" void (*__CTOR_LIST__[])();

extern "C" __attribute__((force_align_arg_pointer)) void WINAPI ZimbrelStart() {
  // Static constructors, should an object ever bring one: the linker lists
  // them between -1 and 0, and they run from the last to the first.
  int n = 1;
  while (__CTOR_LIST__[n]) n++;
  while (--n > 0) __CTOR_LIST__[n]();
  // Without its window the program could only wait for ever: end at once.
  if (!AppStartUp()) ExitProcess(1);
  AppEventLoop();
  AppShutDown();
  ExitProcess(0);
}
