#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

#include "browse/shownlist.h"
#include "browse/ui/extensiontable.h"
#include "browse/ui/filelistmodel.h"
#include "browse/ui/filelistview.h"
#include "catalog/imagefileinfo.h"
#include "ribbon/ribbon.h"
#include "ribbon/ribbongap.h"
#include "support/shownfill.h"

using namespace glimr;

namespace {

// The ribbon over the same shown list as the list view, without thumbnails.
class TListRibbonModel : public TRibbonModel {
 public:
  TListRibbonModel(const TShownList& shown, TFileListView& view) : shown_(shown), view_(view) {}
  int Count() const override { return shown_.Current().Count(); }
  TImageFileInfo* FileAt(int index) override {
    return index >= 0 && index < Count() ? shown_.Current().At(index) : nullptr;
  }
  int IndexOf(const QString& path) const override { return shown_.Current().IndexOf(path); }
  bool ContainsThumb(const QString&) const override { return false; }
  std::unique_ptr<TPinnedThumb> PinThumb(const QString&) override { return nullptr; }
  void LoadImageFirst(const QString&) override {}
  int FocusedRow() const override { return view_.FocusedRow(); }
  void FocusRow(int row, TRibbonFocus how) override {
    view_.FocusRow(row, how != TRibbonFocus::Wheel);
  }

 private:
  const TShownList& shown_;
  TFileListView& view_;
};

class TNoTextures : public TTextureSink {
 public:
  void UploadTexture(std::uint32_t, const QImage&) override {}
  void DeleteTexture(std::uint32_t) override {}
};

constexpr char kDir[] = "/nonexistent-glimr-test/";

TNewEntry Image(const QString& name) {
  auto r = std::make_unique<TImageFileInfo>();
  r->FileName = name;
  r->Path = QString::fromLatin1(kDir);
  r->SlotWidth = 2.0;
  return {r->FullPath(), std::move(r)};
}

// The list view and the ribbon following one shown list, the ribbon's half
// wired as the ribbon view does it.
struct TSetup {
  TExtensionTable Extensions;
  TShownList Shown;
  TFileListView View{Shown, Extensions};
  TListRibbonModel Model{Shown, View};
  TNoTextures Textures;
  TRibbon Ribbon{Model, Textures, TRibbonPictures{}};
  bool GapLeftEntries = true;  // what the last closed gap returned

  // img0.jpg .. img<images-1>.jpg, ascending by name.
  explicit TSetup(int images) {
    QObject::connect(&Shown, &TShownList::rowsRemoved,
                     [this] { GapLeftEntries = CloseRibbonGap(Ribbon); });
    QObject::connect(&Shown, &TShownList::rowsInserted, [this](int first, int last) {
      ShiftRibbonForInsert(Ribbon, first, last);
      Ribbon.PrepareScene();
    });
    std::vector<TNewEntry> entries;
    for (int i = 0; i < images; ++i) {
      entries.push_back(Image(QStringLiteral("img%1.jpg").arg(i)));
    }
    Shown.SetSort({scName, 2});
    test::ShowGiven(Shown, std::move(entries), TListSource::Catalog, QString::fromLatin1(kDir));
    Ribbon.PrepareScene();
  }
  const TFileList& Current() const { return Shown.Current(); }
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
  // Remove from view; returns whether the ribbon still shows entries.
  bool RemoveSelected() {
    GapLeftEntries = true;
    View.RemoveSelectedFromView();
    return GapLeftEntries;
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
  void insertKeepsTheCentredRecord_data();
  void insertKeepsTheCentredRecord();
};

void TestFileListGap::gapClosesWithoutMovingTheView() {
  TSetup s(8);
  s.RestOn(2);
  TImageFileInfo* img4 = s.Current().At(4);
  s.Select({2, 3});
  QVERIFY(s.RemoveSelected());
  QCOMPARE(s.Current().At(2), img4);
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
  QCOMPARE(s.Current().Count(), 3);
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
  QCOMPARE(s.Current().Count(), 0);
  QCOMPARE(s.Shown.Loaded().Count(), 0);
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

void TestFileListGap::insertKeepsTheCentredRecord_data() {
  QTest::addColumn<int>("images");
  QTest::addColumn<int>("restOn");
  QTest::addColumn<QStringList>("inserted");
  QTest::addColumn<int>("before");  // how many of them land before the centred record
  // img0.jpg .. img7.jpg ascending; "img3a.jpg" sorts between img3 and img4.
  QTest::newRow("before") << 8 << 4 << QStringList{"img1a.jpg"} << 1;
  QTest::newRow("two before") << 8 << 4 << QStringList{"img2a.jpg", "img0a.jpg"} << 2;
  QTest::newRow("at the centred index") << 8 << 4 << QStringList{"img3a.jpg"} << 1;
  QTest::newRow("after") << 8 << 4 << QStringList{"img5a.jpg"} << 0;
  QTest::newRow("before and after") << 8 << 4 << QStringList{"img6a.jpg", "img1a.jpg"} << 1;
  QTest::newRow("at the front, centred on the first") << 8 << 0 << QStringList{"a.jpg"} << 1;
  QTest::newRow("at the end, centred on the last") << 8 << 7 << QStringList{"img9.jpg"} << 0;
  QTest::newRow("into an empty list") << 0 << 0 << QStringList{"img0.jpg"} << 0;
}

// Entries arriving in the list (a copy into the shown folder) must not move
// the picture: the entry in the middle of the ribbon stays there and only
// its index and coordinate change.
void TestFileListGap::insertKeepsTheCentredRecord() {
  QFETCH(int, images);
  QFETCH(int, restOn);
  QFETCH(QStringList, inserted);
  QFETCH(int, before);
  TSetup s(images);
  s.RestOn(restOn);
  const TImageFileInfo* centred = s.Model.FileAt(restOn);
  std::vector<TNewEntry> entries;
  for (const QString& name : inserted) {
    entries.push_back(Image(name));
  }
  QSignalSpy rows(&s.Shown, &TShownList::rowsInserted);
  s.Shown.Insert(std::move(entries));
  QCOMPARE(rows.count(), inserted.size());
  QCOMPARE(s.Current().Count(), images + inserted.size());

  const int index = restOn + before;
  QCOMPARE(s.Ribbon.CurrentIndex, index);
  QCOMPARE(s.Ribbon.CurrentPosition, 2.0 * index);
  QCOMPARE(s.Ribbon.ViewPosition, 2.0 * index);
  if (centred != nullptr) {
    QCOMPARE(s.Model.FileAt(index), centred);
  }
  // The scene is built around it: the middle slot shows it.
  QVERIFY(s.Ribbon.Slots[4]);
  QCOMPARE(s.Ribbon.Slots[4]->ListIndex, index);
  QVERIFY(!s.Ribbon.Animating);
  // The target was the centred record and still is; in a list that was
  // empty it is the first entry, never one past the end.
  QCOMPARE(s.Ribbon.TargetIndex, index);
}

QTEST_MAIN(TestFileListGap)
#include "test_ribbongap.moc"
