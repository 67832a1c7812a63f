#include "common/appcontext.h"

#include <QFile>

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
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error) {
      *error = f.errorString();
    }
    return false;
  }
  const QByteArray bytes = lines.join(QStringLiteral("\r\n")).toUtf8();
  if (f.write(bytes) != bytes.size()) {
    if (error) {
      *error = f.errorString();
    }
    return false;
  }
  f.close();
  return true;
}

}  // namespace glimr
