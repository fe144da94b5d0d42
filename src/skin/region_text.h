// The region text language: a window outline written as lines of shapes, combining operations,
// blocks and placements of named region sources, evaluated into one region in window
// coordinates (the frame included).
//
//   R x1,y1,x2,y2        rectangle          E x1,y1,x2,y2       ellipse in that rectangle
//   U x1,y1,x2,y2,w,h    rounded rectangle  L/W x,y,x,y,x,y...  polygon, alternate/winding fill
//   T hv x,y,name        a named source with its corner (h: L/C/R, v: T/C/B) put at (x, y)
//   O A X D              union, intersection, symmetric difference, difference from now on
//   { }                  a block, combined into the enclosing level as one operand
//
// Lines end at CR LF; the text is read in upper case. Arguments are integer expressions with
// + - * / ( ), unary minus, decimal and 0x hexadecimal numbers and the window symbols X C R B W
// H Y. Arithmetic wraps around as 32-bit two's complement; a division by zero makes the whole
// text yield no region.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "skin/errors.h"
#include "skin/region.h"

namespace ozl::skin {

// A named region that texts place with the T command.
class RegionSource {
 public:
  struct Size {
    std::int32_t width = -1;  // -1: align the region's own bounding box on this axis
    std::int32_t height = -1;
  };

  virtual const std::string& Name() const = 0;
  // A region the caller owns, or none when the source has no region. May throw the errors of
  // this language when the source is itself a text.
  virtual Region GetRegionCopy() = 0;
  // The frame the T command aligns instead of the region's bounding box, per axis.
  virtual Size GetSourceSize() const = 0;

 protected:
  ~RegionSource() = default;
};

// The window symbols, all relative to the window's top-left corner.
struct RegionSymbols {
  std::int32_t x = 0;  // client area left
  std::int32_t c = 0;  // client area top
  std::int32_t r = 0;  // client area right
  std::int32_t b = 0;  // client area bottom
  std::int32_t w = 0;  // window width
  std::int32_t h = 0;  // window height
  std::int32_t y = 0;  // caption bar top
};

// What an evaluation needs from the window whose outline it computes.
class RegionTextHost {
 public:
  virtual RegionOps& Regions() = 0;
  virtual RegionSymbols Symbols() = 0;
  // The first source, in the window's list order, whose name equals name ignoring case.
  virtual RegionSource* FindSource(std::string_view name) = 0;
  // The names of the texts under evaluation on this window, innermost last.
  virtual std::vector<std::string>& TranslationStack() = 0;
  // A T line named no source: the user is told and the evaluation goes on.
  virtual void ShowMissingSource(std::string_view message) = 0;

 protected:
  ~RegionTextHost() = default;
};

// The deepest nesting of parentheses in one argument; a "(" beyond it is a syntax error at its
// position, so no text can exhaust the stack.
inline constexpr int kMaxParenthesisNesting = 1000;

// The outline text describes, owned by the caller, or none. eval_name (the name of the component
// whose text this is) begins every message. Errors: ECannotTranslate, EExtRgnCrossLink; the
// window's TranslationStack is emptied before they leave. Any other failure inside the
// evaluation, a nested one included, yields none.
Region TranslateRegionText(RegionTextHost& host, std::string_view text, std::string_view eval_name);

bool EqualsIgnoringCase(std::string_view first, std::string_view second);
std::string UpperCase(std::string_view text);

}  // namespace ozl::skin
