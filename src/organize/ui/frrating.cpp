#include "organize/ui/frrating.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include <cmath>

#include "common/language.h"
#include "organize/ui/filterchoicetree.h"

namespace glimr {

namespace {

constexpr int kStarSide = 12;
constexpr int kMaxStars = 5;
constexpr int kCapOneStar = 19;  // 19..23: One Star .. Five Stars
constexpr int kCapNoRating = 116;
// The entries in the order shown: the ratings 1 to 5, then "No Rating".
constexpr int kRatingOrder[] = {1, 2, 3, 4, 5, 0};

QPolygonF StarShape(double x, double side) {
  QPolygonF star;
  const double cx = x + side / 2.0;
  const double cy = side / 2.0;
  for (int i = 0; i < 10; ++i) {
    const double r = (i % 2 == 0) ? side / 2.0 : side / 5.0;
    const double a = -M_PI / 2.0 + i * M_PI / 5.0;
    star << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
  }
  return star;
}

// A row of count orange stars; for 0 one grey star crossed out in red.
QIcon StarsIcon(int count) {
  QPixmap pixmap(kStarSide * kMaxStars, kStarSide);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x80, 0x50, 0x00), 0.8));
  if (count == 0) {
    p.setBrush(QColor(0xa0, 0xa0, 0xa0));
    p.drawPolygon(StarShape(0, kStarSide));
    p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 1.6));
    p.drawLine(QPointF(1, 1), QPointF(kStarSide - 1, kStarSide - 1));
    p.drawLine(QPointF(kStarSide - 1, 1), QPointF(1, kStarSide - 1));
  } else {
    p.setBrush(QColor(0xff, 0x99, 0x00));
    for (int i = 0; i < count; ++i) {
      p.drawPolygon(StarShape(i * kStarSide, kStarSide));
    }
  }
  return QIcon(pixmap);
}

QString RatingText(int rating) {
  return rating == 0 ? LangText(TLangSection::Captions, kCapNoRating)
                     : LangText(TLangSection::Captions, kCapOneStar + rating - 1);
}

}  // namespace

TfrRating::TfrRating(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TfrRating"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(4, 4, 4, 4);
  tvStars_ = new TFilterChoiceTree(this);
  tvStars_->setObjectName(QStringLiteral("tvStars"));
  tvStars_->setRootIsDecorated(false);
  tvStars_->setIconSize(QSize(kStarSide * kMaxStars, kStarSide));
  for (int rating : kRatingOrder) {
    tvStars_->AddChoice(nullptr, RatingText(rating), rating, StarsIcon(rating));
  }
  // Six rows need no scrolling; half a row of empty space below them takes
  // the press that clears the choice.
  tvStars_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int row = tvStars_->sizeHintForRow(0);
  const int rows = static_cast<int>(std::size(kRatingOrder));
  tvStars_->setFixedHeight(row * rows + row / 2 + 2 * tvStars_->frameWidth());
  col->addWidget(tvStars_);
  connect(tvStars_, &TFilterChoiceTree::choiceChanged, this, &TfrRating::ratingsChanged);
  ApplyLanguage();
}

QList<int> TfrRating::ChosenRatings() const {
  return tvStars_->ChosenValues();
}

void TfrRating::ApplyLanguage() {
  for (int i = 0; i < tvStars_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tvStars_->topLevelItem(i);
    item->setText(0, RatingText(TFilterChoiceTree::ValueOf(item)));
  }
}

}  // namespace glimr
