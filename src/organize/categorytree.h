#pragma once
// The user's category tree held in memory, without widgets: the order of
// siblings, their re-sorting after a rename, moves and subtree removal. Every
// category view is rebuilt from its depth-first Items(), so the views always
// agree with each other and with this model.

#include <QString>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "catalog/catalogqueries.h"
#include "organize/categoryitem.h"

namespace glimr {

// The separator of category paths ("Travel\2005\Alps").
inline constexpr QChar kCategoryPathSeparator = u'\\';

// A category name as the user typed it, trimmed; nothing when it is empty or
// holds the path separator (the name could not be told apart in a path).
std::optional<QString> NormalizedCategoryName(const QString& typed);

class TCategoryTree {
 public:
  struct TNode {
    std::int32_t ID = 0;
    QString Name;
    std::int32_t ParentID = 0;  // 0 at the top level
    std::vector<std::int32_t> Children;
  };

  // Replaces the tree by the rows: children in row order under their parent.
  // Rows that cannot hang below the top level (a parent that does not exist,
  // or a loop of parents) become top-level entries, so no category is lost
  // from view; rows with ID 0 or an ID seen before are left out.
  void Fill(const std::vector<TCategoryRow>& rows);
  void Clear();

  bool Contains(std::int32_t id) const;
  int Count() const { return static_cast<int>(nodes_.size()); }
  bool Empty() const { return nodes_.empty(); }

  // Appends a new entry as the last child of parentID (0: the top level).
  // False when the ID is 0 or taken, or the parent is unknown.
  bool Add(std::int32_t parentID, std::int32_t id, const QString& name);
  // Renames and re-sorts the entry's siblings by name (locale-aware,
  // case-sensitive; equal names keep their order).
  bool Rename(std::int32_t id, const QString& name);
  // Takes the entry and everything below it out; the removed IDs, every
  // child before its parent (the order in which the catalog deletes them).
  std::vector<std::int32_t> RemoveSubtree(std::int32_t id);
  // Takes out every listed entry still held, each with everything below it:
  // the catalog's list of what it deleted, which in a damaged catalog (a loop
  // of parents) reaches entries this tree shows elsewhere. The removed IDs,
  // every child before its parent.
  std::vector<std::int32_t> RemoveAll(const std::vector<std::int32_t>& ids);
  // False for a move onto the entry itself or one of its descendants, or of
  // an unknown entry or onto an unknown parent.
  bool CanMove(std::int32_t id, std::int32_t newParentID) const;
  // Appends the entry as the last child of newParentID (0: the top level).
  bool Move(std::int32_t id, std::int32_t newParentID);

  // Every entry in depth-first order with its depth.
  TCategoryItems Items() const;
  // The entry's position in Items(), -1 when unknown.
  int IndexOf(std::int32_t id) const;
  // The names from the top level down joined by "\"; empty when unknown.
  QString Path(std::int32_t id) const;
  // The entry a path names (the first of siblings sharing a name); 0 when
  // none does.
  std::int32_t IDOfPath(const QString& path) const;
  // The entry's parent (0 at the top level or when unknown).
  std::int32_t ParentOf(std::int32_t id) const;
  QString Name(std::int32_t id) const;
  // The children of parentID in order (0: the top-level entries).
  const std::vector<std::int32_t>& Children(std::int32_t parentID) const;
  // The entry itself and everything below it, depth-first.
  std::vector<std::int32_t> Subtree(std::int32_t id) const;

 private:
  std::vector<std::int32_t>* ChildList(std::int32_t parentID);
  static void Erase(std::vector<std::int32_t>& list, std::int32_t id);

  std::unordered_map<std::int32_t, TNode> nodes_;
  std::vector<std::int32_t> top_;
};

}  // namespace glimr
