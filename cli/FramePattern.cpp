// Frame-number placeholders in file names, frame ranges, and the frames of
// a pattern found in its folder.
#include "FramePattern.h"

#include <dirent.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "Errors.h"

namespace vcli {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Finds a placeholder at text[i]: its length and width, or 0.
size_t PlaceholderAt(const std::string &text, size_t i, int *width) {
  if (text[i] == '#') {
    size_t n = 0;
    while (i + n < text.size() && text[i + n] == '#') ++n;
    *width = static_cast<int>(n);
    return n;
  }
  if (text[i] != '%' || i + 1 >= text.size()) return 0;
  size_t j = i + 1;
  if (text[j] == 'd') {
    *width = 0;
    return 2;
  }
  if (text[j] != '0') return 0;
  size_t k = j + 1;
  while (k < text.size() && IsDigit(text[k])) ++k;
  if (k == j + 1 || k >= text.size() || text[k] != 'd' || k - j > 3) return 0;
  int w = 0;
  std::from_chars(text.data() + j + 1, text.data() + k, w);
  *width = w;
  return k + 1 - i;
}

} // namespace

FramePattern::FramePattern(const std::string &text) : text_(text) {
  // Only the file name is searched: folder names are taken as they are.
  const size_t nameStart = text.find_last_of('/') == std::string::npos ? 0 : text.find_last_of('/') + 1;
  std::string literal = text.substr(0, nameStart);
  for (size_t i = nameStart; i < text.size();) {
    int width = 0;
    const size_t length = PlaceholderAt(text, i, &width);
    if (length == 0) {
      // "%%" stands for '%' in a pattern; it is read once the text is known
      // to be one.
      literal += text[i];
      if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') literal += text[++i];
      ++i;
      continue;
    }
    if (isPattern_) throw UsageError(text + ": more than one frame-number placeholder");
    isPattern_ = true;
    width_ = width;
    prefix_ = literal;
    literal.clear();
    i += length;
  }
  if (!isPattern_) return;
  suffix_ = literal;
  const auto unescape = [](std::string *part, size_t from) {
    for (size_t at = from; (at = part->find("%%", at)) != std::string::npos; ++at) part->erase(at, 1);
  };
  unescape(&prefix_, nameStart);
  unescape(&suffix_, 0);
}

std::string FramePattern::path(long frame) const {
  if (!isPattern_) return text_;
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*ld", width_, frame);
  return prefix_ + digits + suffix_;
}

std::vector<long> FramePattern::existingFrames() const {
  std::vector<long> frames;
  if (!isPattern_) return frames;
  const size_t slash = prefix_.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : prefix_.substr(0, slash);
  const std::string namePrefix = slash == std::string::npos ? prefix_ : prefix_.substr(slash + 1);
  DIR *dir = opendir(folder.c_str());
  if (!dir) return frames;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= namePrefix.size() + suffix_.size() || name.compare(0, namePrefix.size(), namePrefix) != 0 ||
        name.compare(name.size() - suffix_.size(), suffix_.size(), suffix_) != 0)
      continue;
    const std::string digits = name.substr(namePrefix.size(), name.size() - namePrefix.size() - suffix_.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), IsDigit)) continue;
    long frame = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), frame);
    // Only the spelling the pattern gives this number (no other padding).
    if (path(frame) == prefix_.substr(0, slash + 1) + name) frames.push_back(frame);
  }
  closedir(dir);
  std::sort(frames.begin(), frames.end());
  return frames;
}

FrameRange ParseFrameRange(const std::string &text) {
  FrameRange range;
  const size_t dash = text.find('-');
  auto number = [&](size_t begin, size_t end, long *out) {
    const auto result = std::from_chars(text.data() + begin, text.data() + end, *out);
    return begin < end && result.ec == std::errc() && result.ptr == text.data() + end && *out >= 0;
  };
  const bool ok = dash == std::string::npos
                      ? number(0, text.size(), &range.first) && (range.last = range.first, true)
                      : number(0, dash, &range.first) && number(dash + 1, text.size(), &range.last);
  if (!ok || range.last < range.first)
    throw UsageError("--frames " + text + ": expected A-B with frame numbers 0 <= A <= B, or one frame number");
  if (range.last - range.first >= 10000000) throw UsageError("--frames " + text + ": too many frames");
  return range;
}

} // namespace vcli
