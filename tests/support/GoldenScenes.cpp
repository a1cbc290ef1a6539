// The reference scenes and their file format.
#include "GoldenScenes.h"

#include <cstdio>
#include <cstring>

#include "EffectParams.h"
#include "SyntheticFrame.h"

namespace vtest {

namespace {

// One group of a scene: the synthetic scene's group `from` (its colours and
// centre) with these values in slot `slot`. The frame is small, so most
// shapes are edges: a range takes the antialiased neighbours of each colour
// B into the group. A negative centre keeps the scene group's own.
struct GroupRow {
  int slot, from;
  double range, blurAmount, blurOffset, softness, softnessThreshold;
  bool keepDivision, invert;
  double centerX = -1.0, centerY = -1.0;
};

struct SceneRow {
  const char *name;
  std::vector<GroupRow> groups;
  A_long view = 0;                          // 0: Normal, left as it is
  double masterBlur = 0.0;                  // 0: left as it is
  void (*prepare)(vemu::Image &) = nullptr; // changes to the input frame
};

// Every other pixel, in a checkerboard, fully transparent (alpha is the
// first channel at every depth, and 0.0f is all zero bits).
void TransparentChecker(vemu::Image &image) {
  const int bpp = vemu::BytesPerPixel(image.format());
  for (int y = 0; y < image.height(); ++y)
    for (int x = (y + 1) % 2; x < image.width(); x += 2) std::memset(image.row(y) + x * bpp, 0, bpp / 4);
}

// Columns: slot, from, range, blur amount, blur offset, softness, softness
// threshold, keep division, invert, centre.
const SceneRow kScenes[] = {
    {"one-group", {{1, 1, 25, 6, 0, 10, 50, true, false}}},
    {"four-groups",
     {{1, 1, 25, 5, 0, 4, 50, true, false},
      {2, 2, 25, 7, 0, 10, 50, false, true},
      {3, 3, 10, 10, 50, 10, 10, true, false},
      {4, 4, 25, 4, 0, 3, 50, false, false}},
     0,
     1.0},
    {"inward-open-offset", {{1, 3, 25, 9, 100, 0, 50, false, false}, {2, 2, 25, 10, 30, 10, 50, true, true}}},
    {"extract-view", {{1, 1, 25, 10, 0, 10, 50, true, false}, {2, 4, 25, 10, 0, 10, 50, true, false}}, 3},
    {"group-view", {{1, 1, 25, 10, 0, 10, 50, true, false}, {3, 3, 25, 10, 0, 10, 50, true, false}}, 6},
    // Short radii, so each group's working area is smaller than the frame,
    // with centres far outside it and on its corner.
    {"far-centres",
     {{1, 1, 25, 2, 0, 3, 50, true, false, 30000, 20000},
      {2, 2, 25, 3, 0, 10, 50, false, true, 79, 0},
      {3, 3, 25, 4, 0, 0, 50, true, false, 5, 30000}}},
    // Transparent pixels around and between the group's pixels: the blur's
    // walks read their alpha, also beyond the group's bounds. Low ranges keep
    // the groups' bounds well inside the frame.
    {"transparent-checker",
     {{1, 3, 5, 6, 50, 10, 50, false, false}, {2, 1, 0, 5, 30, 10, 50, false, true}},
     0,
     0.0,
     TransparentChecker},
};

} // namespace

std::vector<GoldenScene> GoldenScenes() {
  const vemu::SyntheticScene s = vemu::SyntheticCelScene(kGoldenWidth, kGoldenHeight);
  std::vector<GoldenScene> scenes;
  for (const SceneRow &row : kScenes) {
    scenes.push_back({row.name,
                      [s, &row](vemu::Host &host) {
                        for (const GroupRow &r : row.groups) {
                          GroupValues v = SceneGroupValues(s, r.from);
                          v.range = r.range;
                          v.blurAmount = r.blurAmount;
                          v.blurOffset = r.blurOffset;
                          v.softness = r.softness;
                          v.softnessThreshold = r.softnessThreshold;
                          v.keepDivision = r.keepDivision;
                          v.invert = r.invert;
                          if (r.centerX >= 0.0) {
                            v.centerX = r.centerX;
                            v.centerY = r.centerY;
                          }
                          SetGroup(host, r.slot, v);
                        }
                        if (row.masterBlur) SetMasterBlurAmount(host, row.masterBlur);
                        if (row.view) SetView(host, row.view);
                      },
                      row.prepare});
  }
  return scenes;
}

const char *DepthName(PF_PixelFormat format) {
  return format == PF_PixelFormat_ARGB128 ? "32" : format == PF_PixelFormat_ARGB64 ? "16" : "8";
}

std::string GoldenPath(const std::string &dataDir, const GoldenScene &scene, PF_PixelFormat format) {
  return dataDir + "/golden/" + scene.name + "-" + DepthName(format) + ".vgld";
}

PF_Err RenderGoldenScene(vemu::Host &host, const GoldenScene &scene, PF_PixelFormat format, vemu::Image *output) {
  host.setLayerSize(kGoldenWidth, kGoldenHeight);
  PF_Err err = host.globalSetup();
  if (err == PF_Err_NONE) err = host.paramsSetup();
  if (err == PF_Err_NONE) err = host.sequenceSetup();
  if (err != PF_Err_NONE) return err;
  scene.configure(host);
  vemu::Image input = vemu::ConvertFrame(vemu::SyntheticCelFrame(kGoldenWidth, kGoldenHeight), format);
  if (scene.prepare) scene.prepare(input);
  *output = vemu::Image(kGoldenWidth, kGoldenHeight, format);
  err = host.renderSmart(input, *output);
  PF_Err down = host.sequenceSetdown();
  return err != PF_Err_NONE ? err : down;
}

// The header's integers are stored as the machine holds them: every platform
// we build for is little-endian.
bool WriteImageFile(const std::string &path, const vemu::Image &image) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const uint32_t header[3] = {static_cast<uint32_t>(image.width()), static_cast<uint32_t>(image.height()),
                              static_cast<uint32_t>(image.format())};
  const std::vector<uint8_t> bytes = image.pixelBytes();
  const bool ok = std::fwrite("VGLD", 1, 4, f) == 4 && std::fwrite(header, 4, 3, f) == 3 &&
                  std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadImageFile(const std::string &path, vemu::Image *image) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char magic[4];
  uint32_t header[3] = {0, 0, 0}; // width, height, format
  bool ok = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "VGLD", 4) == 0 && std::fread(header, 4, 3, f) == 3 &&
            vemu::BytesPerPixel(static_cast<PF_PixelFormat>(header[2])) != 0 && header[0] < 100000 &&
            header[1] < 100000;
  if (ok) {
    const auto format = static_cast<PF_PixelFormat>(header[2]);
    *image = vemu::Image(static_cast<int>(header[0]), static_cast<int>(header[1]), format);
    const size_t rowLen = static_cast<size_t>(header[0]) * vemu::BytesPerPixel(format);
    for (uint32_t y = 0; ok && y < header[1]; ++y)
      ok = std::fread(image->row(static_cast<int>(y)), 1, rowLen, f) == rowLen;
  }
  std::fclose(f);
  return ok;
}

} // namespace vtest
