// Our exp, expf and cos against this build's C library (expf on every
// step-weight and range-weight argument, exp and cos within one ulp), and the
// kernel tables against the golden file the Windows test host checks too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

#include "filters/DetMath.h"
#include "filters/RadialBlur.h"
#include "kernel_tables.h"

namespace {

// Distance in ulps between two finite doubles of the same sign.
int64_t UlpDistance(double a, double b) {
  int64_t ia, ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  return ia > ib ? ia - ib : ib - ia;
}

int32_t UlpDistance(float a, float b) {
  int32_t ia, ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  return ia > ib ? ia - ib : ib - ia;
}

TEST(DetMath, ExpfEqualsTheLibraryOnEveryRangeWeightArgument) {
  for (A_long code = 0; code <= 16384; ++code) {
    const float x = -static_cast<float>(code * code) / 5000.0f;
    ASSERT_EQ(detmath::expf(x), ::expf(x)) << code;
  }
}

// The library's expf is not correctly rounded: on 1287 of the 2,003,001
// step-weight arguments it lies one ulp from the nearest float. Ours is the
// nearest float of e^x; both give the same weight tables for every n.
TEST(DetMath, StepWeightArgumentsAndTablesAgreeWithTheLibrary) {
  long offByOne = 0;
  for (A_long n = 1; n <= 2001; ++n) {
    const float denominator = static_cast<float>(n) * 100.0f;
    float librarySum = 0.0f;
    for (A_long i = 0; i < n; ++i) {
      const float x = static_cast<float>(-(i * i)) / denominator;
      const float ours = detmath::expf(x);
      ASSERT_EQ(ours, static_cast<float>(std::exp(static_cast<double>(x)))) << n << " " << i;
      const int32_t d = UlpDistance(ours, ::expf(x));
      ASSERT_LE(d, 1) << n << " " << i;
      offByOne += d;
      librarySum += ::expf(x);
    }
    std::vector<A_u_long> W(n);
    buildStepWeights(n, 100.0, W.data());
    for (A_long i = 0; i < n; ++i) {
      const auto library = static_cast<A_u_long>(::expf(static_cast<float>(-(i * i)) / denominator) / librarySum *
                                                 1024.0f);
      ASSERT_EQ(W[i], library) << "n " << n << ", i " << i;
    }
  }
  EXPECT_LT(offByOne, 2000); // a rare rounding difference, not a different function
}

TEST(DetMath, ExpWithinOneUlpOfTheLibrary) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> wide(-745.0, 709.0), narrow(-40.0, 2.0);
  for (int i = 0; i < 400000; ++i) {
    const double x = i % 2 ? wide(random) : narrow(random);
    ASSERT_LE(UlpDistance(detmath::exp(x), std::exp(x)), 1) << x;
  }
  // Exact points and the arguments of the Gaussian kernels.
  EXPECT_EQ(detmath::exp(0.0), 1.0);
  for (int sigma10 = 20; sigma10 <= 1000; ++sigma10) {
    const double sigma = sigma10 / 10.0, v = sigma * sigma * 0.125;
    for (int i = 0; i < static_cast<int>(std::ceil(sigma)); ++i) {
      const double x = static_cast<double>(i * i) * -0.5 / v;
      ASSERT_LE(UlpDistance(detmath::exp(x), std::exp(x)), 1) << x;
    }
  }
  EXPECT_EQ(detmath::exp(-800.0), 0.0);
  EXPECT_TRUE(std::isinf(detmath::exp(710.0)));
}

TEST(DetMath, CosWithinOneUlpOfTheLibrary) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> table(-3.1415926535, 0.0), wider(-20.0, 20.0);
  for (int i = 0; i < 400000; ++i) {
    const double x = i % 3 ? table(random) : wider(random);
    ASSERT_LE(UlpDistance(detmath::cos(x), std::cos(x)), 1) << x;
  }
  // The range table's arguments give the same table as the library's cos.
  A_u_char G[kRangeTableSize];
  buildRangeTable(G);
  for (int i = 0; i < kRangeTableSize; ++i) {
    const double b = i * 0.001953125;
    const double x = b * b * b * b * b * (b - 2.0) * 3.1415926535;
    EXPECT_LE(UlpDistance(detmath::cos(x), std::cos(x)), 1) << i;
    EXPECT_EQ(G[i], static_cast<int>((0.5 - 0.5 * std::cos(x)) * 128.0 + 0.5)) << i;
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
