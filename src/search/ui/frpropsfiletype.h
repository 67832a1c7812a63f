#pragma once
// The file-type frame of the Properties section: the extensions to search
// (none listed: every extension the plug-ins read), added from the
// extensions not yet chosen.

#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QToolButton;

namespace glimr {

class TdlgFileTypes;

class TfrPropsFileType : public QWidget {
  Q_OBJECT

 public:
  // Every extension the plug-in set supports, in its order.
  using TTypeSource = std::function<QStringList()>;

  explicit TfrPropsFileType(QWidget* parent = nullptr);

  void SetTypeSource(TTypeSource source) { typeSource_ = std::move(source); }
  QStringList SupportedTypes() const;
  // The listed extensions in order.
  QStringList FileTypes() const;
  // btnAdd: offers the supported extensions not listed yet; the ones picked
  // are appended in the dialog's order.
  void AddTypes();
  void DeleteSelected();
  void ClearList();

  QListWidget* List() const { return lbFileTypes_; }
  TdlgFileTypes* Dialog() const { return dialog_; }
  void ApplyLanguage();

 private:
  QLabel* lblInfo1_ = nullptr;
  QListWidget* lbFileTypes_ = nullptr;
  QToolButton* btnAdd_ = nullptr;
  QToolButton* btnDel_ = nullptr;
  QToolButton* btnClear_ = nullptr;
  TdlgFileTypes* dialog_ = nullptr;
  TTypeSource typeSource_;
};

}  // namespace glimr
