// Colour-group extraction: the distance and its hue wrap, the channel
// conversions between the depths, matching through the host's RGBtoHLS at
// every depth and thread count, the per-chunk cache, and the plane it leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "pipeline_fixtures.h"
#include "render/ExtractColorGroup.h"

namespace {

constexpr PF_Fixed kDeg = 65536;

TEST(ExtractDistance, HueWrapsAtHalfACircleAndTheSumIsShiftedByThree) {
  struct Case {
    PF_Fixed h, l, s;    // converted pixel
    PF_Fixed eh, el, es; // entry
    int64_t d;
  };
  const Case cases[] = {
      {350 * kDeg, 26214, 65536, 10 * kDeg, 26214, 65536, 0x2800 >> 3}, // 20 degrees across 0
      {10 * kDeg, 0, 0, 350 * kDeg, 0, 0, 0x2800 >> 3},
      {0, 0, 0, 0xB40000, 0, 0, 0xB40000 >> 7 >> 3},               // exactly 180 degrees stays
      {0, 0, 0, 0xB40001, 0, 0, (0x1680000 - 0xB40001) >> 7 >> 3}, // just over: the short way
      {0, 0, 0, 180 * kDeg, 65536, 65536, kMaxColorDistance},      // the largest distance
      {0, 7, 0, 0, 0, 0, 0},                                       // a sum below 8 is distance 0
      {0, 4, 3, 0, 0, 0, 0},
      {0, 8, 0, 0, 0, 0, 1},
      {0x380, 0, 0, 0, 0, 0, 0}, // hue 0x380 adds 7
      {0, 65536, 0, 0, 0, 65536, 16384},
      {static_cast<PF_Fixed>(0x80000000u), 0, 0, 0, 0, 0, 0}, // undefined hue counts as 0
  };
  for (const Case &c : cases) {
    const PF_Fixed hls[3] = {c.h, c.l, c.s};
    EXPECT_EQ(ColorMatchDistance(hls, ColorMatchEntry{c.eh, c.el, c.es, 0}), c.d) << c.h << " " << c.eh;
  }
}

TEST(ExtractDistance, ChannelConversionsBetweenTheDepths) {
  // 8-bit to the 16-bit working range: (v x 32768 + 128) / 255.
  const std::pair<A_u_char, A_u_short> widen[] = {{0, 0},       {1, 129},     {127, 16320},
                                                  {128, 16448}, {254, 32640}, {255, 32768}};
  for (auto [v, w] : widen) EXPECT_EQ(WidenChannel(v), w) << int{v};
  // Back, and the byte each depth is matched by; beyond full scale is full.
  const std::pair<A_u_short, int> wide[] = {{0, 0},       {64, 0},      {65, 1},      {128, 1},    {16448, 128},
                                            {32767, 255}, {32768, 255}, {40000, 255}, {65535, 255}};
  for (auto [v, b] : wide) EXPECT_EQ(ExtractByte(v), b) << v;
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, int> floats[] = {{0.5f, 128}, {0.25f, 64},   {1.0f, 255},       {0.0f, 0},
                                          {-0.0f, 0},  {0.498f, 127}, {1.5f, 255},       {-0.3f, 0},
                                          {inf, 255},  {-inf, 0},     {std::nanf(""), 0}};
  for (auto [v, b] : floats) EXPECT_EQ(ExtractByte(v), b) << v;
}

// Pixels of the matching tests (8-bit): hue 350 and hue 10 at the same
// lightness and saturation, a transparent copy of the first, a near copy of
// it (distance 19 from it, 1299 from the second) and a grey.
const PF_Pixel P1{255, 204, 0, 34}, P2{255, 204, 34, 0}, T1{0, 204, 0, 34}, P4{255, 203, 0, 34}, G{255, 128, 128, 128},
    X{255, 1, 2, 3};

ColorMatchEntry EntryFor(PF_Pixel c, A_long threshold) {
  PF_Fixed hls[3];
  vemu::ConvertRGBtoHLS(c, hls);
  return ColorMatchEntry{hls[0], hls[1], hls[2], threshold};
}

TEST(Extract, MatchesByDistanceAtEveryDepthAndThreadCount) {
  // The 6 x 2 picture sits at (1, 1) inside a frame of Color B pixels, which
  // must not be read.
  std::vector<PF_Pixel> pixels(8 * 4, P2);
  const PF_Pixel picture[] = {P1, P2, T1, P4, G, P1, G, P2, P1, T1, P2, P4};
  for (int i = 0; i < 12; ++i) pixels[(1 + i / 6) * 8 + 1 + i % 6] = picture[i];
  const PF_LRect rect{1, 1, 7, 3};
  struct Case {
    ColorMatchList entries;
    const char *mask;
  };
  const Case cases[] = {
      {{EntryFor(P2, 1280)}, "110001\n011010\n"},
      {{EntryFor(P2, 1279)}, "010000\n010010\n"},
      {{EntryFor(P2, 0), EntryFor(G, 0)}, "010010\n110010\n"}, // Range 0 plus Color A
      {{EntryFor(P2, kMaxColorDistance)}, "110111\n111011\n"}, // Range 100: every opaque pixel
      {{EntryFor(P1, 0)}, "100001\n001000\n"},                 // the transparent copy stays out
      {{EntryFor(P1, 19)}, "100101\n001001\n"},
      {{EntryFor(X, 0), EntryFor(P1, 18)}, "100001\n001000\n"}, // later entries are tried too
      {{}, "000000\n000000\n"},
  };
  for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
    vemu::Image image = ptest::ImageFrom8(8, 4, format, pixels);
    for (int threads : ptest::kThreadCounts) {
      auto host = vtest::MakeHost(threads);
      for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << format << ", " << threads << " threads, case " << (&c - cases));
        vemu::Host::DirectCall call(*host);
        MaskPlane8 mask;
        PF_Err err = PF_Err_NONE;
        if (format == PF_PixelFormat_ARGB32)
          err = extractColorGroup<PF_Pixel8>(mask, call.in(), image.world(), rect, c.entries);
        if (format == PF_PixelFormat_ARGB64)
          err = extractColorGroup<PF_Pixel16>(mask, call.in(), image.world(), rect, c.entries);
        if (format == PF_PixelFormat_ARGB128)
          err = extractColorGroup<PF_PixelFloat>(mask, call.in(), image.world(), rect, c.entries);
        ASSERT_EQ(err, PF_Err_NONE);
        EXPECT_EQ(ptest::PlaneText(mask), c.mask);
        EXPECT_EQ(mask.flagsStale, 0);
      }
      EXPECT_EQ(host->leaks(), "");
    }
  }
}

TEST(Extract, ReplacesTheDestinationWithAPlaneOfTheRectangleAndExactFlags) {
  auto host = vtest::MakeHost(3);
  vemu::Host::DirectCall call(*host);
  // Rows 0 to 9 hold nothing of the group, rows 10 and 11 do.
  std::vector<PF_Pixel> pixels(3 * 12, G);
  pixels[31] = P1;
  pixels[33] = P1;
  vemu::Image image = ptest::ImageFrom8(3, 12, PF_PixelFormat_ARGB32, pixels);
  MaskPlane8 mask;
  createPlane8(mask, call.in(), 9, 9);
  ASSERT_EQ(extractColorGroup<PF_Pixel8>(mask, call.in(), image.world(), {0, 0, 3, 12}, {EntryFor(P1, 0)}),
            PF_Err_NONE);
  // Each chunk converts a colour again only where it differs from the last
  // converted one: the chunk of rows 0 to 7 converts G once; rows 8 to 11
  // convert G, P1, G, P1, G.
  EXPECT_EQ(host->counters().rgbToHlsCalls, 6);
  EXPECT_EQ(host->liveHandles(), 1); // the 9 x 9 plane went back
  EXPECT_EQ(mask.width, 3);
  EXPECT_EQ(mask.height, 12);
  EXPECT_EQ(mask.size, MaskPlaneBytes8(3, 12));
  EXPECT_EQ(std::string(mask.rowFlags, mask.rowFlags + 12), std::string("\0\0\0\0\0\0\0\0\0\0\1\1", 12));
  EXPECT_EQ(std::string(mask.columnFlags, mask.columnFlags + 3), std::string("\1\1\0", 3));
  EXPECT_EQ(mask.boundsStale, 0);
  EXPECT_EQ((std::vector<A_long>{mask.bounds.left, mask.bounds.top, mask.bounds.right, mask.bounds.bottom}),
            (std::vector<A_long>{0, 10, 2, 12}));
  // An empty rectangle gives a plane without elements and with exact flags,
  // whether a plane of its size is reused or not; one outside the image is
  // refused.
  ASSERT_EQ(extractColorGroup<PF_Pixel8>(mask, call.in(), image.world(), {2, 5, 2, 9}, {EntryFor(P1, 0)}), PF_Err_NONE);
  EXPECT_TRUE(mask.empty());
  createPlane8(mask, call.in(), 0, 4);
  std::memset(mask.rowFlags, 1, 4);
  ASSERT_EQ(extractColorGroup<PF_Pixel8>(mask, call.in(), image.world(), {2, 5, 2, 9}, {EntryFor(P1, 0)}), PF_Err_NONE);
  EXPECT_EQ(std::string(mask.rowFlags, mask.rowFlags + 4), std::string(4, '\0'));
  EXPECT_EQ(mask.flagsStale, 0);
  createPlane8(mask, call.in(), 2, 2);
  for (const PF_LRect &r : {PF_LRect{0, 0, 4, 12}, PF_LRect{-1, 0, 2, 2}, PF_LRect{0, 3, 3, 2}}) {
    EXPECT_EQ(extractColorGroup<PF_Pixel8>(mask, call.in(), image.world(), r, {EntryFor(P1, 0)}),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(mask.width, 2);
  }
  mask = MaskPlane8{};
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
