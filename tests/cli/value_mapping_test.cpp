// The mapping between file samples and working pixels: exact round trips,
// rounding to the nearest value, clamping, and channel order.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CliTestSupport.h"
#include "SyntheticFrame.h"
#include "ValueMapping.h"

namespace {

using vcli::Raster;
using vcli::SampleKind;

TEST(ValueMapping, IntegerSamplesMapExactlyAndToTheNearestValue) {
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
  // Any 16-bit file value to 8 bits: within one step of v / 257, never
  // decreasing.
  for (uint32_t v = 1; v <= 65535; ++v) {
    ASSERT_LT(std::fabs(vcli::Working8FromFile16(static_cast<uint16_t>(v)) - v / 257.0), 1.0) << v;
    ASSERT_GE(vcli::Working8FromFile16(static_cast<uint16_t>(v)),
              vcli::Working8FromFile16(static_cast<uint16_t>(v - 1)));
  }
  // To float: v / 65535, full scale exactly 1.
  EXPECT_EQ(vcli::FloatFromFile16(65535), 1.0f);
}

TEST(ValueMapping, FloatToIntegersClampsAndRoundsHalfUp) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float v;
    int to8, to16;
  } cases[] = {
      {-0.5f, 0, 0},           {nan, 0, 0},       {-inf, 0, 0},       {0.0f, 0, 0},      {1.0f, 255, 32768},
      {1.5f, 255, 32768},      {inf, 255, 32768}, {0.5f, 128, 16384}, {0.25f, 64, 8192}, {0.75f, 191, 24576},
      {1.0f / 65536.0f, 0, 1},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(vcli::Working8FromFloat(c.v), c.to8) << c.v;
    EXPECT_EQ(vcli::Working16FromFloat(c.v), c.to16) << c.v;
  }
  // Just below a rounding boundary stays below, however small the gap (in
  // float arithmetic v x 32768 + 0.5 would round up to 1 here).
  EXPECT_EQ(vcli::Working16FromFloat(std::nextafter(0.5f / 32768.0f, 0.0f)), 0);
  float below = 0.5f / 255.0f;
  while (static_cast<double>(below) * 255.0 >= 0.5) below = std::nextafter(below, 0.0f);
  EXPECT_EQ(vcli::Working8FromFloat(below), 0);
  EXPECT_EQ(vcli::Working8FromFloat(std::nextafter(below, 1.0f)), 1);
  for (uint32_t w = 0; w <= 32768; ++w) ASSERT_EQ(vcli::Working16FromFloat(w / 32768.0f), w);
}

TEST(ValueMapping, WholeImagesKeepChannelOrderAndRowsAtEveryDepth) {
  // Two pixels a row, two rows, every sample a different value.
  Raster r8(2, 2, SampleKind::U8), r16(2, 2, SampleKind::U16), rf(2, 2, SampleKind::F32);
  for (size_t i = 0; i < 16; ++i) {
    r8.setSample<uint8_t>(i, static_cast<uint8_t>(10 + 20 * i));
    r16.setSample<uint16_t>(i, static_cast<uint16_t>(1000 + 4000 * i));
    rf.setSample<float>(i, 0.0625f * i - 0.25f);
  }
  // Pixel (1, 1): samples 12 to 15 (red, green, blue, alpha).
  const vemu::Image a = vcli::ToWorking(r8, PF_PixelFormat_ARGB32);
  const PF_Pixel p8 = a.at<PF_Pixel>(1, 1);
  EXPECT_EQ((std::vector<int>{p8.red, p8.green, p8.blue, p8.alpha}), (std::vector<int>{250, 14, 34, 54}));
  const vemu::Image b = vcli::ToWorking(r16, PF_PixelFormat_ARGB64);
  EXPECT_EQ(b.at<PF_Pixel16>(1, 1).red, vcli::Working16FromFile16(49000));
  EXPECT_EQ(b.at<PF_Pixel16>(1, 1).alpha, vcli::Working16FromFile16(61000));
  const vemu::Image c = vcli::ToWorking(rf, PF_PixelFormat_ARGB128);
  EXPECT_EQ(c.at<PF_PixelFloat>(1, 1).red, 0.5f);
  EXPECT_EQ(c.at<PF_PixelFloat>(1, 1).alpha, 0.6875f);
  // Across depths: 8-bit into float and 16-bit working; float clamps into 8-bit.
  EXPECT_EQ(vcli::ToWorking(r8, PF_PixelFormat_ARGB128).at<PF_PixelFloat>(0, 1).green, 190 / 255.0f);
  EXPECT_EQ(vcli::ToWorking(r8, PF_PixelFormat_ARGB64).at<PF_Pixel16>(1, 0).blue, vcli::Working16From8(130));
  EXPECT_EQ(vcli::ToWorking(rf, PF_PixelFormat_ARGB32).at<PF_Pixel>(0, 0).red, 0);
  EXPECT_EQ(vcli::ToWorking(rf, PF_PixelFormat_ARGB32).at<PF_Pixel>(1, 1).alpha, 175);
  // Back to file samples at the working depth: the originals again.
  EXPECT_EQ(vcli::FromWorking(a).bytes, r8.bytes);
  EXPECT_EQ(vcli::FromWorking(c).bytes, rf.bytes);
  const Raster back16 = vcli::FromWorking(b);
  for (size_t i = 0; i < 16; ++i)
    EXPECT_EQ(back16.sample<uint16_t>(i),
              vcli::File16FromWorking16(vcli::Working16FromFile16(r16.sample<uint16_t>(i))));
}

TEST(ValueMapping, EightBitFilesGiveTheEmulatorsOwnConversionsOfTheSameFrame) {
  const vemu::Image frame8 = vemu::SyntheticCelFrame(40, 24);
  const Raster raster = clitest::CelRaster(40, 24, SampleKind::U8);
  EXPECT_TRUE(vcli::ToWorking(raster, PF_PixelFormat_ARGB32).samePixels(frame8));
  for (PF_PixelFormat format : {PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128})
    EXPECT_TRUE(vcli::ToWorking(raster, format).samePixels(vemu::ConvertFrame(frame8, format))) << format;
}

} // namespace
