// Text forms of floats, points and rectangles as the 2D library writes them into
// properties, styles and settings ("." as decimal separator whatever the locale), and
// the two tokenizers.
#pragma once

#include <string>

#include "vg2d/core/Geometry.h"

namespace vg {

// A whole number as its digits ("12", "-3"), anything else with three decimals
// ("2.500", "-1.250").
std::string FloatToStringDot(double F);
// Raises rtl::EConvertError for a text that is not a float.
float StringToFloatDot(const std::string& Text);

// "(10,20.500)"
std::string PointToString(const TvxPoint& P);
// "(l,t,r,b)"
std::string RectToString(const TvxRect& R);
// What stands before "(" is skipped; any unreadable value gives (0,0).
TvxPoint StringToPoint(const std::string& Text);
// What stands before "(" is skipped; any unreadable value gives (0,0,0,0).
TvxRect StringToRect(const std::string& Text);

// The strict reading that stream properties use: "(" then Count numbers separated by ","
// then ")", with blanks allowed around each part and nothing else. The texts the writer
// gives non-finite values ("NAN", "INF", "-INF") read as all zeros, as the lenient readers
// above give them. False (Values untouched) for any other text.
bool ReadFloatsText(const std::string& Text, float* Values, int Count);
bool TryStringToPoint(const std::string& Text, TvxPoint& Point);
bool TryStringToRect(const std::string& Text, TvxRect& Rect);

// Takes the next token off the front of S. A character of Stop ends the token and stays
// in S; a character of Separators ends it and is consumed; any other is appended. The
// token and the rest of S are trimmed of blanks and control characters.
std::string GetToken(std::string& S, const std::string& Separators, const std::string& Stop = "");
// Reads a token of Text from the 1-based Position up to (not including) a character of
// Stop or Separators, then moves Position past the separators that follow.
std::u16string GetTokenW(int& Position, const std::u16string& Text, const std::u16string& Separators,
                         const std::u16string& Stop = u"");

}  // namespace vg
