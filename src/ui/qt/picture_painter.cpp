#include "ui/qt/picture_painter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <variant>

#include "core/display_settings.h"
#include "ui/qt/qt_conversions.h"

namespace pektra {

namespace {

// Paints the items of a display list, one call per item, onto a device of the picture's size
// times the screen scale. Single pixels are set on an image itself; on other devices (an SVG
// drawing) the unit squares and plus marks of successive pixels of one colour are drawn as one
// path each, so that thousands of points do not become thousands of elements. The pen and font an
// item sets stay for the items after it.
class ItemPainter {
 public:
  ItemPainter(QPaintDevice& device, QImage* image, double screen_scale, int width, int height)
      : image_(image),
        painter_(&device),
        screen_scale_(screen_scale),
        width_(width),
        height_(height) {
    pixels_.setFillRule(Qt::WindingFill);  // overlapping squares stay filled
  }
  ~ItemPainter() { FlushPixels(); }
  ItemPainter(const ItemPainter&) = delete;
  ItemPainter& operator=(const ItemPainter&) = delete;

  void operator()(const FillRect& item) {
    FlushPixels();
    painter_.fillRect(
        QRectF(QPointF(S(item.left), S(item.top)), QPointF(S(item.right), S(item.bottom))),
        ToQColor(item.color));
  }

  void operator()(const Pixel& item) { Dot(item.x, item.y, item.color); }

  void operator()(const PlusMark& item) {
    const int px = ScaleToScreen(item.x, screen_scale_);
    const int py = ScaleToScreen(item.y, screen_scale_);
    const QRgb rgb = ToQColor(item.color).rgb();
    if (image_ == nullptr) {  // two short strokes through the point's pixel
      PixelColor(rgb);
      marks_.moveTo(px - 1, py + 0.5);
      marks_.lineTo(px + 2, py + 0.5);
      marks_.moveTo(px + 0.5, py - 1);
      marks_.lineTo(px + 0.5, py + 2);
      return;
    }
    const int dx[] = {0, 1, -1, 0, 0}, dy[] = {0, 0, 0, 1, -1};
    for (int k = 0; k < 5; ++k) SetPixel(px + dx[k], py + dy[k], rgb);
  }

  void operator()(const DottedLine& item) {
    for (int k = 0; k < item.count; ++k) {
      Dot(item.vertical ? item.x : item.x + k * item.step,
          item.vertical ? item.y + k * item.step : item.y, item.color);
    }
  }

  void operator()(const Polyline& item) {
    FlushPixels();
    painter_.setPen(ToQColor(item.color));
    QPolygonF line;
    for (std::size_t k = 0; k < item.xs.size() && k < item.ys.size(); ++k) {
      line << QPointF(S(item.xs[k]), S(item.ys[k]));
    }
    painter_.drawPolyline(line);
  }

  void operator()(const Text& item) {
    FlushPixels();
    QFont font = painter_.font();
    // Texts grow with the screen scale like everything else in the picture, so that labels keep
    // their places relative to the lines they name.
    font.setPointSizeF(std::max(1.0, item.size * screen_scale_));
    font.setBold(item.bold);
    painter_.setFont(font);
    const QString text = ToQString(item.text);
    const double width = QFontMetricsF(font).horizontalAdvance(text) + 2;
    const QRectF box(item.align_right ? S(item.x) - width : S(item.x), S(item.y), width,
                     QFontMetricsF(font).height());
    if (item.opaque) painter_.fillRect(box, ToQColor(item.background));
    painter_.setPen(ToQColor(item.color));
    painter_.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
  }

  void operator()(const Frame& item) {
    FlushPixels();
    const QRectF box(QPointF(S(item.left), S(item.top)), QPointF(S(item.right), S(item.bottom)));
    painter_.setPen(ToQColor(item.color));
    painter_.setBrush(item.filled ? QBrush(ToQColor(item.fill)) : QBrush(Qt::NoBrush));
    if (item.rounded) {
      painter_.drawRoundedRect(box, S(8), S(8));
    } else {
      painter_.drawRect(box);
    }
    painter_.setBrush(Qt::NoBrush);
  }

 private:
  double S(double design_units) const { return design_units * screen_scale_; }

  // A single pixel at a design-unit point; points off the image are left out.
  void Dot(double x, double y, Color color) {
    SetPixel(ScaleToScreen(x, screen_scale_), ScaleToScreen(y, screen_scale_),
             ToQColor(color).rgb());
  }

  void SetPixel(int x, int y, QRgb rgb) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (image_ != nullptr) {
      image_->setPixel(x, y, rgb);
      return;
    }
    PixelColor(rgb);
    pixels_.addRect(x, y, 1, 1);
  }

  void PixelColor(QRgb rgb) {
    if (pixels_color_ != rgb) FlushPixels();
    pixels_color_ = rgb;
  }

  void FlushPixels() {
    if (!pixels_.isEmpty()) painter_.fillPath(pixels_, QColor(pixels_color_));
    if (!marks_.isEmpty()) {
      painter_.strokePath(marks_, QPen(QColor(pixels_color_), 1, Qt::SolidLine, Qt::FlatCap));
    }
    pixels_.clear();
    pixels_.setFillRule(Qt::WindingFill);
    marks_.clear();
  }

  QImage* image_;  // null: pixels are drawn through the painter
  QPainter painter_;
  double screen_scale_;
  int width_, height_;
  QPainterPath pixels_;  // pixels not drawn yet (devices other than an image)
  QPainterPath marks_;   // plus marks not drawn yet, as strokes
  QRgb pixels_color_ = 0;
};

QSize ScaledSize(const Picture& picture, double screen_scale) {
  return {std::max(1, ScaleToScreen(picture.width, screen_scale)),
          std::max(1, ScaleToScreen(picture.height, screen_scale))};
}

}  // namespace

QImage PaintPicture(const Picture& picture, double screen_scale) {
  const QSize size = ScaledSize(picture, screen_scale);
  QImage image(size, QImage::Format_RGB32);
  image.fill(ToQColor(picture.background));
  {
    ItemPainter paint(image, &image, screen_scale, size.width(), size.height());
    for (const DrawOp& op : picture.ops) std::visit(paint, op);
  }
  return image;
}

QByteArray PictureSvg(const Picture& picture, double screen_scale) {
  const QSize size = ScaledSize(picture, screen_scale);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  // Texts in points take the size they have on an image.
  svg.setResolution(QImage(1, 1, QImage::Format_RGB32).logicalDpiX());
  svg.setTitle(QStringLiteral("PEKTRA"));
  svg.setDescription(QStringLiteral("A picture of PEKTRA"));
  {
    // One painter for the whole document; the background is its first item.
    ItemPainter paint(svg, nullptr, screen_scale, size.width(), size.height());
    paint(FillRect{0, 0, static_cast<double>(picture.width), static_cast<double>(picture.height),
                   picture.background});
    for (const DrawOp& op : picture.ops) std::visit(paint, op);
  }
  return bytes;
}

}  // namespace pektra
