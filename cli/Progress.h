// The progress display of frame sequences: a bar redrawn in place on a
// terminal, one line per frame otherwise.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace vcli {

// "[#######.............]  12/100 frames  2.4 fps  0:37 left" (the bar is
// barWidth characters; no rate or time left before the first frame).
std::string FormatProgress(int done, int total, double elapsedSeconds, int barWidth);
// "0:07", "12:05", "1:02:03".
std::string FormatDuration(double seconds);

class ProgressBar {
 public:
  // terminal: redraw one line in place. show false: only notes are
  // printed. out null: nothing is.
  ProgressBar(std::FILE *out, int total, bool terminal, bool show);
  void frameDone();
  // Prints a line of its own (a frame's error), keeping the bar below it.
  void note(const std::string &line);
  // Clears the bar; returns the seconds since the start.
  double finish();

 private:
  void draw();
  std::FILE *out_;
  int total_;
  bool terminal_;
  bool show_;
  int done_ = 0;
  std::chrono::steady_clock::time_point start_;
};

} // namespace vcli
