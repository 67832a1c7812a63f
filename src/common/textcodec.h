#pragma once
// Decoding of text files that may be UTF-8 or the Cyrillic Windows code page
// 1251 (older language files were written in it), or Unicode with a
// byte-order mark as some editors save it.

#include <QByteArray>
#include <QString>

namespace glimr {

// True when the bytes are well-formed UTF-8 (a leading byte-order mark allowed).
bool IsValidUtf8(const QByteArray& bytes);

// Windows-1251 bytes to text. Our own table: Qt builds without ICU have no
// windows-1251 codec, and the result must not depend on how Qt was built.
QString DecodeWindows1251(const QByteArray& bytes);

// A byte-order mark decides first: UTF-32 or UTF-16 (either byte order) or
// UTF-8, the mark dropped; damaged sequences after a mark become replacement
// characters rather than turning the whole file into another code page.
// Without a mark: UTF-8 when the bytes are valid UTF-8, otherwise
// Windows-1251 (so Latin-1 or Windows-1252 bytes above 0x7F read as Cyrillic,
// while the ASCII sections and keys stay intact).
QString DecodeTextFile(const QByteArray& bytes);

}  // namespace glimr
