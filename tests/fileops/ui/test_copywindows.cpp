#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <limits>

#include "fileops/ui/copyprogresstext.h"
#include "fileops/ui/deletequestion.h"
#include "fileops/ui/destinationhistory.h"
#include "fileops/ui/frmcopymoveto.h"
#include "fileops/ui/frmmessage.h"
#include "fileops/ui/veskcopyform.h"

using namespace glimr;

Q_DECLARE_METATYPE(glimr::TOverwritePolicy)
Q_DECLARE_METATYPE(glimr::TPermanentDelete)
Q_DECLARE_METATYPE(QMessageBox::StandardButton)

namespace {

// Runs steps inside the dialog's modal loop, once it is shown.
void WhenShown(QDialog& dialog, std::function<void()> steps) {
  QTimer::singleShot(0, &dialog, [&dialog, steps = std::move(steps)] {
    QTRY_VERIFY(dialog.isVisible());
    steps();
  });
}

QStringList Rows(const QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) {
    rows << list->item(i)->text();
  }
  return rows;
}

// Closes the message box that the next action opens; its text, or "" when
// none came up.
QString CloseNextMessage(const std::function<void()>& action) {
  QString text;
  QTimer::singleShot(0, [&text] {
    QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    text = box->windowTitle() + QStringLiteral(": ") + box->text();
    box->accept();
  });
  action();
  return text;
}

// Controls of window without an accessible name.
QStringList Unnamed(QWidget& window) {
  QStringList missing;
  const auto widgets = window.findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    const bool control = w->focusPolicy() != Qt::NoFocus || qobject_cast<QProgressBar*>(w);
    if (!control || w->objectName().startsWith(QLatin1String("qt_"))) {
      continue;
    }
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    if (!face || face->text(QAccessible::Name).trimmed().isEmpty()) {
      missing << w->objectName() + QStringLiteral(" (") + w->metaObject()->className() +
                     QLatin1Char(')');
    }
  }
  return missing;
}

}  // namespace

class TestCopyWindows : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void durationText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0:00:00";
    QTest::newRow("rounds down") << 59.4 << "0:00:59";
    QTest::newRow("rounds up into a minute") << 59.6 << "0:01:00";
    QTest::newRow("hour, minute, second") << 3661.0 << "1:01:01";
    QTest::newRow("past a day") << 90000.0 << "25:00:00";
    QTest::newRow("negative") << -5.0 << "0:00:00";
    QTest::newRow("not a number") << std::nan("") << "0:00:00";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "876000:00:00";
  }
  void durationText() {
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(DurationText(seconds), text);
  }

  // The figures of one reading: where the file comes from, sizes, speed,
  // and a time left only once something was copied.
  void progressTexts() {
    TCopyProgress p;
    p.Counters = {10 << 20, 3 << 20, 2 << 20, 1 << 20, 1, 3};
    p.CurrentFile = QStringLiteral("/home/ann/Photos: 2005/beach.jpg");
    p.ElapsedSeconds = 2.5;
    p.BytesPerSecond = 1.5 * 1048576;
    p.SecondsLeft = 4.0;
    p.FilePercent = 50;
    p.TotalPercent = 40;
    TCopyProgressTexts t = CopyProgressTexts(p);
    QCOMPARE(t.FileName, QStringLiteral("beach.jpg"));
    QCOMPARE(t.FromFolder, QStringLiteral("/home/ann/Photos: 2005/"));
    QCOMPARE(t.FileSize, QStringLiteral("2.0 Mb"));
    QCOMPARE(t.FileCopied, QStringLiteral("1.0 Mb"));
    QCOMPARE(t.TotalCopied, QStringLiteral("4.0 Mb"));
    QCOMPARE(t.TotalSize, QStringLiteral("10.0 Mb"));
    QCOMPARE(t.Speed, QStringLiteral("1.5 Mb/s"));
    QCOMPARE(t.TimePassed, QStringLiteral("0:00:03"));
    QCOMPARE(t.TimeLeft, QStringLiteral("0:00:04"));

    const TCopyProgress start;  // nothing copied, no time passed
    t = CopyProgressTexts(start);
    QCOMPARE(t.Speed, QStringLiteral("0 b/s"));
    QCOMPARE(t.TimeLeft, QStringLiteral("--"));
    QCOMPARE(t.FromFolder, QString());
  }

  // The failed file and the reason, also when the path holds ": ".
  void failureSplit() {
    TCopyResult r;
    r.Source = QStringLiteral("/a/b: c.jpg");
    r.Destination = QStringLiteral("/d/b: c.jpg");
    r.Outcome = TCopyOutcome::Failed;
    r.Error = r.Destination + QStringLiteral(": No space left on device");
    const TCopyFailure f = SplitCopyFailure({TCopyResult{}, r}, r.Error);
    QCOMPARE(f.File, r.Destination);
    QCOMPARE(f.Reason, QStringLiteral("No space left on device"));
  }

  // Compact and details views at their sizes and places; the choice stays
  // with the window from run to run and starts compact.
  void detailsView() {
    TveskCopyForm form;
    QVERIFY(!form.DetailsShown());
    const auto check = [&form](bool details) {
      QCOMPARE(form.size(), details ? QSize(435, 390) : QSize(435, 130));
      QCOMPARE(form.TotalGauge()->y(), details ? 200 : 32);
      QCOMPARE(form.HideShowButton()->pos(), details ? QPoint(8, 360) : QPoint(240, 96));
      QCOMPARE(form.CancelButton()->pos(), details ? QPoint(176, 360) : QPoint(344, 96));
      QCOMPARE(form.HideShowButton()->text(), details ? "Hide Details" : "Show Details");
      QCOMPARE(form.FileGauge()->isVisibleTo(&form), details);
      for (QGroupBox* group : form.findChildren<QGroupBox*>()) {
        QCOMPARE(group->isVisibleTo(&form), details);
      }
      QCOMPARE(form.findChild<QLabel*>("lblCompactFile")->isVisibleTo(&form), !details);
      QCOMPARE(form.findChild<QLabel*>("lblCompactLeft")->isVisibleTo(&form), !details);
    };
    check(false);
    QTest::mouseClick(form.HideShowButton(), Qt::LeftButton);
    check(true);

    form.BeginRun(
        "/dst/", [] { return TCopyProgress{}; }, [] {});
    form.show();
    form.EndRun();
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    check(true);
    QTest::mouseClick(form.HideShowButton(), Qt::LeftButton);
    check(false);
  }

  // While shown, the window reads the run's counters by itself; Cancel
  // reaches the run once and closes the window.
  void formFollowsRun() {
    TveskCopyForm form;
    TCopyProgress p;
    p.Counters.TotalBytes = 4096;
    p.Counters.FileSize = 4096;
    p.Counters.FileCopied = 2048;
    p.CurrentFile = QStringLiteral("/src/a.jpg");
    p.FilePercent = 50;
    p.TotalPercent = 50;
    int reads = 0;
    int cancels = 0;
    form.BeginRun(
        "/dst/",
        [&] {
          ++reads;
          return p;
        },
        [&] { ++cancels; });
    form.show();
    auto* file = form.findChild<QLabel*>("lblCompactFileValue");
    QTRY_COMPARE(file->text(), QStringLiteral("a.jpg"));
    QCOMPARE(form.findChild<QLabel*>("lblToValue")->text(), QStringLiteral("/dst/"));
    QCOMPARE(form.findChild<QLabel*>("lblFromValue")->text(), QStringLiteral("/src/"));
    QCOMPARE(form.TotalGauge()->value(), 50);
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(cancels, 1);
    const int readsAtCancel = reads;
    QTest::qWait(3 * TveskCopyForm::kRefreshMs);
    QCOMPARE(reads, readsAtCancel);
    form.EndRun();  // the run's end after a cancel changes nothing
    QCOMPARE(form.result(), int(QDialog::Rejected));
  }

  // Missing folders stay in the history unlisted; "Remove selected" takes
  // the selected folder out even with hidden ones before it; a click fills
  // the edit; removals stand when the dialog is cancelled.
  void historyList() {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a", b = dir.path() + "/b", c = dir.path() + "/c";
    for (const QString& f : {a, b, c}) {
      QDir().mkpath(f);
    }
    const QString gone1 = dir.path() + "/gone1", gone2 = dir.path() + "/gone2";
    QStringList history{gone1, a, gone2, b, c};
    TfrmCopyMoveTo dialog;
    QStringList listed, afterRemove, edit;
    WhenShown(dialog, [&] {
      QListWidget* list = dialog.HistoryList();
      listed = Rows(list);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(1)).center());
      edit << dialog.FolderEdit()->text();
      QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
      afterRemove = Rows(list);
      QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);  // nothing selected now
      dialog.CancelButton()->click();
    });
    QVERIFY(!dialog.Choose(false, history));
    QCOMPARE(listed, (QStringList{a, b, c}));
    QCOMPARE(edit, QStringList{b});
    QCOMPARE(afterRemove, (QStringList{a, c}));
    QCOMPARE(history, (QStringList{gone1, a, gone2, c}));

    WhenShown(dialog, [&] {
      QTest::mouseClick(dialog.ClearButton(), Qt::LeftButton);
      listed = Rows(dialog.HistoryList());
      dialog.reject();
    });
    QVERIFY(!dialog.Choose(true, history));
    QVERIFY(listed.isEmpty());
    QVERIFY(history.isEmpty());
  }

  // OK takes only an existing folder, answers it with a trailing "/" and
  // adds it to the history once; paths differ by case.
  void okButton() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Photos", other = dir.path() + "/photos";
    QDir().mkpath(folder);
    QDir().mkpath(other);
    QFile(dir.path() + "/file.jpg").open(QIODevice::WriteOnly);
    QStringList history;
    TfrmCopyMoveTo dialog;

    QStringList refusals;
    bool stayedOpen = false;
    WhenShown(dialog, [&] {
      for (const QString& bad :
           {dir.path() + "/file.jpg", dir.path() + "/none", QString("tmp"), QString()}) {
        dialog.FolderEdit()->setText(bad);
        refusals << CloseNextMessage([&] { dialog.OkButton()->click(); });
      }
      stayedOpen = dialog.isVisible();
      dialog.FolderEdit()->setText(folder);
      dialog.OkButton()->click();
    });
    std::optional<TCopyMoveChoice> choice = dialog.Choose(false, history);
    QVERIFY(stayedOpen);
    QCOMPARE(refusals, QStringList(4, "Glimr: Choose directory first!"));
    QVERIFY(choice);
    QCOMPARE(choice->Folder, folder + "/");
    QCOMPARE(history, QStringList{folder});

    for (const QString& typed : {folder + "/", other}) {
      WhenShown(dialog, [&] {
        dialog.FolderEdit()->setText(typed);
        QTest::keyClick(dialog.FolderEdit(), Qt::Key_Return);  // OK is the default button
      });
      QVERIFY(dialog.Choose(true, history));
    }
    QCOMPARE(history, (QStringList{folder, other}));
  }

  // The overwrite options map to the policies; the choice is kept from
  // run to run until the captions are applied again.
  void overwriteOption_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<TOverwritePolicy>("policy");
    QTest::newRow("Ask user") << 0 << TOverwritePolicy::Ask;
    QTest::newRow("Overwrite") << 1 << TOverwritePolicy::Overwrite;
    QTest::newRow("Skip") << 2 << TOverwritePolicy::Skip;
    QTest::newRow("Auto-rename") << 3 << TOverwritePolicy::AutoRename;
  }
  void overwriteOption() {
    QFETCH(int, option);
    QFETCH(TOverwritePolicy, policy);
    QTemporaryDir dir;
    QStringList history;
    TfrmCopyMoveTo dialog;
    const auto choose = [&](std::function<void()> before) {
      WhenShown(dialog, [&] {
        if (before) {
          before();
        }
        dialog.FolderEdit()->setText(dir.path());
        dialog.OkButton()->click();
      });
      return dialog.Choose(true, history);
    };
    std::optional<TCopyMoveChoice> first =
        choose([&] { dialog.OverwriteCombo()->setCurrentIndex(option); });
    QVERIFY(first);
    QCOMPARE(first->Policy, policy);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Move images to Folder"));
    QCOMPARE(dialog.OkButton()->text(), QStringLiteral("Move"));

    std::optional<TCopyMoveChoice> next = choose({});
    QVERIFY(next);
    QCOMPARE(next->Policy, policy);

    dialog.ApplyCaptions();
    QCOMPARE(PolicyOfOption(dialog.OverwriteCombo()->currentIndex()), TOverwritePolicy::Ask);
  }

  // The question window: its texts, the default answer, and Cancel for
  // Escape and the close box.
  void question() {
    TfrmMessage question;
    QCOMPARE(question.windowTitle(), QStringLiteral("Glimr"));
    TOverwriteReply reply;
    QString shownDestination;
    QTimer::singleShot(0, &question, [&] {
      QTRY_VERIFY(question.isVisible());
      shownDestination = question.DestinationEdit()->text();
      QTest::keyClick(&question, Qt::Key_Return);
    });
    reply = question.Ask("/dst/a.jpg", "/src/a.jpg");
    QCOMPARE(shownDestination, QStringLiteral("/dst/a.jpg"));
    QVERIFY(question.DestinationEdit()->isReadOnly() && question.SourceEdit()->isReadOnly());
    QCOMPARE(reply.Answer, TOverwriteAnswer::Overwrite);
    QVERIFY(!reply.DontAskAgain);

    QTimer::singleShot(0, &question, [&] {
      QTRY_VERIFY(question.isVisible());
      question.DontAskCheck()->setChecked(true);
      question.close();
    });
    reply = question.Ask("/dst/a.jpg", "/src/a.jpg");
    QCOMPARE(reply.Answer, TOverwriteAnswer::Cancel);
    QVERIFY(!reply.DontAskAgain);
  }

  // The question before a permanent delete names the file; each button
  // gives its answer, and Return keeps the file.
  void deleteQuestion_data() {
    QTest::addColumn<QMessageBox::StandardButton>("button");
    QTest::addColumn<TPermanentDelete>("answer");
    QTest::newRow("yes") << QMessageBox::Yes << TPermanentDelete::Delete;
    QTest::newRow("yes to all") << QMessageBox::YesToAll << TPermanentDelete::DeleteAll;
    QTest::newRow("no") << QMessageBox::No << TPermanentDelete::Keep;
    QTest::newRow("no to all") << QMessageBox::NoToAll << TPermanentDelete::KeepAll;
    QTest::newRow("return") << QMessageBox::NoButton << TPermanentDelete::Keep;
  }
  void deleteQuestion() {
    QFETCH(QMessageBox::StandardButton, button);
    QFETCH(TPermanentDelete, answer);
    QString text;
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      text = box->text();
      if (button == QMessageBox::NoButton) {
        QTest::keyClick(box, Qt::Key_Return);
      } else {
        box->button(button)->click();
      }
    });
    QCOMPARE(AskDeletePermanently(nullptr, QStringLiteral("/photos/a.jpg")), answer);
    QVERIFY2(text.contains(QStringLiteral("/photos/a.jpg")), qPrintable(text));
  }

  void accessibleNames() {
    TveskCopyForm form;
    TfrmMessage question;
    TfrmCopyMoveTo dialog;
    for (QWidget* window : std::initializer_list<QWidget*>{&form, &question, &dialog}) {
      QCOMPARE(Unnamed(*window).join(", "), QString());
    }
    form.SetDetailsShown(true);
    QCOMPARE(Unnamed(form).join(", "), QString());
  }
};

QTEST_MAIN(TestCopyWindows)
#include "test_copywindows.moc"
