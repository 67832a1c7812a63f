#include "organize/ui/frfileinfo.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

#include "common/language.h"
#include "organize/ui/starview.h"

namespace glimr {

namespace {

constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPerDepth = 12;

// Indents each category in the drop-down by its depth, so the list reads as
// the tree it mirrors; the closed box shows the plain name.
class TIndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem indented = option;
    indented.rect.adjust(Indent(index), 0, 0, 0);
    QStyledItemDelegate::paint(painter, indented, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
  }

 private:
  static int Indent(const QModelIndex& index) {
    // A tree of any depth stays usable: the indent stops growing at 20 levels.
    return std::min(index.data(kDepthRole).toInt(), 20) * kIndentPerDepth;
  }
};

// cbCategory: choosing a category assigns it to the selected images, so
// only a deliberate choice may change it. QComboBox steps through its items
// on every wheel turn and reports each step as activated; here the wheel is
// left to the page, which scrolls, and the wheel does not take the focus.
class TCategoryBox : public QComboBox {
 public:
  explicit TCategoryBox(QWidget* parent) : QComboBox(parent) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

// Longer than any line an edit can show; the rest is never measured.
constexpr int kLongestShown = 2000;

}  // namespace

TOneLineEdit::TOneLineEdit(QWidget* parent) : QLineEdit(parent) {
  // QLineEdit cuts a text to 32767 characters by default; a caption is kept whole.
  setMaxLength(std::numeric_limits<int>::max());
}

QString TOneLineEdit::ShownText(int width) const {
  const QString full = text();
  QString line = full.left(kLongestShown);
  if (!line.isEmpty() && line.back().isHighSurrogate()) {
    line.chop(1);
  }
  line = OneLineText(line);
  if (line.size() < full.size()) {
    // Cut before measuring: the ellipsis stands for the part left out.
    line.chop(1);
    line.append(QChar(0x2026));
  }
  return fontMetrics().elidedText(line, Qt::ElideRight, width);
}

void TOneLineEdit::paintEvent(QPaintEvent* event) {
  if (hasFocus()) {
    QLineEdit::paintEvent(event);
    return;
  }
  QPainter p(this);
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, this);
  QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
  r = r.marginsRemoved(textMargins());
  r.adjust(2, 0, -2, 0);  // QLineEdit's own margin around its text
  p.setClipRect(r);
  p.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::Text));
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, ShownText(r.width()));
}

TfrFileInfo::TfrFileInfo(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsFileInfo"));
  auto* layout = new QVBoxLayout(this);

  auto addField = [this, layout](QLabel*& title, QWidget* field, const char* titleName) {
    title = new QLabel(this);
    title->setObjectName(QLatin1String(titleName));
    title->setBuddy(field);
    layout->addWidget(title);
    layout->addWidget(field);
  };

  edFileName_ = new TOneLineEdit(this);
  edFileName_->setObjectName(QStringLiteral("edFileName"));
  edFileName_->setReadOnly(true);
  addField(lblFileNameTitle_, edFileName_, "lblFileNameTitle");

  edCaption_ = new TOneLineEdit(this);
  edCaption_->setObjectName(QStringLiteral("edCaption"));
  addField(lblCaptionTitle_, edCaption_, "lblCaptionTitle");

  svRating_ = new TStarView(this);
  svRating_->setObjectName(QStringLiteral("svRating"));
  svRating_->SetStarsNum(5);
  svRating_->SetBkColor(QColor(24, 24, 33));
  svRating_->setFixedSize(96, 16);
  addField(lblRatingTitle_, svRating_, "lblRatingTitle");

  edCatalog_ = new TOneLineEdit(this);
  edCatalog_->setObjectName(QStringLiteral("edCatalog"));
  edCatalog_->setReadOnly(true);
  addField(lblCatalogTitle_, edCatalog_, "lblCatalogTitle");

  cbCategory_ = new TCategoryBox(this);
  cbCategory_->setObjectName(QStringLiteral("cbCategory"));
  cbCategory_->setItemDelegate(new TIndentDelegate(cbCategory_));
  cbCategory_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbCategory_->setMinimumContentsLength(8);
  addField(lblCategoryTitle_, cbCategory_, "lblCategoryTitle");

  auto makeValue = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
  };
  lblDimensions_ = makeValue("lblDimensions");
  addField(lblDimensionsTitle_, lblDimensions_, "lblDimensionsTitle");
  lblDateTime_ = makeValue("lblDateTime");
  addField(lblDateTimeTitle_, lblDateTime_, "lblDateTimeTitle");
  lblFileSize_ = makeValue("lblFileSize");
  addField(lblFileSizeTitle_, lblFileSize_, "lblFileSizeTitle");
  layout->addStretch(1);

  connect(edCaption_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!suppressCaption_) {
      Q_EMIT captionEdited(text);
    }
  });
  connect(svRating_, &TStarView::starsSelected, this, &TfrFileInfo::ratingChosen);
  connect(cbCategory_, &QComboBox::activated, this, [this](int index) {
    Q_EMIT categoryChosen(cbCategory_->itemData(index, Qt::UserRole).toInt());
  });

  ApplyLanguage();
  ShowProperties(TFileProperties{});
}

void TfrFileInfo::SetCatalogPathLookup(std::function<QString(std::int32_t)> lookup) {
  catalogPath_ = std::move(lookup);
  ShowProperties(shown_);
}

void TfrFileInfo::SetCategories(const TCategoryItems& items) {
  const std::int32_t keep = ShownCategory();
  const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
  cbCategory_->clear();
  for (const TCategoryItem& item : items) {
    cbCategory_->addItem(icon, item.Name, QVariant::fromValue<int>(item.ID));
    cbCategory_->setItemData(cbCategory_->count() - 1, item.Depth, kDepthRole);
  }
  ShowCategory(keep);
}

std::int32_t TfrFileInfo::ShownCategory() const {
  const int index = cbCategory_->currentIndex();
  return index < 0 ? 0 : cbCategory_->itemData(index, Qt::UserRole).toInt();
}

void TfrFileInfo::ShowCategory(std::int32_t id) {
  // No item has ID 0, so "no category" and an unknown ID both show none.
  cbCategory_->setCurrentIndex(id == 0 ? -1 : cbCategory_->findData(id, Qt::UserRole));
}

void TfrFileInfo::ShowProperties(const TFileProperties& props) {
  shown_ = props;
  suppressCaption_ = true;
  edFileName_->setText(props.FileName);
  // Setting the same text again would move the cursor of a user typing.
  if (edCaption_->text() != props.Caption) {
    edCaption_->setText(props.Caption);
  }
  suppressCaption_ = false;
  svRating_->SetStarsSelected(props.Rating);
  edCatalog_->setText(props.CatalogID != 0 && catalogPath_ ? catalogPath_(props.CatalogID)
                                                           : QString());
  ShowCategory(props.CategoryID);
  lblDimensions_->setText(DimensionsText(props));
  lblDateTime_->setText(FileDateText(props));
  lblFileSize_->setText(FileSizeText(props));
}

void TfrFileInfo::ApplyLanguage() {
  const auto set = [](QLabel* title, QWidget* field, int key) {
    const QString text = LangText(TLangSection::Captions, key);
    title->setText(text);
    QString name = text.trimmed();
    if (name.endsWith(QLatin1Char(':'))) {
      name.chop(1);
    }
    field->setAccessibleName(name);
  };
  set(lblFileNameTitle_, edFileName_, 51);
  set(lblCaptionTitle_, edCaption_, 52);
  set(lblRatingTitle_, svRating_, 53);
  set(lblCatalogTitle_, edCatalog_, 54);
  set(lblCategoryTitle_, cbCategory_, 55);
  set(lblDimensionsTitle_, lblDimensions_, 56);
  set(lblDateTimeTitle_, lblDateTime_, 57);
  set(lblFileSizeTitle_, lblFileSize_, 58);
  // The size words ("Kb", "Mb") belong to the language too.
  lblFileSize_->setText(FileSizeText(shown_));
}

}  // namespace glimr
