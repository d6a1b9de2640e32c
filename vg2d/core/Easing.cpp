#include "vg2d/core/Easing.h"

#include <cmath>
#include <numbers>

namespace vg {

namespace {
constexpr double kPi = std::numbers::pi;
}

double InterpolateLinear(double T, double B, double C, double D) { return C * T / D + B; }

double InterpolateQuad(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn: {
      const double p = T / D;
      return C * p * p + B;
    }
    case vgAnimationOut: {
      const double p = T / D;
      return -C * p * (p - 2) + B;
    }
    case vgAnimationInOut: {
      const double q = T / (D / 2);
      if (q < 1) return C / 2 * q * q + B;
      const double r = q - 1;
      return -C / 2 * (r * (r - 2) - 1) + B;
    }
  }
  return B;
}

double InterpolateCubic(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn: {
      const double p = T / D;
      return C * p * p * p + B;
    }
    case vgAnimationOut: {
      const double r = T / D - 1;
      return C * (r * r * r + 1) + B;
    }
    case vgAnimationInOut: {
      const double q = T / (D / 2);
      if (q < 1) return C / 2 * q * q * q + B;
      const double r = q - 2;
      return C / 2 * (r * r * r + 2) + B;
    }
  }
  return B;
}

double InterpolateQuart(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn: {
      const double p = T / D;
      return C * p * p * p * p + B;
    }
    case vgAnimationOut: {
      const double r = T / D - 1;
      return -C * (r * r * r * r - 1) + B;
    }
    case vgAnimationInOut: {
      const double q = T / (D / 2);
      if (q < 1) return C / 2 * q * q * q * q + B;
      const double r = q - 2;
      return -C / 2 * (r * r * r * r - 2) + B;
    }
  }
  return B;
}

double InterpolateQuint(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn: {
      const double p = T / D;
      return C * p * p * p * p * p + B;
    }
    case vgAnimationOut: {
      const double r = T / D - 1;
      return C * (r * r * r * r * r + 1) + B;
    }
    case vgAnimationInOut: {
      const double q = T / (D / 2);
      if (q < 1) return C / 2 * q * q * q * q * q + B;
      const double r = q - 2;
      return C / 2 * (r * r * r * r * r + 2) + B;
    }
  }
  return B;
}

double InterpolateSine(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  const double p = T / D;
  switch (AnimationType) {
    case vgAnimationIn: return -C * std::cos(p * (kPi / 2)) + C + B;
    case vgAnimationOut: return C * std::sin(p * (kPi / 2)) + B;
    case vgAnimationInOut: return -C / 2 * (std::cos(kPi * p) - 1) + B;
  }
  return B;
}

double InterpolateExpo(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn:
      if (T == 0) return B;
      return C * std::pow(2.0, 10 * (T / D - 1)) + B;
    case vgAnimationOut:
      if (T == D) return B + C;
      return C * (1 - std::pow(2.0, -10 * T / D)) + B;
    case vgAnimationInOut: {
      if (T == 0) return B;
      if (T == D) return B + C;
      const double q = T / (D / 2);
      if (q < 1) return C / 2 * std::pow(2.0, 10 * (q - 1)) + B;
      return C / 2 * (2 - std::pow(2.0, -10 * (q - 1))) + B;
    }
  }
  return B;
}

double InterpolateCirc(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn: {
      const double p = T / D;
      return -C * (std::sqrt(1 - p * p) - 1) + B;
    }
    case vgAnimationOut: {
      const double r = T / D - 1;
      return C * std::sqrt(1 - r * r) + B;
    }
    case vgAnimationInOut: {
      const double q = T / (D / 2);
      if (q < 1) return -C / 2 * (std::sqrt(1 - q * q) - 1) + B;
      const double r = q - 2;
      return C / 2 * (std::sqrt(1 - r * r) + 1) + B;
    }
  }
  return B;
}

double InterpolateElastic(TvxAnimationType AnimationType, double T, double B, double C, double D,
                          double Amplitude, double Period) {
  if (T == 0) return B;
  const bool inOut = AnimationType == vgAnimationInOut;
  const double p = inOut ? T / (D / 2) : T / D;
  if (p == (inOut ? 2 : 1)) return B + C;
  double period = Period;
  if (period == 0) period = D * (inOut ? 0.45 : 0.3);
  double a = Amplitude, s;
  if (a == 0 || a < std::fabs(C)) {
    a = C;
    s = period / 4;
  } else {
    s = period / (2 * kPi) * std::asin(C / a);
  }
  const double r = p - 1;
  switch (AnimationType) {
    case vgAnimationIn:
      return -(a * std::pow(2.0, 10 * r) * std::sin((r * D - s) * (2 * kPi) / period)) + B;
    case vgAnimationOut:
      return a * std::pow(2.0, -10 * p) * std::sin((p * D - s) * (2 * kPi) / period) + C + B;
    case vgAnimationInOut:
      if (p < 1) return -0.5 * a * std::pow(2.0, 10 * r) * std::sin((r * D - s) * (2 * kPi) / period) + B;
      return 0.5 * a * std::pow(2.0, -10 * r) * std::sin((r * D - s) * (2 * kPi) / period) + C + B;
  }
  return B;
}

double InterpolateBack(TvxAnimationType AnimationType, double T, double B, double C, double D,
                       double Overshoot) {
  double s = Overshoot == 0 ? 1.70158 : Overshoot;
  switch (AnimationType) {
    case vgAnimationIn: {
      const double p = T / D;
      return C * p * p * ((s + 1) * p - s) + B;
    }
    case vgAnimationOut: {
      const double r = T / D - 1;
      return C * (r * r * ((s + 1) * r + s) + 1) + B;
    }
    case vgAnimationInOut: {
      s *= 1.525;
      const double q = T / (D / 2);
      if (q < 1) return C / 2 * (q * q * ((s + 1) * q - s)) + B;
      const double r = q - 2;
      return C / 2 * (r * r * ((s + 1) * r + s) + 2) + B;
    }
  }
  return B;
}

double BounceEaseOut(double T, double B, double C, double D) {
  const double p = T / D;
  if (p < 4.0 / 11) return C * (7.5625 * p * p) + B;
  if (p < 25.0 / 34) {
    const double r = p - 6.0 / 11;
    return C * (7.5625 * r * r + 0.75) + B;
  }
  if (p < 10.0 / 11) {
    const double r = p - 9.0 / 11;
    return C * (7.5625 * r * r + 0.9375) + B;
  }
  const double r = p - 21.0 / 22;
  return C * (7.5625 * r * r + 0.984375) + B;
}

double BounceEaseIn(double T, double B, double C, double D) { return C - BounceEaseOut(D - T, 0, C, D) + B; }

double InterpolateBounce(TvxAnimationType AnimationType, double T, double B, double C, double D) {
  switch (AnimationType) {
    case vgAnimationIn: return BounceEaseIn(T, B, C, D);
    case vgAnimationOut: return BounceEaseOut(T, B, C, D);
    case vgAnimationInOut:
      if (T < D / 2) return BounceEaseIn(T * 2, 0, C, D) * 0.5 + B;
      return BounceEaseOut(T * 2 - D, 0, C, D) * 0.5 + C * 0.5 + B;
  }
  return B;
}

double InterpolateProgress(TvxInterpolationType I, TvxAnimationType A, double T, double D) {
  switch (I) {
    case vgInterpolationLinear: return InterpolateLinear(T, 0, 1, D);
    case vgInterpolationQuadratic: return InterpolateQuad(A, T, 0, 1, D);
    case vgInterpolationCubic: return InterpolateCubic(A, T, 0, 1, D);
    case vgInterpolationQuartic: return InterpolateQuart(A, T, 0, 1, D);
    case vgInterpolationQuintic: return InterpolateQuint(A, T, 0, 1, D);
    case vgInterpolationSinusoidal: return InterpolateSine(A, T, 0, 1, D);
    case vgInterpolationExponential: return InterpolateExpo(A, T, 0, 1, D);
    case vgInterpolationCircular: return InterpolateCirc(A, T, 0, 1, D);
    case vgInterpolationElastic: return InterpolateElastic(A, T, 0, 1, D, 0, 0);
    case vgInterpolationBack: return InterpolateBack(A, T, 0, 1, D, 0);
    case vgInterpolationBounce: return InterpolateBounce(A, T, 0, 1, D);
  }
  return 0;
}

}  // namespace vg
