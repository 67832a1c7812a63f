#pragma once
// The Properties section of the Search page (panel "fbProperties"): the
// file-type, dimension, size, date and rating frames, each in its own
// collapsible section.

#include <QWidget>

#include "search/searchrequest.h"

class QToolButton;

namespace glimr {

class TfrPropsFileType;
class TfrPropsFileDimens;
class TfrPropsFileSize;
class TfrPropsFileDate;
class TfrPropsFileRating;
class TSectionPanel;

class TfrSearchProperties : public QWidget {
  Q_OBJECT

 public:
  explicit TfrSearchProperties(QWidget* parent = nullptr);

  // Every frame's choice with its dialog's values, and the supported types.
  TPropertyChoices Choices() const;

  TfrPropsFileType* FileTypeFrame() const { return frFileType_; }
  TfrPropsFileDimens* DimensionsFrame() const { return frDimens_; }
  TfrPropsFileSize* SizeFrame() const { return frSize_; }
  TfrPropsFileDate* DateFrame() const { return frDate_; }
  TfrPropsFileRating* RatingFrame() const { return frRating_; }
  void ApplyLanguage();

 private:
  TSectionPanel* fbProperties_ = nullptr;
  TfrPropsFileType* frFileType_ = nullptr;
  TfrPropsFileDimens* frDimens_ = nullptr;
  TfrPropsFileSize* frSize_ = nullptr;
  TfrPropsFileDate* frDate_ = nullptr;
  TfrPropsFileRating* frRating_ = nullptr;
  QToolButton* btnFileType_ = nullptr;
  QToolButton* btnDimens_ = nullptr;
  QToolButton* btnSize_ = nullptr;
  QToolButton* btnDate_ = nullptr;
  QToolButton* btnRating_ = nullptr;
};

}  // namespace glimr
