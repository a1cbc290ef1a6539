// StageJob construction, the planning of an iteration's chunks of lines and
// the process-wide chunk recorder.
#include "StageJob.h"

#include <algorithm>

namespace {
std::atomic<ChunkRecorder *> gRecorder{nullptr};
} // namespace

void SetChunkRecorder(ChunkRecorder *recorder) { gRecorder.store(recorder, std::memory_order_release); }
ChunkRecorder *CurrentChunkRecorder() { return gRecorder.load(std::memory_order_acquire); }

StageJob::StageJob() {
  makeEmpty(groupMask);
  makeEmpty(colorBMask);
  makeEmpty(patchMask);
  makeEmpty(lengthMap);
}

void LineChunks::plan(const StageJob &job, A_long units) {
  A_long lo = 0, hi = units > 0 ? units : 0;
  rowFlags = columnFlags = nullptr;
  const MaskPlane8 &M = job.groupMask;
  // The lines are rows when there are as many as the rectangle has rows, and
  // columns (vertical passes) when as many as it has columns; a square
  // rectangle could be either, so a line is left out only when both its
  // row and its column are empty.
  const bool rows = units == job.height() && units <= M.height;
  const bool columns = units == job.width() && units <= M.width;
  if (job.maskedLinesOnly && M.data && M.flagsStale == 0 && (rows || columns)) {
    rowFlags = rows ? M.rowFlags : nullptr;
    columnFlags = columns ? M.columnFlags : nullptr;
    if (M.boundsStale == 0) {
      A_long from = hi, to = 0;
      if (rows && M.bounds.top < M.bounds.bottom) {
        from = std::min(from, M.bounds.top);
        to = std::max(to, M.bounds.bottom);
      }
      if (columns && M.bounds.left < M.bounds.right) {
        from = std::min(from, M.bounds.left);
        to = std::max(to, M.bounds.right);
      }
      lo = std::max<A_long>(from, 0);
      hi = std::min(to, hi);
      if (lo >= hi) lo = hi = 0;
    }
  }
  first = lo / kChunkLines * kChunkLines;
  end = hi;
  count = hi > first ? (hi - first + kChunkLines - 1) / kChunkLines : 0;
  next.store(0, std::memory_order_relaxed);
}

bool LineChunks::lines(A_long k, A_long *begin, A_long *stop) const {
  const A_long b = first + k * kChunkLines;
  const A_long e = std::min(b + kChunkLines, end);
  *begin = b;
  *stop = e;
  if (!rowFlags && !columnFlags) return true;
  for (A_long a = b; a < e; ++a)
    if ((rowFlags && rowFlags[a]) || (columnFlags && columnFlags[a])) return true;
  return false;
}
