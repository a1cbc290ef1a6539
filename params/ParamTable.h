// The process-wide parameter table: owns the parameter objects and lists them
// by disk id and by host index. Plain static storage, so that the library's
// unload can clear it during static destruction.
#pragma once

#include "AEHost.h"

class BaseParam;

constexpr int kParamTableCapacity = 16383;

class ParamTable {
 public:
  // Destroys every object, empties both lists and restarts NextParamIndex.
  static void Clear();
  // Appends object to the id list; the table owns it from here on.
  static void Add(BaseParam *object);
  // Sorts the id list by disk id and makes the index list, by host index.
  static void Finish();
  // Host index of the parameter with disk id `id`; 0 when there is none.
  static A_long FindIndexById(A_long id);
  static A_long Count();
  // The object at `position` (0-based) in ascending host index, or null past
  // the last one.
  static BaseParam *InIndexOrder(int position);

  // Calls fn(object) in ascending host index until it returns an error, and
  // returns that error (or PF_Err_NONE).
  template <typename Fn> static PF_Err Walk(Fn fn) {
    for (int i = 0; BaseParam *object = InIndexOrder(i); ++i) {
      const PF_Err err = fn(*object);
      if (err != PF_Err_NONE) return err;
    }
    return PF_Err_NONE;
  }
};

// Appends a group end with disk id `id` (it takes the next host index).
void AddEndTopic(A_long id);
