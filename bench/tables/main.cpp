// Object tables at 10^3, 10^4 and 10^5 live entries, half numbered and half
// automatically numbered: the time per claim, per find by number, per find by
// identity and per release. Finds are timed in two patterns:
//   - scattered: every live entry in a fixed pseudo-random order, so a table
//     that outgrows the processor's caches pays for it here;
//   - spread set: 64 entries spread evenly over the table, visited in turn,
//     which keeps the touched memory small whatever the table's size and so
//     shows the lookup's own work (a program asks for a few objects often).
// The three sizes are measured in every round, in a rotating order; the 10^5
// figures are then set against the 10^3 ones as the two sides of a ratio.
#include <stdio.h>
#include <stdlib.h>
#include <vector>

#include "bench/support/measure.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/object_table.h"

static const int kFinds = 1000000;
static const LONG kRecordSize = 32;  // a gadget record
static const LONG kGrowStep = 50;    // the gadget table's step

struct Figures {
  double claim, findNumber, findIdentity, release;  // nanoseconds per operation
  double spreadNumber, spreadIdentity;
};

static const int kSpreadSet = 64;

static unsigned long seed = 12345;
static unsigned long NextRandom() {
  seed = seed * 1103515245u + 12345u;
  return seed >> 8;
}

static volatile uintptr_t sink;

static bool Measure(int live, Figures* out) {
  // Not RuntimeStart: only the memory library is linked, with fresh heaps for each measurement.
  MainHeap = HeapCreate(0, 4096, 0);
  ListHeap = HeapCreate(0, 1024, 0);
  if (!MainHeap || !ListHeap) return false;
  ObjectTable* table = ObjectTableNew(kRecordSize, kGrowStep, 0);
  if (!table) return false;
  int numbered = live / 2, automatic = live - live / 2;
  std::vector<ObjectNumber> identities(automatic);

  double t0 = Now();
  for (int i = 0; i < numbered; i++) {
    void** record = (void**)ObjectTableClaim(table, i);
    if (!record) return false;
    *record = (void*)(uintptr_t)(i + 1);
  }
  for (int i = 0; i < automatic; i++) {
    void** record = (void**)ObjectTableClaim(table, AUTO_NUMBER);
    if (!record) return false;
    *record = (void*)(uintptr_t)(i + 1);
    identities[i] = ObjectIdentity(record);
  }
  double t1 = Now();

  std::vector<ObjectNumber> numbers(kFinds), ids(kFinds);
  seed = 12345;
  for (int i = 0; i < kFinds; i++) {
    numbers[i] = (ObjectNumber)(NextRandom() % (unsigned long)numbered);
    ids[i] = identities[NextRandom() % (unsigned long)automatic];
  }
  uintptr_t sum = 0;
  double t2 = Now();
  for (int i = 0; i < kFinds; i++) sum += (uintptr_t)ObjectTableFind(table, numbers[i]);
  double t3 = Now();
  for (int i = 0; i < kFinds; i++) sum += (uintptr_t)ObjectTableFind(table, ids[i]);
  double t4 = Now();
  for (int i = 0; i < kFinds; i++) {
    numbers[i] = (i % kSpreadSet) * (numbered / kSpreadSet);
    ids[i] = identities[(i % kSpreadSet) * (automatic / kSpreadSet)];
  }
  double t7 = Now();
  for (int i = 0; i < kFinds; i++) sum += (uintptr_t)ObjectTableFind(table, numbers[i]);
  double t8 = Now();
  for (int i = 0; i < kFinds; i++) sum += (uintptr_t)ObjectTableFind(table, ids[i]);
  double t9 = Now();
  sink = sum;
  if (!sum) return false;

  // Release in a scattered order too: a shuffled list of every entry.
  std::vector<ObjectNumber> all;
  all.reserve(live);
  for (int i = 0; i < numbered; i++) all.push_back(i);
  for (int i = 0; i < automatic; i++) all.push_back(identities[i]);
  for (int i = live - 1; i > 0; i--) std::swap(all[i], all[NextRandom() % (unsigned long)(i + 1)]);
  double t5 = Now();
  for (int i = 0; i < live; i++) ObjectTableRelease(table, all[i]);
  double t6 = Now();
  bool empty = !ObjectTableFind(table, 0) && !ObjectTableFind(table, identities[0]);

  HeapDestroy(ListHeap);
  HeapDestroy(MainHeap);
  ListHeap = MainHeap = 0;
  if (!empty) return false;

  out->claim = (t1 - t0) * 1e9 / live;
  out->findNumber = (t3 - t2) * 1e9 / kFinds;
  out->findIdentity = (t4 - t3) * 1e9 / kFinds;
  out->release = (t6 - t5) * 1e9 / live;
  out->spreadNumber = (t8 - t7) * 1e9 / kFinds;
  out->spreadIdentity = (t9 - t8) * 1e9 / kFinds;
  return true;
}

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 10;
  static const int sizes[3] = {1000, 10000, 100000};
  Samples claim[3], byNumber[3], byIdentity[3], release[3], spreadNumber[3], spreadIdentity[3];
  WatchdogStart(600, "the object-table benchmark");
  for (int r = 0; r < rounds; r++) {
    for (int k = 0; k < 3; k++) {
      int s = (r + k) % 3;
      Figures f = {};
      if (!Measure(sizes[s], &f)) {
        printf("ERROR\tobject table of %d entries: a claim, find or release failed\n", sizes[s]);
        return 1;
      }
      claim[s].add(f.claim);
      byNumber[s].add(f.findNumber);
      byIdentity[s].add(f.findIdentity);
      release[s].add(f.release);
      spreadNumber[s].add(f.spreadNumber);
      spreadIdentity[s].add(f.spreadIdentity);
    }
  }
  WatchdogStop();
  static const char* names[3] = {"10^3", "10^4", "10^5"};
  char figure[96];
  for (int s = 0; s < 3; s++) {
    sprintf(figure, "Object table, %s live: find by number, scattered", names[s]);
    PrintSingleRow(figure, "ns", byNumber[s]);
    sprintf(figure, "Object table, %s live: find by identity, scattered", names[s]);
    PrintSingleRow(figure, "ns", byIdentity[s]);
    sprintf(figure, "Object table, %s live: find by number, spread set", names[s]);
    PrintSingleRow(figure, "ns", spreadNumber[s]);
    sprintf(figure, "Object table, %s live: find by identity, spread set", names[s]);
    PrintSingleRow(figure, "ns", spreadIdentity[s]);
    sprintf(figure, "Object table, %s live: claim", names[s]);
    PrintSingleRow(figure, "ns", claim[s]);
    sprintf(figure, "Object table, %s live: release", names[s]);
    PrintSingleRow(figure, "ns", release[s]);
  }
  PrintRow("Object table: find by number, scattered, 10^5 vs 10^3 live", "ns", byNumber[2], byNumber[0], "<= 1.5");
  PrintRow("Object table: find by identity, scattered, 10^5 vs 10^3 live", "ns", byIdentity[2], byIdentity[0],
           "<= 1.5");
  PrintRow("Object table: find by number, spread set, 10^5 vs 10^3 live", "ns", spreadNumber[2], spreadNumber[0],
           "<= 1.5");
  PrintRow("Object table: find by identity, spread set, 10^5 vs 10^3 live", "ns", spreadIdentity[2],
           spreadIdentity[0], "<= 1.5");
  PrintRow("Object table: claim, 10^5 vs 10^3 live", "ns", claim[2], claim[0], "");
  PrintRow("Object table: release, 10^5 vs 10^3 live", "ns", release[2], release[0], "");
  return 0;
}
