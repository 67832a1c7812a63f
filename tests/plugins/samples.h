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

// A smooth colour pattern (red grows to the right, green downwards, blue
// along the diagonal): averaging it down shows any misplaced block.
QImage Gradient(int width, int height);

// Writes the sample of the given kind ("jpeg", "jpeg-exif6", "png-palette",
// ...; "*-gradient*" kinds are the 1203 x 807 gradient) to path; false
// when the kind is unknown or writing failed. The "heic*", "avif*", "jxl*"
// and "dng*" kinds are written by heif-enc, avifenc, cjxl and
// tests/plugins/samples/make_dng.py ("dng-40x24-orient6-preview");
// "avif-photo" and "jxl-photo" are 50-megapixel photo-like pictures.
bool Write(const QString& kind, const QString& path);

// The bytes of a valid sample of the kind (written through a temporary file).
QByteArray Bytes(const QString& kind);

// Hostile files built to make a decoder allocate far more than their size
// suggests ("gif-huge-screen", "png-interlaced-huge", "png-itxt-huge",
// "jpeg-progressive-huge", "webp-sparse", "tiff-deflate-huge"); written to
// path, false when the kind is unknown or writing failed.
bool WriteCrafted(const QString& kind, const QString& path);

// The kinds WriteCrafted knows, each with the plug-in that reads it.
QList<QPair<QString, QString>> CraftedKinds();

// A PNG of all-zero pixels whose data is one deflate stream of the exact
// length the header implies.
QByteArray ZeroPng(int width, int height, int bitDepth, int colorType, bool interlace);

// JPEG stream with an EXIF APP1 segment carrying the orientation, inserted
// right after the start-of-image marker.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation);

}  // namespace samples
