#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "browse/filelist.h"
#include "common/inifile.h"
#include "external/desktopapps.h"
#include "external/externallaunch.h"
#include "external/externalprogs.h"
#include "support/privileges.h"

using namespace glimr;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An executable shell script.
void WriteScript(const QString& path, const QByteArray& body) {
  Write(path, "#!/bin/sh\n" + body);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// name|path|parameters of every entry.
QStringList Entries(const TExternalProgs& progs) {
  QStringList out;
  for (int i = 0; i < progs.Count(); ++i) {
    const TExternalProg* p = progs.Items(i);
    out << p->Name + u'|' + p->Path + u'|' + p->Parameters;
  }
  return out;
}

// The names of the sections of an INI file, in file order.
QStringList SectionNames(const QString& path) {
  QStringList out;
  const std::optional<TIniFile> ini = TIniFile::Load(path);
  if (ini) {
    for (const TIniSection& s : ini->sections()) {
      out << s.name;
    }
  }
  return out;
}

QByteArray Section(int n, const QByteArray& name, const QByteArray& path,
                   const QByteArray& params = ":FullName:") {
  return "[External Editor " + QByteArray::number(n) + "]\nName=" + name + "\nPath=" + path +
         "\nParameters=" + params + "\n";
}

}  // namespace

class TestExternal : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void listReadsEveryNumberedSectionInOrder() {
    QTemporaryDir dir;
    const QString file = dir.filePath("eprogs.dat");
    // Out of file order, with a gap, a stray spelling and a foreign section.
    Write(file, Section(3, "Three", "/bin/three") + "[Other]\nName=x\n" +
                    Section(0, "Zero", "/bin/zero", "-a :FullName:") +
                    Section(1, "One", "/bin/one") +
                    Section(1, "Stray", "/bin/stray").replace("1]", "01]"));
    TExternalProgs progs;
    QVERIFY(progs.LoadFromFile(file));
    QCOMPARE(Entries(progs), (QStringList{"Zero|/bin/zero|-a :FullName:", "One|/bin/one|:FullName:",
                                          "Three|/bin/three|:FullName:"}));
    QCOMPARE(progs.Items(2)->Index(), 2);
    QCOMPARE(&progs.Items(1)->Owner(), &progs);
    QVERIFY(!progs.Items(3) && !progs.Items(-1));

    // Written back without the gap; the next read gives the same list.
    QVERIFY(progs.SaveToFile(file));
    QCOMPARE(SectionNames(file),
             (QStringList{"External Editor 0", "External Editor 1", "External Editor 2"}));
    TExternalProgs again;
    QVERIFY(again.LoadFromFile(file));
    QCOMPARE(Entries(again), Entries(progs));
  }

  void shorterListLeavesNoStaleSection() {
    QTemporaryDir dir;
    const QString file = dir.filePath("eprogs.dat");
    QByteArray old;
    for (int n : {0, 1, 2, 3, 4, 9}) {
      old += Section(n, "Old" + QByteArray::number(n), "/bin/old");
    }
    Write(file, old);
    TExternalProgs progs;
    progs.Add("A").Path = "/bin/a";
    TExternalProg& b = progs.Add("B");
    b.Path = "/usr/bin/b c";
    b.Parameters = "--x \":FullName:\"";
    QVERIFY(progs.SaveToFile(file));
    QCOMPARE(SectionNames(file), (QStringList{"External Editor 0", "External Editor 1"}));
    TExternalProgs again;
    QVERIFY(again.LoadFromFile(file));
    QCOMPARE(Entries(again), (QStringList{"A|/bin/a|", "B|/usr/bin/b c|--x \":FullName:\""}));

    // An empty list leaves an empty file.
    progs.Clear();
    QVERIFY(progs.SaveToFile(file));
    QVERIFY(again.LoadFromFile(file));
    QCOMPARE(again.Count(), 0);
  }

  void damagedFilesKeepTheGoodEntries_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    const QByteArray good = Section(0, "Good", "/bin/good");
    QTest::newRow("binary garbage")
        << QByteArray("\x00\xff\xfe[\x01]=\n\x00=\x00", 12) << QStringList();
    QTest::newRow("garbage around a good section")
        << QByteArray("\x00\x01garbage\n==\n[\n]\n") + good + "junk line\n"
        << QStringList{"Good|/bin/good|:FullName:"};
    QTest::newRow("value too long: cut, the entry kept")
        << Section(0, QByteArray(3000, 'x'), "/bin/x") + Section(1, "Good", "/bin/good")
        << QStringList{QString(2047, u'x') + "|/bin/x|:FullName:", "Good|/bin/good|:FullName:"};
    QTest::newRow("longest value kept") << Section(0, QByteArray(2047, 'x'), "/bin/x", "")
                                        << QStringList{QString(2047, u'x') + "|/bin/x|"};
    QTest::newRow("section without name or path: kept; none of the keys: skipped")
        << QByteArray("[External Editor 0]\nParameters=:FullName:\n[External Editor 1]\nFoo=1\n") +
               Section(2, "Good", "/bin/good")
        << QStringList{"||:FullName:", "Good|/bin/good|:FullName:"};
    QTest::newRow("keys present with empty values, as an empty entry is written")
        << QByteArray("[External Editor 0]\nName=\nPath=\nParameters=\n") +
               Section(1, "Good", "/bin/good")
        << QStringList{"||", "Good|/bin/good|:FullName:"};
    QTest::newRow("empty section")
        << QByteArray("[External Editor 0]\n") + Section(1, "Good", "/bin/good")
        << QStringList{"Good|/bin/good|:FullName:"};
    QTest::newRow("huge and odd numbers")
        << Section(0, "Zero", "/bin/0") +
               QByteArray(
                   "[External Editor 123456789012345678901234567890]\nName=Huge\n"
                   "[External Editor -1]\nName=Minus\n[External Editor x]\nName=X\n"
                   "[External Editor ]\nName=Blank\n")
        << QStringList{"Zero|/bin/0|:FullName:", "Huge||"};
    QTest::newRow("repeated section: the last counts")
        << Section(0, "First", "/bin/1") + Section(0, "Second", "/bin/2")
        << QStringList{"Second|/bin/2|:FullName:"};
    QTest::newRow("name only, case of the header ignored")
        << QByteArray("[EXTERNAL EDITOR 0]\nname=N\n") << QStringList{"N||"};
  }

  void damagedFilesKeepTheGoodEntries() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath("eprogs.dat");
    Write(file, content);
    TExternalProgs progs;
    progs.Add("left over");
    QVERIFY(progs.LoadFromFile(file));
    QCOMPARE(Entries(progs), expected);
  }

  // A value longer than a line may hold is cut to its first 2047
  // characters (never inside a character outside the basic plane), and the
  // entry survives the next save and load: nothing the user wrote is lost.
  void longValuesAreCutAndKept_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("kept");
    const QString x3000(3000, u'x');
    QTest::newRow("name") << "Name" << x3000 << QString(2047, u'x');
    QTest::newRow("path") << "Path"
                          << "/bin/" + x3000 << "/bin/" + QString(2042, u'x');
    QTest::newRow("parameters") << "Parameters"
                                << "-a " + x3000 << "-a " + QString(2044, u'x');
    // U+1F600 takes two UTF-16 units, the second of which would be unit 2048.
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("not inside a character")
        << "Name" << QString(2046, u'y') + smile + "z" << QString(2046, u'y');
    QTest::newRow("longest kept whole")
        << "Parameters" << QString(2047, u'p') << QString(2047, u'p');
  }
  void longValuesAreCutAndKept() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, kept);
    QTemporaryDir dir;
    const QString file = dir.filePath("eprogs.dat");
    TIniFile ini;
    ini.WriteString(TExternalProgs::SectionName(0), "Name", "Editor");
    ini.WriteString(TExternalProgs::SectionName(0), "Path", "/bin/editor");
    ini.WriteString(TExternalProgs::SectionName(0), key, value);
    ini.WriteString(TExternalProgs::SectionName(1), "Name", "Next");
    QVERIFY(ini.Save(file));

    QString expected = QStringLiteral("Editor|/bin/editor|");
    if (key == "Name") {
      expected = kept + "|/bin/editor|";
    } else if (key == "Path") {
      expected = "Editor|" + kept + "|";
    } else {
      expected += kept;
    }
    TExternalProgs progs;
    QVERIFY(progs.LoadFromFile(file));
    QCOMPARE(Entries(progs), (QStringList{expected, "Next||"}));
    // The exit's save and the next start.
    QVERIFY(progs.SaveToFile(file));
    TExternalProgs again;
    QVERIFY(again.LoadFromFile(file));
    QCOMPARE(Entries(again), (QStringList{expected, "Next||"}));
  }

  void unreadableFilesAreReported() {
    QTemporaryDir dir;
    TExternalProgs progs;
    progs.Add("left over");
    QString error;
    QVERIFY(progs.LoadFromFile(dir.filePath("missing.dat"), &error));
    QCOMPARE(progs.Count(), 0);
    QVERIFY(error.isEmpty());

    // A folder where the file belongs.
    QVERIFY(QDir(dir.path()).mkdir("eprogs.dat"));
    QVERIFY(!progs.LoadFromFile(dir.filePath("eprogs.dat"), &error));
    QVERIFY2(error.contains(dir.filePath("eprogs.dat")), qPrintable(error));
    QCOMPARE(progs.Count(), 0);
  }

  void writeFailureIsReportedAndKeepsTheOldFile() {
    GLIMR_WITHOUT_FILE_CAPABILITIES();
    QTemporaryDir dir;
    const QString folder = dir.filePath("ro");
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + "/eprogs.dat";
    const QByteArray old = Section(0, "Old", "/bin/old");
    Write(file, old);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    TExternalProgs progs;
    progs.Add("New").Path = "/bin/new";
    QString error;
    const bool saved = progs.SaveToFile(file, &error);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QVERIFY(!saved);
    QVERIFY2(error.startsWith("Unable to write to " + file), qPrintable(error));
    QCOMPARE(Read(file), old);
  }

  void argumentsFromTemplate_data() {
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QStringList>("expected");
    const QString a = "/pics/a.jpg";
    QTest::newRow("full name") << ":FullName:" << a << QStringList{a};
    QTest::newRow("switch, folder in lower case, name without extension")
        << "/s :filepath: :FileWithoutExt:.bmp" << a << QStringList{"/s", "/pics/", "a.bmp"};
    QTest::newRow("placeholder already quoted") << "\":FullName:\"" << a << QStringList{a};
    QTest::newRow("quoted group with blanks") << "-o \"out dir/:FileWithExt:\" -e :FILEEXT:" << a
                                              << QStringList{"-o", "out dir/a.jpg", "-e", "jpg"};
    QTest::newRow("blanks and quotes in the name stay one argument")
        << ":FullName:"
        << "/my pics/say \"hi\" now.png" << QStringList{"/my pics/say \"hi\" now.png"};
    QTest::newRow("leading dash") << "--open :FileWithExt:"
                                  << "/p/-rf.jpg" << QStringList{"--open", "-rf.jpg"};
    QTest::newRow("a name holding a placeholder is not expanded again")
        << ":FileWithExt:"
        << "/p/x:FullName:.jpg" << QStringList{"x:FullName:.jpg"};
    QTest::newRow("glued to text") << "--file=:FullName:" << a << QStringList{"--file=" + a};
    QTest::newRow("empty results are dropped") << "-x :FileExt: \"\" :FileWithoutExt:"
                                               << "/p/.hidden" << QStringList{"-x", "hidden"};
    QTest::newRow("no extension") << ":FileWithoutExt: :FileExt:"
                                  << "/p/README" << QStringList{"README"};
    QTest::newRow("last dot only") << ":FileWithoutExt:|:FileExt:"
                                   << "/p/a.tar.gz" << QStringList{"a.tar|gz"};
    QTest::newRow("unbalanced quote takes the rest")
        << "-a \"b  :FileWithExt: c" << a << QStringList{"-a", "b  a.jpg c"};
    QTest::newRow("lone quote") << "\"" << a << QStringList{};
    QTest::newRow("empty template") << "" << a << QStringList{};
    QTest::newRow("blanks only") << " \t " << a << QStringList{};
    QTest::newRow("unknown placeholder kept")
        << ":Other: ::FullName::" << a << QStringList{":Other:", ":" + a + ":"};
    QTest::newRow("quotes joined with text") << "a\"b c\"d" << a << QStringList{"ab cd"};
    QTest::newRow("unicode name") << ":FileWithExt:"
                                  << "/p/Фото 1.jpg" << QStringList{"Фото 1.jpg"};
  }

  void argumentsFromTemplate() {
    QFETCH(QString, parameters);
    QFETCH(QString, image);
    QFETCH(QStringList, expected);
    QCOMPARE(BuildExternalArguments(parameters, image), expected);
  }

  void launchChecksTheProgramOnceAndStartsOncePerImage() {
    QTemporaryDir dir;
    const QString tool = dir.filePath("tool");
    WriteScript(tool, "exit 0\n");
    TExternalProgs progs;
    TExternalProg& prog = progs.Add("Tool");
    prog.Path = tool;
    prog.Parameters = "-v :FileWithExt:";
    QList<QStringList> calls;
    const TProgramStarter record = [&](const QString& program, const QStringList& args) {
      calls.append(QStringList{program} + args);
      return !args.contains("fails.jpg");
    };

    TLaunchResult r = LaunchExternalProg(prog, {"/p/a.jpg", "/p/b c.jpg", "/p/fails.jpg"}, record);
    QCOMPARE(calls,
             (QList<QStringList>{
                 {tool, "-v", "a.jpg"}, {tool, "-v", "b c.jpg"}, {tool, "-v", "fails.jpg"}}));
    QCOMPARE(r.Started, 2);
    QCOMPARE(r.Failed, 1);
    QVERIFY2(r.Error.contains(tool) && r.Error.contains("1 of 3"), qPrintable(r.Error));

    calls.clear();
    r = LaunchExternalProg(prog, {}, record);
    QVERIFY(calls.isEmpty() && r.Error.isEmpty() && r.Started == 0);

    // Missing, not executable, a folder, empty: one message, nothing started.
    const QString plain = dir.filePath("plain");
    Write(plain, "text");
    for (const QString& path : {dir.filePath("missing"), plain, dir.path(), QString()}) {
      prog.Path = path;
      r = LaunchExternalProg(prog, {"/p/a.jpg", "/p/b.jpg"}, record);
      QVERIFY(calls.isEmpty());
      QCOMPARE(r.Started, 0);
      QVERIFY2(r.Error.startsWith("Cannot start " + path), qPrintable(r.Error));
    }
    // A bare name is looked up in PATH.
    QCOMPARE(ResolveProgram("sh").value_or(QString()), QStandardPaths::findExecutable("sh"));
  }

  void realStartPassesEachNameAsOneArgument() {
    QTemporaryDir dir;
    const QString out = dir.filePath("argv.out");
    const QString tool = dir.filePath("print args");
    WriteScript(tool, "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"" +
                          QFile::encodeName(out) + ".tmp\" && mv \"" + QFile::encodeName(out) +
                          ".tmp\" \"" + QFile::encodeName(out) + "\"\n");
    TExternalProgs progs;
    TExternalProg& prog = progs.Add("Print");
    prog.Path = tool;
    prog.Parameters = "--name \":FileWithExt:\" :FullName: \"\" :FilePath:";
    const QString image = dir.filePath("-x $(date) 'a' \"b\" *.jpg");
    Write(image, "img");
    const TLaunchResult r = LaunchExternalProg(prog, {image});
    QCOMPARE(r.Started, 1);
    QVERIFY(r.Error.isEmpty());
    QTRY_VERIFY(QFileInfo::exists(out));
    const QList<QByteArray> args = Read(out).split('\0');
    QCOMPARE(args, (QList<QByteArray>{"--name", QFile::encodeName("-x $(date) 'a' \"b\" *.jpg"),
                                      QFile::encodeName(image), QFile::encodeName(dir.path() + '/'),
                                      ""}));
  }

  void selectedImagesSkipFolders() {
    TFileList list(true);
    const auto add = [&](const QString& name, bool selected, bool folder) {
      auto* r = new TImageFileInfo;
      r->Path = "/p/";
      r->FileName = name;
      r->Selected = selected;
      r->IsFolder = folder;
      list.Append(r->FullPath(), r);
    };
    add("a.jpg", true, false);
    add("sub", true, true);
    add("b.jpg", false, false);
    add("c.jpg", true, false);
    add("d.jpg", true, false);
    QCOMPARE(SelectedImagePaths(list), (QStringList{"/p/a.jpg", "/p/c.jpg", "/p/d.jpg"}));
  }

  void fileManagerOnlyForRealFolders() {
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    QCOMPARE(FileManagerFolder(TListSource::Catalog, folder).value_or(QString()), folder);
    QVERIFY(!FileManagerFolder(TListSource::Category, folder));
    QVERIFY(!FileManagerFolder(TListSource::Search, folder));
    QVERIFY(!FileManagerFolder(TListSource::Catalog, QString()));
    QVERIFY(!FileManagerFolder(TListSource::Catalog, folder + "gone/"));
  }

  void desktopExec_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("parameters");  // "<none>" when refused
    QTest::newRow("file code") << "viewer %f"
                               << "viewer"
                               << ":FullName:";
    QTest::newRow("list and url codes") << "viewer --new %U"
                                        << "viewer"
                                        << "--new :FullName:";
    QTest::newRow("icon, name and location dropped") << "edit %i --caption %c %k %F"
                                                     << "edit"
                                                     << "--caption :FullName:";
    QTest::newRow("percent sign") << "tool --scale=50%% %u"
                                  << "tool"
                                  << "--scale=50% :FullName:";
    QTest::newRow("no file code appends one") << "gimp-2.10"
                                              << "gimp-2.10"
                                              << ":FullName:";
    QTest::newRow("quoted argument with blanks") << "\"/opt/My App/run\" --title \"a b\" %f"
                                                 << "/opt/My App/run"
                                                 << "--title \"a b\" :FullName:";
    QTest::newRow("escapes in quotes") << "run \"a\\\\b\\$c\" %f"
                                       << "run"
                                       << "a\\b$c :FullName:";
    QTest::newRow("embedded code") << "run --file=%f"
                                   << "run"
                                   << "--file=:FullName:";
    QTest::newRow("quote inside an argument") << "run \"say \\\"hi\\\"\" %f"
                                              << "run"
                                              << "<none>";
    QTest::newRow("unclosed quote") << "run \"a %f"
                                    << "run"
                                    << "<none>";
    QTest::newRow("empty") << ""
                           << ""
                           << "<none>";
    QTest::newRow("code as program") << "%f"
                                     << ""
                                     << "<none>";
  }

  void desktopExec() {
    QFETCH(QString, exec);
    QFETCH(QString, program);
    QFETCH(QString, parameters);
    const auto result = DesktopExecToProgram(exec);
    if (parameters == "<none>") {
      QVERIFY(!result);
      return;
    }
    QVERIFY(result);
    QCOMPARE(result->first, program);
    QCOMPARE(result->second, parameters);
  }

  void desktopEntries_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");  // empty when the entry is refused
    const QString base =
        "[Desktop Entry]\nType=Application\nName=Viewer\nName[de]=Betrachter\n"
        "Name[de_AT]=Anseher\nName[sr@latin]=Pregled\nExec=viewer %f\n"
        "MimeType=text/plain;image/png;\n";
    QTest::newRow("plain") << base << "C"
                           << "Viewer";
    QTest::newRow("language") << base << "de_DE"
                              << "Betrachter";
    QTest::newRow("language and country") << base << "de_AT.UTF-8"
                                          << "Anseher";
    QTest::newRow("modifier") << base << "sr_RS@latin"
                              << "Pregled";
    QTest::newRow("spaces around =") << QString(base).replace("Name=Viewer", "Name = Viewer") << "C"
                                     << "Viewer";
    QTest::newRow("no image type") << QString(base).replace("image/png", "video/mp4") << "C"
                                   << "";
    QTest::newRow("NoDisplay") << base + "NoDisplay=true\n"
                               << "C"
                               << "";
    QTest::newRow("Hidden") << base + "Hidden=true\n"
                            << "C"
                            << "";
    QTest::newRow("not an application") << QString(base).replace("Application", "Link") << "C"
                                        << "";
    QTest::newRow("keys of another group")
        << "[Desktop Entry]\nType=Application\nName=Main\nExec=main\n[Desktop Action x]\n"
           "MimeType=image/png;\n"
        << "C"
        << "";
    QTest::newRow("no Exec") << QString(base).replace("Exec=viewer %f", "") << "C"
                             << "";
    QTest::newRow("garbage") << QString("\x01\x02[[[=]]]\n=\n") << "C"
                             << "";
  }

  void desktopEntries() {
    QFETCH(QString, text);
    QFETCH(QString, locale);
    QFETCH(QString, name);
    const std::optional<TDesktopApp> app = ParseDesktopEntry(text, locale);
    QCOMPARE(app ? app->Name : QString(), name);
    if (app) {
      QCOMPARE(app->Program, "viewer");
      QCOMPARE(app->Parameters, ":FullName:");
    }
  }

  void installedApplicationsFromDataDirs() {
    QTemporaryDir dir;
    const QString home = dir.filePath("home");
    const QString sys = dir.filePath("sys");
    const QString bin = dir.filePath("bin");
    WriteScript(bin + "/paint", "exit 0\n");
    WriteScript(bin + "/view", "exit 0\n");
    const auto entry = [](const QString& name, const QString& exec, const QString& extra = {}) {
      return ("[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec +
              "\nIcon=paint\nMimeType=image/jpeg;\n" + extra)
          .toUtf8();
    };
    Write(sys + "/applications/paint.desktop", entry("Paint", bin + "/paint --new %U"));
    Write(sys + "/applications/view.desktop", entry("Old View", bin + "/view %f"));
    Write(sys + "/applications/gone.desktop", entry("Gone", bin + "/gone %f"));
    Write(sys + "/applications/tried.desktop",
          entry("Tried", bin + "/view %f", "TryExec=nothere\n"));
    Write(sys + "/applications/kde/sub.desktop", entry("Sub", bin + "/view -s %f"));
    Write(sys + "/applications/hidden.desktop", entry("Hidden", bin + "/view %f"));
    // The user's own entries take the place of the system's ones.
    Write(home + "/applications/view.desktop", entry("My View", bin + "/view --mine %f"));
    Write(home + "/applications/hidden.desktop",
          entry("Hidden", bin + "/view %f", "Hidden=true\n"));

    qputenv("XDG_DATA_HOME", QFile::encodeName(home));
    qputenv("XDG_DATA_DIRS",
            QFile::encodeName(sys) + ":" + QFile::encodeName(dir.filePath("none")));
    const QStringList dirs = ApplicationDirs();
    QCOMPARE(dirs, (QStringList{home + "/applications", sys + "/applications",
                                dir.filePath("none") + "/applications"}));
    TDesktopApps apps;
    apps.Scan(dirs, "C");
    QStringList found;
    for (const TDesktopApp& app : apps.Apps()) {
      found << app.Id + u'|' + app.Name + u'|' + app.Program + u'|' + app.Parameters;
    }
    QCOMPARE(found, (QStringList{
                        "view.desktop|My View|" + bin + "/view|--mine :FullName:",
                        "paint.desktop|Paint|" + bin + "/paint|--new :FullName:",
                        "kde-sub.desktop|Sub|" + bin + "/view|-s :FullName:",
                    }));
    QCOMPARE(apps.FindByProgram(bin + "/paint")->Name, "Paint");
    QVERIFY(!apps.FindByProgram(bin + "/other"));
  }
};

QTEST_GUILESS_MAIN(TestExternal)
#include "test_external.moc"
