#pragma once
// The thumbnail store over the catalog's statements, bound to a database
// session of its own that it opens when made and releases when destroyed.
// One per loader thread. It passes the cache's write reports to the
// catalog's write health: a refused write is reported, one that works
// arms the report again.

#include <QString>

#include "imaging/cache/thumbstore.h"

namespace glimr {

class TCatalogQueries;
class TdmVesk;
class TSession;

class TCatalogThumbStore : public TThumbStore {
 public:
  TCatalogThumbStore(TdmVesk& dm, TCatalogQueries& queries);
  ~TCatalogThumbStore() override;
  TCatalogThumbStore(const TCatalogThumbStore&) = delete;
  TCatalogThumbStore& operator=(const TCatalogThumbStore&) = delete;

  std::int32_t CatalogIDOfPath(const QString& folder) override;
  bool ReadThumbRow(const QString& fileName, std::int32_t catalogID, TThumbRow& row) override;
  bool WriteThumbRow(const QString& fileName, std::int32_t catalogID,
                     const TThumbRow& row) override;
  void ReportWrite(std::exception_ptr error) override;

 private:
  TdmVesk& dm_;
  TCatalogQueries& queries_;
  TSession* session_;
  // The last folder asked for: a loader works through one folder at a time,
  // and catalogs are never renamed or deleted, so its ID cannot go stale.
  QString lastFolder_;
  std::int32_t lastCatalogID_ = 0;
};

}  // namespace glimr
