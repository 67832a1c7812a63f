// TRibbonView's input and timers: the panel's mouse and wheel events, the
// glide and poll timers and what starts and stops them.

#include "ribbon/ui/ribbonview.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "browse/shownlist.h"
#include "catalog/imagefileinfo.h"
#include "ribbon/ribbongap.h"
#include "ribbon/ribbonjump.h"
#include "ribbon/ui/glpanel.h"

namespace glimr {

void TRibbonView::ScrollImagesToFocused() {
  if (jumpToFocus_) {
    // Following without gliding, the ribbon stands on the focused entry
    // whatever target an ended glide or a closed gap left behind.
    const int focused = ribbon_->Model().FocusedRow();
    if (focused >= 0 && focused != ribbon_->CurrentIndex) {
      ribbon_->TargetIndex = -1;
    }
  }
  if (ribbon_->ScrollImagesToFocused()) {
    if (jumpToFocus_) {
      FinishGlide();
    } else {
      animTimer_.start();
    }
  }
  UpdateAccessibleText();
}

int TRibbonView::FinishGlide() {
  animTimer_.stop();
  const int target = glimr::FinishGlide(*ribbon_);
  Redraw();
  UpdateAccessibleText();
  return target;
}

void TRibbonView::SetPolling(bool on) {
  if (on) {
    pollTimer_.start();
  } else {
    pollTimer_.stop();
  }
}

void TRibbonView::Follow(TShownList& shown) {
  ribbon_->OnRecordEdited = [&shown](const TImageFileInfo* record) {
    shown.RecordEdited(record, efRotation);
  };
  // The old records are freed after this: no glide or poll may touch them.
  connect(&shown, &TShownList::aboutToReplace, this, [this] {
    ResetForLoad();
    SetPolling(false);
  });
  connect(&shown, &TShownList::sourceChanged, this, [this, &shown] {
    ResetForLoad();
    PrepareScene();
    SetPolling(!shown.Current().IsEmpty());
  });
  connect(&shown, &TShownList::reordered, this, [this] {
    ribbon_->WidthAnimation.clear();
    PrepareScene();
    ScrollImagesToFocused();
  });
  connect(&shown, &TShownList::rowsRemoved, this, [this] {
    // The neighbours take over the removed entries' width and shrink back
    // over the next poll ticks; an emptied list stops the poll timer.
    animTimer_.stop();
    if (!CloseRibbonGap(*ribbon_)) {
      SetPolling(false);
    }
    Redraw();
    // A command that moved the focus to the entry taking a removed one's
    // place (Delete) has the ribbon glide there; the file list, which the
    // program connects first, has shown that focus by now.
    ScrollImagesToFocused();
  });
  connect(&shown, &TShownList::rowsInserted, this, [this](int first, int last) {
    animTimer_.stop();
    ShiftRibbonForInsert(*ribbon_, first, last);
    PrepareScene();
    if (!pollTimer_.isActive()) {
      SetPolling(true);
    }
  });
  connect(&shown, &TShownList::rowsEdited, this, [this](int, int, TEditFields fields) {
    // The captions show the caption, or the name when there is none.
    if (fields & (efCaption | efName)) {
      ribbon_->RefreshCaptions();
    }
    if ((fields & efRotation) && !animTimer_.isActive()) {
      // A turn or flip made elsewhere (the viewer): the slots take the
      // records' orientation again. The ribbon's own turns end in the
      // record's values already.
      PrepareScene();
    }
    ribbon_->RedrawNeeded = true;
  });
}

void TRibbonView::ResetForLoad() {
  animTimer_.stop();
  ribbon_->ResetPosition();
}

void TRibbonView::AnimTimerTick() {
  const TRibbon::TTick tick = ribbon_->AnimTick();
  if (!tick.KeepTimer) {
    animTimer_.stop();
  }
  if (tick.Render) {
    Redraw();
  }
}

void TRibbonView::PollTimerTick() {
  const TRibbon::TTick tick = ribbon_->PollTick();
  if (!tick.KeepTimer) {
    pollTimer_.stop();
  }
  if (tick.Render && !animTimer_.isActive()) {
    Redraw();
  }
}
bool TRibbonView::WheelAt(QPoint globalPos, int delta, Qt::KeyboardModifiers modifiers) {
  const QRect screenRect(panel_.mapToGlobal(QPoint(0, 0)), panel_.size());
  // Edges count as inside.
  if (globalPos.x() < screenRect.left() || globalPos.x() > screenRect.right() + 1 ||
      globalPos.y() < screenRect.top() || globalPos.y() > screenRect.bottom() + 1) {
    return false;
  }
  const Qt::KeyboardModifiers m = modifiers & ~Qt::KeypadModifier;
  ribbon_->Wheel(delta, m.testFlag(Qt::ControlModifier), (m & ~Qt::ControlModifier) != 0);
  return true;
}

bool TRibbonView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &panel_) {
    return QObject::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      mouse_ = e->position().toPoint();
      mouseInside_ = true;
      ribbon_->RedrawNeeded = true;
      break;
    }
    case QEvent::Leave:
      mouseInside_ = false;
      ribbon_->RedrawNeeded = true;
      break;
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton) {
        mouse_ = e->position().toPoint();
        mouseInside_ = true;
        // The hover comes from the last frame; a press without a move before
        // it (a touch, a synthetic click) picks afresh.
        ribbon_->SetHovered(DoSelect(mouse_.x(), mouse_.y()));
        const int entry = ribbon_->HoveredEntry();
        if (ribbon_->ClickHovered()) {
          Redraw();
          Q_EMIT EntryClicked(entry);
        }
      }
      break;
    }
    case QEvent::MouseButtonDblClick: {
      const int e = ribbon_->DoubleClickEntry();
      const TImageFileInfo* r = ribbon_->Model().FileAt(e);
      if (r != nullptr) {
        if (r->IsFolder) {
          Q_EMIT FolderEntryActivated(e);
        } else {
          Q_EMIT OpenZoomedRequested(e);
        }
      }
      break;
    }
    case QEvent::Wheel: {
      auto* e = static_cast<QWheelEvent*>(event);
      if (WheelAt(e->globalPosition().toPoint(), e->angleDelta().y(), e->modifiers())) {
        e->accept();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace glimr
