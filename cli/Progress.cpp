// Progress of frame sequences: frames done, frames per second, time left.
#include "Progress.h"

#include <algorithm>
#include <cmath>

namespace vcli {

std::string FormatDuration(double seconds) {
  const long total = static_cast<long>(std::lround(std::max(0.0, seconds)));
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

std::string FormatProgress(int done, int total, double elapsedSeconds, int barWidth) {
  const int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * barWidth / total) : barWidth;
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(barWidth - filled), '.') + "]";
  char text[96];
  std::snprintf(text, sizeof text, " %d/%d frames", done, total);
  line += text;
  if (done > 0 && elapsedSeconds > 0.0) {
    const double fps = done / elapsedSeconds;
    std::snprintf(text, sizeof text, "  %.2f fps  %s left", fps, FormatDuration((total - done) / fps).c_str());
    line += text;
  }
  return line;
}

ProgressBar::ProgressBar(std::FILE *out, int total, bool terminal, bool show)
    : out_(out), total_(total), terminal_(terminal && show), show_(show), start_(std::chrono::steady_clock::now()) {
  if (terminal_) draw();
}

void ProgressBar::draw() {
  if (!out_ || !show_) return;
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const std::string line = FormatProgress(done_, total_, elapsed, 30);
  if (terminal_) std::fprintf(out_, "\r\033[K%s", line.c_str());
  else std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

void ProgressBar::frameDone() {
  ++done_;
  draw();
}

void ProgressBar::note(const std::string &line) {
  if (!out_) return;
  std::fprintf(out_, terminal_ ? "\r\033[K%s\n" : "%s\n", line.c_str());
  if (terminal_) draw();
  std::fflush(out_);
}

double ProgressBar::finish() {
  if (out_ && terminal_) {
    std::fprintf(out_, "\r\033[K");
    std::fflush(out_);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

} // namespace vcli
