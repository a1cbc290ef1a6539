// Frame sequences: file names with a frame-number placeholder (#### or
// %04d), frame ranges "A-B", and finding the frames of a pattern on disk.
#pragma once

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
  // The file of a frame (the text itself when it is no pattern).
  std::string path(long frame) const;
  // The frames whose files exist, in increasing order.
  std::vector<long> existingFrames() const;

 private:
  std::string text_;
  bool isPattern_ = false;
  std::string prefix_, suffix_;
  int width_ = 0;
};

struct FrameRange {
  long first = 0;
  long last = 0;
};

// "A-B" (A <= B) or "A", frame numbers 0 or more; UsageError otherwise.
FrameRange ParseFrameRange(const std::string &text);

} // namespace vcli
