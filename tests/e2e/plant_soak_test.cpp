// A soak of plant traffic: an S7 master/backup pair with heartbeat tags, an S5 PLC and a PLC of
// type 6, polled without a pause at the host's default setting 10 (a deadline of 100 ms) while
// every answer is held 60 to 130 ms, so that many come after the deadline. On top of that the
// master stalls, drops and comes back, the S5 loses its connections and the type-6 PLC stops and
// starts again. The host does what a host does: it reads, and warm-starts a PLC without a backup
// that it could not reach three reads in a row (at most every 300 ms); the pair's heartbeat tags
// reconnect the master. A late answer alone never makes it warm-start: it costs its read (2) and at
// most the next (1).
//
// The rules: no read is ever answered with a value that is not its own; no read takes longer than
// its wait for an earlier late answer plus its own deadline and a margin; every result is 0, 1 or
// 2; once the faults end, every PLC is read again without any more warm starts (no link is lost
// for good) and the pair is back on its master; the simulator holds one connection per PLC (two
// for the S5 pair), and this process the descriptors and about the memory it held before.
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
// A read may wait out an earlier late answer (one deadline), then its own answer (another).
constexpr long long kLongestReadMs = 2 * kDeadlineMs + 100;
constexpr long long kWarmStartPauseMs = 300;
constexpr int kUnreachableBeforeWarmStart = 3;

struct Figures {
  long reads = 0;
  long results[3] = {};     // by code: 0 done, 1 refused (a late answer still on its way), 2
  long otherResults = 0;    // any other code: a fault
  long wrongValues = 0;     // data that is not the PLC's that served the read, or not that tag's
  long servedByBackup = 0;  // reads of the master's tags
  long overLongest = 0;     // reads longer than kLongestReadMs
  long warmStarts = 0;
  long warmStartsDone = 0;
  long donePerPlc[5] = {};
  std::vector<long long> times;

  long long Percentile(double part) const {
    if (times.empty()) return 0;
    std::vector<long long> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    return sorted[static_cast<std::size_t>(part * static_cast<double>(sorted.size() - 1))];
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

class PlantSoakTest : public SimulatorTest {
 protected:
  void Command(const std::string& line) {
    ASSERT_EQ(simulator().Command(line).rfind("ok", 0), 0u) << line;
  }

  // Reads every tag once and counts what came back; warm-starts the S5 or the type-6 PLC when it
  // could not be reached three reads in a row (and was not warm-started in the last 300 ms).
  void Round(HostTag (&tags)[kTagCount], Figures& figures) {
    for (std::size_t i = 0; i < kTagCount; ++i) {
      HostTag& tag = tags[i];
      std::memset(tag.values, 0, sizeof tag.values);
      const Clock::time_point start = Clock::now();
      const int32_t result = driver().Send(kCommandReadBlock, tag);
      const long long ms = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
      const int served = kTags[i].plc != 0 ? kTags[i].plc : tag.item.plc & 0xFF;
      ++figures.reads;
      figures.times.push_back(ms);
      figures.overLongest += ms > kLongestReadMs;
      if (result < 0 || result > 2) {
        ++figures.otherResults;
        ADD_FAILURE() << tag.text << " answered " << result;
        continue;
      }
      ++figures.results[result];
      int& unreachable = unreachableInARow_[served];
      unreachable = result == 2 ? unreachable + 1 : 0;
      if (result == 0) {
        ++figures.donePerPlc[served];
        figures.servedByBackup += kTags[i].plc == 0 && served == 2;
        const uint16_t wanted = served == 2 ? kTags[i].backup : kTags[i].master;
        if (wanted != 0 && tag.Word() != wanted) {
          ++figures.wrongValues;
          ADD_FAILURE() << tag.text << " read " << tag.Word() << " from PLC " << served;
        }
      }
      if (unreachable >= kUnreachableBeforeWarmStart && (served == 3 || served == 4))
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

  void RoundsFor(HostTag (&tags)[kTagCount], Figures& figures, milliseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end)
      Round(tags, figures);
  }

 private:
  Clock::time_point lastWarmStart_[5] = {};
  int unreachableInARow_[5] = {};
};

long TraceLines(const std::vector<std::string>& lines, const char* words) {
  long count = 0;
  for (const std::string& line : lines)
    count += line.find(words) != std::string::npos;
  return count;
}

TEST_F(PlantSoakTest, PairS5AndTypeSixThroughLateAnswersDropsStopsAndRestarts) {
  ASSERT_TRUE(zan::testing::SetEnvironment("QUAXNET_TRACE", "quaxnet-trace.log"));
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
  const long descriptors = OpenDescriptorCount();
  const long memory = OwnResidentKilobytes();
  for (const char* plc : {"1", "2", "3", "4"})
    Command(std::string("fault ") + plc + " jitter 60-130");

  // Answers that cross the deadline, and nothing else.
  const long long total = soakSeconds * 1000LL;
  Figures late;
  RoundsFor(tags, late, milliseconds(total / 3));
  late.Print("late");
  EXPECT_GT(late.results[2], 0) << "answers come after the deadline";
  EXPECT_EQ(late.warmStarts, 0) << "late answers alone cost no link";
  for (int plc = 1; plc <= 4; ++plc)
    EXPECT_GT(late.donePerPlc[plc], 0) << "PLC " << plc << " answers in time between";

  // On top: the master stalls and the S5 loses its connections; the master goes away and the
  // type-6 PLC stops; both come back.
  Figures trouble;
  int cycles = 0;
  const Clock::time_point end = Clock::now() + milliseconds(total - total / 3);
  while (Clock::now() < end) {
    ++cycles;
    Command("fault 1 silent");
    Command("fault 3 drop");
    RoundsFor(tags, trouble, milliseconds(1000));
    Command("stop 1");
    Command("stop 4");
    RoundsFor(tags, trouble, milliseconds(1000));
    for (const char* plc : {"1", "4"}) {
      Command(std::string("start ") + plc);
      Command(std::string("clear ") + plc);
      Command(std::string("fault ") + plc + " jitter 60-130");
    }
    RoundsFor(tags, trouble, milliseconds(1000));
  }
  trouble.Print("trouble");
  const long away = LoggedCount("ZanDOR: PLC 1 Changed to Backup PLC 2 now !!!");
  EXPECT_GT(trouble.servedByBackup, 0);
  EXPECT_GE(away, cycles);

  // Calm: the faults end. Every PLC comes back without a warm start beyond those of the trouble,
  // and the pair returns to its master.
  for (const char* plc : {"1", "2", "3", "4"})
    Command(std::string("clear ") + plc);
  Figures settle;
  const Clock::time_point settled = Clock::now() + milliseconds(5000);
  long calmRounds = 0;
  while (Clock::now() < settled && calmRounds < 3) {
    Figures round;
    Round(tags, round);
    calmRounds = round.results[0] == static_cast<long>(kTagCount) && tags[0].item.plc == 1
                     ? calmRounds + 1
                     : 0;
    settle.reads += round.reads;
    settle.warmStarts += round.warmStarts;
  }
  Figures calm;
  Round(tags, calm);
  calm.Print("calm");
  EXPECT_EQ(calm.results[0], static_cast<long>(kTagCount)) << "every tag read, no link lost";
  EXPECT_EQ(tags[0].item.plc, 1) << "back on the master";

  zan::testing::SetEnvironment("QUAXNET_TRACE", "");
  const std::vector<std::string> trace = ReadLines("quaxnet-trace.log");
  const long dropped = TraceLines(trace, "dropped (");
  const long forgotten = TraceLines(trace, "request forgotten");
  const long restarted = TraceLines(trace, "the link is restarted");
  const long back = LoggedCount("ZanDOR: PLC 1 Changed from Backup to Master !!!");
  const long reconnects = LoggedCount("ZanDOR: Connection to Plc #1 Success !!!") - 1;
  const long connections[] = {
      SettledStatus(1, "connections", 1), SettledStatus(2, "connections", 1),
      SettledStatus(3, "connections", 2), SettledStatus(4, "connections", 1)};
  const long descriptorsAtEnd = OpenDescriptorCount();
  const long memoryAtEnd = OwnResidentKilobytes();
  std::printf(
      "soak: %d cycles; late answers dropped by the transport %ld, requests forgotten (S7) %ld, "
      "links restarted (S5) %ld; %ld switches to the backup, %ld back; %ld reconnects of the "
      "master by its heartbeat; %ld warm starts while settling\n",
      cycles, dropped, forgotten, restarted, away, back, reconnects, settle.warmStarts);
  std::printf(
      "soak end: simulator connections %ld, %ld, %ld, %ld; descriptors %ld at the start, %ld at "
      "the end; resident memory %ld kB at the start, %ld kB at the end\n",
      connections[0], connections[1], connections[2], connections[3], descriptors, descriptorsAtEnd,
      memory, memoryAtEnd);

  const long wrong = late.wrongValues + trouble.wrongValues + calm.wrongValues;
  const long overLongest = late.overLongest + trouble.overLongest + calm.overLongest;
  EXPECT_EQ(wrong, 0) << "no answer is ever taken for another request's";
  EXPECT_EQ(overLongest, 0) << "every read ends within " << kLongestReadMs << " ms";
  EXPECT_GT(dropped, 0) << "late answers came, and were dropped";
  EXPECT_EQ(connections[0], 1);
  EXPECT_EQ(connections[1], 1);
  EXPECT_EQ(connections[2], 2) << "the S5 pair";
  EXPECT_EQ(connections[3], 1);
  EXPECT_EQ(descriptorsAtEnd, descriptors);
  if (memory > 0 && memoryAtEnd > 0) {
    EXPECT_LT(memoryAtEnd - memory, 16 * 1024) << "resident memory grows by less than 16 MB";
  }
}

}  // namespace

void SetSoakSeconds(int seconds) {
  soakSeconds = seconds;
}

}  // namespace zan::e2e
