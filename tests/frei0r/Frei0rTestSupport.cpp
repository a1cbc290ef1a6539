// Settings applied to an emulated host as the host values they stand for, for
// the benchmark that sets the vortane tool's effect instance like a frei0r
// instance.
#include "Frei0rTestSupport.h"

#include "EffectParams.h"

namespace f0rtest {

void Apply(vemu::Host &host, const std::vector<Setting> &settings) {
  for (const Setting &s : settings) {
    const int index = vtest::ParamIndex(host, s.name);
    switch (host.paramValue(index).param_type) {
    case PF_Param_CHECKBOX: host.setCheckbox(index, s.host[0] != 0.0); break;
    case PF_Param_FLOAT_SLIDER: host.setFloat(index, s.host[0]); break;
    case PF_Param_POPUP: host.setPopup(index, static_cast<A_long>(s.host[0])); break;
    case PF_Param_COLOR:
      host.setColor(index, static_cast<A_u_char>(s.host[0]), static_cast<A_u_char>(s.host[1]),
                    static_cast<A_u_char>(s.host[2]));
      break;
    case PF_Param_POINT: host.setPoint(index, s.host[0], s.host[1]); break;
    default: throw std::runtime_error("\"" + s.name + "\" takes no value");
    }
  }
}

} // namespace f0rtest
