// The per-instance sequence record: creation, the 24-byte flattened form the
// host stores in projects, restoring, rejection of foreign data, and handle
// ownership between plug-in and host.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "host/SequenceData.h"

namespace {

const std::vector<uint8_t> kFreshFlat = {0x71, 0x65, 0x73, 0x74, 1, 0, 0, 0, 1, 0, 0, 0,
                                         0x18, 0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0};

std::vector<uint8_t> RecordBytes(const SequenceRecord &r) {
  const auto *p = reinterpret_cast<const uint8_t *>(&r);
  return std::vector<uint8_t>(p, p + sizeof r);
}

TEST(SequenceCodec, FreshRecordFlattensToTheProjectBytes) {
  EXPECT_EQ(Flatten(FreshSequenceRecord()), kFreshFlat);
  SequenceRecord r = FreshSequenceRecord();
  r.reserved[0] = 9;
  r.reserved[7] = 200;
  std::vector<uint8_t> flat = Flatten(r);
  EXPECT_EQ(flat[16], 9);
  EXPECT_EQ(flat[23], 200);
  SequenceRecord back{};
  ASSERT_TRUE(Unflatten(flat, &back));
  EXPECT_EQ(RecordBytes(back), RecordBytes(r)); // reserved bytes travel, flat is 0 again
}

TEST(SequenceCodec, UnacceptableFormsGiveAFreshRecord) {
  const SequenceRecord fresh = FreshSequenceRecord();
  std::vector<uint8_t> wrongVersion = kFreshFlat;
  wrongVersion[8] = 2;
  std::vector<uint8_t> wrongMagic = kFreshFlat;
  wrongMagic[0] = 'x';
  std::vector<uint8_t> shortForm(kFreshFlat.begin(), kFreshFlat.begin() + 23);
  for (const auto &bytes : {wrongVersion, wrongMagic, shortForm}) {
    SequenceRecord r{};
    r.size = 77;
    EXPECT_FALSE(Unflatten(bytes, &r));
    EXPECT_EQ(RecordBytes(r), RecordBytes(fresh));
  }
  std::vector<uint8_t> longer = kFreshFlat;
  longer.resize(30, 0xee);
  SequenceRecord r{};
  EXPECT_TRUE(Unflatten(longer, &r));
  EXPECT_EQ(RecordBytes(r), RecordBytes(fresh));
  std::vector<uint8_t> oddSize = kFreshFlat;
  oddSize[12] = 99; // the size field is not checked
  EXPECT_TRUE(Unflatten(oddSize, &r));
  EXPECT_EQ(r.size, 99u);
}

TEST(SequenceCommands, SetupFlattenResetupRoundTrip) {
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->sequenceSetup(), PF_Err_NONE);
  EXPECT_EQ(host->sequenceBytes(), RecordBytes(FreshSequenceRecord()));

  std::vector<uint8_t> saved;
  ASSERT_EQ(host->getFlattenedSequenceData(&saved), PF_Err_NONE);
  EXPECT_EQ(saved, kFreshFlat);
  EXPECT_EQ(host->sequenceBytes(), RecordBytes(FreshSequenceRecord())); // record handle untouched

  ASSERT_EQ(host->sequenceFlatten(), PF_Err_NONE);
  EXPECT_EQ(host->sequenceBytes(), kFreshFlat); // the host now holds the flat form
  EXPECT_EQ(host->liveHandles(), 1);            // the record's handle was disposed of

  ASSERT_EQ(host->sequenceResetup(host->sequenceBytes()), PF_Err_NONE);
  EXPECT_EQ(host->sequenceBytes(), RecordBytes(FreshSequenceRecord()));
  ASSERT_EQ(host->sequenceSetdown(), PF_Err_NONE);
  EXPECT_EQ(host->liveHandles(), 0) << "the flattened handle the host replaced stays the host's";
  EXPECT_TRUE(host->misuse().empty());
}

TEST(SequenceCommands, ResetupOfForeignOrShortDataMakesAFreshRecord) {
  const std::vector<std::vector<uint8_t>> saved = {
      {},                                            // empty handle
      std::vector<uint8_t>(kFreshFlat.begin(), kFreshFlat.begin() + 20), // too short
      {'a', 'b', 'c', 'd', 1, 0, 0, 0, 1, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // not ours
  };
  for (const auto &bytes : saved) {
    auto host = vtest::MakeHost();
    ASSERT_EQ(host->sequenceResetup(bytes), PF_Err_NONE);
    EXPECT_EQ(host->sequenceBytes(), RecordBytes(FreshSequenceRecord()));
    ASSERT_EQ(host->sequenceSetdown(), PF_Err_NONE);
    EXPECT_EQ(host->liveHandles(), 0);
  }
  std::vector<uint8_t> version2 = kFreshFlat;
  version2[8] = 2;
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->sequenceResetup(version2), PF_Err_NONE);
  EXPECT_EQ(host->sequenceBytes(), RecordBytes(FreshSequenceRecord()));
}

TEST(SequenceCommands, FailuresReportMemoryAndLockErrors) {
  {
    auto host = vtest::MakeHost();
    host->injectFault(vemu::Fault::NewHandle, 1);
    EXPECT_EQ(host->sequenceSetup(), PF_Err_OUT_OF_MEMORY);
    EXPECT_FALSE(host->hasSequenceData());
  }
  {
    auto host = vtest::MakeHost();
    host->injectFault(vemu::Fault::LockHandle, 1);
    EXPECT_EQ(host->sequenceSetup(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(host->liveHandles(), 0);
  }
  {
    auto host = vtest::MakeHost();
    EXPECT_EQ(host->sequenceFlatten(), PF_Err_INTERNAL_STRUCT_DAMAGED); // no record yet
    ASSERT_EQ(host->sequenceSetup(), PF_Err_NONE);
    host->injectFault(vemu::Fault::NewHandle, 1);
    EXPECT_EQ(host->sequenceFlatten(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host->sequenceBytes(), RecordBytes(FreshSequenceRecord())); // record kept
    host->clearFaults();
    host->injectFault(vemu::Fault::LockHandle, 1, true); // the record locks, the copy does not
    EXPECT_EQ(host->sequenceFlatten(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(host->liveHandles(), 1);
    EXPECT_EQ(host->leaks(), "");
  }
}

} // namespace
