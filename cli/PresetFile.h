// Preset files in the stored-defaults INI format, read once into the keys of
// one section with their whole values. Keys are found the way the plug-in's
// profile reader finds them: names compared without regard to ASCII case,
// blanks around names and values ignored, one pair of quotes taken off, and
// only the first section of the name and the first line of a key counting.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vcli {

// The longest value a preset may give: far more than any valid value needs.
// A longer one is refused, never cut.
constexpr size_t kMaxPresetValue = 1024;

class PresetFile {
 public:
  // Reads these keys of section from the file at path (others are passed
  // over). Failure when it cannot be read or is not a regular file.
  PresetFile(const std::string &path, const std::string &section, const std::vector<std::string> &keys);
  // The value of key, or null when the section has no such key. UsageError
  // "KEY: PROBLEM" when the value cannot be taken whole: longer than
  // kMaxPresetValue bytes, or holding a NUL byte.
  const std::string *find(const std::string &key) const;

 private:
  struct Entry {
    std::string value;
    bool tooLong = false;
  };
  // Takes one line (terminator removed; cut true when only its start was
  // kept). False once the section has ended: the rest can be skipped.
  bool takeLine(const std::string &line, bool cut);

  std::string section_;
  enum class State { Before, In, After } state_ = State::Before;
  std::unordered_set<std::string> wanted_;          // lower-case keys
  std::unordered_map<std::string, Entry> entries_;  // by lower-case key
};

} // namespace vcli
