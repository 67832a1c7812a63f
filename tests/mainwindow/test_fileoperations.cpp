// The file commands in the real program: Move to Folder carries the catalog
// rows along, Copy and Paste with the overwrite question, Rename and Delete
// to the trash, each checked on the disk and in the catalog; and a move
// killed with SIGKILL in the middle (in a child: this test program started
// again with GLIMR_FILEOPS_CHILD set) leaves every file whole at least once
// and every moved file's row where the file is.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>

#include <sys/types.h>

#include "app/commandparts.h"
#include "app/glimrapplication.h"
#include "board/boardlist.h"
#include "board/ui/boardcommands.h"
#include "browse/currentlists.h"
#include "browse/ui/filelistview.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/regstore.h"
#include "common/settings.h"
#include "fileops/ui/filecommands.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"
#include "support/modalanswer.h"

using namespace glimr;
using test::TModalAnswer;

namespace {

constexpr char kChildVariable[] = "GLIMR_FILEOPS_CHILD";

QString TreePath(const QString& folder) {
  return QStringLiteral("Computer\\File System\\") +
         QDir::cleanPath(folder).mid(1).replace('/', '\\');
}

QByteArray Content(int n, int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 31 + n * 7) & 0xff);
  }
  return bytes;
}

// A data folder and two photo folders; the program starts on Photos.
struct TWorld {
  QString Root;
  QString Home;
  QString Settings;
  QString Photos;
  QString Archive;

  explicit TWorld(const QString& root)
      : Root(root),
        Home(root + "/home"),
        Settings(root + "/config/Quillfen/Glimr.reg"),
        Photos(root + "/photos/"),
        Archive(root + "/archive/") {}

  QString DatabaseDir() const { return Home + "/DataBase/"; }

  // Real pictures a.jpg and b.jpg with rows, and an older b.jpg in Archive.
  bool MakePictures() {
    QDir().mkpath(Photos);
    QDir().mkpath(Archive);
    for (const QString& path : {Photos + "a.jpg", Photos + "b.jpg", Archive + "b.jpg"}) {
      QImage picture(96, 64, QImage::Format_RGB888);
      picture.fill(QColor::fromHsv(int(path.size() * 37 % 360), 180, 200));
      if (!picture.save(path)) {
        return false;
      }
    }
    AddRow(Photos, QStringLiteral("a.jpg"), QStringLiteral("Harbour"), 4);
    AddRow(Photos, QStringLiteral("b.jpg"), QStringLiteral("Boats"), 2);
    AddRow(Archive, QStringLiteral("b.jpg"), QStringLiteral("Old boats"), 1);
    return SaveSettings();
  }

  // count files of size bytes each (not real pictures: a move does not
  // decode), each with a row captioned with its number.
  bool MakeMany(int count, int size) {
    QDir().mkpath(Photos);
    QDir().mkpath(Archive);
    std::mutex lock;
    TdmVesk dm(DatabaseDir(), lock);
    TCatalogQueries q(dm);
    std::vector<TImageFileInfo> rows(static_cast<size_t>(count));
    std::vector<TImageFileInfo*> pointers;
    for (int n = 0; n < count; ++n) {
      QFile f(Photos + Name(n));
      if (!f.open(QIODevice::WriteOnly) || f.write(Content(n, size)) != size) {
        return false;
      }
      TImageFileInfo& r = rows[static_cast<size_t>(n)];
      r.Path = Photos;
      r.FileName = Name(n);
      r.CatalogID = q.CatalogIDOfPath(Photos);
      r.Caption = QStringLiteral("cap %1").arg(n);
      pointers.push_back(&r);
    }
    q.InsertFileRecords(pointers);
    return SaveSettings();
  }
  static QString Name(int n) { return QStringLiteral("p%1.jpg").arg(n, 4, 10, QLatin1Char('0')); }

  void AddRow(const QString& folder, const QString& name, const QString& caption, int rating) {
    std::mutex lock;
    TdmVesk dm(DatabaseDir(), lock);
    TCatalogQueries q(dm);
    TImageFileInfo r;
    r.Path = folder;
    r.FileName = name;
    r.CatalogID = q.CatalogIDOfPath(folder);
    r.Caption = caption;
    r.Rating = rating;
    q.InsertFileRecord(r);
  }

  bool SaveSettings() {
    RegStore store(Settings);
    store.WriteDword(kMainKey, QStringLiteral("SaveCrrSelection"), 1);
    store.WriteString(kMainKey, QStringLiteral("CrrSelection"), TreePath(Photos));
    return store.Save();
  }

  // Home and Settings are where these put them.
  TGlimrApplication::Options Options() const {
    return TGlimrApplication::Options::UnderFolder(Root, QStringLiteral(GLIMR_BINARY_DIR "/bin"));
  }

  struct TRow {
    QString Folder;  // the row's catalog path, "" when there is no row
    QString Caption;
    int Rating = -1;
  };
  // Every row of a file name (a name may have rows in several folders).
  QList<TRow> Rows(const QString& fileName) const {
    std::mutex lock;
    TdmVesk dm(DatabaseDir(), lock);
    TCatalogQueries q(dm);
    QList<std::pair<std::int32_t, TRow>> found;
    {
      std::lock_guard guard(dm.DbLock());
      TStatement st(dm.CurrentSession(),
                    QStringLiteral("SELECT CATALOGID, CAPTION, RATING FROM FILES WHERE "
                                   "FILENAME = :FileName ORDER BY ID;"));
      st.BindText(":FileName", fileName);
      while (st.Step()) {
        found.append({st.Row().Int(0), TRow{QString(), st.Row().Text(1), st.Row().Int(2)}});
      }
    }
    QList<TRow> rows;
    for (auto& [catalog, row] : found) {
      row.Folder = q.CatalogPath(catalog);
      rows.append(row);
    }
    return rows;
  }
};

QStringList Names(const TCurrentLists& lists) {
  QStringList names;
  for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
    if (!lists.CurrentFiles.At(i)->IsFolder) {
      names << lists.CurrentFiles.At(i)->FileName;
    }
  }
  names.sort();
  return names;
}

QStringList Files(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The destination dialog: folder and overwrite option (its combo's row).
std::function<void(QWidget*)> ChooseFolder(const QString& folder, int overwriteRow) {
  return [folder, overwriteRow](QWidget* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("deChoose"))->setText(folder);
    dialog->findChild<QComboBox*>(QStringLiteral("cbExistedFilesAction"))
        ->setCurrentIndex(overwriteRow);
    dialog->findChild<QAbstractButton*>(QStringLiteral("btnOk"))->click();
  };
}

std::function<void(QWidget*)> Click(const char* button) {
  return [button](QWidget* w) { w->findChild<QAbstractButton*>(QLatin1String(button))->click(); };
}

int RowOf(const TCurrentLists& lists, const QString& fileName) {
  for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
    if (lists.CurrentFiles.At(i)->FileName == fileName) {
      return i;
    }
  }
  return -1;
}

// The child: start on a folder of many files, move them all to Archive,
// and wait to be killed.
int RunChild(const QString& root) {
  TWorld world(root);
  TGlimrApplication app(world.Options());
  if (!app.Start()) {
    return 2;
  }
  TfrmVesk& window = *app.MainWindow();
  window.Actions().Get("aSelectAll")->trigger();
  TModalAnswer choose(QStringLiteral("frmCopyMoveTo"), ChooseFolder(world.Archive, 0));
  std::printf("MOVING %d\n", window.ListView()->SelectedCount());
  std::fflush(stdout);
  window.Actions().Get("aMoveToFolder")->trigger();
  std::printf("MOVED\n");
  std::fflush(stdout);
  for (;;) {
    QTest::qWait(1000);  // until the parent kills it
  }
}

}  // namespace

class TestFileOperations : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    // A trash of the test's own.
    trash_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", QFile::encodeName(trash_->path()));
  }

  void moveCopyRenameDelete() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.MakePictures());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    QCOMPARE(Names(lists), (QStringList{"a.jpg", "b.jpg"}));

    // Move both into Archive, where an older b.jpg waits: "Auto-rename".
    window.Actions().Get("aSelectAll")->trigger();
    {
      TModalAnswer choose(QStringLiteral("frmCopyMoveTo"), ChooseFolder(world.Archive, 3));
      window.Actions().Get("aMoveToFolder")->trigger();
      QVERIFY(choose.Done());
    }
    QCOMPARE(Files(world.Photos), QStringList());
    QCOMPARE(Files(world.Archive), (QStringList{"a.jpg", "b(0).jpg", "b.jpg"}));
    QCOMPARE(Names(lists), QStringList());
    const auto a = world.Rows(QStringLiteral("a.jpg"));
    QCOMPARE(a.size(), 1);
    QCOMPARE(a[0].Folder, world.Archive);
    QCOMPARE(a[0].Caption, QStringLiteral("Harbour"));
    QCOMPARE(a[0].Rating, 4);
    QCOMPARE(world.Rows(QStringLiteral("b(0).jpg")).value(0).Caption, QStringLiteral("Boats"));
    QCOMPARE(world.Rows(QStringLiteral("b.jpg")).value(0).Caption, QStringLiteral("Old boats"));
    QVERIFY(app.Context().Settings.DestinationHistory.contains(world.Archive.chopped(1)) ||
            app.Context().Settings.DestinationHistory.contains(world.Archive));

    // Copy a.jpg from Archive, paste it into Photos twice: the second time
    // the question comes and "Automatic Rename" gives a(0).jpg.
    window.SelectTreePath(TreePath(world.Archive));
    QTRY_COMPARE(Names(lists), (QStringList{"a.jpg", "b(0).jpg", "b.jpg"}));
    window.ListView()->FocusRow(RowOf(lists, QStringLiteral("a.jpg")), true);
    window.Actions().Get("aCopyToCB")->trigger();
    window.SelectTreePath(TreePath(world.Photos));
    QTRY_COMPARE(lists.CurrentFolder, world.Photos);
    window.Actions().Get("aPasteFromCB")->trigger();
    {
      TModalAnswer question(QStringLiteral("frmMessage"), Click("btnRename"));
      window.Actions().Get("aPasteFromCB")->trigger();
      QVERIFY(question.Done());
    }
    QCOMPARE(Files(world.Photos), (QStringList{"a(0).jpg", "a.jpg"}));
    QCOMPARE(Names(lists), (QStringList{"a(0).jpg", "a.jpg"}));
    // Copies get rows of their own with default values.
    const auto copies = world.Rows(QStringLiteral("a(0).jpg"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies[0].Folder, world.Photos);
    QCOMPARE(copies[0].Caption, QString());

    // Rename a(0).jpg, which is on the clipboard and the board, to "copy of
    // a.jpg", then try a name that is taken.
    window.ListView()->FocusRow(RowOf(lists, QStringLiteral("a(0).jpg")), true);
    window.Actions().Get("aCopyToCB")->trigger();
    window.Actions().Get("aCopyToIB")->trigger();
    TBoardList& board = app.Commands()->Board().Board();
    TClipboardList& clipboard = app.Commands()->Files().Clipboard();
    QCOMPARE(board.Count(), 1);
    QCOMPARE(clipboard.Count(), 1);
    {
      TModalAnswer ask(QString(), [](QWidget* box) {
        box->findChild<QLineEdit*>()->setText(QStringLiteral("copy of a.jpg"));
        QMetaObject::invokeMethod(box, "accept");
      });
      window.Actions().Get("aFileRename")->trigger();
      QVERIFY(ask.Done());
    }
    QCOMPARE(Files(world.Photos), (QStringList{"a.jpg", "copy of a.jpg"}));
    QCOMPARE(world.Rows(QStringLiteral("copy of a.jpg")).size(), 1);
    QCOMPARE(world.Rows(QStringLiteral("a(0).jpg")).size(), 0);
    QCOMPARE(board.Count(), 1);
    QCOMPARE(board.At(0).FullPath(), world.Photos + QStringLiteral("copy of a.jpg"));
    QCOMPARE(clipboard.Count(), 1);
    QCOMPARE(clipboard.Path(0), world.Photos + QStringLiteral("copy of a.jpg"));
    window.ListView()->FocusRow(RowOf(lists, QStringLiteral("copy of a.jpg")), true);
    {
      TModalAnswer ask(QString(), [](QWidget* box) {
        box->findChild<QLineEdit*>()->setText(QStringLiteral("a.jpg"));
        QMetaObject::invokeMethod(box, "accept");
      });
      TModalAnswer refused(QString(), [&ask](QWidget* box) {
        if (ask.Done()) {
          QMetaObject::invokeMethod(box, "accept");
        }
      });
      window.Actions().Get("aFileRename")->trigger();
      QTRY_VERIFY(refused.Done());
    }
    QCOMPARE(Files(world.Photos), (QStringList{"a.jpg", "copy of a.jpg"}));

    // Delete "copy of a.jpg": to the trash, and its row goes.
    window.ListView()->FocusRow(RowOf(lists, QStringLiteral("copy of a.jpg")), true);
    window.Actions().Get("aFileDelete")->trigger();
    QCOMPARE(Files(world.Photos), (QStringList{"a.jpg"}));
    QCOMPARE(Names(lists), (QStringList{"a.jpg"}));
    QCOMPARE(Files(trash_->path() + QStringLiteral("/Trash/files")),
             (QStringList{"copy of a.jpg"}));
    QCOMPARE(world.Rows(QStringLiteral("copy of a.jpg")).size(), 0);
    QCOMPARE(board.Count(), 0);
    QCOMPARE(clipboard.Count(), 0);
    QVERIFY(app.Shutdown());
  }

  // Cut and Copy publish the files for file managers; Paste takes files a
  // file manager copied when that came after Glimr's own Copy.
  void systemClipboard() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.MakePictures());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    window.ListView()->FocusRow(RowOf(lists, QStringLiteral("a.jpg")), true);
    window.Actions().Get("aCopyToCB")->trigger();
    const QMimeData* published = QGuiApplication::clipboard()->mimeData();
    QVERIFY(published);
    QCOMPARE(published->urls(), QList<QUrl>{QUrl::fromLocalFile(world.Photos + "a.jpg")});
    QCOMPARE(published->data(QStringLiteral("x-special/gnome-copied-files")),
             "copy\n" + QUrl::fromLocalFile(world.Photos + "a.jpg").toEncoded());

    // A file manager copies Archive's b.jpg; Paste in Photos asks (b.jpg is
    // there) and the automatic rename keeps both.
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(world.Archive + "b.jpg")});
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  "copy\n" + QUrl::fromLocalFile(world.Archive + "b.jpg").toEncoded());
    QGuiApplication::clipboard()->setMimeData(data);
    {
      TModalAnswer question(QStringLiteral("frmMessage"), Click("btnRename"));
      window.Actions().Get("aPasteFromCB")->trigger();
      QVERIFY(question.Done());
    }
    QCOMPARE(Files(world.Photos), (QStringList{"a.jpg", "b(0).jpg", "b.jpg"}));
    QCOMPARE(Files(world.Archive), (QStringList{"b.jpg"}));  // a copy: the source stays
    QCOMPARE(Names(lists), (QStringList{"a.jpg", "b(0).jpg", "b.jpg"}));
    QVERIFY(app.Shutdown());
  }

  // Paste takes the files most recently put on a clipboard, Glimr's own or
  // the desktop's: a text copied since (a caption) does not hide Glimr's,
  // and files a file manager copied later win. Paste runs in Archive.
  void pasteTakesNewestFileClipboard_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("archive");  // its files after the paste
    const QStringList glimrsFile{"a.jpg", "b.jpg"};
    const QStringList desktopsFile{"b.jpg", "d.jpg"};
    QTest::newRow("text copied after Glimr's Copy")
        << QStringList{"start", "glimr copy", "desktop text"} << glimrsFile;
    QTest::newRow("files copied after Glimr's Copy")
        << QStringList{"start", "glimr copy", "desktop files"} << desktopsFile;
    QTest::newRow("Glimr's Copy after the desktop's files")
        << QStringList{"start", "desktop files", "glimr copy"} << glimrsFile;
    QTest::newRow("files, then text, after Glimr's Copy")
        << QStringList{"start", "glimr copy", "desktop files", "desktop text"} << glimrsFile;
    QTest::newRow("files copied before the start, none in Glimr")
        << QStringList{"desktop files", "start"} << desktopsFile;
    QTest::newRow("only text anywhere")
        << QStringList{"start", "desktop text"} << QStringList{"b.jpg"};
  }
  void pasteTakesNewestFileClipboard() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, archive);
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.MakePictures());
    const QString elsewhere = dir.path() + QStringLiteral("/elsewhere/");
    QDir().mkpath(elsewhere);
    QImage picture(32, 32, QImage::Format_RGB888);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save(elsewhere + QStringLiteral("d.jpg")));
    QClipboard* desktop = QGuiApplication::clipboard();
    desktop->clear();

    std::optional<TGlimrApplication> app;
    for (const QString& step : steps) {
      if (step == QLatin1String("start")) {
        app.emplace(world.Options());
        QVERIFY(app->Start());
      } else if (step == QLatin1String("glimr copy")) {
        app->MainWindow()->ListView()->FocusRow(RowOf(app->Lists(), QStringLiteral("a.jpg")), true);
        app->MainWindow()->Actions().Get("aCopyToCB")->trigger();
      } else if (step == QLatin1String("desktop files")) {
        auto* data = new QMimeData;
        const QUrl url = QUrl::fromLocalFile(elsewhere + QStringLiteral("d.jpg"));
        data->setUrls({url});
        data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
        desktop->setMimeData(data);
      } else if (step == QLatin1String("desktop text")) {
        desktop->setText(QStringLiteral("Harbour at dawn"));
      }
    }
    TfrmVesk& window = *app->MainWindow();
    window.SelectTreePath(TreePath(world.Archive));
    QTRY_COMPARE(app->Lists().CurrentFolder, world.Archive);
    // A clash would ask; nothing here should, and Skip keeps the test going.
    TModalAnswer unexpected(QStringLiteral("frmMessage"), Click("btnSkip"));
    window.Actions().Get("aPasteFromCB")->trigger();
    QVERIFY(!unexpected.Done());
    QCOMPARE(Files(world.Archive), archive);
    QCOMPARE(Names(app->Lists()), archive);
    QCOMPARE(Files(elsewhere), QStringList{"d.jpg"});  // a copy: the source stays
    QVERIFY(app->Shutdown());
    desktop->clear();
  }

  // Delete takes only the selected images' rows out of the list and leaves
  // nothing selected, so a second Delete deletes nothing; the focus stays
  // on the image that took the deleted one's place (or on the focused one
  // when it stayed). Files p4 ... p0 are listed in that order.
  void deleteLeavesNothingSelected_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("focused");
    QTest::addColumn<QString>("focusAfter");
    QTest::newRow("the focused image") << QList<int>{2} << 2 << TWorld::Name(1);
    QTest::newRow("the last row") << QList<int>{0} << 0 << TWorld::Name(1);
    QTest::newRow("two images, the focus on the first") << QList<int>{3, 2} << 3 << TWorld::Name(1);
    QTest::newRow("the focus on an image that stays") << QList<int>{2} << 4 << TWorld::Name(4);
    QTest::newRow("every image") << QList<int>{0, 1, 2, 3, 4} << 2 << QStringLiteral("..");
  }
  void deleteLeavesNothingSelected() {
    QFETCH(QList<int>, selected);
    QFETCH(int, focused);
    QFETCH(QString, focusAfter);
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.MakeMany(5, 100));
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    TFileListView& view = *window.ListView();
    QStringList shown;
    for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
      shown << lists.CurrentFiles.At(i)->FileName;
    }
    QCOMPARE(shown, (QStringList{"..", TWorld::Name(4), TWorld::Name(3), TWorld::Name(2),
                                 TWorld::Name(1), TWorld::Name(0)}));

    QStringList left = Files(world.Photos);
    for (int n : selected) {
      lists.CurrentFiles.Find(world.Photos + TWorld::Name(n))->Selected = true;
      left.removeOne(TWorld::Name(n));
    }
    view.RestoreSelectionFromRecords();
    view.FocusRow(RowOf(lists, TWorld::Name(focused)), false);
    QCOMPARE(view.SelectedCount(), selected.size());

    window.Actions().Get("aFileDelete")->trigger();
    QCOMPARE(Files(world.Photos), left);
    QCOMPARE(view.SelectedCount(), 0);
    QCOMPARE(view.ActiveView()->selectionModel()->selectedIndexes().size(), 0);
    const int row = view.FocusedRow();
    QVERIFY(row >= 0);
    QCOMPARE(lists.CurrentFiles.At(row)->FileName, focusAfter);
    if (window.Ribbon()) {
      QCOMPARE(window.Ribbon()->Ribbon().TargetIndex, row);
    }

    window.Actions().Get("aFileDelete")->trigger();  // nothing selected
    QCOMPARE(Files(world.Photos), left);
    QVERIFY(app.Shutdown());
  }

  // A move killed in the middle: every file is whole at least once, no
  // half file has an image name, and every file has its row where it is
  // (the one file in flight at the kill may also have a second row at the
  // place it left: a move copies the row ahead of the file and deletes the
  // old one after it).
  void killDuringMove() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    constexpr int kCount = 300;
    constexpr int kSize = 64 * 1024;
    QVERIFY(world.MakeMany(kCount, kSize));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QString out;
    for (int tries = 0; tries < 600 && !out.contains(QStringLiteral("MOVING")); ++tries) {
      child.waitForReadyRead(100);
      out += QString::fromUtf8(child.readAllStandardOutput());
      QVERIFY2(child.state() == QProcess::Running, qPrintable(out));
    }
    QVERIFY2(out.contains(QStringLiteral("MOVING %1").arg(kCount + 1)),  // with ".."
             qPrintable(out));
    // Kill once a tenth of the files has arrived.
    for (int tries = 0; tries < 3000 && Files(world.Archive).size() < kCount / 10; ++tries) {
      QTest::qWait(2);
    }
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(10000);
    out += QString::fromUtf8(child.readAllStandardOutput());

    int moved = 0;
    int inFlight = 0;
    for (int n = 0; n < kCount; ++n) {
      const QString name = TWorld::Name(n);
      const bool here = QFile::exists(world.Photos + name);
      const bool there = QFile::exists(world.Archive + name);
      QVERIFY2(here || there, qPrintable(name));
      for (const QString& folder : {world.Photos, world.Archive}) {
        QFile f(folder + name);
        if (f.exists()) {
          QVERIFY(f.open(QIODevice::ReadOnly));
          QVERIFY2(f.readAll() == Content(n, kSize), qPrintable(folder + name));
        }
      }
      const auto rows = world.Rows(name);
      QVERIFY2(rows.size() == 1 || rows.size() == 2, qPrintable(name));
      bool rowHere = false;
      bool rowThere = false;
      for (const auto& row : rows) {
        QCOMPARE(row.Caption, QStringLiteral("cap %1").arg(n));
        rowHere |= row.Folder == world.Photos;
        rowThere |= row.Folder == world.Archive;
      }
      QVERIFY2(rowHere || !here, qPrintable(name));
      QVERIFY2(rowThere || !there, qPrintable(name));
      moved += there && !here ? 1 : 0;
      inFlight += rows.size() == 2 ? 1 : 0;
    }
    QVERIFY2(inFlight <= 1, qPrintable(QString::number(inFlight)));
    // Only hidden temporary names besides the pictures.
    for (const QString& folder : {world.Photos, world.Archive}) {
      for (const QString& name : Files(folder)) {
        QVERIFY2(
            name.startsWith(QStringLiteral("p")) || name.endsWith(QStringLiteral(".glimr-part")),
            qPrintable(name));
      }
    }
    qInfo("%d of %d files had moved at the kill (%s)", moved, kCount,
          out.contains(QStringLiteral("MOVED")) ? "run complete" : "run cut short");
    // The kernel let go of the killed program's lock: the data folder is free.
    TGlimrApplication again(world.Options());
    QVERIFY(again.Start());
    QVERIFY(again.Shutdown());
  }

 private:
  std::unique_ptr<QTemporaryDir> trash_;
};

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString child = qEnvironmentVariable(kChildVariable);
  if (!child.isEmpty()) {
    return RunChild(child);
  }
  TestFileOperations test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_fileoperations.moc"
