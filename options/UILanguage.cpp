// GetUILanguage: app suite first, then the command line and the system's UI
// language.
#include "UILanguage.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SuiteCache.h"

#if defined(_WIN32)
#include <windows.h>
#include <shellapi.h>
#else
#include <fstream>
#include <iterator>
#endif

namespace {

bool EqualsIgnoreCase(const std::string &a, const char *b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> args;
#if defined(_WIN32)
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return args;
  for (int i = 0; i < argc; ++i) {
    // Only ASCII matters for "-L" and the language tag.
    std::string a;
    for (const wchar_t *p = argv[i]; *p; ++p) a += (*p < 128) ? static_cast<char>(*p) : '?';
    args.push_back(a);
  }
  LocalFree(argv);
#else
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t start = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\0') {
      args.push_back(all.substr(start, i - start));
      start = i + 1;
    }
  }
#endif
  return args;
}

bool SystemLanguageIsJapanese() {
#if defined(_WIN32)
  return GetUserDefaultUILanguage() == 0x0411;
#else
  for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char *v = std::getenv(name);
    if (v && *v) return std::strncmp(v, "ja", 2) == 0;
  }
  return false;
#endif
}

// -1 not yet known, 0 no, 1 yes; computed once per process.
std::atomic<int> gCommandLineEnglish{-1};

bool CommandLineEnglish(PF_InData *in_data) {
  int known = gCommandLineEnglish.load();
  if (known < 0) {
    const bool newHost = in_data->version.major > 9 || (in_data->version.major == 9 && in_data->version.minor > 0);
    bool english = false;
    if (!newHost) {
      std::vector<std::string> args = ProcessArguments();
      std::vector<const char *> argv;
      for (const std::string &a : args) argv.push_back(a.c_str());
      english = CommandLineAsksForEnglish(static_cast<int>(argv.size()), argv.data());
    }
    known = english ? 1 : 0;
    gCommandLineEnglish.store(known);
  }
  return known == 1;
}

} // namespace

bool CommandLineAsksForEnglish(int argc, const char *const *argv) {
  for (int i = 0; i < argc; ++i) {
    if (!EqualsIgnoreCase(argv[i], "-L")) continue;
    if (i + 1 >= argc) return false;
    std::string tag = argv[i + 1];
    size_t cut = tag.find_first_of(" _-");
    if (cut != std::string::npos) tag.resize(cut);
    return EqualsIgnoreCase(tag, "en");
  }
  return false;
}

A_long GetUILanguage(PF_InData *in_data) {
  AEUtil::ScopedSuite app(in_data->pica_basicP, kPFAppSuite, kPFAppSuiteVersion5);
  if (app) {
    A_char tag[PF_APP_LANG_TAG_SIZE] = {};
    app.as<PFAppSuite5>()->PF_AppGetLanguage(tag);
    tag[PF_APP_LANG_TAG_SIZE - 1] = '\0';
    return EqualsIgnoreCase(tag, "ja_JP") ? 0 : 1;
  }
  if (CommandLineEnglish(in_data)) return 1;
  return SystemLanguageIsJapanese() ? 0 : 1;
}
