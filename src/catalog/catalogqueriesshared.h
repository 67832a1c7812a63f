#pragma once
// What the catalog query files share: the scope that holds DbLock (and a
// worker's session), the record columns of FILES and their reader, and the
// report of a write to the write health. Only the catalog's own query
// files include it.

#include <QLoggingCategory>

#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "catalog/dmvesk.h"
#include "catalog/imagefileinfo.h"
#include "catalog/writehealth.h"

namespace glimr {

Q_DECLARE_LOGGING_CATEGORY(lcCatalog)

class TStatement;

namespace catalogqueries {

// Holds DbLock and, for a worker, runs the statements on its own session;
// the thread's previous session is back in place when the scope ends, also
// when the engine raises.
class TDbScope {
 public:
  TDbScope(TdmVesk& dm, TSession* session) : dm_(dm), lock_(dm.DbLock()) {
    if (session) {
      previous_ = dm_.ThreadSession();
      dm_.OpenSession(session);
      switched_ = true;
    }
  }
  ~TDbScope() {
    if (switched_) {
      dm_.OpenSession(previous_);
    }
  }
  TDbScope(const TDbScope&) = delete;
  TDbScope& operator=(const TDbScope&) = delete;

 private:
  TdmVesk& dm_;
  std::lock_guard<std::mutex> lock_;
  TSession* previous_ = nullptr;
  bool switched_ = false;
};

// The fourteen record columns of FILES, all that ReadFileRow reads: never
// the stored thumbnail, which can be large.
inline constexpr char kFileColumns[] =
    "ID, CAPTION, FILENAME, TYPENAME, CATEGORYID, CATALOGID, RATING, ANGLE, VFLIPED, HFLIPED, "
    "WIDTH, HEIGHT, FILEDATE, FILESIZE";

// Reads every row of a stepped statement that holds kFileColumns. Rows of
// one folder mostly share their type name: they share its text too.
std::vector<std::unique_ptr<TImageFileInfo>> ReadFileRows(TStatement& st);

// Runs one write operation (which takes DbLock itself) and tells the write
// health how it went once the lock is released: a success re-arms the
// report, a refused write is reported and raised on.
template <typename F>
auto Reported(TCatalogWriteHealth& health, F&& write) -> decltype(write()) {
  try {
    if constexpr (std::is_void_v<decltype(write())>) {
      write();
      health.Succeeded();
    } else {
      auto result = write();
      health.Succeeded();
      return result;
    }
  } catch (const TCatalogWriteError& e) {
    health.Failed(e.message());
    throw;
  }
}

}  // namespace catalogqueries

}  // namespace glimr
