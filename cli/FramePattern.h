// Frame sequences: file names with a frame-number placeholder (#### or
// %04d), frame ranges "A-B", and finding the frames of a pattern on disk.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vcli {

class FramePattern {
 public:
  // A run of '#' (its length is the zero-padded width) or a printf
  // conversion %d or %0Nd in the file name (not in folder names); "%%" is a
  // literal '%' there. Text without a placeholder names one file as it is.
  // UsageError for two placeholders.
  explicit FramePattern(const std::string &text);

  bool isPattern() const { return isPattern_; }
  const std::string &text() const { return text_; }
  // The file of a frame (the text itself when it is no pattern): the
  // number in full, zero-padded to the width, so no two frames share a file.
  std::string path(long frame) const;
  // The frame whose file this is, spelled exactly as path() spells it, or
  // -1 when it is none of the pattern's files.
  long frameOf(const std::string &path) const;
  // The largest frame number whose file name (the part after the last '/')
  // has at most nameMax bytes; -1 when not even frame 0's does.
  long lastFrame(size_t nameMax) const;
  // The frames whose files exist, in increasing order.
  std::vector<long> existingFrames() const;

 private:
  std::string text_;
  bool isPattern_ = false;
  std::string prefix_, suffix_;
  size_t width_ = 0;
};

constexpr long kMaxFramesPerRun = 10000000;

struct FrameRange {
  long first = 0;
  long last = 0;
};

// "A-B" (A <= B) or "A", frame numbers 0 to the largest long, at most
// kMaxFramesPerRun frames; UsageError otherwise.
FrameRange ParseFrameRange(const std::string &text);

} // namespace vcli
