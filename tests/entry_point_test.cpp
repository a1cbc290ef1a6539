// The entry point as a host sees it: refusal of other hosts, the first call,
// the command table, about text, global setup and the error capture.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "TestSupport.h"
#include "host/ErrorCapture.h"
#include "options/TextTable.h"

namespace {

constexpr A_long kPremiere = 0x50724d72; // 'PrMr'

TEST(EntryPoint, RefusesOtherHostsForEveryCommandWithoutSideEffects) {
  auto host = vtest::MakeHost();
  host->setApplId(kPremiere);
  for (PF_Cmd cmd : {PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_RENDER, PF_Cmd_SMART_RENDER}) {
    EXPECT_EQ(host->send(cmd), PF_Err_BAD_CALLBACK_PARAM) << cmd;
    EXPECT_EQ(host->outData().my_version, 0u);
    EXPECT_EQ(host->outData().return_msg[0], '\0');
  }
  EXPECT_EQ(host->counters().suitesAcquired, 0);
  // A refused call is not the first call: After Effects still gets the full set-up.
  host->setApplId(VORTANE_APPL_ID_AFTER_EFFECTS);
  ASSERT_EQ(host->about(), PF_Err_NONE);
  EXPECT_NE(host->returnMessage().find("T_Vortane 1.1.1 Release"), std::string::npos);
}

TEST(EntryPoint, MissingBasicSuiteIsRefused) {
  auto host = vtest::MakeHost();
  host->setBasicSuiteMissing(true);
  EXPECT_EQ(host->about(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->outData().return_msg[0], '\0');
}

TEST(EntryPoint, GlobalSetupReportsVersionAndFlags) {
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->outData().my_version, 560653u);
  EXPECT_EQ(host->outData().out_flags, 0x06000070);
  EXPECT_EQ(host->outData().out_flags2, 0x08801419);
  EXPECT_EQ(host->leaks(), "");
}

TEST(EntryPoint, AboutTextNamesVersionBuildTypeAndNotice) {
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->about(), PF_Err_NONE);
  const std::string expected = std::string("T_Vortane 1.1.1 Release\r\r") + LookupText(kTextAboutNotice, 1);
  EXPECT_EQ(host->returnMessage(), expected);
  EXPECT_LT(expected.size(), 256u);
}

TEST(EntryPoint, CommandsWithoutOperationReturnZeroAndTouchNothing) {
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  for (PF_Cmd cmd : {2, 10, 12, 16, 17, 19, 20, 21, 25, 26, 27, 29, 30, 31, 100, -1, 0x7fffffff}) {
    EXPECT_EQ(host->send(cmd), PF_Err_NONE) << cmd;
    EXPECT_EQ(host->outData().my_version, 0u) << cmd;
    EXPECT_EQ(host->outData().out_flags, 0) << cmd;
    EXPECT_EQ(host->outData().return_msg[0], '\0') << cmd;
  }
  EXPECT_EQ(host->leaks(), "");
}

TEST(EntryPoint, CommandAfterGlobalSetdownBuildsTheFilterAgain) {
  auto host = vtest::MakeHost();
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  ASSERT_EQ(host->globalSetdown(), PF_Err_NONE);
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->outData().my_version, 560653u);
  ASSERT_EQ(host->about(), PF_Err_NONE);
  EXPECT_EQ(host->returnMessage().rfind("T_Vortane 1.1.1 Release", 0), 0u);
}

// ---- error capture ----

PF_OutData Capture(PF_Err *result, const std::function<PF_Err()> &body) {
  PF_OutData out{};
  *result = CaptureErrors(&out, body);
  return out;
}

TEST(ErrorCapture, EachKindOfErrorGivesItsCodeAndMessage) {
  PF_Err err;
  PF_OutData out = Capture(&err, [] () -> PF_Err { AEUTIL_THROW(PF_Err_OUT_OF_MEMORY, "no room for %d", 7); });
  EXPECT_EQ(err, PF_Err_OUT_OF_MEMORY);
  EXPECT_NE(std::strstr(out.return_msg, "entry_point_test.cpp("), nullptr);
  EXPECT_NE(std::strstr(out.return_msg, "): no room for 7"), nullptr);

  out = Capture(&err, [] () -> PF_Err { throw std::runtime_error("bad thing"); });
  EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_STREQ(out.return_msg, "bad thing");

  out = Capture(&err, [] () -> PF_Err { throw static_cast<A_long>(516); });
  EXPECT_EQ(err, 516);
  EXPECT_STREQ(out.return_msg, "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");

  out = Capture(&err, [] () -> PF_Err { throw static_cast<A_long>(3); });
  EXPECT_EQ(err, 3);
  EXPECT_STREQ(out.return_msg, "error code = 3\n");

  out = Capture(&err, [] () -> PF_Err { throw static_cast<A_long>(600); });
  EXPECT_EQ(err, 600);
  EXPECT_STREQ(out.return_msg, "error code = 600\nunknown");

  out = Capture(&err, [] () -> PF_Err { throw PF_Err_BAD_CALLBACK_PARAM; }); // the enumeration, not an integer
  EXPECT_EQ(err, PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_STREQ(out.return_msg, "\x95s\x96\xbe\x82\xc8\x83G\x83\x89\x81[");

  out = Capture(&err, [] () -> PF_Err { return 42; });
  EXPECT_EQ(err, 42);
  EXPECT_EQ(out.return_msg[0], '\0');
}

TEST(ErrorCapture, LongMessagesAreCutTo255Bytes) {
  const std::string longText(400, 'x');
  PF_Err err;
  PF_OutData out = Capture(&err, [&] () -> PF_Err { throw std::runtime_error(longText); });
  EXPECT_EQ(std::strlen(out.return_msg), 255u);
  out = Capture(&err, [&] () -> PF_Err { AEUTIL_THROW(9, "%s", longText.c_str()); });
  EXPECT_EQ(err, 9);
  EXPECT_EQ(std::strlen(out.return_msg), 255u);
}

TEST(ErrorNames, TableCoversEveryCode) {
  const struct {
    A_long code;
    const char *name;
  } cases[] = {{0, "PF_Err_NONE"}, {1, ""}, {2, ""}, {3, ""}, {4, "PF_Err_OUT_OF_MEMORY"},
               {5, "unknown"}, {511, "unknown"}, {512, "PF_Err_INTERNAL_STRUCT_DAMAGED"},
               {513, "PF_Err_INVALID_INDEX"}, {514, "PF_Err_UNRECOGNIZED_PARAM_TYPE"},
               {515, "PF_Err_INVALID_CALLBACK"}, {516, "PF_Err_BAD_CALLBACK_PARAM"},
               {517, "PF_Interrupt_CANCEL"}, {518, "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT"}, {519, "unknown"},
               {-1, "unknown"}};
  for (const auto &c : cases) EXPECT_STREQ(ErrorName(c.code), c.name) << c.code;
}

TEST(TextTable, LookupFallsBackBetweenColumns) {
  EXPECT_STREQ(LookupText(kTextPluginName, 0), "T_Vortane");
  EXPECT_STREQ(LookupText(kTextPluginName, 1), "T_Vortane"); // column 1 empty: column 0
  EXPECT_STREQ(LookupText(kTextDialogTitle, 1), "T_Vortane");
  EXPECT_STRNE(LookupText(kTextManualAddress, 0), "");
  EXPECT_STREQ(LookupText(kTextPluginName, 2), "");
  EXPECT_STREQ(LookupText(kTextPluginName, -1), "");
  EXPECT_STREQ(LookupText(99, 0), "");
}

} // namespace
