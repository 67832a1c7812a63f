#include "catalog/uniquekeys.h"

#include <QLoggingCategory>

#include <sqlite3.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "catalog/session.h"
#include "catalog/statement.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcUniqueKeys, "glimr.catalog.keys")

namespace {

using TMerge = std::pair<std::int64_t, std::int64_t>;  // (duplicate, the row it joins)

bool Exists(TSession& session, const char* type, const char* name) {
  TStatement st(session, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = :Type AND "
                                        "name = :Name COLLATE NOCASE"));
  st.BindText(":Type", QString::fromLatin1(type)).BindText(":Name", QString::fromLatin1(name));
  return st.Step() && st.Row().Int(0) > 0;
}

bool NeedsIndex(TSession& session, const char* table, const char* index) {
  return Exists(session, "table", table) && !Exists(session, "index", index);
}

// Every row that has a twin with a lower ID, with the lowest such ID. Rows
// whose key is NULL never match, as the unique index lets them be.
std::vector<TMerge> Duplicates(TSession& session, const QString& sql) {
  std::vector<TMerge> merges;
  TStatement st(session, sql);
  while (st.Step()) {
    merges.emplace_back(st.Row().Int64("DUP"), st.Row().Int64("KEEP"));
  }
  return merges;
}

void Run(TSession& session, const QString& sql, const TMerge& m) {
  TStatement st(session, sql);
  st.BindInt(":Dup", m.first).BindInt(":Keep", m.second);
  st.Exec();
}

void Delete(TSession& session, const QString& sql, const TMerge& m) {
  TStatement st(session, sql);
  st.BindInt(":Dup", m.first);
  st.Exec();
}

int MergeCatalogs(TSession& session) {
  int merged = 0;
  // Moving the children of a duplicate under the row that stays can make
  // new duplicates one level down; each round removes rows, so it ends.
  for (;;) {
    const std::vector<TMerge> merges = Duplicates(
        session, QStringLiteral("SELECT d.ID AS DUP, min(k.ID) AS KEEP FROM CATALOGS d JOIN "
                                "CATALOGS k ON k.PARENTID = d.PARENTID AND k.NAME = d.NAME AND "
                                "k.ID < d.ID GROUP BY d.ID ORDER BY d.ID"));
    if (merges.empty()) {
      return merged;
    }
    for (const TMerge& m : merges) {
      Run(session, QStringLiteral("UPDATE FILES SET CATALOGID = :Keep WHERE CATALOGID = :Dup"), m);
      Run(session, QStringLiteral("UPDATE CATALOGS SET PARENTID = :Keep WHERE PARENTID = :Dup"), m);
      Delete(session, QStringLiteral("DELETE FROM CATALOGS WHERE ID = :Dup"), m);
    }
    merged += static_cast<int>(merges.size());
  }
}

int MergeFiles(TSession& session) {
  // In the order of the duplicates' IDs, so the lowest one that has a
  // caption (rating, category) gives it.
  const std::vector<TMerge> merges = Duplicates(
      session, QStringLiteral("SELECT d.ID AS DUP, min(k.ID) AS KEEP FROM FILES d JOIN FILES k ON "
                              "k.CATALOGID = d.CATALOGID AND k.FILENAME = d.FILENAME AND k.ID < "
                              "d.ID GROUP BY d.ID ORDER BY d.ID"));
  for (const TMerge& m : merges) {
    Run(session,
        QStringLiteral(
            "UPDATE FILES SET "
            "CAPTION = CASE WHEN ifnull(CAPTION, '') = '' THEN (SELECT CAPTION FROM FILES "
            "WHERE ID = :Dup) ELSE CAPTION END, "
            "RATING = CASE WHEN ifnull(RATING, 0) = 0 THEN (SELECT RATING FROM FILES WHERE ID = "
            ":Dup) ELSE RATING END, "
            "CATEGORYID = CASE WHEN ifnull(CATEGORYID, 0) = 0 THEN (SELECT CATEGORYID FROM FILES "
            "WHERE ID = :Dup) ELSE CATEGORYID END "
            "WHERE ID = :Keep"),
        m);
    Delete(session, QStringLiteral("DELETE FROM FILES WHERE ID = :Dup"), m);
  }
  return static_cast<int>(merges.size());
}

void Exec(TSession& session, const char* sql) {
  TStatement(session, QString::fromLatin1(sql)).Exec();
}

}  // namespace

bool HasUniqueKeys(TSession& session) {
  return !NeedsIndex(session, "CATALOGS", "CATALOGS_KEY") &&
         !NeedsIndex(session, "FILES", "FILES_KEY");
}

void EnsureUniqueKeys(TSession& session) {
  if (HasUniqueKeys(session)) {
    return;
  }
  // Another process may be doing the same: the write lock decides, and the
  // second one finds the indexes made when it looks again inside.
  Exec(session, "BEGIN IMMEDIATE");
  try {
    const bool catalogs = NeedsIndex(session, "CATALOGS", "CATALOGS_KEY");
    const bool files = NeedsIndex(session, "FILES", "FILES_KEY");
    int mergedCatalogs = 0;
    int mergedFiles = 0;
    if (catalogs) {
      // Merged catalogs move files, which the files' index would refuse
      // while the rows are not merged yet.
      Exec(session, "DROP INDEX IF EXISTS FILES_KEY");
      mergedCatalogs = MergeCatalogs(session);
      Exec(session, "CREATE UNIQUE INDEX CATALOGS_KEY ON CATALOGS(PARENTID, NAME)");
      Exec(session, "DROP INDEX IF EXISTS CATALOGS_PARENT");
    }
    if ((catalogs || files) && Exists(session, "table", "FILES")) {
      mergedFiles = MergeFiles(session);
      Exec(session, "CREATE UNIQUE INDEX IF NOT EXISTS FILES_KEY ON FILES(CATALOGID, FILENAME)");
      Exec(session, "DROP INDEX IF EXISTS FILES_CATALOG");
    }
    Exec(session, "COMMIT");
    qCInfo(lcUniqueKeys) << "unique keys made;" << mergedCatalogs << "catalogs and" << mergedFiles
                         << "files merged";
  } catch (...) {
    sqlite3_exec(session.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace glimr
