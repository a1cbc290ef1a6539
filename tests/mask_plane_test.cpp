// Mask planes (layout, sizes, host memory, clear, merge, occupancy, resize),
// the chunked distribution of lines and the per-processor iteration through
// the emulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include "AEException.h"
#include "pipeline_fixtures.h"
#include "stage/StageJob.h"

namespace {

// One host allocation: h rows of pitch elements, then 4r row-flag bytes,
// then the column flags.
template <typename T> void CheckLayout(const MaskPlane<T> &p, A_long pitch, int64_t bytes) {
  const auto *base = reinterpret_cast<const unsigned char *>(p.data);
  EXPECT_EQ(p.size, bytes);
  EXPECT_EQ(p.pitch, pitch);
  EXPECT_EQ(p.rowBytes, pitch * static_cast<A_long>(sizeof(T)));
  EXPECT_EQ(p.rowFlags - base, int64_t{p.height} * p.rowBytes);
  EXPECT_EQ(p.columnFlags - p.rowFlags, 4 * ((p.height + 3) / 4));
  std::memset(p.data, 0x5a, static_cast<size_t>(bytes)); // every byte of the size is usable
  EXPECT_EQ(p.bounds.right * 10 + p.bounds.bottom, p.width * 10 + p.height);
  EXPECT_EQ(p.flagsStale + p.boundsStale, 2);
}

TEST(MaskPlane, LayoutAndSizeOfOneHostAllocation) {
  // c = (w + 3) / 4, r = (h + 3) / 4; u8 ((h + 1)c + r) x 4, u16 ((2h + 1)c + r) x 4.
  struct Case {
    A_long w, h, pitch;
    int64_t bytes8, bytes16;
  };
  const Case cases[] = {{5, 3, 8, 36, 60},  {1, 1, 4, 12, 16}, {4, 4, 4, 24, 40},
                        {8, 9, 8, 92, 164}, {0, 5, 0, 8, 8},   {7, 0, 8, 8, 8}};
  auto host = vtest::MakeHost();
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
    vemu::Host::DirectCall call(*host);
    EXPECT_EQ(MaskPlaneBytes8(c.w, c.h), c.bytes8);
    EXPECT_EQ(MaskPlaneBytes16(c.w, c.h), c.bytes16);
    MaskPlane8 p8;
    MaskPlane16 p16;
    createPlane8(p8, call.in(), c.w, c.h);
    createPlane16(p16, call.in(), c.w, c.h);
    CheckLayout(p8, c.pitch, c.bytes8);
    CheckLayout(p16, c.pitch, c.bytes16);
  }
  EXPECT_EQ(host->leaks(), "");
  EXPECT_TRUE(host->misuse().empty());
}

TEST(MaskPlane, CopiesShareTheBlockAndResizeOrEmptyingLetsItGo) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  MaskPlane8 p;
  createPlane8(p, call.in(), 3, 3);
  MaskPlane8 copy = p;
  EXPECT_EQ(copy.data, p.data);
  EXPECT_EQ(p.owner.useCount(), 2u);
  clearPlane(p);
  resizePlane8(p, call.in(), 7, 2);
  EXPECT_EQ(p.width, 7);
  EXPECT_EQ(p.size, MaskPlaneBytes8(7, 2));
  EXPECT_EQ(p.flagsStale + p.boundsStale, 2);
  EXPECT_EQ(host->liveHandles(), 2); // the copy still holds the first block
  makeEmpty(copy);
  EXPECT_EQ(copy.owner.useCount(), 1u); // a fresh owner block of its own
  EXPECT_EQ(host->liveHandles(), 1);
  const A_long empties[][2] = {{0, 10}, {10, 0}, {-1, 5}, {5, -3}};
  for (const auto &size : empties) {
    resizePlane8(p, call.in(), size[0], size[1]);
    EXPECT_EQ(p.data, nullptr);
    EXPECT_EQ(p.rowFlags, nullptr);
    EXPECT_EQ(p.size + p.width + p.height + p.pitch + p.rowBytes, 0);
    EXPECT_EQ(p.flagsStale + p.boundsStale, 2);
    EXPECT_EQ(host->liveHandles(), 0);
  }
  clearPlane(p); // an empty plane clears without touching memory
  EXPECT_EQ(host->leaks(), "");
}

void ExpectOutOfMemory(const std::function<void()> &allocate) {
  try {
    allocate();
    ADD_FAILURE() << "no exception";
  } catch (const AEUtil::AEException &e) {
    EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
  }
}

TEST(MaskPlane, SizesBeyondTheAllocatorOrNoAllocatorThrowOutOfMemoryWithoutAHostCall) {
  // 65536 x 65535 u8 needs 2^32 + 65536 bytes, which a 32-bit size would
  // wrap to 65536.
  const A_long sizes[][2] = {{65536, 65535}, {32768, 65535}, {INT_MAX, INT_MAX}, {INT_MAX, 0}};
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  MaskPlane8 p8;
  createPlane8(p8, call.in(), 2, 2);
  MaskPlane16 p16;
  makeEmpty(p16);
  for (const auto &size : sizes) {
    SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
    EXPECT_GT(MaskPlaneBytes16(size[0], size[1]), int64_t{INT_MAX});
    ExpectOutOfMemory([&] { createPlane8(p8, call.in(), size[0], size[1]); });
    ExpectOutOfMemory([&] { resizePlane8(p8, call.in(), size[0], size[1] ? size[1] : 1); });
    ExpectOutOfMemory([&] { createPlane16(p16, call.in(), size[0], size[1]); });
  }
  // No allocator at all is out of memory too, not a plane without elements.
  PF_InData noAllocator = *call.in();
  noAllocator.pica_basicP = nullptr;
  ExpectOutOfMemory([&] { createPlane8(p8, &noAllocator, 4, 4); });
  EXPECT_EQ(host->counters().handlesMade, 1); // only the first 2 x 2 plane
  EXPECT_EQ(p8.width, 2);                     // a refused plane stays as it was
  EXPECT_EQ(p16.data, nullptr);
  p8 = MaskPlane8{};
  EXPECT_EQ(host->leaks(), "");
}

TEST(MaskPlane, ClearOccupancyAndMergeKeepTheFlags) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  // Clearing zeroes the elements in use, every flag and the bounds; padding
  // is neither written nor read.
  MaskPlane8 p8;
  MaskPlane16 p16;
  createPlane8(p8, call.in(), 5, 3);
  createPlane16(p16, call.in(), 5, 3);
  std::memset(p8.data, 0xff, static_cast<size_t>(p8.size));
  std::memset(p16.data, 0xff, static_cast<size_t>(p16.size));
  clearPlane(p8);
  clearPlane(p16);
  for (A_long y = 0; y < 3; ++y) {
    for (A_long x = 0; x < 5; ++x) EXPECT_EQ(p8.at(x, y) | p16.at(x, y) | p8.columnFlags[x] | p16.columnFlags[x], 0);
    EXPECT_EQ(p8.row(y)[5], 0xff);
    EXPECT_EQ(p16.row(y)[7], 0xffff);
    EXPECT_EQ(p8.rowFlags[y] | p16.rowFlags[y], 0);
  }
  EXPECT_EQ(p8.bounds.right + p8.bounds.bottom, 0);
  EXPECT_EQ(p8.flagsStale + p8.boundsStale + p16.flagsStale + p16.boundsStale, 0);

  // Occupancy: rows and columns holding an element, padding aside.
  MaskPlane8 d = ptest::PlaneFromPicture(call.in(), {"x....", "x....", ".....", "..x.x"}, "x");
  d.row(2)[6] = 9;
  d.rowFlags[2] = 1;
  updateOccupancy(d);
  EXPECT_EQ(std::string(d.rowFlags, d.rowFlags + 4), std::string("\1\1\0\1", 4));
  EXPECT_EQ(std::string(d.columnFlags, d.columnFlags + 5), std::string("\1\0\1\0\1", 5));
  EXPECT_EQ(d.flagsStale + 2 * d.boundsStale, 2);

  // Merging copies non-zero elements over the common area as they are,
  // skipping rows the source's exact flags mark empty; it never clears.
  MaskPlane8 s = ptest::PlaneFromPicture(call.in(), {"..", ".y", "y.", "yy", "yy"}, "y");
  s.row(0)[0] = 3; // hidden by the exact flags of row 0
  s.row(1)[1] = 7;
  mergePlane(d, s);
  EXPECT_EQ(ptest::PlaneText(d), "10000\n17000\n10000\n11101\n");
  EXPECT_EQ(std::string(d.columnFlags, d.columnFlags + 5), std::string("\1\1\1\0\1", 5));
  EXPECT_EQ(std::string(d.rowFlags, d.rowFlags + 4), std::string("\1\1\1\1", 4));
  EXPECT_EQ(d.boundsStale, 1);
  s.flagsStale = 1; // stale source flags: every row counts
  mergePlane(d, s);
  EXPECT_EQ(ptest::PlaneText(d), "30000\n17000\n10000\n11101\n");
}

// Records the chunks the callbacks are handed.
struct CountJob : StageJob {
  std::mutex mutex;
  std::vector<std::pair<A_long, A_long>> taken;
};

void CountRows(CountJob &job, A_long begin, A_long end) {
  std::lock_guard<std::mutex> lock(job.mutex);
  job.taken.emplace_back(begin, end);
}

// Chunks start at multiples of 8 and hold 8 lines but for the last of the
// range; every line is taken once, whatever the processor count. With exact
// flags and bounds on the group mask, lines outside the bounds and chunks of
// empty lines are left out, never a line with an element. Lines are rows, or
// columns when there are as many as the rectangle has columns.
TEST(LineChunks, EveryLineRunsOnceInAlignedChunks) {
  struct Case {
    A_long lines;
    std::vector<A_long> occupied; // lines of the group mask holding an element; empty: no mask
    bool maskedLinesOnly, columns;
    std::vector<std::pair<A_long, A_long>> chunks;
  };
  const Case cases[] = {
      {0, {}, true, false, {}},
      {1, {}, true, false, {{0, 1}}},
      {5, {}, true, false, {{0, 5}}},
      {8, {}, true, false, {{0, 8}}},
      {23, {}, true, false, {{0, 8}, {8, 16}, {16, 23}}},
      {41, {11, 12, 30}, true, false, {{8, 16}, {24, 31}}}, // bounds 11..30; chunk 16..23 is empty
      {41, {11, 12, 30}, true, true, {{8, 16}, {24, 31}}},
      {41, {11, 12, 30}, false, false, {{0, 8}, {8, 16}, {16, 24}, {24, 32}, {32, 40}, {40, 41}}},
      {41, {40}, true, false, {{40, 41}}},
      {41, {0}, true, false, {{0, 1}}},
      {41, {0}, true, true, {{0, 1}}},
  };
  for (int threads : ptest::kThreadCounts) {
    auto host = vtest::MakeHost(threads);
    vemu::Host::DirectCall call(*host);
    for (const Case &c : cases) {
      SCOPED_TRACE(testing::Message() << threads << " threads, case " << (&c - cases));
      CountJob job;
      // The other side of the rectangle is 3: line 1 across it holds the elements.
      const A_long w = c.columns ? c.lines : 3, h = c.columns ? 3 : c.lines;
      job.rect = PF_LRect{0, 0, w, h};
      job.maskedLinesOnly = c.maskedLinesOnly;
      if (!c.occupied.empty()) {
        std::vector<std::string> picture(h, std::string(w, '.'));
        for (A_long line : c.occupied) (c.columns ? picture[1][line] : picture[line][1]) = 'x';
        job.groupMask = ptest::PlaneFromPicture(call.in(), picture, "x");
        const A_long first = c.occupied.front(), last = c.occupied.back() + 1;
        job.groupMask.bounds = c.columns ? PF_LRect{first, 1, last, 2} : PF_LRect{1, first, 2, last};
        job.groupMask.boundsStale = 0;
      }
      EXPECT_EQ((IterateBands<CountJob, CountRows>(call.in(), job, c.lines)), PF_Err_NONE);
      std::sort(job.taken.begin(), job.taken.end());
      EXPECT_EQ(job.taken, c.chunks);
    }
    host->injectFault(vemu::Fault::IterateGeneric, PF_Err_OUT_OF_MEMORY);
    CountJob job;
    EXPECT_EQ((IterateBands<CountJob, CountRows>(call.in(), job, 4)), PF_Err_OUT_OF_MEMORY);
  }
}

} // namespace
