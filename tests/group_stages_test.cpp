// The stages around a group's blur on hand-made images placed off the
// origin: matte, corner fill, widening, write-back, view mask and masked
// copy, each writing exactly its pixels, and the refusal of rectangles that
// do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "filters/MaskedCopy.h"
#include "pipeline_fixtures.h"
#include "render/DepthConvert.h"
#include "render/GroupStages.h"

namespace {

bool Inside(const PF_LRect &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// The character of a picture placed at r's corner at image position (x, y);
// ' ' outside r.
char At(const std::vector<std::string> &picture, const PF_LRect &r, int x, int y) {
  return Inside(r, x, y) ? picture[y - r.top][x - r.left] : ' ';
}

// Every pixel of image equals expected(x, y), byte for byte.
template <typename P> void ExpectPixels(const vemu::Image &image, const std::function<P(int, int)> &expected) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const P e = expected(x, y);
      EXPECT_EQ(std::memcmp(&image.at<P>(x, y), &e, sizeof(P)), 0) << x << "," << y;
    }
}

// Runs stage(in_data) on a fresh host; nothing may be left with it.
void WithHost(const std::function<void(PF_InData *)> &stage) {
  auto host = vtest::MakeHost(2);
  {
    vemu::Host::DirectCall call(*host);
    stage(call.in());
  }
  EXPECT_EQ(host->leaks(), "");
  EXPECT_TRUE(host->misuse().empty());
}

// The matte is opaque black for Color B and opaque white for the rest of the
// group; the masked copy takes over the group's pixels; the view mask makes
// the rectangle's other pixels transparent. Each leaves the rest.
template <typename P> void CheckMatteCopyAndViewMask(PF_PixelFormat format, const P &black, const P &white) {
  const std::vector<std::string> picture = {"AB.A", "..BB", "AAA."};
  const PF_LRect rect{1, 2, 5, 5};
  WithHost([&](PF_InData *in) {
    vemu::Image source = ptest::NoisyImage(6, 7, format, 8);
    const vemu::Image before = ptest::NoisyImage(6, 7, format, 3);
    vemu::Image matte = before, copy = before, masked = before;
    const MaskPlane8 group = ptest::PlaneFromPicture(in, picture, "AB");
    const MaskPlane8 colorB = ptest::PlaneFromPicture(in, picture, "B");
    ASSERT_EQ(writeGroupMatte<P>(matte.world(), in, group, colorB, rect), PF_Err_NONE);
    ASSERT_EQ(copyMasked<P>(copy.world(), in, source.world(), rect, group), PF_Err_NONE);
    ASSERT_EQ(applyViewMask<P>(masked.world(), in, rect, group), PF_Err_NONE);
    ExpectPixels<P>(matte, [&](int x, int y) {
      const char c = At(picture, rect, x, y);
      return c == 'B' ? black : c == 'A' ? white : before.at<P>(x, y);
    });
    ExpectPixels<P>(copy, [&](int x, int y) {
      const char c = At(picture, rect, x, y);
      return (c == 'A' || c == 'B' ? source : before).template at<P>(x, y);
    });
    ExpectPixels<P>(masked, [&](int x, int y) {
      P expected = before.at<P>(x, y);
      if (At(picture, rect, x, y) == '.') expected.alpha = 0;
      return expected;
    });
  });
}

TEST(GroupStages, MatteMaskedCopyAndViewMaskWriteTheirPixelsOnly) {
  CheckMatteCopyAndViewMask<PF_Pixel16>(PF_PixelFormat_ARGB64, {32768, 0, 0, 0}, {32768, 32768, 32768, 32768});
  CheckMatteCopyAndViewMask<PF_PixelFloat>(PF_PixelFormat_ARGB128, {1, 0, 0, 0}, {1, 1, 1, 1});
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
    {{"..A", ".AB"}, 0, 0, "000\n001\n"}, // the neighbour is the very next pixel
    {{"BA", "A."}, -5, -5, "00\n00\n"},   // centre outside: the border pixel is its own neighbour
    {{"BA", "A."}, 5, 5, "10\n00\n"},
    {{"BA"}, 5, 5, "00\n"}, // a single row has no row below
};

// The picture lies at (1, 2) in an image two pixels larger on every side.
TEST(GroupStages, CornerFillTakesTheNeighbourColourInInnerCorners) {
  for (const CornerCase &c : kCornerCases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - kCornerCases));
    const PF_LRect rect{1, 2, 1 + static_cast<A_long>(c.picture[0].size()), 2 + static_cast<A_long>(c.picture.size())};
    WithHost([&](PF_InData *in) {
      vemu::Image image = ptest::NoisyImage(rect.right + 2, rect.bottom + 2, PF_PixelFormat_ARGB64, 9);
      const vemu::Image before = image;
      MaskPlane8 group = ptest::PlaneFromPicture(in, c.picture, "AB");
      group.bounds = PF_LRect{0, 0, group.width, group.height}; // known: the marks' bounds become known too
      group.boundsStale = 0;
      const MaskPlane8 colorB = ptest::PlaneFromPicture(in, c.picture, "B");
      MaskPlane8 patch = ptest::PlaneFromPicture(in, c.picture, "AB."); // all set: must be cleared first
      ASSERT_EQ(fillCorners<PF_Pixel16>(image.world(), in, rect, group, colorB, patch, c.cx, c.cy), PF_Err_NONE);
      EXPECT_EQ(ptest::PlaneText(patch), c.patched);
      EXPECT_EQ(patch.flagsStale, 1);
      // A patched pixel is a whole-pixel copy of its neighbour towards the centre in the same row.
      ExpectPixels<PF_Pixel16>(image, [&](int x, int y) {
        const bool patched = Inside(rect, x, y) && patch.at(x - rect.left, y - rect.top);
        return before.at<PF_Pixel16>(patched ? x + (x - rect.left < c.cx ? 1 : -1) : x, y);
      });
      // The next group's fill (one without Color A here) starts from a patch mask without marks.
      ASSERT_EQ(fillCorners<PF_Pixel16>(image.world(), in, rect, colorB, colorB, patch, c.cx, c.cy), PF_Err_NONE);
      std::string none = c.patched;
      std::replace(none.begin(), none.end(), '1', '0');
      EXPECT_EQ(ptest::PlaneText(patch), none);
    });
  }
}

TEST(GroupStages, WideningAndWriteBackConvertEachChannelInTheirAreaOnly) {
  // Widening: all four channels inside the rectangle. Write-back: red, green
  // and blue under the mask; alpha stays.
  const PF_LRect rect{1, 1, 4, 3};
  const std::vector<std::string> picture = {"x.x", ".xx"};
  WithHost([&](PF_InData *in) {
    vemu::Image narrow = ptest::NoisyImage(5, 4, PF_PixelFormat_ARGB32, 4);
    vemu::Image wide = ptest::NoisyImage(5, 4, PF_PixelFormat_ARGB64, 5);
    vemu::Image wideBefore = wide;
    ASSERT_EQ(widenTo16(wide.world(), in, narrow.world(), rect), PF_Err_NONE);
    ExpectPixels<PF_Pixel16>(wide, [&](int x, int y) -> PF_Pixel16 {
      const PF_Pixel8 &p = narrow.at<PF_Pixel8>(x, y);
      return Inside(rect, x, y)
                 ? PF_Pixel16{WidenChannel(p.alpha), WidenChannel(p.red), WidenChannel(p.green), WidenChannel(p.blue)}
                 : wideBefore.at<PF_Pixel16>(x, y);
    });
    vemu::Image output = ptest::NoisyImage(5, 4, PF_PixelFormat_ARGB32, 6);
    const vemu::Image outputBefore = output;
    const MaskPlane8 group = ptest::PlaneFromPicture(in, picture, "x");
    ASSERT_EQ(writeBack8(output.world(), in, wideBefore.world(), rect, group), PF_Err_NONE);
    ExpectPixels<PF_Pixel8>(output, [&](int x, int y) -> PF_Pixel8 {
      const PF_Pixel8 &old = outputBefore.at<PF_Pixel8>(x, y);
      const PF_Pixel16 &p = wideBefore.at<PF_Pixel16>(x, y);
      if (At(picture, rect, x, y) != 'x') return old;
      return PF_Pixel8{old.alpha, NarrowChannel(p.red), NarrowChannel(p.green), NarrowChannel(p.blue)};
    });
  });
}

TEST(GroupStages, RectanglesOutsideAWorldOrBeyondAPlaneAreRefused) {
  auto host = vtest::MakeHost(2);
  vemu::Host::DirectCall call(*host);
  PF_InData *in = call.in();
  vemu::Image a8(4, 3, PF_PixelFormat_ARGB32), a16(4, 3, PF_PixelFormat_ARGB64);
  vemu::Image b16 = ptest::NoisyImage(4, 3, PF_PixelFormat_ARGB64, 5);
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
