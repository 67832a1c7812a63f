#include "organize/ui/categorynamequestion.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>

#include "common/language.h"
#include "organize/categorytree.h"

namespace glimr {

QString CategoryNameProblemText() {
  return LangText(TLangSection::Strings, 107,
                  QStringLiteral("A category name may not be empty or contain \"\\\"."));
}

TCategoryNameQuestion CategoryNameBox(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  return [owner](const QString& prompt, const QString& answer,
                 const QString& problem) -> std::optional<QString> {
    QInputDialog box(owner);
    box.setWindowTitle(QStringLiteral("Glimr"));
    box.setInputMode(QInputDialog::TextInput);
    box.setLabelText(problem.isEmpty() ? prompt : problem + QLatin1Char('\n') + prompt);
    box.setTextValue(answer);
    box.setOkButtonText(LangText(TLangSection::Captions, 87));
    box.setCancelButtonText(LangText(TLangSection::Captions, 69));
    if (box.exec() != QDialog::Accepted) {
      return std::nullopt;
    }
    return box.textValue();
  };
}

std::optional<QString> AskCategoryName(const TCategoryNameQuestion& question, const QString& prompt,
                                       const QString& answer) {
  QString proposed = answer;
  QString problem;
  for (;;) {
    std::optional<QString> typed = question(prompt, proposed, problem);
    if (!typed) {
      return std::nullopt;
    }
    if (std::optional<QString> name = NormalizedCategoryName(*typed)) {
      return name;
    }
    // The user's text stays in the box, so a stray "\" is mended, not retyped.
    proposed = *typed;
    problem = CategoryNameProblemText();
  }
}

}  // namespace glimr
