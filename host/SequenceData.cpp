// The sequence commands: setup, setdown, flatten, get flattened data and
// resetup of the 24-byte per-instance record.
#include "SequenceData.h"

#include <cstring>

#include "VortaneFilter.h"

namespace {

void PutLE32(std::vector<uint8_t> &out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetLE32(const std::vector<uint8_t> &in, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[at + i]) << (8 * i);
  return v;
}

// Shared by SEQUENCE_FLATTEN (which then disposes of the record's handle)
// and GET_FLATTENED_SEQUENCE_DATA (which leaves it to the host).
PF_Err FlattenInto(PF_InData *in_data, PF_OutData *out_data, bool disposeRecord) {
  PF_UtilCallbacks *utils = in_data->utils;
  PF_Handle recordHandle = in_data->sequence_data;
  if (!recordHandle) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  auto *record = static_cast<SequenceRecord *>(utils->host_lock_handle(recordHandle));
  if (!record) return PF_Err_INTERNAL_STRUCT_DAMAGED;

  std::vector<uint8_t> bytes = Flatten(*record);
  PF_Handle flat = utils->host_new_handle(bytes.size());
  if (!flat) {
    utils->host_unlock_handle(recordHandle);
    return PF_Err_OUT_OF_MEMORY;
  }
  PF_Err err = PF_Err_NONE;
  if (void *p = utils->host_lock_handle(flat)) {
    std::memcpy(p, bytes.data(), bytes.size());
    out_data->sequence_data = flat;
    utils->host_unlock_handle(flat);
  } else {
    utils->host_dispose_handle(flat);
    err = PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  utils->host_unlock_handle(recordHandle);
  if (err == PF_Err_NONE && disposeRecord) utils->host_dispose_handle(recordHandle);
  return err;
}

} // namespace

SequenceRecord FreshSequenceRecord() {
  SequenceRecord r{};
  r.magic = kSequenceMagic;
  r.flat = 0;
  r.size = kFlatSequenceSize;
  r.version = kSequenceVersion;
  return r;
}

std::vector<uint8_t> Flatten(const SequenceRecord &record) {
  std::vector<uint8_t> out(kFlatSequenceSize);
  PutLE32(out, 0, record.magic);
  PutLE32(out, 4, 1);
  PutLE32(out, 8, record.version);
  PutLE32(out, 12, record.size);
  std::memcpy(out.data() + 16, record.reserved, 8);
  return out;
}

bool Unflatten(const std::vector<uint8_t> &bytes, SequenceRecord *record) {
  if (bytes.size() < kFlatSequenceSize) {
    *record = FreshSequenceRecord();
    return false;
  }
  record->magic = GetLE32(bytes, 0);
  record->flat = GetLE32(bytes, 4);
  record->version = GetLE32(bytes, 8);
  record->size = GetLE32(bytes, 12);
  std::memcpy(record->reserved, bytes.data() + 16, 8);
  if (record->magic == kSequenceMagic && record->version == kSequenceVersion) {
    record->flat = 0;
    return true;
  }
  *record = FreshSequenceRecord();
  return false;
}

PF_Err BaseFilter::SequenceSetup(PF_InData *in_data, PF_OutData *out_data) {
  PF_UtilCallbacks *utils = in_data->utils;
  PF_Handle handle = utils->host_new_handle(sizeof(SequenceRecord));
  if (!handle) return PF_Err_OUT_OF_MEMORY;
  auto *record = static_cast<SequenceRecord *>(utils->host_lock_handle(handle));
  if (!record) {
    utils->host_dispose_handle(handle);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  *record = FreshSequenceRecord();
  out_data->sequence_data = handle;
  utils->host_unlock_handle(handle);
  return PF_Err_NONE;
}

PF_Err BaseFilter::SequenceSetdown(PF_InData *in_data, PF_OutData *) {
  if (in_data->sequence_data) in_data->utils->host_dispose_handle(in_data->sequence_data);
  return PF_Err_NONE;
}

PF_Err BaseFilter::SequenceFlatten(PF_InData *in_data, PF_OutData *out_data) {
  return FlattenInto(in_data, out_data, true);
}

PF_Err BaseFilter::GetFlattenedSequenceData(PF_InData *in_data, PF_OutData *out_data) {
  return FlattenInto(in_data, out_data, false);
}

PF_Err BaseFilter::SequenceResetup(PF_InData *in_data, PF_OutData *out_data) {
  PF_UtilCallbacks *utils = in_data->utils;
  PF_Handle old = in_data->sequence_data;
  if (!old) return ResetSequenceData(in_data, out_data);
  auto *oldBytes = static_cast<const uint8_t *>(utils->host_lock_handle(old));
  if (!oldBytes) return ResetSequenceData(in_data, out_data);

  const size_t oldSize = static_cast<size_t>(utils->host_get_handle_size(old));
  if (oldSize < kFlatSequenceSize) {
    utils->host_unlock_handle(old);
    return ResetSequenceData(in_data, out_data);
  }
  uint32_t magic;
  std::memcpy(&magic, oldBytes, 4);
  utils->host_unlock_handle(old);
  if (magic != kSequenceMagic) return ResetSequenceData(in_data, out_data);

  oldBytes = static_cast<const uint8_t *>(utils->host_lock_handle(old));
  if (!oldBytes) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  PF_Err err = SequenceSetup(in_data, out_data);
  if (err != PF_Err_NONE) {
    utils->host_unlock_handle(old);
    return err;
  }
  PF_Handle fresh = out_data->sequence_data;
  if (auto *record = static_cast<SequenceRecord *>(utils->host_lock_handle(fresh))) {
    std::vector<uint8_t> bytes(oldBytes, oldBytes + oldSize);
    Unflatten(bytes, record); // a rejected form leaves the creation values
    utils->host_unlock_handle(fresh);
  } else {
    err = PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  utils->host_unlock_handle(old);
  return err;
}
