// The painter of pictures: display lists built by Qt-free code (core/picture.h) become images.
#pragma once

#include <QImage>

#include "core/picture.h"

namespace pektra {

// Paints a display list into an image of the picture's size times the screen scale.
QImage PaintPicture(const Picture& picture, double screen_scale);

}  // namespace pektra
