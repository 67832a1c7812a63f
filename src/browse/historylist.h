#pragma once
// THistoryList: the back-and-forward history of the places shown (folders or
// categories), each entry a text and the tree node that shows it (not owned).

#include <QString>

#include <vector>

namespace glimr {

class THistoryList {
 public:
  using TNode = const void*;

  // Appends (text, node) unless text equals the current entry's; drops the
  // forward part first when the new text differs. True when appended; the
  // current index does not move (the caller calls Forward).
  bool Add(const QString& text, TNode node);
  bool CanForward() const { return current_ < Count() - 1; }
  bool CanBack() const { return current_ > 0; }
  void Forward();
  void Back();
  void SetIndex(int index) { current_ = index; }
  int CurrentIndex() const { return current_; }
  // Node of the current entry; nullptr when there is none.
  TNode CurrentNode() const;
  TNode NodeAt(int index) const;
  // "" outside the list.
  QString TextAt(int index) const;
  void SetText(int index, const QString& text);
  int IndexOfNode(TNode node) const;
  // Drops every entry of node, keeps the current index on the entry that
  // followed a removed current one, then collapses neighbouring entries of
  // the same node.
  void RemoveNode(TNode node);
  void Clear();
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  struct TEntry {
    QString Text;
    TNode Node;
  };
  std::vector<TEntry> entries_;
  int current_ = -1;
};

}  // namespace glimr
