// The render, demo and about commands: read, map to the working depth,
// render through the effect instance, map back and write; frame sequences
// with progress, frame errors reported and the others still rendered.
#include "Commands.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "EffectInstance.h"
#include "Errors.h"
#include "FramePattern.h"
#include "ImageIO.h"
#include "Progress.h"
#include "SyntheticFrame.h"
#include "ValueMapping.h"

namespace vcli {

namespace {

constexpr int kDemoWidth = 1920;
constexpr int kDemoHeight = 1080;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads, renders and writes one frame at the working format; the size and
// format of the first frame are kept and later frames must match the size.
struct FrameRenderer {
  EffectInstance &instance;
  int depth;  // 0 until the first frame fixes it, unless given
  uint64_t maxPixels;
  int width = 0, height = 0;

  void render(const std::string &input, const std::string &output) {
    Raster raster = ReadImage(input, maxPixels);
    if (width == 0) {
      width = raster.width;
      height = raster.height;
    } else if (raster.width != width || raster.height != height) {
      throw Failure(input + ": frame size " + std::to_string(raster.width) + " x " + std::to_string(raster.height) +
                    " differs from the sequence's " + std::to_string(width) + " x " + std::to_string(height));
    }
    if (depth == 0) depth = WorkingDepth(DefaultWorkingFormat(raster.kind));
    const PF_PixelFormat format = WorkingFormatOfDepth(depth);
    CheckFormatHolds(output, FileKindOfWorking(format));
    vemu::Image working = ToWorking(raster, format);
    raster = Raster();  // its memory is not needed while the effect renders
    WriteImage(output, instance.render(working));
  }
};

void Say(std::FILE *status, bool quiet, const std::string &line) {
  if (status && !quiet) std::fprintf(status, "%s\n", line.c_str());
}

std::string SizeText(int width, int height, int depth) {
  return std::to_string(width) + " x " + std::to_string(height) + ", " + std::to_string(depth) +
         (depth == 32 ? "-bit float" : "-bit");
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

// The frames of a run: a range, or the frames found on disk.
struct FrameList {
  FrameRange range{0, -1};
  std::vector<long> found;  // when not a range
  bool isRange = false;

  size_t size() const { return isRange ? static_cast<size_t>(range.last - range.first) + 1 : found.size(); }
  long at(size_t i) const { return isRange ? range.first + static_cast<long>(i) : found[i]; }
  long last() const { return isRange ? range.last : found.back(); }
  bool contains(long frame) const {
    return isRange ? frame >= range.first && frame <= range.last
                   : std::binary_search(found.begin(), found.end(), frame);
  }
};

// The pattern with its folder resolved (links, "." and ".."), so that two
// spellings of one folder compare equal; as given when it cannot be.
FramePattern Resolved(const FramePattern &pattern) {
  const std::string &text = pattern.text();
  const size_t slash = text.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
  char *real = realpath(folder.c_str(), nullptr);
  if (!real) return pattern;
  std::string resolved = real;
  std::free(real);
  if (resolved.back() != '/') resolved += '/';
  return FramePattern(resolved + text.substr(slash == std::string::npos ? 0 : slash + 1));
}

std::string FolderText(const FramePattern &pattern) {
  const size_t slash = pattern.text().find_last_of('/');
  return slash == std::string::npos ? "." : pattern.text().substr(0, slash + 1);
}

// UsageError unless every frame's file name fits the file system. Frame
// numbers are written in full, so two frames never share an output file.
void CheckSequenceNames(const FramePattern &in, const FramePattern &out, const FrameList &frames) {
  const struct {
    const char *role;
    const FramePattern &pattern;
  } sides[] = {{"IN", in}, {"OUT", out}};
  for (const auto &side : sides) {
    const size_t limit = FileNameLimit(side.pattern.text());
    const long last = side.pattern.lastFrame(limit);
    if (last < 0)
      throw UsageError(std::string(side.role) + " " + side.pattern.text() +
                       ": its file names would be longer than the " + std::to_string(limit) +
                       " bytes a file name can have there");
    if (frames.last() > last)
      throw UsageError(std::string(side.role) + " " + side.pattern.text() + ": frame " +
                       std::to_string(frames.last()) + " is past the largest frame number its file names can hold (" +
                       std::to_string(last) + ")");
  }
}

// UsageError when a frame would write over the input of another frame of
// the run (which that frame reads, or has read, as its source). Only
// patterns in one folder can name the same file.
void CheckNoFrameWritesAnothersInput(const RenderCommand &command, const FramePattern &in, const FramePattern &out,
                                     const FrameList &frames) {
  const FramePattern resolvedIn = Resolved(in), resolvedOut = Resolved(out);
  if (FolderText(resolvedIn) != FolderText(resolvedOut)) return;
  for (size_t i = 0; i < frames.size(); ++i) {
    const long frame = frames.at(i);
    const long other = resolvedIn.frameOf(resolvedOut.path(frame));
    if (other >= 0 && other != frame && frames.contains(other))
      throw UsageError("OUT " + command.output + ": frame " + std::to_string(frame) + " would be written over " +
                       in.path(other) + ", the input of frame " + std::to_string(other));
  }
}

int RenderSequence(EffectInstance &instance, const FramePattern &in, const FramePattern &out,
                   const FrameList &frames, const CommonOptions &options, std::FILE *status) {
  FrameRenderer renderer{instance, options.depth, options.maxPixels ? options.maxPixels : DefaultPixelLimit()};
  const bool terminal = status && isatty(fileno(status));
  ProgressBar progress(status, static_cast<int>(frames.size()), terminal, !options.quiet);
  size_t failed = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    const long frame = frames.at(i);
    try {
      renderer.render(in.path(frame), out.path(frame));
    } catch (const Failure &e) {
      ++failed;
      progress.note("vortane: frame " + std::to_string(frame) + ": " + OneLine(e.what()));
    } catch (const UsageError &) {
      // The output format cannot hold the sequence's depth: no frame can.
      progress.finish();
      throw;
    }
    progress.frameDone();
  }
  const double seconds = progress.finish();
  const size_t rendered = frames.size() - failed;
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.2f", seconds > 0.0 ? rendered / seconds : 0.0);
  Say(status, options.quiet,
      "rendered " + std::to_string(rendered) + " of " + std::to_string(frames.size()) + " frames in " +
          FormatDuration(seconds) + " (" + rate + " fps)" +
          (renderer.width ? ", " + SizeText(renderer.width, renderer.height, renderer.depth) : ""));
  if (failed && status) std::fprintf(status, "vortane: %zu of %zu frames failed\n", failed, frames.size());
  return failed ? kExitFailure : 0;
}

std::string PixelText(const PF_Pixel &p) {
  return std::to_string(p.red) + "," + std::to_string(p.green) + "," + std::to_string(p.blue);
}

} // namespace

void ApplyOptions(EffectInstance &instance, const CommonOptions &options) {
  std::vector<ParamValue> values;
  if (!options.preset.empty()) values = ReadPreset(options.preset, instance.catalog());
  for (const std::string &assignment : options.sets) values.push_back(instance.catalog().parseAssignment(assignment));
  for (const ParamValue &value : values) instance.apply(value);
}

void RenderFile(EffectInstance &instance, const std::string &input, const std::string &output, int depth) {
  FrameRenderer{instance, depth, DefaultPixelLimit()}.render(input, output);
}

int RunRender(const RenderCommand &command, std::FILE *status) {
  const FramePattern in(command.input), out(command.output);
  if (in.isPattern() != out.isPattern())
    throw UsageError("IN and OUT must both be frame patterns (#### or %04d) or both single files");
  if (!in.isPattern() && !command.frames.empty())
    throw UsageError("--frames needs IN and OUT with a frame-number placeholder (#### or %04d)");
  FormatOfPath(command.output);
  if (command.options.depth)
    CheckFormatHolds(command.output, FileKindOfWorking(WorkingFormatOfDepth(command.options.depth)));
  CheckOutputFolder(out.path(0));

  FrameList frames;
  if (in.isPattern()) {
    if (!command.frames.empty()) {
      frames.isRange = true;
      frames.range = ParseFrameRange(command.frames);
    } else {
      frames.found = in.existingFrames();
      if (frames.found.empty()) throw Failure("no files match " + command.input);
    }
    CheckSequenceNames(in, out, frames);
    // A range none of whose files exist is reported at once, not frame by
    // frame.
    if (frames.isRange) {
      const std::vector<long> found = in.existingFrames();
      if (std::none_of(found.begin(), found.end(), [&](long f) { return frames.contains(f); }))
        throw Failure("no files match " + command.input + " in frames " + command.frames);
    }
    CheckNoFrameWritesAnothersInput(command, in, out, frames);
  } else {
    CheckOutputName(command.output);
  }

  EffectInstance instance(command.options.threads);
  ApplyOptions(instance, command.options);
  if (in.isPattern()) return RenderSequence(instance, in, out, frames, command.options, status);

  const auto start = std::chrono::steady_clock::now();
  FrameRenderer renderer{instance, command.options.depth,
                         command.options.maxPixels ? command.options.maxPixels : DefaultPixelLimit()};
  renderer.render(command.input, command.output);
  Say(status, command.options.quiet,
      "wrote " + command.output + " (" + SizeText(renderer.width, renderer.height, renderer.depth) + ") in " +
          Seconds(SecondsSince(start)));
  return 0;
}

std::vector<std::string> DemoSettings(int width, int height) {
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(width, height);
  // Blur lengths in pixels at 1920 x 1080, one per group: long rays from the
  // sun, shorter streaks on the hill, the coat and the grass.
  const double blur[4] = {90.0, 45.0, 60.0, 35.0};
  const double scale = width / 1920.0;
  std::vector<std::string> settings;
  for (int g = 0; g < 4; ++g) {
    const std::string group = std::to_string(g + 1) + " : ";
    const vemu::SyntheticGroup &s = scene.groups[g];
    settings.push_back(group + "Enable Color Group=on");
    settings.push_back(group + "Color B=" + PixelText(s.colorB));
    settings.push_back(group + "Color A=" + PixelText(s.colorA));
    settings.push_back(group + "Blur Center=" + FormatNumber(s.centerX) + "," + FormatNumber(s.centerY));
    settings.push_back(group + "Blur Amount=" + FormatNumber(blur[g] * scale));
    settings.push_back(group + "Range=8");
  }
  return settings;
}

int RunDemo(const std::string &output, const CommonOptions &options, std::FILE *status) {
  FormatOfPath(output);
  CheckOutputName(output);
  const int depth = options.depth ? options.depth : 8;
  CheckFormatHolds(output, FileKindOfWorking(WorkingFormatOfDepth(depth)));
  CheckOutputFolder(output);

  EffectInstance instance(options.threads);
  CommonOptions demo = options;
  demo.sets = DemoSettings(kDemoWidth, kDemoHeight);
  demo.sets.insert(demo.sets.end(), options.sets.begin(), options.sets.end());
  ApplyOptions(instance, demo);

  const auto start = std::chrono::steady_clock::now();
  const Raster frame = FromWorking(vemu::SyntheticCelFrame(kDemoWidth, kDemoHeight));
  vemu::Image working = ToWorking(frame, WorkingFormatOfDepth(depth));
  WriteImage(output, instance.render(working));
  Say(status, options.quiet,
      "wrote " + output + " (" + SizeText(kDemoWidth, kDemoHeight, depth) + ") in " + Seconds(SecondsSince(start)));
  return 0;
}

int RunAbout(std::FILE *out) {
  vemu::Host host(&EntryPointFunc);
  PF_Err err = host.about();
  if (err != PF_Err_NONE) throw Failure("the plug-in refused the about command (error " + std::to_string(err) + ")");
  std::string text = host.returnMessage();
  for (char &c : text)
    if (c == '\r') c = '\n';
  std::fprintf(out, "%s\n\n", text.c_str());
  err = host.globalSetup();
  if (err != PF_Err_NONE) throw Failure("global setup failed (error " + std::to_string(err) + ")");
  const PF_OutData &data = host.outData();
  std::fprintf(out, "version    0x%08X (%u)\nout_flags  0x%08X\nout_flags2 0x%08X\n", data.my_version, data.my_version,
               static_cast<unsigned>(data.out_flags), static_cast<unsigned>(data.out_flags2));
  host.globalSetdown();
  return 0;
}

} // namespace vcli
