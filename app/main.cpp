// Zimbrel: a window in front of the UPX packer.
#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Without its window the program could only wait for ever: end at once.
  if (!AppStartUp()) ExitProcess(1);
  AppEventLoop();
  AppShutDown();
  ExitProcess(0);
}
