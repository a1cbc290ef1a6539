// The loaded T_Vortane.aex: its property-list resource byte for byte and its
// one export. (Its imports are Windows system libraries only: wine, which
// has no mingw runtime libraries, could not load it otherwise.)
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "PluginModule.h"

namespace {

uint32_t Code(const char *c) {
  return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 | uint8_t(c[3]);
}

// A little-endian number, and a text led by its length and padded to four
// bytes with zeros, as property data.
std::string Number(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Counted(const std::string &text) {
  std::string data = char(text.size()) + text;
  data.resize((data.size() + 3) / 4 * 4);
  return data;
}

TEST(Module, PropertyListResourceMatchesByteForByte) {
  // A word 1 and two numbers, 0 and the count of properties; then each
  // property: "8BIM", its key, 0, the length of its data, and the data,
  // padded with zeros to four bytes.
  std::string want = std::string("\1\0", 2) + Number(0) + Number(12);
  const std::pair<const char *, std::string> properties[] = {
      {"kind", Number(Code("eFKT"))},
      {"name", Counted("T_Vortane")},
      {"catg", Counted("TOVRA")},
      {"8664", std::string("EntryPointFunc\0\0", 16)},
      {"ePVR", Number(2)},             // 2.0 in two 16-bit halves
      {"eSVR", Number(13 | 27 << 16)}, // 13.27
      {"eVER", Number(560653)},
      {"eINF", std::string(2, '\0')},
      {"eGLO", Number(0x06000070)},
      {"eGL2", Number(0x08801419)},
      {"eMNA", Counted("TOVRA VORTANE")},
      {"aeFL", Number(0)},
  };
  for (const auto &[key, data] : properties) {
    want += Number(Code("8BIM")) + Number(Code(key)) + Number(0) + Number(uint32_t(data.size())) + data;
    want.resize((want.size() + 1) / 4 * 4 + 2); // the list starts after a 2-byte word
  }
  HMODULE module = wtest::PluginModule();
  HRSRC res = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(16000), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(res, nullptr) << "no PIPL 16000 in language 1033";
  const auto *data = static_cast<const char *>(LockResource(LoadResource(module, res)));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(data, SizeofResource(module, res)), want);
}

const IMAGE_DATA_DIRECTORY &Directory(int entry) {
  auto base = reinterpret_cast<const uint8_t *>(wtest::PluginModule());
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS64 *>(base + dos->e_lfanew)->OptionalHeader.DataDirectory[entry];
}

TEST(Module, ExportsOnlyTheUndecoratedEntryPoint) {
  ASSERT_NE(wtest::PluginEntry(), nullptr) << "cannot load " VORTANE_PLUGIN_PATH;
  auto base = reinterpret_cast<const uint8_t *>(wtest::PluginModule());
  const IMAGE_DATA_DIRECTORY &dir = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
  ASSERT_NE(dir.VirtualAddress, 0u);
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
  EXPECT_EQ(exports->NumberOfFunctions, 1u);
  ASSERT_EQ(exports->NumberOfNames, 1u);
  auto names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
  EXPECT_STREQ(reinterpret_cast<const char *>(base + names[0]), "EntryPointFunc");
}

} // namespace
