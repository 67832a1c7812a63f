#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "common/language.h"
#include "external/desktopapps.h"
#include "external/ui/dlginstalledapps.h"
#include "external/ui/frmeditexternal.h"
#include "external/ui/frmexternalprog.h"
#include "fileops/ui/frmcopymoveto.h"

using namespace glimr;

namespace {

// The dialog's own button of that name, not one of a dialog it owns (the
// program list keeps its editor and the installed applications as children).
QPushButton* OwnButton(QDialog& dialog, const QString& name) {
  for (QPushButton* b : dialog.findChildren<QPushButton*>(name)) {
    if (b->window() == &dialog) {
      return b;
    }
  }
  return nullptr;
}

}  // namespace

// The OK/Cancel rows of the dialogs: OK is the default button, Cancel and
// Escape reject, and both captions come from the language file, never from
// Qt's own translations.
class TestOkCancelRows : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  TDesktopApps apps_;

  std::unique_ptr<QDialog> Make(const QString& kind) {
    if (kind == "editor") {
      return std::make_unique<TfrmEditExternal>(apps_);
    }
    if (kind == "program list") {
      return std::make_unique<TfrmExternalProg>(apps_);
    }
    if (kind == "installed applications") {
      return std::make_unique<TdlgInstalledApps>();
    }
    return std::make_unique<TfrmCopyMoveTo>();
  }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // Captions no Qt translation could produce, so a Qt text shows as a failure.
    const QString file = dir_.filePath("test.lng");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Options]\nLangDesc=Test\n\n[Captions]\n69=Lass es\n87=Jawohl\n138=Hinkopieren\n");
    f.close();
    QVERIFY(LoadLanguageFile(file));
  }

  void cleanupTestCase() { LoadLanguageFile(QString()); }

  void okCancelRow_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("okCaption");
    QTest::newRow("external program editor") << "editor"
                                             << "Jawohl";
    QTest::newRow("external program list") << "program list"
                                           << "Jawohl";
    QTest::newRow("installed applications") << "installed applications"
                                            << "Jawohl";
    QTest::newRow("copy to folder") << "copy to folder"
                                    << "Hinkopieren";
  }

  void okCancelRow() {
    QFETCH(QString, kind);
    QFETCH(QString, okCaption);
    const std::unique_ptr<QDialog> dialog = Make(kind);
    QPushButton* ok = OwnButton(*dialog, QStringLiteral("btnOk"));
    QPushButton* cancel = OwnButton(*dialog, QStringLiteral("btnCancel"));
    QVERIFY(ok);
    QVERIFY(cancel);
    QCOMPARE(ok->text(), okCaption);
    QCOMPARE(cancel->text(), QStringLiteral("Lass es"));

    QSignalSpy rejected(dialog.get(), &QDialog::rejected);
    QSignalSpy accepted(dialog.get(), &QDialog::accepted);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY(ok->isDefault());
    QVERIFY(!cancel->isDefault());
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));

    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    cancel->click();
    QCOMPARE(rejected.count(), 2);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(accepted.count(), 0);
  }
};

QTEST_MAIN(TestOkCancelRows)
#include "test_okcancelrows.moc"
