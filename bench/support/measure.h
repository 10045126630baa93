// Timing and the rows that bench/run.sh gathers into its table.
//
// Every figure is measured as two sides, ours and a baseline, run alternately
// (ours first on even runs, the baseline first on odd ones) so that a machine
// that gets busier or quieter during the run moves both sides alike. A figure
// is printed as one line:
//   ROW<TAB>figure<TAB>unit<TAB>ours median<TAB>ours spread<TAB>baseline median
//      <TAB>baseline spread<TAB>ratio<TAB>budget<TAB>runs
// where the spread is the interquartile range (75th minus 25th percentile)
// and the ratio is ours over the baseline's median. Notes go on lines that
// begin with NOTE<TAB>; anything else is the program's own diagnostics.
#pragma once
#include <windows.h>
#include <vector>

// Seconds since an arbitrary start, from the performance counter.
double Now();

struct Samples {
  std::vector<double> values;
  void add(double v) { values.push_back(v); }
  double median() const;
  double spread() const;  // interquartile range
};

// Prints a ROW line. budget is a text such as "<= 1.10" or "" for none.
void PrintRow(const char* figure, const char* unit, const Samples& ours, const Samples& baseline,
              const char* budget);
// A row with one side only (no baseline): the ratio column is empty.
void PrintSingleRow(const char* figure, const char* unit, const Samples& ours);
// A row of two plain values (counts, sizes) without spread.
void PrintValueRow(const char* figure, const char* unit, double ours, double baseline,
                   const char* budget, const char* ratio);
void PrintNote(const char* format, ...);

// Stops the process with a message when a step takes far too long, so that a
// lost message or a hung child never leaves a benchmark waiting for ever.
void WatchdogStart(DWORD seconds, const char* what);
void WatchdogStop();

// The folder of the running program, without a trailing backslash.
void OwnFolder(char* out, DWORD size);
// Runs count rounds of the two sides alternately; each callback returns one
// sample (or a negative value when the round failed, which stops the bench).
bool Alternate(int count, double (*ours)(void*), double (*baseline)(void*), void* context,
               Samples* oursSamples, Samples* baselineSamples);
