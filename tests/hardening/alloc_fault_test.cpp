// The program's life with the n-th allocation failing, for every n up to the
// number of allocations a run makes, and once with the modal guard's node for
// the main window failing (see fault_run.h): nothing crashes or
// hangs, no window is left disabled, no success is reported for a failure,
// and each fallback the runtime has for a failed allocation is taken at least
// once along the way. Then, in this process, an automatically numbered window
// opened with each of its allocations failing in turn.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "runtime/memory/heaps.h"
#include "runtime/window/events.h"
#include "runtime/window/window.h"
#include "runtime/gadget/gadget.h"
#include "tests/hardening/fault_run.h"
#include "tests/hardening/hardening.h"
#include "tests/support/win_test.h"

namespace {

struct RunResult {
  long n = 0;
  long exitCode = -1;
  long total = -1;
  std::string hit;  // phase and offset, e.g. "compress 2"; "" when none
  std::string box;
  std::set<std::string> notes;
  std::vector<std::string> fails;
  std::map<std::string, long> phaseEnds;
  std::string output;
};

RunResult Parse(long n, long exitCode, const std::string& output) {
  RunResult r;
  r.n = n;
  r.exitCode = exitCode;
  r.output = output;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t space = line.find(' ');
    std::string word = line.substr(0, space), rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (word == "total") r.total = atol(rest.c_str());
    else if (word == "hit") r.hit = rest;
    else if (word == "box") r.box = rest;
    else if (word == "note") r.notes.insert(rest);
    else if (word == "fail") r.fails.push_back(rest);
    else if (word == "phase") r.phaseEnds[rest.substr(0, rest.find(' '))] = atol(rest.c_str() + rest.find(' ') + 1);
  }
  return r;
}

// A folder holding a copy of this test program and the stand-in as upx.exe,
// from which the runs are started (a run finds upx.exe beside itself).
class FaultRuns {
 public:
  FaultRuns() {
    char self[MAX_PATH];
    GetModuleFileNameA(0, self, MAX_PATH);
    EXPECT_TRUE(CopyFileTo(self, dir_.file("fault-run.exe")));
    EXPECT_TRUE(CopyFileTo(BuildDir() + "\\fake-upx.exe", dir_.file("upx.exe")));
  }
  RunResult Run(long n, const std::string& mode) {
    std::string output;
    std::string command = "\"" + dir_.file("fault-run.exe") + "\" --fault-run " + std::to_string(n) + " " + mode;
    long code = RunAndWait(command, 60000, &output, dir_.path().c_str());
    return Parse(n, code, output);
  }
  // Runs for every n in ns, a few at a time.
  std::vector<RunResult> RunAll(const std::vector<long>& ns, const std::string& mode) {
    std::vector<RunResult> results(ns.size());
    const size_t lanes = 4;
    std::vector<std::thread> threads;
    for (size_t lane = 0; lane < lanes; lane++)
      threads.emplace_back([&, lane] {
        for (size_t i = lane; i < ns.size(); i += lanes) results[i] = Run(ns[i], mode);
      });
    for (std::thread& t : threads) t.join();
    return results;
  }

 private:
  TempDir dir_;
};

std::string Describe(const RunResult& r) {
  return "n=" + std::to_string(r.n) + " exit " + std::to_string(r.exitCode) + ":\n" + r.output;
}

bool NormalBox(const std::string& mode, const std::string& box) {
  return box == (mode == "keep" ? "unchanged" : "report");
}

TEST(AllocFault, EveryAllocationOfARunFailingInTurnLeavesTheProgramSafe) {
  std::vector<std::string> modes = {"shrink", "keep"};
  if (FullRun()) modes.insert(modes.end(), {"grow", "truncate", "delete"});
  FaultRuns runs;
  std::set<std::string> notes;
  std::set<std::string> phasesHit;
  long tried = 0;
  for (const std::string& mode : modes) {
    SCOPED_TRACE(mode);
    // Without a fault: the count of allocations, and the outcome every run
    // whose fault falls outside the request must give.
    RunResult clean = runs.Run(0, mode);
    ASSERT_EQ(clean.exitCode, 0) << Describe(clean);
    ASSERT_TRUE(NormalBox(mode, clean.box)) << Describe(clean);
    ASSERT_GT(clean.total, 20) << Describe(clean);
    EXPECT_TRUE(clean.hit.empty());

    // Every allocation in turn, and a few beyond the last: the events that
    // the system's messages queue vary a little from run to run. The quick
    // cut runs the whole life with the packer shrinking the file, and only
    // the request's own allocations with the packer keeping it.
    long first = 1;
    if (!FullRun() && mode != modes[0]) first = clean.phaseEnds["browse"] + 1;
    std::vector<long> ns;
    for (long n = first; n <= clean.total + 4; n++) ns.push_back(n);
    printf("[ hardening ] packer %s: %ld allocations in a run; allocation %ld to %ld fails in turn\n", mode.c_str(),
           clean.total, first, clean.total + 4);
    bool pastTheEnd = false;
    for (const RunResult& r : runs.RunAll(ns, mode)) {
      SCOPED_TRACE("n=" + std::to_string(r.n));
      tried++;
      EXPECT_EQ(r.exitCode, 0) << Describe(r);
      EXPECT_TRUE(r.fails.empty()) << Describe(r);
      notes.insert(r.notes.begin(), r.notes.end());
      if (r.hit.empty()) {
        EXPECT_GE(r.n, clean.total) << "the failing allocation fell nowhere: " << Describe(r);
        EXPECT_TRUE(NormalBox(mode, r.box)) << Describe(r);
        pastTheEnd = true;
        continue;
      }
      std::string phase = r.hit.substr(0, r.hit.find(' '));
      phasesHit.insert(phase);
      // Only the window's own table may stop start-up, and then the program
      // has shown nothing; outside the request the outcome is the usual one
      // unless start-up could not make the path field.
      if (r.notes.count("startup-failed")) {
        EXPECT_EQ(phase, "startup") << Describe(r);
      }
      bool usualOutcome = phase != "compress" && !r.notes.count("startup-failed") && !r.notes.count("no-path-field");
      if (usualOutcome) {
        EXPECT_TRUE(NormalBox(mode, r.box)) << Describe(r);
      }
    }
    EXPECT_TRUE(pastTheEnd) << "no run went past the last allocation";

    // The modal guard's node for the main window, failed by what it is, not
    // by its number, which the system's events move from run to run (see the
    // guard run's fault in guard_fault.h): the main window stays usable under the box,
    // which is the request's usual one.
    RunResult guard = runs.Run(FAULT_GUARD_NODE, mode);
    SCOPED_TRACE("the guard's node");
    printf("[ hardening ] packer %s: the modal guard's node failed at \"%s\"; main window enabled under the box: %s\n",
           mode.c_str(), guard.hit.c_str(), guard.notes.count("main-enabled-under-box") ? "yes" : "no");
    tried++;
    EXPECT_EQ(guard.exitCode, 0) << Describe(guard);
    EXPECT_TRUE(guard.fails.empty()) << Describe(guard);
    EXPECT_EQ(guard.hit.substr(0, guard.hit.find(' ')), "compress") << Describe(guard);
    EXPECT_TRUE(NormalBox(mode, guard.box)) << Describe(guard);
    EXPECT_TRUE(guard.notes.count("main-enabled-under-box")) << Describe(guard);
    notes.insert(guard.notes.begin(), guard.notes.end());
  }
  printf("[ hardening ] %ld runs, each with one allocation failing\n", tried);
  // Start-up, the browse and the request always allocate, so faults always
  // fall there. The press seen through the event wait allocates only when the
  // system happens to queue an event for the window meanwhile (an activation,
  // a repaint), so a fault may or may not fall there.
  const std::set<std::string> certain = {"startup", "browse", "compress"}, possible = {"startup", "browse", "compress", "event"};
  for (const std::string& phase : certain) EXPECT_TRUE(phasesHit.count(phase)) << "no fault fell in " << phase;
  for (const std::string& phase : phasesHit) EXPECT_TRUE(possible.count(phase)) << "a fault fell in " << phase;
  // Each fallback was taken, and the run that took it passed every check:
  // the one-per-module records (event state, sizing state, gadget list), the
  // window's key table, the automatically numbered labels, the node of the
  // modal guard (the window it could not list stays enabled), the file
  // dialog that cannot be opened, and a start-up without its window table.
  for (const char* note : {"events-spare", "sizing-spare", "gadgets-fallback", "no-accelerators", "labels-missing",
                           "main-enabled-under-box", "no-file-dialog", "startup-failed", "no-gadget-table"})
    EXPECT_TRUE(notes.count(note)) << note;
}

// The window layer, started once in this process for the in-process tests.
// Its steps by hand, not RuntimeStart: the area made only the heaps (area_setup.cpp).
void StartWindowLayer() {
  static bool started;
  if (started) return;
  WindowInit();
  GadgetInit();
  started = true;
}


// An automatically numbered window needs a node, a place in the index of
// identities (which may have to grow) and its key array; the events its
// creation queues take memory too. With any one of these allocations failing
// the window is either not made at all, with nothing left behind, or made
// whole (without Tab keys when the array is missing) and closed cleanly.
TEST(AllocFault, AutomaticallyNumberedWindowWithEachAllocationFailing) {
  StartWindowLayer();
  std::vector<ObjectNumber> fill;
  int refused = 0, withoutKeys = 0, whole = 0;
  for (long k = 1;; k++) {
    SCOPED_TRACE("allocation " + std::to_string(k));
    // The next automatic record makes the index grow.
    while ((WindowTable->identityCount + 1) * 2 <= WindowTable->identityCapacity || !WindowTable->identityCapacity) {
      fill.push_back(WindowOpen(AUTO_NUMBER, 0, 0, 40, 20, "fill", WINDOW_INVISIBLE));
      ASSERT_NE(fill.back(), 0) << "a window to fill the index with could not be opened";
    }
    int windows = ThreadWindowCount();
    long before = AllocCount();
    AllocFaultArm(k);
    ObjectNumber w = WindowOpen(AUTO_NUMBER, 0, 0, 40, 20, "faulty", WINDOW_INVISIBLE);
    AllocFaultArm(0);
    bool hit = AllocCount() - before >= k;
    if (!w) {
      ASSERT_TRUE(hit);
      refused++;
      EXPECT_EQ(ThreadWindowCount(), windows);
      continue;
    }
    WindowRecord* record = (WindowRecord*)ObjectTableFind(WindowTable, w);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(WindowHandle(w), record->handle);
    if (!record->accelerators) {
      withoutKeys++;
      EXPECT_EQ(record->acceleratorTable, nullptr);
    } else if (hit) {
      whole++;
    }
    char className[32];
    wsprintfA(className, "WindowClass_%ld", (long)w);
    WindowClose(w);
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(InstanceHandle, className, &info));
    EXPECT_EQ(ThreadWindowCount(), windows);
    if (!hit) break;
  }
  for (ObjectNumber w : fill) WindowClose(w);
  while (WaitEvent(0)) {
  }
  EXPECT_EQ(refused, 2);  // the node, and the index's growth
  EXPECT_EQ(withoutKeys, 1);
  printf("[ hardening ] an automatic window: %d allocations failed in turn\n", refused + withoutKeys + whole);
}

}  // namespace
