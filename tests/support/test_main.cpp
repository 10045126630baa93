// Entry point of every test program: the area's own start-up (AreaSetUp: the
// runtime's start, or the steps of it that the area needs), then the tests.
// A test that crashes ends the whole program at once, saying where and with
// what exception code, instead of leaving it to the system's crash handling
// (under Wine a debugger that waits for someone to answer it).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include "tests/support/win_test.h"

namespace {

// Called for an exception that nothing handled, on whichever thread it came.
// Writes straight to the standard error handle (the C runtime's streams may be
// locked by the code that faulted) and ends the process without running any
// more of its code.
LONG WINAPI TestCrashed(EXCEPTION_POINTERS* e) {
  const EXCEPTION_RECORD* r = e->ExceptionRecord;
  char access[64] = "";
  if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2)
    wsprintfA(access, " (%s %p)", r->ExceptionInformation[0] == 1 ? "writing" : "reading or running",
              (void*)r->ExceptionInformation[1]);
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  char line[1100];  // wsprintfA writes at most 1024 characters and the end
  int n = wsprintfA(line, "\n*** test program crashed: exception 0x%08lX at %p%s, thread %lu, in %s%s%s\n",
                    r->ExceptionCode, r->ExceptionAddress, access, GetCurrentThreadId(),
                    test ? test->test_suite_name() : "no test (start-up or shut-down)", test ? "." : "",
                    test ? test->name() : "");
  DWORD written;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, (DWORD)n, &written, 0);
  // The exit code is the exception code; one whose low byte is 0 would read as
  // success where only that byte is passed on (as Wine does), so it gets 0xFF.
  UINT code = r->ExceptionCode;
  TerminateProcess(GetCurrentProcess(), (code & 0xFF) ? code : code | 0xFF);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  SetUnhandledExceptionFilter(TestCrashed);
  // A run meant for one ANSI code page (CTest passes it in ZIMBREL_EXPECT_ACP)
  // fails at once in another: one that silently fell back would prove nothing.
  char expected[16];
  DWORD n = GetEnvironmentVariableA("ZIMBREL_EXPECT_ACP", expected, sizeof expected);
  if (n > 0 && n < sizeof expected && (UINT)atoi(expected) != GetACP()) {
    fprintf(stderr, "this run is meant for ANSI code page %s, but the system's is %u\n", expected, GetACP());
    return 1;
  }
  AreaSetUp();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
