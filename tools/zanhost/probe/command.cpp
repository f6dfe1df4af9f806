// zanhost probe: a connection to one PLC of the configuration made step by step on zanhost's own
// client, without the driver or its transport, each step shown with its time as it ends; then who
// the PLC says it is. A step that fails is one line on standard error that names it.
#include <cstdio>
#include <memory>

#include "output/result_words.h"
#include "probe/command.h"
#include "probe/steps.h"
#include "session/config_check.h"
#include "session/host_options.h"
#include "session/quaxnet_port.h"
#include "session/transport_failure.h"

namespace zanhost {
namespace {

// Each step waits as long as the transport's connections do: the host setting times 10 ms (1000 ms
// below 10), at most 65535 ms.
uint32_t StepTimeout(int setting) {
  const int64_t milliseconds = int64_t{setting} * 10;
  if (milliseconds < 100) return 1000;
  return milliseconds > 0xFFFF ? 0xFFFF : static_cast<uint32_t>(milliseconds);
}

std::string FieldText(const char* field, std::size_t size) {
  std::string text(field, size);
  return text.substr(0, text.find('\0'));
}

std::string StepName(const ProbeStep& step) {
  return step.connection.empty() ? step.name : step.name + " (" + step.connection + " connection)";
}

}  // namespace

CLI::App* AddProbeCommand(CLI::App& app, ProbeOptions& options) {
  CLI::App* probe = app.add_subcommand(
      "probe",
      "connect to one PLC of the configuration step by step on zanhost's own client (TCP, "
      "connection request, setup communication, one read; an S5's fetch and write connection) "
      "and show each step with its time, then the identification; exit 2 when a step fails, 1 when "
      "the read is refused");
  probe->add_option("plc", options.plc, "the PLC's number in the configuration file")
      ->required()
      ->check(CLI::Range(0, kPlcCount - 1));
  probe
      ->add_option("--read", options.word,
                   "the word to read, e.g. DB10.DBW2 (S7: byte 2; S5: data word 2); by default "
                   "the first word of the first data block from 1 to 255 that the PLC has")
      ->check([](const std::string& text) {
        uint16_t block = 0;
        uint16_t offset = 0;
        return ParseDataBlockWord(text, block, offset)
                   ? std::string()
                   : "\"" + text + "\" names no data block word: write DB<n>.DBW<offset>";
      });
  probe->add_flag("--json", options.json, "one JSON object a step instead of the text");
  AddHostOptions(probe, options.host);
  // The options every command shares, as they act here: no driver takes part.
  probe->get_option("--timeout")
      ->description(
          "time-out setting, as the driver's: each step waits up to 10 ms for each unit "
          "(1000 ms below 10)");
  probe->get_option("--verbose")->description("show the bytes of every TPKT sent and received");
  probe->get_option("--quiet")->description("show nothing but a step that fails");
  return probe;
}

int RunProbe(const ProbeOptions& options) {
  int port = 0;
  std::string error;
  if (!ReadQuaxnetPort(port, error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  HostSession session(options.host);
  if (!session.EnterConfigurationFolder()) return kExitSetup;
  auto state = std::make_unique<DriverState>();
  if (!LoadPlcTable(session.configurationPath(), *state, error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  if (!zan::IsConfiguredPlc(*state, options.plc)) {
    std::fprintf(stderr,
                 "zanhost: PLC %d is not in %s (zanhost check shows what the driver makes of its "
                 "lines)\n",
                 options.plc, session.configurationPath().c_str());
    return kExitSetup;
  }
  const PlcEntry& plc = state->plcs[options.plc];
  ProbeTarget target;
  target.plc = options.plc;
  target.type = plc.type;
  target.port = static_cast<uint16_t>(ConnectionPort());
  target.slot = plc.slot;
  target.localTsap = FieldText(plc.localTsap, kTsapSignificant);
  target.readTsap = FieldText(plc.readTsap, kTsapSignificant);
  target.writeTsap = FieldText(plc.writeTsap, kTsapSignificant);
  target.timeoutMs = StepTimeout(options.host.timeout);
  const std::string address = FieldText(plc.ipAddress, sizeof plc.ipAddress);
  if (!ParseDottedAddress(address, target.address)) {
    std::fprintf(stderr, "zanhost: the address of PLC %d, \"%s\", is no IPv4 address\n",
                 options.plc, address.c_str());
    return kExitSetup;
  }
  if (!options.word.empty()) {
    ParseDataBlockWord(options.word, target.dataBlock, target.offset);
    if (plc.type == kPlcTypeS5 && target.dataBlock > 255) {
      std::fprintf(stderr, "zanhost: --read %s: an S5 has data blocks up to 255 only\n",
                   options.word.c_str());
      return kExitUsage;
    }
  }

  const std::string endpoint = DescribePlcEndpoint(plc, options.plc, target.port);
  const bool text = !options.json && !options.host.quiet;
  if (text) {
    std::printf("probe of %s, each step within %u ms\n", endpoint.c_str(),
                static_cast<unsigned>(target.timeoutMs));
  }
  const StepSink show = [&](const ProbeStep& step) {
    if (options.json) std::printf("%s\n", step.fields.str().c_str());
    const bool done = step.outcome == ProbeStep::Outcome::kDone;
    if (done || step.outcome == ProbeStep::Outcome::kNotAnswered) {
      if (text) {
        std::printf("%-38s %8.2f ms  %s%s\n", StepName(step).c_str(), step.milliseconds,
                    done ? "" : "not answered: ", step.detail.c_str());
      }
    } else {
      std::fprintf(stderr, "zanhost: probe of %s: %s %s after %.2f ms: %s\n", endpoint.c_str(),
                   StepName(step).c_str(),
                   step.outcome == ProbeStep::Outcome::kRefused ? "refused" : "failed",
                   step.milliseconds, step.detail.c_str());
    }
    std::fflush(stdout);
  };
  const TrafficSink traffic = [&](bool sent, const Bytes& bytes) {
    if (options.host.verbose && !options.json) {
      std::printf("    %s %s\n", sent ? ">" : "<", HexText(bytes.data(), bytes.size()).c_str());
    }
  };
  switch (ProbePlc(target, show, traffic)) {
    case ProbeStep::Outcome::kDone:
    case ProbeStep::Outcome::kNotAnswered:
      return kExitOk;
    case ProbeStep::Outcome::kRefused:
      return kExitRefused;
    case ProbeStep::Outcome::kFailed:
      break;
  }
  return kExitUnreachable;
}

}  // namespace zanhost
