#pragma once
// A CurrentFiles stand-in for the ribbon tests: records in memory, a
// thumbnail map that counts pins, and a log of queue and focus requests.

#include <QHash>
#include <QImage>
#include <QStringList>

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "catalog/imagefileinfo.h"
#include "ribbon/ribbonmodel.h"

namespace glimr {

class TFakeRibbonModel : public TRibbonModel {
 public:
  struct TThumb {
    int Width = 0;  // full image size
    int Height = 0;
    QImage Pixels;  // RGB888, power-of-two sides
    int Pins = 0;
  };

  std::vector<TImageFileInfo> Files;
  std::map<QString, TThumb> Thumbs;
  QStringList Queued;  // LoadImageFirst calls, in call order
  int Focused = -1;
  std::vector<std::pair<int, TRibbonFocus>> FocusRequests;

  // Adds an image entry "/pics/<name>" with ribbon width 2.
  TImageFileInfo& AddFile(const QString& name) {
    TImageFileInfo r;
    r.Path = QStringLiteral("/pics/");
    r.FileName = name;
    r.SlotWidth = 2.0;
    Files.push_back(r);
    return Files.back();
  }
  TImageFileInfo& AddFolder(const QString& name) {
    TImageFileInfo& r = AddFile(name);
    r.IsFolder = true;
    return r;
  }
  // A thumbnail of one colour (or two: top rows `top`, the rest `rest`).
  void AddThumb(const QString& path, int w, int h, QColor rest, QColor top = QColor(),
                int topRows = 0) {
    TThumb t;
    t.Width = w;
    t.Height = h;
    t.Pixels = QImage(64, 64, QImage::Format_RGB888);
    t.Pixels.fill(rest);
    if (top.isValid()) {
      for (int y = 0; y < topRows; ++y) {
        for (int x = 0; x < 64; ++x) {
          t.Pixels.setPixelColor(x, y, top);
        }
      }
    }
    Thumbs[path] = t;
  }

  int Count() const override { return static_cast<int>(Files.size()); }
  TImageFileInfo* FileAt(int index) override {
    return index >= 0 && index < Count() ? &Files[static_cast<std::size_t>(index)] : nullptr;
  }
  int IndexOf(const QString& path) const override {
    for (int i = 0; i < Count(); ++i) {
      if (Files[static_cast<std::size_t>(i)].FullPath() == path) {
        return i;
      }
    }
    return -1;
  }
  bool ContainsThumb(const QString& path) const override { return Thumbs.count(path) > 0; }
  std::unique_ptr<TPinnedThumb> PinThumb(const QString& path) override {
    auto it = Thumbs.find(path);
    if (it == Thumbs.end()) {
      return nullptr;
    }
    TThumb& t = it->second;
    ++t.Pins;
    return std::make_unique<TPinnedThumb>(t.Width, t.Height, t.Pixels, [&t] { --t.Pins; });
  }
  void LoadImageFirst(const QString& path) override { Queued.append(path); }
  int FocusedRow() const override { return Focused; }
  void FocusRow(int row, TRibbonFocus how) override {
    Focused = row;
    FocusRequests.emplace_back(row, how);
  }
  int TotalPins() const {
    int n = 0;
    for (const auto& [k, t] : Thumbs) {
      n += t.Pins;
    }
    return n;
  }
};

}  // namespace glimr
