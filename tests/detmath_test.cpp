// Our exp, expf and cos: exp correctly rounded at fixed points and, like cos,
// within one ulp of this build's C library; expf against the library on every
// table argument; the kernel tables against the golden file the Windows test
// host checks too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "kernel_tables.h"

namespace {

// Whether a and b are equal or neighbouring doubles.
bool WithinOneUlp(double a, double b) { return a == b || std::nextafter(a, b) == b; }

// Ours gives the library's expf on every range-weight argument, and the
// nearest float of e^x on every step-weight argument (where the library's expf
// lies one ulp off on a few).
TEST(DetMath, ExpfAgreesWithTheLibraryOnEveryTableArgument) {
  for (A_long code = 0; code <= 16384; ++code) {
    const float x = -static_cast<float>(code * code) / 5000.0f;
    ASSERT_EQ(detmath::expf(x), ::expf(x)) << code;
  }
  for (A_long n = 1; n <= 2001; ++n)
    for (A_long i = 0; i < n; ++i) {
      const float x = static_cast<float>(-(i * i)) / (static_cast<float>(n) * 100.0f);
      ASSERT_EQ(detmath::expf(x), static_cast<float>(std::exp(static_cast<double>(x)))) << n << " " << i;
    }
}

TEST(DetMath, ExpIsCorrectlyRoundedAtFixedPoints) {
  // e^x rounded to the nearest double (checked at 200 bits with mpmath); each
  // of the first six lies so near a rounding boundary that the correction
  // term of the reduced argument decides it.
  const std::pair<double, double> points[] = {{1.0, 0x1.5bf0a8b145769p+1}, // M_E
                                              {-0.6, 0x1.18fdd6b9604e3p-1},
                                              {0.35, 0x1.6b4802c805decp+0},
                                              {9.5, 0x1.a17dd08c11dc1p+13},
                                              {-17.0, 0x1.639e3175a689dp-25},
                                              {22.0, 0x1.ab5adb9c43600p+31},
                                              {0.0, 1.0},
                                              {-800.0, 0.0},
                                              {710.0, HUGE_VAL}};
  for (const auto &p : points) EXPECT_EQ(detmath::exp(p.first), p.second) << std::hexfloat << p.first;
}

// On the whole range of exp, and for cos on the range table's arguments and
// beyond.
TEST(DetMath, ExpAndCosWithinOneUlpOfTheLibrary) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> wide(-745.0, 709.0), narrow(-40.0, 2.0), table(-3.1415926535, 0.0),
      wider(-20.0, 20.0);
  for (int i = 0; i < 400000; ++i) {
    const double x = i % 2 ? wide(random) : narrow(random), c = i % 3 ? table(random) : wider(random);
    ASSERT_TRUE(WithinOneUlp(detmath::exp(x), std::exp(x))) << x;
    ASSERT_TRUE(WithinOneUlp(detmath::cos(c), std::cos(c))) << c;
  }
}

TEST(KernelTables, MatchTheGoldenFile) {
  const std::string path = std::string(VORTANE_TEST_DATA_DIR) + "/kernel_tables.txt";
  const std::string text = ktables::KernelTablesText();
  if (std::getenv("VORTANE_REGENERATE_KERNEL_TABLES")) {
    std::ofstream(path, std::ios::binary) << text;
    GTEST_SKIP() << "wrote " << path;
  }
  const std::string golden = ktables::ReadFile(path);
  ASSERT_FALSE(golden.empty()) << path;
  EXPECT_EQ(text, golden);
}

} // namespace
