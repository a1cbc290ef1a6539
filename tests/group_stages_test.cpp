// The stages around a group's blur, through the emulator's iterate_generic
// with 1, 2, 3 and 7 workers: matte, corner fill, widening, write-back, view
// mask and masked copy, at each depth they exist for, on hand-made images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <type_traits>

#include "filters/MaskedCopy.h"
#include "pipeline_fixtures.h"
#include "render/GroupStages.h"

namespace {

// Every pixel different, channels included, so copies show where they came
// from: pixel i holds i x 4 + 1 to i x 4 + 4 (plus 0.5 in float; 8-bit
// channels wrap).
template <typename C> C Channel(int v) {
  if constexpr (std::is_floating_point_v<C>) return static_cast<C>(v + 0.5);
  else return static_cast<C>(v);
}

template <typename P> P Unique(int i) {
  using C = decltype(P{}.alpha);
  return P{Channel<C>(i * 4 + 1), Channel<C>(i * 4 + 2), Channel<C>(i * 4 + 3), Channel<C>(i * 4 + 4)};
}

template <typename P> vemu::Image UniqueImage(int w, int h) {
  vemu::Image image(w, h, ptest::Depth<P>::kFormat);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.at<P>(x, y) = Unique<P>(y * w + x);
  return image;
}

template <typename P> bool Same(const P &a, const P &b) { return std::memcmp(&a, &b, sizeof(P)) == 0; }

// Runs stage(in_data) on a fresh host for every thread count; the results
// must all equal the first.
void ForEachThreadCount(const std::function<void(PF_InData *)> &stage) {
  for (int threads : ptest::kThreadCounts) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    auto host = vtest::MakeHost(threads);
    {
      vemu::Host::DirectCall call(*host);
      stage(call.in());
    }
    EXPECT_EQ(host->leaks(), "");
    EXPECT_TRUE(host->misuse().empty());
  }
}

// The rectangle of the pictures: (1, 2) in an image two pixels larger on
// every side.
PF_LRect RectFor(const std::vector<std::string> &picture) {
  return PF_LRect{1, 2, 1 + static_cast<A_long>(picture[0].size()), 2 + static_cast<A_long>(picture.size())};
}

template <typename P> void CheckMatte() {
  const std::vector<std::string> picture = {"AB.A", "..BB", "AAA."};
  const PF_LRect rect = RectFor(picture);
  ForEachThreadCount([&](PF_InData *in) {
    vemu::Image matte = UniqueImage<P>(6, 7);
    const vemu::Image before = matte;
    const MaskPlane8 group = ptest::PlaneFromPicture(in, picture, "AB");
    const MaskPlane8 colorB = ptest::PlaneFromPicture(in, picture, "B");
    ASSERT_EQ(writeGroupMatte<P>(matte.world(), in, group, colorB, rect), PF_Err_NONE);
    const P black = ptest::Depth<P>::From8({255, 0, 0, 0}), white = ptest::Depth<P>::From8({255, 255, 255, 255});
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
        const char c = inside ? picture[y - rect.top][x - rect.left] : '.';
        const P &expected = c == 'B' ? black : c == 'A' ? white : before.at<P>(x, y);
        EXPECT_TRUE(Same(matte.at<P>(x, y), expected)) << x << ", " << y;
      }
  });
}

TEST(GroupStages, MatteIsBlackForColorBWhiteForTheRestOfTheGroup) {
  CheckMatte<PF_Pixel16>();
  CheckMatte<PF_PixelFloat>();
}

struct CornerCase {
  std::vector<std::string> picture; // A: Color A, B: Color B, '.': outside the group
  A_long cx, cy;
  const char *patched;
};

const CornerCase kCornerCases[] = {
    // Centre to the lower right; right and lower neighbours Color A.
    {{"BA.", "A..", "..."}, 10, 10, "100\n000\n000\n"},
    {{"BA.", "AA.", "..."}, 10, 10, "000\n000\n000\n"}, // diagonal is Color A
    {{"BB.", "A..", "..."}, 10, 10, "000\n000\n000\n"}, // right neighbour is Color B
    {{"BA.", "AB.", "..."}, 10, 10, "100\n000\n000\n"}, // diagonal Color B counts as outside
    {{".A.", "AB.", "..."}, 0, 0, "000\n010\n000\n"},   // centre to the upper left: the left neighbour
    {{".A.", "AB.", "..."}, 1, 1, "000\n010\n000\n"},   // on the centre's row and column: towards smaller
    {{".A.", "AB.", "..."}, 2, 2, "000\n000\n000\n"},
    {{"BA", "A."}, -5, -5, "00\n00\n"}, // centre outside: the border pixel is its own neighbour
    {{"BA", "A."}, 5, 5, "10\n00\n"},
    {{"BA"}, 5, 5, "00\n"}, // a single row has no row below
};

template <typename P> void CheckCornerFill() {
  for (const CornerCase &c : kCornerCases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - kCornerCases));
    const PF_LRect rect = RectFor(c.picture);
    const int w = rect.right + 2, h = rect.bottom + 2;
    ForEachThreadCount([&](PF_InData *in) {
      vemu::Image image = UniqueImage<P>(w, h);
      const vemu::Image before = image;
      const MaskPlane8 group = ptest::PlaneFromPicture(in, c.picture, "AB");
      const MaskPlane8 colorB = ptest::PlaneFromPicture(in, c.picture, "B");
      MaskPlane8 patch = ptest::PlaneFromPicture(in, c.picture, "AB."); // all set: must be cleared first
      ASSERT_EQ(fillCorners<P>(image.world(), in, rect, group, colorB, patch, c.cx, c.cy), PF_Err_NONE);
      EXPECT_EQ(ptest::PlaneText(patch), c.patched);
      EXPECT_EQ(patch.flagsStale, 1);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
          const bool patched = inside && patch.at(x - rect.left, y - rect.top);
          // A patched pixel is a whole-pixel copy of its neighbour towards the centre in the same row.
          const int from = patched ? x + (x - rect.left < c.cx ? 1 : -1) : x;
          EXPECT_TRUE(Same(image.at<P>(x, y), before.at<P>(from, y))) << x << ", " << y;
        }
    });
  }
}

TEST(GroupStages, CornerFillTakesTheNeighbourColourInInnerCorners) {
  CheckCornerFill<PF_Pixel16>();
  CheckCornerFill<PF_PixelFloat>();
}

TEST(GroupStages, CornerFillOfALargePictureIsTheSameForAnyBands) {
  std::vector<std::string> picture(29, std::string(41, '.'));
  ptest::Rng rng(3);
  for (std::string &row : picture)
    for (char &c : row) c = ".AAB"[rng.below(4)];
  const PF_LRect rect = RectFor(picture);
  std::vector<uint8_t> reference;
  std::string referencePatch;
  ForEachThreadCount([&](PF_InData *in) {
    vemu::Image image = UniqueImage<PF_Pixel16>(45, 33);
    MaskPlane8 patch;
    createPlane8(patch, in, 41, 29);
    ASSERT_EQ(fillCorners<PF_Pixel16>(image.world(), in, rect, ptest::PlaneFromPicture(in, picture, "AB"),
                                      ptest::PlaneFromPicture(in, picture, "B"), patch, 17, 11),
              PF_Err_NONE);
    if (reference.empty()) {
      reference = image.pixelBytes();
      referencePatch = ptest::PlaneText(patch);
    }
    EXPECT_EQ(image.pixelBytes(), reference);
    EXPECT_EQ(ptest::PlaneText(patch), referencePatch);
  });
  EXPECT_GT(std::count(referencePatch.begin(), referencePatch.end(), '1'), 10);
}

TEST(GroupStages, WideningAndWriteBackConvertEachChannelExactly) {
  // Widening: (v x 32768 + 128) / 255 on all four channels, inside the
  // rectangle only. Write-back: (v x 255 + 16384) >> 15 on red, green and
  // blue under the mask; values above full scale stay full.
  const A_u_char narrow[] = {0, 1, 127, 128, 254, 255};
  const A_u_short wide[] = {0, 129, 16320, 16448, 32640, 32768};
  const std::pair<A_u_short, A_u_char> back[] = {{0, 0}, {64, 0}, {128, 1}, {16448, 128}, {32767, 255}, {40000, 255}};
  ForEachThreadCount([&](PF_InData *in) {
    vemu::Image source(8, 2, PF_PixelFormat_ARGB32), widened = UniqueImage<PF_Pixel16>(8, 2);
    const vemu::Image widenedBefore = widened;
    for (int i = 0; i < 6; ++i) source.at<PF_Pixel8>(1 + i, 1) = PF_Pixel8{narrow[i], narrow[5 - i], narrow[i], 0};
    ASSERT_EQ(widenTo16(widened.world(), in, source.world(), {1, 1, 7, 2}), PF_Err_NONE);
    for (int x = 0; x < 8; ++x) {
      const PF_Pixel16 expected = x < 1 || x > 6 ? widenedBefore.at<PF_Pixel16>(x, 1)
                                                 : PF_Pixel16{wide[x - 1], wide[6 - x], wide[x - 1], 0};
      EXPECT_TRUE(Same(widened.at<PF_Pixel16>(x, 1), expected)) << x;
      EXPECT_TRUE(Same(widened.at<PF_Pixel16>(x, 0), widenedBefore.at<PF_Pixel16>(x, 0))) << x;
    }

    vemu::Image result(6, 1, PF_PixelFormat_ARGB64), output = UniqueImage<PF_Pixel8>(6, 1);
    const vemu::Image outputBefore = output;
    for (int i = 0; i < 6; ++i) result.at<PF_Pixel16>(i, 0) = PF_Pixel16{7, back[i].first, back[5 - i].first, 0};
    const MaskPlane8 group = ptest::PlaneFromPicture(in, {"xxxxx."}, "x");
    ASSERT_EQ(writeBack8(output.world(), in, result.world(), {0, 0, 6, 1}, group), PF_Err_NONE);
    for (int i = 0; i < 6; ++i) {
      const PF_Pixel8 &old = outputBefore.at<PF_Pixel8>(i, 0);
      const PF_Pixel8 expected = i == 5 ? old : PF_Pixel8{old.alpha, back[i].second, back[5 - i].second, 0};
      EXPECT_TRUE(Same(output.at<PF_Pixel8>(i, 0), expected)) << i;
    }
  });
}

template <typename P> void CheckViewMask() {
  ForEachThreadCount([&](PF_InData *in) {
    vemu::Image image = UniqueImage<P>(5, 4);
    if constexpr (sizeof(P) == 4) image.at<PF_Pixel8>(1, 1) = PF_Pixel8{200, 10, 20, 30};
    const vemu::Image before = image;
    const MaskPlane8 view = ptest::PlaneFromPicture(in, {".x.", "x.x"}, "x");
    ASSERT_EQ(applyViewMask<P>(image.world(), in, {1, 1, 4, 3}, view), PF_Err_NONE);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        P expected = before.at<P>(x, y);
        if (x >= 1 && x < 4 && y >= 1 && y < 3 && !view.at(x - 1, y - 1)) expected.alpha = 0;
        EXPECT_TRUE(Same(image.at<P>(x, y), expected)) << x << ", " << y;
      }
    if constexpr (sizeof(P) == 4) {
      EXPECT_TRUE(Same(image.at<PF_Pixel8>(1, 1), PF_Pixel8{0, 10, 20, 30}));
    }
  });
}

TEST(GroupStages, ViewMaskMakesPixelsOutsideTheGroupsTransparent) {
  CheckViewMask<PF_Pixel8>();
  CheckViewMask<PF_Pixel16>();
  CheckViewMask<PF_PixelFloat>();
}

template <typename P> void CheckMaskedCopy() {
  ForEachThreadCount([&](PF_InData *in) {
    vemu::Image source = UniqueImage<P>(6, 5), destination(6, 5, ptest::Depth<P>::kFormat);
    if constexpr (sizeof(P) == 16) { // a not-a-number with a payload is copied bit for bit
      const uint32_t bits = 0x7fc01234u;
      std::memcpy(&source.at<P>(2, 2).red, &bits, 4);
    }
    const vemu::Image empty = destination;
    const PF_LRect rect{1, 1, 5, 4};
    MaskPlane8 none = ptest::PlaneFromPicture(in, {"....", "....", "...."}, "x");
    ASSERT_EQ(copyMasked<P>(destination.world(), in, source.world(), rect, none), PF_Err_NONE);
    EXPECT_TRUE(destination.samePixels(empty));
    const MaskPlane8 mask = ptest::PlaneFromPicture(in, {"x..x", ".x..", "xxxx"}, "x");
    ASSERT_EQ(copyMasked<P>(destination.world(), in, source.world(), rect, mask), PF_Err_NONE);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool copied = x >= 1 && x < 5 && y >= 1 && y < 4 && mask.at(x - 1, y - 1);
        EXPECT_TRUE(Same(destination.at<P>(x, y), copied ? source.at<P>(x, y) : empty.at<P>(x, y)));
      }
  });
}

TEST(GroupStages, MaskedCopyTakesOverTheMaskedPixelsOnly) {
  CheckMaskedCopy<PF_Pixel16>();
  CheckMaskedCopy<PF_PixelFloat>();
}

TEST(GroupStages, RectanglesOutsideAWorldOrBeyondAPlaneAreRefused) {
  auto host = vtest::MakeHost(2);
  vemu::Host::DirectCall call(*host);
  PF_InData *in = call.in();
  vemu::Image a8(4, 3, PF_PixelFormat_ARGB32), a16(4, 3, PF_PixelFormat_ARGB64), b16 = UniqueImage<PF_Pixel16>(4, 3);
  const vemu::Image before8 = a8, before16 = a16;
  MaskPlane8 full = ptest::PlaneFromPicture(in, {"xxxx", "xxxx", "xxxx"}, "x");
  MaskPlane8 small = ptest::PlaneFromPicture(in, {"xxx", "xxx"}, "x");
  MaskPlane8 patch = full;
  const PF_LRect bad[] = {{0, 0, 5, 3}, {0, 0, 4, 4}, {-1, 0, 3, 3}, {2, 0, 1, 3}};
  for (const PF_LRect &r : bad) {
    EXPECT_EQ(writeGroupMatte<PF_Pixel16>(a16.world(), in, full, full, r), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(fillCorners<PF_Pixel16>(a16.world(), in, r, full, full, patch, 0, 0), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(widenTo16(a16.world(), in, a8.world(), r), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(writeBack8(a8.world(), in, b16.world(), r, full), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(applyViewMask<PF_Pixel8>(a8.world(), in, r, small), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(copyMasked<PF_Pixel16>(a16.world(), in, b16.world(), r, full), PF_Err_BAD_CALLBACK_PARAM);
  }
  // A plane smaller than the rectangle.
  const PF_LRect whole{0, 0, 4, 3};
  EXPECT_EQ(writeGroupMatte<PF_Pixel16>(a16.world(), in, full, small, whole), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(writeBack8(a8.world(), in, b16.world(), whole, small), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(copyMasked<PF_Pixel16>(a16.world(), in, b16.world(), whole, small), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(a8.samePixels(before8));
  EXPECT_TRUE(a16.samePixels(before16));
  EXPECT_EQ(ptest::PlaneText(patch), "1111\n1111\n1111\n"); // not cleared by a refused fill
  EXPECT_EQ(host->counters().iterateCalls, 0);
}

} // namespace
