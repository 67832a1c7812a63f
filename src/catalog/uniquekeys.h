#pragma once
// The catalog's own guard against a file or folder recorded twice (two
// Glimr processes inserting the same new files at once): unique indexes on
// FILES (CATALOGID, FILENAME) and CATALOGS (PARENTID, NAME), made when
// missing, after the duplicates an older catalog already holds are merged.

namespace glimr {

class TSession;

// Whether both unique indexes are in place (a table that does not exist
// needs none).
bool HasUniqueKeys(TSession& session);

// Merges the duplicates and makes the unique indexes, all in one
// transaction, when they are missing. Duplicate CATALOGS rows: the lowest
// ID stays and takes over the files and child catalogs of the others (which
// may make duplicate files, merged next). Duplicate FILES rows: the lowest
// ID stays and takes a caption, rating or category from the others only
// where its own is empty or 0; the others go with their thumbnails.
// Raises the engine's error (and changes nothing) when it cannot write.
void EnsureUniqueKeys(TSession& session);

}  // namespace glimr
