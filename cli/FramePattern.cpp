// Frame-number placeholders in file names, frame ranges, and the frames of
// a pattern found in its folder.
#include "FramePattern.h"

#include <dirent.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "Errors.h"

namespace vcli {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Finds a placeholder at text[i]: its length and width, or 0. Widths of any
// size are taken (too wide a one is refused when frames are named); one
// beyond any file name is kept as the largest size_t.
size_t PlaceholderAt(const std::string &text, size_t i, size_t *width) {
  if (text[i] == '#') {
    size_t n = 0;
    while (i + n < text.size() && text[i + n] == '#') ++n;
    *width = n;
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
  if (k == j + 1 || k >= text.size() || text[k] != 'd') return 0;
  size_t w = 0;
  if (std::from_chars(text.data() + j + 1, text.data() + k, w).ec != std::errc()) w = SIZE_MAX;
  *width = w;
  return k + 1 - i;
}

size_t NameStart(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

} // namespace

FramePattern::FramePattern(const std::string &text) : text_(text) {
  // Only the file name is searched: folder names are taken as they are.
  const size_t nameStart = NameStart(text);
  std::string literal = text.substr(0, nameStart);
  for (size_t i = nameStart; i < text.size();) {
    size_t width = 0;
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
  const std::string digits = std::to_string(frame);
  std::string name = prefix_;
  if (digits.size() < width_) name.append(width_ - digits.size(), '0');
  return name + digits + suffix_;
}

long FramePattern::frameOf(const std::string &path) const {
  if (!isPattern_ || path.size() <= prefix_.size() + suffix_.size() || path.compare(0, prefix_.size(), prefix_) != 0 ||
      path.compare(path.size() - suffix_.size(), suffix_.size(), suffix_) != 0)
    return -1;
  const char *first = path.data() + prefix_.size();
  const char *last = path.data() + path.size() - suffix_.size();
  long frame = 0;
  if (!std::all_of(first, last, IsDigit) || std::from_chars(first, last, frame).ec != std::errc()) return -1;
  // Only the spelling the pattern gives this number (no other padding).
  return this->path(frame) == path ? frame : -1;
}

long FramePattern::lastFrame(size_t nameMax) const {
  const size_t fixed = prefix_.size() - NameStart(prefix_) + suffix_.size();
  if (!isPattern_ || fixed >= nameMax || std::max<size_t>(width_, 1) > nameMax - fixed) return -1;
  // Names grow with the number of digits: the largest is all nines.
  long last = 0;
  for (size_t d = 0; d < nameMax - fixed; ++d) {
    if (last > (LONG_MAX - 9) / 10) return LONG_MAX;
    last = last * 10 + 9;
  }
  return last;
}

std::vector<long> FramePattern::existingFrames() const {
  std::vector<long> frames;
  if (!isPattern_) return frames;
  const size_t nameStart = NameStart(prefix_);
  const std::string folder = nameStart == 0 ? "." : nameStart == 1 ? "/" : prefix_.substr(0, nameStart - 1);
  DIR *dir = opendir(folder.c_str());
  if (!dir) return frames;
  while (const dirent *entry = readdir(dir)) {
    const long frame = frameOf(prefix_.substr(0, nameStart) + entry->d_name);
    if (frame >= 0) frames.push_back(frame);
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
    throw UsageError("--frames " + text + ": expected A-B with frame numbers 0 <= A <= B <= " +
                     std::to_string(LONG_MAX) + ", or one frame number");
  if (range.last - range.first >= kMaxFramesPerRun)
    throw UsageError("--frames " + text + ": too many frames (at most " + std::to_string(kMaxFramesPerRun) +
                     " in one run)");
  return range;
}

} // namespace vcli
