#include "imaging/cache/catalogthumbstore.h"

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/errors.h"

namespace glimr {

TCatalogThumbStore::TCatalogThumbStore(TdmVesk& dm, TCatalogQueries& queries)
    : dm_(dm), queries_(queries), session_(dm.CreateWorkerSession()) {}

TCatalogThumbStore::~TCatalogThumbStore() {
  dm_.ReleaseWorkerSession(session_);
}

std::int32_t TCatalogThumbStore::CatalogIDOfPath(const QString& folder) {
  if (lastCatalogID_ != 0 && folder == lastFolder_) {
    return lastCatalogID_;
  }
  const std::int32_t id = queries_.CatalogIDOfPath(folder, session_);
  lastFolder_ = folder;
  lastCatalogID_ = id;
  return id;
}

bool TCatalogThumbStore::ReadThumbRow(const QString& fileName, std::int32_t catalogID,
                                      TThumbRow& row) {
  const std::optional<TThumbRow> found = queries_.ReadThumbRow(fileName, catalogID, session_);
  if (!found) {
    return false;
  }
  row = *found;
  return true;
}

bool TCatalogThumbStore::WriteThumbRow(const QString& fileName, std::int32_t catalogID,
                                       const TThumbRow& row) {
  bool written = false;
  try {
    written = queries_.WriteThumbRow(fileName, catalogID, row.Thumb, row.FileDate, row.Width,
                                     row.Height, session_);
  } catch (const std::exception& e) {
    // Reported here, where the catalog is known; the write health tells the
    // user once per run of failures (a full disk fails every file in turn).
    dm_.WriteHealth().Failed(ErrorText(e));
    throw;
  }
  // The statement ran, with or without a row to change: the catalog takes
  // writes again.
  dm_.WriteHealth().Succeeded();
  return written;
}

}  // namespace glimr
