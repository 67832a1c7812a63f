#include "catalog/catalogqueries.h"

#include <QLoggingCategory>

#include <algorithm>
#include <unordered_map>

#include "catalog/catalogqueriesshared.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "catalog/writehealth.h"
#include "catalog/writetransaction.h"

// The category tree (CATEGORIES) and the files filed under it.

namespace glimr {

using namespace catalogqueries;

namespace {

const QChar kCategorySep = QLatin1Char('\\');

}  // namespace

std::int32_t TCatalogQueries::InsertCategory(const QString& name, std::int32_t parentID) {
  return Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TSession& session = dm_.CurrentSession();
    TStatement st(session, QStringLiteral(
                               "INSERT INTO CATEGORIES(NAME, PARENTID) VALUES(:Name, :ParentID);"));
    st.BindText(":Name", name).BindInt(":ParentID", parentID);
    st.Exec();
    // The row just made, not a look-up by name: siblings may share a name
    // ("New category" twice), and each must get its own ID.
    return static_cast<std::int32_t>(session.LastInsertID());
  });
}

void TCatalogQueries::RenameCategory(std::int32_t id, const QString& name) {
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("UPDATE CATEGORIES SET NAME = :Name WHERE ID = :ID;"));
    st.BindText(":Name", name).BindInt(":ID", id);
    st.Exec();
  });
}

void TCatalogQueries::DeleteCategory(std::int32_t id) {
  Reported(dm_.WriteHealth(), [&] { DeleteCategoryUnreported(id); });
}

void TCatalogQueries::DeleteCategoryUnreported(std::int32_t id) {
  TDbScope scope(dm_, nullptr);
  TSession& session = dm_.CurrentSession();
  {
    TStatement st(session, QStringLiteral("DELETE FROM CATEGORIES WHERE ID = :ID;"));
    st.BindInt(":ID", id);
    st.Exec();
  }
  for (;;) {
    std::int32_t fileID = 0;
    {
      TStatement st(session,
                    QStringLiteral("SELECT ID FROM FILES WHERE CATEGORYID = :CategoryID;"));
      st.BindInt(":CategoryID", id);
      if (!st.Step()) {
        break;
      }
      fileID = st.Row().Int("ID");
    }
    TStatement st(session, QStringLiteral("UPDATE FILES SET CATEGORYID = 0 WHERE ID = :ID;"));
    st.BindInt(":ID", fileID);
    // A row the update cannot release would be found again for ever.
    if (st.Exec() == 0) {
      break;
    }
  }
}

QString TCatalogQueries::CategoryName(std::int32_t id) {
  TDbScope scope(dm_, nullptr);
  TStatement st(dm_.CurrentSession(),
                QStringLiteral("SELECT NAME FROM CATEGORIES WHERE ID = :ID;"));
  st.BindInt(":ID", id);
  return st.Step() ? st.Row().Text("NAME") : QString();
}

QString TCatalogQueries::CategoryPath(std::int32_t id) {
  // Each level takes the lock only for its own statement, so other work may
  // run between the steps. The walk stops where a damaged table loops.
  QStringList names;
  std::vector<std::int32_t> seen;
  std::int32_t current = id;
  for (;;) {
    QString name;
    std::int32_t parentID = 0;
    {
      TDbScope scope(dm_, nullptr);
      TStatement st(dm_.CurrentSession(),
                    QStringLiteral("SELECT NAME, PARENTID FROM CATEGORIES WHERE ID = :ID;"));
      st.BindInt(":ID", current);
      if (st.Step()) {
        name = st.Row().Text("NAME");
        parentID = st.Row().Int("PARENTID");
      }
    }
    names.prepend(name);
    seen.push_back(current);
    if (parentID == 0 || std::find(seen.begin(), seen.end(), parentID) != seen.end()) {
      break;
    }
    current = parentID;
  }
  QString path;
  for (const QString& n : std::as_const(names)) {
    path += n + kCategorySep;
  }
  return path;
}

std::vector<TCategoryRow> TCatalogQueries::ReadCategories() {
  std::vector<TCategoryRow> rows;
  {
    TDbScope scope(dm_, nullptr);
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("SELECT ID, NAME, PARENTID FROM CATEGORIES ORDER BY ID;"));
    while (st.Step()) {
      rows.push_back({st.Row().Int("ID"), st.Row().Int("PARENTID"), st.Row().Text("NAME")});
    }
  }
  std::unordered_map<std::int32_t, size_t> indexOf;
  for (size_t i = 0; i < rows.size(); ++i) {
    indexOf.emplace(rows[i].ID, i);
  }
  // Children by parent, each list in ID order since rows is.
  std::unordered_map<std::int32_t, std::vector<size_t>> children;
  std::vector<size_t> roots;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TCategoryRow& r = rows[i];
    if (r.ParentID == 0 || r.ParentID == r.ID || !indexOf.contains(r.ParentID)) {
      roots.push_back(i);
    } else {
      children[r.ParentID].push_back(i);
    }
  }
  std::vector<TCategoryRow> out;
  out.reserve(rows.size());
  std::vector<bool> visited(rows.size(), false);
  // An explicit stack: a deep tree must not exhaust the call stack.
  auto walk = [&](size_t root) {
    std::vector<size_t> stack{root};
    while (!stack.empty()) {
      const size_t i = stack.back();
      stack.pop_back();
      if (visited[i]) {
        continue;
      }
      visited[i] = true;
      out.push_back(rows[i]);
      const auto it = children.find(rows[i].ID);
      if (it != children.end()) {
        for (auto c = it->second.rbegin(); c != it->second.rend(); ++c) {
          if (!visited[*c]) {
            stack.push_back(*c);
          }
        }
      }
    }
  };
  for (const size_t i : roots) {
    rows[i].ParentID = 0;
    walk(i);
  }
  // What is left hangs from a loop of parents: its first row becomes a top
  // level category and the walk takes the rest of the loop below it.
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!visited[i]) {
      rows[i].ParentID = 0;
      walk(i);
    }
  }
  return out;
}

std::vector<TCategoryRow> TCatalogQueries::ReadCategoryChildren(std::int32_t parentID) {
  TDbScope scope(dm_, nullptr);
  TStatement st(dm_.CurrentSession(),
                QStringLiteral("SELECT ID, NAME, PARENTID FROM CATEGORIES WHERE PARENTID = "
                               ":ParentID AND ID <> :ParentID ORDER BY ID;"));
  st.BindInt(":ParentID", parentID);
  std::vector<TCategoryRow> rows;
  while (st.Step()) {
    rows.push_back({st.Row().Int("ID"), st.Row().Int("PARENTID"), st.Row().Text("NAME")});
  }
  return rows;
}

std::vector<std::int32_t> TCatalogQueries::CategorySubtreeLocked(std::int32_t id) {
  // UNION (not UNION ALL) drops a row met again, so a loop of parents ends
  // the walk instead of running it for ever.
  TStatement st(dm_.CurrentSession(),
                QStringLiteral("WITH RECURSIVE SUB(ID) AS (SELECT ID FROM CATEGORIES WHERE ID = "
                               ":ID UNION SELECT C.ID FROM CATEGORIES C JOIN SUB ON C.PARENTID = "
                               "SUB.ID) SELECT ID FROM SUB;"));
  st.BindInt(":ID", id);
  std::vector<std::int32_t> ids;
  while (st.Step()) {
    ids.push_back(st.Row().Int("ID"));
  }
  return ids;
}

void TCatalogQueries::MoveCategory(std::int32_t id, std::int32_t newParentID) {
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    if (newParentID != 0) {
      const std::vector<std::int32_t> below = CategorySubtreeLocked(id);
      if (newParentID == id || std::find(below.begin(), below.end(), newParentID) != below.end()) {
        qCWarning(lcCatalog) << "category" << id << "not moved below its own descendant"
                             << newParentID;
        return;
      }
    }
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("UPDATE CATEGORIES SET PARENTID = :ParentID WHERE ID = :ID;"));
    st.BindInt(":ParentID", newParentID).BindInt(":ID", id);
    st.Exec();
  });
}

std::vector<std::int32_t> TCatalogQueries::DeleteCategoryTree(std::int32_t id) {
  return Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TSession& session = dm_.CurrentSession();
    TWriteTransaction work(dm_);
    const std::vector<std::int32_t> ids = CategorySubtreeLocked(id);
    for (const std::int32_t sub : ids) {
      {
        TStatement st(session,
                      QStringLiteral("UPDATE FILES SET CATEGORYID = 0 WHERE CATEGORYID = :ID;"));
        st.BindInt(":ID", sub);
        st.Exec();
      }
      TStatement st(session, QStringLiteral("DELETE FROM CATEGORIES WHERE ID = :ID;"));
      st.BindInt(":ID", sub);
      st.Exec();
    }
    work.Commit();
    return ids;
  });
}

std::vector<std::unique_ptr<TImageFileInfo>> TCatalogQueries::ReadCategoryFiles(
    std::int32_t categoryID) {
  static const QString sql = QStringLiteral("SELECT %1 FROM FILES WHERE CATEGORYID = :CategoryID;")
                                 .arg(QLatin1String(kFileColumns));
  return ReadFilesWhere(sql, ":CategoryID", categoryID);
}

}  // namespace glimr
