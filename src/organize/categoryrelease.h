#pragma once
// After categories are deleted (their files released in the catalog), the
// loaded records that named them follow: they get category 0.

#include <cstdint>
#include <vector>

namespace glimr {

class TFileList;

// Sets CategoryID 0 on every record of list whose category is one of
// deletedIDs; returns how many changed. The catalog already holds 0 for
// them, so the records are not marked Modified by this.
int ReleaseDeletedCategories(TFileList& list, const std::vector<std::int32_t>& deletedIDs);

}  // namespace glimr
