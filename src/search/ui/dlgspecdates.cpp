#include "search/ui/dlgspecdates.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeEdit>

#include "common/language.h"

namespace glimr {

namespace {

constexpr int kCapDateTitle = 178;
constexpr int kCapAnd = 193;
constexpr int kCapBefore = 207;  // "after" 208, "between" 209

// The user's order of day, month and year with two-digit days and months
// and a four-digit year, so every date is typed in the same fixed width.
QString FixedWidthDateFormat() {
  QString format = QLocale().dateFormat(QLocale::ShortFormat);
  format.replace(QRegularExpression(QStringLiteral("d+")), QStringLiteral("dd"));
  format.replace(QRegularExpression(QStringLiteral("M+")), QStringLiteral("MM"));
  format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
  return format;
}

QDateEdit* MakeDateEdit(QWidget* parent, const QString& name) {
  auto* edit = new QDateEdit(QDate::currentDate(), parent);
  edit->setObjectName(name);
  edit->setDisplayFormat(FixedWidthDateFormat());
  edit->setCalendarPopup(true);
  edit->calendarWidget()->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
  return edit;
}

QTimeEdit* MakeTimeEdit(QWidget* parent, const QString& name) {
  auto* edit = new QTimeEdit(QTime(0, 0), parent);
  edit->setObjectName(name);
  edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  return edit;
}

}  // namespace

TdlgSpecDates::TdlgSpecDates(QWidget* parent)
    : TSpecDialog(parent, QStringLiteral("dlgSpecDates"), QStringLiteral("Set special dates")) {
  comboDateExpr_ = new QComboBox(this);
  comboDateExpr_->setObjectName(QStringLiteral("comboDateExpr"));
  for (int i = 0; i < 3; ++i) {
    comboDateExpr_->addItem(QString());
  }
  deSpec1_ = MakeDateEdit(this, QStringLiteral("deSpec1"));
  tpSpec1_ = MakeTimeEdit(this, QStringLiteral("tpSpec1"));
  lblAnd_ = new QLabel(this);
  deSpec2_ = MakeDateEdit(this, QStringLiteral("deSpec2"));
  tpSpec2_ = MakeTimeEdit(this, QStringLiteral("tpSpec2"));
  QGridLayout* grid = Body();
  grid->addWidget(comboDateExpr_, 0, 0);
  grid->addWidget(deSpec1_, 0, 1);
  grid->addWidget(tpSpec1_, 0, 2);
  grid->addWidget(lblAnd_, 1, 0, Qt::AlignRight);
  grid->addWidget(deSpec2_, 1, 1);
  grid->addWidget(tpSpec2_, 1, 2);
  // The dialog shortens while the second date is hidden.
  connect(comboDateExpr_, &QComboBox::currentIndexChanged, this, &TdlgSpecDates::ShowSecond);
  ApplyLanguage();
  ShowSecond();
}

TDateOperator TdlgSpecDates::Operator() const {
  const int i = comboDateExpr_->currentIndex();
  return static_cast<TDateOperator>(i < 0 ? 0 : i);
}

QDateTime TdlgSpecDates::First() const {
  return QDateTime(deSpec1_->date(), tpSpec1_->time());
}

QDateTime TdlgSpecDates::Second() const {
  return QDateTime(deSpec2_->date(), tpSpec2_->time());
}

void TdlgSpecDates::ShowSecond() {
  const bool between = Operator() == TDateOperator::Between;
  lblAnd_->setVisible(between);
  deSpec2_->setVisible(between);
  tpSpec2_->setVisible(between);
}

void TdlgSpecDates::ApplyOwnLanguage() {
  const QString title = LangText(TLangSection::Captions, kCapDateTitle);
  for (int i = 0; i < comboDateExpr_->count(); ++i) {
    comboDateExpr_->setItemText(i, LangText(TLangSection::Captions, kCapBefore + i));
  }
  comboDateExpr_->setAccessibleName(title);
  lblAnd_->setText(LangText(TLangSection::Captions, kCapAnd));
  deSpec1_->setAccessibleName(title);
  tpSpec1_->setAccessibleName(title);
  deSpec2_->setAccessibleName(title + u' ' + lblAnd_->text());
  tpSpec2_->setAccessibleName(title + u' ' + lblAnd_->text());
}

}  // namespace glimr
