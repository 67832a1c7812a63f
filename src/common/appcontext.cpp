#include "common/appcontext.h"

#include "common/filewrite.h"

namespace glimr {

TEaseTable MakeEaseTable() {
  TEaseTable t{};
  // Extended precision for the products, as the table has always been
  // computed: (k' * 1/19)^2 with k' = 19 - k.
  const long double step = 1.0L / 19.0L;
  for (std::size_t k = 0; k < t.size(); ++k) {
    const long double f = static_cast<long double>(19 - k) * step;
    t[k] = static_cast<double>(f * f);
  }
  return t;
}

bool WriteLogFile(const QStringList& lines, const QString& path, QString* error) {
  // Nothing on this platform produces log lines in a normal run; writing an
  // empty file would put a glimr.log into whatever folder the program was
  // started from (a desktop launcher's, often not writable) at every exit.
  if (lines.isEmpty()) {
    return true;
  }
  return WriteFileAtomically(path, lines.join(QStringLiteral("\r\n")).toUtf8(), error);
}

}  // namespace glimr
