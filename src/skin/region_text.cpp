#include "skin/region_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

namespace ozl::skin {
namespace {

constexpr int kMaxBlockDepth = 15;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// 32-bit arithmetic that wraps around instead of overflowing.
std::int32_t Wrapped(std::uint32_t value) { return static_cast<std::int32_t>(value); }
std::int32_t Add(std::int32_t a, std::int32_t b) {
  return Wrapped(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Subtract(std::int32_t a, std::int32_t b) {
  return Wrapped(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t Multiply(std::int32_t a, std::int32_t b) {
  return Wrapped(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Not a language error: it makes the text yield no region.
class DivisionByZero : public std::runtime_error {
 public:
  DivisionByZero() : std::runtime_error("division by zero") {}
};

// A nested evaluation failed and emptied the window's stack; the outer one yields no region too.
class NestedEvaluationFailed : public std::runtime_error {
 public:
  NestedEvaluationFailed() : std::runtime_error("a nested region text failed") {}
};

std::int32_t Divide(std::int32_t a, std::int32_t b) {
  if (b == 0) throw DivisionByZero();
  if (a == std::numeric_limits<std::int32_t>::min() && b == -1) return a;
  return a / b;
}

struct ExpressionFailure {
  enum class Kind { kBadFactor, kMissingParenthesis } kind;
  std::size_t position;  // 1-based, in the argument
};

// One argument, read with a blank appended: as much as forms one expression.
class ExpressionReader {
 public:
  ExpressionReader(std::string_view argument, const RegionSymbols& symbols)
      : text_(std::string(argument) + ' '), symbols_(symbols) {}

  std::int32_t Read() { return Expression(); }

 private:
  char Peek() const { return position_ < text_.size() ? text_[position_] : '\0'; }

  [[noreturn]] void Fail(ExpressionFailure::Kind kind) const {
    throw ExpressionFailure{kind, position_ + 1};
  }

  std::int32_t Expression() {
    std::int32_t value = Term();
    for (char op = Peek(); op == '+' || op == '-'; op = Peek()) {
      ++position_;
      const std::int32_t operand = Term();
      value = op == '+' ? Add(value, operand) : Subtract(value, operand);
    }
    return value;
  }

  std::int32_t Term() {
    std::int32_t value = Factor();
    for (char op = Peek(); op == '*' || op == '/'; op = Peek()) {
      ++position_;
      const std::int32_t operand = Factor();
      value = op == '*' ? Multiply(value, operand) : Divide(value, operand);
    }
    return value;
  }

  // Unary minus is read in a loop, so only parentheses nest.
  std::int32_t Factor() {
    bool negative = false;
    while (Peek() == '-') {
      negative = !negative;
      ++position_;
    }
    const std::int32_t value = Primary();
    return negative ? Subtract(0, value) : value;
  }

  std::int32_t Primary() {
    const char c = Peek();
    if (c == '(') {
      if (nesting_ == kMaxParenthesisNesting) Fail(ExpressionFailure::Kind::kBadFactor);
      ++nesting_;
      ++position_;
      const std::int32_t value = Expression();
      if (Peek() != ')') Fail(ExpressionFailure::Kind::kMissingParenthesis);
      ++position_;
      --nesting_;
      return value;
    }
    if (c >= '0' && c <= '9') return Number();
    if (const std::optional<std::int32_t> symbol = Symbol(c)) {
      ++position_;
      return *symbol;
    }
    Fail(ExpressionFailure::Kind::kBadFactor);
  }

  std::optional<std::int32_t> Symbol(char c) const {
    switch (c) {
      case 'X': return symbols_.x;
      case 'C': return symbols_.c;
      case 'R': return symbols_.r;
      case 'B': return symbols_.b;
      case 'W': return symbols_.w;
      case 'H': return symbols_.h;
      case 'Y': return symbols_.y;
      default: return std::nullopt;
    }
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::int32_t Number() {
    std::uint32_t value = 0;
    const bool hexadecimal = Peek() == '0' && position_ + 2 < text_.size() &&
                             text_[position_ + 1] == 'X' && HexDigit(text_[position_ + 2]) >= 0;
    if (hexadecimal) {
      position_ += 2;
      for (int digit = HexDigit(Peek()); digit >= 0; digit = HexDigit(Peek())) {
        value = value * 16 + static_cast<std::uint32_t>(digit);
        ++position_;
      }
    } else {
      for (char c = Peek(); c >= '0' && c <= '9'; c = Peek()) {
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        ++position_;
      }
    }
    return Wrapped(value);
  }

  std::string text_;
  const RegionSymbols& symbols_;
  std::size_t position_ = 0;
  int nesting_ = 0;
};

class Evaluation {
 public:
  Evaluation(RegionTextHost& host, std::string_view eval_name, std::size_t stack_depth)
      : host_(host),
        ops_(host.Regions()),
        symbols_(host.Symbols()),
        eval_name_(eval_name),
        stack_depth_(stack_depth) {}

  Region Run(std::string_view text) {
    std::size_t start = 0;
    while (true) {
      const std::size_t end = text.find("\r\n", start);
      ++line_number_;
      ReadLine(text.substr(start, end == std::string_view::npos ? end : end - start));
      if (end == std::string_view::npos) break;
      start = end + 2;
    }
    return std::move(levels_[0].accumulator);
  }

 private:
  struct Level {
    Region accumulator;
    CombineMode operation = CombineMode::kOr;
    bool first = true;
  };

  [[noreturn]] void Fail(std::string_view suffix) const {
    throw ECannotTranslate(eval_name_ + ", line" + std::to_string(line_number_) + ": " +
                           std::string(suffix));
  }

  Level& Current() { return levels_[depth_ - 1]; }

  void ReadLine(std::string_view line) {
    // An empty line (two line breaks in a row, or a text ending in one) adds nothing.
    if (line.empty()) return;
    const std::string_view argument = line.substr(1);
    Region operand;
    switch (line.front()) {
      case 'R': {
        const auto v = Arguments(argument, 4);
        operand = ops_.CreateRect({v[0], v[1], v[2], v[3]});
        break;
      }
      case 'E': {
        const auto v = Arguments(argument, 4);
        operand = ops_.CreateEllipse({v[0], v[1], v[2], v[3]});
        break;
      }
      case 'U': {
        const auto v = Arguments(argument, 6);
        operand = ops_.CreateRoundRect({v[0], v[1], v[2], v[3]}, v[4], v[5]);
        break;
      }
      case 'L':
      case 'W':
        operand =
            Polygon(argument, line.front() == 'L' ? FillMode::kAlternate : FillMode::kWinding);
        break;
      case 'T': operand = PlaceSource(argument); break;
      case 'O': Current().operation = CombineMode::kOr; return;
      case 'A': Current().operation = CombineMode::kAnd; return;
      case 'X': Current().operation = CombineMode::kXor; return;
      case 'D': Current().operation = CombineMode::kDiff; return;
      case '{':
        if (depth_ >= kMaxBlockDepth) Fail("Too many brackets");
        ++depth_;
        Current() = Level{};
        return;
      case '}':
        if (depth_ == 1) Fail("'}' without '{'");
        operand = std::move(Current().accumulator);
        --depth_;
        break;
      default: Fail("Unknown command");
    }
    if (operand) Accumulate(std::move(operand));
  }

  void Accumulate(Region operand) {
    Level& level = Current();
    if (level.first || !level.accumulator) {
      level.accumulator = std::move(operand);
      level.first = false;
    } else {
      ops_.Combine(level.accumulator, operand, level.operation);
    }
  }

  std::int32_t Evaluate(std::string_view expression) const {
    try {
      return ExpressionReader(expression, symbols_).Read();
    } catch (const ExpressionFailure& failure) {
      if (failure.kind == ExpressionFailure::Kind::kBadFactor) {
        Fail("Syntax error in position " + std::to_string(failure.position));
      }
      Fail("')' expected in position " + std::to_string(failure.position));
    }
  }

  std::vector<std::int32_t> EvaluateAll(std::string_view argument) const {
    std::vector<std::int32_t> values;
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = argument.find(',', start);
      values.push_back(Evaluate(
          argument.substr(start, comma == std::string_view::npos ? comma : comma - start)));
      if (comma == std::string_view::npos) return values;
      start = comma + 1;
    }
  }

  std::vector<std::int32_t> Arguments(std::string_view argument, std::size_t count) const {
    if (static_cast<std::size_t>(std::ranges::count(argument, ',')) != count - 1) {
      Fail("Invalid number of parameters");
    }
    return EvaluateAll(argument);
  }

  Region Polygon(std::string_view argument, FillMode mode) const {
    const auto commas = static_cast<std::size_t>(std::ranges::count(argument, ','));
    if (commas % 2 == 0 || commas < 5) Fail("Invalid number of parameters");
    const std::vector<std::int32_t> values = EvaluateAll(argument);
    std::vector<Point> points;
    points.reserve(values.size() / 2);
    for (std::size_t k = 0; k + 1 < values.size(); k += 2)
      points.push_back({values[k], values[k + 1]});
    return ops_.CreatePolygon(points, mode);
  }

  Region PlaceSource(std::string_view argument) {
    if (argument.size() < 3) Fail("Syntax error");
    const char horizontal = argument[0];
    const char vertical = argument[1];
    const std::string_view rest = argument.substr(2);
    const std::size_t first_comma = rest.find(',');
    if (first_comma == std::string_view::npos) Fail("Invalid number of parameters");
    const std::string_view after_x = rest.substr(first_comma + 1);
    const std::size_t second_comma = after_x.find(',');
    if (second_comma == std::string_view::npos) Fail("Invalid number of parameters");
    const std::int32_t x = Evaluate(rest.substr(0, first_comma));
    const std::int32_t y = Evaluate(after_x.substr(0, second_comma));
    const std::string_view name = after_x.substr(second_comma + 1);

    for (const std::string& entry : host_.TranslationStack()) {
      if (EqualsIgnoringCase(entry, name)) {
        throw EExtRgnCrossLink(eval_name_ + " recursively links to itself in line " +
                               std::to_string(line_number_));
      }
    }
    RegionSource* source = host_.FindSource(name);
    if (source == nullptr) {
      host_.ShowMissingSource(eval_name_ + ", line " + std::to_string(line_number_) +
                              ": External region " + std::string(name) + " not found");
      return {};
    }
    Region operand = source->GetRegionCopy();
    if (host_.TranslationStack().size() < stack_depth_) throw NestedEvaluationFailed();
    if (!operand) return {};

    Rect box = ops_.BoundingBox(operand);
    const RegionSource::Size frame = source->GetSourceSize();
    if (frame.width != -1) {
      box.left = 0;
      box.right = frame.width;
    }
    if (frame.height != -1) {
      box.top = 0;
      box.bottom = frame.height;
    }
    const std::int32_t dx = Shift(horizontal, 'L', 'R', x, box.left, box.right);
    const std::int32_t dy = Shift(vertical, 'T', 'B', y, box.top, box.bottom);
    ops_.Offset(operand, dx, dy);
    return operand;
  }

  // How far to move a box edge (near, far or centre, by the anchor letter) onto the target.
  std::int32_t Shift(char anchor, char near_letter, char far_letter, std::int32_t target,
                     std::int32_t near_edge, std::int32_t far_edge) const {
    if (anchor == near_letter) return Subtract(target, near_edge);
    if (anchor == far_letter) return Subtract(target, far_edge);
    if (anchor == 'C') return Subtract(target, Add(near_edge, far_edge) / 2);
    Fail("Syntax error");
  }

  RegionTextHost& host_;
  RegionOps& ops_;
  const RegionSymbols symbols_;
  const std::string eval_name_;
  const std::size_t stack_depth_;
  std::size_t line_number_ = 0;
  std::array<Level, kMaxBlockDepth> levels_;
  int depth_ = 1;
};

}  // namespace

bool EqualsIgnoringCase(std::string_view first, std::string_view second) {
  return std::ranges::equal(first, second,
                            [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  std::ranges::transform(upper, upper.begin(), UpperAscii);
  return upper;
}

Region TranslateRegionText(RegionTextHost& host, std::string_view text,
                           std::string_view eval_name) {
  if (text.empty()) return {};
  std::vector<std::string>& stack = host.TranslationStack();
  stack.emplace_back(eval_name);
  const std::size_t depth = stack.size();
  try {
    Region result = Evaluation(host, eval_name, depth).Run(UpperCase(text));
    if (stack.size() < depth) throw NestedEvaluationFailed();
    stack.pop_back();
    return result;
  } catch (const ECannotTranslate&) {
    stack.clear();
    throw;
  } catch (const EExtRgnCrossLink&) {
    stack.clear();
    throw;
  } catch (const std::exception&) {
    stack.clear();
    return {};
  }
}

}  // namespace ozl::skin
