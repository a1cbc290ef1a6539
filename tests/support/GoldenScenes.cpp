// The reference scenes and their file format.
#include "GoldenScenes.h"

#include <cstdio>
#include <cstring>

#include "EffectParams.h"
#include "SyntheticFrame.h"

namespace vtest {

namespace {

GroupValues SceneGroup(const vemu::SyntheticScene &scene, int g) {
  GroupValues v = SceneGroupValues(scene, g);
  // The frame is small, so most shapes are edges: a range takes the
  // antialiased neighbours of each colour B into the group.
  v.range = 25.0;
  return v;
}

void Put32(std::FILE *f, uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  std::fwrite(b, 1, 4, f);
}

bool Get32(std::FILE *f, uint32_t *v) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, f) != 4) return false;
  *v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

// Every other pixel, in a checkerboard, fully transparent.
void TransparentChecker(vemu::Image &image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = (y + 1) % 2; x < image.width(); x += 2) {
      switch (image.format()) {
      case PF_PixelFormat_ARGB32:
        image.at<PF_Pixel>(x, y).alpha = 0;
        break;
      case PF_PixelFormat_ARGB64:
        image.at<PF_Pixel16>(x, y).alpha = 0;
        break;
      default:
        image.at<PF_PixelFloat>(x, y).alpha = 0.0f;
      }
    }
}

} // namespace

std::vector<GoldenScene> GoldenScenes() {
  const vemu::SyntheticScene s = vemu::SyntheticCelScene(kGoldenWidth, kGoldenHeight);
  std::vector<GoldenScene> scenes;
  scenes.push_back({"one-group", [s](vemu::Host &host) {
                      GroupValues g = SceneGroup(s, 1);
                      g.blurAmount = 6.0;
                      SetGroup(host, 1, g);
                    }});
  scenes.push_back({"four-groups", [s](vemu::Host &host) {
                      GroupValues g1 = SceneGroup(s, 1);
                      g1.blurAmount = 5.0;
                      g1.softness = 4.0;
                      SetGroup(host, 1, g1);
                      GroupValues g2 = SceneGroup(s, 2);
                      g2.keepDivision = false;
                      g2.invert = true;
                      g2.blurAmount = 7.0;
                      SetGroup(host, 2, g2);
                      GroupValues g3 = SceneGroup(s, 3);
                      g3.blurOffset = 50.0;
                      g3.range = 10.0;
                      g3.softnessThreshold = 10.0;
                      SetGroup(host, 3, g3);
                      GroupValues g4 = SceneGroup(s, 4);
                      g4.keepDivision = false;
                      g4.softness = 3.0;
                      g4.blurAmount = 4.0;
                      SetGroup(host, 4, g4);
                      SetMasterBlurAmount(host, 1.0);
                    }});
  scenes.push_back({"inward-open-offset", [s](vemu::Host &host) {
                      GroupValues g = SceneGroup(s, 3);
                      g.keepDivision = false;
                      g.blurOffset = 100.0;
                      g.blurAmount = 9.0;
                      g.softness = 0.0;
                      SetGroup(host, 1, g);
                      GroupValues g2 = SceneGroup(s, 2);
                      g2.invert = true;
                      g2.blurOffset = 30.0;
                      SetGroup(host, 2, g2);
                    }});
  scenes.push_back({"extract-view", [s](vemu::Host &host) {
                      SetGroup(host, 1, SceneGroup(s, 1));
                      SetGroup(host, 2, SceneGroup(s, 4));
                      SetView(host, 3);
                    }});
  scenes.push_back({"group-view", [s](vemu::Host &host) {
                      SetGroup(host, 1, SceneGroup(s, 1));
                      SetGroup(host, 3, SceneGroup(s, 3));
                      SetView(host, 6);
                    }});
  // Short radii, so each group's working area is smaller than the frame,
  // with centres far outside it and on its corner.
  scenes.push_back({"far-centres", [s](vemu::Host &host) {
                      GroupValues g1 = SceneGroup(s, 1);
                      g1.blurAmount = 2.0;
                      g1.softness = 3.0;
                      g1.centerX = 30000.0;
                      g1.centerY = 20000.0;
                      SetGroup(host, 1, g1);
                      GroupValues g2 = SceneGroup(s, 2);
                      g2.blurAmount = 3.0;
                      g2.invert = true;
                      g2.keepDivision = false;
                      g2.centerX = 79.0;
                      g2.centerY = 0.0;
                      SetGroup(host, 2, g2);
                      GroupValues g3 = SceneGroup(s, 3);
                      g3.blurAmount = 4.0;
                      g3.softness = 0.0;
                      g3.centerX = 5.0;
                      g3.centerY = 30000.0;
                      SetGroup(host, 3, g3);
                    }});
  // Transparent pixels around and between the group's pixels: the blur's
  // walks read their alpha, also beyond the group's bounds.
  scenes.push_back({"transparent-checker",
                    [s](vemu::Host &host) {
                      // Low ranges keep the groups' bounds well inside the frame.
                      GroupValues g1 = SceneGroup(s, 3);
                      g1.range = 5.0;
                      g1.blurAmount = 6.0;
                      g1.keepDivision = false;
                      g1.blurOffset = 50.0;
                      SetGroup(host, 1, g1);
                      GroupValues g2 = SceneGroup(s, 1);
                      g2.range = 0.0;
                      g2.blurAmount = 5.0;
                      g2.invert = true;
                      g2.keepDivision = false;
                      g2.blurOffset = 30.0;
                      SetGroup(host, 2, g2);
                    },
                    TransparentChecker});
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

bool WriteImageFile(const std::string &path, const vemu::Image &image) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite("VGLD", 1, 4, f);
  Put32(f, static_cast<uint32_t>(image.width()));
  Put32(f, static_cast<uint32_t>(image.height()));
  Put32(f, static_cast<uint32_t>(image.format()));
  const std::vector<uint8_t> bytes = image.pixelBytes();
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadImageFile(const std::string &path, vemu::Image *image) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char magic[4];
  uint32_t w = 0, h = 0, format = 0;
  bool ok = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "VGLD", 4) == 0 && Get32(f, &w) && Get32(f, &h) &&
            Get32(f, &format) && vemu::BytesPerPixel(static_cast<PF_PixelFormat>(format)) != 0 && w < 100000 &&
            h < 100000;
  if (ok) {
    *image = vemu::Image(static_cast<int>(w), static_cast<int>(h), static_cast<PF_PixelFormat>(format));
    const size_t rowLen = static_cast<size_t>(w) * vemu::BytesPerPixel(static_cast<PF_PixelFormat>(format));
    for (uint32_t y = 0; ok && y < h; ++y) ok = std::fread(image->row(static_cast<int>(y)), 1, rowLen, f) == rowLen;
  }
  std::fclose(f);
  return ok;
}

} // namespace vtest
