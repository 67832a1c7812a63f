#include "browse/currentlists.h"

#include "common/language.h"

namespace glimr {

QString TitleText(TListSource source, const QString& folderPath,
                  const std::optional<QString>& categoryPath) {
  const QString product = QStringLiteral("Glimr");
  switch (source) {
    case TListSource::Catalog:
      return product + QStringLiteral(" - ") +
             LangText(QStringLiteral("Strings"), QStringLiteral("17"), QStringLiteral("Catalog:")) +
             QStringLiteral(" [") + folderPath + QLatin1Char(']');
    case TListSource::Search:
      return product + QStringLiteral(" - ") +
             LangText(QStringLiteral("Strings"), QStringLiteral("22"), QStringLiteral("Search"));
    case TListSource::Category:
      if (categoryPath) {
        return product + QStringLiteral(" - ") +
               LangText(QStringLiteral("Strings"), QStringLiteral("18"),
                        QStringLiteral("Category:")) +
               QStringLiteral(" [") + *categoryPath + QLatin1Char(']');
      }
      return product;
  }
  return product;
}

}  // namespace glimr
