#pragma once
// Writers of small sample images for the plug-in tests and the fuzz seeds:
// every sample shows four quadrants (top left red, top right green, bottom
// left blue, bottom right white) unless its kind says otherwise.

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

namespace samples {

// The 40 x 24 quadrant picture, or its grey version (0, 80, 160, 255).
QImage Quadrants(int width = 40, int height = 24, bool grey = false);

// Writes the sample of the given kind ("jpeg", "jpeg-exif6", "png-palette",
// ...) to path; false when the kind is unknown or writing failed.
bool Write(const QString& kind, const QString& path);

// The bytes of a valid sample of the kind (written through a temporary file).
QByteArray Bytes(const QString& kind);

// JPEG stream with an EXIF APP1 segment carrying the orientation, inserted
// right after the start-of-image marker.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation);

}  // namespace samples
