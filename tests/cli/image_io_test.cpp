// Samples and image files: the exact mapping between file samples and
// working pixels; files written by other programs (RGB, grey, tiled, planar,
// interlaced) read with opaque alpha; writes that never leave a partial file.
#include <gtest/gtest.h>

#include <ImfRgbaFile.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <tuple>
#include <type_traits>

#include "CliTestSupport.h"
#include "Errors.h"
#include "ImageIO.h"
#include "SyntheticFrame.h"

#include <tiffio.h>

namespace {

using clitest::TempDir;
using vcli::Raster;
using vcli::SampleKind;

TEST(ImageIO, EveryFormatAndDepthRoundTripsExactlyReplacingTheTargetWholeOrNotAtAll) {
  TempDir dir;
  const std::pair<const char *, SampleKind> cases[] = {{"a.png", SampleKind::U8},  {"b.png", SampleKind::U16},
                                                       {"c.tif", SampleKind::U8},  {"d.tiff", SampleKind::U16},
                                                       {"e.TIF", SampleKind::F32}, {"f.exr", SampleKind::F32}};
  for (const auto &[name, kind] : cases) {
    Raster raster = clitest::CelRaster(37, 21, kind);
    // Alpha that is not opaque, and float values outside 0..1, survive too.
    for (size_t i = 3; i < raster.sampleCount(); i += 4 * 5) {
      if (kind == SampleKind::U8) raster.setSample<uint8_t>(i, static_cast<uint8_t>(i % 251));
      if (kind == SampleKind::U16) raster.setSample<uint16_t>(i, static_cast<uint16_t>(i * 7 % 65521));
      if (kind == SampleKind::F32) raster.setSample<float>(i, -0.5f + i * 1e-3f);
    }
    // An existing file is replaced.
    vcli::WriteImage(dir.file(name), clitest::CelRaster(8, 8, kind));
    vcli::WriteImage(dir.file(name), raster);
    const Raster back = vcli::ReadImage(dir.file(name));
    EXPECT_EQ(std::make_tuple(back.width, back.height, back.kind), std::make_tuple(37, 21, kind)) << name;
    EXPECT_EQ(back.bytes, raster.bytes) << name;
  }
  // With the mode new files get.
  struct stat info;
  ASSERT_EQ(stat(dir.file("a.png").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
  // A target that cannot be replaced (a folder), and an image libpng refuses
  // (it has no pixels), fail and leave nothing: only the targets are left.
  mkdir(dir.file("x.tif").c_str(), 0700);
  EXPECT_THROW(vcli::WriteImage(dir.file("x.tif"), clitest::CelRaster(8, 8, SampleKind::U8)), vcli::Failure);
  EXPECT_THROW(vcli::WriteImage(dir.file("none.png"), Raster(0, 0, SampleKind::U8)), vcli::Failure);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png", "b.png", "c.tif", "d.tiff", "e.TIF", "f.exr", "x.tif"}));
}

// 8 or 16-bit RGB, Adam7-interlaced or not (libpng interlaces the rows it is
// given).
template <typename T>
void WriteRgbPng(const std::string &path, const std::vector<T> &rgb, int width, int height, bool interlaced = false) {
  FILE *file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8 * sizeof(T), PNG_COLOR_TYPE_RGB,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (sizeof(T) == 2) png_set_swap(png); // from little-endian samples
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = reinterpret_cast<png_bytep>(const_cast<T *>(rgb.data() + y * width * 3));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// Grey or RGB (spp 1 or 3), deflate-compressed, in one strip or in 16 x 16
// tiles, interleaved or in separate planes.
template <typename T>
void WriteTiff(const std::string &path, const std::vector<T> &samples, int width, int height, int spp,
               bool tiled = false, bool separate = false) {
  TIFF *tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<int>(sizeof(T) * 8));
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, std::is_same_v<T, float> ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, spp == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  const int rows = tiled ? 16 : height, columns = tiled ? 16 : width, channels = separate ? 1 : spp;
  TIFFSetField(tif, tiled ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, rows);
  if (tiled) TIFFSetField(tif, TIFFTAG_TILEWIDTH, columns);
  std::vector<T> block(static_cast<size_t>(rows) * columns * channels);
  const tmsize_t bytes = static_cast<tmsize_t>(block.size() * sizeof(T));
  for (int plane = 0; plane < spp / channels; ++plane) {
    for (int y0 = 0; y0 < height; y0 += rows) {
      for (int x0 = 0; x0 < width; x0 += columns) {
        std::fill(block.begin(), block.end(), T{});
        for (int y = y0; y < std::min(height, y0 + rows); ++y)
          for (int x = x0; x < std::min(width, x0 + columns); ++x)
            for (int c = 0; c < channels; ++c)
              block[((y - y0) * columns + x - x0) * channels + c] = samples[(y * width + x) * spp + plane + c];
        ASSERT_GE(tiled ? TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, x0, y0, 0, plane), block.data(), bytes)
                        : TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y0, plane), block.data(), bytes),
                  0);
      }
    }
  }
  TIFFClose(tif);
}

// Half RGB.
void WriteHalfRgbExr(const std::string &path, const std::vector<float> &rgb, int width, int height) {
  std::vector<Imf::Rgba> pixels(static_cast<size_t>(width) * height);
  for (size_t p = 0; p < pixels.size(); ++p) pixels[p] = Imf::Rgba(rgb[p * 3], rgb[p * 3 + 1], rgb[p * 3 + 2]);
  Imf::RgbaOutputFile file(path.c_str(), width, height, Imf::WRITE_RGB);
  file.setFrameBuffer(pixels.data(), 1, width);
  file.writePixels(height);
}

// Samples that differ from their neighbours (float ones exact in half).
template <typename T>
std::vector<T> Samples(size_t count) {
  std::vector<T> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] =
        std::is_same_v<T, float> ? 0.125f * static_cast<float>(i % 509) - 1.0f : static_cast<T>(i * 1409 + i / 111);
  return samples;
}

// The raster of RGB or grey samples (spp 3 or 1) with opaque alpha.
template <typename T>
Raster WithAlpha(const std::vector<T> &samples, int width, int height, int spp, T opaque) {
  Raster raster(width, height, sizeof(T) == 1 ? SampleKind::U8 : sizeof(T) == 2 ? SampleKind::U16 : SampleKind::F32);
  for (size_t p = 0; p < static_cast<size_t>(width) * height; ++p)
    for (int c = 0; c < 4; ++c) raster.setSample<T>(p * 4 + c, c == 3 ? opaque : samples[p * spp + (spp == 3 ? c : 0)]);
  return raster;
}

TEST(ImageIO, RgbGreyTiledPlanarAndInterlacedFilesAreReadWithOpaqueAlpha) {
  TempDir dir;
  // Tiles, strips and interlace passes partly filled at 37 x 21; at 5 x 3
  // one interlace pass is empty. OpenEXR 150 rows high: more than are read
  // at once.
  const int w = 37, h = 21, tall = 150;
  const auto rgb8 = Samples<uint8_t>(w * h * 3), small8 = Samples<uint8_t>(5 * 3 * 3);
  const auto rgb16 = Samples<uint16_t>(w * h * 3), grey16 = Samples<uint16_t>(w * h);
  const auto rgbf = Samples<float>(w * tall * 3);
  const Raster rgba8 = WithAlpha(rgb8, w, h, 3, uint8_t{255});
  // The file, how it is written, what it holds.
  const std::tuple<const char *, std::function<void(const std::string &)>, Raster> cases[] = {
      {"rgb16.png", [&](auto p) { WriteRgbPng(p, rgb16, w, h); }, WithAlpha(rgb16, w, h, 3, uint16_t{65535})},
      {"adam7.png", [&](auto p) { WriteRgbPng(p, small8, 5, 3, true); }, WithAlpha(small8, 5, 3, 3, uint8_t{255})},
      {"grey16.tif", [&](auto p) { WriteTiff(p, grey16, w, h, 1); }, WithAlpha(grey16, w, h, 1, uint16_t{65535})},
      {"rgbf.tif", [&](auto p) { WriteTiff(p, rgbf, w, h, 3); }, WithAlpha(rgbf, w, h, 3, 1.0f)},
      {"tiles.tif", [&](auto p) { WriteTiff(p, rgb8, w, h, 3, true, false); }, rgba8},
      {"tileplanes.tif", [&](auto p) { WriteTiff(p, rgb8, w, h, 3, true, true); }, rgba8},
      {"stripplanes.tif", [&](auto p) { WriteTiff(p, rgb8, w, h, 3, false, true); }, rgba8},
      {"lines.exr", [&](auto p) { WriteHalfRgbExr(p, rgbf, w, tall); }, WithAlpha(rgbf, w, tall, 3, 1.0f)},
  };
  for (const auto &[name, write, expected] : cases) {
    write(dir.file(name));
    const Raster r = vcli::ReadImage(dir.file(name));
    EXPECT_EQ(std::make_tuple(r.width, r.height, r.kind),
              std::make_tuple(expected.width, expected.height, expected.kind))
        << name;
    EXPECT_EQ(r.bytes, expected.bytes) << name;
  }
}

TEST(ValueMapping, SamplesMapExactlyToTheNearestValueAndFloatsClampAndRoundHalfUp) {
  // 16-bit file and working values: the file value nearest to w x 65535 /
  // 32768, read back as w.
  for (uint32_t w = 0; w <= 32768; ++w) {
    const uint16_t file = vcli::File16FromWorking16(static_cast<uint16_t>(w));
    ASSERT_EQ(vcli::Working16FromFile16(file), w) << "working " << w;
    ASSERT_LE(std::fabs(file - w * 65535.0 / 32768.0), 0.5) << "working " << w;
  }
  // Values above full scale write as full scale instead of wrapping.
  EXPECT_EQ(vcli::File16FromWorking16(40000), 65535);
  for (int v = 0; v <= 255; ++v) {
    const uint8_t b = static_cast<uint8_t>(v);
    // 8-bit values survive every working depth, and saved at 16 bits (v x
    // 257) read back as themselves.
    EXPECT_EQ(vcli::Working8From16(vcli::Working16From8(b)), v);
    EXPECT_EQ(vcli::Working8FromFloat(vcli::FloatFrom8(b)), v);
    EXPECT_EQ(vcli::Working8FromFile16(static_cast<uint16_t>(v * 257)), v);
    // 8-bit to 16-bit working stays within about half a step of v x 32768 /
    // 255 (its threshold is 127/255, not 1/2: 254 gives 32640, not 32639).
    EXPECT_LE(std::fabs(vcli::Working16From8(b) - v * 32768.0 / 255.0), 128.0 / 255.0) << v;
  }
  EXPECT_EQ(vcli::Working16From8(254), 32640);
  // To float: v / 65535, full scale exactly 1.
  EXPECT_EQ(vcli::FloatFromFile16(65535), 1.0f);
  // Float to integer working values: clamped, rounded half up.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::tuple<float, int, int> cases[] = {
      {-0.5f, 0, 0},           {nan, 0, 0},       {-inf, 0, 0},       {0.0f, 0, 0},      {1.0f, 255, 32768},
      {1.5f, 255, 32768},      {inf, 255, 32768}, {0.5f, 128, 16384}, {0.25f, 64, 8192}, {0.75f, 191, 24576},
      {1.0f / 65536.0f, 0, 1},
  };
  for (const auto &[v, to8, to16] : cases) {
    EXPECT_EQ(vcli::Working8FromFloat(v), to8) << v;
    EXPECT_EQ(vcli::Working16FromFloat(v), to16) << v;
  }
  // Just below a rounding boundary stays below, however small the gap (in
  // float arithmetic v x 32768 + 0.5 would round up to 1 here).
  EXPECT_EQ(vcli::Working16FromFloat(std::nextafter(0.5f / 32768.0f, 0.0f)), 0);
}

TEST(ValueMapping, WholeImagesKeepChannelOrderAndRowsAtEveryDepth) {
  // Two pixels a row, two rows, every sample a different value (16-bit ones
  // the file values of working values 300 + 2000 i).
  Raster r8(2, 2, SampleKind::U8), r16(2, 2, SampleKind::U16), rf(2, 2, SampleKind::F32);
  for (size_t i = 0; i < 16; ++i) {
    r8.setSample<uint8_t>(i, static_cast<uint8_t>(10 + 20 * i));
    r16.setSample<uint16_t>(i, vcli::File16FromWorking16(static_cast<uint16_t>(300 + 2000 * i)));
    rf.setSample<float>(i, 0.0625f * i - 0.25f);
  }
  // Pixel (1, 1): samples 12 to 15 (red, green, blue, alpha).
  const vemu::Image a = vcli::ToWorking(r8, PF_PixelFormat_ARGB32);
  const PF_Pixel p8 = a.at<PF_Pixel>(1, 1);
  EXPECT_EQ((std::vector<int>{p8.red, p8.green, p8.blue, p8.alpha}), (std::vector<int>{250, 14, 34, 54}));
  const vemu::Image b = vcli::ToWorking(r16, PF_PixelFormat_ARGB64);
  EXPECT_EQ(b.at<PF_Pixel16>(1, 1).red, 24300);
  EXPECT_EQ(b.at<PF_Pixel16>(1, 1).alpha, 30300);
  const vemu::Image c = vcli::ToWorking(rf, PF_PixelFormat_ARGB128);
  EXPECT_EQ(c.at<PF_PixelFloat>(1, 1).red, 0.5f);
  EXPECT_EQ(c.at<PF_PixelFloat>(1, 1).alpha, 0.6875f);
  // Float into 8-bit working: clamped and rounded.
  EXPECT_EQ(vcli::ToWorking(rf, PF_PixelFormat_ARGB32).at<PF_Pixel>(0, 0).red, 0);
  EXPECT_EQ(vcli::ToWorking(rf, PF_PixelFormat_ARGB32).at<PF_Pixel>(1, 1).alpha, 175);
  // Back to file samples at the working depth: the originals again.
  EXPECT_EQ(vcli::FromWorking(c).bytes, rf.bytes);
  EXPECT_EQ(vcli::FromWorking(b).bytes, r16.bytes);
  // 8-bit files at the deeper working depths: the emulator's own conversions.
  const vemu::Image frame8 = vemu::SyntheticCelFrame(40, 24);
  for (PF_PixelFormat format : {PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128})
    EXPECT_TRUE(vcli::ToWorking(vcli::FromWorking(frame8), format).samePixels(vemu::ConvertFrame(frame8, format)));
}

} // namespace
