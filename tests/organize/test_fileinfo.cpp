#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include "browse/currentlists.h"
#include "browse/shownlist.h"
#include "organize/fileinfo.h"
#include "organize/ui/frfileinfo.h"
#include "organize/ui/starview.h"
#include "support/shownfill.h"

using namespace glimr;

namespace glimr {
// Readable failures for QCOMPARE on the page's values.
char* toString(const TFileProperties& p) {
  const QString text =
      QStringLiteral(
          "{sel %1 images %2 total %3 name '%4' caption '%5' rating %6 catalog %7 %8x%9 "
          "category %10 date %11 size %12}")
          .arg(p.SelectedCount)
          .arg(p.ImageCount)
          .arg(p.TotalSize)
          .arg(p.FileName, p.Caption.left(40))
          .arg(p.Rating)
          .arg(p.CatalogID)
          .arg(p.Width)
          .arg(p.Height)
          .arg(p.CategoryID)
          .arg(p.FileDate)
          .arg(p.FileSize);
  return qstrdup(text.toUtf8().constData());
}
}  // namespace glimr

Q_DECLARE_METATYPE(glimr::TFileProperties)

namespace {

struct TSpec {
  const char* name;
  bool folder;
  int rating;
  const char* caption;
  std::int32_t catalog;
  int width, height;
  std::int32_t category;
  double date;
  std::int64_t size;
};

// The shown list every logic test selects from.
const TSpec kFiles[] = {
    {"a.jpg", false, 3, "sea", 1, 640, 480, 7, 45000.5, 1000},  // 0
    {"b.jpg", false, 3, "sky", 1, 640, 480, 7, 45000.5, 3000},  // 1
    {"c.png", false, 5, "sea", 2, 800, 600, 0, 45001.0, 1000},  // 2
    {"sub", true, 0, "", 0, 0, 0, 0, 0.0, 0},                   // 3
    {"d.jpg", false, 200, "", 1, 0, 0, 99, 45002.0, 500},       // 4: out-of-range rating
    {"e.jpg", false, 3, "sky", 1, 640, 480, 7, 45000.5, 3000},  // 5
};

std::unique_ptr<TImageFileInfo> Record(const TSpec& s) {
  auto r = std::make_unique<TImageFileInfo>();
  r->FileName = QString::fromLatin1(s.name);
  r->Path = QStringLiteral("/pics/");
  r->IsFolder = s.folder;
  r->Rating = static_cast<std::uint8_t>(s.rating);
  r->Caption = QString::fromLatin1(s.caption);
  r->CatalogID = s.catalog;
  r->Width = s.width;
  r->Height = s.height;
  r->CategoryID = s.category;
  r->FileDate = s.date;
  r->FileSize = s.size;
  return r;
}

void Fill(TCurrentLists& lists) {
  for (const TSpec& s : kFiles) {
    TImageFileInfo* r = Record(s).release();
    lists.LoadedFiles.Append(r->FullPath(), r);
  }
  lists.CurrentFiles.AssignRefs(lists.LoadedFiles);
}

// The same entries in a shown list, in the same order (a sort by rating
// keeps the order the source gives).
void Fill(TShownList& shown) {
  shown.SetSort({scRating, 0});
  std::vector<TNewEntry> entries;
  for (const TSpec& s : kFiles) {
    std::unique_ptr<TImageFileInfo> r = Record(s);
    const QString key = r->FullPath();
    entries.push_back({key, std::move(r)});
  }
  glimr::test::ShowGiven(shown, std::move(entries));
}

void Select(const TFileList& files, const QList<int>& rows) {
  for (int i = 0; i < files.Count(); ++i) {
    files.At(i)->Selected = rows.contains(i);
  }
}

void Select(TCurrentLists& lists, const QList<int>& rows) {
  Select(lists.CurrentFiles, rows);
}

// Every row the list reported edited, with the fields it named.
struct TEditLog {
  QList<int> rows;
  TEditFields fields = 0;
  explicit TEditLog(TShownList& shown) {
    QObject::connect(&shown, &TShownList::rowsEdited, &shown,
                     [this](int first, int last, TEditFields f) {
                       for (int i = first; i <= last; ++i) {
                         rows << i;
                       }
                       fields |= f;
                     });
  }
};

TFileProperties Props(int selected, int images, std::int64_t total, const QString& name,
                      const QString& caption, int rating, std::int32_t catalog, int w, int h,
                      std::int32_t category, double date, std::int64_t size) {
  TFileProperties p;
  p.SelectedCount = selected;
  p.ImageCount = images;
  p.TotalSize = total;
  p.FileName = name;
  p.Caption = caption;
  p.Rating = rating;
  p.CatalogID = catalog;
  p.Width = w;
  p.Height = h;
  p.CategoryID = category;
  p.FileDate = date;
  p.FileSize = size;
  return p;
}

QMouseEvent MouseAt(QEvent::Type type, int x, Qt::MouseButton button = Qt::NoButton) {
  const QPointF pos(x, 8);
  return QMouseEvent(type, pos, pos, button, button, Qt::NoModifier);
}

}  // namespace

class TestFileInfo : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void calcProperties_data();
  void calcProperties();
  void propertyTexts_data();
  void propertyTexts();
  void statusText();
  void edits_data();
  void edits();
  void oddCaptionsStoredAsTyped_data();
  void oddCaptionsStoredAsTyped();
  void oneLineText();

  void starCells_data();
  void starCells();
  void starBlend_data();
  void starBlend();
  void starClicks_data();
  void starClicks();
  void starHoverFades();
  void starsNum();

  void pageSuppressesCaptionWhileShowing();
  void pageTypingAppliesToSharedSelection();
  void pageKeepsOddCaptions_data();
  void pageKeepsOddCaptions();
  void pageCategories();
  void pageRatingAndCategorySignals();
  void pageControlsHaveNames();
  void starsAreASlider_data();
  void starsAreASlider();
  void pageWheelOverCategoriesScrolls_data();
  void pageWheelOverCategoriesScrolls();
};

void TestFileInfo::calcProperties_data() {
  QTest::addColumn<QList<int>>("rows");
  QTest::addColumn<TFileProperties>("expected");

  QTest::newRow("nothing selected") << QList<int>{} << TFileProperties{};
  QTest::newRow("one image") << QList<int>{0}
                             << Props(1, 1, 1000, "a.jpg", "sea", 3, 1, 640, 480, 7, 45000.5, 1000);
  QTest::newRow("one folder entry")
      << QList<int>{3} << Props(1, 0, 0, "", "", 0, 0, 0, 0, 0, 0.0, 0);
  QTest::newRow("equal rating, different captions")
      << QList<int>{0, 1} << Props(2, 2, 4000, "", "", 3, 1, 640, 480, 7, 45000.5, 0);
  QTest::newRow("image and folder entry")
      << QList<int>{0, 3} << Props(2, 1, 1000, "a.jpg", "sea", 3, 1, 640, 480, 7, 45000.5, 1000);
  QTest::newRow("folder entry before the image")
      << QList<int>{3, 1} << Props(2, 1, 3000, "b.jpg", "sky", 3, 1, 640, 480, 7, 45000.5, 3000);
  QTest::newRow("shared caption and size kept, the rest cleared")
      << QList<int>{0, 2} << Props(2, 2, 2000, "", "sea", 0, 0, 0, 0, 0, 0.0, 1000);
  QTest::newRow("three images, a cleared value stays cleared")
      << QList<int>{0, 2, 5} << Props(3, 3, 5000, "", "", 0, 0, 0, 0, 0, 0.0, 0);
  QTest::newRow("rating above five shows five")
      << QList<int>{4} << Props(1, 1, 500, "d.jpg", "", 5, 1, 0, 0, 99, 45002.0, 500);
  QTest::newRow("everything selected")
      << QList<int>{0, 1, 2, 3, 4, 5} << Props(6, 5, 8500, "", "", 0, 0, 0, 0, 0, 0.0, 0);
}

void TestFileInfo::calcProperties() {
  QFETCH(QList<int>, rows);
  QFETCH(TFileProperties, expected);
  TCurrentLists lists;
  Fill(lists);
  Select(lists, rows);
  QCOMPARE(CalcProperties(lists.CurrentFiles), expected);
}

void TestFileInfo::propertyTexts_data() {
  QTest::addColumn<TFileProperties>("props");
  QTest::addColumn<QString>("dimensions");
  QTest::addColumn<bool>("hasDate");
  QTest::addColumn<QString>("size");

  const QString missing = QStringLiteral("...");
  QTest::newRow("cleared") << TFileProperties{} << missing << false << missing;
  QTest::newRow("one image") << Props(1, 1, 1000, "a.jpg", "", 0, 1, 640, 480, 0, 45000.5, 1000)
                             << QStringLiteral("640 x 480") << true << FileSizeToText(1000);
  QTest::newRow("size not read yet") << Props(1, 1, 10, "a.jpg", "", 0, 1, 640, 0, 0, 45000.5, 10)
                                     << missing << true << FileSizeToText(10);
}

void TestFileInfo::propertyTexts() {
  QFETCH(TFileProperties, props);
  QFETCH(QString, dimensions);
  QFETCH(bool, hasDate);
  QFETCH(QString, size);
  QCOMPARE(DimensionsText(props), dimensions);
  QCOMPARE(FileDateText(props) != QStringLiteral("..."), hasDate);
  QCOMPARE(FileSizeText(props), size);
}

void TestFileInfo::statusText() {
  TCurrentLists lists;
  Fill(lists);
  Select(lists, {0, 1, 3});
  const TFileProperties p = CalcProperties(lists.CurrentFiles);
  QCOMPARE(SelectionStatusText(p),
           QStringLiteral("Files selected: 2; Size: ") + FileSizeToText(4000));
}

void TestFileInfo::edits_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QList<int>>("rows");
  QTest::addColumn<QVariant>("value");
  QTest::addColumn<QVariant>("stored");
  QTest::addColumn<QList<int>>("changed");

  QTest::newRow("rating on two, one already has it")
      << "rating" << QList<int>{0, 2} << QVariant(5) << QVariant(5) << QList<int>{0};
  QTest::newRow("rating skips a folder entry")
      << "rating" << QList<int>{1, 3} << QVariant(1) << QVariant(1) << QList<int>{1};
  QTest::newRow("rating above five is clamped")
      << "rating" << QList<int>{0, 4} << QVariant(9) << QVariant(5) << QList<int>{0, 4};
  QTest::newRow("negative rating is clamped to none")
      << "rating" << QList<int>{0, 2} << QVariant(-3) << QVariant(0) << QList<int>{0, 2};
  QTest::newRow("rating with nothing selected")
      << "rating" << QList<int>{} << QVariant(4) << QVariant() << QList<int>{};
  QTest::newRow("caption on two with different captions")
      << "caption" << QList<int>{0, 1} << QVariant("sky") << QVariant("sky") << QList<int>{0};
  QTest::newRow("caption cleared")
      << "caption" << QList<int>{0, 2, 3} << QVariant("") << QVariant("") << QList<int>{0, 2};
  QTest::newRow("category on mixed selection")
      << "category" << QList<int>{0, 2, 3, 4} << QVariant(7) << QVariant(7) << QList<int>{2, 4};
  QTest::newRow("category taken away")
      << "category" << QList<int>{0, 2} << QVariant(0) << QVariant(0) << QList<int>{0};
}

void TestFileInfo::edits() {
  QFETCH(QString, field);
  QFETCH(QList<int>, rows);
  QFETCH(QVariant, value);
  QFETCH(QVariant, stored);
  QFETCH(QList<int>, changed);

  TShownList shown;
  Fill(shown);
  Select(shown.Current(), rows);
  TEditLog log(shown);
  std::vector<int> result;
  TEditFields fields = 0;
  if (field == QLatin1String("rating")) {
    result = SetSelectedRating(shown, value.toInt());
    fields = efRating;
  } else if (field == QLatin1String("caption")) {
    result = SetSelectedCaption(shown, value.toString());
    fields = efCaption;
  } else {
    result = SetSelectedCategory(shown, value.toInt());
    fields = efCategory;
  }
  QCOMPARE(QList<int>(result.begin(), result.end()), changed);
  // The views hear of exactly the changed rows, and of the field edited.
  std::sort(log.rows.begin(), log.rows.end());
  QCOMPARE(log.rows, changed);
  QCOMPARE(log.fields, changed.isEmpty() ? 0U : fields);

  for (int i = 0; i < shown.Current().Count(); ++i) {
    const TImageFileInfo* r = shown.Current().At(i);
    const TSpec& before = kFiles[i];
    QCOMPARE(r->Modified, changed.contains(i));
    const bool edited = rows.contains(i) && !before.folder;
    if (field == QLatin1String("rating")) {
      QCOMPARE(int(r->Rating), edited ? stored.toInt() : before.rating);
    } else if (field == QLatin1String("caption")) {
      QCOMPARE(r->Caption, edited ? stored.toString() : QString::fromLatin1(before.caption));
    } else {
      QCOMPARE(r->CategoryID, edited ? stored.toInt() : before.category);
    }
  }
}

void TestFileInfo::oddCaptionsStoredAsTyped_data() {
  QTest::addColumn<QString>("caption");
  QString controls = QStringLiteral("line one\nline two\r\ttab");
  controls.append(QChar(0x01)).append(QChar(0x2028)).append(QStringLiteral(" end"));
  QTest::newRow("100 000 characters") << QString(100000, QLatin1Char('x'));
  QTest::newRow("control characters") << controls;
  QTest::newRow("non-Latin with a surrogate pair") << QString::fromUtf8("Ålesund \xF0\x9F\x93\xB7");
}

void TestFileInfo::oddCaptionsStoredAsTyped() {
  QFETCH(QString, caption);
  TShownList shown;
  Fill(shown);
  Select(shown.Current(), {0, 1});
  QCOMPARE(SetSelectedCaption(shown, caption).size(), size_t(2));
  QCOMPARE(shown.Current().At(0)->Caption, caption);
  QCOMPARE(shown.Current().At(1)->Caption, caption);
  QCOMPARE(CalcProperties(shown.Current()).Caption, caption);
}

void TestFileInfo::oneLineText() {
  QString text = QStringLiteral("a\nb\r\tc");
  text.append(QChar(0x2028)).append(QChar(0x2029)).append(QChar(0x7f)).append(QStringLiteral("é"));
  QCOMPARE(OneLineText(text), QStringLiteral("a b  c   é"));
}

void TestFileInfo::starCells_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("stars");
  QTest::addColumn<int>("x");
  QTest::addColumn<int>("cell");

  QTest::newRow("96/5: x 0 is none") << 96 << 5 << 0 << 0;
  QTest::newRow("96/5: x 15 is none") << 96 << 5 << 15 << 0;
  QTest::newRow("96/5: x 16 is star 1") << 96 << 5 << 16 << 1;
  QTest::newRow("96/5: x 47 is star 2") << 96 << 5 << 47 << 2;
  QTest::newRow("96/5: x 79 is star 4") << 96 << 5 << 79 << 4;
  QTest::newRow("96/5: x 80 is star 5") << 96 << 5 << 80 << 5;
  QTest::newRow("96/5: x 95 is star 5") << 96 << 5 << 95 << 5;
  QTest::newRow("wider than its cells: last pixels stay star 5") << 80 << 5 << 79 << 5;
  QTest::newRow("beyond the right edge") << 96 << 5 << 500 << 5;
  QTest::newRow("left of the control") << 96 << 5 << -4 << 0;
  QTest::newRow("zero width") << 0 << 5 << 3 << 3;
  QTest::newRow("zero width far right") << 0 << 5 << 30 << 5;
  QTest::newRow("stars below one count as one") << 96 << 0 << 60 << 1;
}

void TestFileInfo::starCells() {
  QFETCH(int, width);
  QFETCH(int, stars);
  QFETCH(int, x);
  QFETCH(int, cell);
  QCOMPARE(TStarView::CellAt(x, width, stars), cell);
}

void TestFileInfo::starBlend_data() {
  QTest::addColumn<int>("fade");
  QTest::addColumn<QRgb>("expected");
  QTest::newRow("fade 0 is the second image") << 0 << qRgb(0, 100, 200);
  QTest::newRow("fade 10 is the first image") << 10 << qRgb(200, 100, 0);
  QTest::newRow("fade 5 is halfway") << 5 << qRgb(100, 100, 100);
  QTest::newRow("fade 3 rounds each byte") << 3 << qRgb(60, 100, 140);
  QTest::newRow("fade above 10 is 10") << 14 << qRgb(200, 100, 0);
}

void TestFileInfo::starBlend() {
  QFETCH(int, fade);
  QFETCH(QRgb, expected);
  QImage a(4, 3, QImage::Format_RGB32);
  a.fill(qRgb(200, 100, 0));
  QImage b(4, 3, QImage::Format_RGB32);
  b.fill(qRgb(0, 100, 200));
  const QImage out = TStarView::BlendImages(a, b, fade);
  QCOMPARE(out.size(), a.size());
  QCOMPARE(out.pixel(3, 2), expected);

  // A transparent corner stays transparent whatever the fade.
  QImage ta(2, 2, QImage::Format_ARGB32_Premultiplied);
  ta.fill(Qt::transparent);
  QCOMPARE(qAlpha(TStarView::BlendImages(ta, ta, fade).pixel(0, 0)), 0);
}

void TestFileInfo::starClicks_data() {
  QTest::addColumn<int>("selected");
  QTest::addColumn<int>("x");
  QTest::addColumn<int>("reported");  // -1: no notification
  QTest::addColumn<int>("after");

  QTest::newRow("third star when three are selected") << 3 << 50 << -1 << 3;
  QTest::newRow("none cell clears") << 3 << 5 << 0 << 0;
  QTest::newRow("none cell when none selected") << 0 << 15 << -1 << 0;
  QTest::newRow("first star") << 0 << 16 << 1 << 1;
  QTest::newRow("last pixel is star 5") << 2 << 95 << 5 << 5;
  QTest::newRow("fewer stars") << 5 << 60 << 3 << 3;
}

void TestFileInfo::starClicks() {
  QFETCH(int, selected);
  QFETCH(int, x);
  QFETCH(int, reported);
  QFETCH(int, after);

  TStarView view;
  view.SetStarsNum(5);
  view.setFixedSize(96, 16);
  view.SetStarsSelected(selected);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy spy(&view, &TStarView::starsSelected);
  QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(x, 8));
  if (reported < 0) {
    QCOMPARE(spy.count(), 0);
  } else {
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), reported);
  }
  QCOMPARE(view.StarsSelected(), after);

  // Another button never rates.
  QTest::mouseClick(&view, Qt::RightButton, Qt::NoModifier, QPoint(selected == 5 ? 20 : 90, 8));
  QCOMPARE(view.StarsSelected(), after);
}

void TestFileInfo::starHoverFades() {
  TStarView view;
  view.SetStarsNum(5);
  view.setFixedSize(96, 16);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));

  QMouseEvent toFour = MouseAt(QEvent::MouseMove, 70);
  QCoreApplication::sendEvent(&view, &toFour);
  QCOMPARE(view.HoveredCount(), 4);
  for (int k = 1; k <= 4; ++k) {
    QCOMPARE(view.FadeOf(k), 10);
  }
  QCOMPARE(view.FadeOf(5), 0);
  QVERIFY(view.FadeTimerActive());

  // Back to star 1: stars 2..4 fade out, star 1 stays lit, then the timer stops.
  QMouseEvent toOne = MouseAt(QEvent::MouseMove, 20);
  QCoreApplication::sendEvent(&view, &toOne);
  QCOMPARE(view.HoveredCount(), 1);
  QTRY_VERIFY(view.FadeOf(4) < 10);
  QTRY_VERIFY(!view.FadeTimerActive());
  QCOMPARE(view.FadeOf(1), 10);
  QCOMPARE(view.FadeOf(2), 0);
  QCOMPARE(view.FadeOf(4), 0);

  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&view, &leave);
  QCOMPARE(view.HoveredCount(), 0);
  QTRY_VERIFY(!view.FadeTimerActive());
  QCOMPARE(view.FadeOf(1), 0);
}

void TestFileInfo::starsNum() {
  TStarView view;
  view.resize(10, 5);
  view.SetStarsNum(0);
  QCOMPARE(view.StarsNum(), 1);
  view.SetStarsNum(5);
  // Grown to the none image plus five star cells of 16 x 16.
  QCOMPARE(view.size(), QSize(96, 16));
  view.SetStarsSelected(9);
  QCOMPARE(view.StarsSelected(), 5);
  view.SetStarsSelected(-2);
  QCOMPARE(view.StarsSelected(), 0);

  QMouseEvent move = MouseAt(QEvent::MouseMove, 50);
  QCoreApplication::sendEvent(&view, &move);
  QCOMPARE(view.FadeOf(3), 10);
  view.SetStarsNum(3);
  QCOMPARE(view.FadeOf(3), 0);
  QVERIFY(view.HoveredCount() <= 3);
  // A larger control is not shrunk.
  QCOMPARE(view.size(), QSize(96, 16));

  // A bigger picture makes bigger cells.
  QImage big(24, 20, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::red);
  view.SetSelStar(big);
  QCOMPARE(view.sizeHint(), QSize(16 + 3 * 24, 20));
  view.SetSelStar(QImage());
  QCOMPARE(view.sizeHint(), QSize(16 + 3 * 16, 16));
}

void TestFileInfo::pageSuppressesCaptionWhileShowing() {
  TfrFileInfo page;
  QCOMPARE(page.objectName(), QStringLiteral("tsFileInfo"));
  auto* edCaption = page.findChild<QLineEdit*>(QStringLiteral("edCaption"));
  QVERIFY(edCaption);
  QSignalSpy spy(&page, &TfrFileInfo::captionEdited);

  page.ShowProperties(Props(1, 1, 10, "a.jpg", "sea", 2, 0, 1, 1, 0, 45000.0, 10));
  page.ShowProperties(Props(1, 1, 10, "b.jpg", "", 2, 0, 1, 1, 0, 45000.0, 10));
  page.ShowProperties(Props(1, 1, 10, "c.jpg", "sky", 2, 0, 1, 1, 0, 45000.0, 10));
  QCOMPARE(spy.count(), 0);
  QCOMPARE(edCaption->text(), QStringLiteral("sky"));

  QTest::keyClicks(edCaption, QStringLiteral("!"));
  QCOMPARE(spy.count(), 1);
  QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("sky!"));

  // Showing the same caption again (after the edit reached the records)
  // leaves the cursor where the user types.
  edCaption->setCursorPosition(1);
  page.ShowProperties(Props(1, 1, 10, "c.jpg", "sky!", 2, 0, 1, 1, 0, 45000.0, 10));
  QCOMPARE(edCaption->cursorPosition(), 1);
  QCOMPARE(spy.count(), 1);
}

void TestFileInfo::pageTypingAppliesToSharedSelection() {
  TShownList shown;
  Fill(shown);
  Select(shown.Current(), {0, 1});
  TfrFileInfo page;
  std::vector<int> lastChanged;
  connect(&page, &TfrFileInfo::captionEdited, &page,
          [&](const QString& text) { lastChanged = SetSelectedCaption(shown, text); });
  page.ShowProperties(CalcProperties(shown.Current()));
  auto* edCaption = page.findChild<QLineEdit*>(QStringLiteral("edCaption"));
  QCOMPARE(edCaption->text(), QString());
  QCOMPARE(page.findChild<TStarView*>(QStringLiteral("svRating"))->StarsSelected(), 3);
  QCOMPARE(shown.Current().At(0)->Modified, false);

  QTest::keyClicks(edCaption, QStringLiteral("Dawn"));
  QCOMPARE(shown.Current().At(0)->Caption, QStringLiteral("Dawn"));
  QCOMPARE(shown.Current().At(1)->Caption, QStringLiteral("Dawn"));
  QCOMPARE(shown.Current().At(2)->Caption, QStringLiteral("sea"));
  QCOMPARE(lastChanged, (std::vector<int>{0, 1}));
}

void TestFileInfo::pageKeepsOddCaptions_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("cut");
  QString controls = QStringLiteral("first\nsecond\tthird");
  controls.append(QChar(0x2029)).append(QChar(0x07));
  QTest::newRow("100 000 characters") << QString(100000, QLatin1Char('w')) << true;
  QTest::newRow("control characters") << controls << false;
}

void TestFileInfo::pageKeepsOddCaptions() {
  QFETCH(QString, caption);
  QFETCH(bool, cut);
  TfrFileInfo page;
  page.resize(240, 400);
  page.show();
  QVERIFY(QTest::qWaitForWindowExposed(&page));
  auto* edCaption = page.findChild<TOneLineEdit*>(QStringLiteral("edCaption"));
  QSignalSpy spy(&page, &TfrFileInfo::captionEdited);
  page.ShowProperties(Props(1, 1, 1, "a.jpg", caption, 0, 0, 1, 1, 0, 45000.0, 1));
  QCOMPARE(edCaption->text(), caption);

  const int width = 200;
  const QString shown = edCaption->ShownText(width);
  QCOMPARE(shown, OneLineText(shown));
  QVERIFY(edCaption->fontMetrics().horizontalAdvance(shown) <= width);
  QCOMPARE(shown.endsWith(QChar(0x2026)), cut);

  // Typing at the end keeps everything before it.
  edCaption->setFocus();
  edCaption->end(false);
  QTest::keyClicks(edCaption, QStringLiteral("z"));
  QCOMPARE(spy.count(), 1);
  QCOMPARE(spy.at(0).at(0).toString(), caption + QLatin1Char('z'));
  edCaption->clearFocus();
  // Painting the unfocused edit with such a text must not fail.
  QVERIFY(!page.grab().isNull());
}

void TestFileInfo::pageCategories() {
  TfrFileInfo page;
  auto* cb = page.findChild<QComboBox*>(QStringLiteral("cbCategory"));
  QVERIFY(cb);
  page.SetCategories({{3, QStringLiteral("Travel"), 0},
                      {5, QStringLiteral("2005"), 1},
                      {9, QStringLiteral("Alps"), 2},
                      {4, QStringLiteral("Family"), 0}});
  QCOMPARE(cb->count(), 4);
  QCOMPARE(cb->currentIndex(), -1);
  QCOMPARE(cb->itemText(2), QStringLiteral("Alps"));
  QCOMPARE(cb->itemData(2, Qt::UserRole).toInt(), 9);
  QCOMPARE(cb->findText(QStringLiteral("No Categories")), -1);

  page.ShowProperties(Props(1, 1, 1, "a.jpg", "", 0, 0, 1, 1, 9, 45000.0, 1));
  QCOMPARE(page.ShownCategory(), 9);
  QCOMPARE(cb->currentText(), QStringLiteral("Alps"));

  // A rebuilt list (a rename re-sorted it) keeps the shown category.
  page.SetCategories({{4, QStringLiteral("Family"), 0},
                      {3, QStringLiteral("Travel"), 0},
                      {9, QStringLiteral("Alps"), 1},
                      {5, QStringLiteral("Zermatt"), 1}});
  QCOMPARE(page.ShownCategory(), 9);
  QCOMPARE(cb->currentIndex(), 2);

  // Gone after a remove: nothing shown.
  page.SetCategories({{4, QStringLiteral("Family"), 0}});
  QCOMPARE(page.ShownCategory(), 0);
  QCOMPARE(cb->currentIndex(), -1);

  // An image without a category, or with an ID no category has: no item.
  page.ShowProperties(Props(1, 1, 1, "a.jpg", "", 0, 0, 1, 1, 4, 45000.0, 1));
  QCOMPARE(page.ShownCategory(), 4);
  page.ShowProperties(Props(1, 1, 1, "a.jpg", "", 0, 0, 1, 1, 12345, 45000.0, 1));
  QCOMPARE(cb->currentIndex(), -1);
  page.ShowProperties(Props(1, 1, 1, "a.jpg", "", 0, 0, 1, 1, 0, 45000.0, 1));
  QCOMPARE(cb->currentIndex(), -1);
}

void TestFileInfo::pageRatingAndCategorySignals() {
  TfrFileInfo page;
  page.SetCatalogPathLookup([](std::int32_t id) { return QStringLiteral("/pics/%1/").arg(id); });
  page.SetCategories({{3, QStringLiteral("Travel"), 0}, {5, QStringLiteral("2005"), 1}});
  page.show();
  QVERIFY(QTest::qWaitForWindowExposed(&page));
  QSignalSpy rating(&page, &TfrFileInfo::ratingChosen);
  QSignalSpy category(&page, &TfrFileInfo::categoryChosen);

  page.ShowProperties(Props(1, 1, 2048, "a.jpg", "", 2, 7, 640, 480, 3, 45000.5, 2048));
  QCOMPARE(rating.count(), 0);
  QCOMPARE(category.count(), 0);
  QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("edCatalog"))->text(),
           QStringLiteral("/pics/7/"));
  QCOMPARE(page.findChild<QLabel*>(QStringLiteral("lblDimensions"))->text(),
           QStringLiteral("640 x 480"));
  QCOMPARE(page.findChild<QLabel*>(QStringLiteral("lblFileSize"))->text(), FileSizeToText(2048));

  auto* stars = page.findChild<TStarView*>(QStringLiteral("svRating"));
  QCOMPARE(stars->size(), QSize(96, 16));
  QTest::mouseClick(stars, Qt::LeftButton, Qt::NoModifier, QPoint(70, 8));
  QCOMPARE(rating.count(), 1);
  QCOMPARE(rating.at(0).at(0).toInt(), 4);

  auto* cb = page.findChild<QComboBox*>(QStringLiteral("cbCategory"));
  cb->setFocus();
  QTest::keyClick(cb, Qt::Key_Down);
  QCOMPARE(category.count(), 1);
  QCOMPARE(category.at(0).at(0).value<std::int32_t>(), 5);

  // Nothing selected: every value cleared, no catalog asked for.
  page.ShowProperties(TFileProperties{});
  QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("edCatalog"))->text(), QString());
  QCOMPARE(page.findChild<QLabel*>(QStringLiteral("lblDateTime"))->text(), QStringLiteral("..."));
  QCOMPARE(stars->StarsSelected(), 0);
  QCOMPARE(page.ShownCategory(), 0);
  QCOMPARE(rating.count(), 1);
  QCOMPARE(category.count(), 1);
}

void TestFileInfo::pageControlsHaveNames() {
  TfrFileInfo page;
  const char* controls[] = {"edFileName", "edCaption",     "svRating",    "edCatalog",
                            "cbCategory", "lblDimensions", "lblDateTime", "lblFileSize"};
  QStringList names;
  for (const char* name : controls) {
    auto* w = page.findChild<QWidget*>(QLatin1String(name));
    QVERIFY2(w, name);
    QVERIFY2(!w->accessibleName().isEmpty(), name);
    names << w->accessibleName();
  }
  QCOMPARE(names.first(), QStringLiteral("File Name"));
  QCOMPARE(names.size(), QSet<QString>(names.begin(), names.end()).size());
}

// Assistive technology reads the stars as a named slider whose value is the
// rating, and setting that value rates as a click does.
void TestFileInfo::starsAreASlider_data() {
  QTest::addColumn<bool>("onPage");
  QTest::addColumn<QString>("name");
  QTest::newRow("alone") << false << "Rating";
  QTest::newRow("on the File Info page") << true << "Rating";
}

void TestFileInfo::starsAreASlider() {
  QFETCH(bool, onPage);
  QFETCH(QString, name);
  TfrFileInfo page;
  TStarView alone;
  alone.SetStarsNum(5);
  TStarView* stars = onPage ? page.findChild<TStarView*>(QStringLiteral("svRating")) : &alone;
  QVERIFY(stars);
  stars->SetStarsSelected(3);
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(stars);
  QVERIFY(face);
  QCOMPARE(face->role(), QAccessible::Slider);
  QCOMPARE(face->text(QAccessible::Name), name);
  QCOMPARE(face->text(QAccessible::Value), QStringLiteral("3"));
  QAccessibleValueInterface* value = face->valueInterface();
  QVERIFY(value);
  QCOMPARE(value->currentValue().toInt(), 3);
  QCOMPARE(value->minimumValue().toInt(), 0);
  QCOMPARE(value->maximumValue().toInt(), 5);
  QCOMPARE(value->minimumStepSize().toInt(), 1);

  QSignalSpy chosen(stars, &TStarView::starsSelected);
  value->setCurrentValue(4);
  QCOMPARE(chosen.count(), 1);
  QCOMPARE(chosen.at(0).at(0).toInt(), 4);
  QCOMPARE(stars->StarsSelected(), 4);
  value->setCurrentValue(4);  // the same count: nothing
  QCOMPARE(chosen.count(), 1);
  value->setCurrentValue(99);  // kept within the stars
  QCOMPARE(stars->StarsSelected(), 5);
  value->setCurrentValue(-2);
  QCOMPARE(stars->StarsSelected(), 0);
  QCOMPARE(chosen.count(), 3);
  // The value follows the page's own changes.
  stars->SetStarsSelected(2);
  QCOMPARE(value->currentValue().toInt(), 2);
}

// The wheel turned over the category list scrolls the page (as the main
// window hosts it, in a scroll area) and assigns nothing: only a deliberate
// choice gives the selected images a category.
void TestFileInfo::pageWheelOverCategoriesScrolls_data() {
  QTest::addColumn<int>("delta");
  QTest::addColumn<bool>("focused");
  QTest::newRow("down") << -120 << false;
  QTest::newRow("up") << 120 << false;
  QTest::newRow("down with the list focused") << -120 << true;
  QTest::newRow("a fine step of a touchpad") << -15 << false;
}

void TestFileInfo::pageWheelOverCategoriesScrolls() {
  QFETCH(int, delta);
  QFETCH(bool, focused);
  QScrollArea area;
  auto* page = new TfrFileInfo;
  area.setWidget(page);
  area.setWidgetResizable(true);
  page->setMinimumHeight(900);
  area.resize(240, 200);
  page->SetCategories({{3, QStringLiteral("Travel"), 0},
                       {5, QStringLiteral("2005"), 1},
                       {9, QStringLiteral("Alps"), 2}});
  page->ShowProperties(Props(1, 1, 1, "a.jpg", "", 0, 0, 1, 1, 5, 45000.0, 1));
  area.show();
  QVERIFY(QTest::qWaitForWindowExposed(&area));
  auto* cb = page->findChild<QComboBox*>(QStringLiteral("cbCategory"));
  area.ensureWidgetVisible(cb);
  // The page is in the middle, so it can scroll either way.
  area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum() / 2);
  const int before = area.verticalScrollBar()->value();
  if (focused) {
    cb->setFocus();
  }
  QSignalSpy category(page, &TfrFileInfo::categoryChosen);
  const QPointF at = QPointF(cb->rect().center());
  for (int turn = 0; turn < 3; ++turn) {
    QWheelEvent wheel(at, QPointF(cb->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    // As from the window system: only such wheel events travel on to the
    // parents when a widget leaves them (sendEvent would mark it as sent by
    // the program, so it goes to the application's notify directly).
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(cb, &wheel);
  }
  QCOMPARE(category.count(), 0);
  QCOMPARE(page->ShownCategory(), 5);
  QVERIFY(area.verticalScrollBar()->value() != before);
  // The keyboard still chooses.
  cb->setFocus();
  QTest::keyClick(cb, Qt::Key_Down);
  QCOMPARE(category.count(), 1);
  QCOMPARE(category.at(0).at(0).value<std::int32_t>(), 9);
}

QTEST_MAIN(TestFileInfo)
#include "test_fileinfo.moc"
