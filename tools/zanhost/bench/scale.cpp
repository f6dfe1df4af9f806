#include "bench/scale.h"

#include <chrono>
#include <cstdio>

#include "output/result_words.h"
#include "tags/host_types.h"

namespace zanhost {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCacheBlockBytes = 1000;  // the most that one cache block holds
constexpr int kDataBlockBytes = 10000;  // of data blocks 10 and 11 in kBenchPlc
constexpr int kDataBlocks[] = {10, 11};

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool Define(HostSession& session, std::vector<Tag>& tags, const char* text, std::string& error) {
  Tag tag;
  tag.text = text;
  tag.hostType = kHostWord;
  if (!session.DefineTag(tag)) {
    error = "the driver refused tag " + tag.text + ": " + tag.refusal;
    return false;
  }
  tags.push_back(tag);
  return true;
}

bool ReadAll(HostSession& session, const std::vector<Tag>& tags, ValueBuffer& values,
             std::string& error) {
  for (const Tag& tag : tags) {
    const int32_t result = session.Read(tag, values, false);
    if (result != 0) {
      error = "ReadBlock of " + tag.text + " returned " + std::to_string(result) + " (" +
              ResultWord(result) + ")";
      return false;
    }
  }
  return true;
}

}  // namespace

bool PollFromCache(HostSession& session, int rounds, Progress& progress, CachePoll& poll,
                   std::string& error) {
  std::vector<Tag> blocks;
  std::vector<Tag> words;
  char text[32];
  for (const int dataBlock : kDataBlocks) {
    for (int start = 0; start < kDataBlockBytes; start += kCacheBlockBytes) {
      std::snprintf(text, sizeof text, "01TB%03d%04d%04d", dataBlock, start, kCacheBlockBytes);
      if (!Define(session, blocks, text, error)) return false;
    }
  }
  progress.Show("defining the word tags of the cache poll", 0, 1);
  for (const int dataBlock : kDataBlocks) {
    for (int byte = 0; byte < kDataBlockBytes; byte += 2) {
      std::snprintf(text, sizeof text, "01DW%03d%04d", dataBlock, byte);
      if (!Define(session, words, text, error)) return false;
    }
  }
  poll.blocks = static_cast<int>(blocks.size());
  poll.tags = static_cast<int>(words.size());
  ValueBuffer values(1);
  for (int round = 0; round < rounds; ++round) {
    progress.Show("poll rounds of word tags from cache blocks", round, rounds);
    const Clock::time_point start = Clock::now();
    if (!ReadAll(session, blocks, values, error)) return false;
    const Clock::time_point fetched = Clock::now();
    if (!ReadAll(session, words, values, error)) return false;
    poll.roundMilliseconds.push_back(MillisecondsSince(start));
    poll.servedMilliseconds.push_back(MillisecondsSince(fetched));
  }
  return true;
}

}  // namespace zanhost
