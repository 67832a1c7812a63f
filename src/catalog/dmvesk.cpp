#include "catalog/dmvesk.h"

#include <sqlite3.h>

#include <algorithm>
#include <thread>

#include "catalog/statement.h"
#include "common/errors.h"

namespace glimr {

TdmVesk::TdmVesk(const QString& databaseDir, std::mutex& dbLock)
    : fileName_(DatabaseFileName(databaseDir)),
      dbLock_(dbLock),
      default_(std::make_unique<TSession>(QStringLiteral("Default"), fileName_)) {}

TdmVesk::~TdmVesk() {
  std::lock_guard lock(dbLock_);
  idleWorkers_.clear();
  sessions_.clear();
  default_.reset();
}

QString TdmVesk::DatabaseFileName(const QString& databaseDir) {
  QString dir = databaseDir;
  if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) {
    dir += QLatin1Char('/');
  }
  return dir + QStringLiteral("catalog.sqlite");
}

TSession* TdmVesk::FindSession(const QString& name) {
  if (name == default_->Name()) {
    return default_.get();
  }
  for (auto& s : sessions_) {
    if (s->Name() == name) {
      return s.get();
    }
  }
  return nullptr;
}

TSession* TdmVesk::CreateSession(const QString& name) {
  if (FindSession(name)) {
    throw GlimrError(QStringLiteral("A session named '%1' already exists").arg(name));
  }
  sessions_.push_back(std::make_unique<TSession>(name, fileName_));
  TSession* s = sessions_.back().get();
  try {
    s->Open();
  } catch (...) {
    sessions_.pop_back();
    throw;
  }
  return s;
}

void TdmVesk::FreeSession(TSession* session) {
  if (!session || session == default_.get()) {
    return;
  }
  idleWorkers_.erase(std::remove(idleWorkers_.begin(), idleWorkers_.end(), session),
                     idleWorkers_.end());
  for (auto it = current_.begin(); it != current_.end();) {
    it = it->second == session ? current_.erase(it) : std::next(it);
  }
  for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
    if (it->get() == session) {
      sessions_.erase(it);
      return;
    }
  }
}

void TdmVesk::OpenSession(TSession* session) {
  if (!session || session == default_.get()) {
    OpenDefaultSession();
    return;
  }
  current_[std::this_thread::get_id()] = session;
}

void TdmVesk::OpenDefaultSession() {
  current_.erase(std::this_thread::get_id());
}

TSession* TdmVesk::ThreadSession() const {
  auto it = current_.find(std::this_thread::get_id());
  return it != current_.end() ? it->second : nullptr;
}

TSession& TdmVesk::CurrentSession() {
  auto it = current_.find(std::this_thread::get_id());
  TSession& s = it != current_.end() ? *it->second : *default_;
  s.Open();
  return s;
}

TSession* TdmVesk::CreateWorkerSession() {
  std::lock_guard lock(dbLock_);
  if (!idleWorkers_.empty()) {
    TSession* s = idleWorkers_.back();
    idleWorkers_.pop_back();
    return s;
  }
  for (int n = 1;; ++n) {
    const QString name = QStringLiteral("Session%1").arg(n);
    if (!FindSession(name)) {
      // The connection opens lazily: a damaged file must not stop a worker
      // from being created, its first statement reports the failure.
      sessions_.push_back(std::make_unique<TSession>(name, fileName_));
      return sessions_.back().get();
    }
  }
}

void TdmVesk::ReleaseWorkerSession(TSession* session) {
  std::lock_guard lock(dbLock_);
  // Every folder load starts a new crew of loader workers. An open
  // connection is kept for the next crew, which then finds the catalog
  // mapped and its statements prepared instead of paying for both again on
  // every visit; one that never connected (or lost its connection) goes.
  const std::size_t keep = std::max(4u, std::thread::hardware_concurrency());
  if (session && session != default_.get() && session->Active() && idleWorkers_.size() < keep) {
    for (auto it = current_.begin(); it != current_.end();) {
      it = it->second == session ? current_.erase(it) : std::next(it);
    }
    idleWorkers_.push_back(session);
    return;
  }
  FreeSession(session);
}

namespace {

[[noreturn]] void ThrowEngineError(int rc, const QString& message) {
  if (IsWriteFailureCode(rc)) {
    throw TCatalogWriteError(message);
  }
  throw GlimrError(message);
}

}  // namespace

void TdmVesk::BeginWork() {
  TSession& s = CurrentSession();
  const int rc = sqlite3_exec(s.Handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    ThrowEngineError(rc, s.LastError());
  }
}

void TdmVesk::Commit() {
  TSession& s = CurrentSession();
  const int rc = sqlite3_exec(s.Handle(), "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const QString message = s.LastError();
    sqlite3_exec(s.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    ThrowEngineError(rc, message);
  }
}

void TdmVesk::Rollback() {
  TSession& s = CurrentSession();
  sqlite3_exec(s.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool TdmVesk::InWork() {
  TSession& s = CurrentSession();
  return sqlite3_get_autocommit(s.Handle()) == 0;
}

}  // namespace glimr
