// One run of the host: the driver loaded, one instance initialised from its configuration file,
// tags defined and read, written or warm-started through ZanMain, one request at a time, and the
// driver's log lines shown as they come.
//
// Every failure a user meets is reported as one line on standard error that says what is wrong
// and what to do; the methods return false (or the driver's result) and leave the exit code to the
// command.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_HOST_SESSION_H_
#define ZAN_TOOLS_ZANHOST_SESSION_HOST_SESSION_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "core/host_interface.h"
#include "session/driver_library.h"
#include "session/driver_log.h"
#include "session/plc_list.h"
#include "session/restored_links.h"
#include "session/transport_failure.h"
#include "tags/tag_file.h"
#include "tags/tag_values.h"

namespace zanhost {

// Options that every command that talks to PLCs shares.
struct HostOptions {
  std::string driverFile;
  std::string directory = ".";  // folder of the configuration file
  int instance = 1;             // zanDOR<nn>.INT
  int timeout = 10;             // the host's time-out setting; the driver waits 10x as many ms
  bool verbose = false;         // show every log line of the driver, Init's included
  bool quiet = false;           // show no log line at all
};

// A tag as the host keeps it: what it was defined with and the TagAddress the driver gave it.
struct Tag {
  std::string name;
  std::string text;  // the address text
  int32_t hostType = 0;
  int32_t count = 1;
  int32_t tagId = 0;
  int32_t plc = 0;
  int32_t kind = 0;
  int32_t address = 0;
  uint32_t bit = 255;
  int32_t width = 0;
  std::string refusal;  // the driver's line when the tag was refused
};

// The tag of a line of a tag file, not defined yet.
Tag TagOfSpec(const TagSpec& spec);

// A heartbeat tag: both members' tags carry the master's PLC number; the type letter 1 or 2 says
// whose word it reads.
struct HeartbeatTag {
  int master = 0;
  bool backup = false;  // type "2": the backup's word
  int32_t tagId = 0;
};

// What the latest request brought besides its result and values, in the words that every output
// uses (session/request_outcome.h).
struct RequestNote {
  // The result in a word where the driver's code misleads: "unreachable" for a request that failed
  // for lack of communication although the driver returned 1; "" to take the code's own word.
  std::string outcome;
  // Why a read that returned 0 placed no value ("reconnected, no value read this round"); "" when
  // it placed one.
  std::string unread;
};

class HostSession {
 public:
  explicit HostSession(HostOptions options);

  // Loads the driver and asks it for its information.
  bool Open();
  const DriverInfo& info() const { return info_; }

  // Open() if not done, then Init of the instance from its configuration file.
  bool Init();

  // Checks that the configuration file of the instance is in the folder of --dir and makes that
  // folder the current one, where the driver looks for it (Init does this first).
  bool EnterConfigurationFolder();

  // The driver, once Open() succeeded.
  const DriverLibrary* driver() const { return driver_.get(); }

  // Shows log lines taken with TakeLog(false) on standard error as "log: ...": every line with -v,
  // none with -q, otherwise those that report a failure, or all of them when `failed`.
  void ShowLog(const std::vector<std::string>& lines, bool failed) const;

  // Init again on the instance's own state block, as a host does to start over: the driver closes
  // the connections it opened for it, frees every cache slot and connects every PLC again. Every
  // tag must be defined again afterwards. Init's log lines are not shown: they come with the next
  // TakeLog. What the driver's switchover knew of the PLCs that the configuration file keeps as
  // they were is carried over (session/switchover_carry.h), and each heartbeat tag's buffer holds
  // the word that the driver compares its next read with. The PLC list is read again from the
  // file. False, with why in `error`, when Init fails.
  bool Reinit(std::string& error);

  // ParseTagAddress, and CheckArrayTag when the tag reads more than one value. False, with the
  // driver's line in tag.refusal, when refused. A tag that has an id (tagId not 0) keeps it, as a
  // host that parses its tag again does: a cache-block tag then keeps its cache slot. What zanhost
  // refuses of a cache-block tag (a run of it, a byte type) it refuses before the driver parses
  // it, which would claim a slot that only Init frees. `show` false keeps the driver's lines about
  // the tag off standard error (a tag of zanhost's own); the lines of earlier requests stay for the
  // next TakeLog either way.
  bool DefineTag(Tag& tag, bool show = true);
  // Forgets what the session keeps of a tag that the host no longer reads: its value buffer, its
  // place among the heartbeat tags and among the tags that ReachBackup may ask a PLC with.
  void ForgetTag(int32_t tagId);
  // The heartbeat tags (kinds 0x31 and 0x32) that DefineTag had accepted.
  const std::vector<HeartbeatTag>& heartbeatTags() const { return heartbeatTags_; }
  // The value buffers that the session keeps, one a tag that ReadValues read.
  std::size_t valueBuffers() const { return buffers_.size(); }

  // One read or write of a defined tag with a fresh TagItem made from its TagAddress: ReadValue or
  // WriteValue when `single`, else ReadBlock or WriteBlock of tag.count values. `servedBy`
  // receives the PLC number that the item names afterwards (the backup after a switchover).
  int32_t Read(const Tag& tag, ValueBuffer& values, bool single, int32_t* servedBy = nullptr);
  int32_t Write(const Tag& tag, ValueBuffer& values, bool single, int32_t* servedBy = nullptr);

  // Whether the latest Read or Write was a write.
  bool lastRequestWasWrite() const { return lastWasWrite_; }

  // A ReadBlock of the tag with its values decoded: tag.count values, one for a string, a bit tag's
  // bit taken from each word. `values` is emptied and stays empty unless the read returns 0 and
  // placed a value (lastRequest().unread says why not). As a SCADA host keeps a value cell per tag,
  // each tag reads into a buffer of its own that keeps what it held between reads: a heartbeat
  // tag's reader compares the word it finds there when it reads none.
  int32_t ReadValues(const Tag& tag, std::vector<TagValue>& values, int32_t* servedBy = nullptr);
  // What the latest Read, Write or ReadValues brought besides its result.
  const RequestNote& lastRequest() const { return lastRequest_; }

  // WarmStart of a PLC; `plc` may come back as the backup's number. Its log lines come with the
  // next TakeLog, and stay in warmStartLines(). Where it restarted the backup of a pair whose two
  // PLCs the driver counts failed, and no backup's heartbeat tag of the pair is defined (which
  // would reconnect it), the backup is asked once directly with a tag of the pair, so that the
  // driver records its link from a real answer and the pair is served again (by the backup; the
  // master returns through its heartbeat tag).
  int32_t WarmStart(int32_t& plc);
  const std::vector<std::string>& warmStartLines() const { return warmStartLines_; }

  // A PLC's state in words (session/plc_state_words.h), "unknown" before Init, with what the host
  // saw of it: a late answer to its latest request, a reconnect by its heartbeat tag that read no
  // word yet.
  std::string PlcWord(int plc) const;
  // Whether the latest request of the PLC found no answer within the time-out: its read or write
  // timed out, or the transport held it back behind a late answer to an earlier one.
  bool NoAnswer(int plc) const { return noAnswer_.count(plc) != 0; }
  // Whether the driver counts the PLC failed although its connection came up again since
  // (session/restored_links.h).
  bool LinkRestored(int plc) const { return links_.restored(plc); }
  // Whether a warm start can bring the PLC back (it cannot be reached and does not merely wait for
  // its heartbeat); false before Init.
  bool NeedsWarmStart(int plc) const;
  // NeedsWarmStart of each PLC of the configuration file, by number.
  std::map<int, bool> PlcsToWarmStart() const;

  // The status value of a PLC (its status tag "!nn"), or -1 when the read fails.
  int StatusOf(int plc);

  // The log lines of the driver since the last call, shown on standard error unless quiet.
  std::vector<std::string> TakeLog(bool show = true);
  // The log lines of Init, and those of the latest TakeLog.
  const std::vector<std::string>& initLog() const { return initLog_; }
  const std::vector<std::string>& lastLines() const { return lastLines_; }
  // The latest line of the driver that reports a failure of PLC `plc` (a connection, a restart),
  // from the latest TakeLog or else from Init; "" when there is none. Lines about other PLCs are
  // never taken for it.
  std::string ProblemOf(int plc) const;

  // What the transport library says failed on the connections of PLC `plc` (the S5 write
  // connection first when `write`), without the address and port: "connection request rejected by
  // the PLC: disconnect request (TSAPs sent: ...)". "" when the library does not tell its failures
  // (another transport library than ours) or knows none.
  std::string TransportFailureOf(int plc, bool write = false) const;
  // Whether the transport library tells its failures.
  bool transportTellsFailures() const {
    return transportFailures_ != nullptr && transportFailures_->available();
  }

  // The configured PLCs after Init and how many of them are connected (link state 0).
  struct Connections {
    int configured = 0;
    std::vector<int> unreachable;  // link down or never connected
  };
  Connections CountConnections() const;

  // The driver's time-out in milliseconds (from -t), 0 before Init.
  int timeoutMs() const;

  // The PLCs that the configuration file lists (for status views and error lines).
  const std::vector<ListedPlc>& plcs() const { return plcs_; }
  // "PLC 1 (S7 at 127.0.0.1)", from the driver's table after Init.
  std::string DescribePlc(int number) const;
  // The same with where the transport connects it: "PLC 1 (S7 at 127.0.0.1 port 10102, slot 2)",
  // "PLC 3 (S5 at 127.0.0.3 port 102, TSAPs KORVEL, KORREAD, KORWRITE)".
  std::string DescribeEndpoint(int number) const;
  std::string configurationPath() const { return configurationPath_; }

  // The instance's state block after Init (the host's memory: the PLC table and each PLC's link
  // state as the driver keeps them), or nullptr before.
  const DriverState* state() const { return instance_ ? &instance_->state() : nullptr; }

  // Turns off showing log lines (the live table shows them itself).
  void set_quiet(bool quiet) { options_.quiet = quiet; }

  // Closes the driver's transport (command 11), which ends every connection; nothing is read or
  // written afterwards.
  void Close();

 private:
  int32_t Exchange(int32_t command, const Tag& tag, ValueBuffer& values, int32_t* servedBy);
  // Takes what the driver's new lines tell (connections up or failed) before they are handed out.
  void Absorb(const std::vector<std::string>& lines);
  // The driver's lines since the last take: kept for the next TakeLog (Hold), or taken as the
  // lines of the request just made (TakeOwnLines).
  void HoldNewLines();
  std::vector<std::string> TakeOwnLines();
  // Prints lines as "log: ..." on standard error, unless quiet.
  void PrintLines(const std::vector<std::string>& lines) const;
  // Notes what the request of `tag` did: lastRequest_, the PLCs without answer, the heartbeat
  // reconnects. `before` is the heartbeat link state before it (HeartbeatLinkState).
  void NoteRequest(const Tag& tag, bool read, int32_t result, int32_t servedBy, int before,
                   const std::vector<std::string>& lines);
  // The backup of a pair whose two PLCs failed asked once directly (WarmStart).
  void ReachBackup(int master);
  // Sends Init to the instance; false, with why in `error`, when the driver refused it or has no
  // transport library. `show`: Init's lines are shown as `init` shows them; otherwise they are kept
  // for the next TakeLog.
  bool SendInit(bool show, std::string& error);

  HostOptions options_;
  DriverLog log_;
  std::unique_ptr<DriverLibrary> driver_;
  std::unique_ptr<DriverInstance> instance_;
  std::unique_ptr<TransportFailures> transportFailures_;  // after Init
  DriverInfo info_{};
  std::vector<ListedPlc> plcs_;
  std::string configurationPath_;
  std::vector<std::string> lastLines_;
  std::vector<std::string> initLog_;
  std::vector<std::string> pendingLines_;  // taken from the log already, for the next TakeLog
  RestoredLinks links_;
  std::vector<HeartbeatTag> heartbeatTags_;
  // By PLC, by tag id: the tags of it that read plain data (ReachBackup asks with the first).
  std::map<int, std::map<int32_t, Tag>> plainTags_;
  std::map<int32_t, ValueBuffer> buffers_;  // by tag id: each tag's value buffer
  RequestNote lastRequest_;
  std::set<int> noAnswer_;         // PLCs whose latest request found no answer in time
  std::set<int> heartbeatUnread_;  // PLCs reconnected by their heartbeat tag, no word read since
  std::vector<std::string> warmStartLines_;
  int32_t nextTagId_ = 1;
  bool lastWasWrite_ = false;
};

// The values of `tag` in the buffer of a ReadBlock, from value number `first` on: tag.count of
// them, one for a string; a bit tag takes its bit from each word, as the host does.
std::vector<TagValue> DecodeReadValues(const ValueBuffer& buffer, const Tag& tag,
                                       int32_t first = 0);

// Whether an address text names a cache block (area T), which claims a cache slot as the driver
// parses it.
bool NamesCacheBlock(const std::string& address);

// The address of a cache-block tag with no bytes: parsed again with its tag id, it parks the tag's
// slot, which then holds nothing (only Init frees a slot).
std::string ParkedBlockAddress(const std::string& address);

// "PLC 1 (S7 at 127.0.0.1 port 10102, slot 2)", "PLC 3 (S5 at 127.0.0.3 port 102, TSAPs KORVEL,
// KORREAD, KORWRITE)": a configured PLC of the driver's table and where the transport connects it
// (`port`).
std::string DescribePlcEndpoint(const PlcEntry& plc, int number, int port);

// Whether a log line of the driver reports a failure ("Fail", "FAIL", "Illegal", "not found").
bool IsProblemLine(const std::string& line);

// Whether a log line names PLC `plc` as the driver's connection lines do ("Plc #3 ", "Plc #3,").
bool MentionsPlc(const std::string& line, int plc);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_HOST_SESSION_H_
