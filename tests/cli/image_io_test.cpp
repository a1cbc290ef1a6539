// Image files: exact round trips of every format and depth, RGB files read
// with opaque alpha, corrupt and truncated files refused with a message,
// and writes that never leave a partial file.
#include <gtest/gtest.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfTiledOutputFile.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "CliTestSupport.h"
#include "Errors.h"
#include "ImageIO.h"

#include <tiffio.h>

namespace {

using clitest::TempDir;
using vcli::Raster;
using vcli::SampleKind;

TEST(ImageIO, EveryFormatAndDepthRoundTripsExactly) {
  TempDir dir;
  struct Case {
    const char *name;
    SampleKind kind;
  } cases[] = {{"a.png", SampleKind::U8},  {"b.png", SampleKind::U16}, {"c.tif", SampleKind::U8},
               {"d.tiff", SampleKind::U16}, {"e.TIF", SampleKind::F32}, {"f.exr", SampleKind::F32}};
  for (const Case &c : cases) {
    Raster raster = clitest::CelRaster(37, 21, c.kind);
    // Alpha that is not opaque, and float values outside 0..1, survive too.
    for (size_t p = 0; p < raster.sampleCount(); p += 4 * 5) {
      if (c.kind == SampleKind::U8) raster.setSample<uint8_t>(p + 3, static_cast<uint8_t>(p % 251));
      if (c.kind == SampleKind::U16) raster.setSample<uint16_t>(p + 3, static_cast<uint16_t>(p * 7 % 65521));
      if (c.kind == SampleKind::F32) raster.setSample<float>(p + 3, -0.5f + p * 1e-3f);
    }
    vcli::WriteImage(dir.file(c.name), raster);
    const Raster back = vcli::ReadImage(dir.file(c.name));
    EXPECT_EQ(back.width, 37) << c.name;
    EXPECT_EQ(back.height, 21) << c.name;
    EXPECT_EQ(back.kind, c.kind) << c.name;
    EXPECT_EQ(back.bytes, raster.bytes) << c.name;
  }
  // Only the targets are left: no temporary files.
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png", "b.png", "c.tif", "d.tiff", "e.TIF", "f.exr"}));
}

// ---- files without alpha, written with the libraries directly ----

// 8-bit RGB, or 16-bit RGB (libpng stores "linear" 16-bit samples as given).
template <typename T> void WriteRgbPng(const std::string &path, const std::vector<T> &rgb, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = sizeof(T) == 2 ? PNG_FORMAT_LINEAR_RGB : PNG_FORMAT_RGB;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr));
}

// 8-bit RGB, Adam7-interlaced (libpng interlaces the rows it is given).
void WriteInterlacedRgbPng(const std::string &path, const std::vector<uint8_t> &rgb, int width, int height) {
  FILE *file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(rgb.data() + y * width * 3);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

template <typename T>
void WriteTiff(const std::string &path, const std::vector<T> &samples, int width, int height, int spp,
               uint16_t format, uint16_t photometric) {
  TIFF *tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<int>(sizeof(T) * 8));
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, format);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
  std::vector<T> row(static_cast<size_t>(width) * spp);
  for (int y = 0; y < height; ++y) {
    std::memcpy(row.data(), samples.data() + y * row.size(), row.size() * sizeof(T));
    ASSERT_GE(TIFFWriteScanline(tif, row.data(), y, 0), 0);
  }
  TIFFClose(tif);
}

// 8-bit RGB in 16 x 16 tiles or in strips of 4 rows, interleaved or in
// separate planes.
void WriteRgbTiffLayout(const std::string &path, const std::vector<uint8_t> &rgb, int width, int height, bool tiled,
                        bool separate) {
  TIFF *tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  const int block = tiled ? 16 : 4, blockWidth = tiled ? 16 : width, channels = separate ? 1 : 3;
  if (tiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, block);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, block);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, block);
  }
  std::vector<uint8_t> chunk(static_cast<size_t>(block) * blockWidth * channels);
  for (int plane = 0; plane < (separate ? 3 : 1); ++plane) {
    for (int y0 = 0; y0 < height; y0 += block) {
      for (int x0 = 0; x0 < width; x0 += blockWidth) {
        std::fill(chunk.begin(), chunk.end(), 0);
        for (int y = y0; y < std::min(height, y0 + block); ++y)
          for (int x = x0; x < std::min(width, x0 + blockWidth); ++x)
            for (int c = 0; c < channels; ++c)
              chunk[((y - y0) * blockWidth + (x - x0)) * channels + c] = rgb[(y * width + x) * 3 + plane + c];
        const int rows = std::min(block, height - y0);
        if (tiled)
          ASSERT_GE(TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, x0, y0, 0, plane), chunk.data(), chunk.size()), 0);
        else
          ASSERT_GE(TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y0, plane), chunk.data(),
                                          static_cast<tmsize_t>(rows) * blockWidth * channels),
                    0);
      }
    }
  }
  TIFFClose(tif);
}

// In scan lines, or in tiles of tile x tile pixels when tile is not 0.
void WriteHalfRgbExr(const std::string &path, const std::vector<float> &rgb, int width, int height, int tile = 0) {
  Imf::Header header(width, height);
  if (tile) header.setTileDescription(Imf::TileDescription(tile, tile));
  std::vector<half> halves(rgb.begin(), rgb.end());
  Imf::FrameBuffer buffer;
  const char *names[3] = {"R", "G", "B"};
  for (int c = 0; c < 3; ++c) {
    header.channels().insert(names[c], Imf::Channel(Imf::HALF));
    buffer.insert(names[c], Imf::Slice(Imf::HALF, reinterpret_cast<char *>(halves.data() + c), 3 * sizeof(half),
                                       3 * sizeof(half) * width));
  }
  if (tile) {
    Imf::TiledOutputFile file(path.c_str(), header);
    file.setFrameBuffer(buffer);
    file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
    return;
  }
  Imf::OutputFile file(path.c_str(), header);
  file.setFrameBuffer(buffer);
  file.writePixels(height);
}

TEST(ImageIO, RgbGreyTiledAndPlanarFilesAreReadWithOpaqueAlpha) {
  TempDir dir;
  const int w = 5, h = 3;
  std::vector<uint8_t> rgb8(w * h * 3);
  for (size_t i = 0; i < rgb8.size(); ++i) rgb8[i] = static_cast<uint8_t>(i * 17);
  std::vector<uint16_t> rgb16(w * h * 3);
  for (size_t i = 0; i < rgb16.size(); ++i) rgb16[i] = static_cast<uint16_t>(i * 1409);
  std::vector<float> rgbf(w * h * 3);
  for (size_t i = 0; i < rgbf.size(); ++i) rgbf[i] = 0.125f * i - 1.0f;  // exact in half
  std::vector<uint16_t> grey16(w * h);
  for (size_t i = 0; i < grey16.size(); ++i) grey16[i] = static_cast<uint16_t>(i * 4099);

  WriteRgbPng(dir.file("rgb8.png"), rgb8, w, h);
  WriteRgbPng(dir.file("rgb16.png"), rgb16, w, h);
  WriteTiff(dir.file("rgb16.tif"), rgb16, w, h, 3, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB);
  WriteTiff(dir.file("rgbf.tif"), rgbf, w, h, 3, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_RGB);
  WriteTiff(dir.file("grey16.tif"), grey16, w, h, 1, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK);
  WriteHalfRgbExr(dir.file("half.exr"), rgbf, w, h);
  // Tiles and planes, on an image larger than one tile with partial ones.
  const int tw = 37, th = 21;
  std::vector<uint8_t> big(tw * th * 3);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + i / 111);
  WriteRgbTiffLayout(dir.file("tiles.tif"), big, tw, th, true, false);
  WriteRgbTiffLayout(dir.file("tileplanes.tif"), big, tw, th, true, true);
  WriteRgbTiffLayout(dir.file("stripplanes.tif"), big, tw, th, false, true);
  // OpenEXR taller than the rows read at once, in lines and in tiles that
  // straddle those bands.
  std::vector<float> tallf(static_cast<size_t>(tw) * 150 * 3);
  for (size_t i = 0; i < tallf.size(); ++i) tallf[i] = 0.25f * static_cast<float>(i % 1999);  // exact in half
  WriteHalfRgbExr(dir.file("tall.exr"), tallf, tw, 150);
  WriteHalfRgbExr(dir.file("tall-tiles.exr"), tallf, tw, 150, 24);
  // Interlaced: every pass partial, and one empty at the small size.
  WriteInterlacedRgbPng(dir.file("interlaced.png"), rgb8, w, h);
  WriteInterlacedRgbPng(dir.file("large-interlaced.png"), big, tw, th);

  auto check = [&](const char *name, SampleKind kind, auto expectedSample, auto opaque) {
    using T = decltype(opaque);
    const Raster r = vcli::ReadImage(dir.file(name));
    ASSERT_EQ(r.kind, kind) << name;
    const bool large = std::strstr(name, "tile") || std::strstr(name, "strip") || std::strstr(name, "large") ||
                       std::strstr(name, "tall");
    ASSERT_EQ(r.width, large ? tw : w) << name;
    ASSERT_EQ(r.height, std::strstr(name, "tall") ? 150 : large ? th : h) << name;
    for (size_t p = 0; p < static_cast<size_t>(r.width * r.height); ++p) {
      for (int c = 0; c < 3; ++c) ASSERT_EQ(r.sample<T>(p * 4 + c), expectedSample(p, c)) << name << " " << p;
      ASSERT_EQ(r.sample<T>(p * 4 + 3), opaque) << name << " " << p;
    }
  };
  check("rgb8.png", SampleKind::U8, [&](size_t p, int c) { return rgb8[p * 3 + c]; }, uint8_t{255});
  check("interlaced.png", SampleKind::U8, [&](size_t p, int c) { return rgb8[p * 3 + c]; }, uint8_t{255});
  check("rgb16.png", SampleKind::U16, [&](size_t p, int c) { return rgb16[p * 3 + c]; }, uint16_t{65535});
  check("rgb16.tif", SampleKind::U16, [&](size_t p, int c) { return rgb16[p * 3 + c]; }, uint16_t{65535});
  check("rgbf.tif", SampleKind::F32, [&](size_t p, int c) { return rgbf[p * 3 + c]; }, 1.0f);
  check("half.exr", SampleKind::F32, [&](size_t p, int c) { return rgbf[p * 3 + c]; }, 1.0f);
  for (const char *name : {"tall.exr", "tall-tiles.exr"})
    check(name, SampleKind::F32, [&](size_t p, int c) { return tallf[p * 3 + c]; }, 1.0f);
  for (const char *name : {"tiles.tif", "tileplanes.tif", "stripplanes.tif", "large-interlaced.png"})
    check(name, SampleKind::U8, [&](size_t p, int c) { return big[p * 3 + c]; }, uint8_t{255});
  check("grey16.tif", SampleKind::U16, [&](size_t p, int) { return grey16[p]; }, uint16_t{65535});
}

// ---- corrupt files ----

// Sets the value of a SHORT or LONG tag in the first IFD of a little-endian
// TIFF, as a broken writer might have stored it.
void PatchTiffTag(const std::string &path, uint16_t tag, uint32_t value) {
  std::string bytes = clitest::ReadText(path);
  ASSERT_EQ(bytes.substr(0, 2), "II");
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | u16(at + 2) << 16); };
  const uint32_t ifd = u32(4);
  for (uint16_t i = 0, n = u16(ifd); i < n; ++i) {
    const size_t entry = ifd + 2 + 12u * i;
    if (u16(entry) != tag) continue;
    const int size = u16(entry + 2) == 3 ? 2 : 4;
    for (int b = 0; b < size; ++b) bytes[entry + 8 + b] = static_cast<char>(value >> (8 * b));
    clitest::WriteText(path, bytes);
    return;
  }
  FAIL() << "tag " << tag << " not found";
}

TEST(ImageIO, CorruptTruncatedAndUnsupportedFilesAreRefusedWithTheirProblem) {
  TempDir dir;
  const Raster raster = clitest::CelRaster(64, 40, SampleKind::U8);
  const Raster rasterF = clitest::CelRaster(64, 40, SampleKind::F32);
  std::vector<uint8_t> rgb(8 * 8 * 3, 100);
  // Makers of broken files.
  auto cut = [](const Raster &r, double keep) {
    return [&r, keep](const std::string &p) {
      vcli::WriteImage(p, r);
      clitest::Truncate(p, static_cast<long>(clitest::FileSize(p) * keep));
    };
  };
  auto tiff = [&rgb](uint16_t tag, uint32_t value) {
    return [&rgb, tag, value](const std::string &p) {
      WriteTiff(p, rgb, 8, 8, 3, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB);
      if (tag) PatchTiffTag(p, tag, value);
    };
  };
  struct Case {
    const char *name;
    std::function<void(const std::string &)> make;
    const char *message;
  } cases[] = {
      {"missing.png", [](const std::string &) {}, "No such file or directory"},
      {"empty.png", [](const std::string &p) { clitest::WriteText(p, ""); }, "the file is empty"},
      {"text.png", [](const std::string &p) { clitest::WriteText(p, "hello, not an image"); },
       "not a PNG, TIFF or OpenEXR file"},
      {"cut.png", cut(raster, 0.5), "truncated or corrupt PNG"},
      {"header.png", cut(raster, 0.01), "corrupt PNG"},
      {"tall.tif", tiff(TIFFTAG_IMAGELENGTH, 32), "TIFF"},
      {"wide.tif", tiff(TIFFTAG_IMAGEWIDTH, 40), "truncated or corrupt TIFF"},
      {"huge.tif", tiff(TIFFTAG_IMAGEWIDTH, 40000), "image size 40000 x 8 is outside 1 to 30000 pixels a side"},
      {"cut.tif",
       [&](const std::string &p) {
         tiff(0, 0)(p);
         clitest::Truncate(p, 100);
       },
       "TIFF"},
      {"bits.tif",
       [](const std::string &p) {
         WriteTiff(p, std::vector<uint32_t>(8 * 8 * 3, 7), 8, 8, 3, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB);
       },
       "unsupported TIFF samples (32-bit integer)"},
      {"cut.exr", cut(rasterF, 2.0 / 3.0), "truncated"},
  };
  for (const Case &c : cases) {
    const std::string path = dir.file(c.name);
    c.make(path);
    try {
      vcli::ReadImage(path);
      ADD_FAILURE() << c.name << " was read";
    } catch (const vcli::Failure &e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("cannot read " + path + ": ", 0), 0u) << message;
      EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
  }
}

// ---- writing ----

TEST(ImageIO, WritesReplaceTheTargetWholeOrNotAtAll) {
  TempDir dir;
  const Raster small = clitest::CelRaster(8, 8, SampleKind::U8);
  const Raster large = clitest::CelRaster(48, 27, SampleKind::U8);

  // An existing file is replaced, with the mode new files get.
  vcli::WriteImage(dir.file("out.png"), small);
  vcli::WriteImage(dir.file("out.png"), large);
  EXPECT_EQ(vcli::ReadImage(dir.file("out.png")).bytes, large.bytes);
  struct stat info;
  ASSERT_EQ(stat(dir.file("out.png").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

  // A target that cannot be replaced (a folder) fails and leaves nothing.
  mkdir(dir.file("taken.tif").c_str(), 0700);
  EXPECT_THROW(vcli::WriteImage(dir.file("taken.tif"), large), vcli::Failure);
  // A missing folder is named.
  try {
    vcli::WriteImage(dir.file("nowhere/out.png"), large);
    ADD_FAILURE();
  } catch (const vcli::Failure &e) {
    EXPECT_EQ(std::string(e.what()), "output folder does not exist: " + dir.file("nowhere"));
  }
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.png", "taken.tif"}));
}

} // namespace
