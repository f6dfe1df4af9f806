#include "poll/change_filter.h"

namespace zanhost {

std::vector<bool> ChangeFilter::Changed(const PollRound& round) {
  std::vector<bool> changed;
  tags_.resize(round.tags.size());
  for (std::size_t i = 0; i < round.tags.size(); ++i) {
    const TagReading& tag = round.tags[i];
    std::string now = tag.ResultText() + '\n' + tag.ValueText();
    changed.push_back(first_ || now != tags_[i]);
    tags_[i] = std::move(now);
  }
  std::string plcs;
  for (const PlcReading& plc : round.plcs)
    plcs += std::to_string(plc.number) + ' ' + plc.word + '\n';
  changed.push_back(first_ || plcs != plcs_);
  plcs_ = std::move(plcs);
  first_ = false;
  return changed;
}

}  // namespace zanhost
