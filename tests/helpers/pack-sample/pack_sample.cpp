// A program for the end-to-end tests to pack: big enough for the packer to
// shrink, and ending with exit code 42, so that a packed copy can be run to
// see that packing left a working program.
#include <windows.h>

// Text the packer can compress well, kept in the file by being used.
static const char Words[] =
    "Zimbrel packs this program with the real packer; the end-to-end tests then run the packed copy. "
    "Zimbrel packs this program with the real packer; the end-to-end tests then run the packed copy. "
    "Zimbrel packs this program with the real packer; the end-to-end tests then run the packed copy. ";

int main(int argc, char**) {
  if (argc > 5) MessageBoxA(0, Words, "pack-sample", 0);
  return 42;
}
