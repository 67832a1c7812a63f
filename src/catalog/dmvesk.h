#pragma once
// The data module of the catalog database: the file DatabaseDir +
// "catalog.sqlite", the sessions (one connection per thread, each with its
// prepared statements) and the lock that serialises every use.

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "catalog/session.h"
#include "catalog/writehealth.h"

namespace glimr {

class TdmVesk {
 public:
  // databaseDir ends with "/"; dbLock is the process-wide DbLock. Nothing is
  // opened here: the first statement connects, so a damaged or missing file
  // shows up as an error of the operation that needed it.
  TdmVesk(const QString& databaseDir, std::mutex& dbLock);
  ~TdmVesk();
  TdmVesk(const TdmVesk&) = delete;
  TdmVesk& operator=(const TdmVesk&) = delete;

  static QString DatabaseFileName(const QString& databaseDir);
  const QString& FileName() const { return fileName_; }
  std::mutex& DbLock() { return dbLock_; }

  // Session operations; the caller holds DbLock.
  TSession& DefaultSession() { return *default_; }
  TSession* FindSession(const QString& name);
  TSession* CreateSession(const QString& name);  // created and opened
  void FreeSession(TSession* session);
  // Makes the calling thread's statements run on session (its own connection).
  void OpenSession(TSession* session);
  void OpenDefaultSession();
  // The session the calling thread opened, null when it uses the default one.
  TSession* ThreadSession() const;
  // The calling thread's session, connected.
  TSession& CurrentSession();

  // For worker threads (take DbLock themselves): a session named "Session" +
  // the first free number, and its release when the thread object goes. A
  // released session that is connected waits, still open, for the next
  // worker that asks for one.
  TSession* CreateWorkerSession();
  void ReleaseWorkerSession(TSession* session);

  // A write transaction on the calling thread's session, for bulk inserts;
  // the caller holds DbLock. Commit before other connections need the rows.
  void BeginWork();
  void Commit();
  void Rollback();
  bool InWork();

  // Whether writes to the catalog currently fail; every writer reports here.
  TCatalogWriteHealth& WriteHealth() { return writeHealth_; }

 private:
  QString fileName_;
  std::mutex& dbLock_;
  std::unique_ptr<TSession> default_;
  std::vector<std::unique_ptr<TSession>> sessions_;
  std::map<std::thread::id, TSession*> current_;
  std::vector<TSession*> idleWorkers_;  // released worker sessions, still open
  TCatalogWriteHealth writeHealth_;
};

}  // namespace glimr
