// The library search, restricted to the system folder at the program's start:
// a library that sits beside the program (as a planted one would, in a
// Downloads folder) is found by name before the restriction and not after,
// while the system's own libraries still load by name.
#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/system/late_library.h"

TEST(LibrarySearch, ALibraryBesideTheProgramIsFoundBeforeTheRestrictionAndNotAfter) {
  HMODULE beside = LoadLibraryA("zimbrel-search-probe.dll");
  ASSERT_NE(beside, nullptr) << "the library beside the test program was not found even before";
  FreeLibrary(beside);
  LibrarySearchRestrict();
  HMODULE after = LoadLibraryA("zimbrel-search-probe.dll");
  EXPECT_EQ(after, nullptr);
  if (after) FreeLibrary(after);
  EXPECT_NE(LoadLibraryA("comdlg32.dll"), nullptr);
  // The rest of this test program searches as a program does by default.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}
