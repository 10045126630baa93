// A library with a name no system has, put beside the test programs: where
// the library search still reaches the program's own folder, loading it by
// name finds it there.
#include <windows.h>

extern "C" __declspec(dllexport) int ZimbrelSearchProbe() { return 1; }
