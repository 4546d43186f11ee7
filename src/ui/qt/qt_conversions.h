// Conversions between the engine's plain values and Qt's: colours and UTF-8 text.
#pragma once

#include <QColor>
#include <QString>
#include <string>

#include "core/picture.h"

namespace pektra {

inline QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b); }
inline QString ToQString(const std::string& text) { return QString::fromUtf8(text.c_str()); }
inline std::string ToStd(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace pektra
