// An optional observer of the stage iterations, for benchmarks: the time of
// each chunk of lines and the name of the driver's current step. Switched off
// (a null recorder) it costs one pointer test per iteration and per chunk.
#pragma once

#include <cstdint>

class ChunkRecorder {
 public:
  virtual ~ChunkRecorder() = default;
  // A clock of the calling thread's processor time, in any unit.
  virtual uint64_t now() = 0;
  // The driver starts a step of a colour group (a short constant name).
  virtual void step(const char *name) = 0;
  // Around one iterate_generic call, on the thread that makes it.
  virtual int beginIteration() = 0;
  virtual void endIteration(int iteration) = 0;
  // One chunk of lines took `time`; called from any callback, concurrently.
  virtual void chunk(int iteration, uint64_t time) = 0;
};

// The process-wide recorder; null (the default) records nothing.
void SetChunkRecorder(ChunkRecorder *recorder);
ChunkRecorder *CurrentChunkRecorder();

// Tells the recorder, if any, that the driver starts step `name`.
inline void NoteStep(const char *name) {
  if (ChunkRecorder *r = CurrentChunkRecorder()) r->step(name);
}
