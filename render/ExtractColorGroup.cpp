// Colour-group extraction for 8-bit, 16-bit and float images: each chunk of
// rows converts the opaque pixels it meets to HLS through the host (skipping the
// conversion when a pixel repeats the last colour) and marks the close ones.
#include "ExtractColorGroup.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "stage/StageJob.h"

namespace {

struct ExtractJob : StageJob {
  PF_InData *in_data = nullptr;
  ColorMatchList entries; // the caller's list, copied on the calling thread
  A_u_char label = 1;
  // The plane being written is slot 1 (groupMask); the image is `source`.
  // The first failed conversion of any chunk; the callbacks cannot return
  // it, so the stage does after the iteration.
  std::atomic<PF_Err> conversionError{PF_Err_NONE};
  // The chunks gather the plane's bounds and count the rows they wrote.
  std::atomic<A_long> left{INT32_MAX}, top{INT32_MAX}, right{0}, bottom{0};
  std::atomic<A_long> rowsWritten{0};
};

void AtomicMin(std::atomic<A_long> &v, A_long x) {
  A_long seen = v.load(std::memory_order_relaxed);
  while (x < seen && !v.compare_exchange_weak(seen, x, std::memory_order_relaxed)) {
  }
}

void AtomicMax(std::atomic<A_long> &v, A_long x) {
  A_long seen = v.load(std::memory_order_relaxed);
  while (x > seen && !v.compare_exchange_weak(seen, x, std::memory_order_relaxed)) {
  }
}

// Same red, green and blue; alpha is not compared. Float channels compare
// bit for bit, so that 0.0 and -0.0 (or two not-a-numbers) stay apart
// exactly as their bytes do.
inline bool SameChannel(A_u_char a, A_u_char b) { return a == b; }
inline bool SameChannel(A_u_short a, A_u_short b) { return a == b; }
inline bool SameChannel(A_FpShort a, A_FpShort b) {
  uint32_t x, y;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x == y;
}

template <typename Pixel> bool SameColor(const Pixel &a, const Pixel &b) {
  return SameChannel(a.red, b.red) && SameChannel(a.green, b.green) && SameChannel(a.blue, b.blue);
}

// The label when some entry, in list order, is close enough; 0 otherwise.
A_u_char MatchEntries(const PF_Fixed hls[3], const ColorMatchEntry *entries, size_t count, A_u_char label) {
  for (size_t k = 0; k < count; ++k)
    if (ColorMatchDistance(hls, entries[k]) <= entries[k].threshold) return label;
  return 0;
}

template <typename Pixel> void ExtractRows(ExtractJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  PF_InData *in = job.in_data;
  const auto toHls = in->utils->colorCB.RGBtoHLS;
  const ColorMatchEntry *entries = job.entries.data();
  const size_t count = job.entries.size();

  // The chunk's one-pixel cache: the last converted pixel and its result. It
  // carries over from row to row; transparent pixels leave it alone. Chunks
  // start at fixed lines, so the conversions made do not depend on which
  // callback takes a chunk.
  bool cached = false;
  Pixel last{};
  A_u_char lastResult = 0;

  if (w <= 0) {
    job.rowsWritten.fetch_add(end - begin, std::memory_order_relaxed);
    return;
  }
  A_long left = INT32_MAX, top = INT32_MAX, right = 0, bottom = 0; // of the chunk's elements
  for (A_long y = begin; y < end; ++y) {
    const Pixel *from = WorldRow<Pixel>(job.source, job.rect.top + y) + job.rect.left;
    A_u_char *to = job.groupMask.row(y);
    A_u_char *columnFlags = job.groupMask.columnFlags;
    A_long rowLeft = w, rowRight = 0;
    for (A_long x = 0; x < w; ++x) {
      const Pixel &p = from[x];
      A_u_char element = 0;
      if (p.alpha != 0) {
        if (cached && SameColor(p, last)) {
          element = lastResult;
        } else {
          PF_Pixel rgb{255, ExtractByte(p.red), ExtractByte(p.green), ExtractByte(p.blue)};
          PF_HLS_Pixel hls = {0, 0, 0};
          const PF_Err err = toHls(in->effect_ref, &rgb, hls);
          last = p;
          cached = true;
          // A failed conversion leaves nothing to compare: not matched, and
          // the frame fails with the first such error.
          if (err != PF_Err_NONE) {
            PF_Err none = PF_Err_NONE;
            job.conversionError.compare_exchange_strong(none, err);
          }
          lastResult = err == PF_Err_NONE ? MatchEntries(hls, entries, count, job.label) : 0;
          element = lastResult;
        }
      }
      to[x] = element;
      if (element) {
        // Columns are shared between chunks: each flag is set atomically.
        if (!__atomic_load_n(&columnFlags[x], __ATOMIC_RELAXED)) __atomic_store_n(&columnFlags[x], 1, __ATOMIC_RELAXED);
        rowLeft = std::min(rowLeft, x);
        rowRight = x + 1;
      }
    }
    job.groupMask.rowFlags[y] = rowRight > 0 ? 1 : 0;
    if (rowRight > 0) {
      left = std::min(left, rowLeft);
      right = std::max(right, rowRight);
      top = std::min(top, y);
      bottom = y + 1;
    }
  }
  if (bottom > 0) {
    AtomicMin(job.left, left);
    AtomicMin(job.top, top);
    AtomicMax(job.right, right);
    AtomicMax(job.bottom, bottom);
  }
  job.rowsWritten.fetch_add(end - begin, std::memory_order_relaxed);
}

} // namespace

int64_t ColorMatchDistance(const PF_Fixed hls[3], const ColorMatchEntry &entry) {
  const PF_Fixed undefined = static_cast<PF_Fixed>(static_cast<uint32_t>(PF_HUE_UNDEFINED));
  const int64_t hue = hls[0] == undefined ? 0 : hls[0];
  const int64_t reference = entry.hue == undefined ? 0 : entry.hue;
  int64_t dH = hue - reference;
  if (dH < 0) dH = -dH;
  if (dH >= 0xB40001) dH = 0x1680000 - dH; // more than 180 degrees: the other way round
  int64_t dL = static_cast<int64_t>(hls[1]) - entry.lightness;
  if (dL < 0) dL = -dL;
  int64_t dS = static_cast<int64_t>(hls[2]) - entry.saturation;
  if (dS < 0) dS = -dS;
  return (dL + dS + (dH >> 7)) >> 3;
}

template <typename Pixel>
PF_Err extractColorGroup(MaskPlane8 &destination, PF_InData *in_data, PF_EffectWorld *image, const PF_LRect &rect,
                         const ColorMatchList &entries) {
  if (!RectFitsWorld(rect, image)) return PF_Err_BAD_CALLBACK_PARAM;

  ExtractJob job;
  job.in_data = in_data;
  job.source = image;
  job.rect = rect;
  job.entries = entries;
  job.label = 1;

  // The destination's own allocation when it has the rectangle's size and
  // nothing else shares it; a fresh plane otherwise. Every row is written by
  // the iteration, flags and bounds included.
  const A_long w = job.width(), h = job.height();
  MaskPlane8 plane;
  if (destination.data && destination.width == w && destination.height == h && destination.owner.useCount() == 1) {
    plane = destination;
  } else {
    makeEmpty(plane);
    resizePlane8(plane, in_data, w, h);
  }
  if (plane.data) {
    std::memset(plane.rowFlags, 0, h);
    std::memset(plane.columnFlags, 0, w);
  }
  plane.flagsStale = 1;
  plane.boundsStale = 1;
  job.groupMask = plane;

  PF_Err err = IterateBands<ExtractJob, ExtractRows<Pixel>>(in_data, job, h);
  if (err == PF_Err_NONE) err = job.conversionError.load();

  if (err != PF_Err_NONE || job.rowsWritten.load() != h) {
    // Rows the iteration did not reach: nothing of them is matched.
    clearPlane(plane);
  } else {
    plane.flagsStale = 0;
    plane.boundsStale = 0;
    if (job.bottom.load() > 0)
      plane.bounds = PF_LRect{job.left.load(), job.top.load(), job.right.load(), job.bottom.load()};
    else
      plane.bounds = PF_LRect{0, 0, 0, 0};
  }
  destination = std::move(plane);
  return err;
}

template PF_Err extractColorGroup<PF_Pixel8>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                            const ColorMatchList &);
template PF_Err extractColorGroup<PF_Pixel16>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                             const ColorMatchList &);
template PF_Err extractColorGroup<PF_PixelFloat>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                                const ColorMatchList &);
