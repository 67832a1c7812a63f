#pragma once
// What the thumbnail cache needs from the catalog, bound to one thread's
// database session: the catalog of a folder and the thumbnail columns of a
// FILES row. Every call takes DbLock itself, so callers never hold it.

#include <QString>

#include <cstdint>
#include <exception>

#include "catalog/catalogqueries.h"

namespace glimr {

class TThumbStore {
 public:
  virtual ~TThumbStore() = default;

  // The folder's catalog ID, creating missing catalogs; 0 when it cannot be
  // had. folder ends with "/".
  virtual std::int32_t CatalogIDOfPath(const QString& folder) = 0;

  // Reads the row of (fileName, catalogID); false when there is none.
  virtual bool ReadThumbRow(const QString& fileName, std::int32_t catalogID, TThumbRow& row) = 0;

  // Stores a new thumbnail with ISTHUMB true in the existing row of
  // (fileName, catalogID) in one statement; false when there is no row.
  virtual bool WriteThumbRow(const QString& fileName, std::int32_t catalogID,
                             const TThumbRow& row) = 0;

  // How a write went (null: it went through; else what it raised, from
  // WriteThumbRow or from CatalogIDOfPath making a catalog). The cache
  // calls it once it holds no lock, so a store may pass it on to a hook.
  virtual void ReportWrite(std::exception_ptr error) { (void)error; }
};

}  // namespace glimr
