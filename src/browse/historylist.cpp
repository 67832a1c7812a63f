#include "browse/historylist.h"

namespace glimr {

bool THistoryList::Add(const QString& text, TNode node) {
  if (!entries_.empty() && current_ >= 0 && current_ < Count()) {
    const QString& currentText = entries_[static_cast<size_t>(current_)].Text;
    if (current_ < Count() - 1 && text != currentText) {
      entries_.erase(entries_.begin() + current_ + 1, entries_.end());
    }
    if (text == currentText) {
      return false;
    }
  }
  entries_.push_back({text, node});
  return true;
}

void THistoryList::Forward() {
  if (CanForward()) {
    ++current_;
  }
}

void THistoryList::Back() {
  if (CanBack()) {
    --current_;
  }
}

THistoryList::TNode THistoryList::CurrentNode() const {
  return NodeAt(current_);
}

THistoryList::TNode THistoryList::NodeAt(int index) const {
  return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].Node : nullptr;
}

QString THistoryList::TextAt(int index) const {
  return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].Text : QString();
}

void THistoryList::SetText(int index, const QString& text) {
  if (index >= 0 && index < Count()) {
    entries_[static_cast<size_t>(index)].Text = text;
  }
}

int THistoryList::IndexOfNode(TNode node) const {
  for (int i = 0; i < Count(); ++i) {
    if (entries_[static_cast<size_t>(i)].Node == node) {
      return i;
    }
  }
  return -1;
}

void THistoryList::RemoveNode(TNode node) {
  for (int i = IndexOfNode(node); i >= 0; i = IndexOfNode(node)) {
    entries_.erase(entries_.begin() + i);
    if (i < current_) {
      --current_;
    }
  }
  if (current_ == Count()) {
    --current_;
  }
  for (int p = Count() - 1; p >= 1; --p) {
    if (entries_[static_cast<size_t>(p)].Node == entries_[static_cast<size_t>(p - 1)].Node) {
      entries_.erase(entries_.begin() + p);
      if (p == current_) {
        --current_;
      }
    }
  }
}

void THistoryList::Clear() {
  entries_.clear();
  current_ = -1;
}

}  // namespace glimr
