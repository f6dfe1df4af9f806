#include "session/host_session.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "address/tag_address.h"
#include "output/result_words.h"
#include "platform/library_names.h"
#include "session/failure_report.h"
#include "session/failure_words.h"
#include "session/plc_state_words.h"
#include "session/quaxnet_port.h"
#include "session/request_outcome.h"
#include "session/switchover_carry.h"
#include "session/tag_report.h"
#include "tags/host_types.h"

namespace zanhost {

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ConfigurationFileName(int instance) {
  char name[32];
  std::snprintf(name, sizeof name, "zanDOR%02d.INT", instance);
  return name;
}

// A kind that reads plain data of its PLC: no status, heartbeat or cache-block tag, whose reads the
// driver treats apart.
bool ReadsPlainData(int32_t kind) {
  return kind != zan::kKindStatus && kind != zan::kKindMasterHeartbeat &&
         kind != zan::kKindBackupHeartbeat && kind != zan::kKindCacheBlock;
}

// What zanhost itself refuses of a tag that the driver takes (or would take) with kind `kind`:
// a run of values that CheckArrayTag refused (`noRun`), the host's byte type on an address that
// holds no byte (the driver has no rule for that type). "" when nothing.
std::string ZanhostRefusal(int32_t hostType, int32_t kind, bool noRun, int32_t count) {
  if (noRun) {
    return "the driver reads no run of " + std::to_string(count) +
           " values of this tag (CheckArrayTag)";
  }
  if (hostType == kHostByte && !IsByteKind(kind)) {
    return "a byte type needs a byte address: a data-block byte (DB), an input, output or flag "
           "byte (IB, QB, MB)";
  }
  return "";
}

// A text field of the state block, which need not hold its terminator.
std::string FieldText(const char* field, std::size_t size) {
  const void* end = std::memchr(field, '\0', size);
  return std::string(field, end != nullptr ? static_cast<const char*>(end) - field : size);
}

}  // namespace

Tag TagOfSpec(const TagSpec& spec) {
  Tag tag;
  tag.name = spec.name;
  tag.text = spec.address;
  tag.hostType = spec.hostType;
  tag.count = spec.count;
  return tag;
}

bool IsProblemLine(const std::string& line) {
  const std::string lower = Lower(line);
  return lower.find("fail") != std::string::npos || lower.find("illegal") != std::string::npos ||
         lower.find("not found") != std::string::npos;
}

bool MentionsPlc(const std::string& line, int plc) {
  const std::string mark = "Plc #" + std::to_string(plc);
  for (std::size_t at = line.find(mark); at != std::string::npos; at = line.find(mark, at + 1)) {
    const std::size_t after = at + mark.size();
    if (after == line.size() || !std::isdigit(static_cast<unsigned char>(line[after]))) return true;
  }
  return false;
}

HostSession::HostSession(HostOptions options) : options_(std::move(options)) {
  if (options_.driverFile.empty()) options_.driverFile = zan::platform::kDriverLibrary;
}

bool HostSession::Open() {
  if (driver_ != nullptr && driver_->loaded()) return true;
  driver_ = std::make_unique<DriverLibrary>(options_.driverFile);
  if (!driver_->loaded()) {
    std::fprintf(stderr, "zanhost: %s\n", driver_->error().c_str());
    return false;
  }
  info_ = DriverInfo{};
  if (driver_->Call(kCommandGetDriverInfo, nullptr, 0, &info_) != kResultDone ||
      info_.stateSize <= 0) {
    std::fprintf(stderr, "zanhost: the driver gave no driver information (GetDriverInfo)\n");
    return false;
  }
  return true;
}

bool HostSession::EnterConfigurationFolder() {
  std::error_code error;
  std::filesystem::path folder =
      std::filesystem::absolute(options_.directory, error).lexically_normal();
  if (!folder.has_filename() && folder.has_parent_path()) folder = folder.parent_path();
  const std::string fileName = ConfigurationFileName(options_.instance);
  configurationPath_ = (folder / fileName).string();
  if (!std::filesystem::is_directory(folder, error)) {
    std::fprintf(stderr,
                 "zanhost: configuration folder %s not found; name the folder of %s with --dir\n",
                 folder.string().c_str(), fileName.c_str());
    return false;
  }
  if (!std::filesystem::exists(configurationPath_, error)) {
    std::fprintf(stderr,
                 "zanhost: configuration file %s not found in folder %s; name its folder with "
                 "--dir and its instance with --instance\n",
                 fileName.c_str(), folder.string().c_str());
    return false;
  }
  plcs_ = ListPlcsOfFile(configurationPath_);
  // The driver reads the file from the current folder, as from the host's.
  std::filesystem::current_path(folder, error);
  if (error) {
    std::fprintf(stderr, "zanhost: cannot enter %s: %s\n", folder.string().c_str(),
                 error.message().c_str());
    return false;
  }
  return true;
}

void HostSession::ShowLog(const std::vector<std::string>& lines, bool failed) const {
  if (options_.quiet) return;
  for (const std::string& line : lines) {
    if (options_.verbose || failed || IsProblemLine(line)) {
      std::fprintf(stderr, "log: %s\n", line.c_str());
    }
  }
}

bool HostSession::Init() {
  int port = 0;
  std::string portError;
  if (!ReadQuaxnetPort(port, portError)) {
    std::fprintf(stderr, "zanhost: %s\n", portError.c_str());
    return false;
  }
  if (!Open() || !EnterConfigurationFolder()) return false;
  instance_ = std::make_unique<DriverInstance>(*driver_, options_.instance, info_.stateSize);
  std::string error;
  if (SendInit(true, error)) return true;
  std::fprintf(stderr, "zanhost: %s\n", error.c_str());
  return false;
}

bool HostSession::Reinit(std::string& error) {
  if (instance_ == nullptr) {
    error = "the instance is closed";
    return false;
  }
  const std::vector<PlcEntry> before = CopyPlcTable(instance_->state());
  const std::vector<HeartbeatTag> heartbeats = heartbeatTags_;
  const std::set<int> unread = heartbeatUnread_;
  // What the driver knew of its tags goes with the instance; the host's value buffers stay.
  heartbeatTags_.clear();
  plainTags_.clear();
  noAnswer_.clear();
  heartbeatUnread_.clear();
  lastRequest_ = RequestNote{};
  links_ = RestoredLinks();
  if (!SendInit(false, error)) return false;
  DriverState& driverState = instance_->state();
  for (const int plc : CarrySwitchoverState(before, driverState)) {
    if (unread.count(plc) != 0) heartbeatUnread_.insert(plc);
  }
  // A heartbeat read that reads no word (a reconnect) compares the word that the tag's buffer
  // holds with the PLC's watchdogValue: as before the Init, the two are the same (0 where nothing
  // was carried over), so that no PLC counts as alive without a word read.
  for (const HeartbeatTag& heartbeat : heartbeats) {
    const auto buffer = buffers_.find(heartbeat.tagId);
    if (buffer == buffers_.end()) continue;
    const int watched =
        heartbeat.backup ? driverState.plcs[heartbeat.master].backupPlc : heartbeat.master;
    buffer->second.SetWord(0, driverState.plcs[watched].watchdogValue);
  }
  plcs_ = ListPlcsOfFile(configurationPath_);
  return true;
}

bool HostSession::SendInit(bool show, std::string& error) {
  InitArgument argument{};
  argument.enabled = 1;
  argument.timeoutSetting = options_.timeout;
  HoldNewLines();
  const int32_t result = instance_->Send(kCommandInit, &argument);
  initLog_ = TakeOwnLines();
  lastLines_ = initLog_;
  if (show) {
    ShowLog(initLog_, result != kResultDone);
  } else {
    pendingLines_.insert(pendingLines_.end(), initLog_.begin(), initLog_.end());
  }
  if (result != kResultDone) {
    error = "Init of instance " + std::to_string(options_.instance) + " failed (result " +
            std::to_string(result) + "): the driver accepted no line of " + configurationPath_ +
            "; zanhost check shows what it makes of each line";
    return false;
  }
  // The driver carries on without its transport library, and every request then fails: a host
  // cannot work with it.
  for (const std::string& line : initLog_) {
    int openResult = 0;
    if (std::sscanf(line.c_str(), "ZanDOR: Fail to open Ip Driver (%d)", &openResult) == 1) {
      error = std::string("the driver cannot use its transport library ") +
              zan::platform::kTransportLibrary + ": " + OpenLibraryWords(openResult) + " (" + line +
              ")";
      return false;
    }
  }
  transportFailures_ = std::make_unique<TransportFailures>();
  return true;
}

std::string HostSession::TransportFailureOf(int plc, bool write) const {
  if (transportFailures_ == nullptr || state() == nullptr) return "";
  return transportFailures_->OfPlc(*state(), plc, ConnectionPort(), write);
}

bool HostSession::DefineTag(Tag& tag, bool show) {
  if (instance_ == nullptr) {
    tag.refusal = "the instance is closed";
    return false;
  }
  HoldNewLines();
  if (tag.tagId == 0) tag.tagId = nextTagId_++;
  tag.refusal.clear();
  std::string refusal;  // zanhost's own
  // The driver reads no run of a cache-block tag (CheckArrayTag refuses every count above 1), and
  // its kind is no byte: refused here, the tag claims no slot.
  if (NamesCacheBlock(tag.text))
    refusal = ZanhostRefusal(tag.hostType, zan::kKindCacheBlock, tag.count > 1, tag.count);
  int32_t result = kResultRefused;
  if (refusal.empty()) {
    TagDefinition definition{};
    definition.addressText = tag.text.c_str();
    definition.tagId = tag.tagId;
    definition.hostType = tag.hostType;
    definition.count = tag.count;
    result = instance_->Send(kCommandParseTagAddress, &definition);
    tag.plc = definition.plc;
    tag.kind = definition.kind;
    tag.address = definition.address;
    tag.bit = definition.bit;
    tag.width = definition.width;
    bool noRun = false;
    if (result == kResultDone && tag.count > 1) {
      TagDefinition check = definition;
      check.tagId = tag.tagId;
      noRun = instance_->Send(kCommandCheckArrayTag, &check) != kResultDone;
    }
    if (result == kResultDone) refusal = ZanhostRefusal(tag.hostType, tag.kind, noRun, tag.count);
    if (result == kResultDone && !refusal.empty()) {
      result = kResultRefused;
      // Whatever slipped through the check above: a slot that nobody reads holds no tag.
      if (tag.kind == zan::kKindCacheBlock) {
        TagDefinition parked = definition;
        const std::string address = ParkedBlockAddress(tag.text);
        parked.addressText = address.c_str();
        instance_->Send(kCommandParseTagAddress, &parked);
      }
    }
  }
  const std::vector<std::string> lines = TakeOwnLines();
  lastLines_ = lines;
  if (show && result == kResultDone) PrintLines(lines);
  if (result != kResultDone) {
    tag.refusal = !refusal.empty() ? refusal
                  : lines.empty()  ? "refused by the driver"
                                   : lines.back();
  }
  if (result == kResultDone &&
      (tag.kind == zan::kKindMasterHeartbeat || tag.kind == zan::kKindBackupHeartbeat)) {
    heartbeatTags_.push_back(
        HeartbeatTag{tag.plc & 0xFF, tag.kind == zan::kKindBackupHeartbeat, tag.tagId});
  }
  if (result == kResultDone && ReadsPlainData(tag.kind) && tag.plc < zan::kStatusPlc)
    plainTags_[tag.plc].emplace(tag.tagId, tag);
  return result == kResultDone;
}

void HostSession::ForgetTag(int32_t tagId) {
  buffers_.erase(tagId);
  std::erase_if(heartbeatTags_,
                [tagId](const HeartbeatTag& heartbeat) { return heartbeat.tagId == tagId; });
  for (auto plc = plainTags_.begin(); plc != plainTags_.end();) {
    plc->second.erase(tagId);
    plc = plc->second.empty() ? plainTags_.erase(plc) : std::next(plc);
  }
}

int32_t HostSession::Exchange(int32_t command, const Tag& tag, ValueBuffer& values,
                              int32_t* servedBy) {
  if (instance_ == nullptr) return kResultUnreachable;  // closed
  TagItem item{};
  item.addressText = tag.text.c_str();
  item.plc = tag.plc;
  item.kind = tag.kind;
  item.address = tag.address;
  item.bit = tag.bit;
  item.width = tag.width;
  item.count = tag.count;
  item.tagId = tag.tagId;
  item.valueBuffer = values.data();
  const int before = HeartbeatLinkState(instance_->state(), tag.kind, tag.plc);
  const int32_t result = instance_->Send(command, &item);
  lastWasWrite_ = command == kCommandWriteValue || command == kCommandWriteBlock;
  if (servedBy != nullptr) *servedBy = item.plc;
  // The request's own lines tell how it went; they are handed out by the next TakeLog.
  const std::vector<std::string> lines = log_.TakeNewLines();
  Absorb(lines);
  pendingLines_.insert(pendingLines_.end(), lines.begin(), lines.end());
  links_.Observe(instance_->state());
  NoteRequest(tag, !lastWasWrite_, result, item.plc, before, lines);
  return result;
}

void HostSession::NoteRequest(const Tag& tag, bool read, int32_t result, int32_t servedBy,
                              int before, const std::vector<std::string>& lines) {
  lastRequest_ = RequestNote{};
  const DriverState& driverState = instance_->state();
  const int requested = RequestedPlc(driverState, tag.kind, tag.address, servedBy);
  if (tag.kind == zan::kKindStatus || requested < 0) return;
  // The driver's line of a read or write of this tag that failed, if it logged one.
  TransferFailure failure;
  bool logged = false;
  for (auto line = lines.rbegin(); line != lines.rend() && !logged; ++line)
    logged = ParseTransferFailure(*line, failure) && failure.address == tag.text;
  // No answer in time: the polls ran out (6 or 7), or the transport held the request back behind
  // the answer to an earlier one that had not come (a read of 1 that logged nothing, and that no
  // cache block or missing backup explains).
  bool late = logged && IsNoAnswerInTime(failure.answer);
  const bool linkFailed = FailedForLackOfCommunication(driverState, result, requested);
  if (!logged && read && result == kResultRefused && !linkFailed) {
    FailureReport unlogged;
    late = ExplainUnloggedRead(driverState, tag, requested, unlogged) && !unlogged.outcome.empty();
  }
  if (late) {
    noAnswer_.insert(requested);
  } else {
    noAnswer_.erase(requested);
  }
  if (linkFailed || (late && result == kResultRefused)) {
    lastRequest_.outcome = ResultWord(kResultUnreachable);
  }
  const int after = HeartbeatLinkState(driverState, tag.kind, tag.plc);
  if (after < 0) return;
  const std::string refusal =
      logged && failure.answer == 0
          ? TransferFailureWords(failure, PlaceOf(driverState, tag, requested), timeoutMs())
          : "";
  if (result == kResultDone)
    lastRequest_.unread = UnreadHeartbeatWords(tag.kind, before, after, refusal);
  if (tag.kind == zan::kKindMasterHeartbeat && result == kResultDone && before == kLinkFailed) {
    heartbeatUnread_.insert(requested);
  } else if (result != kResultDone || lastRequest_.unread.empty()) {
    heartbeatUnread_.erase(requested);
  }
}

void HostSession::Absorb(const std::vector<std::string>& lines) {
  if (state() != nullptr) links_.TakeLines(lines, *state());
  // A connect made or a connection failed since: the closed connections tell other failures now.
  if (transportFailures_ != nullptr &&
      std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return IsProblemLine(line) || ConnectionUpIn(line) >= 0;
      })) {
    transportFailures_->Refresh();
  }
}

int32_t HostSession::Read(const Tag& tag, ValueBuffer& values, bool single, int32_t* servedBy) {
  return Exchange(single ? kCommandReadValue : kCommandReadBlock, tag, values, servedBy);
}

int32_t HostSession::Write(const Tag& tag, ValueBuffer& values, bool single, int32_t* servedBy) {
  return Exchange(single ? kCommandWriteValue : kCommandWriteBlock, tag, values, servedBy);
}

int32_t HostSession::ReadValues(const Tag& tag, std::vector<TagValue>& values, int32_t* servedBy) {
  auto kept = buffers_.find(tag.tagId);
  // A tag defined again with more values (a reload keeps its id) needs a larger buffer.
  if (kept != buffers_.end() && kept->second.size() < ValueBuffer(tag.count).size()) {
    buffers_.erase(kept);
    kept = buffers_.end();
  }
  if (kept == buffers_.end()) kept = buffers_.emplace(tag.tagId, ValueBuffer(tag.count)).first;
  ValueBuffer& buffer = kept->second;
  const int32_t result = Read(tag, buffer, false, servedBy);
  values.clear();
  if (result == kResultDone && lastRequest_.unread.empty()) values = DecodeReadValues(buffer, tag);
  return result;
}

bool NamesCacheBlock(const std::string& address) {
  return address.size() > 2 && (address[2] == 'T' || address[2] == 't');
}

std::string ParkedBlockAddress(const std::string& address) {
  constexpr std::size_t kLengthDigits = 4;  // the last field of a cache-block address
  if (address.size() < kLengthDigits) return address;
  return address.substr(0, address.size() - kLengthDigits) + "0000";
}

std::vector<TagValue> DecodeReadValues(const ValueBuffer& buffer, const Tag& tag, int32_t first) {
  std::vector<TagValue> values;
  const int32_t shown = LayoutOfKind(tag.kind) == CellLayout::kText ? 1 : tag.count;
  for (int32_t i = 0; i < shown; ++i) {
    TagValue value = DecodeValue(buffer, tag.kind, tag.hostType, first + i, false);
    // ReadBlock hands over the whole word; the host takes a bit tag's bit itself.
    if (tag.bit != 255 && value.layout != CellLayout::kText) {
      value.integer = (static_cast<uint64_t>(value.integer) >> (tag.bit & 31)) & 1;
    }
    values.push_back(value);
  }
  return values;
}

void HostSession::Close() {
  if (instance_ == nullptr) return;
  instance_->Send(kCommandCloseTransport, nullptr);
  instance_.reset();
}

int32_t HostSession::WarmStart(int32_t& plc) {
  if (instance_ == nullptr) return kResultRefused;  // closed
  if (transportFailures_ != nullptr) transportFailures_->Refresh();
  const int32_t master = plc;
  const int32_t result = instance_->Send(kCommandWarmStart, &plc);
  // Which connections came up is read from the lines now, before any read changes the table.
  warmStartLines_ = log_.TakeNewLines();
  links_.TakeLines(warmStartLines_, instance_->state());
  pendingLines_.insert(pendingLines_.end(), warmStartLines_.begin(), warmStartLines_.end());
  for (const std::string& line : warmStartLines_) {
    if (ConnectionUpIn(line) >= 0) noAnswer_.erase(ConnectionUpIn(line));
  }
  if (result == kResultDone && plc != master) ReachBackup(master);
  return result;
}

void HostSession::ReachBackup(int master) {
  // Both PLCs of the pair fail: the switchover sends no request to either, and a warm start
  // restarts connections without changing a link state. Only a request that names the backup
  // itself (which has no backup of its own, so the switchover lets it through) makes the driver
  // record the backup's link anew, as the backup's heartbeat tag would after its reconnect.
  const DriverState& driverState = instance_->state();
  const int backup = driverState.plcs[master].backupPlc;
  const auto plain = plainTags_.find(master);  // none empty
  if (backup <= 0 || backup >= kPlcCount || plain == plainTags_.end() ||
      driverState.plcs[master].linkState != kLinkFailed ||
      driverState.plcs[backup].linkState != kLinkFailed || !LinkRestored(backup)) {
    return;
  }
  for (const HeartbeatTag& heartbeat : heartbeatTags_) {
    if (heartbeat.master == master && heartbeat.backup) return;  // it reconnects the backup
  }
  Tag probe = plain->second.begin()->second;
  probe.plc = backup;
  ValueBuffer scratch(probe.count);
  Read(probe, scratch, false);
}

std::string HostSession::PlcWord(int plc) const {
  return state() != nullptr ? PlcStateWord(*state(), plc, LinkRestored(plc), NoAnswer(plc),
                                           heartbeatUnread_.count(plc) != 0)
                            : "unknown";
}

bool HostSession::NeedsWarmStart(int plc) const {
  return state() != nullptr && zanhost::NeedsWarmStart(*state(), plc, LinkRestored(plc));
}

std::map<int, bool> HostSession::PlcsToWarmStart() const {
  std::map<int, bool> due;
  for (const ListedPlc& plc : plcs_)
    due[plc.number] = NeedsWarmStart(plc.number);
  return due;
}

int HostSession::StatusOf(int plc) {
  Tag status;
  char text[8];
  std::snprintf(text, sizeof text, "!%02d", plc < 0 || plc > 99 ? 0 : plc);
  status.text = text;
  status.hostType = 2;
  if (!DefineTag(status)) return -1;
  ValueBuffer values(1);
  if (Read(status, values, true) != kResultDone) return -1;
  return DecodeValue(values, status.kind, status.hostType, 0, true).integer;
}

std::vector<std::string> HostSession::TakeLog(bool show) {
  std::vector<std::string> lines = log_.TakeNewLines();
  Absorb(lines);
  lines.insert(lines.begin(), pendingLines_.begin(), pendingLines_.end());
  pendingLines_.clear();
  if (show) PrintLines(lines);
  lastLines_ = lines;
  return lines;
}

void HostSession::HoldNewLines() {
  const std::vector<std::string> lines = TakeOwnLines();
  pendingLines_.insert(pendingLines_.end(), lines.begin(), lines.end());
}

std::vector<std::string> HostSession::TakeOwnLines() {
  std::vector<std::string> lines = log_.TakeNewLines();
  Absorb(lines);
  return lines;
}

void HostSession::PrintLines(const std::vector<std::string>& lines) const {
  if (options_.quiet) return;
  for (const std::string& line : lines)
    std::fprintf(stderr, "log: %s\n", line.c_str());
}

std::string HostSession::ProblemOf(int plc) const {
  for (const std::vector<std::string>* lines : {&lastLines_, &initLog_}) {
    for (auto line = lines->rbegin(); line != lines->rend(); ++line) {
      if (IsProblemLine(*line) && MentionsPlc(*line, plc)) return *line;
    }
  }
  return "";
}

HostSession::Connections HostSession::CountConnections() const {
  Connections connections;
  const DriverState* driverState = state();
  if (driverState == nullptr) return connections;
  for (int plc = 0; plc < kPlcCount; ++plc) {
    if (!zan::IsConfiguredPlc(*driverState, plc)) continue;
    ++connections.configured;
    if (IsPlcUnreachable(*driverState, plc)) connections.unreachable.push_back(plc);
  }
  return connections;
}

int HostSession::timeoutMs() const {
  return state() != nullptr ? state()->timeout : 0;
}

std::string HostSession::DescribePlc(int number) const {
  const DriverState* driverState = state();
  if (driverState != nullptr && zan::IsConfiguredPlc(*driverState, number)) {
    const PlcEntry& plc = driverState->plcs[number];
    return "PLC " + std::to_string(number) + " (" + PlcTypeName(plc.type) + " at " +
           FieldText(plc.ipAddress, sizeof plc.ipAddress) + ")";
  }
  const ListedPlc* plc = FindPlc(plcs_, number);
  if (plc == nullptr) return "PLC " + std::to_string(number);
  return "PLC " + std::to_string(number) + " (" + PlcTypeName(plc->type) + " at " + plc->ipAddress +
         ")";
}

std::string HostSession::DescribeEndpoint(int number) const {
  const DriverState* driverState = state();
  if (driverState == nullptr || !zan::IsConfiguredPlc(*driverState, number)) {
    return DescribePlc(number);
  }
  return DescribePlcEndpoint(driverState->plcs[number], number, ConnectionPort());
}

std::string DescribePlcEndpoint(const PlcEntry& plc, int number, int port) {
  std::string text = "PLC " + std::to_string(number) + " (" + PlcTypeName(plc.type) + " at " +
                     FieldText(plc.ipAddress, sizeof plc.ipAddress) + " port " +
                     std::to_string(port);
  if (plc.type == kPlcTypeS5) {
    auto tsap = [](const char* field) {
      std::string value = FieldText(field, kTsapSignificant);
      while (!value.empty() && value.back() == ' ')
        value.pop_back();
      return value;
    };
    text +=
        ", TSAPs " + tsap(plc.localTsap) + ", " + tsap(plc.readTsap) + ", " + tsap(plc.writeTsap);
  } else {
    text += ", slot " + std::to_string(plc.slot);
  }
  return text + ")";
}

}  // namespace zanhost
