// The options dialog: settings in, controls, settings out; what each control
// does to the chosen settings; captions, accessible names, and aOptions
// from opening to OK.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "common/captionregistry.h"
#include "common/language.h"
#include "options/captionfonts.h"
#include "options/ui/frmoptions.h"
#include "options/ui/optionsexecute.h"

using namespace glimr;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// A languages folder with two usable files and one the list leaves out.
struct TLanguages {
  QTemporaryDir dir;
  QString path;
  TLanguages() {
    path = dir.path() + QLatin1Char('/');
    WriteFile(path + "de.lng",
              "[Options]\nLangDesc=Deutsch\n[Captions]\n85=Optionen\n87=Ja\n260=Standard\n"
              "321=Diashow:\n322=Sek.\n");
    WriteFile(path + "fr.lng",
              "[Options]\nLangDesc=Fran\xc3\xa7"
              "ais\n");
    WriteFile(path + "old.lng", "[Captions]\n85=Alt\n");
  }
};

template <typename T>
T* Find(const QWidget& w, const char* name) {
  T* child = w.findChild<T*>(QLatin1String(name));
  if (!child) {
    qWarning("no control %s", name);
  }
  return child;
}

// A click where a check box's box is (a wide one ignores its empty right).
void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

}  // namespace

class TestFrmOptions : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  // Whatever the settings, the dialog gives them back unchanged when the
  // user changes nothing, so OK runs no step.
  void roundTrip_data() {
    QTest::addColumn<bool>("defaults");
    QTest::newRow("defaults") << true;
    QTest::newRow("every value away from its default") << false;
  }
  void roundTrip() {
    QFETCH(bool, defaults);
    TLanguages languages;
    TSettings in = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    in.LanguagesPath = languages.path;
    if (!defaults) {
      const QStringList faces = CaptionFontFaces();
      QVERIFY(!faces.isEmpty());
      in.AntialiasingThumbEnabled = true;
      in.AntialiasingTextEnabled = true;
      in.ShowCaptionsText = false;
      in.SaveCrrSelection = false;
      in.CapRValue = 18;
      in.CapGValue = 52;
      in.CapBValue = 86;
      in.CapFontName = faces.last();
      in.CapFontStyle = {1, 1, 0, 1};
      in.ShowHalo = false;
      in.HaloRValue = 200;
      in.HaloGValue = 100;
      in.HaloBValue = 0;
      in.SmoothThumb = false;
      in.CashSize = 1234;
      in.SlideshowInterval = 3600;
      in.ThumbQuality = 4;
      in.LanguageFile = QStringLiteral("fr.lng");
    }
    TfrmOptions dlg;
    dlg.Fill(in);
    const TSettings out = dlg.Chosen(in);
    QCOMPARE(out.CapFontName, in.CapFontName);
    QCOMPARE(out.CapFontStyle, in.CapFontStyle);
    QCOMPARE(out.CashSize, in.CashSize);
    QCOMPARE(out.SlideshowInterval, in.SlideshowInterval);
    QCOMPARE(Find<QSpinBox>(dlg, "seSlideshowInterval")->value(), in.SlideshowInterval);
    QCOMPARE(out.ThumbQuality, in.ThumbQuality);
    QCOMPARE(out.LanguageFile, in.LanguageFile);
    QVERIFY(!CompareOptions(in, out).Any());
    QCOMPARE(Find<QComboBox>(dlg, "cbLanguages")->currentText(),
             defaults ? QStringLiteral("Default(English)")
                      : QString::fromUtf8("Fran\xc3\xa7"
                                          "ais"));
    QCOMPARE(Find<QGroupBox>(dlg, "gbCaptionText")->isEnabled(), in.ShowCaptionsText);
    // "Arial" is drawn with a substitute: the list shows that face, and OK
    // keeps the stored name.
    const QString drawn = QFontInfo(QFont(in.CapFontName)).family();
    if (defaults && CaptionFontFaces().contains(drawn)) {
      const QList<QListWidgetItem*> selected =
          Find<QListWidget>(dlg, "fontListBox")->selectedItems();
      QCOMPARE(selected.size(), 1);
      QCOMPARE(selected.first()->text(), drawn);
    }
    QCOMPARE(Find<QPushButton>(dlg, "selColor")->isEnabled(), in.ShowHalo);
  }

  // Values the controls cannot show: clamped on screen, kept on OK unless
  // the user moves the control; a language the list does not offer stays.
  void storedValuesOutsideTheControls() {
    TLanguages languages;
    TSettings in = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    in.LanguagesPath = languages.path;
    in.CashSize = 5000;
    in.SlideshowInterval = 0;
    in.LanguageFile = QStringLiteral("old.lng");
    in.CapFontName = QStringLiteral("No Such Face 0815");
    TfrmOptions dlg;
    dlg.Fill(in);
    auto* spin = Find<QSpinBox>(dlg, "seCashSize");
    auto* fonts = Find<QListWidget>(dlg, "fontListBox");
    QCOMPARE(spin->value(), 2000);
    QCOMPARE(Find<QSpinBox>(dlg, "seSlideshowInterval")->value(), 1);
    QCOMPARE(Find<QComboBox>(dlg, "cbLanguages")->currentIndex(), 0);
    // An unknown face shows the one drawn in its place, if any is listed.
    QVERIFY(fonts->selectedItems().size() <= 1);
    QVERIFY(!CompareOptions(in, dlg.Chosen(in)).Any());

    spin->setValue(1500);
    QCOMPARE(dlg.Chosen(in).CashSize, 1500);
    // With no face selected a style change keeps the face.
    fonts->setCurrentRow(-1);
    QVERIFY(fonts->selectedItems().isEmpty());
    auto* styles = Find<QListWidget>(dlg, "checkListBox");
    styles->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(dlg.Chosen(in).CapFontName, in.CapFontName);
    QCOMPARE(dlg.Chosen(in).CapFontStyle, (std::array<std::uint8_t, 4>{1, 0, 0, 0}));
  }

  // Each control through the user's own gestures, and what it changes.
  void controls() {
    TLanguages languages;
    TSettings in = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    in.LanguagesPath = languages.path;
    TfrmOptions dlg;
    int chooserCalls = 0;
    dlg.SetColorChooser([&](const QColor&, QWidget*) {
      ++chooserCalls;
      return std::optional<QColor>(QColor(1, 2, 3));
    });
    dlg.Fill(in);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    Click(Find<QCheckBox>(dlg, "cbShowCaptions"));
    QVERIFY(!Find<QGroupBox>(dlg, "gbCaptionText")->isEnabled());
    Click(Find<QCheckBox>(dlg, "cbShowCaptions"));
    QVERIFY(Find<QGroupBox>(dlg, "gbCaptionText")->isEnabled());
    Click(Find<QCheckBox>(dlg, "cbShowHighlighting"));
    QVERIFY(!Find<QPushButton>(dlg, "selColor")->isEnabled());
    Click(Find<QCheckBox>(dlg, "cbShowHighlighting"));
    QVERIFY(!Find<QSlider>(dlg, "tbQuality")->isEnabled());
    QVERIFY(!Find<QPushButton>(dlg, "btnClearCash")->isEnabled());

    // Only "Italic" checked: the style bytes 00 01 00 00. Underline and
    // StrikeOut are shown but cannot be checked.
    auto* styles = Find<QListWidget>(dlg, "checkListBox");
    QCOMPARE(styles->count(), 4);
    QVERIFY(!(styles->item(2)->flags() & Qt::ItemIsUserCheckable));
    QVERIFY(!(styles->item(3)->flags() & Qt::ItemIsEnabled));
    styles->item(1)->setCheckState(Qt::Checked);

    // A face from the list; the preview follows face, style and colour.
    auto* fonts = Find<QListWidget>(dlg, "fontListBox");
    QVERIFY(fonts->count() > 0);
    const QString face = fonts->item(fonts->count() - 1)->text();
    fonts->setCurrentRow(fonts->count() - 1);
    QCOMPARE(dlg.PreviewFont().family(), face);
    QVERIFY(dlg.PreviewFont().italic());
    QVERIFY(!dlg.PreviewFont().bold());

    // Palette: another cell, then a double click gives a cell a new colour.
    TColorPalette* palette = dlg.Palette();
    QTest::mouseClick(palette->Cell(7), Qt::LeftButton);
    QCOMPARE(palette->SelectedIndex(), 7);
    QCOMPARE(dlg.PreviewColor(), QColor(0xFF, 0xD7, 0x00));
    QTest::mouseDClick(palette->Cell(8), Qt::LeftButton);
    QCOMPARE(chooserCalls, 1);
    QCOMPARE(palette->SelectedIndex(), 8);
    QCOMPARE(palette->CellColor(8), QColor(1, 2, 3));
    QCOMPARE(dlg.PreviewColor(), QColor(1, 2, 3));

    QTest::mouseClick(Find<QPushButton>(dlg, "selColor"), Qt::LeftButton);
    QCOMPARE(chooserCalls, 2);
    QCOMPARE(dlg.HaloColor(), QColor(1, 2, 3));

    Click(Find<QCheckBox>(dlg, "cbThumbAntialiasing"));
    Click(Find<QCheckBox>(dlg, "cbSmoothThumb"));
    Click(Find<QCheckBox>(dlg, "cbSaveSelection"));
    Find<QSpinBox>(dlg, "seCashSize")->setValue(60);
    auto* interval = Find<QSpinBox>(dlg, "seSlideshowInterval");
    QCOMPARE(interval->value(), 4);
    interval->setFocus();
    QTest::keyClick(interval, Qt::Key_Up);
    auto* combo = Find<QComboBox>(dlg, "cbLanguages");
    QCOMPARE(combo->count(), 3);
    combo->setCurrentIndex(1);

    const TSettings out = dlg.Chosen(in);
    QCOMPARE(out.CapFontStyle, (std::array<std::uint8_t, 4>{0, 1, 0, 0}));
    QCOMPARE(out.CapFontName, face);
    QCOMPARE(QColor(out.CapRValue, out.CapGValue, out.CapBValue), QColor(1, 2, 3));
    QCOMPARE(QColor(out.HaloRValue, out.HaloGValue, out.HaloBValue), QColor(1, 2, 3));
    QCOMPARE(out.CashSize, 60);
    QCOMPARE(out.SlideshowInterval, 5);
    QCOMPARE(out.LanguageFile, QStringLiteral("de.lng"));
    const TOptionsChanges c = CompareOptions(in, out);
    QVERIFY(c.CaptionColor && c.CaptionFont && c.RenderProc && c.Appearance && c.SaveSelection &&
            c.CashSize && c.SlideshowInterval && c.Smoothing && c.Language);
    QVERIFY(!c.Quality);

    // The list read again (it drops down) keeps the pick and finds a new file.
    WriteFile(languages.path + "it.lng", "[Options]\nLangDesc=Italiano\n");
    combo->showPopup();
    combo->hidePopup();
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->currentText(), QStringLiteral("Deutsch"));
  }

  // Every control has an accessible name; the texts follow the language.
  void captionsAndNames() {
    TLanguages languages;
    TCaptionRegistry registry;
    TfrmOptions dlg;
    registry.Register(TCaptionTarget::Options, [&dlg] { dlg.ApplyCaptions(); });
    TSettings in = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    in.LanguagesPath = languages.path;
    dlg.Fill(in);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Options"));
    QCOMPARE(Find<QComboBox>(dlg, "cbLanguages")->itemText(0), QStringLiteral("Default(English)"));

    const QList<QWidget*> widgets = dlg.findChildren<QWidget*>();
    int controls = 0;
    for (QWidget* w : widgets) {
      const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QListWidget*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QSpinBox*>(w) ||
                           qobject_cast<QSlider*>(w);
      if (control && !w->objectName().startsWith(QLatin1String("qt_"))) {
        ++controls;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
      }
    }
    QVERIFY(controls >= 18 + 10);
    // Cells are named by their colour in words; the code is the description.
    QCOMPARE(dlg.Palette()->Cell(7)->accessibleName(), QStringLiteral("Font Color Yellow"));
    QCOMPARE(dlg.Palette()->Cell(7)->accessibleDescription(), QStringLiteral("FFD700"));
    QCOMPARE(dlg.Palette()->Cell(12)->accessibleName(), QStringLiteral("Font Color Dark Purple"));
    auto* interval = Find<QSpinBox>(dlg, "seSlideshowInterval");
    QCOMPARE(interval->accessibleName(), QStringLiteral("Slideshow interval"));
    QCOMPARE(interval->suffix(), QStringLiteral(" s"));
    QVERIFY(!interval->toolTip().isEmpty());

    LoadLanguageFile(languages.path + "de.lng");
    registry.ApplyLanguage();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Optionen"));
    QCOMPARE(interval->accessibleName(), QStringLiteral("Diashow"));
    QCOMPARE(interval->suffix(), QStringLiteral(" Sek."));
    QCOMPARE(Find<QPushButton>(dlg, "btnOk")->text(), QStringLiteral("Ja"));
    QCOMPARE(Find<QPushButton>(dlg, "btnOk")->accessibleName(), QStringLiteral("Ja"));
    QCOMPARE(Find<QComboBox>(dlg, "cbLanguages")->itemText(0), QStringLiteral("Standard"));

    LoadLanguageFile(QString());
    registry.ApplyLanguage();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Options"));
    QCOMPARE(Find<QPushButton>(dlg, "btnOk")->text(), QStringLiteral("OK"));

    // The picture of the dialog for the documentation, on request.
    const QString shots = qEnvironmentVariable("GLIMR_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      dlg.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dlg));
      QVERIFY(dlg.grab().save(shots + QStringLiteral("/options.png")));
    }
  }

  // aOptions: Cancel changes nothing; OK with a new language switches it
  // through the hooks, and every window is labelled again.
  void optionsExecute() {
    TLanguages languages;
    TCaptionRegistry registry;
    TfrmOptions dlg;
    registry.Register(TCaptionTarget::Options, [&dlg] { dlg.ApplyCaptions(); });
    TSettings settings = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    settings.LanguagesPath = languages.path;
    QStringList calls;
    TOptionsHooks hooks;
    hooks.Redraw = [&] { calls << QStringLiteral("Redraw"); };
    hooks.ResizeCash = [&](int, int) { calls << QStringLiteral("ResizeCash"); };
    hooks.ApplyLanguage = [&] {
      calls << QStringLiteral("ApplyLanguage");
      registry.ApplyLanguage();
    };

    auto answer = [&](const char* button, std::function<void()> edit) {
      QTimer::singleShot(0, &dlg, [&dlg, button, edit] {
        edit();
        QTest::mouseClick(dlg.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
      });
    };

    answer("btnCancel", [&dlg] {
      dlg.findChild<QSpinBox*>(QStringLiteral("seCashSize"))->setValue(50);
      dlg.findChild<QComboBox*>(QStringLiteral("cbLanguages"))->setCurrentIndex(1);
    });
    QVERIFY(!OptionsExecute(dlg, settings, hooks).has_value());
    QVERIFY(calls.isEmpty());
    QCOMPARE(settings.CashSize, 100);

    answer("btnOk", [] {});
    QVERIFY(OptionsExecute(dlg, settings, hooks).has_value());
    QCOMPARE(calls.join(' '), QStringLiteral("Redraw"));

    // The Cancel above left its edits in the controls; opening again starts
    // from the settings.
    calls.clear();
    answer("btnOk", [&dlg] {
      QCOMPARE(dlg.findChild<QSpinBox*>(QStringLiteral("seCashSize"))->value(), 100);
      dlg.findChild<QComboBox*>(QStringLiteral("cbLanguages"))->setCurrentIndex(1);
    });
    const std::optional<TOptionsOutcome> out = OptionsExecute(dlg, settings, hooks);
    QVERIFY(out && out->LanguageSwitched);
    QCOMPARE(calls.join(' '), QStringLiteral("Redraw ApplyLanguage"));
    QCOMPARE(settings.LanguageFile, QStringLiteral("de.lng"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Optionen"));
  }
};

QTEST_MAIN(TestFrmOptions)
#include "test_frmoptions.moc"
