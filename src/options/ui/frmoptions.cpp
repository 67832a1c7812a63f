#include "options/ui/frmoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>

#include "common/language.h"
#include "options/captionfonts.h"

namespace glimr {

namespace {

// Caption keys of the dialog's texts.
constexpr int kCapTitle = 85;
constexpr int kCapCancel = 86;
constexpr int kCapOk = 87;
constexpr int kCapCash = 88;
constexpr int kCapClearCash = 89;
constexpr int kCapStandardOptions = 90;
constexpr int kCapThumbAntialiasing = 91;
constexpr int kCapShowCaptions = 92;
constexpr int kCapCaptionText = 93;
constexpr int kCapBold = 94;  // 94 to 97: the four style items
constexpr int kCapFontStyle = 98;
constexpr int kCapFontName = 99;
constexpr int kCapFontColor = 100;
constexpr int kCapPreviewText = 101;
constexpr int kCapThumbnails = 102;
constexpr int kCapShowHighlighting = 103;
constexpr int kCapSmoothThumb = 104;
constexpr int kCapThumbQuality = 105;
constexpr int kCapChangeColor = 106;
constexpr int kCapInterface = 108;
constexpr int kCapLanguages = 109;
constexpr int kCapTextAntialiasing = 126;
constexpr int kCapSaveSelection = 152;
constexpr int kCapCashSize = 261;
constexpr int kCapViewer = 320;
constexpr int kCapSlideshowInterval = 321;
constexpr int kCapSeconds = 322;
constexpr int kHintSlideshowInterval = 70;

constexpr int kStyleItems = 4;
constexpr int kFirstDisabledStyle = 2;  // underline and strike-out are shown only
constexpr int kSwatchSide = 14;

QString Caption(int key) {
  return LangText(TLangSection::Captions, key);
}

// A label's text as the accessible name of the control it labels.
QString NameFromLabel(const QString& text) {
  QString name = text.trimmed();
  if (name.endsWith(QLatin1Char(':'))) {
    name.chop(1);
  }
  return name;
}

// The language list is read again each time it drops down, so a file put
// into the folder meanwhile shows up.
class TLanguageCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;

  void showPopup() override {
    if (BeforePopup) {
      BeforePopup();
    }
    QComboBox::showPopup();
  }
};

}  // namespace

TfrmOptions::TfrmOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmOptions"));
  setModal(true);
  chooser_ = [this](const QColor& initial, QWidget* p) {
    return ChooseColor(initial, p, selColor_->text());
  };

  auto* col = new QVBoxLayout(this);
  col->setSizeConstraint(QLayout::SetFixedSize);
  BuildStandardGroup();
  BuildCaptionGroup();
  BuildThumbnailsGroup();
  BuildViewerGroup();
  BuildCashGroup();
  BuildInterfaceGroup();
  for (QWidget* group :
       {static_cast<QWidget*>(gbStandardOptions_), static_cast<QWidget*>(gbCaptionText_),
        static_cast<QWidget*>(gbThumbnails_), static_cast<QWidget*>(gbViewer_),
        static_cast<QWidget*>(gbCash_), static_cast<QWidget*>(gbInterface_)}) {
    col->addWidget(group);
  }

  btnOk_ = new QPushButton(this);
  btnOk_->setObjectName(QStringLiteral("btnOk"));
  btnOk_->setDefault(true);
  btnCancel_ = new QPushButton(this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk_);
  buttons->addWidget(btnCancel_);
  col->addLayout(buttons);
  connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

  previewFont_ = pnlPreview_->font();
  ApplyCaptions();
  FillLanguageList();
  EnableCaptionGroup();
  UpdatePreview();
}

void TfrmOptions::BuildStandardGroup() {
  gbStandardOptions_ = new QGroupBox(this);
  gbStandardOptions_->setObjectName(QStringLiteral("gbStandardOptions"));
  auto* v = new QVBoxLayout(gbStandardOptions_);
  auto check = [this, v](const char* name) {
    auto* box = new QCheckBox(gbStandardOptions_);
    box->setObjectName(QLatin1String(name));
    v->addWidget(box);
    return box;
  };
  cbThumbAntialiasing_ = check("cbThumbAntialiasing");
  cbCapAntialiasing_ = check("cbCapAntialiasing");
  cbShowCaptions_ = check("cbShowCaptions");
  cbSaveSelection_ = check("cbSaveSelection");
  connect(cbShowCaptions_, &QCheckBox::toggled, this, [this] { EnableCaptionGroup(); });
}

void TfrmOptions::BuildCaptionGroup() {
  gbCaptionText_ = new QGroupBox(this);
  gbCaptionText_->setObjectName(QStringLiteral("gbCaptionText"));
  auto* grid = new QGridLayout(gbCaptionText_);

  lblFontName_ = new QLabel(gbCaptionText_);
  fontListBox_ = new QListWidget(gbCaptionText_);
  fontListBox_->setObjectName(QStringLiteral("fontListBox"));
  fontListBox_->addItems(CaptionFontFaces());
  fontListBox_->setMinimumHeight(150);
  lblFontName_->setBuddy(fontListBox_);

  lblFontStyle_ = new QLabel(gbCaptionText_);
  checkListBox_ = new QListWidget(gbCaptionText_);
  checkListBox_->setObjectName(QStringLiteral("checkListBox"));
  for (int i = 0; i < kStyleItems; ++i) {
    auto* item = new QListWidgetItem(checkListBox_);
    item->setCheckState(Qt::Unchecked);
    if (i >= kFirstDisabledStyle) {
      item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
    }
  }
  checkListBox_->setFixedHeight(checkListBox_->sizeHintForRow(0) * kStyleItems +
                                2 * checkListBox_->frameWidth() + 4);
  lblFontStyle_->setBuddy(checkListBox_);

  lblInfo1_ = new QLabel(gbCaptionText_);
  lblInfo1_->setObjectName(QStringLiteral("lblInfo1"));
  pnlColor_ = new TColorPalette(gbCaptionText_);
  pnlColor_->setObjectName(QStringLiteral("pnlColor"));
  lblInfo1_->setBuddy(pnlColor_);

  pnlPreview_ = new QLabel(gbCaptionText_);
  pnlPreview_->setObjectName(QStringLiteral("pnlPreview"));
  pnlPreview_->setAlignment(Qt::AlignCenter);
  pnlPreview_->setFrameShape(QFrame::Panel);
  pnlPreview_->setFrameShadow(QFrame::Sunken);
  pnlPreview_->setMinimumHeight(44);
  // The ribbon draws captions over a black background.
  pnlPreview_->setAutoFillBackground(true);

  grid->addWidget(lblFontName_, 0, 0);
  grid->addWidget(fontListBox_, 1, 0, 4, 1);
  grid->addWidget(lblFontStyle_, 0, 1);
  grid->addWidget(checkListBox_, 1, 1);
  grid->addWidget(lblInfo1_, 2, 1);
  grid->addWidget(pnlColor_, 3, 1);
  grid->setRowStretch(4, 1);
  grid->addWidget(pnlPreview_, 5, 0, 1, 2);

  connect(fontListBox_, &QListWidget::currentRowChanged, this, [this] { UpdatePreview(); });
  connect(checkListBox_, &QListWidget::itemChanged, this, [this] { UpdatePreview(); });
  connect(pnlColor_, &TColorPalette::SelectionChanged, this, [this] { UpdatePreview(); });
}

void TfrmOptions::BuildThumbnailsGroup() {
  gbThumbnails_ = new QGroupBox(this);
  gbThumbnails_->setObjectName(QStringLiteral("gbThumbnails"));
  auto* grid = new QGridLayout(gbThumbnails_);
  cbShowHighlighting_ = new QCheckBox(gbThumbnails_);
  cbShowHighlighting_->setObjectName(QStringLiteral("cbShowHighlighting"));
  selColor_ = new QPushButton(gbThumbnails_);
  selColor_->setObjectName(QStringLiteral("selColor"));
  cbSmoothThumb_ = new QCheckBox(gbThumbnails_);
  cbSmoothThumb_->setObjectName(QStringLiteral("cbSmoothThumb"));
  lblInfo2_ = new QLabel(gbThumbnails_);
  lblInfo2_->setObjectName(QStringLiteral("lblInfo2"));
  tbQuality_ = new QSlider(Qt::Horizontal, gbThumbnails_);
  tbQuality_->setObjectName(QStringLiteral("tbQuality"));
  tbQuality_->setRange(0, static_cast<int>(ThumbSizes.size()) - 1);
  tbQuality_->setTickPosition(QSlider::TicksBelow);
  tbQuality_->setPageStep(1);
  // The quality is fixed at start-up; the bar only shows it.
  tbQuality_->setEnabled(false);
  lblInfo2_->setBuddy(tbQuality_);

  grid->addWidget(cbShowHighlighting_, 0, 0);
  grid->addWidget(selColor_, 0, 1);
  grid->addWidget(cbSmoothThumb_, 1, 0, 1, 2);
  grid->addWidget(lblInfo2_, 2, 0);
  grid->addWidget(tbQuality_, 2, 1);

  connect(cbShowHighlighting_, &QCheckBox::toggled, selColor_, &QWidget::setEnabled);
  connect(selColor_, &QPushButton::clicked, this, [this] {
    if (!chooser_) {
      return;
    }
    if (const std::optional<QColor> c = chooser_(halo_, this)) {
      SetHaloColor(*c);
    }
  });
}

void TfrmOptions::BuildViewerGroup() {
  gbViewer_ = new QGroupBox(this);
  gbViewer_->setObjectName(QStringLiteral("gbViewer"));
  auto* h = new QHBoxLayout(gbViewer_);
  lblSlideshowInterval_ = new QLabel(gbViewer_);
  seSlideshowInterval_ = new QSpinBox(gbViewer_);
  seSlideshowInterval_->setObjectName(QStringLiteral("seSlideshowInterval"));
  seSlideshowInterval_->setRange(kMinSlideshowInterval, kMaxSlideshowInterval);
  lblSlideshowInterval_->setBuddy(seSlideshowInterval_);
  h->addWidget(lblSlideshowInterval_);
  h->addWidget(seSlideshowInterval_);
  h->addStretch(1);
}

void TfrmOptions::BuildCashGroup() {
  gbCash_ = new QGroupBox(this);
  gbCash_->setObjectName(QStringLiteral("gbCash"));
  auto* h = new QHBoxLayout(gbCash_);
  lblCashSize_ = new QLabel(gbCash_);
  seCashSize_ = new QSpinBox(gbCash_);
  seCashSize_->setObjectName(QStringLiteral("seCashSize"));
  seCashSize_->setRange(kMinCashSize, kMaxCashSize);
  lblCashSize_->setBuddy(seCashSize_);
  btnClearCash_ = new QPushButton(gbCash_);
  btnClearCash_->setObjectName(QStringLiteral("btnClearCash"));
  // Emptying the cache while this modal dialog is open would rebuild the
  // ribbon behind it; the main window's action does it instead.
  btnClearCash_->setEnabled(false);
  h->addWidget(lblCashSize_);
  h->addWidget(seCashSize_);
  h->addStretch(1);
  h->addWidget(btnClearCash_);
  connect(btnClearCash_, &QPushButton::clicked, this, &TfrmOptions::ClearCashRequested);
}

void TfrmOptions::BuildInterfaceGroup() {
  gbInterface_ = new QGroupBox(this);
  gbInterface_->setObjectName(QStringLiteral("gbInterface"));
  auto* h = new QHBoxLayout(gbInterface_);
  lblLanguages_ = new QLabel(gbInterface_);
  auto* combo = new TLanguageCombo(gbInterface_);
  combo->BeforePopup = [this] { FillLanguageList(); };
  cbLanguages_ = combo;
  cbLanguages_->setObjectName(QStringLiteral("cbLanguages"));
  cbLanguages_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  cbLanguages_->setMinimumContentsLength(20);
  lblLanguages_->setBuddy(cbLanguages_);
  h->addWidget(lblLanguages_);
  h->addWidget(cbLanguages_, 1);
}

void TfrmOptions::ApplyCaptions() {
  setWindowTitle(Caption(kCapTitle));
  btnCancel_->setText(Caption(kCapCancel));
  btnOk_->setText(Caption(kCapOk));
  gbCash_->setTitle(Caption(kCapCash));
  btnClearCash_->setText(Caption(kCapClearCash));
  gbStandardOptions_->setTitle(Caption(kCapStandardOptions));
  cbThumbAntialiasing_->setText(Caption(kCapThumbAntialiasing));
  cbCapAntialiasing_->setText(Caption(kCapTextAntialiasing));
  cbShowCaptions_->setText(Caption(kCapShowCaptions));
  cbSaveSelection_->setText(Caption(kCapSaveSelection));
  gbCaptionText_->setTitle(Caption(kCapCaptionText));
  for (int i = 0; i < kStyleItems; ++i) {
    checkListBox_->item(i)->setText(Caption(kCapBold + i));
  }
  lblFontStyle_->setText(Caption(kCapFontStyle));
  lblFontName_->setText(Caption(kCapFontName));
  lblInfo1_->setText(Caption(kCapFontColor));
  pnlPreview_->setText(Caption(kCapPreviewText));
  gbThumbnails_->setTitle(Caption(kCapThumbnails));
  cbShowHighlighting_->setText(Caption(kCapShowHighlighting));
  cbSmoothThumb_->setText(Caption(kCapSmoothThumb));
  lblInfo2_->setText(Caption(kCapThumbQuality));
  selColor_->setText(Caption(kCapChangeColor));
  gbInterface_->setTitle(Caption(kCapInterface));
  lblLanguages_->setText(Caption(kCapLanguages));
  lblCashSize_->setText(
      LangText(TLangSection::Captions, kCapCashSize, QStringLiteral("Cash Size:")));
  gbViewer_->setTitle(Caption(kCapViewer));
  lblSlideshowInterval_->setText(Caption(kCapSlideshowInterval));
  seSlideshowInterval_->setSuffix(QLatin1Char(' ') + Caption(kCapSeconds));
  seSlideshowInterval_->setToolTip(LangText(TLangSection::Hints, kHintSlideshowInterval));
  seSlideshowInterval_->setAccessibleDescription(seSlideshowInterval_->toolTip());
  if (cbLanguages_->count() > 0) {
    cbLanguages_->setItemText(0, DefaultLanguageText());
  }

  // Accessible names: a button's or check box's text, else the label's.
  for (QAbstractButton* b :
       {static_cast<QAbstractButton*>(btnOk_), static_cast<QAbstractButton*>(btnCancel_),
        static_cast<QAbstractButton*>(btnClearCash_), static_cast<QAbstractButton*>(selColor_),
        static_cast<QAbstractButton*>(cbThumbAntialiasing_),
        static_cast<QAbstractButton*>(cbCapAntialiasing_),
        static_cast<QAbstractButton*>(cbShowCaptions_),
        static_cast<QAbstractButton*>(cbSaveSelection_),
        static_cast<QAbstractButton*>(cbShowHighlighting_),
        static_cast<QAbstractButton*>(cbSmoothThumb_)}) {
    b->setAccessibleName(b->text());
  }
  for (QLabel* label : {lblFontName_, lblFontStyle_, lblInfo1_, lblInfo2_, lblSlideshowInterval_,
                        lblCashSize_, lblLanguages_}) {
    label->buddy()->setAccessibleName(NameFromLabel(label->text()));
  }
  pnlColor_->ApplyCaptions(NameFromLabel(lblInfo1_->text()));
  pnlPreview_->setAccessibleName(pnlPreview_->text());
}

void TfrmOptions::SetColorChooser(TColorPalette::TColorChooser chooser) {
  chooser_ = chooser;
  pnlColor_->SetColorChooser(std::move(chooser));
}

void TfrmOptions::Fill(const TSettings& settings) {
  cbThumbAntialiasing_->setChecked(settings.AntialiasingThumbEnabled);
  cbCapAntialiasing_->setChecked(settings.AntialiasingTextEnabled);
  cbShowCaptions_->setChecked(settings.ShowCaptionsText);
  EnableCaptionGroup();

  QList<QListWidgetItem*> faces =
      fontListBox_->findItems(settings.CapFontName, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (faces.isEmpty() && !settings.CapFontName.isEmpty()) {
    // A face the system substitutes ("Arial" drawn with Liberation Sans)
    // shows the face that actually draws the captions.
    const QString drawn = QFontInfo(QFont(settings.CapFontName)).family();
    faces = fontListBox_->findItems(drawn, Qt::MatchExactly | Qt::MatchCaseSensitive);
  }
  if (faces.isEmpty()) {
    fontListBox_->setCurrentRow(-1);
    fontListBox_->clearSelection();
  } else {
    fontListBox_->setCurrentItem(faces.first());
    fontListBox_->scrollToItem(faces.first());
  }
  filledFace_ = SelectedFace();
  {
    const QSignalBlocker block(checkListBox_);
    for (int i = 0; i < kStyleItems; ++i) {
      checkListBox_->item(i)->setCheckState(settings.CapFontStyle[i] != 0 ? Qt::Checked
                                                                          : Qt::Unchecked);
    }
  }
  pnlColor_->SetSelectedColor(
      QColor(settings.CapRValue & 255, settings.CapGValue & 255, settings.CapBValue & 255));

  cbShowHighlighting_->setChecked(settings.ShowHalo);
  selColor_->setEnabled(settings.ShowHalo);
  SetHaloColor(
      QColor(settings.HaloRValue & 255, settings.HaloGValue & 255, settings.HaloBValue & 255));
  cbSmoothThumb_->setChecked(settings.SmoothThumb);

  seSlideshowInterval_->setValue(settings.SlideshowInterval);
  slideshowShown_ = seSlideshowInterval_->value();
  seCashSize_->setValue(ClampCashSize(settings.CashSize));
  cashShown_ = seCashSize_->value();
  tbQuality_->setValue(settings.ThumbQuality);
  qualityShown_ = tbQuality_->value();

  languageFolders_ = QStringList{settings.LanguagesPath, settings.ShippedLanguagesPath};
  storedLanguagePath_ = LanguageFilePath(settings, settings.LanguageFile);
  cbLanguages_->clear();  // so the refill selects the stored language
  FillLanguageList();
  filledLanguagePath_ = SelectedLanguagePath();
  cbSaveSelection_->setChecked(settings.SaveCrrSelection);
  UpdatePreview();
}

TSettings TfrmOptions::Chosen(const TSettings& settings) const {
  TSettings s = settings;
  s.AntialiasingThumbEnabled = cbThumbAntialiasing_->isChecked();
  s.AntialiasingTextEnabled = cbCapAntialiasing_->isChecked();
  s.ShowCaptionsText = cbShowCaptions_->isChecked();
  s.SaveCrrSelection = cbSaveSelection_->isChecked();

  const QColor cap = pnlColor_->SelectedColor();
  s.CapRValue = cap.red();
  s.CapGValue = cap.green();
  s.CapBValue = cap.blue();
  s.CapFontStyle = CheckedStyle();
  // The face shown for a substituted one stands for it until another is
  // picked.
  if (const QString face = SelectedFace(); !face.isEmpty() && face != filledFace_) {
    s.CapFontName = face;
  }

  s.ShowHalo = cbShowHighlighting_->isChecked();
  s.HaloRValue = halo_.red();
  s.HaloGValue = halo_.green();
  s.HaloBValue = halo_.blue();
  s.SmoothThumb = cbSmoothThumb_->isChecked();
  s.SlideshowInterval =
      ChosenValue(settings.SlideshowInterval, slideshowShown_, seSlideshowInterval_->value());
  s.CashSize = ChosenValue(settings.CashSize, cashShown_, seCashSize_->value());
  s.ThumbQuality = ChosenValue(settings.ThumbQuality, qualityShown_, tbQuality_->value());

  const QString language = SelectedLanguagePath();
  if (language != filledLanguagePath_) {
    s.LanguageFile = language.isEmpty() ? QString() : QFileInfo(language).fileName();
  }
  return s;
}

void TfrmOptions::SetQualityRange(const TQualityRange& range) {
  tbQuality_->setMaximum(range.Maximum);
  tbQuality_->setValue(range.Position);
  qualityShown_ = tbQuality_->value();
}

void TfrmOptions::FillLanguageList() {
  // A refill keeps what the user picked; the first fill after Fill selects
  // the language in force.
  const QString keep = cbLanguages_->count() > 0 ? SelectedLanguagePath() : storedLanguagePath_;
  languages_ = BuildLanguageList(languageFolders_);
  const QSignalBlocker block(cbLanguages_);
  cbLanguages_->clear();
  for (const TLanguageItem& item : languages_) {
    cbLanguages_->addItem(item.Description);
  }
  cbLanguages_->setCurrentIndex(LanguageIndexOf(languages_, keep));
}

QString TfrmOptions::SelectedLanguagePath() const {
  const int i = cbLanguages_->currentIndex();
  return i > 0 && i < languages_.size() ? languages_[i].Path : QString();
}

void TfrmOptions::showEvent(QShowEvent* event) {
  UpdatePreview();
  QDialog::showEvent(event);
}

std::array<std::uint8_t, 4> TfrmOptions::CheckedStyle() const {
  std::array<std::uint8_t, 4> style{};
  for (int i = 0; i < kStyleItems; ++i) {
    style[i] = checkListBox_->item(i)->checkState() == Qt::Checked ? 1 : 0;
  }
  return style;
}

void TfrmOptions::UpdatePreview() {
  // With no face selected the preview keeps the face it has.
  previewFont_ = CaptionFont(previewFont_, SelectedFace(), CheckedStyle());
  QFont shown = previewFont_;
  shown.setPointSizeF(std::max(shown.pointSizeF(), 14.0));
  pnlPreview_->setFont(shown);
  QPalette pal = pnlPreview_->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, pnlColor_->SelectedColor());
  pnlPreview_->setPalette(pal);
}

QString TfrmOptions::SelectedFace() const {
  const QListWidgetItem* face = fontListBox_->currentItem();
  return face && face->isSelected() ? face->text() : QString();
}

QFont TfrmOptions::PreviewFont() const {
  return pnlPreview_->font();
}

QColor TfrmOptions::PreviewColor() const {
  return pnlPreview_->palette().color(QPalette::WindowText);
}

void TfrmOptions::SetHaloColor(const QColor& color) {
  halo_ = color;
  QPixmap swatch(kSwatchSide, kSwatchSide);
  swatch.fill(color);
  selColor_->setIcon(QIcon(swatch));
  selColor_->setToolTip(PaletteText(color));
}

void TfrmOptions::EnableCaptionGroup() {
  gbCaptionText_->setEnabled(cbShowCaptions_->isChecked());
}

}  // namespace glimr
