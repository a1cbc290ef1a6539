// The per-instance sequence record and its 24-byte flattened form, which the
// host stores in projects.
#pragma once

#include <cstdint>
#include <vector>

struct SequenceRecord {
  uint32_t magic;    // 'tseq'
  uint32_t flat;     // 0 in memory; the flattened form carries 1
  uint32_t size;     // 24
  uint32_t version;  // 1
  uint8_t reserved[8];
};
static_assert(sizeof(SequenceRecord) == 24, "the sequence record is 24 bytes");

constexpr uint32_t kSequenceMagic = 0x74736571; // 'tseq'
constexpr uint32_t kSequenceVersion = 1;
constexpr uint32_t kFlatSequenceSize = 24;

// The record of a new instance.
SequenceRecord FreshSequenceRecord();

// magic, 1, version, size, reserved: each 32-bit value lowest byte first.
std::vector<uint8_t> Flatten(const SequenceRecord &record);

// Reads a flattened form; false (and the creation values) when the bytes are
// too short, the magic is wrong or the version is not 1.
bool Unflatten(const std::vector<uint8_t> &bytes, SequenceRecord *record);
