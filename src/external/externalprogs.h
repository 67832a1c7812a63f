#pragma once
// The user's list of external programs (image editors and the like) that
// selected images can be opened with, and its file "eprogs.dat": one
// "[External Editor N]" section per entry with the keys Name, Path and
// Parameters.

#include <QString>

#include <memory>
#include <vector>

namespace glimr {

class TExternalProgs;

// One external program: its menu caption, the program file and the
// parameter template (see externallaunch.h for the placeholders).
class TExternalProg {
 public:
  QString Name;
  QString Path;
  QString Parameters;
  // Position of the program's icon in the icon list the menus use; -1 until
  // the menus assign one.
  int ImageIndex = -1;

  // The list that holds this entry.
  const TExternalProgs& Owner() const { return *owner_; }
  // This entry's position in its list.
  int Index() const;

 private:
  friend class TExternalProgs;
  explicit TExternalProg(const TExternalProgs* owner) : owner_(owner) {}

  const TExternalProgs* owner_;
};

// The ordered list of external programs; it owns its entries. Names need not
// be unique.
class TExternalProgs {
 public:
  // Longest value a section key may hold; a longer one in the file is read
  // as its first kMaxValueLength characters, and the editor accepts no more.
  static constexpr int kMaxValueLength = 2047;

  TExternalProgs() = default;
  TExternalProgs(const TExternalProgs&) = delete;
  TExternalProgs& operator=(const TExternalProgs&) = delete;

  // Appends an empty entry captioned name and returns it.
  TExternalProg& Add(const QString& name);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // The entry at i, or null when i is outside 0 .. Count() - 1.
  TExternalProg* Items(int i) const;
  int IndexOf(const TExternalProg* prog) const;

  // Replaces the list by the file's entries: every "External Editor N"
  // section that holds a Name, Path or Parameters key, in the order of N (a
  // gap in the numbers does not end the list); a missing key reads as empty
  // and a value longer than kMaxValueLength is cut to that length. A missing
  // file gives an empty list and true; a file that exists but cannot be read
  // gives an empty list, false and the reason in error.
  bool LoadFromFile(const QString& path, QString* error = nullptr);

  // Writes the entries as sections 0 .. Count() - 1 in list order, replacing
  // the whole file in one step, so no section of an older, longer list
  // survives. On failure the old file stays as it was and error holds
  // "Unable to write to <path>" with the reason.
  bool SaveToFile(const QString& path, QString* error = nullptr) const;

  // The name of section n: "External Editor " followed by n.
  static QString SectionName(int n);

 private:
  std::vector<std::unique_ptr<TExternalProg>> items_;
};

}  // namespace glimr
