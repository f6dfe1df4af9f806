// What a poll keeps: CSV fields, the change filter, the summary and the HTML report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "poll/change_filter.h"
#include "poll/csv.h"
#include "poll/report.h"
#include "poll/summary.h"

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

}  // namespace
}  // namespace zanhost
