// The entry point as a host sees it: refusal of other hosts, global setup,
// the command table, texts, the error capture, and the sequence record with
// the 24-byte flattened form projects store (foreign or damaged forms refused).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>

#include "TestSupport.h"
#include "host/ErrorCapture.h"
#include "options/TextTable.h"

namespace {

TEST(EntryPoint, RefusesOtherHostsAndAMissingBasicSuiteWithoutSideEffects) {
  auto host = vtest::MakeHost();
  host->setApplId(0x50724d72); // 'PrMr'
  for (PF_Cmd cmd : {PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_RENDER, PF_Cmd_SMART_RENDER}) {
    EXPECT_EQ(host->send(cmd), PF_Err_BAD_CALLBACK_PARAM) << cmd;
    EXPECT_EQ(host->outData().my_version, 0u);
    EXPECT_EQ(host->outData().return_msg[0], '\0');
  }
  EXPECT_EQ(host->counters().suitesAcquired, 0);
  // A refused call is not the first call: After Effects still gets the full
  // set-up, and the about text names version, build type and notice.
  host->setApplId(VORTANE_APPL_ID_AFTER_EFFECTS);
  ASSERT_EQ(host->about(), PF_Err_NONE);
  const std::string about = std::string("T_Vortane 1.1.1 Release\r\r") + LookupText(kTextAboutNotice, 1);
  EXPECT_EQ(host->returnMessage(), about);

  auto bare = vtest::MakeHost();
  bare->setBasicSuiteMissing(true);
  EXPECT_EQ(bare->about(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(bare->outData().return_msg[0], '\0');
}

// Global setup gives version and flags; commands without an operation
// return 0 and touch nothing.
TEST(EntryPoint, GlobalSetupAndTheCommandTable) {
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->outData().my_version, 560653u);
  EXPECT_EQ(host->outData().out_flags, 0x06000070);
  EXPECT_EQ(host->outData().out_flags2, 0x08801419);
  for (PF_Cmd cmd : {2, 10, 12, 16, 17, 19, 20, 21, 25, 26, 27, 29, 30, 31, 100, -1, 0x7fffffff}) {
    EXPECT_EQ(host->send(cmd), PF_Err_NONE) << cmd;
    EXPECT_EQ(host->outData().my_version, 0u) << cmd;
    EXPECT_EQ(host->outData().out_flags, 0) << cmd;
    EXPECT_EQ(host->outData().return_msg[0], '\0') << cmd;
  }
  EXPECT_EQ(host->leaks(), "");
}

TEST(ErrorCapture, EachKindOfErrorGivesItsCodeAndMessage) {
  const std::string longText(400, 'x');
  const struct {
    std::function<PF_Err()> body;
    PF_Err code;
    std::string message; // the whole message, or with a leading '*' a part of it
  } cases[] = {
      {[] () -> PF_Err { AEUTIL_THROW(PF_Err_OUT_OF_MEMORY, "no room for %d", 7); }, 4, "*): no room for 7"},
      {[] () -> PF_Err { AEUTIL_THROW(4, "x"); }, 4, "*entry_point_test.cpp("},
      {[] () -> PF_Err { throw std::runtime_error("bad thing"); }, 512, "bad thing"},
      {[&] () -> PF_Err { throw std::runtime_error(longText); }, 512, std::string(255, 'x')},
      {[] () -> PF_Err { throw PF_Err_BAD_CALLBACK_PARAM; }, 512, "\x95s\x96\xbe\x82\xc8\x83G\x83\x89\x81["},
      {[] () -> PF_Err { return 42; }, 42, ""},
  };
  for (const auto &c : cases) {
    PF_OutData out{};
    EXPECT_EQ(CaptureErrors(&out, c.body), c.code) << c.message;
    if (c.message[0] == '*')
      EXPECT_NE(std::string(out.return_msg).find(c.message.substr(1)), std::string::npos) << out.return_msg;
    else
      EXPECT_EQ(out.return_msg, c.message);
  }
  // A thrown integer is the result; the message gives it and its name.
  const std::pair<A_long, std::string> codes[] = {
      {0, "PF_Err_NONE"},       {3, ""},          {4, "PF_Err_OUT_OF_MEMORY"}, {5, "unknown"},
      {511, "unknown"},         {512, "PF_Err_INTERNAL_STRUCT_DAMAGED"},     {516, "PF_Err_BAD_CALLBACK_PARAM"},
      {518, "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT"}, {519, "unknown"},          {-1, "unknown"}};
  for (const auto &c : codes) {
    PF_OutData out{};
    EXPECT_EQ(CaptureErrors(&out, [&] () -> PF_Err { throw c.first; }), c.first);
    EXPECT_EQ(out.return_msg, "error code = " + std::to_string(c.first) + "\n" + c.second);
  }
  PF_OutData cut{};
  EXPECT_EQ(CaptureErrors(&cut, [&] () -> PF_Err { AEUTIL_THROW(9, "%s", longText.c_str()); }), 9);
  EXPECT_EQ(std::strlen(cut.return_msg), 255u);
}

// ---- the sequence record and its 24-byte flattened form ----

using Bytes = std::vector<uint8_t>;

// Flattened: 'tseq', 1, version 1, size 24, eight reserved bytes.
const Bytes kFreshFlat = {0x71, 0x65, 0x73, 0x74, 1, 0, 0, 0, 1, 0, 0, 0, 0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// In memory: magic, flat 0, size 24, version 1, reserved.
const Bytes kFreshRecord = {0x71, 0x65, 0x73, 0x74, 0, 0, 0, 0, 0x18, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// A saved form with every field distinct: flat 7, size 0x0263 (never
// checked, but carried), reserved bytes 9..200.
const Bytes kMarkedFlat = {0x71, 0x65, 0x73, 0x74, 7, 0, 0, 0, 1, 0, 0, 0, 0x63, 2, 0, 0, 9, 8, 7, 6, 5, 4, 3, 200};

Bytes With(Bytes b, size_t at, uint8_t v) {
  b.at(at) = v;
  return b;
}

TEST(SequenceData, ResetupRestoresOurFormsAndMakesAFreshRecordOfAnythingElse) {
  Bytes longer = kMarkedFlat;
  longer.resize(30, 0xee);
  const Bytes marked = With(kMarkedFlat, 4, 1); // saved again: flat 1, the rest carried
  const struct {
    const char *what;
    Bytes saved, flat; // what is restored, and its flattened form
  } cases[] = {
      {"fresh", kFreshFlat, kFreshFlat},
      {"marked", kMarkedFlat, marked},
      {"longer than 24", longer, marked},
      {"empty", {}, kFreshFlat},
      {"23 bytes", Bytes(kMarkedFlat.begin(), kMarkedFlat.end() - 1), kFreshFlat},
      {"magic", With(kMarkedFlat, 3, 0x75), kFreshFlat},
      {"version 2", With(kMarkedFlat, 8, 2), kFreshFlat},
      {"version 257", With(kMarkedFlat, 9, 1), kFreshFlat},
      {"version 0x01000001", With(kMarkedFlat, 11, 1), kFreshFlat},
      {"garbage", Bytes(24, 0xff), kFreshFlat},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    auto host = vtest::MakeHost();
    ASSERT_EQ(host->sequenceResetup(c.saved), PF_Err_NONE);
    // Saved again, the record gives its own flattened form: a copy that
    // leaves the record in place, or in its place.
    const Bytes record = host->sequenceBytes();
    EXPECT_EQ(record.at(4), 0) << "a restored record is not flat";
    Bytes copy;
    ASSERT_EQ(host->getFlattenedSequenceData(&copy), PF_Err_NONE);
    EXPECT_EQ(copy, c.flat);
    EXPECT_EQ(host->sequenceBytes(), record);
    ASSERT_EQ(host->sequenceFlatten(), PF_Err_NONE);
    EXPECT_EQ(host->sequenceBytes(), c.flat);
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
