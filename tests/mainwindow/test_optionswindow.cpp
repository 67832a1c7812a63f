// The options in the running program: an OK changes the cache, the ribbon
// and the language at once and the settings file keeps them across a
// restart; the language list offers the user's and the shipped languages;
// Clear Cash empties the cache and the ribbon shows its thumbnails again.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/glimrapplication.h"
#include "common/language.h"
#include "common/regstore.h"
#include "common/settings.h"
#include "imaging/cache/cash.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "options/ui/frmoptions.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

struct TWorld {
  QTemporaryDir dir;
  QString photos;
  TGlimrApplication::Options Options() {
    TGlimrApplication::Options o = TGlimrApplication::Options::UnderFolder(
        dir.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin"));
    // The program's own languages, as an install ships them.
    o.paths.ShippedLanguagesPath = dir.path() + QStringLiteral("/shipped/");
    o.open.Folder = photos;
    return o;
  }
  TWorld() {
    photos = dir.path() + QStringLiteral("/photos");
    QDir().mkpath(photos);
    for (int i = 0; i < 4; ++i) {
      QImage picture(64, 48, QImage::Format_RGB888);
      picture.fill(QColor(40 * i, 90, 160));
      picture.save(photos + QStringLiteral("/p%1.jpg").arg(i));
    }
    // A user's own language, and two shipped ones of which the user's copy
    // of one replaces it.
    WriteFile(dir.path() + "/home/Languages/Marker.lng",
              "[Options]\nLangDesc=Marker\n[Captions]\n4=#Options\n5=#Clear Cash\n");
    WriteFile(dir.path() + "/shipped/Shipped.lng", "[Options]\nLangDesc=Shipped\n");
    WriteFile(dir.path() + "/shipped/Marker.lng", "[Options]\nLangDesc=Shipped marker\n");
  }
};

int SlotsWithThumbs(TGlimrApplication& app) {
  int shown = 0;
  for (const auto& slot : app.Ribbon()->Ribbon().Slots) {
    shown += slot && slot->Loaded && slot->HasThumb ? 1 : 0;
  }
  return shown;
}

// Runs aOptions; edit changes the dialog's controls before OK is clicked.
void RunOptions(TfrmVesk& window, const std::function<void(TfrmOptions&)>& edit) {
  auto* dialog = window.findChild<TfrmOptions*>(QStringLiteral("frmOptions"));
  QVERIFY(dialog);
  QTimer::singleShot(0, dialog, [dialog, edit] {
    edit(*dialog);
    dialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
  });
  window.Actions().Get("aOptions")->trigger();
}

void SelectLanguage(TfrmOptions& dialog, const QString& description) {
  auto* languages = dialog.findChild<QComboBox*>(QStringLiteral("cbLanguages"));
  const int index = languages->findText(description);
  QVERIFY2(index >= 0, qPrintable(description));
  languages->setCurrentIndex(index);
}

}  // namespace

class TestOptionsWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void okAppliesAtOnceAndSurvivesARestart() {
    TWorld world;
    {
      TGlimrApplication app(world.Options());
      QVERIFY(app.Start());
      TfrmVesk& window = *app.MainWindow();
      QTRY_VERIFY_WITH_TIMEOUT(SlotsWithThumbs(app) >= 4, 30000);
      QVERIFY(window.Actions().Get("aOptions")->isEnabled());
      QVERIFY(window.Actions().Get("aClearCash")->isEnabled());

      // OK without a change touches nothing.
      RunOptions(window, [](TfrmOptions&) {});
      QCOMPARE(app.Cash()->Capacity(), 100);
      QVERIFY(LoadedLanguageFile().isEmpty());

      QStringList offered;
      RunOptions(window, [&](TfrmOptions& dialog) {
        auto* languages = dialog.findChild<QComboBox*>(QStringLiteral("cbLanguages"));
        for (int i = 0; i < languages->count(); ++i) {
          offered << languages->itemText(i);
        }
        dialog.findChild<QSpinBox*>(QStringLiteral("seCashSize"))->setValue(50);
        dialog.findChild<QCheckBox*>(QStringLiteral("cbShowCaptions"))->setChecked(false);
        SelectLanguage(dialog, QStringLiteral("Marker"));
      });
      QCOMPARE(offered, (QStringList{QStringLiteral("Default(English)"), QStringLiteral("Marker"),
                                     QStringLiteral("Shipped")}));
      QCOMPARE(app.Cash()->Capacity(), 50);
      QCOMPARE(app.Ribbon()->Settings().ShowCaptionsText, false);
      QCOMPARE(window.Actions().Get("aOptions")->text(), QStringLiteral("#Options"));
      QCOMPARE(app.Context().Settings.LanguageFile, QStringLiteral("Marker.lng"));

      // Clear Cash: the cache empties and the slots fetch their thumbnails anew.
      QVERIFY(app.Cash()->Count() >= 4);
      window.Actions().Get("aClearCash")->trigger();
      QCOMPARE(SlotsWithThumbs(app), 0);
      QTRY_VERIFY_WITH_TIMEOUT(SlotsWithThumbs(app) >= 4, 30000);
      QVERIFY(app.Shutdown());
    }
    RegStore store(world.dir.path() + "/config/Quillfen/Glimr.reg");
    QVERIFY(store.Load());
    TSettings stored;
    LoadSettings(store, stored, world.Options().paths);
    QCOMPARE(stored.CashSize, 50);
    QCOMPARE(stored.ShowCaptionsText, false);
    QCOMPARE(stored.LanguageFile, QStringLiteral("Marker.lng"));

    // The next start speaks the chosen language from the first window on; a
    // shipped language is found in the program's folder and English returns.
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    QCOMPARE(window.Actions().Get("aClearCash")->text(), QStringLiteral("#Clear Cash"));
    RunOptions(window, [](TfrmOptions& dialog) { SelectLanguage(dialog, "Shipped"); });
    QCOMPARE(LoadedLanguageFile(), world.dir.path() + QStringLiteral("/shipped/Shipped.lng"));
    QCOMPARE(window.Actions().Get("aClearCash")->text(), QStringLiteral("Clear Cash"));
    RunOptions(window, [](TfrmOptions& dialog) { SelectLanguage(dialog, "Default(English)"); });
    QVERIFY(LoadedLanguageFile().isEmpty());
    QCOMPARE(app.Context().Settings.LanguageFile, QString());
    QVERIFY(app.Shutdown());
  }
};

QTEST_MAIN(TestOptionsWindow)
#include "test_optionswindow.moc"
