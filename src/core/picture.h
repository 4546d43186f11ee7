// Pictures as data: graphs are built as display lists by Qt-free code and painted by the window
// adapter. Coordinates are design units; the adapter multiplies them by the screen scale.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace pektra {

// An RGB colour.
struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};

namespace colors {
inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kRed{255, 0, 0};
inline constexpr Color kLime{0, 255, 0};
inline constexpr Color kGreen{0, 128, 0};
inline constexpr Color kBlue{0, 0, 255};
inline constexpr Color kAqua{0, 255, 255};
inline constexpr Color kTeal{0, 128, 128};
inline constexpr Color kFuchsia{255, 0, 255};
inline constexpr Color kYellow{255, 255, 0};
inline constexpr Color kMaroon{128, 0, 0};
inline constexpr Color kNavy{0, 0, 128};
inline constexpr Color kSilver{192, 192, 192};
inline constexpr Color kButtonFace{240, 240, 240};
}  // namespace colors

struct FillRect {
  double left, top, right, bottom;  // right and bottom exclusive
  Color color;
};
struct Pixel {
  double x, y;
  Color color;
};
// The point and its four direct neighbours.
struct PlusMark {
  double x, y;
  Color color;
};
// `count` single pixels from (x, y), each `step` further along the line (horizontal or vertical).
struct DottedLine {
  double x, y;
  int count;
  double step;
  bool vertical;
  Color color;
};
struct Polyline {
  std::vector<double> xs, ys;
  Color color;
};
struct Text {
  double x, y;  // top left of the text
  std::string text;
  Color color;
  int size = 10;
  bool bold = true;
  Color background = Color{0, 0, 0};
  bool opaque = false;       // paint the background behind the text
  bool align_right = false;  // x is the right end of the text, not its left
};
// A rectangle outline, optionally with rounded corners and a filled inside.
struct Frame {
  double left, top, right, bottom;
  Color color;
  bool rounded = false;
  bool filled = false;
  Color fill = Color{0, 0, 0};
};

using DrawOp = std::variant<FillRect, Pixel, PlusMark, DottedLine, Polyline, Text, Frame>;

struct Picture {
  int width = 0, height = 0;  // design units
  Color background = colors::kBlack;
  std::vector<DrawOp> ops;

  template <typename Op>
  void Add(Op op) {
    ops.emplace_back(std::move(op));
  }
};

// The picture inside a margin: a larger picture of the margin's colour with every item of `inner`
// moved by (left, top), so that numbers can stand around it.
inline Picture WithMargins(const Picture& inner, double left, double top, double right,
                           double bottom, Color margin) {
  Picture outer;
  outer.width = inner.width + static_cast<int>(left + right);
  outer.height = inner.height + static_cast<int>(top + bottom);
  outer.background = margin;
  outer.Add(FillRect{left, top, left + inner.width, top + inner.height, inner.background});
  for (DrawOp op : inner.ops) {
    std::visit(
        [left, top](auto& item) {
          using Item = std::decay_t<decltype(item)>;
          if constexpr (std::is_same_v<Item, FillRect> || std::is_same_v<Item, Frame>) {
            item.left += left;
            item.right += left;
            item.top += top;
            item.bottom += top;
          } else if constexpr (std::is_same_v<Item, Polyline>) {
            for (double& x : item.xs) x += left;
            for (double& y : item.ys) y += top;
          } else {
            item.x += left;
            item.y += top;
          }
        },
        op);
    outer.ops.push_back(std::move(op));
  }
  return outer;
}

}  // namespace pektra
