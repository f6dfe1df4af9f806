// What a poll keeps: CSV fields, the change filter, the summary and the HTML report with its steps,
// ticks and outages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "poll/change_filter.h"
#include "poll/csv.h"
#include "poll/recorder.h"
#include "poll/report.h"
#include "poll/summary.h"
#include "poll/trend_geometry.h"

namespace zanhost {
namespace {

TagReading Read(const std::string& name, int32_t result, std::vector<int64_t> values,
                const std::string& failure = "") {
  TagReading tag;
  tag.name = name;
  tag.address = "01DW0100002";
  tag.type = "word";
  tag.defined = true;
  tag.result = result;
  tag.servedBy = 1;
  tag.failure = failure;
  for (int64_t integer : values) {
    TagValue value;
    value.integer = integer;
    tag.values.push_back(value);
  }
  return tag;
}

PollRound Round(int number, std::vector<TagReading> tags, const std::string& plcWord = "active") {
  PollRound round;
  round.number = number;
  round.time = 1'700'000'000'000 + number * 1000;
  round.tags = std::move(tags);
  round.plcs.push_back(PlcReading{1, 1, plcWord});
  return round;
}

TEST(PollCsvTest, QuotesFieldsThatNeedIt) {
  EXPECT_EQ(CsvField("1234"), "1234");
  EXPECT_EQ(CsvField("refused: a, b"), "\"refused: a, b\"");
  EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
}

TEST(ChangeFilterTest, ShowsATagWhenItsValueOrResultChangesAndThePlcsWhenAStateDoes) {
  ChangeFilter filter;
  const std::vector<std::vector<bool>> expected = {
      {true, true, true},                           // the first round shows everything
      {false, false, false}, {true, false, false},  // a value changed
      {true, false, false},                         // the same value, failed now
      {false, false, true},                         // a PLC changed state
  };
  const std::vector<PollRound> rounds = {
      Round(1, {Read("a", 0, {1}), Read("b", 0, {7})}),
      Round(2, {Read("a", 0, {1}), Read("b", 0, {7})}),
      Round(3, {Read("a", 0, {2}), Read("b", 0, {7})}),
      Round(4, {Read("a", 2, {}, "no answer"), Read("b", 0, {7})}),
      Round(5, {Read("a", 2, {}, "no answer"), Read("b", 0, {7})}, "link down"),
  };
  for (std::size_t i = 0; i < rounds.size(); ++i)
    EXPECT_EQ(filter.Changed(rounds[i]), expected[i]) << "round " << i + 1;
}

TEST(PollSummaryTest, CountsReadsFailuresExtremesAndTheLastChange) {
  PollSummary summary;
  summary.Add(Round(1, {Read("a", 0, {5, -3})}));
  summary.Add(Round(2, {Read("a", 1, {}, "data block 999 does not exist")}));
  summary.Add(Round(3, {Read("a", 0, {9, 0})}));
  summary.Add(Round(4, {Read("a", 0, {9, 0})}));
  ASSERT_EQ(summary.entries().size(), 1u);
  const PollSummary::Entry& entry = summary.entries().front();
  EXPECT_EQ(entry.reads, 4);
  EXPECT_EQ(entry.failures, 1);
  EXPECT_EQ(entry.min, -3);
  EXPECT_EQ(entry.max, 9);
  EXPECT_EQ(entry.lastChange, Round(3, {}).time);
  EXPECT_EQ(summary.rounds(), 4);
  EXPECT_EQ(NumberText(2.5), "2.5");
  EXPECT_EQ(NumberText(-3), "-3");
}

TEST(PollReportTest, PageIsSelfContainedWithATrendPerNumericTagAndEscapedText) {
  PollReport report;
  PollSummary summary;
  TagReading text = Read("<name>", 0, {});
  TagValue characters;
  characters.layout = CellLayout::kText;
  characters.text = "x";
  text.values.push_back(characters);
  for (int i = 1; i <= 3; ++i) {
    const PollRound round =
        Round(i, {Read("speed", i == 2 ? 2 : 0, {i * 10}), text}, i == 2 ? "link down" : "active");
    report.Add(round);
    summary.Add(round);
  }
  const std::string html = report.Html("poll & <report>", summary);
  EXPECT_NE(html.find("<title>poll &amp; &lt;report&gt;</title>"), std::string::npos);
  EXPECT_NE(html.find("&lt;name&gt;"), std::string::npos);
  EXPECT_EQ(html.find("<name>"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("http:"), html.find("http://www.w3.org/2000/svg"))
      << "nothing but the SVG namespace names a place elsewhere";
  std::size_t trends = 0;
  for (std::size_t at = html.find("class=\"trend\""); at != std::string::npos;
       at = html.find("class=\"trend\"", at + 1))
    ++trends;
  EXPECT_EQ(trends, 1u) << "a text tag gets no trend";
  EXPECT_NE(html.find("class=\"failed\""), std::string::npos) << "the failed read is marked";
  EXPECT_NE(html.find("PLC 1: link down"), std::string::npos);
}

TEST(PollReportTest, AFloatThatIsNoFiniteNumberLeavesTheTrendAndItsAxisToTheOthers) {
  PollReport report;
  PollSummary summary;
  const double reads[] = {1.5, HUGE_VAL, std::nan(""), -HUGE_VAL, 2.5};
  int number = 0;
  for (const double real : reads) {
    TagReading level = Read("level", 0, {});
    level.type = "float";
    TagValue value;
    value.layout = CellLayout::kFloat;
    value.real = real;
    level.values.push_back(value);
    const PollRound round = Round(++number, {level});
    report.Add(round);
    summary.Add(round);
  }
  const std::string html = report.Html("t", summary);
  const std::string trend = html.substr(html.find("class=\"trend\""));
  EXPECT_EQ(trend.find("inf"), std::string::npos) << trend;
  EXPECT_EQ(trend.find("nan"), std::string::npos) << trend;
  EXPECT_NE(trend.find(">2</text>"), std::string::npos) << "the axis spans 1.5 to 2.5";
  EXPECT_EQ(summary.entries().front().min, 1.5);
  EXPECT_EQ(summary.entries().front().max, 2.5);
}

TEST(PollSummaryTest, ATagNeverReadNeverChangedAndARefusedTagSaysSo) {
  PollSummary summary;
  TagReading refused = Read("gone", -1, {});
  refused.defined = false;
  refused.failure = "ZANDOR> Address Parser: PLC number out of limit";
  summary.Add(Round(1, {Read("a", 2, {}, "no answer"), refused}));
  summary.Add(Round(2, {Read("a", 1, {}, "data block 999 does not exist"), refused}));
  summary.Add(Round(3, {Read("a", 2, {}, "no answer"), refused}));
  const PollSummary::Entry& never = summary.entries()[0];
  EXPECT_EQ(never.failures, 3);
  EXPECT_EQ(never.lastChange, 0) << "its failures changed, but no value was ever read";
  EXPECT_EQ(summary.refused(), 1);
  const std::vector<std::string> lines = summary.TextLines();
  EXPECT_NE(lines[2].find("never"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3].find("refused: ZANDOR> Address Parser: PLC number out of limit"), 29u)
      << lines[3];
  EXPECT_NE(summary.JsonLines()[1].find("\"refused\":\"ZANDOR> Address Parser"), std::string::npos);
  // Once read, a change to a failure counts.
  summary.Add(Round(4, {Read("a", 0, {7}), refused}));
  summary.Add(Round(5, {Read("a", 2, {}, "no answer"), refused}));
  EXPECT_EQ(summary.entries()[0].lastChange, Round(5, {}).time);
}

TEST(PollRecorderTest, FilesThatCannotBeWrittenAreFoundBeforeTheFirstRoundOrEndThePoll) {
  PollRecorder missing;
  std::string error;
  PollRecordOptions options;
  options.reportFile = "/no/such/folder/report.html";
  EXPECT_FALSE(missing.Open(options, error));
  EXPECT_NE(error.find("cannot write the report /no/such/folder/report.html"), std::string::npos);

  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full here";
  std::fclose(full);
  PollCsv csv;
  EXPECT_FALSE(csv.Open("/dev/full", error)) << "the header is written out at once";
  EXPECT_NE(error.find("cannot write the CSV file /dev/full"), std::string::npos) << error;

  PollRecorder recorder;  // the report's file opens; its page cannot be written at the end
  options.reportFile = "/dev/full";
  ASSERT_TRUE(recorder.Open(options, error)) << error;
  const std::vector<bool>* shown = nullptr;
  EXPECT_TRUE(recorder.Record(Round(1, {Read("a", 0, {1})}), shown, error));
  EXPECT_FALSE(recorder.Finish(error));
  EXPECT_NE(error.find("cannot write the report /dev/full"), std::string::npos) << error;
}

TEST(TrendGeometryTest, AxesHaveRoundTicksAndBitsOnlyZeroAndOne) {
  const struct {
    double low, high;
    ValueScale scale;
    std::vector<double> ticks;
  } cases[] = {
      {1027.5, 7169.75, ValueScale::kReal, {0, 2000, 4000, 6000, 8000}},
      {0, 100, ValueScale::kInteger, {0, 20, 40, 60, 80, 100}},
      {-2.25, -2.25, ValueScale::kReal, {-3.5, -3, -2.5, -2, -1.5, -1}},
      {3.5, 3.5, ValueScale::kReal, {2.5, 3, 3.5, 4, 4.5}},
      {5, 5, ValueScale::kInteger, {4, 5, 6}},
      {0, 3, ValueScale::kInteger, {0, 1, 2, 3}},  // whole numbers: no step below 1
      {0.1, 0.3, ValueScale::kReal, {0.1, 0.15, 0.2, 0.25, 0.3}},
      {-1, 1, ValueScale::kBit, {0, 1}},
      {0, 0, ValueScale::kBit, {0, 1}},
  };
  for (const auto& c : cases) {
    const ValueAxis axis = NiceAxis(c.low, c.high, c.scale);
    ASSERT_EQ(axis.ticks.size(), c.ticks.size()) << c.low << " to " << c.high;
    for (std::size_t i = 0; i < c.ticks.size(); ++i) {
      EXPECT_NEAR(axis.ticks[i], c.ticks[i], 1e-9) << c.low << " to " << c.high;
      EXPECT_EQ(NumberText(axis.ticks[i]), NumberText(c.ticks[i])) << "no 0.30000000000000004";
    }
    EXPECT_LE(axis.low, c.ticks.front());
    EXPECT_GE(axis.high, c.ticks.back());
  }
  EXPECT_EQ(NiceStep(1535.56), 2000);
  EXPECT_EQ(NiceStep(0.4), 0.5);
  EXPECT_EQ(NiceStep(20), 20);
  EXPECT_EQ(NiceStep(7), 10);
}

TEST(TrendGeometryTest, AValueHoldsUntilTheNextReadAndAFailureEndsItsLine) {
  using Lines = std::vector<std::vector<StepVertex>>;
  const struct {
    const char* name;
    std::vector<TimedValue> points;
    Lines lines;
  } cases[] = {
      {"none", {}, {}},
      {"one read holds to the end", {{10, 5}}, {{{10, 5}, {100, 5}}}},
      {"a new value steps at its read",
       {{10, 5}, {20, 7}},
       {{{10, 5}, {20, 5}, {20, 7}, {100, 7}}}},
      {"the same value runs on",
       {{10, 5}, {20, 5}, {30, 6}},
       {{{10, 5}, {30, 5}, {30, 6}, {100, 6}}}},
      {"a failure ends the line, the next read starts one",
       {{10, 5}, {20, 0, false}, {30, 8}},
       {{{10, 5}, {20, 5}}, {{30, 8}, {100, 8}}}},
      {"failures before any value draw nothing",
       {{5, 0, false}, {10, 2}, {20, 0, false}},
       {{{10, 2}, {20, 2}}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StepLines(c.points, 100), c.lines) << c.name;
}

TEST(PollReportTest, FailedPointsNameTheirCauseOutagesAreListedAndAPairShowsItsServer) {
  PollReport report;
  PollSummary summary;
  const std::vector<std::string> words = {
      "active", "link down", "link down", "waits for its heartbeat", "active", "active"};
  for (int i = 1; i <= 6; ++i) {
    TagReading speed = Read("speed", 0, {i * 10});
    speed.plc = 1;
    speed.backup = 2;
    speed.servedBy = i >= 2 && i <= 4 ? 2 : 1;
    if (i == 5) {
      speed = Read("speed", 2, {}, "neither PLC of the pair can be reached");
      speed.plc = 1;
      speed.backup = 2;
    }
    const PollRound round = Round(i, {speed}, words[i - 1]);
    report.Add(round);
    summary.Add(round);
  }
  const std::string html = report.Html("t", summary);
  EXPECT_NE(html.find("unreachable: neither PLC of the pair can be reached</title>"),
            std::string::npos);
  EXPECT_NE(html.find(", served by backup PLC 2</title>"), std::string::npos);
  EXPECT_NE(html.find("class=\"backup\""), std::string::npos) << "hollow points of the backup";
  EXPECT_NE(html.find(">served by</text>"), std::string::npos) << "the served-by strip's row";
  EXPECT_NE(html.find("served by PLC 1 or its backup PLC 2"), std::string::npos);
  // One outage of PLC 1, rounds 2 to 5 (3 s), through both of its states.
  EXPECT_NE(html.find("<td>3.0 s</td><td>link down, then waits for its heartbeat</td>"),
            std::string::npos)
      << html.substr(html.find("Outages"));
  EXPECT_EQ(DurationText(999), "999 ms");
  EXPECT_EQ(DurationText(200'000), "3 min 20 s");
  EXPECT_EQ(DurationText(7'500'000), "2 h 5 min");
}

}  // namespace
}  // namespace zanhost
