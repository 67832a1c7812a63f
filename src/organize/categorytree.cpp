#include "organize/categorytree.h"

#include <QStringList>

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace glimr {

std::optional<QString> NormalizedCategoryName(const QString& typed) {
  QString name = typed.trimmed();
  if (name.isEmpty() || name.contains(kCategoryPathSeparator)) {
    return std::nullopt;
  }
  return name;
}

void TCategoryTree::Clear() {
  nodes_.clear();
  top_.clear();
}

void TCategoryTree::Fill(const std::vector<TCategoryRow>& rows) {
  Clear();
  std::vector<std::int32_t> order;
  order.reserve(rows.size());
  nodes_.reserve(rows.size());
  for (const TCategoryRow& row : rows) {
    if (row.ID == 0 || nodes_.contains(row.ID)) {
      continue;
    }
    nodes_.emplace(row.ID, TNode{row.ID, row.Name, row.ParentID, {}});
    order.push_back(row.ID);
  }
  std::vector<std::int32_t> unattached;
  for (std::int32_t id : order) {
    TNode& node = nodes_.at(id);
    if (node.ParentID == 0) {
      top_.push_back(id);
    } else if (node.ParentID != id && nodes_.contains(node.ParentID)) {
      nodes_.at(node.ParentID).Children.push_back(id);
    }
  }

  // Marks everything reachable from the top level; a node hangs under one
  // parent only, so a walk down from the top can never meet a loop.
  std::unordered_set<std::int32_t> reached;
  reached.reserve(nodes_.size());
  auto reach = [&](std::int32_t from) {
    std::vector<std::int32_t> stack{from};
    while (!stack.empty()) {
      std::int32_t id = stack.back();
      stack.pop_back();
      reached.insert(id);
      for (std::int32_t child : nodes_.at(id).Children) {
        stack.push_back(child);
      }
    }
  };
  for (std::int32_t id : top_) {
    reach(id);
  }

  // What is left hangs below a missing parent or in a loop of parents. The
  // top of such a chain (or the node where the walk up meets itself again)
  // becomes a top-level entry, which also breaks the loop.
  for (std::int32_t id : order) {
    if (reached.contains(id)) {
      continue;
    }
    std::unordered_set<std::int32_t> walked{id};
    std::int32_t top = id;
    for (;;) {
      std::int32_t parent = nodes_.at(top).ParentID;
      if (parent == top || !nodes_.contains(parent) || walked.contains(parent)) {
        break;
      }
      walked.insert(parent);
      top = parent;
    }
    TNode& node = nodes_.at(top);
    if (auto* siblings = ChildList(node.ParentID); siblings && node.ParentID != top) {
      Erase(*siblings, top);
    }
    node.ParentID = 0;
    top_.push_back(top);
    reach(top);
  }
}

bool TCategoryTree::Contains(std::int32_t id) const {
  return id != 0 && nodes_.contains(id);
}

std::vector<std::int32_t>* TCategoryTree::ChildList(std::int32_t parentID) {
  if (parentID == 0) {
    return &top_;
  }
  auto it = nodes_.find(parentID);
  return it == nodes_.end() ? nullptr : &it->second.Children;
}

const std::vector<std::int32_t>& TCategoryTree::Children(std::int32_t parentID) const {
  static const std::vector<std::int32_t> kNone;
  if (parentID == 0) {
    return top_;
  }
  auto it = nodes_.find(parentID);
  return it == nodes_.end() ? kNone : it->second.Children;
}

void TCategoryTree::Erase(std::vector<std::int32_t>& list, std::int32_t id) {
  list.erase(std::remove(list.begin(), list.end(), id), list.end());
}

bool TCategoryTree::Add(std::int32_t parentID, std::int32_t id, const QString& name) {
  if (id == 0 || nodes_.contains(id)) {
    return false;
  }
  std::vector<std::int32_t>* siblings = ChildList(parentID);
  if (!siblings) {
    return false;
  }
  siblings->push_back(id);
  nodes_.emplace(id, TNode{id, name, parentID, {}});
  return true;
}

bool TCategoryTree::Rename(std::int32_t id, const QString& name) {
  auto it = nodes_.find(id);
  if (it == nodes_.end()) {
    return false;
  }
  it->second.Name = name;
  std::vector<std::int32_t>* siblings = ChildList(it->second.ParentID);
  std::stable_sort(siblings->begin(), siblings->end(), [this](std::int32_t a, std::int32_t b) {
    return QString::localeAwareCompare(nodes_.at(a).Name, nodes_.at(b).Name) < 0;
  });
  return true;
}

std::vector<std::int32_t> TCategoryTree::Subtree(std::int32_t id) const {
  std::vector<std::int32_t> out;
  if (!Contains(id)) {
    return out;
  }
  std::vector<std::int32_t> stack{id};
  while (!stack.empty()) {
    std::int32_t cur = stack.back();
    stack.pop_back();
    out.push_back(cur);
    const std::vector<std::int32_t>& children = nodes_.at(cur).Children;
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  return out;
}

std::vector<std::int32_t> TCategoryTree::RemoveSubtree(std::int32_t id) {
  std::vector<std::int32_t> removed;
  if (!Contains(id)) {
    return removed;
  }
  // A walk that visits a node, then its children last to first, read
  // backwards is the post-order: first child's subtree first, the node last.
  std::vector<std::int32_t> stack{id};
  while (!stack.empty()) {
    std::int32_t cur = stack.back();
    stack.pop_back();
    removed.push_back(cur);
    const std::vector<std::int32_t>& children = nodes_.at(cur).Children;
    stack.insert(stack.end(), children.begin(), children.end());
  }
  std::reverse(removed.begin(), removed.end());
  Erase(*ChildList(nodes_.at(id).ParentID), id);
  for (std::int32_t gone : removed) {
    nodes_.erase(gone);
  }
  return removed;
}

std::vector<std::int32_t> TCategoryTree::RemoveAll(const std::vector<std::int32_t>& ids) {
  std::vector<std::int32_t> removed;
  for (std::int32_t id : ids) {
    // An entry already taken with an ancestor listed before it is skipped.
    const std::vector<std::int32_t> gone = RemoveSubtree(id);
    removed.insert(removed.end(), gone.begin(), gone.end());
  }
  return removed;
}

bool TCategoryTree::CanMove(std::int32_t id, std::int32_t newParentID) const {
  if (!Contains(id) || (newParentID != 0 && !Contains(newParentID))) {
    return false;
  }
  // The tree has no loops (Fill breaks them), so the walk up ends.
  for (std::int32_t cur = newParentID; cur != 0; cur = nodes_.at(cur).ParentID) {
    if (cur == id) {
      return false;
    }
  }
  return true;
}

bool TCategoryTree::Move(std::int32_t id, std::int32_t newParentID) {
  if (!CanMove(id, newParentID)) {
    return false;
  }
  TNode& node = nodes_.at(id);
  Erase(*ChildList(node.ParentID), id);
  ChildList(newParentID)->push_back(id);
  node.ParentID = newParentID;
  return true;
}

TCategoryItems TCategoryTree::Items() const {
  TCategoryItems items;
  items.reserve(nodes_.size());
  std::vector<std::pair<std::int32_t, int>> stack;
  for (auto it = top_.rbegin(); it != top_.rend(); ++it) {
    stack.emplace_back(*it, 0);
  }
  while (!stack.empty()) {
    auto [id, depth] = stack.back();
    stack.pop_back();
    const TNode& node = nodes_.at(id);
    items.push_back(TCategoryItem{id, node.Name, depth});
    for (auto it = node.Children.rbegin(); it != node.Children.rend(); ++it) {
      stack.emplace_back(*it, depth + 1);
    }
  }
  return items;
}

int TCategoryTree::IndexOf(std::int32_t id) const {
  if (!Contains(id)) {
    return -1;
  }
  const TCategoryItems items = Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].ID == id) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

QString TCategoryTree::Path(std::int32_t id) const {
  QStringList names;
  for (std::int32_t cur = id; cur != 0;) {
    auto it = nodes_.find(cur);
    if (it == nodes_.end()) {
      break;
    }
    names.prepend(it->second.Name);
    cur = it->second.ParentID;
  }
  return names.join(kCategoryPathSeparator);
}

std::int32_t TCategoryTree::IDOfPath(const QString& path) const {
  std::int32_t id = 0;
  for (const QString& name : path.split(kCategoryPathSeparator)) {
    const std::vector<std::int32_t>& siblings = Children(id);
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [&](std::int32_t s) { return nodes_.at(s).Name == name; });
    if (it == siblings.end()) {
      return 0;
    }
    id = *it;
  }
  return id;
}

std::int32_t TCategoryTree::ParentOf(std::int32_t id) const {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? 0 : it->second.ParentID;
}

QString TCategoryTree::Name(std::int32_t id) const {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? QString() : it->second.Name;
}

}  // namespace glimr
