#include "poll/report.h"

#include <algorithm>
#include <cstdio>

#include "output/wall_time.h"
#include "session/plc_state_words.h"

namespace zanhost {
namespace {

constexpr int64_t kSingleRoundSpan = 1000;  // the time axis of a poll of one round
constexpr const char* kNoValue = "no value";
constexpr const char* kMasterColour = "#1565c0";
constexpr const char* kBackupColour = "#6a1b9a";
constexpr const char* kNoValueColour = "#e0e0e0";

const char kStyle[] =
    "body{font-family:sans-serif;margin:24px;color:#212121;max-width:1000px}"
    "h1{font-size:20px}h2{font-size:16px;margin:24px 0 4px}"
    "table{border-collapse:collapse;font-size:13px}"
    "td,th{border:1px solid #ccc;padding:3px 8px;text-align:left}"
    "svg{width:100%;height:auto;font-size:11px;display:block}"
    "svg text{fill:#424242}.plot{fill:#fafafa;stroke:#9e9e9e}"
    ".grid{stroke:#e0e0e0}.failed{fill:#c62828}.muted{color:#757575}";

// Extends the last span of `spans` to `time` and starts a new one when the word changes.
void Continue(std::vector<StateSpan>& spans, int64_t time, const std::string& word,
              const std::string& colour = "") {
  if (!spans.empty()) spans.back().to = time;
  if (spans.empty() || spans.back().word != word)
    spans.push_back(StateSpan{time, time, word, colour});
}

std::string OutageRows(int plc, const std::vector<StateSpan>& spans) {
  std::string rows;
  for (const Outage& outage : Outages(spans)) {
    std::string words;
    for (const std::string& word : outage.words)
      words += (words.empty() ? "" : ", then ") + word;
    rows += "<tr><td>PLC " + std::to_string(plc) + "</td><td>" + LocalStamp(outage.from) +
            "</td><td>" + (outage.ongoing ? "still at the end" : LocalStamp(outage.to)) +
            "</td><td>" + (outage.ongoing ? "at least " : "") +
            DurationText(outage.to - outage.from) + "</td><td>" + HtmlEscape(words) +
            "</td></tr>\n";
  }
  return rows;
}

}  // namespace

std::vector<Outage> Outages(const std::vector<StateSpan>& spans) {
  std::vector<Outage> outages;
  bool open = false;
  for (const StateSpan& span : spans) {
    if (!IsOutageWord(span.word)) {
      open = false;
      continue;
    }
    if (!open) outages.push_back(Outage{span.from, span.to, false, {}});
    open = true;
    Outage& outage = outages.back();
    outage.to = span.to;
    if (std::find(outage.words.begin(), outage.words.end(), span.word) == outage.words.end())
      outage.words.push_back(span.word);
  }
  if (open) outages.back().ongoing = true;
  return outages;
}

std::string DurationText(int64_t milliseconds) {
  char text[48];
  if (milliseconds < 1000) {
    std::snprintf(text, sizeof text, "%lld ms", static_cast<long long>(milliseconds));
  } else if (milliseconds < 60 * 1000) {
    std::snprintf(text, sizeof text, "%.1f s", milliseconds / 1000.0);
  } else if (milliseconds < 3600 * 1000) {
    const long long seconds = milliseconds / 1000;
    std::snprintf(text, sizeof text, "%lld min %lld s", seconds / 60, seconds % 60);
  } else {
    const long long minutes = milliseconds / 60000;
    std::snprintf(text, sizeof text, "%lld h %lld min", minutes / 60, minutes % 60);
  }
  return text;
}

void PollReport::Add(const PollRound& round) {
  tags_.resize(std::max(tags_.size(), round.tags.size()));
  for (std::size_t i = 0; i < round.tags.size(); ++i) {
    const TagReading& tag = round.tags[i];
    TagTrace& trace = tags_[i];
    trace.name = tag.name;
    trace.address = tag.address;
    trace.type = tag.type;
    trace.plc = tag.plc;
    trace.backup = tag.backup;
    // A read that placed no value draws nothing: the trend holds the last value read.
    if (!tag.defined || tag.noValue()) continue;
    const int servedBy = tag.servedBy > 0 && tag.servedBy < 256 ? tag.servedBy : 0;
    if (trace.backup != 0) {
      const bool served = tag.ok() && servedBy != 0;
      Continue(trace.served, round.time, served ? "PLC " + std::to_string(servedBy) : kNoValue,
               !served                 ? kNoValueColour
               : servedBy != trace.plc ? kBackupColour
                                       : kMasterColour);
    }
    if (!tag.ok()) {
      TrendPoint failure;
      failure.time = round.time;
      failure.ok = false;
      failure.cause = tag.ResultText();
      trace.failures.push_back(failure);
      continue;
    }
    for (std::size_t v = 0; v < tag.values.size() && v < kSeriesPerTag; ++v) {
      const TagValue& value = tag.values[v];
      if (value.layout == CellLayout::kText) continue;
      trace.numeric = true;
      if (trace.series.size() <= v) {
        trace.series.resize(v + 1);
        trace.series[v].label =
            tag.values.size() > 1 ? tag.name + " [" + std::to_string(v) + "]" : tag.name;
      }
      TrendPoint point;
      point.time = round.time;
      if (!PlottedNumber(value, point.value)) continue;
      point.servedBy = servedBy;
      trace.series[v].points.push_back(point);
    }
  }
  for (const PlcReading& plc : round.plcs) {
    auto trace = std::find_if(plcs_.begin(), plcs_.end(),
                              [&](const PlcTrace& t) { return t.number == plc.number; });
    if (trace == plcs_.end()) {
      plcs_.push_back(PlcTrace{plc.number, {}});
      trace = plcs_.end() - 1;
    }
    Continue(trace->spans, round.time, plc.word);
  }
}

std::string PollReport::Html(const std::string& title, const PollSummary& summary) const {
  // The time axis: a round's spans reach to the next round, and the last one as far.
  const int rounds = summary.rounds();
  const int64_t first = summary.first();
  const int64_t last = summary.last();
  const int64_t end = rounds <= 1 ? first + kSingleRoundSpan : last + (last - first) / (rounds - 1);
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">";
  html += "<title>" + HtmlEscape(title) + "</title><style>" + kStyle + "</style></head><body>\n";
  html += "<h1>" + HtmlEscape(title) + "</h1>\n";
  html += "<p>" + std::to_string(rounds) + " round" + (rounds == 1 ? "" : "s") +
          (rounds > 0 ? ", " + LocalStamp(first) + " to " + LocalStamp(last) : "") + "</p>\n";

  html +=
      "<h2>Tags</h2>\n<table><tr><th>Tag</th><th>Address</th><th>Reads</th><th>Failed</th>"
      "<th>Min</th><th>Max</th><th>Last</th><th>Last change</th></tr>\n";
  for (const PollSummary::Entry& entry : summary.entries()) {
    html += "<tr><td>" + HtmlEscape(entry.name) + "</td><td>" + HtmlEscape(entry.address) + "</td>";
    if (!entry.refusal.empty()) {
      html += "<td colspan=\"6\">refused: " + HtmlEscape(entry.refusal) + "</td></tr>\n";
      continue;
    }
    html += "<td>" + std::to_string(entry.reads) + "</td><td>" + std::to_string(entry.failures) +
            "</td><td>" + (entry.numeric ? NumberText(entry.min) : "-") + "</td><td>" +
            (entry.numeric ? NumberText(entry.max) : "-") + "</td><td>" + HtmlEscape(entry.last) +
            "</td><td>" + (entry.lastChange != 0 ? LocalStamp(entry.lastChange) : "never") +
            "</td></tr>\n";
  }
  html += "</table>\n";

  for (const TagTrace& trace : tags_) {
    if (!trace.numeric) continue;
    html += "<h2>" + HtmlEscape(trace.name) + " <span class=\"muted\">" +
            HtmlEscape(trace.address + ", " + trace.type) + "</span></h2>\n";
    TrendChart chart;
    chart.series = trace.series;
    chart.failures = trace.failures;
    chart.scale = ScaleOfType(trace.type);
    chart.ownPlc = trace.plc;
    html += TrendSvg(chart, first, end) + "\n";
    if (trace.backup != 0 && !trace.served.empty()) {
      std::vector<StateSpan> served = trace.served;
      served.back().to = end;
      html += "<p class=\"muted\">served by PLC " + std::to_string(trace.plc) +
              " or its backup PLC " + std::to_string(trace.backup) +
              " (hollow points in the trend)</p>\n" +
              StatesSvg({StateRow{"served by", served}}, first, end) + "\n";
    }
  }

  if (!plcs_.empty()) {
    std::vector<StateRow> rows;
    std::string outages;
    for (const PlcTrace& trace : plcs_) {
      StateRow row{"PLC " + std::to_string(trace.number), trace.spans};
      if (!row.spans.empty()) row.spans.back().to = end;
      outages += OutageRows(trace.number, row.spans);
      rows.push_back(row);
    }
    html += "<h2>PLC states</h2>\n" + StatesSvg(rows, first, end) + "\n";
    html += "<h2>Outages</h2>\n";
    if (outages.empty()) {
      html += "<p>No PLC was out of service while the poll ran.</p>\n";
    } else {
      html +=
          "<table class=\"outages\"><tr><th>PLC</th><th>From</th><th>To</th><th>Lasted</th>"
          "<th>State</th></tr>\n" +
          outages + "</table>\n";
    }
  }
  return html + "</body></html>\n";
}

bool WritePage(std::FILE* file, const std::string& html) {
  return std::fwrite(html.data(), 1, html.size(), file) == html.size() && std::fflush(file) == 0;
}

}  // namespace zanhost
