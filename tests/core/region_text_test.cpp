#include "skin/region_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "skin/portable_region.h"
#include "skin_test_support.h"

namespace ozl::skin {
namespace {

using testing::Lines;
using Rects = std::vector<Rect>;

// A source with a fixed outline (or none) and an optional frame for the T command.
class FixedSource final : public RegionSource {
 public:
  FixedSource(PortableRegionOps& ops, std::string name, std::optional<Rects> outline,
              Size frame = {})
      : ops_(ops), name_(std::move(name)), outline_(std::move(outline)), frame_(frame) {}

  const std::string& Name() const override { return name_; }
  Region GetRegionCopy() override {
    ++copies;
    return outline_ ? ops_.CreateFromRects(*outline_) : Region{};
  }
  Size GetSourceSize() const override { return frame_; }

  int copies = 0;

 private:
  PortableRegionOps& ops_;
  std::string name_;
  std::optional<Rects> outline_;
  Size frame_;
};

class RegionText : public ::testing::Test, public RegionTextHost {
 protected:
  RegionOps& Regions() override { return ops; }
  RegionSymbols Symbols() override { return symbols; }
  RegionSource* FindSource(std::string_view name) override {
    for (FixedSource& source : sources) {
      if (EqualsIgnoringCase(source.Name(), name)) return &source;
    }
    return nullptr;
  }
  std::vector<std::string>& TranslationStack() override { return stack; }
  void ShowMissingSource(std::string_view message) override { messages.emplace_back(message); }

  Region Translate(std::string_view text) {
    return TranslateRegionText(*this, text, "FormRegion1");
  }
  Rects RectsOf(std::string_view text) {
    Region region = Translate(text);
    EXPECT_TRUE(region) << text;
    return region ? ops.Rectangles(region) : Rects{};
  }
  Rect BoxOf(std::string_view text) {
    Region region = Translate(text);
    EXPECT_TRUE(region) << text;
    return region ? ops.BoundingBox(region) : Rect{};
  }
  // The message of the ECannotTranslate or EExtRgnCrossLink the text raises.
  std::string ErrorOf(std::string_view text) {
    try {
      Translate(text);
    } catch (const ECannotTranslate& error) {
      return error.what();
    } catch (const EExtRgnCrossLink& error) {
      return error.what();
    }
    return "no error";
  }

  PortableRegionOps ops;
  // A borderless 197 x 215 window.
  RegionSymbols symbols{0, 0, 197, 215, 197, 215, -18};
  std::vector<FixedSource> sources;
  std::vector<std::string> stack;
  std::vector<std::string> messages;
};

TEST_F(RegionText, OperationsApplyFromTheSecondOperandOfALevel) {
  Region expected = ops.CreateRect({0, 0, 100, 100});
  Region ellipse = ops.CreateEllipse({10, 10, 50, 50});
  ops.Combine(expected, ellipse, CombineMode::kDiff);
  EXPECT_EQ(RectsOf(Lines({"R0,0,100,100", "D", "E10,10,50,50"})), ops.Rectangles(expected));

  EXPECT_EQ(RectsOf(Lines({"A", "R0,0,10,10"})), (Rects{{0, 0, 10, 10}}));
  EXPECT_EQ(RectsOf(Lines({"R0,0,10,10", "AND", "R5,0,20,10"})), (Rects{{5, 0, 10, 10}}));
  EXPECT_EQ(RectsOf(Lines({"R0,0,10,10", "XOR", "R5,0,20,10"})),
            (Rects{{0, 0, 5, 10}, {10, 0, 20, 10}}));
  EXPECT_EQ(RectsOf(Lines({"R0,0,10,10", "DIFF", "R5,0,20,10", "OR", "R30,0,40,10"})),
            (Rects{{0, 0, 5, 10}, {30, 0, 40, 10}}));
}

TEST_F(RegionText, BlocksCombineAsOneOperandOfTheEnclosingLevel) {
  EXPECT_EQ(RectsOf(Lines({"{", "R0,0,10,10", "R5,5,20,20", "}"})),
            (Rects{{0, 0, 10, 5}, {0, 5, 20, 10}, {5, 10, 20, 20}}));
  // The block starts with union whatever its enclosing level uses.
  EXPECT_EQ(RectsOf(Lines({"R0,0,20,20", "X", "{", "R0,0,10,10", "R5,5,20,20", "}"})),
            (Rects{{10, 0, 20, 5}, {0, 10, 5, 20}}));
  EXPECT_EQ(RectsOf(Lines({"R0,0,10,10", "{", "}", "D", "{", "A", "}"})), (Rects{{0, 0, 10, 10}}));
  EXPECT_FALSE(Translate(Lines({"{", "R0,0,10,10"})));  // still open at the end: discarded

  std::string nested;
  for (int k = 0; k < 14; ++k) nested += "{\r\n";
  std::string closing;
  for (int k = 0; k < 14; ++k) closing += "\r\n}";
  EXPECT_EQ(RectsOf(nested + "R1,2,3,4" + closing), (Rects{{1, 2, 3, 4}}));
  EXPECT_EQ(ErrorOf(nested + "{"), "FormRegion1, line15: Too many brackets");
  EXPECT_EQ(ErrorOf(Lines({"R0,0,1,1", "}"})), "FormRegion1, line2: '}' without '{'");
}

TEST_F(RegionText, EveryErrorNamesTheComponentAndLine) {
  EXPECT_EQ(ErrorOf(Lines({"R0,0,1,1", "O", "Q"})), "FormRegion1, line3: Unknown command");
  EXPECT_EQ(ErrorOf("R0,0,10"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("E0,0,10,10,5"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("U0,0,10,10,5"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("L0,0,10,0"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("L0,0,10,0,10,10,5"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("W0,0,10,0,10,10,5"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("R 0,0,10,10"), "FormRegion1, line1: Syntax error in position 1");
  EXPECT_EQ(ErrorOf("R0,,10,10"), "FormRegion1, line1: Syntax error in position 1");
  EXPECT_EQ(ErrorOf("R0,0,10+Q,10"), "FormRegion1, line1: Syntax error in position 4");
  EXPECT_EQ(ErrorOf("R(1,0,10,10"), "FormRegion1, line1: ')' expected in position 3");
  EXPECT_EQ(ErrorOf("R0,0,((2+3)*4,1"), "FormRegion1, line1: ')' expected in position 9");
  EXPECT_EQ(ErrorOf("TL"), "FormRegion1, line1: Syntax error");
  EXPECT_EQ(ErrorOf("TLT0"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("TLT0,0"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(ErrorOf("TLT0,(0,Cartoon"), "FormRegion1, line1: ')' expected in position 3");
  // The command letter is the first character: a line beginning with a blank is unknown.
  EXPECT_EQ(ErrorOf(" R0,0,1,1"), "FormRegion1, line1: Unknown command");
}

TEST_F(RegionText, ShapesTakeTheirPointsFromTheArguments) {
  EXPECT_EQ(RectsOf("L0,0,10,0,10,10"), RectsOf("W0,0,10,0,10,10"));
  EXPECT_EQ(BoxOf("L0,0,10,0,10,10"), (Rect{0, 0, 10, 10}));
  EXPECT_EQ(BoxOf("U0,0,100,50,20,20"), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(BoxOf("E10,10,50,30"), (Rect{10, 10, 50, 30}));
  EXPECT_EQ(RectsOf("R10,10,0,0"), (Rects{{0, 0, 10, 10}}));
}

TEST_F(RegionText, ExpressionsFollowPrecedenceAndWrapAround) {
  auto left_of = [&](std::string_view expression) {
    return BoxOf("R" + std::string(expression) + ",0,1000,1").left;
  };
  EXPECT_EQ(BoxOf("RW/2-10,0,W,H"), (Rect{88, 0, 197, 215}));
  EXPECT_EQ(left_of("-5*-2"), 10);
  EXPECT_EQ(left_of("7/-2"), -3);
  EXPECT_EQ(left_of("-7/2"), -3);
  EXPECT_EQ(left_of("2+3*4-6/2"), 11);
  EXPECT_EQ(left_of("(2+3)*4"), 20);
  EXPECT_EQ(left_of("--7"), 7);
  EXPECT_EQ(left_of("-(3-10)"), 7);
  EXPECT_EQ(left_of("10)"), 10);
  EXPECT_EQ(left_of("10 20"), 10);
  EXPECT_EQ(left_of("X+C+Y"), -18);
  EXPECT_EQ(BoxOf("RX,C,R,B"), (Rect{0, 0, 197, 215}));
  EXPECT_EQ(left_of("0x1F"), 31);
  EXPECT_EQ(left_of("0XFF+1"), 256);
  EXPECT_EQ(left_of("0x"), 0);  // no hexadecimal digit: the 0 ends at the X
  EXPECT_EQ(left_of("007"), 7);

  auto right_of = [&](std::string_view expression) {
    return BoxOf("R" + std::string(expression) + ",0,-1000,1").right;
  };
  EXPECT_EQ(left_of("2147483647+1"), INT_MIN);
  EXPECT_EQ(right_of("0-2147483647-2"), INT_MAX);
  EXPECT_EQ(left_of("65536*65536"), 0);
  EXPECT_EQ(left_of("4294967296"), 0);
  EXPECT_EQ(left_of("0x100000005"), 5);
  EXPECT_EQ(left_of("(0-2147483647-1)/-1"), INT_MIN);
  EXPECT_EQ(left_of("-(0-2147483647-1)"), INT_MIN);
}

TEST_F(RegionText, DivisionByZeroYieldsNoRegionAndLeavesNothingBehind) {
  stack = {"Outer"};
  EXPECT_FALSE(Translate(Lines({"R0,0,10,10", "{", "R0,0,5,5", "R1/0,0,1,1"})));
  EXPECT_TRUE(stack.empty());
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ops.LiveRegions(), 0u);
  EXPECT_FALSE(Translate("RW/(H-H),0,1,1"));
}

TEST_F(RegionText, NestingBeyondTheBoundIsASyntaxErrorNotACrash) {
  const auto nested = [](int depth) {
    return std::string(static_cast<std::size_t>(depth), '(') + "1" +
           std::string(static_cast<std::size_t>(depth), ')');
  };
  EXPECT_EQ(BoxOf("R" + nested(kMaxParenthesisNesting) + ",0,5,1").left, 1);
  EXPECT_EQ(
      ErrorOf("R" + nested(kMaxParenthesisNesting + 1) + ",0,5,1"),
      "FormRegion1, line1: Syntax error in position " + std::to_string(kMaxParenthesisNesting + 1));
  // Unary minus does not nest at all.
  EXPECT_EQ(BoxOf("R" + std::string(200001, '-') + "5,0,5,1").left, -5);
}

TEST_F(RegionText, LinesEndOnlyAtCarriageReturnLineFeed) {
  // A lone LF stays in the line; here it follows a complete expression and is ignored.
  EXPECT_EQ(RectsOf("R0,0,10,10\n"), (Rects{{0, 0, 10, 10}}));
  EXPECT_EQ(ErrorOf("R0,0,10,10\nR0,0,5,5"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_EQ(RectsOf("R0,0,10,10\rX"), (Rects{{0, 0, 10, 10}}));
  // Empty lines add nothing.
  EXPECT_EQ(RectsOf(Lines({"R0,0,10,10", "", "R10,0,20,10", ""})), (Rects{{0, 0, 20, 10}}));
}

TEST_F(RegionText, LowerCaseReadsAsUpperCase) {
  sources.emplace_back(ops, "Cartoon", Rects{{0, 0, 4, 4}});
  EXPECT_EQ(RectsOf(Lines({"r0,0,w/2,h", "d", "r0x10,0,0x20,h"})),
            RectsOf(Lines({"R0,0,W/2,H", "D", "R16,0,32,H"})));
  EXPECT_EQ(RectsOf("tlt10,10,cartoon"), (Rects{{10, 10, 14, 14}}));
}

TEST_F(RegionText, PlacementPutsTheChosenCornerOnThePoint) {
  // The worked reading: a 196 x 213 bitmap frame in a 197 x 215 window, bottom-right anchored.
  sources.emplace_back(ops, "Cartoon", Rects{{10, 0, 190, 213}}, RegionSource::Size{196, 213});
  EXPECT_EQ(RectsOf("TRBR,B,Cartoon"), (Rects{{11, 2, 191, 215}}));

  // Aligned by its own bounding box instead, the outline itself touches the corner.
  sources.emplace_back(ops, "Outline", Rects{{10, 20, 50, 60}});
  EXPECT_EQ(RectsOf("TRBR,B,Outline"), (Rects{{157, 175, 197, 215}}));
  EXPECT_EQ(RectsOf("TLT0,0,Outline"), (Rects{{0, 0, 40, 40}}));
  EXPECT_EQ(RectsOf("TCC100,100,Outline"), (Rects{{80, 80, 120, 120}}));
  EXPECT_EQ(RectsOf("TLB5,100,Outline"), (Rects{{5, 60, 45, 100}}));
  // Halves truncate toward zero: the centre of -3..2 is 0.
  sources.emplace_back(ops, "Odd", Rects{{-3, -3, 2, 2}});
  EXPECT_EQ(RectsOf("TCC0,0,Odd"), (Rects{{-3, -3, 2, 2}}));

  // One axis from the frame, the other from the outline.
  sources.emplace_back(ops, "Half", Rects{{10, 20, 50, 60}}, RegionSource::Size{100, -1});
  EXPECT_EQ(RectsOf("TRT200,0,Half"), (Rects{{110, 0, 150, 40}}));

  // Everything after the second comma, blanks and commas included, is the name.
  sources.emplace_back(ops, "a, b ", Rects{{0, 0, 1, 1}});
  EXPECT_EQ(RectsOf("TLT3,4,A, B "), (Rects{{3, 4, 4, 5}}));
}

TEST_F(RegionText, MissingSourcesAreReportedAndSkipped) {
  sources.emplace_back(ops, "Empty", std::nullopt);
  sources.emplace_back(ops, "Cartoon", Rects{{0, 0, 4, 4}});
  EXPECT_FALSE(Translate("TLT0,0,Nowhere"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "FormRegion1, line 1: External region NOWHERE not found");
  EXPECT_TRUE(stack.empty());

  EXPECT_EQ(RectsOf(Lines({"R0,0,1,1", "TQB0,0,nowhere", "TLT0,0,Empty", "TQQ0,0,Empty"})),
            (Rects{{0, 0, 1, 1}}));
  EXPECT_EQ(messages.back(), "FormRegion1, line 2: External region NOWHERE not found");
  EXPECT_EQ(ErrorOf("TQB0,0,Cartoon"), "FormRegion1, line1: Syntax error");
  EXPECT_EQ(ErrorOf("TLQ0,0,Cartoon"), "FormRegion1, line1: Syntax error");
  EXPECT_EQ(ops.LiveRegions(), 0u);
}

TEST_F(RegionText, TheStackGuardsAgainstPlacingATextInsideItself) {
  EXPECT_EQ(ErrorOf("TLT0,0,formregion1"), "FormRegion1 recursively links to itself in line 1");
  EXPECT_TRUE(stack.empty());

  stack = {"Macro"};
  EXPECT_EQ(ErrorOf(Lines({"R0,0,1,1", "TLT0,0,MACRO"})),
            "FormRegion1 recursively links to itself in line 2");
  EXPECT_TRUE(stack.empty()) << "every error empties the whole stack";

  stack = {"Outer"};
  EXPECT_EQ(ErrorOf("R0,0,1"), "FormRegion1, line1: Invalid number of parameters");
  EXPECT_TRUE(stack.empty());

  stack = {"Outer"};
  EXPECT_TRUE(Translate("R0,0,1,1"));
  EXPECT_EQ(stack, std::vector<std::string>{"Outer"});
  EXPECT_FALSE(Translate(""));
  EXPECT_EQ(stack, std::vector<std::string>{"Outer"});
}

}  // namespace
}  // namespace ozl::skin
