#include "imaging/cache/catalogthumbstore.h"

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/writehealth.h"

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
  return queries_.WriteThumbRow(fileName, catalogID, row.Thumb, row.FileDate, row.Width, row.Height,
                                session_);
}

void TCatalogThumbStore::ReportWrite(std::exception_ptr error) {
  if (!error) {
    dm_.WriteHealth().Succeeded();
    return;
  }
  // Only a refused write is the write health's business; a damaged file or
  // another fault is logged by the cache and not reported as a write.
  try {
    std::rethrow_exception(error);
  } catch (const TCatalogWriteError& e) {
    dm_.WriteHealth().Failed(e.message());
  } catch (...) {
  }
}

}  // namespace glimr
