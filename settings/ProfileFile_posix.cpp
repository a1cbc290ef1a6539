// Profile (INI) files on Linux, read and written the way the Windows profile
// functions do: existing keys replaced in place, new keys appended to their
// section, every other line kept byte for byte.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "SettingsPlatform.h"

// Names are compared without regard to ASCII case, blanks around names and
// values are ignored, and a file is replaced whole through a temporary file.
namespace {

// A file split into lines without their terminators; the terminator of the
// first line is kept for every line written back (CR LF for a new file).
struct ProfileLines {
  std::vector<std::string> lines;
  const char *newline = "\r\n";
};

enum class FileRead { Done, Missing, Failed };

FileRead ReadWholeFile(const char *path, std::string *text) {
  FILE *file = std::fopen(path, "rb");
  if (!file) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok ? FileRead::Done : FileRead::Failed;
}

ProfileLines SplitLines(const std::string &text) {
  ProfileLines result;
  const size_t firstBreak = text.find('\n');
  if (firstBreak != std::string::npos && (firstBreak == 0 || text[firstBreak - 1] != '\r')) result.newline = "\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    result.lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return result;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// [begin, end) of text without leading and trailing blanks.
void Trim(const std::string &text, size_t *begin, size_t *end) {
  while (*begin < *end && IsBlank(text[*begin])) ++*begin;
  while (*end > *begin && IsBlank(text[*end - 1])) --*end;
}

bool SameName(const std::string &text, size_t begin, size_t end, const char *name) {
  const size_t length = std::strlen(name);
  if (end - begin != length) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char a = static_cast<unsigned char>(text[begin + i]);
    unsigned char b = static_cast<unsigned char>(name[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// A section header "[name]" (the name runs to the last ']').
bool IsSectionHeader(const std::string &line, size_t *nameBegin, size_t *nameEnd) {
  size_t begin = 0, end = line.size();
  Trim(line, &begin, &end);
  if (begin == end || line[begin] != '[') return false;
  const size_t close = line.rfind(']', end - 1);
  if (close == std::string::npos || close <= begin) return false;
  *nameBegin = begin + 1;
  *nameEnd = close;
  Trim(line, nameBegin, nameEnd);
  return true;
}

// A "key=value" line; comment lines (';') are not keys.
bool IsKeyLine(const std::string &line, const char *key, size_t *valueBegin, size_t *valueEnd) {
  size_t begin = 0, end = line.size();
  Trim(line, &begin, &end);
  if (begin == end || line[begin] == ';' || line[begin] == '[') return false;
  const size_t equals = line.find('=', begin);
  if (equals == std::string::npos || equals >= end) return false;
  size_t keyEnd = equals;
  size_t keyBegin = begin;
  Trim(line, &keyBegin, &keyEnd);
  if (!SameName(line, keyBegin, keyEnd, key)) return false;
  *valueBegin = equals + 1;
  *valueEnd = end;
  Trim(line, valueBegin, valueEnd);
  return true;
}

// Lines [*first, *last) of the first section with this name, *first being
// the line after its header. False when there is no such section.
bool FindSection(const ProfileLines &file, const char *section, size_t *first, size_t *last) {
  for (size_t i = 0; i < file.lines.size(); ++i) {
    size_t b, e;
    if (!IsSectionHeader(file.lines[i], &b, &e) || !SameName(file.lines[i], b, e, section)) continue;
    size_t j = i + 1;
    while (j < file.lines.size() && !IsSectionHeader(file.lines[j], &b, &e)) ++j;
    *first = i + 1;
    *last = j;
    return true;
  }
  return false;
}

// The value of key in section, without surrounding blanks or one pair of
// matching quotes. False when the file, the section or the key is missing.
bool Lookup(const char *section, const char *key, const char *path, std::string *value) {
  std::string text;
  if (!path || ReadWholeFile(path, &text) != FileRead::Done) return false;
  const ProfileLines file = SplitLines(text);
  size_t first, last;
  if (!FindSection(file, section, &first, &last)) return false;
  for (size_t i = first; i < last; ++i) {
    size_t b, e;
    if (!IsKeyLine(file.lines[i], key, &b, &e)) continue;
    const std::string &line = file.lines[i];
    if (e - b >= 2 && (line[b] == '"' || line[b] == '\'') && line[e - 1] == line[b]) {
      ++b;
      --e;
    }
    value->assign(line, b, e - b);
    return true;
  }
  return false;
}

// Replaces the file at path by text: written to a temporary file in the same
// folder first, so a failed write leaves the old file whole.
bool ReplaceFile(const char *path, const std::string &text) {
  std::string temp = std::string(path) + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool closed = close(fd) == 0;
  if (written != text.size() || !closed || std::rename(temp.c_str(), path) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool HasLineBreak(const char *text) { return std::strpbrk(text, "\r\n") != nullptr; }

} // namespace

namespace SettingsPlatform {

A_long ProfileReadInt(const char *section, const char *key, A_long fallback, const char *path) {
  std::string value;
  if (!Lookup(section, key, path, &value) || value.empty()) return fallback;
  // Decimal with an optional sign; reading stops at the first other
  // character, and wraps around 32 bits as the Windows reader does.
  size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  A_u_long number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
    number = number * 10u + static_cast<A_u_long>(value[i] - '0');
  if (negative) number = 0u - number;
  return static_cast<A_long>(number);
}

void ProfileReadString(const char *section, const char *key, const char *fallback, char *out, size_t size,
                       const char *path) {
  if (size == 0) return;
  std::string value;
  if (!Lookup(section, key, path, &value)) value = fallback ? fallback : "";
  const size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
}

bool ProfileWriteString(const char *section, const char *key, const char *value, const char *path) {
  if (!path || !section || !key || !value) return false;
  // A line break or a '=' in a name, or a line break in the value, would
  // change the meaning of the file.
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || std::strchr(key, '=') ||
      std::strchr(section, ']'))
    return false;

  std::string text;
  if (ReadWholeFile(path, &text) == FileRead::Failed) return false;
  ProfileLines file = SplitLines(text);
  const std::string entry = std::string(key) + "=" + value;

  size_t first, last;
  if (FindSection(file, section, &first, &last)) {
    bool replaced = false;
    for (size_t i = first; i < last && !replaced; ++i) {
      size_t b, e;
      if (IsKeyLine(file.lines[i], key, &b, &e)) {
        file.lines[i] = entry;
        replaced = true;
      }
    }
    if (!replaced) {
      // After the section's last line that is not blank.
      size_t at = last;
      while (at > first) {
        size_t b = 0, e = file.lines[at - 1].size();
        Trim(file.lines[at - 1], &b, &e);
        if (b != e) break;
        --at;
      }
      file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
  } else {
    file.lines.push_back(std::string("[") + section + "]");
    file.lines.push_back(entry);
  }

  std::string out;
  for (const std::string &line : file.lines) {
    out += line;
    out += file.newline;
  }
  return ReplaceFile(path, out);
}

} // namespace SettingsPlatform
