// The per-instance sequence record through the entry point: the 24-byte
// flattened form the host stores in projects, restoring it (and refusing
// foreign or damaged forms), and handle ownership between plug-in and host.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Flattened: 'tseq', 1, version 1, size 24, eight reserved bytes.
const Bytes kFreshFlat = {0x71, 0x65, 0x73, 0x74, 1, 0, 0, 0, 1, 0, 0, 0, 0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// In memory: magic, flat 0, size 24, version 1, reserved.
const Bytes kFreshRecord = {0x71, 0x65, 0x73, 0x74, 0, 0, 0, 0, 0x18, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// A saved form with every field distinct: flat 7, size 0x0263 (never
// checked), reserved bytes 9..200.
const Bytes kMarkedFlat = {0x71, 0x65, 0x73, 0x74, 7, 0, 0, 0, 1, 0, 0, 0, 0x63, 2, 0, 0, 9, 8, 7, 6, 5, 4, 3, 200};
// What it restores to: fields in record order, flat 0, the rest carried.
const Bytes kMarkedRecord = {0x71, 0x65, 0x73, 0x74, 0, 0, 0, 0, 0x63, 2, 0, 0, 1, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 200};

Bytes With(Bytes b, size_t at, uint8_t v) {
  b.at(at) = v;
  return b;
}

TEST(SequenceData, ResetupRestoresOurFormsAndMakesAFreshRecordOfAnythingElse) {
  Bytes longer = kMarkedFlat;
  longer.resize(30, 0xee);
  const struct {
    const char *what;
    Bytes saved, record;
  } cases[] = {
      {"fresh", kFreshFlat, kFreshRecord},
      {"marked", kMarkedFlat, kMarkedRecord},
      {"longer than 24", longer, kMarkedRecord},
      {"flat field 0", With(kMarkedFlat, 4, 0), kMarkedRecord},
      {"empty", {}, kFreshRecord},
      {"23 bytes", Bytes(kMarkedFlat.begin(), kMarkedFlat.end() - 1), kFreshRecord},
      {"3 bytes", Bytes(kMarkedFlat.begin(), kMarkedFlat.begin() + 3), kFreshRecord},
      {"magic", With(kMarkedFlat, 3, 0x75), kFreshRecord},
      {"version 2", With(kMarkedFlat, 8, 2), kFreshRecord},
      {"version 257", With(kMarkedFlat, 9, 1), kFreshRecord},
      {"version 0x01000001", With(kMarkedFlat, 11, 1), kFreshRecord},
      {"garbage", Bytes(24, 0xff), kFreshRecord},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    auto host = vtest::MakeHost();
    ASSERT_EQ(host->sequenceResetup(c.saved), PF_Err_NONE);
    EXPECT_EQ(host->sequenceBytes(), c.record);
    // Saved again, the record gives its own flattened form: a copy that
    // leaves the record in place, or in its place.
    const Bytes flat = c.record == kFreshRecord ? kFreshFlat : With(kMarkedFlat, 4, 1);
    Bytes copy;
    ASSERT_EQ(host->getFlattenedSequenceData(&copy), PF_Err_NONE);
    EXPECT_EQ(copy, flat);
    EXPECT_EQ(host->sequenceBytes(), c.record);
    ASSERT_EQ(host->sequenceFlatten(), PF_Err_NONE);
    EXPECT_EQ(host->sequenceBytes(), flat);
    EXPECT_EQ(host->liveHandles(), 1); // the record's handle was disposed of
    ASSERT_EQ(host->sequenceSetdown(), PF_Err_NONE);
    EXPECT_EQ(host->liveHandles(), 0) << "the flattened handle the host replaced stays the host's";
    EXPECT_TRUE(host->misuse().empty());
  }
}

TEST(SequenceData, SetupAndFlattenReportMemoryAndLockErrors) {
  for (vemu::Fault fault : {vemu::Fault::NewHandle, vemu::Fault::LockHandle}) {
    auto host = vtest::MakeHost();
    host->injectFault(fault, 1);
    EXPECT_EQ(host->sequenceSetup(), fault == vemu::Fault::NewHandle ? 4 : PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_FALSE(host->hasSequenceData());
    EXPECT_EQ(host->liveHandles(), 0);
  }
  auto host = vtest::MakeHost();
  EXPECT_EQ(host->sequenceFlatten(), PF_Err_INTERNAL_STRUCT_DAMAGED); // no record yet
  ASSERT_EQ(host->sequenceSetup(), PF_Err_NONE);
  EXPECT_EQ(host->sequenceBytes(), kFreshRecord);
  host->injectFault(vemu::Fault::NewHandle, 1);
  EXPECT_EQ(host->sequenceFlatten(), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(host->sequenceBytes(), kFreshRecord); // record kept
  host->clearFaults();
  host->injectFault(vemu::Fault::LockHandle, 1, true); // the record locks, the copy does not
  EXPECT_EQ(host->sequenceFlatten(), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(host->liveHandles(), 1);
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
