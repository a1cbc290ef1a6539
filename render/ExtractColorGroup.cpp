// Colour-group extraction for 8-bit, 16-bit and float images: each band
// converts the opaque pixels it meets to HLS through the host (skipping the
// conversion when a pixel repeats the last colour) and marks the close ones.
#include "ExtractColorGroup.h"

#include <atomic>
#include <cstring>
#include <utility>

#include "StageJob.h"

namespace {

struct ExtractJob : StageJob {
  PF_InData *in_data = nullptr;
  ColorMatchList entries; // the caller's list, copied on the calling thread
  A_u_char label = 1;
  // The plane being written is slot 1 (groupMask); the image is `source`.
  // The first failed conversion of any band; the band callbacks cannot
  // return it, so the stage does after the iteration.
  std::atomic<PF_Err> conversionError{PF_Err_NONE};
};

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

  // The band's one-pixel cache: the last converted pixel and its result. It
  // carries over from row to row; transparent pixels leave it alone.
  bool cached = false;
  Pixel last{};
  A_u_char lastResult = 0;

  for (A_long y = begin; y < end; ++y) {
    const Pixel *from = WorldRow<Pixel>(job.source, job.rect.top + y) + job.rect.left;
    A_u_char *to = job.groupMask.row(y);
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
    }
  }
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

  // A fresh plane of the rectangle's size, all zero.
  MaskPlane8 plane;
  makeEmpty(plane);
  resizePlane8(plane, in_data, job.width(), job.height());
  clearPlane(plane);
  job.groupMask = plane;

  PF_Err err = IterateBands<ExtractJob, ExtractRows<Pixel>>(in_data, job, job.height());
  if (err == PF_Err_NONE) err = job.conversionError.load();

  updateOccupancy(plane);
  destination = std::move(plane);
  return err;
}

template PF_Err extractColorGroup<PF_Pixel8>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                            const ColorMatchList &);
template PF_Err extractColorGroup<PF_Pixel16>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                             const ColorMatchList &);
template PF_Err extractColorGroup<PF_PixelFloat>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                                const ColorMatchList &);
