// The tables that feed the filter kernels as text (step weights, Gaussian
// kernels, range table, codes and weights, cross table), compared with
// tests/data/kernel_tables.txt by the native and the Windows tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "filters/DetMath.h"
#include "filters/RadialBlur.h"
#include "filters/Soften.h"

namespace ktables {

// The bits of a float in hexadecimal.
inline std::string Hex(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(bits));
  return text;
}

inline std::string KernelTablesText() {
  std::ostringstream out;
  out << "# Tables that feed the filter kernels. Regenerate after an intended change with\n"
      << "#   VORTANE_REGENERATE_KERNEL_TABLES=1 vortane_tests --gtest_filter=KernelTables.MatchTheGoldenFile\n"
      << "# (native build); the Windows test host checks the same file.\n";

  for (A_long n : {1, 2, 3, 5, 11, 101, 257, 1000, 2001}) {
    std::vector<A_u_long> W(n);
    buildStepWeights(n, 100.0, W.data());
    float sum = 0.0f;
    const float denominator = static_cast<float>(n) * 100.0f;
    for (A_long i = 0; i < n; ++i) sum += detmath::expf(static_cast<float>(-(i * i)) / denominator);
    out << "step " << n << " sum " << Hex(sum) << ":";
    for (A_u_long w : W) out << ' ' << w;
    out << '\n';
  }

  for (double sigma : {2.0, 2.5, 3.7, 10.0, 33.3, 50.0, 99.9, 100.0}) {
    const double r = std::max(sigma / std::sqrt(sigma), 1.0);
    const GaussianKernel cycles[] = {buildGaussianKernel(static_cast<A_long>(std::ceil(sigma)), sigma * sigma * 0.125),
                                     buildGaussianKernel(static_cast<A_long>(std::ceil(r)), r * r)};
    for (int c = 0; c < 2; ++c) {
      out << "gauss " << sigma << " cycle " << c + 1 << ":";
      for (A_long i = 0; i < cycles[c].count; ++i) out << ' ' << cycles[c].taps()[i];
      out << '\n';
    }
  }

  A_u_char G[kRangeTableSize];
  buildRangeTable(G);
  out << "range table:";
  for (int i = 0; i < kRangeTableSize; ++i) out << ' ' << static_cast<int>(G[i]);
  out << '\n';

  out << "range weights:";
  for (A_long c = 0; c <= 16384; c += c < 256 ? 1 : 61) out << ' ' << c << '=' << Hex(rangeWeight(c));
  out << '\n';

  const PF_Pixel16 colours[][2] = {{{32768, 900, 23000, 31000}, {32768, 900, 23000, 31000}},
                                   {{32768, 400, 22600, 30760}, {32768, 32768, 0, 0}},
                                   {{32768, 0, 0, 0}, {32768, 32768, 32768, 32768}}};
  // The float dAB of the same colours is the same, up to its clamp at 32768.
  auto toFloat = [](const PF_Pixel16 &p) {
    return PF_PixelFloat{1, p.red / 32768.0f, p.green / 32768.0f, p.blue / 32768.0f};
  };
  for (const auto &pair : colours)
    for (double T : {0.0, 4.1, 10.0, 19.9, 20.0}) {
      const SoftenColorTerms terms = softenTerms16(pair[0], pair[1], T);
      const RangeCodes codes(terms);
      out << "codes dAB " << terms.dAB << " float " << softenTermsFloat(toFloat(pair[0]), toFloat(pair[1]), T).dAB
          << " T " << T << ": Xi " << codes.Xi << " limit " << codes.limit << " vAB " << codes.vAB << " codes";
      for (A_long c : {0, 100, 700, 1500, 5000, 20000, 32768, 90000}) out << ' ' << codes.normalized(c);
      out << " weights";
      for (A_long code = 0; code <= 128; code += 8) {
        const A_long normalized = codes.vAB != 0 ? code * 128 / codes.vAB : code;
        out << ' ' << Hex(rangeWeight(normalized));
      }
      out << '\n';
    }

  A_long Kc[3];
  buildCrossTable(Kc);
  out << "cross: " << Kc[0] << ' ' << Kc[1] << ' ' << Kc[2] << '\n';
  return out.str();
}

inline std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace ktables
