// pubg-status.exe: shows whether the PUBG servers are up and how many players are online.
#include <windows.h>

#include "app/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  pubg::Program program(instance);
  program.Run();  // ends the process itself, with the user's exit code
  return 0;
}
