// The ribbon's slots and behaviour without a window: filling and pinning,
// the loader queue order, shifting while gliding, thumbnails arriving, the
// rotate and flip animations, highlight fades, gap closing and the input
// rules.

#include <QTest>

#include <set>

#include "common/errors.h"
#include "fakeribbonmodel.h"
#include "ribbon/ribbon.h"
#include "ribbon/ribbonjump.h"

using namespace glimr;

namespace {

// Records uploads and deletions instead of talking to GL.
class TFakeTextures : public TTextureSink {
 public:
  void UploadTexture(std::uint32_t name, const QImage& pixels) override {
    Live.insert(name);
    LastSize[name] = pixels.width();
    ++Uploads;
  }
  void DeleteTexture(std::uint32_t name) override { Live.erase(name); }
  std::set<std::uint32_t> Live;
  std::map<std::uint32_t, int> LastSize;
  int Uploads = 0;
};

struct TFixture {
  explicit TFixture(int files, bool thumbs = true) {
    for (int i = 0; i < files; ++i) {
      const QString name = QString("img%1.jpg").arg(i, 3, 10, QChar('0'));
      model.AddFile(name);
      if (thumbs) {
        model.AddThumb("/pics/" + name, 300, 200, Qt::red);
      }
    }
    gear = QImage(128, 128, QImage::Format_RGB888);
    gear.fill(Qt::gray);
    folder = QImage(128, 128, QImage::Format_RGB888);
    folder.fill(Qt::yellow);
    TRibbonPictures pics;
    pics.FirstGear = gear;
    pics.Folder = folder;
    pics.Parent = folder;
    ribbon = std::make_unique<TRibbon>(model, textures, pics);
  }
  // Slot k's entry index, -1 when empty.
  int Entry(int k) const {
    const TImageInfo* s = ribbon->Slots[k].get();
    return s != nullptr && s->Loaded ? s->ListIndex : -1;
  }
  void CheckSlotsAround(int c) const {
    for (int k = 0; k < kSlotCount; ++k) {
      QCOMPARE(Entry(k), SlotEntry(c, model.Count(), k));
    }
  }

  TFakeRibbonModel model;
  TFakeTextures textures;
  QImage gear;
  QImage folder;
  std::unique_ptr<TRibbon> ribbon;
};

}  // namespace

class TestRibbon : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void prepareSceneFillsAroundCurrent_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::newRow("3 entries at 0") << 3 << 0;
    QTest::newRow("index 10 of 12") << 12 << 10;
    QTest::newRow("index 10 of 13") << 13 << 10;
    QTest::newRow("middle of 30") << 30 << 15;
    QTest::newRow("empty list") << 0 << 0;
  }
  void prepareSceneFillsAroundCurrent() {
    QFETCH(int, count);
    QFETCH(int, current);
    TFixture f(count);
    f.ribbon->CurrentIndex = current;
    f.ribbon->PrepareScene();
    f.CheckSlotsAround(current);
    // Every shown thumbnail is pinned once, and only those.
    int shown = 0;
    for (int k = 0; k < kSlotCount; ++k) {
      shown += f.Entry(k) >= 0 ? 1 : 0;
      QCOMPARE(f.ribbon->Slots[k]->TextureName, static_cast<std::uint32_t>(k + 1));
    }
    QCOMPARE(f.model.TotalPins(), shown);
    f.ribbon->PrepareScene();
    QCOMPARE(f.model.TotalPins(), shown);
    f.ribbon.reset();
    QCOMPARE(f.model.TotalPins(), 0);
    QVERIFY(f.textures.Live.empty());
  }

  void fillSlotTakesRecordAndThumb() {
    TFixture f(3, false);
    f.model.AddThumb("/pics/img000.jpg", 100, 50, Qt::red);
    f.model.Files[0].Angle = 90;
    f.model.Files[0].VFliped = true;
    f.model.Files[0].Caption = "Beach";
    f.model.Files[1].HFliped = true;
    f.ribbon->PrepareScene();
    const TImageInfo& s = *f.ribbon->Slots[4];
    QCOMPARE(s.Aspect, 2.0);
    QCOMPARE(s.Size, 0.390625);
    QCOMPARE(s.PicWidth, 100);
    QVERIFY(s.HasThumb);
    QCOMPARE(s.State, TSlotState::Idle);
    QCOMPARE(s.AngleZ, 90.0);
    QCOMPARE(s.AngleY, 180.0);
    QVERIFY(s.FlipAboutY);
    QCOMPARE(s.Caption, QString("Beach"));
    // No thumbnail yet: the busy gear, half size, queued.
    const TImageInfo& w = *f.ribbon->Slots[5];
    QVERIFY(!w.HasThumb);
    QCOMPARE(w.State, TSlotState::Waiting);
    QCOMPARE(w.Size, 0.5);
    QCOMPARE(w.PicWidth, 128);
    QCOMPARE(w.AngleX, 180.0);
    QCOMPARE(w.Caption, QString("img001.jpg"));
    QVERIFY(w.Loaded);
  }

  void captionEditsShowAtOnce() {
    TFixture f(3);
    f.ribbon->PrepareScene();
    f.ribbon->RedrawNeeded = false;
    f.model.Files[0].Caption = "Beach";
    f.ribbon->RefreshCaptions();
    QCOMPARE(f.ribbon->Slots[4]->Caption, QString("Beach"));
    QVERIFY(f.ribbon->RedrawNeeded);
    // Cleared again: the file name shows; nothing changed, nothing to redraw.
    f.model.Files[0].Caption.clear();
    f.ribbon->RefreshCaptions();
    QCOMPARE(f.ribbon->Slots[4]->Caption, QString("img000.jpg"));
    f.ribbon->RedrawNeeded = false;
    f.ribbon->RefreshCaptions();
    QVERIFY(!f.ribbon->RedrawNeeded);
  }

  void folderEntries() {
    TFixture f(0);
    f.model.AddFolder("..");
    f.model.AddFolder("holiday");
    f.ribbon->PrepareScene();
    for (int k : {4, 5}) {
      const TImageInfo& s = *f.ribbon->Slots[k];
      QCOMPARE(s.Size, 0.65);
      QCOMPARE(s.Aspect, 1.0);
      QCOMPARE(s.State, TSlotState::Idle);
      QVERIFY(!s.HasThumb);
    }
    QCOMPARE(f.ribbon->Slots[5]->Caption, QString("holiday"));
    QVERIFY(f.model.Queued.isEmpty());
    QVERIFY(!f.ribbon->RotateRight());  // folders do not turn
  }

  void queueOrderIsReverseOfFill() {
    TFixture f(20, false);
    f.ribbon->CurrentIndex = 10;
    f.ribbon->PrepareScene();
    // Filled 10..14 then 9..6; each goes to the head, so 6 leads the queue.
    QStringList expected;
    for (int e : {10, 11, 12, 13, 14, 9, 8, 7, 6}) {
      expected << QString("/pics/img%1.jpg").arg(e, 3, 10, QChar('0'));
    }
    QCOMPARE(f.model.Queued, expected);
  }

  void glideShiftsSlots() {
    TFixture f(30);
    f.ribbon->PrepareScene();
    f.model.Focused = 3;
    QVERIFY(f.ribbon->ScrollImagesToFocused());
    QVERIFY(!f.ribbon->ScrollImagesToFocused());  // same target: no restart
    int ticks = 0;
    double last = 0;
    while (true) {
      const TRibbon::TTick t = f.ribbon->AnimTick();
      ++ticks;
      QVERIFY(f.ribbon->ViewPosition >= last);
      last = f.ribbon->ViewPosition;
      f.CheckSlotsAround(f.ribbon->CurrentIndex);
      if (!t.KeepTimer) {
        break;
      }
    }
    QCOMPARE(ticks, kPathLength);
    QCOMPARE(f.ribbon->CurrentIndex, 3);
    QCOMPARE(f.ribbon->ViewPosition, 6.0);
    QCOMPARE(f.ribbon->CurrentPosition, 6.0);
    QCOMPARE(f.model.TotalPins(), 8);  // slots 0..8 show entries -1..7
    // And back again.
    f.model.Focused = 1;
    f.ribbon->ScrollImagesToFocused();
    while (f.ribbon->AnimTick().KeepTimer) {
      f.CheckSlotsAround(f.ribbon->CurrentIndex);
    }
    QCOMPARE(f.ribbon->CurrentIndex, 1);
    QCOMPARE(f.ribbon->CurrentPosition, 2.0);
  }

  void bigJumpRebuildsAll() {
    TFixture f(40);
    f.ribbon->PrepareScene();
    const int uploads = f.textures.Uploads;
    f.ribbon->ShiftImagesArray(20);
    f.ribbon->CurrentIndex = 20;
    f.CheckSlotsAround(20);
    QCOMPARE(f.textures.Uploads - uploads, 9);
    QCOMPARE(f.model.TotalPins(), 9);
    // A one-step shift fills only the one slot that comes into view.
    const int before = f.textures.Uploads;
    f.ribbon->ShiftImagesArray(1);
    f.ribbon->CurrentIndex = 21;
    f.CheckSlotsAround(21);
    QCOMPARE(f.textures.Uploads - before, 1);
    std::set<std::uint32_t> names;
    for (const auto& s : f.ribbon->Slots) {
      names.insert(s->TextureName);
    }
    QCOMPARE(names.size(), std::size_t(9));
  }

  // Show Zoomed during a glide ends the glide at once: the ribbon must stand
  // exactly where ticking the glide to its end would leave it.
  void finishGlideMatchesTheGlidesEnd_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("ticks");    // glide steps before the jump; -1: no glide
    QTest::addColumn<bool>("narrow");  // some entries half as wide
    QTest::newRow("before the first tick") << 30 << 0 << 3 << 0 << false;
    QTest::newRow("mid-glide, long way") << 40 << 0 << 25 << 10 << false;
    QTest::newRow("backwards") << 40 << 20 << 2 << 25 << false;
    QTest::newRow("one step left") << 20 << 10 << 11 << kPathLength - 1 << false;
    QTest::newRow("to the last entry") << 12 << 2 << 11 << 3 << false;
    QTest::newRow("to the first entry") << 12 << 9 << 0 << 7 << false;
    // Widths other than 2 make the path end between two entries.
    QTest::newRow("uneven widths") << 30 << 0 << 7 << 5 << true;
    QTest::newRow("no glide") << 30 << 6 << 6 << -1 << false;
  }
  void finishGlideMatchesTheGlidesEnd() {
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(int, target);
    QFETCH(int, ticks);
    QFETCH(bool, narrow);
    TFixture ticked(count);
    TFixture jumped(count);
    for (TFixture* f : {&ticked, &jumped}) {
      double position = 0;
      for (int i = 0; i < count; ++i) {
        if (narrow && i % 3 == 1) {
          f->model.Files[static_cast<std::size_t>(i)].SlotWidth = 1.0;
        }
        if (i > 0 && i <= start) {
          position += f->model.Files[static_cast<std::size_t>(i)].SlotWidth;
        }
      }
      f->ribbon->CurrentIndex = start;
      f->ribbon->TargetIndex = start;
      f->ribbon->CurrentPosition = position;
      f->ribbon->ViewPosition = position;
      f->ribbon->PrepareScene();
      if (ticks >= 0) {
        f->model.Focused = target;
        QVERIFY(f->ribbon->ScrollImagesToFocused());
      }
    }
    while (ticked.ribbon->AnimTick().KeepTimer) {
    }
    for (int i = 0; i < ticks; ++i) {
      jumped.ribbon->AnimTick();
    }
    QCOMPARE(FinishGlide(*jumped.ribbon), target);
    const TRibbon& a = *ticked.ribbon;
    const TRibbon& b = *jumped.ribbon;
    QCOMPARE(b.CurrentIndex, a.CurrentIndex);
    QCOMPARE(b.TargetIndex, a.TargetIndex);
    QCOMPARE(b.CurrentPosition, a.CurrentPosition);
    QCOMPARE(b.ViewPosition, a.ViewPosition);
    QCOMPARE(b.AnimStep, a.AnimStep);
    QVERIFY(!b.Animating);
    for (int k = 0; k < kSlotCount; ++k) {
      QCOMPARE(jumped.Entry(k), ticked.Entry(k));
    }
    jumped.CheckSlotsAround(b.CurrentIndex);
    QCOMPARE(jumped.model.TotalPins(), ticked.model.TotalPins());
    // The glide timer's next tick only stops it, and a second jump is idle.
    const TRibbon::TTick tick = jumped.ribbon->AnimTick();
    QVERIFY(!tick.KeepTimer);
    QVERIFY(!tick.Render);
    QCOMPARE(FinishGlide(*jumped.ribbon), b.CurrentIndex);
    QCOMPARE(b.ViewPosition, a.ViewPosition);
  }

  void thumbnailArrives() {
    TFixture f(3, false);
    f.ribbon->PrepareScene();
    TImageInfo* s = f.ribbon->Slots[4].get();
    QCOMPARE(s->State, TSlotState::Waiting);
    // The gears turn: Counter cycles 1..10.
    for (int i = 0; i < 10; ++i) {
      QVERIFY(f.ribbon->PollTick().Render);
    }
    QCOMPARE(s->Counter, 1);
    f.model.AddThumb("/pics/img000.jpg", 640, 480, Qt::blue);
    f.ribbon->PollTick();
    QCOMPARE(s->State, TSlotState::BusyFadeOut);
    QCOMPARE(s->Counter, 1);
    QCOMPARE(f.model.Thumbs["/pics/img000.jpg"].Pins, 1);
    for (int i = 0; i < 6; ++i) {
      f.ribbon->PollTick();
      QCOMPARE(s->State, TSlotState::BusyFadeOut);
    }
    f.ribbon->PollTick();  // the seventh step swaps in the thumbnail
    QCOMPARE(s->State, TSlotState::FadeIn);
    QVERIFY(s->HasThumb);
    QCOMPARE(s->Size, 1.0);
    QVERIFY(std::fabs(s->Aspect - 640.0 / 480.0) < 1e-12);
    QCOMPARE(f.textures.LastSize[s->TextureName], 64);
    for (int i = 0; i < 6; ++i) {
      f.ribbon->PollTick();
      QCOMPARE(s->State, TSlotState::FadeIn);
    }
    f.ribbon->PollTick();
    QCOMPARE(s->State, TSlotState::Idle);
  }

  void rotateFourTimes() {
    TFixture f(3);
    f.ribbon->PrepareScene();
    int edits = 0;
    f.ribbon->OnRecordEdited = [&edits](const TImageFileInfo*) { ++edits; };
    TImageInfo* s = f.ribbon->Slots[4].get();
    const double expected[] = {90, 180, 270, 0};
    for (double angle : expected) {
      f.model.Files[0].Modified = false;
      QVERIFY(f.ribbon->RotateRight());
      QVERIFY(!f.ribbon->RotateRight());  // busy until it ends
      for (int i = 0; i < 20; ++i) {
        f.ribbon->PollTick();
      }
      QCOMPARE(s->State, TSlotState::Idle);
      QVERIFY(std::fabs(s->AngleZ - angle) < 1e-9);
      QVERIFY(std::fabs(f.model.Files[0].Angle - angle) < 1e-9);
      QVERIFY(f.model.Files[0].Modified);
    }
    QCOMPARE(edits, 4);  // each finished turn is told, for the prompt write-back
  }

  void rotateAfterFlipStillTurnsClockwise() {
    TFixture f(3);
    f.ribbon->PrepareScene();
    TImageInfo* s = f.ribbon->Slots[4].get();
    QVERIFY(f.ribbon->FlipHorizontally());
    for (int i = 0; i < 20; ++i) {
      f.ribbon->PollTick();
    }
    QVERIFY(s->FlipAboutY);
    QCOMPARE(s->AngleY, 180.0);
    QVERIFY(f.model.Files[0].VFliped);
    QVERIFY(f.ribbon->RotateRight());
    QCOMPARE(s->AngleStep, -4.5);  // seen from behind, the turn is reversed
    for (int i = 0; i < 20; ++i) {
      f.ribbon->PollTick();
    }
    QVERIFY(std::fabs(s->AngleZ - 270.0) < 1e-9);
    QVERIFY(f.ribbon->FlipVertically());
    for (int i = 0; i < 20; ++i) {
      f.ribbon->PollTick();
    }
    QVERIFY(f.model.Files[0].HFliped);
    QCOMPARE(s->AngleX, 180.0);
  }

  void commandsWaitForTheGlide() {
    TFixture f(5);
    f.ribbon->PrepareScene();
    f.model.Focused = 2;
    f.ribbon->ScrollImagesToFocused();
    QVERIFY(!f.ribbon->RotateLeft());
    QVERIFY(!f.ribbon->FlipVertically());
    QCOMPARE(f.ribbon->DoubleClickEntry(), -1);
  }

  void highlightFades() {
    TFixture f(5);
    f.ribbon->PrepareScene();
    f.ribbon->SetHovered(5);
    TImageInfo* s = f.ribbon->Slots[4].get();
    QCOMPARE(s->Highlight, 1.0);
    f.ribbon->SetHovered(6);
    QCOMPARE(f.ribbon->Slots[5]->Highlight, 1.0);
    for (int i = 0; i < 20; ++i) {
      QVERIFY(f.ribbon->PollTick().Render);
    }
    QVERIFY(std::fabs(s->Highlight) < 1e-9);
    QVERIFY(!f.ribbon->PollTick().Render);
  }

  void gapCloses() {
    TFixture f(10);
    // Entry 3 took the width of a removed neighbour.
    f.model.Files[3].SlotWidth = 4.0;
    f.model.Files[3].ShrinkExcess = 2.0;
    f.model.Files[3].ShrinkStep = 0;
    f.ribbon->CurrentIndex = 5;
    f.ribbon->CurrentPosition = 12.0;
    f.ribbon->ViewPosition = 12.0;
    f.ribbon->PrepareScene();
    f.ribbon->WidthAnimation << "/pics/img003.jpg";
    for (int i = 0; i < 20; ++i) {
      QVERIFY(f.ribbon->PollTick().Render);
      f.CheckSlotsAround(f.ribbon->CurrentIndex);
    }
    QVERIFY(f.ribbon->WidthAnimation.isEmpty());
    QCOMPARE(f.model.Files[3].SlotWidth, 2.0);
    // The current entry slid left by the closed gap; the view stays, so the
    // next entry is reached: entry 6 now lies at 12.
    QCOMPARE(f.ribbon->CurrentIndex, 6);
    QCOMPARE(f.ribbon->CurrentPosition, 12.0);
  }

  // A list load while the ribbon glides, zooms and gathers wheel turns: the
  // new list starts on entry 0 at zoom 1.0 and a click on any row glides.
  void resetPositionForgetsGlideZoomAndWheel() {
    TFixture f(30);
    f.ribbon->PrepareScene();
    f.model.Focused = 20;
    QVERIFY(f.ribbon->ScrollImagesToFocused());
    for (int i = 0; i < 10; ++i) {
      f.ribbon->AnimTick();
    }
    f.ribbon->Wheel(240, true, false);
    f.ribbon->Wheel(120, true, false);  // waits for the running zoom
    f.ribbon->PollTick();
    f.ribbon->SetHovered(6);
    f.ribbon->Wheel(90, false, false);
    f.ribbon->WidthAnimation << "/pics/img003.jpg";

    f.ribbon->ResetPosition();
    QCOMPARE(f.ribbon->CurrentIndex, 0);
    QCOMPARE(f.ribbon->TargetIndex, 0);
    QCOMPARE(f.ribbon->CurrentPosition, 0.0);
    QCOMPARE(f.ribbon->ViewPosition, 0.0);
    QCOMPARE(f.ribbon->AnimStep, 0);
    QVERIFY(!f.ribbon->Animating);
    for (double p : f.ribbon->Path) {
      QCOMPARE(p, 0.0);
    }
    QCOMPARE(f.ribbon->Zoom, TZoom{});
    QCOMPARE(f.ribbon->Hovered, -1);
    QVERIFY(f.ribbon->WidthAnimation.isEmpty());
    QCOMPARE(f.ribbon->WheelSteps.Pending(), 0);
    QCOMPARE(f.ribbon->ZoomSteps.Pending(), 0);
    // A tick of the glide timer still running only stops it.
    QVERIFY(!f.ribbon->AnimTick().KeepTimer);
    QCOMPARE(f.ribbon->ViewPosition, 0.0);
    // No zoom left over for the poll steps either.
    for (int i = 0; i < 12; ++i) {
      f.ribbon->PollTick();
    }
    QCOMPARE(f.ribbon->Zoom, TZoom{});

    f.ribbon->PrepareScene();
    f.CheckSlotsAround(0);
    f.model.Focused = 2;
    QVERIFY(f.ribbon->ScrollImagesToFocused());
    while (f.ribbon->AnimTick().KeepTimer) {
    }
    QCOMPARE(f.ribbon->CurrentIndex, 2);
    QCOMPARE(f.ribbon->ViewPosition, 4.0);
  }

  // Touchpads and high-resolution wheels send parts of a notch.
  void partialWheelTurnsAddUp() {
    TFixture f(10);
    f.ribbon->PrepareScene();
    for (int i = 0; i < 3; ++i) {
      f.ribbon->Wheel(40, false, false);
    }
    QCOMPARE(f.model.FocusRequests.size(), std::size_t(1));
    QCOMPARE(f.model.FocusRequests.back(), std::make_pair(1, TRibbonFocus::Wheel));
    // Ctrl + wheel: halves make a notch; turns during a zoom are not lost but
    // start the next zoom when it ends.
    f.ribbon->Wheel(60, true, false);
    QCOMPARE(f.ribbon->Zoom.StepsLeft, 10);
    f.ribbon->Wheel(60, true, false);
    QCOMPARE(f.ribbon->Zoom.StepsLeft, 0);
    QCOMPARE(f.ribbon->Zoom.Step, 0.02);
    f.ribbon->Wheel(120, true, false);
    f.ribbon->Wheel(90, true, false);
    f.ribbon->Wheel(30, true, false);
    QCOMPARE(f.ribbon->Zoom.Step, 0.02);
    for (int i = 0; i < 10; ++i) {
      f.ribbon->PollTick();
    }
    QVERIFY(std::fabs(f.ribbon->Zoom.Zoom - 1.2) < 1e-9);
    QCOMPARE(f.ribbon->Zoom.StepsLeft, 0);  // the next zoom has begun
    for (int i = 0; i < 10; ++i) {
      f.ribbon->PollTick();
    }
    QVERIFY(std::fabs(f.ribbon->Zoom.Zoom - 1.6) < 1e-9);
    QCOMPARE(f.ribbon->Zoom.StepsLeft, 10);
    // A turn back while zooming in drops the gathered turns.
    f.ribbon->Wheel(120, true, false);
    f.ribbon->Wheel(240, true, false);
    f.ribbon->Wheel(-120, true, false);
    for (int i = 0; i < 20; ++i) {
      f.ribbon->PollTick();
    }
    QVERIFY(std::fabs(f.ribbon->Zoom.Zoom - 1.6) < 1e-9);
  }

  void inputRules() {
    TFixture f(10);
    f.ribbon->PrepareScene();
    f.ribbon->Wheel(-120, false, false);  // row 0, notch down: nothing
    QVERIFY(f.model.FocusRequests.empty());
    f.ribbon->Wheel(240, false, false);
    QCOMPARE(f.model.FocusRequests.back(), std::make_pair(2, TRibbonFocus::Wheel));
    f.ribbon->Wheel(120, true, true);  // Ctrl + Shift: nothing
    QCOMPARE(f.ribbon->Zoom.StepsLeft, 10);
    f.ribbon->Wheel(120, true, false);
    QCOMPARE(f.ribbon->Zoom.StepsLeft, 0);
    QCOMPARE(f.ribbon->Zoom.Step, 0.02);
    // A click on the right neighbour focuses its row; the centre slot opens.
    f.ribbon->SetHovered(6);
    QVERIFY(f.ribbon->ClickHovered());
    QCOMPARE(f.model.FocusRequests.back(), std::make_pair(1, TRibbonFocus::Click));
    QCOMPARE(f.ribbon->DoubleClickEntry(), -1);  // side thumbnails do not open
    f.ribbon->SetHovered(5);
    QCOMPARE(f.ribbon->DoubleClickEntry(), 0);
    f.ribbon->SetHovered(3);  // left of entry 0: no entry
    QVERIFY(!f.ribbon->ClickHovered());
    QVERIFY(!f.ribbon->MoveLeft());
    QVERIFY(f.ribbon->MoveRight());
    QCOMPARE(f.model.FocusRequests.back(), std::make_pair(1, TRibbonFocus::Move));
  }
};

QTEST_MAIN(TestRibbon)
#include "test_ribbon.moc"
