// Tag files of the poll and bridge commands: one tag a line,
// "name, address, type[, count][, rw]", fields separated by commas (an address may hold blanks),
// the count optional (1). A last field "rw" lets the bridge write the tag; every other command
// reads it all the same. Blank lines and lines that start with '#' or "//" are skipped.
//
//   # name   address        type    count
//   speed,   01DW0100020,   word,           rw
//   level,   01DF0100004,   float
//   alarms,  01DW0100000,   word,   4
#ifndef ZAN_TOOLS_ZANHOST_TAGS_TAG_FILE_H_
#define ZAN_TOOLS_ZANHOST_TAGS_TAG_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

struct TagSpec {
  std::string name;
  std::string address;
  int32_t hostType = 0;
  int32_t count = 1;
  bool writable = false;  // "rw"
  int line = 0;           // in the file, from 1
};

// Parses the text of a tag file. On the first bad line returns false with "line N: reason" in
// `error`. Counts run from 1 to 1000; names and addresses must not be empty.
bool ParseTagList(const std::string& text, std::vector<TagSpec>& tags, std::string& error);

// Reads and parses a tag file; errors name the file.
bool ReadTagFile(const std::string& path, std::vector<TagSpec>& tags, std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_TAG_FILE_H_
