#include "session/failure_report.h"

#include "address/tag_address.h"
#include "output/result_words.h"
#include "session/failure_words.h"
#include "session/plc_state_words.h"
#include "session/request_outcome.h"
#include "session/tag_report.h"

namespace zanhost {
namespace {

const CacheBlock* CoveringBlock(const DriverState& state, const Tag& tag, int plc) {
  const int slot = CoveringSlot(state, tag, plc);
  return slot < 0 ? nullptr : &state.cache[slot];
}

}  // namespace

int CoveringSlot(const DriverState& state, const Tag& tag, int plc) {
  const int area = tag.kind & 0xFF;
  if (tag.kind == zan::kKindCacheBlock || area == 'I' || area == 'Q' || area == 'M' || plc < 0 ||
      plc >= kPlcCount) {
    return -1;
  }
  int first = 0;
  int last = 0;
  if (!MemoryExtent(PlaceOf(state, tag, plc), first, last)) return -1;
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    const CacheBlock& block = state.cache[slot];
    if (block.tagId != kCacheSlotFree && block.length <= kCacheBlockBytes &&
        block.plcNumber == plc && block.dbNumber == DataBlockOf(tag.address) &&
        first >= block.start && last < block.start + block.length) {
      return slot;
    }
  }
  return -1;
}

bool ExplainUnloggedRead(const DriverState& state, const Tag& tag, int plc, FailureReport& report) {
  if (tag.kind == zan::kKindStatus || plc < 0 || plc >= kPlcCount) return false;
  if (tag.kind == zan::kKindBackupHeartbeat && state.plcs[plc].backupPlc == 0) {
    report.words = "PLC " + std::to_string(plc) + " has no backup whose heartbeat it could read";
    return true;
  }
  const CacheBlock* block = CoveringBlock(state, tag, plc);
  if (block != nullptr && block->valid != 1) {
    report.words = "the cache block over it (data block " + std::to_string(block->dbNumber) +
                   ", bytes " + std::to_string(block->start) + " to " +
                   std::to_string(block->start + block->length - 1) +
                   ") holds no valid data: its cache-block tag was not read yet, or its last read "
                   "failed";
    return true;
  }
  report.outcome = "not sent";
  report.words =
      "the answer to an earlier request was still on its way; the driver took that answer and "
      "dropped it, and sends the next request";
  return true;
}

FailureReport ExplainFailure(const HostSession& session, const Tag& tag, int32_t result,
                             int32_t servedBy) {
  FailureReport report;
  const DriverState* state = session.state();
  // The PLC the request went to: the backup's heartbeat tag asks the backup of the PLC it names.
  const int requested =
      state != nullptr ? RequestedPlc(*state, tag.kind, tag.address, servedBy) : servedBy & 0xFF;
  const int plc = requested >= 0 ? requested : servedBy & 0xFF;
  const bool known = state != nullptr && plc >= 0 && plc < kPlcCount;
  TransferFailure failure;
  for (auto it = session.lastLines().rbegin(); it != session.lastLines().rend(); ++it) {
    if (ParseTransferFailure(*it, failure) && failure.address == tag.text) {
      report.line = *it;
      break;
    }
  }
  bool communication = false;  // failed for lack of communication, not refused by the PLC
  bool pairTold = false;       // the words tell what both PLCs of the pair do
  if (!report.line.empty()) {
    const bool plcRefused = failure.answer == 0 && failure.status != 0;
    report.plcRefused = plcRefused;
    report.words = TransferFailureWords(failure, PlaceOf(session, tag), session.timeoutMs());
    // A connection that broke or is down: the transport may say at which step and how.
    if (IsConnectionLost(failure.answer)) {
      const std::string step = session.TransportFailureOf(plc, failure.write);
      if (!step.empty()) report.words = step;
    }
    report.detail = plcRefused ? session.DescribePlc(plc) + " refused it: " + report.words
                               : session.DescribeEndpoint(plc) + ": " + report.words;
    communication = !plcRefused;
  } else if (known && (result == kResultUnreachable || IsPlcUnreachable(*state, plc))) {
    // Nothing logged for the tag: the request never went out.
    const int backup = state->plcs[plc].backupPlc;
    const std::string step = session.TransportFailureOf(plc);
    if (result == kResultUnreachable && backup != 0 && IsPlcUnreachable(*state, backup)) {
      const std::string backupStep = session.TransportFailureOf(backup);
      const bool waits = session.LinkRestored(plc) || session.LinkRestored(backup);
      if (waits) {
        // A connection is up again, but the driver takes neither back before its heartbeat.
        const std::string states = " (PLC " + std::to_string(plc) + " " + session.PlcWord(plc) +
                                   ", PLC " + std::to_string(backup) + " " +
                                   session.PlcWord(backup) + ")";
        report.words = "neither PLC of the pair serves" + states;
        report.detail = "neither " + session.DescribeEndpoint(plc) + " nor its backup " +
                        session.DescribeEndpoint(backup) + " serves" + states +
                        ": the driver takes a failed PLC of a pair back only when its heartbeat "
                        "tag is read";
      } else {
        report.words = "neither PLC of the pair can be reached";
        report.detail = "neither " + session.DescribeEndpoint(plc) + " nor its backup " +
                        session.DescribeEndpoint(backup) + " can be reached";
      }
      pairTold = true;
      std::string steps;
      for (const auto& [number, words] : {std::pair{plc, step}, std::pair{backup, backupStep}}) {
        if (!words.empty())
          steps += (steps.empty() ? ": PLC " : "; PLC ") + std::to_string(number) + ": " + words;
      }
      report.detail += steps;
      report.line = session.ProblemOf(backup);
    } else {
      report.words = "cannot be reached (" + session.PlcWord(plc) + ")";
      if (!step.empty()) report.words += ": " + step;
      report.detail = session.DescribeEndpoint(plc) + " " + report.words;
    }
    const std::string own = session.ProblemOf(plc);
    if (!own.empty()) report.line = own;
    communication = true;
  } else if (known && result == kResultRefused && !session.lastRequestWasWrite() &&
             ExplainUnloggedRead(*state, tag, plc, report)) {
    report.detail = session.DescribePlc(plc) + ": " +
                    (report.outcome.empty() ? "" : report.outcome + ": ") + report.words;
  } else {
    report.words = ResultWord(result);
    report.detail = ResultMeaning(result);  // "refused: the PLC answered with an error, ..."
    report.generic = true;
  }
  // The driver reports a master that fails for lack of communication as refused when its backup
  // is usable (the next request of the pair goes there), and a heartbeat tag whose PLC failed as
  // refused too: what failed is the link, and the words say so.
  if (known && report.outcome.empty() && FailedForLackOfCommunication(*state, result, plc))
    report.outcome = ResultWord(kResultUnreachable);
  // Which PLC of the pair takes the next request, from the driver's table as it stands now.
  const int master = known && state->plcs[plc].backupPlc != 0 ? plc
                     : known                                  ? MasterOf(*state, plc)
                                                              : -1;
  // Only for the pair's own tags: they name its master (a tag may name the backup directly).
  if (communication && !pairTold && master > 0 && (tag.plc & 0xFF) == master) {
    const int other = master == plc ? state->plcs[master].backupPlc : master;
    const std::string next = NextRequestWords(*state, master, plc, session.PlcWord(other));
    if (!next.empty()) {
      report.words += "; " + next;
      report.detail += "; " + next;
    }
  }
  return report;
}

std::string WhyNotConnected(const HostSession& session, int plc) {
  const std::string step = session.TransportFailureOf(plc);
  const std::string line = session.ProblemOf(plc);
  return (step.empty() ? "" : ": " + step) + (line.empty() ? "" : " (" + line + ")");
}

}  // namespace zanhost
