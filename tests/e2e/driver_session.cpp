#include "e2e/driver_session.h"

#include <fstream>

#include "support/environment.h"

namespace zan::e2e {

int32_t DriverSession::Init(const std::string& configuration, uint16_t port,
                            int32_t timeoutSetting) {
  {
    std::ofstream file("zanDOR01.INT", std::ios::binary | std::ios::trunc);
    file << configuration;
  }
  zan::testing::SetEnvironment("QUAXNET_PORT", std::to_string(port).c_str());
  InitArgument init{};
  init.enabled = 1;
  init.timeoutSetting = timeoutSetting;
  return e2e::Send(zanMain_, kCommandInit, state_.data(), &init);
}

bool DriverSession::Define(HostTag& tag, const std::string& text, int32_t hostType, int32_t tagId) {
  tag.text = text;
  TagDefinition& definition = tag.definition;
  definition = TagDefinition{};
  definition.addressText = tag.text.c_str();
  definition.tagId = tagId;
  definition.hostType = hostType;
  definition.count = 1;
  return e2e::Send(zanMain_, kCommandParseTagAddress, state_.data(), &definition) == 0;
}

int32_t DriverSession::Send(int32_t command, HostTag& tag, int32_t count) {
  const TagDefinition& definition = tag.definition;
  tag.item = TagItem{};
  tag.item.addressText = tag.text.c_str();
  tag.item.plc = definition.plc;
  tag.item.kind = definition.kind;
  tag.item.address = definition.address;
  tag.item.bit = definition.bit;
  tag.item.width = definition.width;
  tag.item.tagId = definition.tagId;
  tag.item.valueBuffer = tag.values;
  tag.item.count = count;
  return e2e::Send(zanMain_, command, state_.data(), &tag.item);
}

int32_t DriverSession::WarmStart(int32_t* plc) {
  return e2e::Send(zanMain_, kCommandWarmStart, state_.data(), plc);
}

int32_t DriverSession::CloseTransport() {
  return e2e::Send(zanMain_, kCommandCloseTransport, state_.data(), nullptr);
}

std::vector<std::string> DriverSession::Log() {
  return ReadLines("korpro.log");
}

bool DriverSession::Logged(const std::string& line) {
  return Contains(Log(), line);
}

}  // namespace zan::e2e
