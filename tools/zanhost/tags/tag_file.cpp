#include "tags/tag_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tags/blanks.h"
#include "tags/host_types.h"

namespace zanhost {

namespace {

constexpr int32_t kMaxCount = 1000;  // the longest run of values the driver reads in one request

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, ','))
    fields.push_back(TrimBlanks(field));
  return fields;
}

bool IsWritableMark(const std::string& field) {
  return field == "rw" || field == "RW";
}

}  // namespace

bool ParseTagList(const std::string& text, std::vector<TagSpec>& tags, std::string& error) {
  std::stringstream stream(text);
  std::string line;
  int number = 0;
  while (std::getline(stream, line)) {
    ++number;
    const std::string trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed[0] == '#' || trimmed.rfind("//", 0) == 0) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    std::vector<std::string> fields = SplitFields(trimmed);
    TagSpec tag;
    if (fields.size() > 3 && IsWritableMark(fields.back())) {
      tag.writable = true;
      fields.pop_back();
    }
    if (fields.size() < 3 || fields.size() > 4) {
      error = where + "want \"name, address, type[, count][, rw]\", found " +
              std::to_string(fields.size() + (tag.writable ? 1 : 0)) + " fields";
      return false;
    }
    tag.line = number;
    tag.name = fields[0];
    tag.address = fields[1];
    if (tag.name.empty() || tag.address.empty()) {
      error = where + "the name and the address must not be empty";
      return false;
    }
    if (!ParseHostType(fields[2], tag.hostType)) {
      error = where + "unknown type \"" + fields[2] + "\" (" + HostTypeChoices() + ")";
      return false;
    }
    if (fields.size() == 4) {
      char* end = nullptr;
      long count = std::strtol(fields[3].c_str(), &end, 10);
      if (fields[3].empty() || *end != '\0' || count < 1 || count > kMaxCount) {
        error = where + "the count \"" + fields[3] + "\" is not from 1 to 1000";
        return false;
      }
      tag.count = static_cast<int32_t>(count);
    }
    tags.push_back(tag);
  }
  if (tags.empty()) {
    error = "no tag in it";
    return false;
  }
  return true;
}

bool ReadTagFile(const std::string& path, std::vector<TagSpec>& tags, std::string& error) {
  std::error_code ignored;
  const std::string full = std::filesystem::absolute(path, ignored).string();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "tag file " + full + " not found";
    return false;
  }
  std::stringstream text;
  text << file.rdbuf();
  if (!ParseTagList(text.str(), tags, error)) {
    error = "tag file " + full + ", " + error;
    return false;
  }
  return true;
}

}  // namespace zanhost
