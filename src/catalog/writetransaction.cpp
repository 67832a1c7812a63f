#include "catalog/writetransaction.h"

#include "catalog/dmvesk.h"

namespace glimr {

TWriteTransaction::TWriteTransaction(TdmVesk& dm) : dm_(dm) {
  dm_.BeginWork();
}

TWriteTransaction::~TWriteTransaction() {
  if (!ended_) {
    // The session is connected (the begin went through), so this cannot
    // fail on the way in; a failed ROLLBACK has nothing left to undo.
    try {
      dm_.Rollback();
    } catch (...) {
    }
  }
}

void TWriteTransaction::Commit() {
  // A refused COMMIT rolls back inside TdmVesk::Commit: nothing is left for
  // the destructor either way.
  ended_ = true;
  dm_.Commit();
}

bool TWriteTransaction::CommitWhatIsDone() noexcept {
  ended_ = true;
  try {
    if (dm_.InWork()) {
      dm_.Commit();
      return true;
    }
  } catch (...) {
  }
  return false;
}

}  // namespace glimr
