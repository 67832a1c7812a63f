#pragma once
// The Rating section of the Filters page: six choices, One Star to Five
// Stars and No Rating, standing for the ratings 1 to 5 and 0.

#include <QList>
#include <QWidget>

namespace glimr {

class TFilterChoiceTree;

class TfrRating : public QWidget {
  Q_OBJECT

 public:
  explicit TfrRating(QWidget* parent = nullptr);

  TFilterChoiceTree* Tree() const { return tvStars_; }
  // The chosen ratings (0 = No Rating); none chosen = any rating.
  QList<int> ChosenRatings() const;
  void ApplyLanguage();

 Q_SIGNALS:
  void ratingsChanged();

 private:
  TFilterChoiceTree* tvStars_ = nullptr;
};

}  // namespace glimr
