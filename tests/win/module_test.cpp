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

// Builds the expected property list from its description.
class PiplWriter {
 public:
  void u16(uint16_t v) {
    bytes.push_back(v & 0xff);
    bytes.push_back(v >> 8);
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back((v >> (8 * i)) & 0xff);
  }
  static uint32_t code(const char *c) {
    return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
           uint8_t(c[3]);
  }
  void header(const char *key, uint32_t length) {
    u32(code("8BIM"));
    u32(code(key));
    u32(0);
    u32(length);
  }
  void pad() {
    while (bytes.size() % 4 != 2) bytes.push_back(0); // the list starts after a 2-byte word
  }
  void counted(const char *key, const std::string &text) {
    std::vector<uint8_t> data{uint8_t(text.size())};
    data.insert(data.end(), text.begin(), text.end());
    while (data.size() % 4) data.push_back(0);
    header(key, uint32_t(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  void number(const char *key, uint32_t v) {
    header(key, 4);
    u32(v);
  }
  std::vector<uint8_t> bytes;
};

std::vector<uint8_t> ExpectedPipl() {
  PiplWriter w;
  w.u16(1);
  w.u32(0);
  w.u32(12);
  w.number("kind", PiplWriter::code("eFKT"));
  w.counted("name", "T_Vortane");
  w.counted("catg", "TOVRA");
  const std::string entry = "EntryPointFunc";
  w.header("8664", 16);
  w.bytes.insert(w.bytes.end(), entry.begin(), entry.end());
  w.bytes.insert(w.bytes.end(), 2, 0);
  w.header("ePVR", 4);
  w.u16(2);
  w.u16(0);
  w.header("eSVR", 4);
  w.u16(13);
  w.u16(27);
  w.number("eVER", 560653);
  w.header("eINF", 2);
  w.u16(0);
  w.u16(0);
  w.number("eGLO", 0x06000070);
  w.number("eGL2", 0x08801419);
  w.counted("eMNA", "TOVRA VORTANE");
  w.number("aeFL", 0);
  return w.bytes;
}

TEST(Module, PropertyListResourceMatchesByteForByte) {
  HMODULE module = wtest::PluginModule();
  HRSRC res = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(16000), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(res, nullptr) << "no PIPL 16000 in language 1033";
  HGLOBAL loaded = LoadResource(module, res);
  ASSERT_NE(loaded, nullptr);
  const auto *data = static_cast<const uint8_t *>(LockResource(loaded));
  const DWORD size = SizeofResource(module, res);
  std::vector<uint8_t> actual(data, data + size);
  EXPECT_EQ(actual, ExpectedPipl());
}

const IMAGE_NT_HEADERS64 *NtHeaders(HMODULE module) {
  auto base = reinterpret_cast<const uint8_t *>(module);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS64 *>(base + dos->e_lfanew);
}

TEST(Module, ExportsOnlyTheUndecoratedEntryPoint) {
  HMODULE module = wtest::PluginModule();
  auto base = reinterpret_cast<const uint8_t *>(module);
  const IMAGE_DATA_DIRECTORY &dir = NtHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
  EXPECT_EQ(exports->NumberOfFunctions, 1u);
  ASSERT_EQ(exports->NumberOfNames, 1u);
  auto names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
  EXPECT_STREQ(reinterpret_cast<const char *>(base + names[0]), "EntryPointFunc");
  EXPECT_NE(wtest::PluginEntry(), nullptr);
}

TEST(Module, ImportsOnlyWindowsSystemLibraries) {
  const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll",  "shell32.dll",
                                        "comctl32.dll", "gdi32.dll",  "advapi32.dll", "ole32.dll"};
  HMODULE module = wtest::PluginModule();
  auto base = reinterpret_cast<const uint8_t *>(module);
  const IMAGE_DATA_DIRECTORY &dir = NtHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
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
