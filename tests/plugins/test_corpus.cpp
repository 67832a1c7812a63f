// Replays every file of the fuzz corpus (fuzz/corpus/<plug-in>/) through
// its plug-in the way the fuzz target does: header, full and reduced
// decode. Each file runs in a child process, so a crash, hang or runaway
// allocation fails its own row.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "childrun.h"
#include "imaging/plugin.h"

using namespace glimr;

namespace {

// The suffixes the fuzz target of each plug-in tries (fuzz/CMakeLists.txt);
// with more than one, the first byte of an input picks the suffix and the
// rest is the file.
QStringList SuffixesOf(const QString& plugin) {
  if (plugin == QLatin1String("glimr_jpeg"))
    return {QStringLiteral("jpg")};
  if (plugin == QLatin1String("glimr_png"))
    return {QStringLiteral("png")};
  if (plugin == QLatin1String("glimr_gif"))
    return {QStringLiteral("gif")};
  if (plugin == QLatin1String("glimr_tiff"))
    return {QStringLiteral("tif")};
  if (plugin == QLatin1String("glimr_webp"))
    return {QStringLiteral("webp")};
  if (plugin == QLatin1String("glimr_heif"))
    return {QStringLiteral("heic")};
  if (plugin == QLatin1String("glimr_jxl"))
    return {QStringLiteral("jxl")};
  if (plugin == QLatin1String("glimr_raw"))
    return {QStringLiteral("dng")};
  return QStringLiteral("bmp,ppm,pgm,pbm,xpm,ico,xbm,tga,ico,cur,wbmp").split(QLatin1Char(','));
}

}  // namespace

class TestCorpus : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private Q_SLOTS:
  void replay_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("file");
    const QDir corpus(QStringLiteral(GLIMR_SOURCE_DIR "/fuzz/corpus"));
    const QStringList plugins = corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY(!plugins.isEmpty());
    for (const QString& plugin : plugins) {
      const QDir folder(corpus.filePath(plugin));
      for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        QTest::addRow("%s/%s", qPrintable(plugin), qPrintable(name))
            << plugin << folder.filePath(name);
      }
    }
  }
  void replay() {
    QFETCH(QString, plugin);
    QFETCH(QString, file);
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    const QStringList suffixes = SuffixesOf(plugin);
    QString suffix = suffixes.first();
    if (suffixes.size() > 1) {
      if (bytes.isEmpty())
        return;  // the fuzz target skips it too
      suffix = suffixes[static_cast<uchar>(bytes[0]) % suffixes.size()];
      bytes.remove(0, 1);
    }
    const QString path = dir_.filePath(QStringLiteral("input.") + suffix);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(out.write(bytes), bytes.size());
    out.close();
    TPlugin p;
    QVERIFY(p.Load(QStringLiteral(GLIMR_PLUGIN_DIR "/") + plugin + QStringLiteral(".so")));
    const QList<QPair<const char*, std::function<QImage()>>> calls = {
        {"info",
         [&] {
           const QSize s = p.FileInfo(path);
           // Both sides known or neither.
           return (s.width() == 0) != (s.height() == 0) ? QImage(1, 1, QImage::Format_Mono)
                                                        : QImage();
         }},
        {"full", [&] { return p.FileBitmap(path); }},
        {"reduced",
         [&] { return p.HasReducedDecode() ? p.FileBitmapReduced(path, 64) : QImage(); }}};
    for (const auto& [name, call] : calls) {
      // Generous: sanitizer builds are many times slower.
      const childrun::TChildResult r = childrun::RunInChild(call, 120);
      QVERIFY2(r.Finished, name);
      if (QLatin1String(name) == QLatin1String("info"))
        QVERIFY2(!r.GotBitmap, "one side of the size is zero");
      if (!childrun::kSanitized)
        QVERIFY2(r.PeakGrowthMb < 300, qPrintable(QString::number(r.PeakGrowthMb)));
    }
  }
};

QTEST_GUILESS_MAIN(TestCorpus)
#include "test_corpus.moc"
