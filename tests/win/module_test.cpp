// The loaded T_Vortane.aex: its property-list resource byte for byte, its one
// export, and imports of Windows system libraries only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "PluginModule.h"

namespace {

// Writes the expected property list: little-endian numbers, and properties
// of four-character codes each led by "8BIM", its key, 0 and its length.
struct PiplWriter {
  void put(uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back((v >> (8 * i)) & 0xff);
  }
  static uint32_t code(const char *c) {
    return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
           uint8_t(c[3]);
  }
  void header(const char *key, uint32_t length) {
    for (uint32_t v : {code("8BIM"), code(key), 0u, length}) put(v, 4);
  }
  // A text led by its length and padded to four bytes with zeros.
  void counted(const char *key, const std::string &text) {
    header(key, uint32_t(text.size() + 4) / 4 * 4);
    out.push_back(uint8_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
    while (out.size() % 4 != 2) out.push_back(0); // the list starts after a 2-byte word
  }
  void number(const char *key, uint32_t v) {
    header(key, 4);
    put(v, 4);
  }
  std::vector<uint8_t> out;
};

TEST(Module, PropertyListResourceMatchesByteForByte) {
  PiplWriter w;
  w.put(1, 2);
  w.put(0, 4);
  w.put(12, 4); // properties
  w.number("kind", PiplWriter::code("eFKT"));
  w.counted("name", "T_Vortane");
  w.counted("catg", "TOVRA");
  w.header("8664", 16);
  for (char c : std::string("EntryPointFunc")) w.out.push_back(uint8_t(c));
  w.put(0, 2);
  w.number("ePVR", 2);       // 2.0: two 16-bit halves
  w.number("eSVR", 13 + (27 << 16)); // 13.27
  w.number("eVER", 560653);
  w.header("eINF", 2);
  w.put(0, 4);
  w.number("eGLO", 0x06000070);
  w.number("eGL2", 0x08801419);
  w.counted("eMNA", "TOVRA VORTANE");
  w.number("aeFL", 0);

  HMODULE module = wtest::PluginModule();
  HRSRC res = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(16000), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(res, nullptr) << "no PIPL 16000 in language 1033";
  const auto *data = static_cast<const uint8_t *>(LockResource(LoadResource(module, res)));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(data, data + SizeofResource(module, res)), w.out);
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

TEST(Module, ImportsOnlyWindowsSystemLibraries) {
  const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll",   "shell32.dll",
                                        "comctl32.dll", "gdi32.dll",  "advapi32.dll", "ole32.dll"};
  auto base = reinterpret_cast<const uint8_t *>(wtest::PluginModule());
  const IMAGE_DATA_DIRECTORY &dir = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
  ASSERT_NE(dir.VirtualAddress, 0u);
  int count = 0;
  for (auto imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); imp->Name; ++imp) {
    std::string name = reinterpret_cast<const char *>(base + imp->Name);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_TRUE(system.count(name)) << "imports " << name;
    ++count;
  }
  EXPECT_GT(count, 0);
}

} // namespace
