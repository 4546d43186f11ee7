#include "ui/qt/picture_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <variant>

#include "core/display_settings.h"
#include "ui/qt/qt_conversions.h"

namespace pektra {

namespace {

// Paints the items of a display list, one call per item, onto an image of the picture's size
// times the screen scale. Single pixels are set on the image itself; the pen and font an item
// sets stay for the items after it.
class ItemPainter {
 public:
  ItemPainter(QImage& image, double screen_scale)
      : image_(image), painter_(&image), screen_scale_(screen_scale) {}

  void operator()(const FillRect& item) {
    painter_.fillRect(
        QRectF(QPointF(S(item.left), S(item.top)), QPointF(S(item.right), S(item.bottom))),
        ToQColor(item.color));
  }

  void operator()(const Pixel& item) { Dot(item.x, item.y, item.color); }

  void operator()(const PlusMark& item) {
    const int px = ScaleToScreen(item.x, screen_scale_);
    const int py = ScaleToScreen(item.y, screen_scale_);
    const QRgb rgb = ToQColor(item.color).rgb();
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
    painter_.setPen(ToQColor(item.color));
    QPolygonF line;
    for (std::size_t k = 0; k < item.xs.size() && k < item.ys.size(); ++k) {
      line << QPointF(S(item.xs[k]), S(item.ys[k]));
    }
    painter_.drawPolyline(line);
  }

  void operator()(const Text& item) {
    QFont font = painter_.font();
    font.setPointSize(std::max(1, item.size));
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
    if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height()) image_.setPixel(x, y, rgb);
  }

  QImage& image_;
  QPainter painter_;
  double screen_scale_;
};

}  // namespace

QImage PaintPicture(const Picture& picture, double screen_scale) {
  QImage image(std::max(1, ScaleToScreen(picture.width, screen_scale)),
               std::max(1, ScaleToScreen(picture.height, screen_scale)), QImage::Format_RGB32);
  image.fill(ToQColor(picture.background));
  {
    ItemPainter paint(image, screen_scale);
    for (const DrawOp& op : picture.ops) std::visit(paint, op);
  }
  return image;
}

}  // namespace pektra
