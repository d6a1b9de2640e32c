// The text form of the component stream and the whole-stream conversions between it and
// the binary form:
//
//   object Panel1: TPanel
//     Width = 548.000000000000000000
//     Caption = 'It'#39's'
//     Fill.Points = <
//       item
//         Offset = 1.000000000000000000
//       end>
//     object : TLabel
//     end
//   end
//
// Lines end with CR LF and nest by two blanks. Numbers are written with "." whatever the
// locale; an unnamed object is written "object ClassName", and the reader takes
// "object ClassName" as well as "object : ClassName". Keywords (object, inherited,
// inline, end, item) are read without regard to case; one followed by "=" or "." is a
// property's name. Null inside a list is kept as the identifier Null (the null value
// ends a list in the binary form).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace rtl {

class TStream;

// Malformed text: the message begins with the line number ("Line 3: ...").
RTL_EXCEPTION(EParserError, EConvertError);

// Converts the binary form at Input's position into text at Output's position. Corrupt
// binary data raises EReadError.
void ObjectBinaryToText(TStream* Input, TStream* Output);
// Where the text of an object or a property began: its line, and the offset of what it
// became in the binary form, counted from Output's position at the start.
struct TTextPlace {
  int64_t Offset;
  int Line;
};

// Converts text at Input's position into the binary form at Output's position. Malformed
// text raises EParserError. With Places given, the place of every object and property is
// appended to it in order.
void ObjectTextToBinary(TStream* Input, TStream* Output, std::vector<TTextPlace>* Places = nullptr);
// The line of the text that the byte at Offset of the binary form came from (the place at or
// before it); 0 when there is none.
int TextLineAt(const std::vector<TTextPlace>& Places, int64_t Offset);

// The text of an extended value as the text form writes it: fixed notation with 18
// decimals and at most 16 significant digits ("548.000000000000000000", a single 0.1 as
// "0.100000001490116100", 0.0005 as "0.000500000000000000"), so a value reads back as the
// nearest double to those digits. Values of 1E16 and more have no fixed form of 16 digits and
// are written in the general form ("1.234567890123457E17"); a value that fixed notation would
// lose is written in exponent form: one that would read back as 0 (below 5E-19), and the
// largest ones, whose 16 digits would read back as no double (17 digits then). The reader
// takes every form.
std::string ExtendedToText(double Value);

}  // namespace rtl
