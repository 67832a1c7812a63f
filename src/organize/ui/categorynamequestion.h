#pragma once
// The category name questions: one input box titled "Glimr", asked again
// with a short reason while the answer is no usable name (empty, or holding
// the path separator "\"). The box is a function, so tests can answer it.

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace glimr {

// Shows prompt with answer as the proposed text; problem, when not empty,
// says why the last answer was refused. Nothing for Cancel.
using TCategoryNameQuestion = std::function<std::optional<QString>(
    const QString& prompt, const QString& answer, const QString& problem)>;

// The modal input box of the program, parented to parent.
TCategoryNameQuestion CategoryNameBox(QWidget* parent);

// The text that says why a name was refused (Strings 107).
QString CategoryNameProblemText();

// Asks until the answer is a usable name and returns it trimmed; nothing when
// the user cancels.
std::optional<QString> AskCategoryName(const TCategoryNameQuestion& question, const QString& prompt,
                                       const QString& answer);

}  // namespace glimr
