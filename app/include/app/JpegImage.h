#pragma once

#include <QByteArray>
#include <QImage>

namespace orvek::ui {

// Decodes a JPEG picture with libjpeg. A damaged, hostile or oversized file gives a null image,
// never a crash or an exit.
QImage decodeJpeg(const QByteArray& bytes);

} // namespace orvek::ui
