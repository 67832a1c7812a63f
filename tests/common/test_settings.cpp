#include <QTemporaryDir>
#include <QTest>

#include "common/regstore.h"
#include "common/settings.h"

using namespace glimr;

namespace {

const QString kAppDir = QStringLiteral("/opt/glimr/");

QStringList AllMainValues() {
  return {QStringLiteral("ProgState"),
          QStringLiteral("AntialiasingThumbEnabled"),
          QStringLiteral("AntialiasingTextEnabled"),
          QStringLiteral("ShowHalo"),
          QStringLiteral("ShowCaptionsText"),
          QStringLiteral("SmoothThumb"),
          QStringLiteral("CapRValue"),
          QStringLiteral("CapGValue"),
          QStringLiteral("CapBValue"),
          QStringLiteral("HaloRValue"),
          QStringLiteral("HaloGValue"),
          QStringLiteral("HaloBValue"),
          QStringLiteral("ThumbQuality"),
          QStringLiteral("CashSize"),
          QStringLiteral("SlideshowInterval"),
          QStringLiteral("CapFontName"),
          QStringLiteral("LanguagesPath"),
          QStringLiteral("PluginsPath"),
          QStringLiteral("LanguageFile"),
          QStringLiteral("CapFontStyle"),
          QStringLiteral("SaveCrrSelection"),
          QStringLiteral("CrrSelection")};
}

}  // namespace

class TestSettings : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void progStateRoundTripAndOffsets() {
    TProgState s;
    s.WindowState = 2;
    s.Left = -5;
    s.Top = 0x01020304;
    s.Width = 800;
    s.LeftPanelShown = 0;
    s.LeftTabs = {0, 0, 1};
    s.RightPageIndex = 2;
    s.LeftPageIndex = 1;
    const QByteArray b = EncodeProgState(s);
    QCOMPARE(b.size(), 48);
    QCOMPARE(b.mid(0, 4), QByteArray("\x02\x00\x00\x00", 4));
    QCOMPARE(b.mid(4, 4), QByteArray("\xfb\xff\xff\xff", 4));
    QCOMPARE(b.mid(8, 4), QByteArray("\x04\x03\x02\x01", 4));
    QCOMPARE(b.mid(32, 8), QByteArray("\x00\x01\x00\x00\x01\x01\x01\x01", 8));
    // The right page index comes before the left one.
    QCOMPARE(b.mid(40, 4), QByteArray("\x02\x00\x00\x00", 4));
    QCOMPARE(b.mid(44, 4), QByteArray("\x01\x00\x00\x00", 4));
    QCOMPARE(DecodeProgState(b).value(), s);
    QVERIFY(!DecodeProgState(b.left(47)).has_value());
    QVERIFY(!DecodeProgState(b + '\0').has_value());
  }

  void firstRunDefaultsAndWritesEverything() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quillfen/Glimr.reg"));
    RegStore store(file);
    QVERIFY(store.Load());
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QVERIFY(!s.hasProgState);
    QCOMPARE(s.ThumbQuality, 2);
    QCOMPARE(s.ThumbTextureSize, 256);
    QCOMPARE(s.CashSize, 100);
    QCOMPARE(s.SlideshowInterval, 4);
    QCOMPARE(s.CapFontName, QStringLiteral("Arial"));
    QVERIFY(s.SmoothThumb);
    QCOMPARE(s.TextureFilter, 9729);
    QVERIFY(!s.AntialiasingThumbEnabled && !s.AntialiasingTextEnabled);
    QVERIFY(s.ShowHalo && s.ShowCaptionsText && s.SaveCrrSelection);
    QCOMPARE(s.LanguagesPath, QStringLiteral("/opt/glimr/Languages/"));
    QCOMPARE(s.PluginsPath, QStringLiteral("/opt/glimr/Plugins/"));
    QVERIFY(s.LanguageFile.isEmpty() && s.CrrSelection.isEmpty());
    QVERIFY(s.DestinationHistory.isEmpty());
    QVERIFY(!store.KeyExists(kHistoryKey));

    SaveSettings(store, s);
    QVERIFY(store.Save());
    RegStore back(file);
    QVERIFY(back.Load());
    QCOMPARE(back.ValueNames(kMainKey), AllMainValues());
    QVERIFY(back.KeyExists(kHistoryKey));
    QVERIFY(back.ValueNames(kHistoryKey).isEmpty());
    QCOMPARE(back.ReadBinary(kMainKey, QStringLiteral("CapFontStyle")).value(),
             QByteArray(4, '\0'));
    QCOMPARE(back.ReadBinary(kMainKey, QStringLiteral("ProgState")).value(),
             EncodeProgState(TProgState{}));
    QCOMPARE(back.ReadString(kMainKey, QStringLiteral("LanguageFile")).value(), QString());
  }

  // The plug-in folder's default follows the program, the languages' the
  // data folder, so a GLIMR_HOME data folder does not hide the plug-ins.
  void folderDefaultsFromPaths() {
    RegStore store(QString{});
    TSettings s;
    LoadSettings(
        store, s,
        TAppPaths::ForFolders(QStringLiteral("/home/ann/data"), QStringLiteral("/opt/glimr")));
    QCOMPARE(s.LanguagesPath, QStringLiteral("/home/ann/data/Languages/"));
    QCOMPARE(s.PluginsPath, QStringLiteral("/opt/glimr/Plugins/"));
  }

  void roundTripOfChangedValues() {
    RegStore store(QString{});
    TSettings s = TSettings::Defaults(kAppDir);
    s.ProgState.Width = 1234;
    s.AntialiasingTextEnabled = true;
    s.SmoothThumb = false;
    s.HaloGValue = 17;
    s.ThumbQuality = 5;
    s.CashSize = 2000;
    s.SlideshowInterval = 90;
    s.CapFontName = QStringLiteral("DejaVu Sans");
    s.CapFontStyle = {1, 0, 1, 0};
    s.LanguageFile = QStringLiteral("Deutsch.lng");
    s.CrrSelection = QStringLiteral("Computer\\File System\\home");
    s.DestinationHistory = {QStringLiteral("/a/"), QStringLiteral("/b/"), QStringLiteral("/a/")};
    SaveSettings(store, s);
    RegStore reparsed(QString{});
    reparsed.ParseText(store.ToText());
    TSettings r;
    LoadSettings(reparsed, r, kAppDir);
    QVERIFY(r.hasProgState);
    QCOMPARE(r.ProgState, s.ProgState);
    QVERIFY(r.AntialiasingTextEnabled);
    QVERIFY(!r.SmoothThumb);
    QCOMPARE(r.TextureFilter, 9728);
    QCOMPARE(r.HaloGValue, 17);
    QCOMPARE(r.ThumbQuality, 5);
    QCOMPARE(r.CashSize, 2000);
    QCOMPARE(r.SlideshowInterval, 90);
    QCOMPARE(r.CapFontName, s.CapFontName);
    QCOMPARE(r.CapFontStyle, s.CapFontStyle);
    QCOMPARE(r.LanguageFile, s.LanguageFile);
    QCOMPARE(r.CrrSelection, s.CrrSelection);
    QCOMPARE(r.DestinationHistory, s.DestinationHistory);
  }

  void shortenedHistoryLeavesExactlyNewEntries() {
    RegStore store(QString{});
    for (int k = 0; k < 10; ++k) {
      store.WriteString(kHistoryKey, QString::number(k), QStringLiteral("/f%1/").arg(k));
    }
    // Odd names and types from a hand-edited file must go too.
    store.WriteDword(kHistoryKey, QStringLiteral("stale"), 7);
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QCOMPARE(s.DestinationHistory.size(), 10);  // the DWORD is not a path
    QCOMPARE(s.DestinationHistory.first(), QStringLiteral("/f0/"));
    s.DestinationHistory = {QStringLiteral("/x/"), QStringLiteral("/y/"), QStringLiteral("/z/")};
    SaveSettings(store, s);
    QCOMPARE(store.ValueNames(kHistoryKey),
             QStringList({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}));
    QCOMPARE(store.ReadString(kHistoryKey, QStringLiteral("2")).value(), QStringLiteral("/z/"));
  }

  void historyKeepsListingOrder() {
    RegStore store(QString{});
    store.WriteString(kHistoryKey, QStringLiteral("1"), QStringLiteral("/second-written-first/"));
    store.WriteString(kHistoryKey, QStringLiteral("0"), QStringLiteral("/then-this/"));
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QCOMPARE(s.DestinationHistory, QStringList({QStringLiteral("/second-written-first/"),
                                                QStringLiteral("/then-this/")}));
  }

  void crrSelectionRules_data() {
    QTest::addColumn<QString>("stored");  // "" = SaveCrrSelection missing
    QTest::addColumn<bool>("expectSave");
    QTest::addColumn<QString>("expectSelection");
    QTest::newRow("save on") << "1" << true << "Computer\\Home";
    QTest::newRow("save off: path not read") << "0" << false << "";
    QTest::newRow("flag missing: on, path not read") << "" << true << "";
    QTest::newRow("flag as text: missing") << "text" << true << "";
  }
  void crrSelectionRules() {
    QFETCH(QString, stored);
    QFETCH(bool, expectSave);
    QFETCH(QString, expectSelection);
    RegStore store(QString{});
    store.WriteString(kMainKey, QStringLiteral("CrrSelection"), QStringLiteral("Computer\\Home"));
    if (stored == QLatin1String("text")) {
      store.WriteString(kMainKey, QStringLiteral("SaveCrrSelection"), QStringLiteral("1"));
    } else if (!stored.isEmpty()) {
      store.WriteDword(kMainKey, QStringLiteral("SaveCrrSelection"), stored.toUInt());
    }
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QCOMPARE(s.SaveCrrSelection, expectSave);
    QCOMPARE(s.CrrSelection, expectSelection);
  }

  void saveCrrSelectionOffDeletesPath() {
    RegStore store(QString{});
    store.WriteString(kMainKey, QStringLiteral("CrrSelection"), QStringLiteral("Computer\\Home"));
    TSettings s = TSettings::Defaults(kAppDir);
    s.SaveCrrSelection = false;
    SaveSettings(store, s);
    QVERIFY(!store.ValueExists(kMainKey, QStringLiteral("CrrSelection")));
    QCOMPARE(store.ReadDword(kMainKey, QStringLiteral("SaveCrrSelection")).value(), 0u);
  }

  void emptyFolderPathsStayEmptyAndAreNotWritten() {
    RegStore store(QString{});
    store.WriteString(kMainKey, QStringLiteral("LanguagesPath"), QString());
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QVERIFY(s.LanguagesPath.isEmpty());
    RegStore out(QString{});
    SaveSettings(out, s);
    QVERIFY(!out.ValueExists(kMainKey, QStringLiteral("LanguagesPath")));
    QVERIFY(out.ValueExists(kMainKey, QStringLiteral("PluginsPath")));
    QVERIFY(out.ValueExists(kMainKey, QStringLiteral("LanguageFile")));
  }

  // Each bad value falls back to its own default; its neighbours still load.
  void wrongTypesAndLengthsAreIgnoredOneByOne() {
    RegStore store(QString{});
    store.ParseText(
        QStringLiteral("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr]\r\n"
                       "\"ProgState\"=hex:01,02,03\r\n"
                       "\"ShowHalo\"=\"no\"\r\n"
                       "\"ShowCaptionsText\"=dword:00000000\r\n"
                       "\"CapRValue\"=hex:10\r\n"
                       "\"CapGValue\"=dword:00000010\r\n"
                       "\"CashSize\"=\"500\"\r\n"
                       "\"CapFontName\"=dword:00000001\r\n"
                       "\"CapFontStyle\"=hex:01,01\r\n"
                       "\"LanguageFile\"=\"ru.lng\"\r\n"));
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QVERIFY(!s.hasProgState);
    QCOMPARE(s.ProgState, TProgState{});
    QVERIFY(s.ShowHalo);
    QVERIFY(!s.ShowCaptionsText);
    QCOMPARE(s.CapRValue, 255);
    QCOMPARE(s.CapGValue, 16);
    QCOMPARE(s.CashSize, 100);
    QCOMPARE(s.CapFontName, QStringLiteral("Arial"));
    QCOMPARE(s.CapFontStyle, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    QCOMPARE(s.LanguageFile, QStringLiteral("ru.lng"));
  }

  void outOfRangeNumbers_data() {
    QTest::addColumn<quint32>("quality");
    QTest::addColumn<int>("expectQuality");
    QTest::addColumn<quint32>("cash");
    QTest::addColumn<int>("expectCash");
    QTest::newRow("in range") << 4u << 4 << 9u << 9;
    QTest::newRow("quality too high, cash huge") << 9u << 5 << 100000u << 100000;
    QTest::newRow("negative as DWORD") << 0xFFFFFFFFu << 0 << 0xFFFFFFFFu << 100;
    QTest::newRow("zero cash") << 0u << 0 << 0u << 100;
  }
  void outOfRangeNumbers() {
    QFETCH(quint32, quality);
    QFETCH(int, expectQuality);
    QFETCH(quint32, cash);
    QFETCH(int, expectCash);
    RegStore store(QString{});
    store.WriteDword(kMainKey, QStringLiteral("ThumbQuality"), quality);
    store.WriteDword(kMainKey, QStringLiteral("CashSize"), cash);
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QCOMPARE(s.ThumbQuality, expectQuality);
    QCOMPARE(s.CashSize, expectCash);
    QCOMPARE(s.ThumbTextureSize, ThumbSizes[static_cast<std::size_t>(expectQuality)]);
  }

  // The slideshow interval as the settings file holds it: the two ends of
  // 1..3600 s load as they are; anything else, including a value of the
  // wrong type, is the default of 4 s.
  void slideshowIntervalFromFile_data() {
    QTest::addColumn<QString>("line");  // the value's line in the file; "" = no line
    QTest::addColumn<int>("expected");
    QTest::newRow("missing") << "" << 4;
    QTest::newRow("shortest") << "dword:00000001" << 1;
    QTest::newRow("longest") << "dword:00000e10" << 3600;
    QTest::newRow("zero") << "dword:00000000" << 4;
    QTest::newRow("one past the longest") << "dword:00000e11" << 4;
    QTest::newRow("negative as DWORD") << "dword:ffffffff" << 4;
    QTest::newRow("text") << "\"10\"" << 4;
    QTest::newRow("binary") << "hex:0a,00,00,00" << 4;
    QTest::newRow("damaged number") << "dword:1x" << 4;
  }
  void slideshowIntervalFromFile() {
    QFETCH(QString, line);
    QFETCH(int, expected);
    QString text =
        QStringLiteral("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr]\r\n");
    if (!line.isEmpty()) {
      text += QStringLiteral("\"SlideshowInterval\"=") + line + QStringLiteral("\r\n");
    }
    RegStore store(QString{});
    store.ParseText(text);
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QCOMPARE(s.SlideshowInterval, expected);
    RegStore out(QString{});
    SaveSettings(out, s);
    QCOMPARE(out.ReadDword(kMainKey, QStringLiteral("SlideshowInterval")).value(),
             static_cast<quint32>(expected));
  }

  void damagedFileStillLoads() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Glimr.reg"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    static const char kJunk[] =
        "\xff\xfe\x00\x01garbage\x80\x81\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Glimr]\r\n"
        "\"CashSize\"=dword:00000200\r\n\"ThumbQuality\"=dword:zz\r\n\0\0\0";
    f.write(kJunk, sizeof(kJunk) - 1);
    f.close();
    RegStore store(file);
    store.Load();  // whatever it reports, start-up goes on with what it read
    TSettings s;
    LoadSettings(store, s, kAppDir);
    QCOMPARE(s.ThumbQuality, 2);
    QCOMPARE(s.CashSize, 512);
  }

  void thumbTextureSize_data() {
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("maxTexture");
    QTest::addColumn<int>("expected");
    QTest::newRow("256 fits") << 2 << 8192 << 256;
    QTest::newRow("device max 128") << 5 << 128 << 128;
    QTest::newRow("device max 128, small quality") << 0 << 128 << 64;
    QTest::newRow("quality beyond table") << 12 << 16384 << 2048;
    QTest::newRow("negative quality") << -3 << 16384 << 64;
  }
  void thumbTextureSize() {
    QFETCH(int, quality);
    QFETCH(int, maxTexture);
    QFETCH(int, expected);
    QCOMPARE(ThumbTextureSizeFor(quality, maxTexture), expected);
  }

  void storedLanguageFilePath() {
    RegStore store(QString{});
    QCOMPARE(StoredLanguageFilePath(store, kAppDir), QStringLiteral("/opt/glimr/Languages/"));
    store.WriteString(kMainKey, QStringLiteral("LanguagesPath"), QStringLiteral("/l"));
    store.WriteString(kMainKey, QStringLiteral("LanguageFile"), QStringLiteral("x.lng"));
    QCOMPARE(StoredLanguageFilePath(store, kAppDir), QStringLiteral("/l/x.lng"));
  }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
