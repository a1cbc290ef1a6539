// vortane: applies the effect to image files and frame sequences by driving
// the plug-in through its entry point with the host emulator. Commands:
// render, demo, params, about. Exit status 2 for usage errors, 1 for
// failures.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <exception>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "Commands.h"
#include "Errors.h"
#include "ImageIO.h"

namespace {

// Numbers on the command line are plain decimal digits: no sign, blanks or
// fraction, and not empty.
const CLI::Validator kWholeNumber(
    [](std::string &text) -> std::string {
      if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return "\"" + text + "\" is not a whole number";
      return "";
    },
    "");

// An option or argument given with an empty value is refused rather than
// taken as not given.
void RefuseEmptyValues(const CLI::App *command) {
  for (const CLI::Option *option : command->get_options()) {
    for (const std::string &value : option->results())
      if (value.empty())
        throw vcli::UsageError(option->get_name() + ": an empty value is not allowed");
  }
}

void AddCommonOptions(CLI::App *command, vcli::CommonOptions *options) {
  command
      ->add_option("--set", options->sets,
                   "Set a parameter by its display name, NAME=VALUE (repeatable), for example "
                   "--set \"View=Extract\" --set \"1 : Blur Amount=25\" --set \"2 : Color B=#3366cc\" "
                   "--set \"3 : Blur Center=960,540\"")
      ->allow_extra_args(false)
      ->type_name("NAME=VALUE");
  command->add_option("--preset", options->preset,
                      "INI file of parameter values in the stored-defaults format; --set overrides it");
  command->add_option("--depth", options->depth, "Working depth 8, 16 or 32 (default: the input file's)")
      ->check(kWholeNumber)
      ->check(CLI::IsMember({8, 16, 32}));
  command->add_option("--threads", options->threads, "Worker threads of the emulated host (default: all processors)")
      ->check(kWholeNumber)
      ->check(CLI::Range(1, 1024));
  command->add_flag("--quiet,-q", options->quiet, "Show no progress or summary, only errors");
}

// A frame's buffers (the file's samples, the working image, the effect's
// output) are each several MiB, above the size glibc would map afresh for
// every one and unmap when freed; each new mapping is then faulted in page by
// page again. Kept in the heap instead, a freed buffer's pages serve the next
// one: a full-HD 8-bit render touches a quarter fewer pages.
void KeepLargeBuffersInTheHeap() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // glibc's largest
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

} // namespace

int main(int argc, char **argv) {
  KeepLargeBuffersInTheHeap();
  CLI::App app{"vortane: the Vortane effect on image files, through the plug-in's own entry point", "vortane"};
  app.require_subcommand(1);

  CLI::App *about = app.add_subcommand("about", "Show what the plug-in tells a host at start-up");

  vcli::RenderCommand render;
  CLI::App *renderCommand = app.add_subcommand(
      "render", "Render an image file, or a frame sequence when IN and OUT hold #### or %04d");
  renderCommand->add_option("IN", render.input, "Input PNG, TIFF or OpenEXR file, or frame pattern")->required();
  renderCommand->add_option("OUT", render.output, "Output file (.png, .tif, .exr), or frame pattern")->required();
  renderCommand->add_option("--frames", render.frames,
                            "Frames A-B of a sequence (default: every input frame found)");
  AddCommonOptions(renderCommand, &render.options);
  const std::string pixelsHelp = "Refuse input images of more than N pixels (default " +
                                 std::to_string(vcli::DefaultPixelLimit()) + ", from this machine's memory)";
  renderCommand->add_option("--max-pixels", render.options.maxPixels, pixelsHelp)
      ->check(kWholeNumber)
      ->check(CLI::Range(uint64_t{1}, uint64_t{1} << 40));

  std::string demoOutput;
  vcli::CommonOptions demoOptions;
  CLI::App *demo = app.add_subcommand("demo", "Render the built-in 1920 x 1080 cel frame with all four groups");
  demo->add_option("OUT", demoOutput, "Output file (.png, .tif, .exr)")->required();
  AddCommonOptions(demo, &demoOptions);

  bool json = false;
  CLI::App *params = app.add_subcommand("params", "List the parameters as the plug-in registers them");
  params->add_flag("--json", json, "Print JSON instead of a table");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp &e) {
    return app.exit(e);
  } catch (const CLI::ParseError &e) {
    std::fprintf(stderr, "vortane: %s (see vortane --help)\n", vcli::OneLine(e.what()).c_str());
    return vcli::kExitUsage;
  }

  try {
    for (const CLI::App *command : {about, renderCommand, demo, params})
      if (*command) RefuseEmptyValues(command);
    vcli::InstallInterruptCleanup();
    if (*about) return vcli::RunAbout(stdout);
    if (*params) return vcli::RunParams(json, stdout);
    if (*demo) return vcli::RunDemo(demoOutput, demoOptions, stderr);
    return vcli::RunRender(render, stderr);
  } catch (const vcli::UsageError &e) {
    std::fprintf(stderr, "vortane: %s\n", vcli::OneLine(e.what()).c_str());
    return vcli::kExitUsage;
  } catch (const vcli::Failure &e) {
    std::fprintf(stderr, "vortane: %s\n", vcli::OneLine(e.what()).c_str());
    return vcli::kExitFailure;
  } catch (const std::bad_alloc &) {
    std::fprintf(stderr, "vortane: out of memory\n");
    return vcli::kExitFailure;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "vortane: %s\n", vcli::OneLine(e.what()).c_str());
    return vcli::kExitFailure;
  }
}
