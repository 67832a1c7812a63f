#pragma once
// TfrmOptions: the options dialog. Filled from the settings before it is
// shown, read back into settings on OK; it applies nothing itself (see
// OptionsExecute and ApplyOptions).

#include <QDialog>
#include <QList>

#include <array>
#include <cstdint>

#include "common/settings.h"
#include "options/languagelist.h"
#include "options/optionschanges.h"
#include "options/ui/colorpalette.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;

namespace glimr {

class TfrmOptions : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmOptions(QWidget* parent = nullptr);

  // Every control from settings; the language list from LanguagesPath with
  // the language in force selected.
  void Fill(const TSettings& settings);
  // settings with the values of the controls. A face only when one is
  // selected; a control the user left as filled keeps the stored value even
  // where the control had to clamp it, and so does the language when the
  // list still shows the one it was filled with.
  TSettings Chosen(const TSettings& settings) const;

  // The thumbnail quality track bar's range and position, once the
  // graphics are known (the main window's first showing).
  void SetQualityRange(const TQualityRange& range);

  // Reads the languages folder again, keeping the selected language.
  void FillLanguageList();
  // The selected language's file, empty for the built-in English.
  QString SelectedLanguagePath() const;

  // Every text of the dialog; also run on each language switch.
  void ApplyCaptions();

  // Replaces the colour dialog of the palette and the highlight button.
  void SetColorChooser(TColorPalette::TColorChooser chooser);

  TColorPalette* Palette() const { return pnlColor_; }
  QColor HaloColor() const { return halo_; }
  // The font, style and colour the preview shows.
  QFont PreviewFont() const;
  QColor PreviewColor() const;

 Q_SIGNALS:
  // "Clear Cash" was clicked (the main window's aClearCash).
  void ClearCashRequested();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildStandardGroup();
  void BuildCaptionGroup();
  void BuildThumbnailsGroup();
  void BuildViewerGroup();
  void BuildCashGroup();
  void BuildInterfaceGroup();
  void UpdatePreview();
  void SetHaloColor(const QColor& color);
  void EnableCaptionGroup();
  std::array<std::uint8_t, 4> CheckedStyle() const;
  QString SelectedFace() const;

  QGroupBox* gbStandardOptions_ = nullptr;
  QCheckBox* cbThumbAntialiasing_ = nullptr;
  QCheckBox* cbCapAntialiasing_ = nullptr;
  QCheckBox* cbShowCaptions_ = nullptr;
  QCheckBox* cbSaveSelection_ = nullptr;

  QGroupBox* gbCaptionText_ = nullptr;
  QLabel* lblFontName_ = nullptr;
  QListWidget* fontListBox_ = nullptr;
  QLabel* lblFontStyle_ = nullptr;
  QListWidget* checkListBox_ = nullptr;
  QLabel* lblInfo1_ = nullptr;
  TColorPalette* pnlColor_ = nullptr;
  QLabel* pnlPreview_ = nullptr;

  QGroupBox* gbThumbnails_ = nullptr;
  QCheckBox* cbShowHighlighting_ = nullptr;
  QPushButton* selColor_ = nullptr;
  QCheckBox* cbSmoothThumb_ = nullptr;
  QLabel* lblInfo2_ = nullptr;
  QSlider* tbQuality_ = nullptr;

  QGroupBox* gbViewer_ = nullptr;
  QLabel* lblSlideshowInterval_ = nullptr;
  QSpinBox* seSlideshowInterval_ = nullptr;

  QGroupBox* gbCash_ = nullptr;
  QLabel* lblCashSize_ = nullptr;
  QSpinBox* seCashSize_ = nullptr;
  QPushButton* btnClearCash_ = nullptr;

  QGroupBox* gbInterface_ = nullptr;
  QLabel* lblLanguages_ = nullptr;
  QComboBox* cbLanguages_ = nullptr;

  QPushButton* btnOk_ = nullptr;
  QPushButton* btnCancel_ = nullptr;

  QColor halo_{255, 255, 255};
  QFont previewFont_;
  TColorPalette::TColorChooser chooser_;
  QString filledFace_;           // the face the last Fill selected
  QStringList languageFolders_;  // the user's languages, then the shipped ones
  QString storedLanguagePath_;   // the language in force at the last Fill
  QString filledLanguagePath_;   // the item selected by the last Fill
  QList<TLanguageItem> languages_;
  int cashShown_ = 0;
  int slideshowShown_ = 0;
  int qualityShown_ = 0;
};

}  // namespace glimr
