#include "common/textcodec.h"

#include <QStringDecoder>

#include <array>

namespace glimr {

namespace {

// Code points of bytes 0x80..0xFF in Windows-1251; 0x98 is unassigned and
// maps to the replacement character.
constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    // C0..FF: the Cyrillic alphabet, U+0410..U+044F, filled below.
};

char16_t Cp1251ToUnicode(unsigned char b) {
  if (b < 0x80) {
    return b;
  }
  if (b >= 0xC0) {
    return static_cast<char16_t>(0x0410 + (b - 0xC0));
  }
  return kCp1251High[b - 0x80];
}

}  // namespace

bool IsValidUtf8(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= n || (p[i + k] & 0xC0) != 0x80) {
        return false;
      }
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

QString DecodeWindows1251(const QByteArray& bytes) {
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* d = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    d[i] = QChar(Cp1251ToUnicode(static_cast<unsigned char>(bytes[i])));
  }
  return out;
}

QString DecodeTextFile(const QByteArray& bytes) {
  struct TMark {
    QByteArrayView bom;
    QStringDecoder::Encoding encoding;
  };
  // UTF-32 LE before UTF-16 LE: its mark begins with the same two bytes.
  static const TMark kMarks[] = {
      {QByteArrayView("\xFF\xFE\x00\x00", 4), QStringDecoder::Utf32LE},
      {QByteArrayView("\x00\x00\xFE\xFF", 4), QStringDecoder::Utf32BE},
      {QByteArrayView("\xFF\xFE", 2), QStringDecoder::Utf16LE},
      {QByteArrayView("\xFE\xFF", 2), QStringDecoder::Utf16BE},
      {QByteArrayView("\xEF\xBB\xBF", 3), QStringDecoder::Utf8},
  };
  for (const TMark& m : kMarks) {
    if (QByteArrayView(bytes).startsWith(m.bom)) {
      // Stateless: a truncated last character is dropped, not kept pending.
      QStringDecoder decode(m.encoding, QStringDecoder::Flag::Stateless);
      return decode(QByteArrayView(bytes).sliced(m.bom.size()));
    }
  }
  if (IsValidUtf8(bytes)) {
    return QString::fromUtf8(bytes);
  }
  return DecodeWindows1251(bytes);
}

}  // namespace glimr
