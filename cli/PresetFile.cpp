// Reading a preset in one pass: lines are split as they are read, only the
// first bytes of overlong lines are kept, and the wanted keys of the section
// are kept with their values, so time follows the file's size once and
// memory the values kept.
#include "PresetFile.h"

#include <algorithm>
#include <cstring>

#include "Errors.h"
#include "InputFile.h"

namespace vcli {

namespace {

// Enough for any key and a value of the longest size taken, blanks around.
constexpr size_t kMaxKeptLine = 64 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string &text, size_t begin, size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Splits text into lines as it arrives, keeping at most kMaxKeptLine bytes
// of each.
template <typename Take> class LineSplitter {
 public:
  explicit LineSplitter(Take take) : take_(take) {}
  // False once the taker wants no more lines.
  bool add(const char *data, size_t size) {
    for (size_t at = 0; at < size;) {
      const char *newline = static_cast<const char *>(std::memchr(data + at, '\n', size - at));
      const size_t end = newline ? static_cast<size_t>(newline - data) : size;
      const size_t room = kMaxKeptLine - line_.size();
      line_.append(data + at, std::min(end - at, room));
      cut_ = cut_ || end - at > room;
      if (!newline) return true;
      if (!finishLine()) return false;
      at = end + 1;
    }
    return true;
  }
  void end() {
    if (!line_.empty() || cut_) finishLine();
  }

 private:
  bool finishLine() {
    if (!cut_ && !line_.empty() && line_.back() == '\r') line_.pop_back();
    const bool more = take_(line_, cut_);
    line_.clear();
    cut_ = false;
    return more;
  }
  Take take_;
  std::string line_;
  bool cut_ = false;
};

} // namespace

PresetFile::PresetFile(const std::string &path, const std::string &section, const std::vector<std::string> &keys)
    : section_(Lower(section)) {
  for (const std::string &key : keys) wanted_.insert(Lower(key));
  const InputFile file(path, "preset");
  LineSplitter split([this](const std::string &line, bool cut) { return takeLine(line, cut); });
  std::string buffer(64 * 1024, '\0');
  for (uint64_t at = 0;;) {
    const size_t n = file.read(at, &buffer[0], buffer.size());
    if (n == 0) break;
    if (!split.add(buffer.data(), n)) return;
    at += n;
  }
  split.end();
}

bool PresetFile::takeLine(const std::string &line, bool cut) {
  size_t begin = 0, end = line.size();
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  if (begin == end) return true;
  if (line[begin] == '[') {
    // A section header "[name]": the name runs to the last ']'.
    const size_t close = line.rfind(']', end - 1);
    if (close != std::string::npos && close > begin) {
      if (state_ == State::In) {
        state_ = State::After;
        return false;
      }
      if (Lower(Trimmed(line, begin + 1, close)) == section_) state_ = State::In;
    }
    return true;
  }
  if (state_ != State::In || line[begin] == ';') return true;
  const size_t equals = line.find('=', begin);
  if (equals == std::string::npos || equals >= end) return true;
  std::string key = Lower(Trimmed(line, begin, equals));
  if (!wanted_.count(key)) return true;
  Entry entry;
  entry.tooLong = cut;
  if (!cut) {
    entry.value = Trimmed(line, equals + 1, end);
    const std::string &v = entry.value;
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) entry.value = v.substr(1, v.size() - 2);
    entry.tooLong = entry.value.size() > kMaxPresetValue;
    if (entry.tooLong) entry.value.clear();
  }
  // The first line of a key counts.
  entries_.emplace(std::move(key), std::move(entry));
  return true;
}

const std::string *PresetFile::find(const std::string &key) const {
  const auto found = entries_.find(Lower(key));
  if (found == entries_.end()) return nullptr;
  if (found->second.tooLong)
    throw UsageError(key + ": the value is longer than " + std::to_string(kMaxPresetValue) +
                     " bytes, more than any value of it needs");
  if (found->second.value.find('\0') != std::string::npos)
    throw UsageError(key + ": the value holds a NUL byte");
  return &found->second.value;
}

} // namespace vcli
