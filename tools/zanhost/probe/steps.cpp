#include "probe/steps.h"

#include <cstdio>
#include <functional>
#include <vector>

#include "net/socket.h"
#include "probe/link.h"

namespace zanhost {
namespace {

// COTP source references of our connections, and the smallest PDU size that carries a read.
constexpr uint16_t kFetchReference = 0x0001;
constexpr uint16_t kWriteReference = 0x0002;
constexpr uint16_t kMinUsablePdu = 30;
constexpr uint16_t kWordBytes = 2;
// Item return codes and S5 error numbers that say the block is not there, or too short.
constexpr uint8_t kItemObjectMissing = 0x0A;
constexpr uint8_t kItemOutOfRange = 0x05;
constexpr uint8_t kItemAccessDenied = 0x03;
constexpr uint8_t kS5NoSuchBlock = 2;
constexpr uint8_t kS5BlockTooShort = 3;

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string DottedAddress(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF,
                address >> 8 & 0xFF, address & 0xFF);
  return text;
}

const char* OutcomeWord(ProbeStep::Outcome outcome) {
  switch (outcome) {
    case ProbeStep::Outcome::kDone:
      return "done";
    case ProbeStep::Outcome::kFailed:
      return "failed";
    case ProbeStep::Outcome::kRefused:
      return "refused";
    case ProbeStep::Outcome::kNotAnswered:
      return "not answered";
  }
  return "";
}

std::string ItemWords(uint8_t code, uint16_t dataBlock) {
  const std::string block = "data block " + std::to_string(dataBlock);
  switch (code) {
    case kItemObjectMissing:
      return block + " does not exist";
    case kItemOutOfRange:
      return "address outside " + block;
    case kItemAccessDenied:
      return "access to " + block + " denied";
    default:
      return "the PLC refused the item with return code " + Hex(code, 2);
  }
}

std::string S5Words(uint8_t error, uint16_t dataBlock) {
  const std::string block = "data block " + std::to_string(dataBlock);
  if (error == kS5NoSuchBlock) return block + " does not exist";
  if (error == kS5BlockTooShort) return "address outside " + block;
  return "the PLC refused with S5 error number " + std::to_string(error);
}

class Prober {
 public:
  Prober(const ProbeTarget& target, const StepSink& sink, const TrafficSink& traffic)
      : target_(target), sink_(sink), traffic_(traffic) {}

  ProbeStep::Outcome Run() {
    if (target_.type == 5) return RunS5();
    ProbeLink link(target_.timeoutMs, traffic_);
    if (!TcpConnect(link, "") ||
        !RequestConnection(link, "", S7LocalTsap(), S7RemoteTsap(target_.slot), kFetchReference) ||
        !SetUp(link)) {
      return ProbeStep::Outcome::kFailed;
    }
    const ProbeStep::Outcome read = ReadS7(link);
    if (read != ProbeStep::Outcome::kFailed) Identify(link);
    return read;
  }

 private:
  ProbeStep::Outcome RunS5() {
    ProbeLink fetch(target_.timeoutMs, traffic_);
    ProbeLink write(target_.timeoutMs, traffic_);
    const Bytes local = S5Tsap(target_.localTsap);
    if (!TcpConnect(fetch, "fetch") ||
        !RequestConnection(fetch, "fetch", local, S5Tsap(target_.readTsap), kFetchReference) ||
        !TcpConnect(write, "write") ||
        !RequestConnection(write, "write", local, S5Tsap(target_.writeTsap), kWriteReference)) {
      return ProbeStep::Outcome::kFailed;
    }
    const ProbeStep::Outcome read = ReadS5(fetch);
    ProbeStep identification = Begin("identification", "");
    End(identification, ProbeStep::Outcome::kNotAnswered,
        "an S5 tells nothing of itself over fetch and write");
    return read;
  }

  ProbeStep Begin(const char* name, const char* connection) {
    ProbeStep step;
    step.name = name;
    step.connection = connection;
    started_ = net::MonotonicMicroseconds();
    return step;
  }

  bool End(ProbeStep& step, ProbeStep::Outcome outcome, const std::string& detail) {
    step.milliseconds = static_cast<double>(net::MonotonicMicroseconds() - started_) / 1000.0;
    step.outcome = outcome;
    step.detail = detail;
    JsonObject json;
    json.Add("plc", target_.plc).Add("step", step.name);
    if (!step.connection.empty()) json.Add("connection", step.connection);
    json.Add("ms", step.milliseconds)
        .Add("result", OutcomeWord(outcome))
        .Add("detail", detail)
        .Append(step.fields);
    step.fields = json;
    sink_(step);
    return outcome == ProbeStep::Outcome::kDone;
  }

  bool TcpConnect(ProbeLink& link, const char* connection) {
    ProbeStep step = Begin("TCP connect", connection);
    const std::string place =
        DottedAddress(target_.address) + " port " + std::to_string(target_.port);
    step.fields.Add("address", DottedAddress(target_.address)).Add("port", target_.port);
    std::string why;
    if (!link.Connect(target_.address, target_.port, &why)) {
      return End(step, ProbeStep::Outcome::kFailed, place + ": " + why);
    }
    return End(step, ProbeStep::Outcome::kDone, place);
  }

  bool RequestConnection(ProbeLink& link, const char* connection, const Bytes& local,
                         const Bytes& remote, uint16_t reference) {
    ProbeStep step = Begin("connection request", connection);
    const std::string tsaps = "TSAPs local " + TsapText(local) + ", remote " + TsapText(remote);
    step.fields.Add("localTsap", TsapText(local)).Add("remoteTsap", TsapText(remote));
    std::string why;
    Bytes tpkt;
    if (!link.Send(EncodeConnectRequest(reference, local, remote), &why) ||
        !link.ReceiveTpkt(&tpkt, &why)) {
      return End(
          step, ProbeStep::Outcome::kFailed,
          (why == "the PLC closed the connection" ? "rejected: " + why : why) + " (" + tsaps + ")");
    }
    Tpdu tpdu;
    if (!DecodeTpdu(tpkt.data(), tpkt.size(), &tpdu, &why)) {
      return End(step, ProbeStep::Outcome::kFailed, "answer not understood: " + why);
    }
    if (tpdu.kind == Tpdu::Kind::kDisconnect) {
      return End(step, ProbeStep::Outcome::kFailed,
                 "rejected by the PLC (disconnect request, reason " + Hex(tpdu.reason, 2) + "; " +
                     tsaps + ")");
    }
    if (tpdu.kind != Tpdu::Kind::kConnectConfirm || tpdu.destinationReference != reference ||
        tpdu.tpduSizeCode < 7 || tpdu.tpduSizeCode > 10) {
      return End(step, ProbeStep::Outcome::kFailed,
                 "answer not understood: no connect confirm of our reference with a TPDU size "
                 "of 128 to 1024 (" +
                     tsaps + ")");
    }
    const int tpduSize = 1 << tpdu.tpduSizeCode;
    step.fields.Add("tpduSize", tpduSize);
    return End(step, ProbeStep::Outcome::kDone,
               "confirmed: " + tsaps + ", TPDU size " + std::to_string(tpduSize));
  }

  // One S7 job and its answer's header; false, with `why`, when no answer that fits came.
  bool Exchange(ProbeLink& link, const Bytes& request, S7Answer* answer, Bytes* message,
                std::string* why) {
    return link.Send(request, why) && link.ReceiveMessage(message, why) &&
           Understood(DecodeS7Answer(message->data(), message->size(), reference_, answer, why),
                      why);
  }

  // What a decoder said of an answer that does not fit, as the step's failure.
  static bool Understood(bool decoded, std::string* why) {
    if (!decoded) *why = "answer not understood: " + *why;
    return decoded;
  }

  bool SetUp(ProbeLink& link) {
    ProbeStep step = Begin("setup communication", "");
    S7Answer answer;
    Bytes message;
    std::string why;
    uint16_t granted = 0;
    if (!Exchange(link, EncodeS7Setup(++reference_, kPduSizeAsked), &answer, &message, &why) ||
        !Understood(DecodeS7SetupAnswer(answer, &granted, &why), &why)) {
      return End(step, ProbeStep::Outcome::kFailed, why);
    }
    if (answer.error != 0) {
      return End(step, ProbeStep::Outcome::kFailed,
                 "refused by the PLC (error class " + Hex(answer.error >> 8, 2) + ", code " +
                     Hex(answer.error & 0xFF, 2) + ")");
    }
    step.fields.Add("pduSize", granted).Add("pduSizeAsked", kPduSizeAsked);
    if (granted < kMinUsablePdu) {
      return End(step, ProbeStep::Outcome::kFailed,
                 "PDU size " + std::to_string(granted) + " granted: too small for a read");
    }
    return End(step, ProbeStep::Outcome::kDone,
               "PDU size " + std::to_string(granted) + " granted (" +
                   std::to_string(kPduSizeAsked) + " asked)");
  }

  // The read of the word; the search, when no data block is given, tries the first word of each
  // block in turn and times the read that found one.
  // One read of the word in data block `block`: kDone with its two bytes in `data`, kRefused
  // with the PLC's refusal in `why`, kFailed with what failed.
  using ReadTry = std::function<ProbeStep::Outcome(uint16_t block, Bytes& data, std::string& why)>;

  // The read of the word; the search, when no data block is given, tries the first word of each
  // block in turn and times the read that found one.
  ProbeStep::Outcome Read(const char* connection, const char* word, const ReadTry& read) {
    ProbeStep step = Begin("read", connection);
    const bool search = target_.dataBlock == 0;
    const uint16_t first = search ? kFirstDataBlockTried : target_.dataBlock;
    const uint16_t last = search ? kLastDataBlockTried : target_.dataBlock;
    std::string refusal;
    for (uint16_t block = first; block <= last; ++block) {
      started_ = net::MonotonicMicroseconds();
      Bytes data;
      std::string why;
      const ProbeStep::Outcome outcome = read(block, data, why);
      if (outcome == ProbeStep::Outcome::kRefused) {
        refusal = why;
        continue;
      }
      if (outcome == ProbeStep::Outcome::kDone) {
        return ReadDone(step, block, target_.offset, data, search, word);
      }
      End(step, ProbeStep::Outcome::kFailed, why);
      return ProbeStep::Outcome::kFailed;
    }
    return ReadRefused(step, search, refusal);
  }

  ProbeStep::Outcome ReadS7(ProbeLink& link) {
    return Read("", "DBW", [&](uint16_t block, Bytes& data, std::string& why) {
      S7Answer answer;
      Bytes message;
      ReadResult result;
      if (!Exchange(
              link,
              EncodeS7ReadVar(++reference_, kS7AreaDataBlock, block, target_.offset, kWordBytes),
              &answer, &message, &why) ||
          !Understood(DecodeS7ReadAnswer(answer, kWordBytes, &result, &why), &why)) {
        return ProbeStep::Outcome::kFailed;
      }
      if (answer.error != 0) {
        why = "the PLC refused the job (error class " + Hex(answer.error >> 8, 2) + ", code " +
              Hex(answer.error & 0xFF, 2) + ")";
        return ProbeStep::Outcome::kRefused;
      }
      if (result.returnCode != kS7ItemSuccess) {
        why = ItemWords(result.returnCode, block);
        return ProbeStep::Outcome::kRefused;
      }
      data = result.data;
      return ProbeStep::Outcome::kDone;
    });
  }

  ProbeStep::Outcome ReadS5(ProbeLink& link) {
    return Read("fetch", "DW", [&](uint16_t block, Bytes& data, std::string& why) {
      Bytes message;
      S5FetchResult result;
      if (!link.Send(
              EncodeS5Fetch(kS5AreaDataBlock, static_cast<uint8_t>(block), target_.offset, 1),
              &why) ||
          !link.ReceiveMessage(&message, &why) ||
          !Understood(
              DecodeS5FetchAnswer(message.data(), message.size(), kWordBytes, &result, &why),
              &why)) {
        return ProbeStep::Outcome::kFailed;
      }
      if (result.error != 0) {
        why = S5Words(result.error, block);
        return ProbeStep::Outcome::kRefused;
      }
      data = result.data;
      return ProbeStep::Outcome::kDone;
    });
  }

  ProbeStep::Outcome ReadDone(ProbeStep& step, uint16_t block, uint16_t offset, const Bytes& data,
                              bool searched, const char* word) {
    const unsigned value = static_cast<unsigned>(data[0] << 8 | data[1]);
    const std::string name = "DB" + std::to_string(block) + "." + word + std::to_string(offset);
    step.fields.Add("dataBlock", block)
        .Add("offset", offset)
        .Add("value", static_cast<int>(value))
        .Add("searched", searched);
    End(step, ProbeStep::Outcome::kDone,
        name + " = " + std::to_string(value) + " (" + Hex(value, 4) + ")" +
            (searched ? ", the first data block that answered" : ""));
    return ProbeStep::Outcome::kDone;
  }

  ProbeStep::Outcome ReadRefused(ProbeStep& step, bool searched, const std::string& refusal) {
    End(step, ProbeStep::Outcome::kRefused,
        searched ? "no data block from " + std::to_string(kFirstDataBlockTried) + " to " +
                       std::to_string(kLastDataBlockTried) +
                       " answered a read of its first word (the last: " + refusal +
                       "); name a word with --read"
                 : refusal);
    return ProbeStep::Outcome::kRefused;
  }

  void Identify(ProbeLink& link) {
    ProbeStep step = Begin("identification", "");
    PlcIdentity identity;
    std::vector<std::string> unserved;
    for (uint16_t id : {kSzlModuleIdentification, kSzlComponentIdentification, kSzlCpuState}) {
      S7Answer answer;
      Bytes message;
      SzlList list;
      std::string why;
      if (!Exchange(link, EncodeS7ReadSzl(++reference_, id, 0), &answer, &message, &why) ||
          !Understood(DecodeS7SzlAnswer(answer, &list, &why), &why)) {
        End(step, ProbeStep::Outcome::kNotAnswered,
            "the PLC does not answer read SZL " + Hex(id, 4) + ": " + why);
        return;
      }
      if (list.error != 0) {
        unserved.push_back(Hex(id, 4) + " (error " + Hex(list.error, 4) + ")");
        continue;
      }
      TakeIdentity(list, identity);
    }
    const std::pair<const char*, const std::string*> parts[] = {
        {"order number", &identity.orderNumber},
        {"module name", &identity.moduleName},
        {"serial number", &identity.serialNumber},
        {"CPU state", &identity.cpuState}};
    std::string detail;
    for (const auto& [label, value] : parts) {
      if (!value->empty())
        detail += (detail.empty() ? "" : ", ") + std::string(label) + " " + *value;
    }
    std::string lists;
    for (const std::string& list : unserved)
      lists += (lists.empty() ? "" : ", ") + list;
    step.fields.Add("orderNumber", identity.orderNumber)
        .Add("moduleName", identity.moduleName)
        .Add("serialNumber", identity.serialNumber)
        .Add("cpuState", identity.cpuState);
    if (detail.empty()) {
      End(step, ProbeStep::Outcome::kNotAnswered,
          "the PLC does not tell who it is: it refused read SZL " + lists);
      return;
    }
    End(step, ProbeStep::Outcome::kDone,
        detail + (lists.empty() ? "" : "; refused: read SZL " + lists));
  }

  const ProbeTarget& target_;
  const StepSink& sink_;
  const TrafficSink& traffic_;
  uint64_t started_ = 0;
  uint16_t reference_ = 0;
};

// A decimal number of at most 65535 at `at` (which moves past it).
bool ReadNumber(const std::string& text, std::size_t& at, uint16_t& value) {
  const std::size_t start = at;
  uint32_t number = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && number <= 0xFFFF) {
    number = number * 10 + static_cast<uint32_t>(text[at] - '0');
    ++at;
  }
  value = static_cast<uint16_t>(number);
  return at > start && number <= 0xFFFF;
}

}  // namespace

bool ParseDataBlockWord(const std::string& text, uint16_t& dataBlock, uint16_t& offset) {
  std::string upper;
  for (char c : text)
    upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  std::size_t at = 0;
  if (upper.compare(0, 2, "DB") != 0) return false;
  at = 2;
  if (!ReadNumber(upper, at, dataBlock) || dataBlock == 0 || at >= upper.size() ||
      upper[at++] != '.') {
    return false;
  }
  for (const char* word : {"DBW", "DW"}) {
    if (upper.compare(at, std::string(word).size(), word) == 0) {
      at += std::string(word).size();
      break;
    }
  }
  return ReadNumber(upper, at, offset) && at == upper.size();
}

ProbeStep::Outcome ProbePlc(const ProbeTarget& target, const StepSink& sink,
                            const TrafficSink& traffic) {
  return Prober(target, sink, traffic).Run();
}

}  // namespace zanhost
