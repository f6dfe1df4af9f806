#include "plan/span_grouping.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "plan/request_cost.h"

namespace zanhost {
namespace {

// Ties go to fewer groups: a group that saves nothing is not worth its slot and its failure modes.
constexpr double kGroupTieBreak = 1e-6;

bool Overlaps(const Span& a, int first, int last) {
  return a.first <= last && first <= a.last;
}

}  // namespace

double SpanCost(const Span& span, const GroupingRules& rules) {
  return ReadCost((span.last - span.first + 1) * rules.unitBytes, rules.answerBytes);
}

SpanGroups GroupSpans(const std::vector<Span>& spans, const GroupingRules& rules) {
  const int count = static_cast<int>(spans.size());
  std::vector<int> order(spans.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return spans[a].first < spans[b].first; });

  // best[i]: the cheapest reads of the first i spans in order; from[i]: where the last group of
  // that way begins (i - 1 when the last span is read alone).
  std::vector<double> best(count + 1, std::numeric_limits<double>::infinity());
  std::vector<int> from(count + 1, 0);
  best[0] = 0;
  for (int i = 1; i <= count; ++i) {
    const Span& lastSpan = spans[order[i - 1]];
    best[i] = best[i - 1] + SpanCost(lastSpan, rules);
    from[i] = i - 1;
    int last = lastSpan.last;
    for (int j = i - 2; j >= 0; --j) {
      const Span& firstSpan = spans[order[j]];
      last = std::max(last, firstSpan.last);
      // The group only grows as it reaches further back: once too long, or over a forbidden span,
      // every earlier start is too.
      if (last - firstSpan.first + 1 > rules.maxUnits) break;
      if (std::any_of(rules.forbidden.begin(), rules.forbidden.end(),
                      [&](const Span& zone) { return Overlaps(zone, firstSpan.first, last); })) {
        break;
      }
      if (firstSpan.first > rules.maxStart) continue;
      const double cost = best[j] + SpanCost(Span{firstSpan.first, last}, rules) +
                          rules.groupPenalty + kGroupTieBreak;
      if (cost < best[i]) {
        best[i] = cost;
        from[i] = j;
      }
    }
  }

  SpanGroups result;
  result.cost = best[count];
  for (int i = count; i > 0; i = from[i]) {
    if (from[i] == i - 1) {
      result.readCost += SpanCost(spans[order[i - 1]], rules);
      continue;
    }
    std::vector<int> group;
    Span whole = spans[order[from[i]]];
    for (int k = from[i]; k < i; ++k) {
      group.push_back(order[k]);
      whole.last = std::max(whole.last, spans[order[k]].last);
    }
    result.readCost += SpanCost(whole, rules);
    result.groups.push_back(group);
  }
  std::reverse(result.groups.begin(), result.groups.end());
  return result;
}

}  // namespace zanhost
