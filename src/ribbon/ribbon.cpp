#include "ribbon/ribbon.h"

#include <QLoggingCategory>

#include "catalog/imagefileinfo.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcRibbon, "glimr.ribbon")

TRibbon::TRibbon(TRibbonModel& model, TTextureSink& textures, TRibbonPictures pictures)
    : model_(model), textures_(textures), pictures_(pictures) {}

TRibbon::~TRibbon() {
  for (auto& s : Slots) {
    s.reset();
  }
}

void TRibbon::ResetPosition() {
  CurrentIndex = 0;
  TargetIndex = 0;
  CurrentPosition = 0;
  ViewPosition = 0;
  AnimStep = 0;
  Path.fill(0.0);
  Animating = false;
  Zoom = TZoom{};
  Hovered = -1;
  RedrawNeeded = false;
  WidthAnimation.clear();
  WheelSteps.Reset();
  ZoomSteps.Reset();
}

double TRibbon::WidthOf(int index) {
  const TImageFileInfo* r = model_.FileAt(index);
  if (r == nullptr || r->SlotWidth <= 0.0) {
    return kDefaultSlotWidth;
  }
  return r->SlotWidth;
}

std::array<TSlotPlace, kSlotCount> TRibbon::Layout() {
  return LayoutSlots(CurrentIndex, CurrentPosition, ViewPosition, model_.Count(),
                     [this](int i) { return WidthOf(i); });
}

std::unique_ptr<TImageInfo> TRibbon::NewSlot(std::uint32_t textureName) {
  return std::make_unique<TImageInfo>(textures_, textureName);
}

void TRibbon::TakeThumb(TImageInfo& slot, const TPinnedThumb& entry) {
  slot.Aspect = entry.Height != 0 ? static_cast<double>(entry.Width) / entry.Height : 1.0;
  slot.PicWidth = entry.Width;
  slot.PicHeight = entry.Height;
  slot.Size = ThumbSizeFactor(entry.Width, entry.Height);
  slot.SetBitmap(entry.Bitmap);
  slot.HasThumb = true;
}

void TRibbon::FillSlot(TImageInfo& slot, int index) {
  TImageFileInfo* r = model_.FileAt(index);
  if (r == nullptr) {
    return;
  }
  slot.ListIndex = index;
  if (r->IsFolder) {
    slot.Caption = r->FileName;
    const QImage& pic = r->FileName == ".." ? pictures_.Parent : pictures_.Folder;
    slot.PicWidth = pic.width();
    slot.PicHeight = pic.height();
    slot.Size = 0.65;
    slot.SetBitmap(pic);
    slot.State = TSlotState::Idle;
    slot.Aspect = 1.0;
    return;
  }
  slot.AngleZ = r->Angle;
  slot.FlipAboutY = r->VFliped;
  if (slot.FlipAboutY) {
    slot.AngleY = 180;
  }
  slot.FlipAboutX = r->HFliped;
  if (slot.FlipAboutX) {
    slot.AngleX = 180;
  }
  const QString key = r->FullPath();
  slot.AttachCacheEntry(model_.PinThumb(key));
  slot.Caption = r->Caption.isEmpty() ? r->FileName : r->Caption;
  const TPinnedThumb* entry = slot.CacheEntry();
  if (entry != nullptr && !entry->Bitmap.isNull()) {
    TakeThumb(slot, *entry);
    slot.State = TSlotState::Idle;
  } else {
    // An entry without pixels waits like a missing one; the poll step takes
    // it up once the loader has made its thumbnail.
    slot.HasThumb = false;
    slot.PicWidth = pictures_.FirstGear.width();
    slot.PicHeight = pictures_.FirstGear.height();
    slot.Size = 0.5;
    slot.SetBitmap(pictures_.FirstGear);
    slot.State = TSlotState::Waiting;
    model_.LoadImageFirst(key);
  }
}

void TRibbon::RefreshCaptions() {
  for (const auto& slot : Slots) {
    if (!slot || !slot->Loaded) {
      continue;
    }
    const TImageFileInfo* r = model_.FileAt(slot->ListIndex);
    if (r == nullptr || r->IsFolder) {
      continue;
    }
    const QString caption = r->Caption.isEmpty() ? r->FileName : r->Caption;
    if (slot->Caption != caption) {
      slot->Caption = caption;
      RedrawNeeded = true;
    }
  }
}

void TRibbon::PrepareScene() {
  try {
    for (int k = 0; k < kSlotCount; ++k) {
      Slots[k].reset();
      Slots[k] = NewSlot(static_cast<std::uint32_t>(k + 1));
    }
    const int n = model_.Count();
    const int c = CurrentIndex;
    // Centre first and then outwards on each side, so the queue order puts
    // the last filled entry at its head.
    for (int j = 0; j <= std::min(n - c - 1, 4); ++j) {
      FillSlot(*Slots[kCentreSlot + j], c + j);
    }
    for (int j = 0; j <= std::min(c, 4) - 1 && c - j - 1 < n; ++j) {
      FillSlot(*Slots[3 - j], c - j - 1);
    }
  } catch (const std::exception& e) {
    ShowError("PrepareScene(): ", ErrorText(e));
  }
}

void TRibbon::ShiftImagesArray(int delta) {
  try {
    const TShiftPlan plan = ShiftPlan(delta);
    if (delta == 0) {
      return;
    }
    if (!plan.RebuildAll) {
      Hovered = ShiftHovered(Hovered, delta);
      std::array<std::unique_ptr<TImageInfo>, kSlotCount> old;
      for (int k = 0; k < kSlotCount; ++k) {
        old[k] = std::move(Slots[k]);
      }
      for (int k = 0; k < kSlotCount; ++k) {
        Slots[k] = std::move(old[plan.From[k]]);
      }
    }
    const int n = model_.Count();
    for (int k : plan.Exposed) {
      const std::uint32_t name =
          Slots[k] ? Slots[k]->TextureName : static_cast<std::uint32_t>(k + 1);
      Slots[k].reset();
      Slots[k] = NewSlot(name);
      const int e = CurrentIndex + delta + k - kCentreSlot;
      if (e >= 0 && e < n) {
        FillSlot(*Slots[k], e);
      }
    }
  } catch (const std::exception& e) {
    throw GlimrError(
        QString::asprintf("ShiftImagesArray(%d): %s", delta, ErrorText(e).toUtf8().constData()));
  }
}

bool TRibbon::ScrollImagesToFocused() {
  try {
    const int t = model_.FocusedRow();
    if (t < 0 || t == TargetIndex) {
      return false;
    }
    TargetIndex = t;
    AnimStep = 0;
    Path = EasedPath(ViewPosition, t);
    Animating = true;
    return true;
  } catch (const std::exception&) {
    ShowError("ScrollImagesToFocused;", QString());
    return false;
  }
}

TRibbon::TTick TRibbon::AnimTick() {
  TTick tick;
  // The glide was ended under the timer (a list load, a closed gap): walking
  // on would follow the old list's path.
  if (!Animating) {
    tick.KeepTimer = false;
    return tick;
  }
  try {
    AnimStep += 1;
    if (AnimStep < kPathLength) {
      ViewPosition = Path[AnimStep];
    } else {
      Animating = false;
      tick.KeepTimer = false;
    }
    TIndexStep step = NewCurrentIndex(CurrentIndex, CurrentPosition, ViewPosition, model_.Count(),
                                      [this](int i) { return WidthOf(i); });
    if (step.Index < 0) {
      step.Index = 0;
    }
    CurrentPosition = step.Position;
    ShiftImagesArray(step.Index - CurrentIndex);
    CurrentIndex = step.Index;
    tick.Render = true;
  } catch (const std::exception& e) {
    ShowError("veskAnimTimer: ", ErrorText(e));
    Animating = false;
    tick.KeepTimer = false;
  }
  return tick;
}

void TRibbon::PollSlot(TImageInfo& slot) {
  if (slot.HighlightSteps < 20) {
    RedrawNeeded = true;
    slot.HighlightSteps += 1;
    slot.Highlight += slot.HighlightStep;
  }
  TImageFileInfo* r = model_.FileAt(slot.ListIndex);
  if (r == nullptr || r->IsFolder) {
    return;
  }
  if (slot.HasThumb) {
    switch (slot.State) {
      case TSlotState::Rotating:
        slot.AngleZ += slot.AngleStep;
        slot.Counter += 1;
        if (slot.Counter >= 20) {
          slot.State = TSlotState::Idle;
          slot.AngleZ = WrapAngle(slot.AngleZ);
          r->Angle = slot.AngleZ;
          r->Modified = true;
          if (OnRecordEdited) {
            OnRecordEdited(r);
          }
        }
        RedrawNeeded = true;
        break;
      case TSlotState::FlippingY:
        slot.AngleY += slot.AngleStep;
        slot.Counter += 1;
        if (slot.Counter >= 20) {
          slot.AngleY = WrapAngle(slot.AngleY);
          slot.State = TSlotState::Idle;
          slot.FlipAboutY = !slot.FlipAboutY;
          r->VFliped = slot.FlipAboutY;
          r->Modified = true;
          if (OnRecordEdited) {
            OnRecordEdited(r);
          }
        }
        RedrawNeeded = true;
        break;
      case TSlotState::FlippingX:
        slot.AngleX += slot.AngleStep;
        slot.Counter += 1;
        if (slot.Counter >= 20) {
          slot.AngleX = WrapAngle(slot.AngleX);
          slot.State = TSlotState::Idle;
          slot.FlipAboutX = !slot.FlipAboutX;
          r->HFliped = slot.FlipAboutX;
          r->Modified = true;
          if (OnRecordEdited) {
            OnRecordEdited(r);
          }
        }
        RedrawNeeded = true;
        break;
      case TSlotState::FadeIn:
        RedrawNeeded = true;
        slot.Counter += 1;
        if (slot.Counter > 7) {
          slot.State = TSlotState::Idle;
        }
        break;
      default:
        break;
    }
    return;
  }
  switch (slot.State) {
    case TSlotState::Waiting: {
      const QString key = r->FullPath();
      if (model_.ContainsThumb(key)) {
        slot.AttachCacheEntry(model_.PinThumb(key));
        const TPinnedThumb* entry = slot.CacheEntry();
        if (entry != nullptr && !entry->Bitmap.isNull()) {
          slot.State = TSlotState::BusyFadeOut;
          slot.Counter = 1;
        }
      } else {
        slot.Counter += 1;
        if (slot.Counter > 10) {
          slot.Counter = 1;
        }
        RedrawNeeded = true;
      }
      break;
    }
    case TSlotState::BusyFadeOut: {
      RedrawNeeded = true;
      slot.Counter += 1;
      if (slot.Counter < 8) {
        break;
      }
      slot.Counter = 1;
      slot.State = TSlotState::FadeIn;
      const TPinnedThumb* entry = slot.CacheEntry();
      if (entry != nullptr) {
        TakeThumb(slot, *entry);
      }
      break;
    }
    default:
      break;
  }
}

TRibbon::TTick TRibbon::PollTick() {
  TTick tick;
  try {
    for (auto& s : Slots) {
      if (s && s->Loaded) {
        PollSlot(*s);
      }
    }
    if (ZoomTick(Zoom)) {
      RedrawNeeded = true;
    }
    // Notches turned while the last zoom ran start the next one.
    if (Zoom.StepsLeft >= 10 && ZoomSteps.Pending() != 0) {
      const int notches = ZoomSteps.TakeNotches();
      if (notches != 0) {
        ZoomWheel(Zoom, notches * TWheelAccumulator::kNotch);
      }
    }
    if (!WidthAnimation.isEmpty()) {
      const auto& ease = RibbonEaseTable();
      QStringList keep;
      for (const QString& key : std::as_const(WidthAnimation)) {
        const int j = model_.IndexOf(key);
        TImageFileInfo* r = model_.FileAt(j);
        if (r == nullptr) {
          continue;  // left the list: nothing to shrink any more
        }
        const double old = r->SlotWidth;
        const int step = std::clamp(r->ShrinkStep, 0, 19);
        r->SlotWidth = ease[step] * r->ShrinkExcess + kDefaultSlotWidth;
        r->ShrinkStep += 1;
        if (Slots[kCentreSlot] && Slots[kCentreSlot]->ListIndex >= j) {
          CurrentPosition -= old - r->SlotWidth;
        }
        if (r->ShrinkStep < 20) {
          keep.append(key);
        }
      }
      WidthAnimation = keep;
      const TIndexStep step = NewCurrentIndex(CurrentIndex, CurrentPosition, ViewPosition,
                                              model_.Count(), [this](int i) { return WidthOf(i); });
      // A step back past entry 0 would leave the slots and the index apart;
      // such a result is dropped whole.
      if (step.Index >= 0) {
        if (step.Index != CurrentIndex) {
          ShiftImagesArray(step.Index - CurrentIndex);
        }
        CurrentIndex = step.Index;
        CurrentPosition = step.Position;
      }
      RedrawNeeded = true;
    }
    tick.Render = RedrawNeeded && !Animating;
    RedrawNeeded = false;
  } catch (const std::exception& e) {
    ShowError("veskTestTimer: ", ErrorText(e));
    tick.KeepTimer = false;
  }
  return tick;
}

void TRibbon::SetHovered(int slotNumber) {
  if (slotNumber == Hovered) {
    return;
  }
  if (Hovered >= 1 && Hovered <= kSlotCount && Slots[Hovered - 1]) {
    TImageInfo& s = *Slots[Hovered - 1];
    s.HighlightStep = -(s.Highlight / 20.0);
    s.HighlightSteps = 0;
  }
  Hovered = slotNumber;
  if (Hovered >= 1 && Hovered <= kSlotCount && Slots[Hovered - 1]) {
    TImageInfo& s = *Slots[Hovered - 1];
    s.Highlight = 1.0;
    s.HighlightSteps = 20;
  }
}

bool TRibbon::CanTransform() {
  if (model_.Count() == 0 || Animating || !Slots[kCentreSlot]) {
    return false;
  }
  const TImageInfo& s = *Slots[kCentreSlot];
  const TImageFileInfo* r = model_.FileAt(s.ListIndex);
  return s.State == TSlotState::Idle && r != nullptr && !r->IsFolder;
}

bool TRibbon::Rotate(bool right) {
  if (!CanTransform()) {
    return false;
  }
  TImageInfo& s = *Slots[kCentreSlot];
  s.AngleStep = RotateStep(right, s.FlipAboutX, s.FlipAboutY);
  s.State = TSlotState::Rotating;
  s.Counter = 0;
  return true;
}

bool TRibbon::StartFlip(TSlotState state) {
  if (!CanTransform()) {
    return false;
  }
  TImageInfo& s = *Slots[kCentreSlot];
  s.AngleStep = 9;
  s.State = state;
  s.Counter = 0;
  return true;
}

bool TRibbon::FlipHorizontally() {
  return StartFlip(TSlotState::FlippingY);
}
bool TRibbon::FlipVertically() {
  return StartFlip(TSlotState::FlippingX);
}

bool TRibbon::MoveLeft() {
  if (model_.Count() == 0 || TargetIndex <= 0) {
    return false;
  }
  model_.FocusRow(TargetIndex - 1, TRibbonFocus::Move);
  return true;
}

bool TRibbon::MoveRight() {
  if (model_.Count() == 0 || TargetIndex >= model_.Count() - 1) {
    return false;
  }
  model_.FocusRow(TargetIndex + 1, TRibbonFocus::Move);
  return true;
}

void TRibbon::Wheel(int delta, bool ctrl, bool otherModifier) {
  try {
    if (ctrl && !otherModifier) {
      WheelSteps.Reset();
      ZoomSteps.Add(delta);
      // While a zoom runs the notches wait for it; the poll step starts them.
      if (Zoom.StepsLeft >= 10) {
        const int notches = ZoomSteps.TakeNotches();
        if (notches != 0) {
          ZoomWheel(Zoom, notches * TWheelAccumulator::kNotch);
        }
      }
      return;
    }
    if (ctrl || otherModifier || model_.Count() == 0) {
      return;
    }
    WheelSteps.Add(delta);
    const int notches = WheelSteps.TakeNotches();
    if (notches == 0) {
      return;
    }
    const int row = WheelRow(TargetIndex, model_.Count(), notches * TWheelAccumulator::kNotch);
    if (row >= 0) {
      model_.FocusRow(row, TRibbonFocus::Wheel);
    }
  } catch (const std::exception& e) {
    ShowError("Form.OnMouseWheel: ", ErrorText(e));
  }
}

int TRibbon::HoveredEntry() {
  if (Hovered < 1 || Hovered > kSlotCount) {
    return -1;
  }
  const int e = CurrentIndex + Hovered - 5;
  return e >= 0 && e < model_.Count() ? e : -1;
}

bool TRibbon::ClickHovered() {
  try {
    const int e = HoveredEntry();
    if (e < 0) {
      return false;
    }
    model_.FocusRow(e, TRibbonFocus::Click);
    return true;
  } catch (const std::exception& e) {
    ShowError("veskGlOut.OnMouseDown: ", ErrorText(e));
    return false;
  }
}

int TRibbon::DoubleClickEntry() {
  if (Hovered != 5 || Animating || !Slots[kCentreSlot]) {
    return -1;
  }
  const int e = Slots[kCentreSlot]->ListIndex;
  return model_.FileAt(e) != nullptr ? e : -1;
}

}  // namespace glimr
