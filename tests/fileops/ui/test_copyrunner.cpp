#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <functional>

#include "fileops/ui/copyrunner.h"
#include "fileops/ui/frmmessage.h"
#include "fileops/ui/veskcopyform.h"

using namespace glimr;

Q_DECLARE_METATYPE(glimr::TCopyOutcome)
Q_DECLARE_METATYPE(glimr::TOverwritePolicy)

namespace {

void Write(const QString& path, const QByteArray& data) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(data), data.size());
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every name in a folder, hidden ones (a temporary copy) included.
QStringList Names(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Whether this process is writing a file into folder that has no name of
// its own yet: a copy in the middle of a file (the engine writes into an
// anonymous file, which /proc shows as "folder/#inode (deleted)").
bool WritingInto(const QString& folder) {
  const QByteArray prefix = QFile::encodeName(folder);
  for (const QString& fd :
       QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
    char target[4096];
    const ssize_t n =
        ::readlink(QFile::encodeName(QStringLiteral("/proc/self/fd/") + fd).constData(), target,
                   sizeof target);
    const QByteArray text(target, n > 0 ? n : 0);
    if (text.startsWith(prefix) && (text.endsWith(" (deleted)") || text.endsWith(".glimr-part")))
      return true;
  }
  return false;
}

// A source and a destination folder, the two windows and the runner.
struct Scene {
  QTemporaryDir dir;
  QString src = dir.path() + QStringLiteral("/src/");
  QString dst = dir.path() + QStringLiteral("/dst/");
  TveskCopyForm form;
  TfrmMessage question{&form};
  TCopyRunner runner{form, question};

  Scene() {
    QDir().mkpath(src);
    QDir().mkpath(dst);
  }
  std::vector<TCopyEntry> Files(const QStringList& names, bool move = false) {
    std::vector<TCopyEntry> entries;
    for (const QString& name : names) {
      if (!QFileInfo::exists(src + name)) {
        Write(src + name, "new " + name.toUtf8());
      }
      entries.push_back(TCopyEntry{src + name, move, 0});
    }
    return entries;
  }
};

// Answers every overwrite question that comes up with the button captioned
// answer, ticking "Don't ask again" first when dontAsk; records what each
// question showed.
class TQuestionAnswerer {
 public:
  TQuestionAnswerer(TfrmMessage& question, QString answer, bool dontAsk,
                    std::function<void()> beforeAnswer = {})
      : question_(question),
        answer_(std::move(answer)),
        dontAsk_(dontAsk),
        before_(std::move(beforeAnswer)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  int Asked() const { return asked_; }
  const QStringList& Shown() const { return shown_; }
  bool MissingButton() const { return missingButton_; }

 private:
  void Poll() {
    if (!question_.isVisible()) {
      return;
    }
    ++asked_;
    shown_ << question_.DestinationEdit()->text() + QStringLiteral(" <- ") +
                  question_.SourceEdit()->text();
    if (before_) {
      before_();
    }
    if (answer_ == QLatin1String("Escape")) {
      QTest::keyClick(&question_, Qt::Key_Escape);
      return;
    }
    question_.DontAskCheck()->setChecked(dontAsk_);
    const auto buttons = question_.findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
      if (b->text() == answer_) {
        b->click();
        return;
      }
    }
    missingButton_ = true;
    question_.reject();
  }

  TfrmMessage& question_;
  QString answer_;
  bool dontAsk_;
  std::function<void()> before_;
  QTimer timer_;
  int asked_ = 0;
  QStringList shown_;
  bool missingButton_ = false;
};

}  // namespace

class TestCopyRunner : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A run that ends by itself closes the window and reports every file;
  // fileDone runs on the main thread once per entry, in order, while the
  // window is still up.
  void completedRun_data() {
    QTest::addColumn<bool>("move");
    QTest::addColumn<TCopyOutcome>("outcome");
    QTest::newRow("copy") << false << TCopyOutcome::Copied;
    QTest::newRow("move") << true << TCopyOutcome::Moved;
  }
  void completedRun() {
    QFETCH(bool, move);
    QFETCH(TCopyOutcome, outcome);
    Scene s;
    std::vector<std::pair<std::size_t, TCopyOutcome>> done;
    // A move also reports each file just before it is placed, ahead of its
    // outcome.
    QStringList order;
    bool offMainThread = false;
    bool windowDownDuringRun = false;
    const TCopyRunReport report =
        s.runner.Run(s.Files({"a.jpg", "b.jpg", "c.jpg"}, move), s.dst, TOverwritePolicy::Ask,
                     [&](std::size_t i, const TCopyResult& r) {
                       offMainThread |= QThread::currentThread() != qApp->thread();
                       windowDownDuringRun |= !s.form.isVisible();
                       order << QString::number(i) + (r.Placing ? " placing" : " done");
                       if (!r.Placing) {
                         done.emplace_back(i, r.Outcome);
                       }
                     });
    QVERIFY(!s.form.isVisible());
    QVERIFY(!offMainThread);
    QVERIFY(!windowDownDuringRun);
    QCOMPARE(done, (std::vector<std::pair<std::size_t, TCopyOutcome>>{
                       {0, outcome}, {1, outcome}, {2, outcome}}));
    QCOMPARE(order, move ? (QStringList{"0 placing", "0 done", "1 placing", "1 done", "2 placing",
                                        "2 done"})
                         : (QStringList{"0 done", "1 done", "2 done"}));
    QVERIFY(!report.Cancelled);
    QVERIFY(report.Error.isEmpty());
    QCOMPARE(report.Results.size(), std::size_t(3));
    for (const TCopyResult& r : report.Results) {
      QCOMPARE(r.Outcome, outcome);
      QCOMPARE(QFileInfo::exists(r.Source), !move);
    }
    QCOMPARE(Names(s.dst), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    QCOMPARE(Read(s.dst + "b.jpg"), QByteArray("new b.jpg"));
  }

  // Every conflict of a run asks, until "Don't ask again" makes the answer
  // the policy for the rest of the run.
  void overwriteQuestion_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("dontAsk");
    QTest::addColumn<int>("asked");
    QTest::addColumn<TCopyOutcome>("outcome");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<TOverwritePolicy>("finalPolicy");
    const QStringList three{"a.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("skip, don't ask again")
        << "Skip" << true << 1 << TCopyOutcome::Skipped << three << TOverwritePolicy::Skip;
    QTest::newRow("skip each") << "Skip" << false << 3 << TCopyOutcome::Skipped << three
                               << TOverwritePolicy::Ask;
    QTest::newRow("overwrite, don't ask again")
        << "Overwrite" << true << 1 << TCopyOutcome::Copied << three << TOverwritePolicy::Overwrite;
    QTest::newRow("automatic rename each")
        << "Automatic Rename" << false << 3 << TCopyOutcome::Copied
        << QStringList{"a(0).jpg", "a.jpg", "b(0).jpg", "b.jpg", "c(0).jpg", "c.jpg"}
        << TOverwritePolicy::Ask;
  }
  void overwriteQuestion() {
    QFETCH(QString, button);
    QFETCH(bool, dontAsk);
    QFETCH(int, asked);
    QFETCH(TCopyOutcome, outcome);
    QFETCH(QStringList, names);
    QFETCH(TOverwritePolicy, finalPolicy);
    Scene s;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      Write(s.dst + name, QByteArray("old ") + name);
    }
    TQuestionAnswerer answerer(s.question, button, dontAsk);
    const TCopyRunReport report =
        s.runner.Run(s.Files({"a.jpg", "b.jpg", "c.jpg"}), s.dst, TOverwritePolicy::Ask);
    QVERIFY(!answerer.MissingButton());
    QCOMPARE(answerer.Asked(), asked);
    QCOMPARE(answerer.Shown().front(), s.dst + "a.jpg <- " + s.src + "a.jpg");
    for (const TCopyResult& r : report.Results) {
      QCOMPARE(r.Outcome, outcome);
    }
    QCOMPARE(report.FinalPolicy, finalPolicy);
    QCOMPARE(Names(s.dst), names);
    const QByteArray expectedB = button == QLatin1String("Overwrite") ? "new b.jpg" : "old b.jpg";
    QCOMPARE(Read(s.dst + "b.jpg"), expectedB);
    QVERIFY(!s.form.isVisible());
  }

  // Cancel in the question ends the run at once: the window closes, the
  // file in question is left alone, later files are not reached.
  void cancelInQuestion_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "Cancel";
    QTest::newRow("Escape") << "Escape";
  }
  void cancelInQuestion() {
    QFETCH(QString, how);
    Scene s;
    Write(s.dst + "b.jpg", "old b.jpg");
    bool windowUp = false;
    TQuestionAnswerer answerer(s.question, how, false, [&] { windowUp = s.form.isVisible(); });
    const TCopyRunReport report =
        s.runner.Run(s.Files({"a.jpg", "b.jpg", "c.jpg"}, true), s.dst, TOverwritePolicy::Ask);
    QVERIFY(windowUp);
    QVERIFY(!s.form.isVisible());
    QCOMPARE(answerer.Asked(), 1);
    QVERIFY(report.Cancelled);
    QVERIFY(report.Error.isEmpty());
    QCOMPARE(report.Results[0].Outcome, TCopyOutcome::Moved);
    QCOMPARE(report.Results[1].Outcome, TCopyOutcome::Cancelled);
    QCOMPARE(report.Results[2].Outcome, TCopyOutcome::NotReached);
    QCOMPARE(Read(s.dst + "b.jpg"), QByteArray("old b.jpg"));
    QCOMPARE(Names(s.dst), (QStringList{"a.jpg", "b.jpg"}));
    QCOMPARE(Names(s.src), (QStringList{"b.jpg", "c.jpg"}));
  }

  // Cancel on the progress window in the middle of a large file: the
  // window goes at once, the worker's last report (the cancelled file)
  // still reaches fileDone, and no temporary or partial file stays.
  void cancelMidFile() {
    Scene s;
    Write(s.src + "first.jpg", "first");
    {
      // Sparse, so that it costs no disk space to make; the copy writes it
      // out, which takes long enough to press Cancel in the middle.
      QFile big(s.src + "big.tif");
      QVERIFY(big.open(QIODevice::WriteOnly));
      QVERIFY(big.resize(qint64(1) << 30));
    }
    std::vector<std::pair<std::size_t, TCopyOutcome>> done;
    bool offMainThread = false;
    bool pressedMidFile = false;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (s.form.isVisible() && QFileInfo::exists(s.dst + "first.jpg") && WritingInto(s.dst)) {
        poll.stop();
        pressedMidFile = !QFileInfo::exists(s.dst + "big.tif");
        QTest::mouseClick(s.form.CancelButton(), Qt::LeftButton);
      }
    });
    poll.start();
    const TCopyRunReport report =
        s.runner.Run(s.Files({"first.jpg", "big.tif", "last.jpg"}), s.dst, TOverwritePolicy::Ask,
                     [&](std::size_t i, const TCopyResult& r) {
                       offMainThread |= QThread::currentThread() != qApp->thread();
                       done.emplace_back(i, r.Outcome);
                     });
    QVERIFY(pressedMidFile);
    QVERIFY(!s.form.isVisible());
    QVERIFY(report.Cancelled);
    QVERIFY(report.Error.isEmpty());
    QCOMPARE(report.Results[0].Outcome, TCopyOutcome::Copied);
    QCOMPARE(report.Results[1].Outcome, TCopyOutcome::Cancelled);
    QCOMPARE(report.Results[2].Outcome, TCopyOutcome::NotReached);
    QCOMPARE(Names(s.dst), QStringList{"first.jpg"});
    QVERIFY(!offMainThread);
    QCOMPARE(done, (std::vector<std::pair<std::size_t, TCopyOutcome>>{
                       {0, TCopyOutcome::Copied}, {1, TCopyOutcome::Cancelled}}));

    // The windows serve the next run as usual.
    const TCopyRunReport next = s.runner.Run(s.Files({"last.jpg"}), s.dst, TOverwritePolicy::Ask);
    QVERIFY(!next.Cancelled);
    QCOMPARE(next.Results[0].Outcome, TCopyOutcome::Copied);
  }

  // A run that stops on an error says which file and why in one box.
  void failedRunIsReported() {
    Scene s;
    QDir().mkpath(s.src + "folder.jpg");
    QString boxTitle, boxText;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxTitle = box->windowTitle();
        boxText = box->text();
        box->accept();
      }
    });
    poll.start();
    const TCopyRunReport report =
        s.runner.Run(s.Files({"a.jpg", "folder.jpg", "c.jpg"}), s.dst, TOverwritePolicy::Ask);
    QCOMPARE(report.Results[0].Outcome, TCopyOutcome::Copied);
    QCOMPARE(report.Results[1].Outcome, TCopyOutcome::Failed);
    QCOMPARE(report.Results[2].Outcome, TCopyOutcome::NotReached);
    QVERIFY(!report.Cancelled);
    QVERIFY(!report.Error.isEmpty());
    QCOMPARE(boxTitle, QStringLiteral("Glimr"));
    QCOMPARE(
        boxText,
        QStringLiteral("The copy stopped at %1: not a regular file").arg(s.src + "folder.jpg"));
  }
};

QTEST_MAIN(TestCopyRunner)
#include "test_copyrunner.moc"
