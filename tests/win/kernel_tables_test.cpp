// The kernel tables of the Windows build (our exp, expf and cos under the
// mingw runtime) against the golden file the Linux build checks, so both
// builds feed the kernels the same tables.
#include <gtest/gtest.h>

#include <string>

#include "../kernel_tables.h"

namespace {

TEST(WindowsKernelTables, MatchTheGoldenFile) {
  std::string path = std::string(VORTANE_TEST_DATA_DIR) + "/kernel_tables.txt";
  if (!path.empty() && path[0] == '/') path = "Z:" + path; // wine sees the Unix root as drive Z:
  const std::string golden = ktables::ReadFile(path);
  ASSERT_FALSE(golden.empty()) << path;
  EXPECT_EQ(ktables::KernelTablesText(), golden);
}

} // namespace
