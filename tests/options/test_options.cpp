// What an OK of the options dialog runs, the cache size change on a real
// cache, aClearCash, and the language list and switch.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include "common/langtable.h"
#include "common/language.h"
#include "common/locks.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadercontrol.h"
#include "imaging/cache/thumbmaker.h"
#include "options/colornames.h"
#include "options/languagelist.h"
#include "options/optionsapply.h"
#include "options/optionschanges.h"

using namespace glimr;

namespace {

class TNoMaker : public TThumbMaker {
 public:
  std::optional<TMadeThumb> MakeThumb(const QString&, std::int32_t) override { return {}; }
};

TBmpCashPtr Entry() {
  QImage b(4, 4, QImage::Format_RGB888);
  b.fill(Qt::black);
  return std::make_shared<TBmpCash>(10, 10, std::move(b));
}

// The flags of c as names, in declaration order.
QString Flags(const TOptionsChanges& c) {
  QStringList names;
  const std::pair<bool, const char*> flags[] = {{c.CaptionColor, "CaptionColor"},
                                                {c.CaptionFont, "CaptionFont"},
                                                {c.RenderProc, "RenderProc"},
                                                {c.Appearance, "Appearance"},
                                                {c.SaveSelection, "SaveSelection"},
                                                {c.SlideshowInterval, "SlideshowInterval"},
                                                {c.CashSize, "CashSize"},
                                                {c.Smoothing, "Smoothing"},
                                                {c.Quality, "Quality"},
                                                {c.Language, "Language"}};
  for (const auto& [on, name] : flags) {
    if (on) {
      names << QLatin1String(name);
    }
  }
  return names.join(QLatin1Char(' '));
}

// One edit of the settings, as the dialog would make it.
using TEdit = std::function<void(TSettings&)>;

// Hooks that write each call into a log.
struct THookLog {
  QStringList calls;
  TOptionsHooks hooks;

  THookLog() {
    auto note = [this](const QString& s) { calls << s; };
    hooks.RebuildCaptionFont = [note](const TSettings& s) {
      note(QStringLiteral("RebuildCaptionFont(%1,%2)")
               .arg(s.CapFontName)
               .arg(StyleBits(s.CapFontStyle)));
    };
    hooks.SetRenderProc = [note](const TSettings& s) {
      note(QStringLiteral("SetRenderProc(%1,%2)")
               .arg(int(s.AntialiasingThumbEnabled))
               .arg(int(s.AntialiasingTextEnabled)));
    };
    hooks.SetColors = [note](const TSettings& s) {
      note(QStringLiteral("SetColors(%1,%2)").arg(s.CapRValue).arg(s.HaloGValue));
    };
    hooks.SetTextureFilter = [note](int f) { note(QStringLiteral("SetTextureFilter(%1)").arg(f)); };
    hooks.SetSlideshowInterval = [note](int seconds) {
      note(QStringLiteral("SetSlideshowInterval(%1)").arg(seconds));
    };
    hooks.ResizeCash = [note](int a, int b) {
      note(QStringLiteral("ResizeCash(%1,%2)").arg(a).arg(b));
    };
    hooks.ClearCash.DetachSlots = [note] { note(QStringLiteral("DetachSlots")); };
    hooks.ClearCash.EmptyCash = [note](std::int32_t size) {
      note(QStringLiteral("EmptyCash(%1)").arg(size));
    };
    hooks.ClearCash.PrepareScene = [note] { note(QStringLiteral("PrepareScene")); };
    hooks.PrepareScene = [note] { note(QStringLiteral("PrepareScene")); };
    hooks.Redraw = [note] { note(QStringLiteral("Redraw")); };
    hooks.HideZoom = [note] { note(QStringLiteral("HideZoom")); };
    hooks.ApplyLanguage = [note] { note(QStringLiteral("ApplyLanguage")); };
    hooks.ShowMessage = [note](const QString&) { note(QStringLiteral("ShowMessage")); };
  }
};

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class TestOptions : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { LoadLanguageFile(QString()); }

  // Each control of the dialog moves exactly its own step; values the
  // dialog does not edit move none.
  void compareOptions_data() {
    QTest::addColumn<TEdit>("edit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("OK without changes") << TEdit([](TSettings&) {}) << "";
    QTest::newRow("thumbnails antialiasing")
        << TEdit([](TSettings& s) { s.AntialiasingThumbEnabled = true; }) << "RenderProc";
    QTest::newRow("texts antialiasing")
        << TEdit([](TSettings& s) { s.AntialiasingTextEnabled = true; }) << "RenderProc";
    QTest::newRow("show captions")
        << TEdit([](TSettings& s) { s.ShowCaptionsText = false; }) << "Appearance";
    QTest::newRow("caption colour, one channel")
        << TEdit([](TSettings& s) { s.CapGValue = 0; }) << "CaptionColor";
    QTest::newRow("caption face") << TEdit([](TSettings& s) { s.CapFontName = "DejaVu Sans"; })
                                  << "CaptionFont";
    QTest::newRow("caption face differing in case only")
        << TEdit([](TSettings& s) { s.CapFontName = "ARIAL"; }) << "CaptionFont";
    QTest::newRow("italic only") << TEdit([](TSettings& s) {
      s.CapFontStyle = {0, 1, 0, 0};
    }) << "CaptionFont";
    QTest::newRow("highlighting") << TEdit([](TSettings& s) { s.ShowHalo = false; })
                                  << "Appearance";
    QTest::newRow("highlight colour")
        << TEdit([](TSettings& s) { s.HaloBValue = 7; }) << "Appearance";
    QTest::newRow("save selection")
        << TEdit([](TSettings& s) { s.SaveCrrSelection = false; }) << "SaveSelection";
    QTest::newRow("smoothing") << TEdit([](TSettings& s) { s.SmoothThumb = false; }) << "Smoothing";
    QTest::newRow("cache size") << TEdit([](TSettings& s) { s.CashSize = 60; }) << "CashSize";
    QTest::newRow("slideshow interval")
        << TEdit([](TSettings& s) { s.SlideshowInterval = 10; }) << "SlideshowInterval";
    QTest::newRow("quality") << TEdit([](TSettings& s) { s.ThumbQuality = 4; }) << "Quality";
    QTest::newRow("language") << TEdit([](TSettings& s) { s.LanguageFile = "fr.lng"; })
                              << "Language";
    QTest::newRow("back to the built-in English")
        << TEdit([](TSettings& s) { s.LanguageFile.clear(); }) << "Language";
    QTest::newRow("language file differing in case only")
        << TEdit([](TSettings& s) { s.LanguageFile = "DE.lng"; }) << "Language";
    QTest::newRow("values the dialog does not edit") << TEdit([](TSettings& s) {
      s.CrrSelection = "Computer\\Home";
      s.DestinationHistory = {"/tmp/"};
      s.ProgState.Width = 1;
      s.TextureFilter = kGlNearest;
      s.ThumbTextureSize = 64;
    }) << "";
    QTest::newRow("several at once") << TEdit([](TSettings& s) {
      s.AntialiasingTextEnabled = true;
      s.CashSize = 500;
      s.LanguageFile = "fr.lng";
    }) << "RenderProc CashSize Language";
  }
  void compareOptions() {
    QFETCH(TEdit, edit);
    QFETCH(QString, expected);
    TSettings before = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    before.LanguageFile = QStringLiteral("de.lng");
    TSettings after = before;
    edit(after);
    const TOptionsChanges c = CompareOptions(before, after);
    QCOMPARE(Flags(c), expected);
    QCOMPARE(c.Any(), !expected.isEmpty());
  }

  // The steps an OK runs, in order, with the values they get.
  void applyOptions_data() {
    QTest::addColumn<TEdit>("edit");
    QTest::addColumn<QString>("calls");
    QTest::newRow("OK without changes redraws once") << TEdit([](TSettings&) {}) << "Redraw";
    QTest::newRow("font face and style") << TEdit([](TSettings& s) {
      s.CapFontName = "DejaVu Serif";
      s.CapFontStyle = {1, 1, 0, 0};
    }) << "RebuildCaptionFont(DejaVu Serif,3) Redraw";
    QTest::newRow("antialiasing") << TEdit([](TSettings& s) { s.AntialiasingThumbEnabled = true; })
                                  << "SetRenderProc(1,0) Redraw";
    QTest::newRow("colours") << TEdit([](TSettings& s) {
      s.CapRValue = 10;
      s.HaloGValue = 20;
    }) << "SetColors(10,20) Redraw";
    QTest::newRow("save selection only stores the value")
        << TEdit([](TSettings& s) { s.SaveCrrSelection = false; }) << "Redraw";
    QTest::newRow("cache lowered")
        << TEdit([](TSettings& s) { s.CashSize = 60; }) << "ResizeCash(100,60) Redraw";
    QTest::newRow("slideshow interval") << TEdit([](TSettings& s) { s.SlideshowInterval = 10; })
                                        << "SetSlideshowInterval(10) Redraw";
    QTest::newRow("smoothing off: filter, slots rebuilt")
        << TEdit([](TSettings& s) { s.SmoothThumb = false; })
        << "SetTextureFilter(9728) PrepareScene Redraw";
    QTest::newRow("quality: slots let go, cache emptied for the new size")
        << TEdit([](TSettings& s) { s.ThumbQuality = 4; })
        << "DetachSlots EmptyCash(1024) PrepareScene Redraw";
    QTest::newRow("smoothing and quality rebuild the slots once") << TEdit([](TSettings& s) {
      s.SmoothThumb = false;
      s.ThumbQuality = 1;
    }) << "SetTextureFilter(9728) DetachSlots EmptyCash(128) PrepareScene Redraw";
  }
  void applyOptions() {
    QFETCH(TEdit, edit);
    QFETCH(QString, calls);
    TSettings settings = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    TSettings chosen = settings;
    edit(chosen);
    THookLog log;
    ApplyOptions(CompareOptions(settings, chosen), chosen, settings, log.hooks);
    QCOMPARE(log.calls.join(QLatin1Char(' ')), calls);
    // Every value the dialog edits is now the chosen one.
    QVERIFY(!CompareOptions(settings, chosen).Any());
    QCOMPARE(settings.TextureFilter, TextureFilterFor(settings.SmoothThumb));
    QCOMPARE(settings.ThumbTextureSize, ThumbSizes[settings.ThumbQuality]);
  }

  // Lowering the size releases entries no slot shows, from the first on;
  // raising it releases nothing. "used" lists the indexes in use.
  void resizeCash_data() {
    QTest::addColumn<int>("entries");
    QTest::addColumn<QList<int>>("used");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("released");
    QList<int> tenUsed;
    for (int i = 0; i < 10; ++i) {
      tenUsed << i * 7;
    }
    QTest::newRow("100 to 60, 80 entries, 10 in use") << 80 << tenUsed << 100 << 60 << 40;
    QTest::newRow("raising releases nothing") << 80 << tenUsed << 100 << 300 << 0;
    QTest::newRow("fewer entries than to release") << 20 << QList<int>{0, 1} << 100 << 9 << 18;
    QTest::newRow("all in use") << 5 << QList<int>{0, 1, 2, 3, 4} << 100 << 9 << 0;
  }
  void resizeCash() {
    QFETCH(int, entries);
    QFETCH(QList<int>, used);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, released);
    TLocks locks;
    TNoMaker maker;
    TCash cash(locks, maker, from);
    std::vector<TBmpCashPtr> pinned;
    for (int i = 0; i < entries; ++i) {
      cash.Append(QStringLiteral("/p/%1.jpg").arg(i), Entry());
    }
    // Pin by path: the list order is the cache's own business.
    QStringList order;
    for (int i = 0; i < cash.Count(); ++i) {
      order << cash.PathAt(i);
    }
    QStringList inUse;
    for (int i : used) {
      inUse << order[i];
      pinned.push_back(cash.Pin(order[i]));
    }

    QCOMPARE(ResizeCash(cash, from, to), released);
    QCOMPARE(cash.Capacity(), to);
    QCOMPARE(cash.Count(), entries - released);
    for (const QString& path : inUse) {
      QVERIFY2(cash.Contains(path), qPrintable(path));
    }
    // The released ones are the first entries not in use.
    QStringList expected;
    int toRelease = released;
    for (const QString& path : order) {
      if (toRelease > 0 && !inUse.contains(path)) {
        --toRelease;
        continue;
      }
      expected << path;
    }
    QStringList remaining;
    for (int i = 0; i < cash.Count(); ++i) {
      remaining << cash.PathAt(i);
    }
    QCOMPARE(remaining, expected);
  }

  // aClearCash on a real cache without a running loader: the slots let go
  // before the cache is emptied, and are rebuilt on the empty cache.
  void clearCash() {
    TLocks locks;
    TNoMaker maker;
    TCash cash(locks, maker, 100);
    TLoaderControl loader(cash, locks);
    cash.Append(QStringLiteral("/p/a.jpg"), Entry());
    cash.Append(QStringLiteral("/p/b.jpg"), Entry());
    TBmpCashPtr shown = cash.Pin(QStringLiteral("/p/a.jpg"));

    QStringList calls;
    TClearCashHooks hooks;
    hooks.DetachSlots = [&] {
      calls << QStringLiteral("DetachSlots(%1)").arg(cash.Count());
      cash.Unpin(shown);
    };
    auto empty = EmptyCashThrough(loader);
    hooks.EmptyCash = [&](std::int32_t size) {
      calls << QStringLiteral("EmptyCash(%1)").arg(size);
      empty(size);
    };
    hooks.PrepareScene = [&] { calls << QStringLiteral("PrepareScene(%1)").arg(cash.Count()); };
    const std::uint64_t generation = cash.Generation();
    ClearCashExecute(hooks, 256);
    QCOMPARE(calls.join(QLatin1Char(' ')),
             QStringLiteral("DetachSlots(2) EmptyCash(256) PrepareScene(0)"));
    QVERIFY(!shown->InUse.load());
    QCOMPARE(cash.Generation(), generation + 1);
    QVERIFY(!loader.HasLoader());
  }

  // The list: the built-in English first, then each file that names its
  // language, by file name; the rest left out.
  void languageList() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString d = dir.path() + QLatin1Char('/');
    WriteFile(d + "de.lng", "[Options]\nLangDesc=Deutsch\n[Captions]\n85=Optionen\n");
    WriteFile(d + "fr.LNG",
              "[options]\r\nlangdesc = Fran\xc3\xa7"
              "ais\r\n");
    WriteFile(d + "ru.lng", "[Options]\nLangDesc=\xd0\xf3\xf1\xf1\xea\xe8\xe9\n");  // cp1251
    WriteFile(d + "a-twin.lng", "[Options]\nLangDesc=Deutsch\n");
    WriteFile(d + "nodesc.lng", "[Captions]\n85=Optionen\n");
    WriteFile(d + "emptydesc.lng", "[Options]\nLangDesc=\n");
    WriteFile(d + "binary.lng", QByteArray("\x00\xff\x10[Opt\x00ions]\x01\xfe", 14));
    WriteFile(d + "notes.txt", "[Options]\nLangDesc=Notes\n");
    QVERIFY(QDir(d).mkdir("folder.lng"));

    const QList<TLanguageItem> items = BuildLanguageList(d);
    QStringList shown;
    QStringList files;
    for (const TLanguageItem& item : items) {
      shown << item.Description;
      files << QFileInfo(item.Path).fileName();
    }
    QCOMPARE(shown, (QStringList{"Default(English)", "Deutsch", "Deutsch",
                                 QString::fromUtf8("Fran\xc3\xa7"
                                                   "ais"),
                                 QString::fromUtf8(
                                     "\xd0\xa0\xd1\x83\xd1\x81\xd1\x81\xd0\xba\xd0\xb8\xd0\xb9")}));
    QCOMPARE(files, (QStringList{"", "a-twin.lng", "de.lng", "fr.LNG", "ru.lng"}));
    QVERIFY(items[0].Path.isEmpty());

    QCOMPARE(LanguageIndexOf(items, d + "de.lng"), 2);
    QCOMPARE(LanguageIndexOf(items, d + "DE.lng"), 0);
    QCOMPARE(LanguageIndexOf(items, d + "nodesc.lng"), 0);
    QCOMPARE(LanguageIndexOf(items, QString()), 0);
    QCOMPARE(BuildLanguageList(d + "missing/").size(), 1);
    QCOMPARE(BuildLanguageList(QString()).size(), 1);
  }

  // Switching to a language, back to the built-in English, and a file that
  // went bad after the list was filled.
  void languageSwitch() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString d = dir.path() + QLatin1Char('/');
    WriteFile(d + "de.lng", "[Options]\nLangDesc=Deutsch\n[Captions]\n85=Optionen\n");
    WriteFile(d + "gone.lng", "[Options]\nLangDesc=Gone\n");
    WriteFile(d + "spoilt.lng", "[Options]\nLangDesc=Spoilt\n");
    TSettings settings = TSettings::Defaults(QStringLiteral("/opt/glimr/"));
    settings.LanguagesPath = d;
    LoadLanguageFile(JoinFolderFile(d, settings.LanguageFile));

    auto pick = [&](const QString& file, THookLog& log) {
      TSettings chosen = settings;
      chosen.LanguageFile = file;
      return ApplyOptions(CompareOptions(settings, chosen), chosen, settings, log.hooks);
    };

    THookLog toGerman;
    QVERIFY(pick("de.lng", toGerman).LanguageSwitched);
    QCOMPARE(toGerman.calls.join(' '), QStringLiteral("Redraw HideZoom ApplyLanguage"));
    QCOMPARE(settings.LanguageFile, QStringLiteral("de.lng"));
    QCOMPARE(LangText(TLangSection::Captions, 85), QStringLiteral("Optionen"));

    THookLog same;
    QVERIFY(!pick("de.lng", same).LanguageSwitched);
    QCOMPARE(same.calls.join(' '), QStringLiteral("Redraw"));

    // Both files were listed; one is deleted and one loses its description
    // before OK.
    QVERIFY(QFile::remove(d + "gone.lng"));
    WriteFile(d + "spoilt.lng", "[Captions]\n85=Kaputt\n");
    for (const QString& bad : {QStringLiteral("gone.lng"), QStringLiteral("spoilt.lng")}) {
      THookLog refused;
      const TOptionsOutcome out = pick(bad, refused);
      QVERIFY(out.LanguageRefused);
      QVERIFY(!out.LanguageSwitched);
      QCOMPARE(refused.calls.join(' '), QStringLiteral("Redraw ShowMessage"));
      QCOMPARE(settings.LanguageFile, QStringLiteral("de.lng"));
      QCOMPARE(LangText(TLangSection::Captions, 85), QStringLiteral("Optionen"));
    }

    THookLog toEnglish;
    QVERIFY(pick(QString(), toEnglish).LanguageSwitched);
    QCOMPARE(toEnglish.calls.join(' '), QStringLiteral("Redraw HideZoom ApplyLanguage"));
    QVERIFY(settings.LanguageFile.isEmpty());
    QCOMPARE(LangText(TLangSection::Captions, 85), QStringLiteral("Options"));
  }

  // The value rules of the controls.
  // A palette cell is named by its colour in words, never by its code.
  void colorNames_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    // The palette's own cells, in order.
    QTest::newRow("FFFFFF") << "FFFFFF"
                            << "White";
    QTest::newRow("00FFFF") << "00FFFF"
                            << "Light Blue";
    QTest::newRow("FF00FF") << "FF00FF"
                            << "Purple";
    QTest::newRow("FFFF00") << "FFFF00"
                            << "Yellow";
    QTest::newRow("FF0000") << "FF0000"
                            << "Red";
    QTest::newRow("C0C0C0") << "C0C0C0"
                            << "Light Grey";
    QTest::newRow("FFC0CB") << "FFC0CB"
                            << "Light Red";
    QTest::newRow("FFD700") << "FFD700"
                            << "Yellow";
    QTest::newRow("808000") << "808000"
                            << "Dark Yellow";
    QTest::newRow("008080") << "008080"
                            << "Dark Blue";
    QTest::newRow("800080") << "800080"
                            << "Dark Purple";
    QTest::newRow("CD853F") << "CD853F"
                            << "Orange";
    QTest::newRow("4B0082") << "4B0082"
                            << "Dark Purple";
    QTest::newRow("B22222") << "B22222"
                            << "Red";
    QTest::newRow("696969") << "696969"
                            << "Grey";
    QTest::newRow("DC143C") << "DC143C"
                            << "Red";
    QTest::newRow("FFF8DC") << "FFF8DC"
                            << "Light Yellow";
    QTest::newRow("DEB887") << "DEB887"
                            << "Orange";
    // Colours the colour dialog may give.
    QTest::newRow("black") << "000000"
                           << "Black";
    QTest::newRow("nearly black") << "0A0A0C"
                                  << "Black";
    QTest::newRow("charcoal") << "333333"
                              << "Dark Grey";
    QTest::newRow("green") << "00A000"
                           << "Green";
    QTest::newRow("navy") << "000080"
                          << "Dark Blue";
    QTest::newRow("sky") << "87CEEB"
                         << "Light Blue";
    QTest::newRow("orange") << "FF8C00"
                            << "Orange";
    QTest::newRow("a greyish blue is grey") << "707478"
                                            << "Grey";
  }
  void colorNames() {
    QFETCH(QString, code);
    QFETCH(QString, name);
    QCOMPARE(ColorName(PaletteColor(code)), name);
  }

  void colorNamesFollowTheLanguage() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("de.lng"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Captions]\n314=Rot\n313=Grau\n[Strings]\n145=Dunkles %1\n146=Helles %1\n");
    f.close();
    QVERIFY(LoadLanguageFile(file));
    QCOMPARE(ColorName(QColor(255, 0, 0)), QStringLiteral("Rot"));
    QCOMPARE(ColorName(QColor(0x69, 0x69, 0x69)), QStringLiteral("Grau"));
    QCOMPARE(ColorName(QColor(0x80, 0, 0)), QStringLiteral("Dunkles Rot"));
    QCOMPARE(ColorName(QColor(0xC0, 0xC0, 0xC0)), QStringLiteral("Helles Grau"));
  }

  void controlValues() {
    QCOMPARE(ClampCashSize(5), 9);
    QCOMPARE(ClampCashSize(5000), 2000);
    QCOMPARE(ClampCashSize(100), 100);
    // An unedited control keeps the stored value it had to clamp.
    QCOMPARE(ChosenValue(5000, 2000, 2000), 5000);
    QCOMPARE(ChosenValue(5000, 2000, 1500), 1500);

    // maximum texture size, texture size in use -> maximum, position
    const struct {
      int maxTexture, inUse, maximum, position;
    } ranges[] = {{16384, 256, 5, 2}, {1024, 1024, 4, 4}, {2048, 200, 5, 2},
                  {32, 64, 0, 0},     {4096, 64, 5, 0},   {1024, 4096, 4, 4}};
    for (const auto& r : ranges) {
      const TQualityRange got = QualityRange(r.maxTexture, r.inUse);
      QCOMPARE(got, (TQualityRange{r.maximum, r.position}));
    }

    QCOMPARE(PaletteText(QColor(255, 215, 0)), QStringLiteral("FFD700"));
    QCOMPARE(PaletteText(QColor(0, 8, 128)), QStringLiteral("000880"));
    QCOMPARE(PaletteColor(QStringLiteral("cd853f")), QColor(0xCD, 0x85, 0x3F));
    QVERIFY(!PaletteColor(QStringLiteral("12345")).isValid());
    QVERIFY(!PaletteColor(QStringLiteral("GG0000")).isValid());
    for (const char* cell : DefaultPaletteCells()) {
      QCOMPARE(PaletteText(PaletteColor(QLatin1String(cell))), QLatin1String(cell));
    }

    QCOMPARE(StyleBytes(2), (std::array<std::uint8_t, 4>{0, 1, 0, 0}));
    for (int bits = 0; bits < 16; ++bits) {
      QCOMPARE(StyleBits(StyleBytes(bits)), bits);
    }
  }
};

QTEST_GUILESS_MAIN(TestOptions)
#include "test_options.moc"
