// Easing equations of the animations: T is the elapsed time, B the start value, C the
// change and D the duration; each returns B at T = 0 and B + C at T = D.
#pragma once

#include "platform/rtl/TypInfo.h"

namespace vg {

RTL_ENUM(TvxInterpolationType, vgInterpolationLinear, vgInterpolationQuadratic, vgInterpolationCubic,
         vgInterpolationQuartic, vgInterpolationQuintic, vgInterpolationSinusoidal, vgInterpolationExponential,
         vgInterpolationCircular, vgInterpolationElastic, vgInterpolationBack, vgInterpolationBounce);

RTL_ENUM(TvxAnimationType, vgAnimationIn, vgAnimationOut, vgAnimationInOut);

double InterpolateLinear(double T, double B, double C, double D);
double InterpolateQuad(TvxAnimationType AnimationType, double T, double B, double C, double D);
double InterpolateCubic(TvxAnimationType AnimationType, double T, double B, double C, double D);
double InterpolateQuart(TvxAnimationType AnimationType, double T, double B, double C, double D);
double InterpolateQuint(TvxAnimationType AnimationType, double T, double B, double C, double D);
double InterpolateSine(TvxAnimationType AnimationType, double T, double B, double C, double D);
double InterpolateExpo(TvxAnimationType AnimationType, double T, double B, double C, double D);
double InterpolateCirc(TvxAnimationType AnimationType, double T, double B, double C, double D);
// Amplitude 0 means C; Period 0 means 0.3 D (0.45 D for InOut).
double InterpolateElastic(TvxAnimationType AnimationType, double T, double B, double C, double D, double Amplitude,
                          double Period);
// Overshoot 0 means 1.70158.
double InterpolateBack(TvxAnimationType AnimationType, double T, double B, double C, double D, double Overshoot);
double InterpolateBounce(TvxAnimationType AnimationType, double T, double B, double C, double D);
double BounceEaseOut(double T, double B, double C, double D);
// The eased progress of an animation: the equation of Interpolation at T of D, from 0 to 1;
// the elastic and back equations take their standard amplitude, period and overshoot.
double InterpolateProgress(TvxInterpolationType Interpolation, TvxAnimationType AnimationType, double T, double D);
double BounceEaseIn(double T, double B, double C, double D);

}  // namespace vg
