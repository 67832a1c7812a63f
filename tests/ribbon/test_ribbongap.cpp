#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTest>

#include "browse/currentlists.h"
#include "browse/ui/extensiontable.h"
#include "browse/ui/filelistmodel.h"
#include "browse/ui/filelistview.h"
#include "catalog/imagefileinfo.h"
#include "ribbon/ribbon.h"
#include "ribbon/ribbongap.h"

using namespace glimr;

namespace {

// The ribbon over the same CurrentFiles as the list view, without thumbnails.
class TListRibbonModel : public TRibbonModel {
 public:
  TListRibbonModel(TCurrentLists& lists, TFileListView& view) : lists_(lists), view_(view) {}
  int Count() const override { return lists_.CurrentFiles.Count(); }
  TImageFileInfo* FileAt(int index) override {
    return index >= 0 && index < Count() ? lists_.CurrentFiles.At(index) : nullptr;
  }
  int IndexOf(const QString& path) const override { return lists_.CurrentFiles.IndexOf(path); }
  bool ContainsThumb(const QString&) const override { return false; }
  std::unique_ptr<TPinnedThumb> PinThumb(const QString&) override { return nullptr; }
  void LoadImageFirst(const QString&) override {}
  int FocusedRow() const override { return view_.FocusedRow(); }
  void FocusRow(int row, TRibbonFocus how) override {
    view_.FocusRow(row, how != TRibbonFocus::Wheel);
  }

 private:
  TCurrentLists& lists_;
  TFileListView& view_;
};

class TNoTextures : public TTextureSink {
 public:
  void UploadTexture(std::uint32_t, const QImage&) override {}
  void DeleteTexture(std::uint32_t) override {}
};

struct TSetup {
  TExtensionTable Extensions;
  TCurrentLists Lists;
  TFileListView View{Lists, Extensions};
  TListRibbonModel Model{Lists, View};
  TNoTextures Textures;
  TRibbon Ribbon{Model, Textures, TRibbonPictures{}};

  explicit TSetup(int images) {
    for (int i = 0; i < images; ++i) {
      auto* r = new TImageFileInfo;
      r->FileName = QStringLiteral("img%1.jpg").arg(i);
      r->Path = QStringLiteral("/nonexistent-glimr-test/");
      r->SlotWidth = 2.0;
      Lists.LoadedFiles.Append(r->FullPath(), r);
      Lists.CurrentFiles.Append(r->FullPath(), r);
    }
    View.SetFiles();
    Ribbon.PrepareScene();
  }
  // The ribbon at rest on entry i (all widths 2.0).
  void RestOn(int i) {
    Ribbon.CurrentIndex = i;
    Ribbon.TargetIndex = i;
    Ribbon.CurrentPosition = 2.0 * i;
    Ribbon.ViewPosition = 2.0 * i;
    Ribbon.PrepareScene();
  }
  void Select(std::initializer_list<int> rows) {
    for (int row : rows) {
      View.ActiveView()->selectionModel()->select(
          View.Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  // What the main window does on selectedRemoved.
  bool RemoveSelected() {
    View.RemoveSelectedFromView();
    return CloseRibbonGap(Ribbon);
  }
};

}  // namespace

class TestFileListGap : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void gapClosesWithoutMovingTheView();
  void removalPastTheEndMovesToTheLastEntry();
  void removingEverythingEmptiesTheRibbon();
  void removalDuringAGlideStopsIt();
};

void TestFileListGap::gapClosesWithoutMovingTheView() {
  TSetup s(8);
  s.RestOn(2);
  TImageFileInfo* img4 = s.Lists.CurrentFiles.At(4);
  s.Select({2, 3});
  QVERIFY(s.RemoveSelected());
  QCOMPARE(s.Lists.CurrentFiles.At(2), img4);
  QCOMPARE(img4->SlotWidth, 6.0);
  QCOMPARE(s.Ribbon.WidthAnimation, QStringList{img4->FullPath()});
  QCOMPARE(img4->ShrinkExcess, 4.0);
  // The camera stays at 4.0, between entry 1 (at 2.0) and entry 2 (at 8.0).
  QCOMPARE(s.Ribbon.ViewPosition, 4.0);
  QCOMPARE(s.Ribbon.CurrentIndex, 1);
  QCOMPARE(s.Ribbon.CurrentPosition, 2.0);
  QCOMPARE(s.Ribbon.Slots[4]->ListIndex, 1);

  for (int tick = 0; tick < 20; ++tick) {
    s.Ribbon.PollTick();
  }
  QCOMPARE(img4->SlotWidth, 2.0);
  QVERIFY(s.Ribbon.WidthAnimation.isEmpty());
  QCOMPARE(s.Ribbon.ViewPosition, 4.0);
  QCOMPARE(s.Ribbon.CurrentIndex, 2);  // entry 2 slid under the camera
  QCOMPARE(s.Ribbon.CurrentPosition, 4.0);
}

void TestFileListGap::removalPastTheEndMovesToTheLastEntry() {
  TSetup s(6);
  s.RestOn(5);
  s.Select({3, 4, 5});
  QVERIFY(s.RemoveSelected());
  QCOMPARE(s.Lists.CurrentFiles.Count(), 3);
  QCOMPARE(s.Ribbon.CurrentIndex, 2);
  QCOMPARE(s.Ribbon.TargetIndex, 2);
  QCOMPARE(s.Ribbon.ViewPosition, 4.0);
  QCOMPARE(s.Ribbon.CurrentPosition, 4.0);
  QVERIFY(s.Ribbon.WidthAnimation.isEmpty());  // the widths went past the end
}

void TestFileListGap::removingEverythingEmptiesTheRibbon() {
  TSetup s(4);
  s.RestOn(3);
  s.View.SelectAll();
  QVERIFY(!s.RemoveSelected());
  QCOMPARE(s.Lists.CurrentFiles.Count(), 0);
  QCOMPARE(s.Lists.LoadedFiles.Count(), 0);
  QCOMPARE(s.Ribbon.CurrentIndex, 0);
  QCOMPARE(s.Ribbon.TargetIndex, 0);
  QCOMPARE(s.Ribbon.ViewPosition, 0.0);
  for (const auto& slot : s.Ribbon.Slots) {
    QVERIFY(slot);
    QCOMPARE(slot->ListIndex, -1);
  }
}

void TestFileListGap::removalDuringAGlideStopsIt() {
  TSetup s(10);
  s.View.FocusRow(7, true);
  QVERIFY(s.Ribbon.ScrollImagesToFocused());
  for (int tick = 0; tick < 10; ++tick) {
    s.Ribbon.AnimTick();
  }
  const double view = s.Ribbon.ViewPosition;
  QVERIFY(view > 2.0 && view < 14.0);
  s.Select({8});
  QVERIFY(s.RemoveSelected());
  // The path led to entry 7 of the old list; the camera stays where it was
  // and the ribbon aims at the entry it shows.
  QVERIFY(!s.Ribbon.Animating);
  QCOMPARE(s.Ribbon.ViewPosition, view);
  QCOMPARE(s.Ribbon.TargetIndex, s.Ribbon.CurrentIndex);
  // A tick of the glide timer still running only stops it.
  QVERIFY(!s.Ribbon.AnimTick().KeepTimer);
  QCOMPARE(s.Ribbon.ViewPosition, view);
  // A row focused afterwards glides there.
  s.View.FocusRow(2, true);
  QVERIFY(s.Ribbon.ScrollImagesToFocused());
  while (s.Ribbon.AnimTick().KeepTimer) {
  }
  QCOMPARE(s.Ribbon.CurrentIndex, 2);
  QCOMPARE(s.Ribbon.ViewPosition, 4.0);
}

QTEST_MAIN(TestFileListGap)
#include "test_ribbongap.moc"
