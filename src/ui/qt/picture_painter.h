// The painter of pictures: display lists built by Qt-free code (core/picture.h) become images.
#pragma once

#include <QByteArray>
#include <QImage>

#include "core/picture.h"

namespace pektra {

// Paints a display list into an image of the picture's size times the screen scale.
QImage PaintPicture(const Picture& picture, double screen_scale);

// The same picture as an SVG document (lines, rectangles and texts as such, so that it scales
// and its texts can be found); empty when it cannot be made.
QByteArray PictureSvg(const Picture& picture, double screen_scale);

}  // namespace pektra
