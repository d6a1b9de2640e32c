// The text forms of the 3D library's values (floats, points, colours) as properties,
// animation values and mesh lists write them, and the two token splitters that read them.
// The decimal separator is always ".", whatever the locale.
#pragma once

#include <string>

#include "scene3d/Maths.h"

namespace dx {

// A whole number as its digits ("3"); anything else in the general format with 6 significant
// digits ("0.1", "0.333333", "123457", "1E-5").
std::string dxFloatToText(float F);
// Raises rtl::EConvertError for a text that is not a number.
float dxTextToFloat(const std::string& S);

// "(0,1.5,-2)".
std::string dxPointToText(const TdxPoint3D& P);
// What stands before the first separator ("(") is skipped; a missing or unreadable coordinate
// gives (0, 0, 0).
TdxPoint3D dxTextToPoint(const std::string& S);

// "#" and eight upper-case hexadecimal digits, alpha first.
std::string dxColorToText(TdxColor C);
// "#" followed by hexadecimal digits, or a decimal number; an empty text, one that is not a
// number or one beyond 32 bits gives 0 (transparent black).
TdxColor dxTextToColor(const std::string& S);

// Takes the next token off the front of S. A character of Stops ends the token and stays in S;
// one of Separators ends it and is consumed; any other is appended. The token and the rest of S
// are trimmed of blanks and control characters. "(1,2,3)" with the separators ",()" gives "",
// "1", "2" and "3".
std::string dxGetToken(std::string& S, const std::string& Separators, const std::string& Stops = "");
// Reads a token of S from the 1-based Pos up to (not including) a character of Stops or
// Separators, then moves Pos past the separators that follow; a Stops character stays at Pos.
std::string dxGetTokenAt(const std::string& S, int& Pos, const std::string& Separators, const std::string& Stops = "");

}  // namespace dx
