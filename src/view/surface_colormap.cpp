#include "view/surface_colormap.h"

#include <algorithm>
#include <cmath>

namespace kelvara {
namespace {

// A least-squares polynomial of degree 6 through viridis in each channel (to within about
// 1/255), from t^0 up.
constexpr double kRed[] = {0.2777273272234177, 0.1050930431085774, -0.3308618287255563,
                           -4.634230498983486, 6.228269936347081,  4.776384997670288,
                           -5.435455855934631};
constexpr double kGreen[] = {0.005407344544966578, 1.404613529898575, 0.214847559468213,
                             -5.799100973351585,   14.17993336680509, -13.74514537774601,
                             4.645852612178535};
constexpr double kBlue[] = {0.3340998053353061, 1.384590162594685, 0.09509516302823659,
                            -19.33244095627987, 56.69055260068105, -65.35303263337234,
                            26.3124352495832};

uint8_t channel(const double (&c)[7], double t) {
    double v = 0.0;
    for (int k = 6; k >= 0; --k) v = v * t + c[k];
    return static_cast<uint8_t>(std::lround(255.0 * std::clamp(v, 0.0, 1.0)));
}

}  // namespace

MapColor viridis(double t) {
    t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
    return {channel(kRed, t), channel(kGreen, t), channel(kBlue, t)};
}

}  // namespace kelvara
