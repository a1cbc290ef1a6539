// vortane: drives the plug-in through its entry point with the host
// emulator. `vortane about` prints what the plug-in tells a host at start-up.
#include <cstdio>
#include <cstring>
#include <string>

#include "Host.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace {

int About() {
  vemu::Host host(&EntryPointFunc);
  PF_Err err = host.about();
  if (err != PF_Err_NONE) {
    std::fprintf(stderr, "vortane: the plug-in refused the about command (error %d)\n", err);
    return 1;
  }
  std::string text = host.returnMessage();
  for (char &c : text)
    if (c == '\r') c = '\n';
  std::printf("%s\n\n", text.c_str());
  err = host.globalSetup();
  if (err != PF_Err_NONE) {
    std::fprintf(stderr, "vortane: global setup failed (error %d)\n", err);
    return 1;
  }
  const PF_OutData &out = host.outData();
  std::printf("version    0x%08X (%u)\nout_flags  0x%08X\nout_flags2 0x%08X\n", out.my_version, out.my_version,
              static_cast<unsigned>(out.out_flags), static_cast<unsigned>(out.out_flags2));
  host.globalSetdown();
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc >= 2 && std::strcmp(argv[1], "about") == 0) return About();
  std::fprintf(stderr, "usage: vortane about\n");
  return 2;
}
