#pragma once
// The rating stars of the File Info page: a "none" cell and StarsNum star
// cells; stars under the pointer light up and their glow fades out after the
// pointer leaves them; a click on another count reports it. Assistive
// technology sees a slider whose value is the number of selected stars.

#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace glimr {

class TStarView : public QWidget {
  Q_OBJECT

 public:
  explicit TStarView(QWidget* parent = nullptr);

  // The cell under x for a control `width` pixels wide: cells are
  // round(width / (starsNum + 1)) wide, cell 0 being "none". The result is
  // kept within 0 .. starsNum, also for a pointer in a wider control's last
  // pixels or left of it.
  static int CellAt(int x, int width, int starsNum);

  // Each byte round(e * a + (1 - e) * b) with e = fade / 10 (0..10); the
  // images are converted to one premultiplied format first, so transparent
  // parts stay transparent and the background shows through.
  static QImage BlendImages(const QImage& a, const QImage& b, int fade);

  int StarsNum() const { return starsNum_; }
  // Below 1 becomes 1. Resets the fades and grows the control to hold every
  // cell when it is too small.
  void SetStarsNum(int n);

  int StarsSelected() const { return starsSelected_; }
  // Kept within 0 .. StarsNum; sends no notification (that is for clicks).
  void SetStarsSelected(int n);
  // What a click on count n does (n kept within 0 .. StarsNum): when n
  // differs from StarsSelected, starsSelected(n) is sent, then the count
  // changes. Assistive technology sets the rating this way.
  void ChooseStars(int n);

  QColor BkColor() const { return bkColor_; }
  void SetBkColor(const QColor& color);

  // A null image restores the built-in 16 x 16 picture.
  void SetSelStar(const QImage& image);
  void SetHighStar(const QImage& image);
  void SetDeselStar(const QImage& image);
  void SetNoneStar(const QImage& image);

  int HoveredCount() const { return hovered_; }
  int FadeOf(int star) const;  // 0..10 for stars 1 .. StarsNum
  bool FadeTimerActive() const { return fadeTimer_.isActive(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 Q_SIGNALS:
  // The user clicked a count other than the selected one; sent before
  // StarsSelected changes to it.
  void starsSelected(int count);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void FadeTick();
  void UpdateCellSize();
  void UpdateAccessibleText();

  int starsNum_ = 1;
  int starsSelected_ = 0;
  QColor bkColor_ = Qt::black;
  QImage selStar_, highStar_, deselStar_, noneStar_;
  int hovered_ = 0;
  std::vector<int> fade_;  // index k for star k; index 0 unused
  QTimer fadeTimer_;
  QSize cell_;
};

}  // namespace glimr
