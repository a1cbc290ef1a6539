// The progress record of one render-driver call, shared by its stages: the
// driver advances `done` once per group, the stages re-report the current
// percentage.
#pragma once

#include "AEHost.h"

struct ProgressRecord {
  PF_InData *in_data = nullptr;
  PF_ProgPtr effect_ref = nullptr;
  A_long total = 0; // 2 x the number of groups taking part
  A_long done = 0;  // groups started so far
};

// min(100, done x 100 / total) in integer arithmetic; 100 when total is 0.
inline A_long ProgressPercent(const ProgressRecord &p) {
  if (p.total == 0) return 100;
  const A_long percent = p.done * 100 / p.total;
  return percent < 100 ? percent : 100;
}

// Reports the current percentage through inter.progress; returns the host's
// answer (a non-zero answer, such as a cancel, ends the render).
inline PF_Err ReportProgress(const ProgressRecord &p) {
  return p.in_data->inter.progress(p.effect_ref, ProgressPercent(p), 100);
}
