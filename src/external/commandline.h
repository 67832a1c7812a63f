#pragma once
// Splitting a command line into its arguments, shared by the external program
// templates and the desktop entries' Exec values, which differ only in
// whether a backslash escapes the next character.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace glimr {

// Whether a backslash takes the next character as it stands.
enum class TArgumentEscapes {
  None,       // parameter templates: a backslash is an ordinary character
  Backslash,  // desktop Exec values: a backslash keeps the next character,
              // inside quotes or not; a backslash at the very end stays
};

struct TCommandLineArguments {
  QStringList Arguments;
  bool OpenQuote = false;  // a quote was left open: the last argument runs to the end
};

// The arguments of line: blanks separate them, double quotes group text
// with blanks and are removed ("a"b -> ab, a""b -> ab). A quoted empty text
// (or a lone quote) gives an empty argument.
TCommandLineArguments SplitCommandLine(QStringView line, TArgumentEscapes escapes);

}  // namespace glimr
