// The timing, rows, watchdog and alternating rounds of measure.h.
#include "bench/support/measure.h"

#include <algorithm>
#include <stdarg.h>
#include <stdio.h>

double Now() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return (double)t.QuadPart / (double)frequency.QuadPart;
}

// Linear interpolation between the closest ranks.
static double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  double at = q * (double)(v.size() - 1);
  size_t low = (size_t)at;
  size_t high = low + 1 < v.size() ? low + 1 : low;
  return v[low] + (v[high] - v[low]) * (at - (double)low);
}

double Samples::median() const { return Quantile(values, 0.5); }
double Samples::spread() const { return Quantile(values, 0.75) - Quantile(values, 0.25); }

void PrintRow(const char* figure, const char* unit, const Samples& ours, const Samples& baseline,
              const char* budget) {
  double b = baseline.median();
  printf("ROW\t%s\t%s\t%.6g\t%.3g\t%.6g\t%.3g\t%.3f\t%s\t%u\n", figure, unit, ours.median(), ours.spread(), b,
         baseline.spread(), b > 0 ? ours.median() / b : 0.0, budget, (unsigned)ours.values.size());
  fflush(stdout);
}

void PrintSingleRow(const char* figure, const char* unit, const Samples& ours) {
  printf("ROW\t%s\t%s\t%.6g\t%.3g\t\t\t\t\t%u\n", figure, unit, ours.median(), ours.spread(),
         (unsigned)ours.values.size());
  fflush(stdout);
}

void PrintValueRow(const char* figure, const char* unit, double ours, double baseline, const char* budget,
                   const char* ratio) {
  printf("ROW\t%s\t%s\t%.10g\t\t%.10g\t\t%s\t%s\t1\n", figure, unit, ours, baseline, ratio, budget);
  fflush(stdout);
}

void PrintNote(const char* format, ...) {
  va_list args;
  va_start(args, format);
  printf("NOTE\t");
  vprintf(format, args);
  printf("\n");
  va_end(args);
  fflush(stdout);
}

static HANDLE watchdogEvent;
static DWORD watchdogSeconds;
static char watchdogWhat[128];

static DWORD WINAPI Watchdog(void*) {
  if (WaitForSingleObject(watchdogEvent, watchdogSeconds * 1000) == WAIT_TIMEOUT) {
    printf("ERROR\t%s took more than %lu s\n", watchdogWhat, (unsigned long)watchdogSeconds);
    fflush(stdout);
    ExitProcess(3);
  }
  return 0;
}

static HANDLE watchdogThread;

void WatchdogStart(DWORD seconds, const char* what) {
  WatchdogStop();
  watchdogSeconds = seconds;
  lstrcpynA(watchdogWhat, what, sizeof watchdogWhat);
  watchdogEvent = CreateEventA(0, TRUE, FALSE, 0);
  watchdogThread = CreateThread(0, 0, Watchdog, 0, 0, 0);
}

void WatchdogStop() {
  if (!watchdogThread) return;
  SetEvent(watchdogEvent);
  WaitForSingleObject(watchdogThread, INFINITE);
  CloseHandle(watchdogThread);
  CloseHandle(watchdogEvent);
  watchdogThread = 0;
  watchdogEvent = 0;
}

void OwnFolder(char* out, DWORD size) {
  DWORD n = GetModuleFileNameA(0, out, size);
  while (n && out[n - 1] != '\\' && out[n - 1] != '/') --n;
  out[n ? n - 1 : 0] = 0;
}

bool Alternate(int count, double (*ours)(void*), double (*baseline)(void*), void* context,
               Samples* oursSamples, Samples* baselineSamples) {
  for (int i = 0; i < count; i++) {
    double a, b;
    if (i % 2 == 0) {
      a = ours(context);
      b = a < 0 ? -1 : baseline(context);
    } else {
      b = baseline(context);
      a = b < 0 ? -1 : ours(context);
    }
    if (a < 0 || b < 0) return false;
    oursSamples->add(a);
    baselineSamples->add(b);
  }
  return true;
}
