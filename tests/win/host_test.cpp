// T_Vortane.aex of this build tree, loaded as the Windows host loads it: its
// property-list resource byte for byte and its one export (its imports are
// Windows system libraries only: wine, which has no mingw runtime libraries,
// could not load it otherwise); the about text, which names the build only
// while Shift is down (the calling thread's keyboard state); failed host
// calls; and that it computes like the Linux build: its kernel tables (our
// exp, expf and cos under the mingw runtime) equal the golden file the Linux
// build checks, and it renders the reference frames bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "../kernel_tables.h"
#include "FaultSweep.h"
#include "GoldenScenes.h"
#include "Host.h"
#include "PluginModule.h"

namespace {

// A four-character code as stored (a big-endian number written little-endian),
// a little-endian number, and a text led by its length and padded to four
// bytes with zeros, as property data.
std::string Key(const char *c) { return {c[3], c[2], c[1], c[0]}; }
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
      {"kind", Key("eFKT")},
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
    want += Key("8BIM") + Key(key) + Number(0) + Number(uint32_t(data.size())) + data;
    want.resize((want.size() + 1) / 4 * 4 + 2); // the list starts after a 2-byte word
  }
  HMODULE module = wtest::PluginModule();
  HRSRC res = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(16000), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(res, nullptr) << "no PIPL 16000 in language 1033";
  const auto *data = static_cast<const char *>(LockResource(LoadResource(module, res)));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(data, SizeofResource(module, res)), want);
}

TEST(Module, ExportsOnlyTheUndecoratedEntryPoint) {
  ASSERT_NE(wtest::PluginEntry(), nullptr) << "cannot load " VORTANE_PLUGIN_PATH;
  auto base = reinterpret_cast<const uint8_t *>(wtest::PluginModule());
  const auto *headers =
      reinterpret_cast<const IMAGE_NT_HEADERS64 *>(base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY &dir = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
  EXPECT_EQ(exports->NumberOfFunctions, 1u);
  ASSERT_EQ(exports->NumberOfNames, 1u);
  auto names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
  EXPECT_STREQ(reinterpret_cast<const char *>(base + names[0]), "EntryPointFunc");
}

TEST(WindowsHost, AboutTextNamesTheBuildOnlyWithShiftDown) {
  for (bool shift : {false, true}) {
    BYTE keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ASSERT_TRUE(SetKeyboardState(keys));
    vemu::Host host(wtest::PluginEntry());
    const PF_Err err = host.about();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    ASSERT_EQ(err, PF_Err_NONE);
    const char *start = shift ? "T_Vortane 1.1.1 Release build:13\r\r" : "T_Vortane 1.1.1 Release\r\r";
    EXPECT_EQ(host.returnMessage().rfind(start, 0), 0u) << host.returnMessage();
  }
}

TEST(WindowsHost, EveryFailedHostCallGivesAnErrorOrTheCleanFrameAndLeavesNothing) {
  EXPECT_GT(vtest::SweepHostFaults(wtest::PluginEntry()).runs, 0);
}

TEST(WindowsKernelTables, MatchTheGoldenFile) {
  const std::string path = std::string("Z:") + VORTANE_TEST_DATA_DIR + "/kernel_tables.txt"; // wine's Z: is Unix's /
  const std::string golden = ktables::ReadFile(path);
  ASSERT_FALSE(golden.empty()) << path;
  EXPECT_EQ(ktables::KernelTablesText(), golden);
}

TEST(WindowsRender, GoldenFramesMatchTheLinuxBuild) {
  for (const vtest::GoldenScene &scene : vtest::GoldenScenes()) {
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
      vemu::Host host(wtest::PluginEntry());
      host.setThreads(3);
      vemu::Image out(1, 1, format);
      ASSERT_EQ(vtest::RenderGoldenScene(host, scene, format, &out), PF_Err_NONE) << scene.name;
      EXPECT_EQ(host.leaks(), "") << scene.name;
      const std::string path = vtest::GoldenPath(VORTANE_TEST_DATA_DIR, scene, format);
      vemu::Image golden(1, 1, format);
      ASSERT_TRUE(vtest::ReadImageFile(path, &golden)) << path;
      int x = -1, y = -1;
      EXPECT_EQ(out.differingPixels(golden, &x, &y), 0) << path << " first difference at " << x << "," << y;
    }
  }
}

} // namespace
