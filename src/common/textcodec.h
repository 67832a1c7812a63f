#pragma once
// Decoding of 8-bit text files that may be UTF-8 or the Cyrillic Windows code
// page 1251 (older language files were written in it).

#include <QByteArray>
#include <QString>

namespace glimr {

// True when the bytes are well-formed UTF-8 (a leading byte-order mark allowed).
bool IsValidUtf8(const QByteArray& bytes);

// Windows-1251 bytes to text. Our own table: Qt builds without ICU have no
// windows-1251 codec, and the result must not depend on how Qt was built.
QString DecodeWindows1251(const QByteArray& bytes);

// UTF-8 when the bytes are valid UTF-8 (the byte-order mark is dropped),
// otherwise Windows-1251.
QString DecodeTextFile(const QByteArray& bytes);

}  // namespace glimr
