#include "catalog/catalogqueries.h"
#include "catalog/catalogqueriesshared.h"
#include "catalog/statement.h"

// The search's look-up of FILES rows by name pattern and type.

namespace glimr {

using namespace catalogqueries;

std::vector<std::unique_ptr<TImageFileInfo>> TCatalogQueries::SearchFiles(
    TFilesOf of, std::int32_t id, const QString& likePattern, bool inCaptions,
    const QStringList& types) {
  std::vector<std::unique_ptr<TImageFileInfo>> records;
  if (types.isEmpty()) {
    return records;
  }
  // One numbered parameter per type: the text of the statement depends only
  // on how many there are, so it is prepared once per count.
  std::vector<QByteArray> typeParams;
  QString in;
  for (qsizetype i = 0; i < types.size(); ++i) {
    typeParams.push_back(QByteArrayLiteral(":Type") + QByteArray::number(i));
    in += (i == 0 ? QString() : QStringLiteral(", ")) + QString::fromLatin1(typeParams.back());
  }
  const QString name = inCaptions
                           ? QStringLiteral(
                                 "(FILENAME LIKE :FileName ESCAPE '\\' OR CAPTION LIKE :FileName "
                                 "ESCAPE '\\')")
                           : QStringLiteral("FILENAME LIKE :FileName ESCAPE '\\'");
  const QString sql =
      QStringLiteral("SELECT %1 FROM FILES WHERE %2 = :ID AND %3 AND TYPENAME IN (%4);")
          .arg(QLatin1String(kFileColumns),
               of == TFilesOf::Catalog ? QStringLiteral("CATALOGID") : QStringLiteral("CATEGORYID"),
               name, in);
  TDbScope scope(dm_, nullptr);
  TStatement st(dm_.CurrentSession(), sql);
  st.BindInt(":ID", id).BindText(":FileName", likePattern);
  for (qsizetype i = 0; i < types.size(); ++i) {
    st.BindText(typeParams[static_cast<size_t>(i)].constData(), types[i]);
  }
  return ReadFileRows(st);
}

}  // namespace glimr
