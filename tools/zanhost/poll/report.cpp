#include "poll/report.h"

#include <algorithm>
#include <cstdio>

#include "output/wall_time.h"

namespace zanhost {
namespace {

constexpr int64_t kSingleRoundSpan = 1000;  // the time axis of a poll of one round

const char kStyle[] =
    "body{font-family:sans-serif;margin:24px;color:#212121;max-width:1000px}"
    "h1{font-size:20px}h2{font-size:16px;margin:24px 0 4px}"
    "table{border-collapse:collapse;font-size:13px}"
    "td,th{border:1px solid #ccc;padding:3px 8px;text-align:left}"
    "svg{width:100%;height:auto;font-size:11px;display:block}"
    "svg text{fill:#424242}.plot{fill:#fafafa;stroke:#9e9e9e}"
    ".grid{stroke:#e0e0e0}.failed{fill:#c62828}.muted{color:#757575}";

}  // namespace

void PollReport::Add(const PollRound& round) {
  if (rounds_ == 0) first_ = round.time;
  last_ = round.time;
  ++rounds_;
  tags_.resize(std::max(tags_.size(), round.tags.size()));
  for (std::size_t i = 0; i < round.tags.size(); ++i) {
    const TagReading& tag = round.tags[i];
    TagTrace& trace = tags_[i];
    trace.name = tag.name;
    trace.address = tag.address;
    trace.type = tag.type;
    if (!tag.defined) continue;
    if (!tag.ok()) {
      if (!trace.series.empty()) trace.series.front().points.push_back({round.time, 0, false});
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
      const double number =
          value.layout == CellLayout::kFloat ? value.real : static_cast<double>(value.integer);
      trace.series[v].points.push_back({round.time, number, true});
    }
  }
  for (const PlcReading& plc : round.plcs) {
    auto trace = std::find_if(plcs_.begin(), plcs_.end(),
                              [&](const PlcTrace& t) { return t.number == plc.number; });
    if (trace == plcs_.end()) {
      plcs_.push_back(PlcTrace{plc.number, {}});
      trace = plcs_.end() - 1;
    }
    if (!trace->spans.empty()) trace->spans.back().to = round.time;
    if (trace->spans.empty() || trace->spans.back().word != plc.word) {
      trace->spans.push_back(StateSpan{round.time, round.time, plc.word});
    }
  }
}

int64_t PollReport::End() const {
  if (rounds_ <= 1) return first_ + kSingleRoundSpan;
  return last_ + (last_ - first_) / (rounds_ - 1);
}

std::string PollReport::Html(const std::string& title, const PollSummary& summary) const {
  const int64_t end = End();
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">";
  html += "<title>" + HtmlEscape(title) + "</title><style>" + kStyle + "</style></head><body>\n";
  html += "<h1>" + HtmlEscape(title) + "</h1>\n";
  html += "<p>" + std::to_string(rounds_) + " round" + (rounds_ == 1 ? "" : "s") +
          (rounds_ > 0 ? ", " + LocalStamp(first_) + " to " + LocalStamp(last_) : "") + "</p>\n";

  html +=
      "<h2>Tags</h2>\n<table><tr><th>Tag</th><th>Address</th><th>Reads</th><th>Failed</th>"
      "<th>Min</th><th>Max</th><th>Last</th><th>Last change</th></tr>\n";
  for (const PollSummary::Entry& entry : summary.entries()) {
    html += "<tr><td>" + HtmlEscape(entry.name) + "</td><td>" + HtmlEscape(entry.address) +
            "</td><td>" + std::to_string(entry.reads) + "</td><td>" +
            std::to_string(entry.failures) + "</td><td>" +
            (entry.numeric ? NumberText(entry.min) : "-") + "</td><td>" +
            (entry.numeric ? NumberText(entry.max) : "-") + "</td><td>" + HtmlEscape(entry.last) +
            "</td><td>" + (entry.lastChange != 0 ? LocalStamp(entry.lastChange) : "never") +
            "</td></tr>\n";
  }
  html += "</table>\n";

  for (const TagTrace& trace : tags_) {
    if (!trace.numeric) continue;
    html += "<h2>" + HtmlEscape(trace.name) + " <span class=\"muted\">" +
            HtmlEscape(trace.address + ", " + trace.type) + "</span></h2>\n";
    html += TrendSvg(trace.series, first_, end) + "\n";
  }

  if (!plcs_.empty()) {
    std::vector<StateRow> rows;
    for (const PlcTrace& trace : plcs_) {
      StateRow row{"PLC " + std::to_string(trace.number), trace.spans};
      if (!row.spans.empty()) row.spans.back().to = end;
      rows.push_back(row);
    }
    html += "<h2>PLC states</h2>\n" + StatesSvg(rows, first_, end) + "\n";
  }
  return html + "</body></html>\n";
}

bool PollReport::Write(const std::string& path, const std::string& title,
                       const PollSummary& summary, std::string& error) const {
  const std::string html = Html(title, summary);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write the report " + path;
    return false;
  }
  const bool written = std::fwrite(html.data(), 1, html.size(), file) == html.size();
  if (std::fclose(file) != 0 || !written) {
    error = "cannot write the report " + path;
    return false;
  }
  return true;
}

}  // namespace zanhost
