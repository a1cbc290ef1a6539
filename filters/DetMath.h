// Deterministic exp and cos for the tables that feed the filter kernels, so
// that the Windows and Linux builds build the same tables whatever their
// maths libraries do. Only + - * / and exact scaling by powers of two.
#pragma once

namespace detmath {

// e^x in double, within about 0.6 ulp of the true value.
double exp(double x);

// e^x for a float argument: exp in double, rounded once to float.
float expf(float x);

// cos x in double for moderate |x| (the tables use |x| <= pi).
double cos(double x);

} // namespace detmath
