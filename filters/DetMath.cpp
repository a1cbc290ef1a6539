// Our own exp and cos, evaluated in double with argument reduction and
// Taylor polynomials. The results depend only on IEEE double arithmetic, so
// every platform gets the same bits.
#include "DetMath.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace detmath {
namespace {

// ln 2 split so that k x kLn2Hi is exact for |k| < 2^21.
constexpr double kInvLn2 = 0x1.71547652b82fep+0;
constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;

// pi / 2 in three parts; k x each part is exact for |k| < 2^20.
constexpr double kInvPio2 = 0x1.45f306dc9c883p-1;
constexpr double kPio2A = 0x1.921fb54400000p+0;
constexpr double kPio2B = 0x1.0b4611a600000p-34;
constexpr double kPio2C = 0x1.3198a2e037073p-69;

// 2^k for -1022 <= k <= 1023, built from its bits.
double PowerOfTwo(int k) {
  const uint64_t bits = static_cast<uint64_t>(k + 1023) << 52;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// Nearest whole number of v (|v| well below 2^52), halves away from zero.
double RoundWhole(double v) {
  const double t = v < 0 ? -v : v;
  double whole = static_cast<double>(static_cast<int64_t>(t + 0.5));
  return v < 0 ? -whole : whole;
}

// Horner evaluation of c[0] + c[1] r + ... + c[n-1] r^(n-1).
template <int N> double Poly(const double (&c)[N], double r) {
  double p = c[N - 1];
  for (int i = N - 2; i >= 0; --i) p = p * r + c[i];
  return p;
}

// 1/k! for the exp tail r^2 (1/2! + r/3! + ... + r^11/13!).
constexpr double kExpTail[] = {1.0 / 2.0,         1.0 / 6.0,          1.0 / 24.0,         1.0 / 120.0,
                               1.0 / 720.0,       1.0 / 5040.0,       1.0 / 40320.0,      1.0 / 362880.0,
                               1.0 / 3628800.0,   1.0 / 39916800.0,   1.0 / 479001600.0,  1.0 / 6227020800.0};

// sin r = r + r^3 (-1/3! + r^2/5! - ...), up to r^17.
constexpr double kSinTail[] = {-1.0 / 6.0,           1.0 / 120.0,            -1.0 / 5040.0,
                               1.0 / 362880.0,       -1.0 / 39916800.0,      1.0 / 6227020800.0,
                               -1.0 / 1307674368000.0, 1.0 / 355687428096000.0};

// cos r = 1 - r^2/2 + r^4 (1/4! - r^2/6! + ...), up to r^18.
constexpr double kCosTail[] = {1.0 / 24.0,           -1.0 / 720.0,           1.0 / 40320.0,
                               -1.0 / 3628800.0,     1.0 / 479001600.0,      -1.0 / 87178291200.0,
                               1.0 / 20922789888000.0, -1.0 / 6402373705728000.0};

// sin and cos of r + rLo, |r| <= pi/4 and |rLo| tiny against r.
double SinReduced(double r, double rLo) {
  const double r2 = r * r;
  return r + (r * r2 * Poly(kSinTail, r2) + rLo);
}

double CosReduced(double r, double rLo) {
  const double r2 = r * r;
  const double h = 0.5 * r2;
  const double s = 1.0 - h;
  const double e = (1.0 - s) - h; // exact: what 1 - h lost in rounding
  return s + (e + (r2 * r2 * Poly(kCosTail, r2) - r * rLo));
}

} // namespace

double exp(double x) {
  if (x != x) return x;
  if (x > 709.782712893384) return std::numeric_limits<double>::infinity();
  if (x < -745.2) return 0.0;
  // x = k ln 2 + r with |r| <= ln 2 / 2; r is kept as r + rLo.
  const double k = RoundWhole(x * kInvLn2);
  const double hi = x - k * kLn2Hi; // exact
  const double lo = k * kLn2Lo;
  const double r = hi - lo;
  const double rLo = (hi - r) - lo;
  // e^r = 1 + r + r^2 (1/2 + r/6 + ...); 1 + r is carried in two parts.
  const double s = 1.0 + r;
  const double e = (1.0 - s) + r; // exact since |r| < 1
  const double tail = r * r * Poly(kExpTail, r);
  const double er = s + (e + (tail + rLo * s));
  const int ki = static_cast<int>(k);
  if (ki > 1000) return er * PowerOfTwo(ki - 60) * PowerOfTwo(60);
  if (ki >= -1020) return er * PowerOfTwo(ki);
  // Results near or below the smallest normal: the first scaling is exact,
  // the second rounds once.
  return er * PowerOfTwo(ki + 60) * PowerOfTwo(-60);
}

float expf(float x) { return static_cast<float>(exp(static_cast<double>(x))); }

double cos(double x) {
  if (x != x) return x;
  const double ax = x < 0 ? -x : x;
  const double k = RoundWhole(ax * kInvPio2);
  // r = ax - k pi/2 with three-part pi/2 (each product exact).
  const double a = ax - k * kPio2A;
  const double b = k * kPio2B;
  const double r1 = a - b;
  const double r1Lo = (a - r1) - b;
  const double c = k * kPio2C;
  const double r = r1 - c;
  const double rLo = ((r1 - r) - c) + r1Lo;
  switch (static_cast<int64_t>(k) & 3) {
    case 0: return CosReduced(r, rLo);
    case 1: return -SinReduced(r, rLo);
    case 2: return -CosReduced(r, rLo);
    default: return SinReduced(r, rLo);
  }
}

} // namespace detmath
