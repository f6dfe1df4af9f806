// A plant soak: an S7 master/backup pair and an S5 PLC polled without a pause at the host's default
// time-out setting 10 (100 ms), every answer held 0 to 60 ms. First calm: no read may fail and the
// pair stays on its master. Then the master stalls, drops and comes back, again and again: every
// read answers within its deadline plus 50 ms, with its data or as unreachable (2, or 1 where the
// failure of one member of the pair is reported as 1), the reads move to the backup and back, and
// at the end the simulator holds one connection per PLC (two for the S5 pair) and this process the
// descriptors it held before.
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

namespace zan::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int soakSeconds = 20;

constexpr int32_t kTimeoutSetting = 10;
constexpr long long kDeadlineMs = 10 * kTimeoutSetting;
constexpr long long kAllowanceMs = 50;  // what a read may take beyond its deadline

struct Figures {
  long reads = 0;
  long done = 0;
  long unreachable = 0;     // 2
  long failedOver = 0;      // 1, the PLC read failed for lack of communication
  long refused = 0;         // any other 1: a fault of the driver or the transport here
  long wrongValue = 0;      // data that is not the PLC's that served the read
  long servedByBackup = 0;  // reads of the master's tags
  long overDeadline = 0;    // reads longer than the deadline plus the allowance
  std::vector<long long> times;

  long long Percentile(double part) const {
    if (times.empty()) return 0;
    std::vector<long long> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    return sorted[static_cast<std::size_t>(part * static_cast<double>(sorted.size() - 1))];
  }
  void Print(const char* phase) const {
    std::printf(
        "soak %-7s: %ld reads: %ld done, %ld unreachable (2), %ld failed over (1), %ld refused, "
        "%ld wrong values, %ld served by the backup; ms median %lld, 99%% %lld, max %lld; %ld over "
        "%lld ms\n",
        phase, reads, done, unreachable, failedOver, refused, wrongValue, servedByBackup,
        Percentile(0.5), Percentile(0.99), Percentile(1.0), overDeadline,
        kDeadlineMs + kAllowanceMs);
  }
};

struct SoakTag {
  const char* text;
  int32_t hostType;
  uint16_t master;  // the first word that PLC 1 (or the S5) holds; 0: not checked
  uint16_t backup;  // the same on PLC 2
  int plc;          // the PLC that the tag reads; 0: the one that its item names afterwards
};

// The master's and the backup's data word, the master's float, the two heartbeat words, the S5's
// word and the master's status.
const SoakTag kTags[] = {
    {"01DW0100002", kHostWord, 0x1111, 0x2222, 0}, {"01DF0100004", kHostFloat, 0, 0, 0},
    {"01D10100000", kHostWord, 0, 0, 1},           {"01D20100000", kHostWord, 0, 0, 2},
    {"03DW0100001", kHostWord, 0x3333, 0, 0},      {"!01", kHostWord, 0, 0, 0},
};
constexpr std::size_t kTagCount = sizeof kTags / sizeof kTags[0];

class PlantSoakTest : public SimulatorTest {
 protected:
  void Command(const std::string& line) { ASSERT_EQ(simulator().Command(line), "ok") << line; }

  // Reads every tag once and counts what came back.
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
      figures.overDeadline += ms > kDeadlineMs + kAllowanceMs;
      if (result == 0) {
        ++figures.done;
        figures.servedByBackup += kTags[i].plc == 0 && served == 2;
        const uint16_t wanted = served == 2 ? kTags[i].backup : kTags[i].master;
        if (wanted != 0 && tag.Word() != wanted) ++figures.wrongValue;
      } else if (result == 2) {
        ++figures.unreachable;
      } else if (result == 1 && driver().state().plcs[served].linkState == kLinkFailed) {
        ++figures.failedOver;
      } else {
        ++figures.refused;
        ADD_FAILURE() << tag.text << " answered " << result;
      }
    }
  }

  // Rounds for `duration`.
  void RoundsFor(HostTag (&tags)[kTagCount], Figures& figures, milliseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end)
      Round(tags, figures);
  }
};

TEST_F(PlantSoakTest, MasterBackupPairAndS5PlcThroughJitterStallsAndDrops) {
  StartSimulator({"1:s7:db=10x100:heartbeat=db10.dbw0", "2:s7:db=10x100:heartbeat=db10.dbw0",
                  "3:s5:db=10x100"});
  ASSERT_TRUE(simulator().Set(1, "db10", 2, {0x11, 0x11}));
  ASSERT_TRUE(simulator().Set(2, "db10", 2, {0x22, 0x22}));
  ASSERT_TRUE(simulator().Set(3, "db10", 2, {0x33, 0x33}));
  ASSERT_EQ(Init(S7Line(1) + S7Line(2) + "3=5,127.0.0.3\nBACKUP_1=2\n", kTimeoutSetting), 0);
  HostTag tags[kTagCount];
  for (std::size_t i = 0; i < kTagCount; ++i)
    Define(tags[i], kTags[i].text, kTags[i].hostType);
  const long descriptors = OpenDescriptorCount();
  for (const char* plc : {"1", "2", "3"})
    Command(std::string("fault ") + plc + " jitter 0-60");

  const long long total = soakSeconds * 1000LL;
  Figures calm;
  RoundsFor(tags, calm, milliseconds(total / 3));
  calm.Print("calm");
  EXPECT_EQ(calm.done, calm.reads) << "no read may fail while every answer comes in time";
  EXPECT_EQ(calm.servedByBackup, 0);
  EXPECT_EQ(LoggedCount("ZanDOR: PLC 1 Changed to Backup PLC 2 now !!!"), 0) << "no switchover";

  // The master stalls (answers nothing), drops (goes away) and comes back, a second each.
  Figures trouble;
  int cycles = 0;
  const Clock::time_point end = Clock::now() + milliseconds(total - total / 3);
  while (Clock::now() < end) {
    ++cycles;
    Command("fault 1 silent");
    RoundsFor(tags, trouble, milliseconds(1000));
    Command("stop 1");
    RoundsFor(tags, trouble, milliseconds(1000));
    Command("start 1");
    Command("clear 1");
    Command("fault 1 jitter 0-60");
    RoundsFor(tags, trouble, milliseconds(1000));
  }
  trouble.Print("trouble");
  const long away = LoggedCount("ZanDOR: PLC 1 Changed to Backup PLC 2 now !!!");
  const long back = LoggedCount("ZanDOR: PLC 1 Changed from Backup to Master !!!");
  std::printf("soak: %d cycles of stall, drop and return; %ld switches to the backup, %ld back\n",
              cycles, away, back);
  EXPECT_EQ(trouble.refused, 0);
  EXPECT_EQ(trouble.wrongValue, 0) << "no answer is ever taken for another request's";
  EXPECT_EQ(trouble.overDeadline, 0) << "every read ends within its deadline plus 50 ms";
  EXPECT_GT(trouble.servedByBackup, 0);
  EXPECT_GE(away, cycles);
  EXPECT_GE(back, cycles);

  // Calm again: the pair returns to its master, and nothing is left over.
  for (const char* plc : {"1", "2", "3"})
    Command(std::string("clear ") + plc);
  Figures settle;
  const Clock::time_point settled = Clock::now() + milliseconds(3000);
  do {
    Round(tags, settle);
  } while (tags[0].item.plc != 1 && Clock::now() < settled);
  EXPECT_EQ(tags[0].item.plc, 1) << "back on the master";
  const long connections[] = {SettledStatus(1, "connections", 1),
                              SettledStatus(2, "connections", 1),
                              SettledStatus(3, "connections", 2)};
  const long descriptorsAtEnd = OpenDescriptorCount();
  std::printf(
      "soak end: simulator connections %ld, %ld, %ld; descriptors %ld at the start, %ld "
      "at the end\n",
      connections[0], connections[1], connections[2], descriptors, descriptorsAtEnd);
  EXPECT_EQ(connections[0], 1);
  EXPECT_EQ(connections[1], 1);
  EXPECT_EQ(connections[2], 2) << "the S5 pair";
  EXPECT_EQ(descriptorsAtEnd, descriptors);
}

}  // namespace

void SetSoakSeconds(int seconds) {
  soakSeconds = seconds;
}

}  // namespace zan::e2e
