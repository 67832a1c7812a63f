#pragma once
// An ordered list of named start-up (or shutdown) steps. Each step may name
// a status text ("Strings" key) that is shown before it runs. Later
// subsystems plug their work into the step that names them.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace glimr {

struct TStartupStep {
  QString name;
  int statusKey = -1;  // "Strings" key of the status text; -1 = none
  std::function<void()> run;
};

class TStartupSequence {
 public:
  using StatusFn = std::function<void(const QString& text)>;

  void Append(TStartupStep step);
  // Adds work to the end of an existing step; false when there is none.
  bool Extend(const QString& name, std::function<void()> more);

  QStringList Names() const;

  // Runs the steps in order. A step that names a status text first hands
  // LangText("Strings", key) to status. A step that throws is reported as
  // "<name>: <message>" and the sequence goes on, as a failing subsystem
  // must not stop the program from starting or from saving at exit.
  void Run(const StatusFn& status = {}) const;

 private:
  std::vector<TStartupStep>::iterator Find(const QString& name);

  std::vector<TStartupStep> steps_;
};

}  // namespace glimr
