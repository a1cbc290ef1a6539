// The record every per-pixel stage hands to the host's iteration callback,
// the chunked distribution of its rows (or columns) among the callbacks, and
// the helper that runs a stage's line function through iterate_generic.
#pragma once

#include <atomic>
#include <cstddef>

#include "AEHost.h"
#include "ChunkRecorder.h"
#include "MaskPlane.h"

struct LineChunks;

// Images, rectangle and the four plane slots; stages derive their own job
// with their scalars.
struct StageJob {
  PF_EffectWorld *destination = nullptr;
  PF_EffectWorld *source = nullptr;
  PF_LRect rect = {0, 0, 0, 0};  // in the images' buffer coordinates
  MaskPlane8 groupMask;          // slot 1
  MaskPlane8 colorBMask;         // slot 2
  MaskPlane8 patchMask;          // slot 3
  MaskPlane16 lengthMap;         // slot 4
  A_long bandUnits = 0;          // rows (or columns) the iteration hands out
  // Lines without an element of slot 1 have nothing to do, so the iteration
  // may leave them out when the plane's flags and bounds are exact. A stage
  // that also works where slot 1 is zero (the view mask) turns this off.
  bool maskedLinesOnly = true;
  LineChunks *chunks = nullptr;  // set by IterateBands for one iteration

  // Each slot starts as an empty plane with an owner block of its own.
  StageJob();
  A_long width() const { return rect.right - rect.left; }
  A_long height() const { return rect.bottom - rect.top; }
};

// Lines are handed out in chunks of kChunkLines from a counter shared by the
// callbacks of one iteration: a callback takes the next chunk until none is
// left, so a band of costly rows no longer holds up the others. Chunk k
// covers lines first + k x kChunkLines onwards; first is a multiple of
// kChunkLines, and only the last chunk of the range may be shorter. Vector
// kernels rely on this alignment.
constexpr A_long kChunkLines = 8;

struct LineChunks {
  std::atomic<A_long> next{0};    // next chunk to hand out
  A_long first = 0;               // first line of chunk 0
  A_long end = 0;                 // one past the last line
  A_long count = 0;               // chunks in the range
  const A_u_char *rowFlags = nullptr;    // when set, a chunk of lines whose
  const A_u_char *columnFlags = nullptr; // flags are all 0 is passed over
  ChunkRecorder *recorder = nullptr;
  int iteration = 0;

  // The lines 0 to units - 1 of the job, narrowed to its slot-1 plane's
  // bounds and flags when those are exact and the job allows it.
  void plan(const StageJob &job, A_long units);
  // Chunk k as lines begin..end-1; false when the chunk holds no line with
  // work to do.
  bool lines(A_long k, A_long *begin, A_long *end) const;
};

namespace detail {
template <typename Job, void (*Fn)(Job &, A_long, A_long)>
PF_Err ChunkCallback(void *refcon, A_long /*thread*/, A_long i, A_long n) {
  // A host that numbers its callbacks outside 0 to n - 1 gets no rows; the
  // other callbacks still take every chunk.
  if (n <= 0 || i < 0 || i >= n) return PF_Err_NONE;
  Job &job = *static_cast<Job *>(refcon);
  LineChunks &chunks = *job.chunks;
  for (;;) {
    const A_long k = chunks.next.fetch_add(1, std::memory_order_relaxed);
    if (k >= chunks.count) break;
    A_long begin, end;
    if (!chunks.lines(k, &begin, &end)) continue;
    if (chunks.recorder) {
      const uint64_t start = chunks.recorder->now();
      Fn(job, begin, end);
      chunks.recorder->chunk(chunks.iteration, chunks.recorder->now() - start);
    } else {
      Fn(job, begin, end);
    }
  }
  return PF_Err_NONE;
}
} // namespace detail

// Runs Fn(job, begin, end) over the chunks of `units` lines, once per
// processor through iterate_generic; returns the host's result. Every line
// with work runs exactly once, whichever callback takes it, so the result
// does not depend on the number of processors.
template <typename Job, void (*Fn)(Job &, A_long, A_long)>
PF_Err IterateBands(PF_InData *in_data, Job &job, A_long units) {
  LineChunks chunks;
  job.bandUnits = units;
  chunks.plan(job, units);
  job.chunks = &chunks;
  chunks.recorder = CurrentChunkRecorder();
  if (chunks.recorder) chunks.iteration = chunks.recorder->beginIteration();
  const PF_Err err =
      in_data->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &job, &detail::ChunkCallback<Job, Fn>);
  if (chunks.recorder) chunks.recorder->endIteration(chunks.iteration);
  job.chunks = nullptr;
  return err;
}

// Pixel rows of a host world.
template <typename P> inline P *WorldRow(const PF_EffectWorld *world, A_long y) {
  return reinterpret_cast<P *>(reinterpret_cast<char *>(world->data) + static_cast<ptrdiff_t>(y) * world->rowbytes);
}

// A stage's rectangle must lie inside every world it touches and within
// every plane it reads or writes; stages refuse anything else with
// PF_Err_BAD_CALLBACK_PARAM before the first pixel, instead of reaching
// outside a buffer.
inline bool RectFitsWorld(const PF_LRect &rect, const PF_EffectWorld *world) {
  if (!world || rect.left < 0 || rect.top < 0 || rect.left > rect.right || rect.top > rect.bottom ||
      rect.right > world->width || rect.bottom > world->height)
    return false;
  return world->data || rect.left == rect.right || rect.top == rect.bottom;
}

template <typename T> bool RectFitsPlane(const PF_LRect &rect, const MaskPlane<T> &plane) {
  const int64_t w = static_cast<int64_t>(rect.right) - rect.left;
  const int64_t h = static_cast<int64_t>(rect.bottom) - rect.top;
  if (w <= 0 || h <= 0) return true;
  return plane.data && w <= plane.width && h <= plane.height;
}

// The common form of a stage over a destination, an optional source and an
// optional plane in slot 1 (the group mask or the view mask): checks the
// rectangle against each of them, then runs Fn over the rectangle's rows
// (only those holding plane elements when maskedLinesOnly is set).
template <void (*Fn)(StageJob &, A_long, A_long)>
PF_Err RunRowStage(PF_InData *in_data, PF_EffectWorld *destination, PF_EffectWorld *source, const PF_LRect &rect,
                   const MaskPlane8 *plane, bool maskedLinesOnly = true) {
  if (!RectFitsWorld(rect, destination) || (source && !RectFitsWorld(rect, source)) ||
      (plane && !RectFitsPlane(rect, *plane)))
    return PF_Err_BAD_CALLBACK_PARAM;
  StageJob job;
  job.destination = destination;
  job.source = source;
  job.rect = rect;
  if (plane) job.groupMask = *plane;
  job.maskedLinesOnly = maskedLinesOnly;
  return IterateBands<StageJob, Fn>(in_data, job, job.height());
}
