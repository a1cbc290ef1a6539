// The effect's parameters as frei0r parameters: one table built from the
// definitions the plug-in registered, and the mapping between frei0r's
// values (each in [0, 1]) and the values the host holds.
#pragma once

#include <string>
#include <vector>

#include "ParamCatalog.h"

namespace vfrei0r {

struct MappedParam {
  int hostIndex = 0;   // index among the host's parameters (1 = the first after the layer)
  PF_ParamType hostType = PF_Param_NO_DATA;  // checkbox, float slider, popup, colour or point
  int type = 0;        // F0R_PARAM_*
  std::string name;    // the registered display name
  std::string explanation;
  double min = 0.0, max = 0.0;  // sliders: the valid range
  std::vector<A_long> choices;  // the popup: its selectable values, in order
};

// Checkboxes, sliders, popups, colours and points, in host index order;
// group headings and ends carry no value and are left out.
std::vector<MappedParam> MapParams(const vemu::ParamCatalog &catalog);

// frei0r value to host value. A NaN leaves the current value; values beyond
// the ends (infinities included) count as the nearer end.
bool BoolFromFrei0r(double value, bool current);
double SliderFromFrei0r(const MappedParam &param, double value, double current);
A_long ChoiceFromFrei0r(const MappedParam &param, double value, A_long current);
// Each channel rounded to 8 bits; the colour is always opaque.
PF_Pixel ColorFromFrei0r(float red, float green, float blue, PF_Pixel current);
// A position coordinate as a fraction of the frame side. The centre of a
// blur may lie outside the frame, so fractions beyond [0, 1] are kept as
// long as the pixel position fits the host's point range.
double FractionFromFrei0r(double value, int side, double current);

// Host value to frei0r value.
double Frei0rFromBool(bool on);
double Frei0rFromSlider(const MappedParam &param, double value);
// A value that is not one of the selectable choices reads as 0.
double Frei0rFromChoice(const MappedParam &param, A_long value);
float Frei0rFromChannel(A_u_char channel);

} // namespace vfrei0r
