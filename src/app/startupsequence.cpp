#include "app/startupsequence.h"

#include <algorithm>

#include "common/errors.h"
#include "common/language.h"

namespace glimr {

void TStartupSequence::Append(TStartupStep step) {
  steps_.push_back(std::move(step));
}

std::vector<TStartupStep>::iterator TStartupSequence::Find(const QString& name) {
  return std::find_if(steps_.begin(), steps_.end(),
                      [&](const TStartupStep& s) { return s.name == name; });
}

bool TStartupSequence::Extend(const QString& name, std::function<void()> more) {
  const auto it = Find(name);
  if (it == steps_.end()) {
    return false;
  }
  std::function<void()> before = std::move(it->run);
  it->run = [before = std::move(before), more = std::move(more)] {
    if (before) {
      before();
    }
    if (more) {
      more();
    }
  };
  return true;
}

QStringList TStartupSequence::Names() const {
  QStringList names;
  for (const TStartupStep& s : steps_) {
    names << s.name;
  }
  return names;
}

void TStartupSequence::Run(const StatusFn& status) const {
  for (const TStartupStep& s : steps_) {
    if (s.statusKey >= 0 && status) {
      status(LangText(TLangSection::Strings, s.statusKey));
    }
    if (!s.run) {
      continue;
    }
    try {
      s.run();
    } catch (const std::exception& e) {
      ShowError(s.name + QStringLiteral(": "), ErrorText(e));
    }
  }
}

}  // namespace glimr
