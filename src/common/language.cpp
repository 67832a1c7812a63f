#include "common/language.h"

namespace glimr {

QString LangText(const QString& /*section*/, const QString& /*key*/, const QString& defaultText) {
  return defaultText;
}

}  // namespace glimr
