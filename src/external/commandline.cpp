#include "external/commandline.h"

namespace glimr {

TCommandLineArguments SplitCommandLine(QStringView line, TArgumentEscapes escapes) {
  TCommandLineArguments out;
  QString current;
  bool inArgument = false;  // a quote alone starts an (empty) argument
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (escapes == TArgumentEscapes::Backslash && c == QLatin1Char('\\') && i + 1 < line.size()) {
      current += line[++i];
      inArgument = true;
    } else if (c == QLatin1Char('"')) {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && c.isSpace()) {
      if (inArgument) {
        out.Arguments.append(current);
        current.clear();
        inArgument = false;
      }
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) {
    out.Arguments.append(current);
  }
  out.OpenQuote = quoted;
  return out;
}

}  // namespace glimr
