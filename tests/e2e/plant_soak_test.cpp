// A soak of plant traffic: an S7 master/backup pair with heartbeat tags, an S5 PLC and a PLC of
// type 6, polled without a pause at the host's default setting 10 (a deadline of 100 ms) while
// every answer is held 60 to 130 ms, so that many come after the deadline.
//
// First the late answers alone, and the host only reads. A late answer costs its read (2) and at
// most the next read on its connection (1); it never costs the link. That is judged by what a lost
// link leaves: the transport traces every connection it breaks, and the simulator counts every
// connection it accepts. No connection may break, and every connection that the simulator took in
// that time must be one that the driver made (the heartbeat of a pair member whose read failed
// connects it again) or one that the transport made in place of an S5 link whose answer outlived
// the answer limit; at the end every link is up.
//
// Then, on top, cycles of trouble: the master stalls and the S5 loses its connections; the master
// goes away and the type-6 PLC stops; both come back. Here the host does what a host does: it
// warm-starts a PLC without a backup that it could not reach three reads in a row (at most every
// 300 ms). Each cycle the backup serves the pair while the master is away (which stays away until
// it has), and the master serves it again once it is back (the next cycle waits for that).
//
// Throughout: no read is ever answered with a value that is not its own; every result is 0, 1 or
// 2; no read takes longer than two deadlines and a margin (a reconnect of a heartbeat, then the
// read). At the end, once the faults are cleared, every PLC is read again with the pair on its
// master; the simulator holds one connection per PLC (two for the S5), and this process the
// sockets, descriptors and heap in use that it held before (and, where the sanitizer does not hold
// freed memory back, about the resident memory).
//
// About 20 s long; --soak-seconds=N on the command line of simulator_e2e makes it N seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "e2e/process_limits.h"
#include "e2e/simulator_test.h"
#include "support/environment.h"

namespace zan::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int soakSeconds = 20;

constexpr int32_t kTimeoutSetting = 10;
constexpr long long kDeadlineMs = 10 * kTimeoutSetting;
// A read may wait for a heartbeat's reconnect (one deadline), then for its answer (another).
constexpr long long kLongestReadMs = 2 * kDeadlineMs + 100;
constexpr long long kWarmStartPauseMs = 300;
constexpr int kUnreachableBeforeWarmStart = 3;
// However slow the machine, a pair changes sides within this once it should: to its backup while
// its master is away, back to its master once it is there again. (Each round gives it a fair
// chance; with answers as late as these it takes a few.)
constexpr long long kPairChangeMs = 30000;
// The least that a cycle of trouble lasts: a second of each fault.
constexpr long long kCycleMs = 3000;
constexpr int kPlcs = 4;
// What the heap in use may gain whatever the soak's length: buffers that the C library and the
// test's own output take on their first use.
constexpr long long kHeapGrowthBytes = 256 * 1024;
constexpr int kTimeBuckets = 1000;  // of a millisecond each; reads are judged against 300 ms
// Handles that the platform itself may open on the way (wine's, on first use of something); Linux
// counts only this process's own descriptors. Our driver and library hold sockets only, counted
// exactly; and the soak reconnects far more often than this, so that a handle lost at each
// reconnect still shows.
#ifdef _WIN32
constexpr long kPlatformHandles = 8;
#else
constexpr long kPlatformHandles = 0;
#endif
constexpr char kTraceFile[] = "quaxnet-trace.log";
constexpr char kSwitchedToBackup[] = "ZanDOR: PLC 1 Changed to Backup PLC 2 now !!!";

struct Figures {
  long reads = 0;
  long results[3] = {};     // by code: 0 done, 1 refused (a late answer still on its way), 2
  long otherResults = 0;    // any other code: a fault
  long wrongValues = 0;     // data that is not the PLC's that served the read, or not that tag's
  long servedByBackup = 0;  // reads of the master's tags
  long overLongest = 0;     // reads longer than kLongestReadMs
  long warmStarts = 0;
  long warmStartsDone = 0;
  long resultsPerPlc[kPlcs + 1][3] = {};  // by the PLC that served the read
  // How long the reads took, by the millisecond (the last counts every longer read) and the
  // longest: a soak of any length holds the same memory.
  long readsByMs[kTimeBuckets] = {};
  long long longest = 0;

  void Time(long long ms) {
    ++readsByMs[std::clamp<long long>(ms, 0, kTimeBuckets - 1)];
    longest = std::max(longest, ms);
  }

  void Add(const Figures& other) {
    reads += other.reads;
    for (int code = 0; code < 3; ++code) {
      results[code] += other.results[code];
      for (int plc = 0; plc <= kPlcs; ++plc)
        resultsPerPlc[plc][code] += other.resultsPerPlc[plc][code];
    }
    otherResults += other.otherResults;
    wrongValues += other.wrongValues;
    servedByBackup += other.servedByBackup;
    overLongest += other.overLongest;
    warmStarts += other.warmStarts;
    warmStartsDone += other.warmStartsDone;
    for (int ms = 0; ms < kTimeBuckets; ++ms)
      readsByMs[ms] += other.readsByMs[ms];
    longest = std::max(longest, other.longest);
  }
  // The time within which `part` of the reads ended (the longest for 1); at most the last bucket
  // otherwise.
  long long Percentile(double part) const {
    if (reads == 0) return 0;
    if (part >= 1.0) return longest;
    long seen = 0;
    for (int ms = 0; ms < kTimeBuckets; ++ms) {
      seen += readsByMs[ms];
      if (seen > static_cast<long>(part * static_cast<double>(reads - 1))) return ms;
    }
    return kTimeBuckets - 1;
  }
  void Print(const char* phase) const {
    std::printf(
        "soak %-8s: %ld reads: %ld done (0), %ld refused (1), %ld unreachable (2), %ld other; "
        "%ld wrong values; %ld served by the backup; warm starts %ld (%ld done); ms median %lld, "
        "99%% %lld, max %lld; %ld over %lld ms\n",
        phase, reads, results[0], results[1], results[2], otherResults, wrongValues, servedByBackup,
        warmStarts, warmStartsDone, Percentile(0.5), Percentile(0.99), Percentile(1.0), overLongest,
        kLongestReadMs);
  }
};

struct SoakTag {
  const char* text;
  uint16_t master;  // the word that its PLC (the S5, the type-6 PLC, the master) holds; 0: any
  uint16_t backup;  // the same on the backup, PLC 2
  int plc;          // the PLC that the tag reads; 0: the one that its item names afterwards
};

// Two words of each PLC, so that an answer taken for another tag's would show; the heartbeat words;
// the master's status.
const SoakTag kTags[] = {
    {"01DW0100002", 0x1111, 0x2222, 0},
    {"01DW0100004", 0x1515, 0x2525, 0},
    {"01D10100000", 0, 0, 1},
    {"01D20100000", 0, 0, 2},
    {"03DW0100001", 0x3333, 0, 3},
    {"03DW0100002", 0x3535, 0, 3},
    {"04DW0100001", 0x4444, 0, 4},
    {"04DW0100002", 0x4646, 0, 4},
    {"!01", 0, 0, 0},
};
constexpr std::size_t kTagCount = sizeof kTags / sizeof kTags[0];
constexpr std::size_t kPairTags = 2;  // the first ones
constexpr std::size_t kMasterStatusTag = kTagCount - 1;
constexpr uint16_t kStatusActive = 1;  // the master's status: connected, alive and serving its pair

// What shows whether a link was kept or made again, at one moment.
struct LinkCounts {
  long accepted[kPlcs + 1] = {};  // by the simulator, since its start
  long attempts[kPlcs + 1] = {};  // connects of an S7 by the driver, logged
  long broken = 0;                // connections broken by the transport, traced
  long restarted = 0;             // S5 links restarted by the transport, traced
  long forgotten = 0;             // requests forgotten by the transport, traced
  long dropped = 0;               // late answers dropped by the transport, traced
};

long TraceLines(const std::vector<std::string>& lines, const char* words) {
  long count = 0;
  for (const std::string& line : lines)
    count += line.find(words) != std::string::npos;
  return count;
}

class PlantSoakTest : public SimulatorTest {
 protected:
  enum class Host { kReadsOnly, kWarmStarts };

  void Command(const std::string& line) {
    ASSERT_EQ(simulator().Command(line).rfind("ok", 0), 0u) << line;
  }

  // Reads every tag once and counts what came back. With Host::kWarmStarts it warm-starts the S5
  // or the type-6 PLC when it could not be reached three reads in a row (and was not warm-started
  // in the last 300 ms).
  void Round(HostTag (&tags)[kTagCount], Figures& figures, Host host) {
    for (std::size_t i = 0; i < kTagCount; ++i) {
      HostTag& tag = tags[i];
      std::memset(tag.values, 0, sizeof tag.values);
      const Clock::time_point start = Clock::now();
      const int32_t result = driver().Send(kCommandReadBlock, tag);
      const long long ms = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
      const int served = kTags[i].plc != 0 ? kTags[i].plc : tag.item.plc & 0xFF;
      ++figures.reads;
      figures.Time(ms);
      figures.overLongest += ms > kLongestReadMs;
      if (result < 0 || result > 2) {
        ++figures.otherResults;
        ADD_FAILURE() << tag.text << " answered " << result;
        continue;
      }
      ++figures.results[result];
      if (served >= 0 && served <= kPlcs) ++figures.resultsPerPlc[served][result];
      const bool pairTag = i < kPairTags;
      if (pairTag && served == 2) ++pairOnBackup_;
      if (pairTag && served == 1 && result == 0) ++pairAnsweredByMaster_;
      int& unreachable = unreachableInARow_[served];
      unreachable = result == 2 ? unreachable + 1 : 0;
      if (result == 0) {
        figures.servedByBackup += pairTag && served == 2;
        const uint16_t wanted = served == 2 ? kTags[i].backup : kTags[i].master;
        if (wanted != 0 && tag.Word() != wanted) {
          ++figures.wrongValues;
          ADD_FAILURE() << tag.text << " read " << tag.Word() << " from PLC " << served;
        }
      }
      if (host == Host::kWarmStarts && unreachable >= kUnreachableBeforeWarmStart &&
          (served == 3 || served == 4))
        WarmStart(served, figures);
    }
  }

  void WarmStart(int plc, Figures& figures) {
    Clock::time_point& last = lastWarmStart_[plc];
    if (Clock::now() - last < milliseconds(kWarmStartPauseMs)) return;
    last = Clock::now();
    int32_t number = plc;
    ++figures.warmStarts;
    figures.warmStartsDone += driver().WarmStart(&number) == 0;
  }

  void RoundsFor(HostTag (&tags)[kTagCount], Figures& figures, milliseconds duration, Host host) {
    const Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end)
      Round(tags, figures, host);
  }

  // Rounds for `least`, and then until `done` holds after a round, for at most kPairChangeMs in
  // all; the milliseconds until it held, or -1 when it never did.
  template <typename Done>
  long long RoundsUntil(HostTag (&tags)[kTagCount], Figures& figures, Host host, milliseconds least,
                        Done done) {
    const Clock::time_point start = Clock::now();
    RoundsFor(tags, figures, least, host);
    for (;;) {
      if (done()) {
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
      }
      if (Clock::now() - start >= milliseconds(kPairChangeMs)) return -1;
      Round(tags, figures, host);
    }
  }

  // The reads of the pair's tags so far that its backup was chosen for, and that its master
  // answered.
  long pairOnBackup() const { return pairOnBackup_; }
  long pairAnsweredByMaster() const { return pairAnsweredByMaster_; }

  long Status(int plc, const std::string& key) {
    return StatusField(simulator().Command("status " + std::to_string(plc)), key);
  }

  LinkCounts Links() {
    LinkCounts counts;
    const std::vector<std::string> log = DriverSession::Log();
    for (int plc = 1; plc <= kPlcs; ++plc) {
      counts.accepted[plc] = Status(plc, "accepted");
      const std::string connection = "ZanDOR: Connection to Plc #" + std::to_string(plc);
      for (const std::string& line : log)
        counts.attempts[plc] +=
            line == connection + " Success !!!" || line == connection + " Failed !!!";
    }
    const std::vector<std::string> trace = ReadLines(kTraceFile);
    counts.broken = TraceLines(trace, ": broken: ");
    counts.restarted = TraceLines(trace, "the link is restarted");
    counts.forgotten = TraceLines(trace, "request forgotten");
    counts.dropped = TraceLines(trace, "dropped (");
    return counts;
  }

 private:
  Clock::time_point lastWarmStart_[kPlcs + 1] = {};
  long pairOnBackup_ = 0;
  long pairAnsweredByMaster_ = 0;
  int unreachableInARow_[kPlcs + 1] = {};
};

TEST_F(PlantSoakTest, PairS5AndTypeSixThroughLateAnswersDropsStopsAndRestarts) {
  ASSERT_TRUE(zan::testing::SetEnvironment("QUAXNET_TRACE", kTraceFile));
  StartSimulator({"1:s7:db=10x100:heartbeat=db10.dbw0", "2:s7:db=10x100:heartbeat=db10.dbw0",
                  "3:s5:db=10x100", "4:s7:db=10x100"});
  ASSERT_TRUE(simulator().Set(1, "db10", 2, {0x11, 0x11, 0x15, 0x15}));
  ASSERT_TRUE(simulator().Set(2, "db10", 2, {0x22, 0x22, 0x25, 0x25}));
  ASSERT_TRUE(simulator().Set(3, "db10", 2, {0x33, 0x33, 0x35, 0x35}));
  ASSERT_TRUE(simulator().Set(4, "db10", 2, {0x44, 0x44, 0x46, 0x46}));
  ASSERT_EQ(
      Init(S7Line(1) + S7Line(2) + "3=5,127.0.0.3\n4=6,127.0.0.4\nBACKUP_1=2\n", kTimeoutSetting),
      0);
  HostTag tags[kTagCount];
  for (std::size_t i = 0; i < kTagCount; ++i)
    Define(tags[i], kTags[i].text);
  // What the host holds once it reads: one round in calm first, so that whatever the platform
  // opens at its first use is already counted.
  Figures warmUp;
  Round(tags, warmUp, Host::kReadsOnly);
  const long descriptors = OpenDescriptorCount();
  const long sockets = OpenSocketCount();
  const long memory = OwnResidentKilobytes();
  const long long heap = HeapInUseBytes();
  for (const char* plc : {"1", "2", "3", "4"})
    Command(std::string("fault ") + plc + " jitter 60-130");

  // Answers that cross the deadline, and nothing else.
  const long long total = soakSeconds * 1000LL;
  const Clock::time_point soakStart = Clock::now();
  const LinkCounts beforeLate = Links();
  Figures late;
  RoundsFor(tags, late, milliseconds(total / 3), Host::kReadsOnly);
  late.Print("late");
  const long expectedConnections[] = {0, 1, 1, 2, 1};
  for (int plc = 1; plc <= kPlcs; ++plc) {
    EXPECT_EQ(SettledStatus(plc, "established", expectedConnections[plc]), expectedConnections[plc])
        << "every link of PLC " << plc << " is up after the late answers";
  }
  const LinkCounts afterLate = Links();
  const long brokenInLate = afterLate.broken - beforeLate.broken;
  const long restartedInLate = afterLate.restarted - beforeLate.restarted;
  // The connections that the driver and the transport made in that time: the pair's by their
  // heartbeats, the S5's in place of a link restarted (only an S5 link is restarted).
  long madeInLate[kPlcs + 1] = {};
  for (int plc : {1, 2})
    madeInLate[plc] = afterLate.attempts[plc] - beforeLate.attempts[plc];
  madeInLate[3] = restartedInLate;
  long acceptedInLate[kPlcs + 1] = {};
  for (int plc = 1; plc <= kPlcs; ++plc) {
    acceptedInLate[plc] =
        SettledStatus(plc, "accepted", beforeLate.accepted[plc] + madeInLate[plc]) -
        beforeLate.accepted[plc];
  }
  std::printf(
      "soak late links: connections accepted by the simulator %ld, %ld, %ld, %ld; connects of "
      "the pair by its heartbeats %ld, %ld; S5 links restarted %ld, requests forgotten %ld, late "
      "answers dropped %ld, connections broken %ld by the transport\n",
      acceptedInLate[1], acceptedInLate[2], acceptedInLate[3], acceptedInLate[4], madeInLate[1],
      madeInLate[2], restartedInLate, afterLate.forgotten - beforeLate.forgotten,
      afterLate.dropped - beforeLate.dropped, brokenInLate);
  EXPECT_GT(late.results[2], 0) << "answers come after the deadline";
  EXPECT_EQ(late.warmStarts, 0);
  EXPECT_EQ(brokenInLate, 0) << "late answers break no connection";
  for (int plc = 1; plc <= kPlcs; ++plc) {
    EXPECT_EQ(acceptedInLate[plc], madeInLate[plc])
        << "PLC " << plc
        << ": every connection taken is one that the heartbeat or an S5 restart made";
  }
  for (int plc = 1; plc <= kPlcs; ++plc) {
    EXPECT_GT(late.resultsPerPlc[plc][0], 0) << "PLC " << plc << " answers in time between";
  }
  for (int plc : {3, 4}) {
    EXPECT_LE(late.resultsPerPlc[plc][1], late.resultsPerPlc[plc][2])
        << "PLC " << plc << ": a late answer costs at most the next read";
  }

  // On top, in cycles: the master stalls and the S5 loses its connections; the master goes away
  // (until the pair has been served by its backup) and the type-6 PLC stops; both come back (until
  // the master has answered for its pair again). A cycle begins only while a whole one fits into
  // the soak's time.
  Figures trouble;
  int cycles = 0;
  int cyclesAway = 0;
  int cyclesBack = 0;
  long long longestAway = 0;  // from the master's stop until the pair was on its backup
  long long longestBack = 0;  // from the master's start until it served its pair again
  const Clock::time_point troubleEnd = soakStart + milliseconds(total - 1000);
  while (cycles == 0 || Clock::now() + milliseconds(kCycleMs) <= troubleEnd) {
    ++cycles;
    const long onBackupBefore = pairOnBackup();
    Command("fault 1 silent");
    Command("fault 3 drop");
    RoundsFor(tags, trouble, milliseconds(1000), Host::kWarmStarts);
    Command("stop 1");
    Command("stop 4");
    const long long away = RoundsUntil(tags, trouble, Host::kWarmStarts, milliseconds(1000),
                                       [&] { return pairOnBackup() > onBackupBefore; });
    cyclesAway += away >= 0;
    longestAway = std::max(longestAway, away);
    for (const char* plc : {"1", "4"}) {
      Command(std::string("start ") + plc);
      Command(std::string("clear ") + plc);
      Command(std::string("fault ") + plc + " jitter 60-130");
    }
    const long answeredBefore = pairAnsweredByMaster();
    const long long back = RoundsUntil(tags, trouble, Host::kWarmStarts, milliseconds(1000),
                                       [&] { return pairAnsweredByMaster() > answeredBefore; });
    cyclesBack += back >= 0;
    longestBack = std::max(longestBack, back);
    if (away < 0 || back < 0) {
      ADD_FAILURE() << "cycle " << cycles << ": the pair "
                    << (away < 0 ? "did not go to its backup while its master was away"
                                 : "did not return to its master")
                    << " within " << kPairChangeMs << " ms";
      break;
    }
  }
  // What is left of the time: the late answers alone again, the links that the last cycle cost
  // mended by the host's warm starts.
  if (Clock::now() < troubleEnd)
    RoundsFor(tags, trouble, std::chrono::duration_cast<milliseconds>(troubleEnd - Clock::now()),
              Host::kWarmStarts);
  trouble.Print("trouble");
  std::printf(
      "soak pair: %d cycles, served by its backup while the master was away %d times (at most "
      "%lld ms after the master stopped), by its master again %d times (at most %lld ms after it "
      "started)\n",
      cycles, cyclesAway, longestAway, cyclesBack, longestBack);
  EXPECT_GT(trouble.servedByBackup, 0);
  EXPECT_EQ(cyclesAway, cycles) << "each cycle the backup serves the pair while the master is away";
  EXPECT_EQ(cyclesBack, cycles) << "and the master again once it is back";

  // Calm: the faults end. Every PLC comes back, without a warm start beyond those that the links
  // lost at the end of the trouble need, and the pair returns to its master.
  for (const char* plc : {"1", "2", "3", "4"})
    Command(std::string("clear ") + plc);
  Figures settle;
  long calmRounds = 0;
  const Clock::time_point settled = Clock::now() + milliseconds(10000);
  while (Clock::now() < settled && calmRounds < 3) {
    Figures round;
    Round(tags, round, Host::kWarmStarts);
    calmRounds = round.results[0] == static_cast<long>(kTagCount) && tags[0].item.plc == 1
                     ? calmRounds + 1
                     : 0;
    settle.Add(round);
  }
  Figures calm;
  Round(tags, calm, Host::kWarmStarts);
  calm.Print("calm");
  EXPECT_EQ(calm.results[0], static_cast<long>(kTagCount)) << "every tag read, no link lost";
  EXPECT_EQ(tags[0].item.plc, 1) << "back on the master";
  EXPECT_EQ(tags[kMasterStatusTag].Word(), kStatusActive) << "which serves its pair";

  zan::testing::SetEnvironment("QUAXNET_TRACE", "");
  const LinkCounts atEnd = Links();
  // Counted together at the end: the pair may still change sides while the links settle.
  const long away = LoggedCount(kSwitchedToBackup);
  const long back = LoggedCount("ZanDOR: PLC 1 Changed from Backup to Master !!!");
  const long reconnects = LoggedCount("ZanDOR: Connection to Plc #1 Success !!!") - 1;
  long connections[kPlcs + 1] = {};
  for (int plc = 1; plc <= kPlcs; ++plc)
    connections[plc] = SettledStatus(plc, "connections", expectedConnections[plc]);
  const long descriptorsAtEnd = OpenDescriptorCount();
  const long socketsAtEnd = OpenSocketCount();
  const long memoryAtEnd = OwnResidentKilobytes();
  const long long heapAtEnd = HeapInUseBytes();
  std::printf(
      "soak: %d cycles; late answers dropped by the transport %ld, requests forgotten (S7) %ld, "
      "links restarted (S5) %ld, connections broken %ld; %ld switches to the backup, %ld back; "
      "%ld reconnects of the master by its heartbeat; %ld warm starts while settling\n",
      cycles, atEnd.dropped, atEnd.forgotten, atEnd.restarted, atEnd.broken, away, back, reconnects,
      settle.warmStarts);
  std::printf(
      "soak end: simulator connections %ld, %ld, %ld, %ld; sockets %ld at the start, %ld at the "
      "end; descriptors %ld at the start, %ld at the end; resident memory %ld kB at the start, "
      "%ld kB at the end%s; heap in use %lld kB at the start, %lld kB at the end\n",
      connections[1], connections[2], connections[3], connections[4], sockets, socketsAtEnd,
      descriptors, descriptorsAtEnd, memory, memoryAtEnd,
      FreedMemoryHeldBack() ? " (freed memory held back by the sanitizer)" : "", heap / 1024,
      heapAtEnd / 1024);

  Figures all;
  for (const Figures* phase : {&warmUp, &late, &trouble, &settle, &calm})
    all.Add(*phase);
  EXPECT_EQ(all.wrongValues, 0) << "no answer is ever taken for another request's";
  EXPECT_EQ(all.overLongest, 0) << "every read ends within " << kLongestReadMs << " ms";
  EXPECT_GT(atEnd.dropped, 0) << "late answers came, and were dropped";
  // Each change of side is logged once, and the pair starts and ends on its master.
  EXPECT_GE(away, cycles) << "the pair changed to its backup in every cycle";
  EXPECT_EQ(back, away) << "and back to its master as often";
  for (int plc = 1; plc <= kPlcs; ++plc)
    EXPECT_EQ(connections[plc], expectedConnections[plc]) << "PLC " << plc;
  EXPECT_GT(sockets, 0);
  EXPECT_EQ(socketsAtEnd, sockets) << "no socket left by the reconnects, restarts and warm starts";
  EXPECT_GE(descriptors, 0);
  if (kPlatformHandles == 0) {
    EXPECT_EQ(descriptorsAtEnd, descriptors);
  } else {
    EXPECT_LE(descriptorsAtEnd - descriptors, kPlatformHandles) << "beyond the platform's own";
  }
  EXPECT_GT(reconnects, kPlatformHandles) << "a handle lost at each reconnect would show";
  // Memory is judged by what can leak: the heap in use, which neither the driver nor the transport
  // touches per request and this test no longer grows (its figures are counts). Resident memory
  // says nothing where the sanitizer holds freed memory back (it grows with every allocation
  // made, until the quarantine is full); elsewhere it stays within a bound, the transport's
  // connection table included (its slots are reused lowest first: docs/wire.md).
  if (heap >= 0 && heapAtEnd >= 0) {
    EXPECT_LT(heapAtEnd - heap, kHeapGrowthBytes) << "the heap in use stays as it was: no leak";
  }
  if (!FreedMemoryHeldBack() && memory > 0 && memoryAtEnd > 0) {
    EXPECT_LT(memoryAtEnd - memory, 16 * 1024) << "resident memory grows by less than 16 MB";
  }
}

}  // namespace

void SetSoakSeconds(int seconds) {
  soakSeconds = seconds;
}

}  // namespace zan::e2e
