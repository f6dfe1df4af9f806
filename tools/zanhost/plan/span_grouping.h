// The grouping at the heart of the read plan: spans of one memory area (the tags of one data block
// of one PLC), each read alone or together with its neighbours in one read of everything from the
// first to the last, gaps included. Among all ways to cut the spans, sorted by their first unit,
// into such groups it finds the cheapest (request_cost.h), by dynamic programming over the sorted
// spans: a group is a run of neighbours in that order.
//
// The rules of a group: at most `maxUnits` units from its first to its last, a first unit of at
// most `maxStart`, and nothing of a forbidden span inside it (a heartbeat word, which must be read
// from the PLC every time). A group of one span saves nothing and is never made. Each group costs
// `groupPenalty` on top of its reads: the price of the cache slot it takes, which the plan raises
// when slots run short.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_SPAN_GROUPING_H_
#define ZAN_TOOLS_ZANHOST_PLAN_SPAN_GROUPING_H_

#include <vector>

namespace zanhost {

// Units first to last, inclusive.
struct Span {
  int first = 0;
  int last = 0;
};

struct GroupingRules {
  int maxUnits = 0;
  int maxStart = 0;
  int unitBytes = 1;
  int answerBytes = 0;  // of one read answer (request_cost.h)
  double groupPenalty = 0;
  std::vector<Span> forbidden;
};

struct SpanGroups {
  // Each group: indexes into the spans given, two or more, in the order of their first units.
  std::vector<std::vector<int>> groups;
  double cost = 0;      // the reads of the groups and of the spans read alone, penalties included
  double readCost = 0;  // the same without the penalties
};

SpanGroups GroupSpans(const std::vector<Span>& spans, const GroupingRules& rules);

// The cost of reading `span` in one read (request_cost.h).
double SpanCost(const Span& span, const GroupingRules& rules);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_SPAN_GROUPING_H_
