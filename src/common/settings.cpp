#include "common/settings.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

#include "common/regstore.h"

namespace glimr {

namespace {

void PutInt32(QByteArray& b, int offset, std::int32_t v) {
  qToLittleEndian<std::int32_t>(v, b.data() + offset);
}

std::int32_t GetInt32(const QByteArray& b, int offset) {
  return qFromLittleEndian<std::int32_t>(b.constData() + offset);
}

std::uint8_t GetByte(const QByteArray& b, int offset) {
  return static_cast<std::uint8_t>(b[offset]);
}

// Reads typed values of the main key; a value of another type counts as missing.
class TReader {
 public:
  TReader(const RegStore& store, const QString& key) : store_(store), key_(key) {}

  void Bool(const QString& name, bool& v) const {
    if (auto d = store_.ReadDword(key_, name)) {
      v = *d != 0;
    }
  }
  void Int(const QString& name, std::int32_t& v) const {
    if (auto d = store_.ReadDword(key_, name)) {
      v = static_cast<std::int32_t>(*d);
    }
  }
  void String(const QString& name, QString& v) const {
    if (auto s = store_.ReadString(key_, name)) {
      v = *s;
    }
  }

 private:
  const RegStore& store_;
  const QString& key_;
};

}  // namespace

QByteArray EncodeProgState(const TProgState& s) {
  QByteArray b(TProgState::kSize, '\0');
  b[0] = static_cast<char>(s.WindowState);
  PutInt32(b, 4, s.Left);
  PutInt32(b, 8, s.Top);
  PutInt32(b, 12, s.Width);
  PutInt32(b, 16, s.Height);
  PutInt32(b, 20, s.UpHeight);
  PutInt32(b, 24, s.RightWidth);
  PutInt32(b, 28, s.LeftWidth);
  b[32] = static_cast<char>(s.LeftPanelShown);
  b[33] = static_cast<char>(s.RightPanelShown);
  for (int i = 0; i < 3; ++i) {
    b[34 + i] = static_cast<char>(s.LeftTabs[i]);
    b[37 + i] = static_cast<char>(s.RightTabs[i]);
  }
  PutInt32(b, 40, s.RightPageIndex);
  PutInt32(b, 44, s.LeftPageIndex);
  return b;
}

std::optional<TProgState> DecodeProgState(const QByteArray& b) {
  if (b.size() != TProgState::kSize) {
    return std::nullopt;
  }
  TProgState s;
  s.WindowState = GetByte(b, 0);
  s.Left = GetInt32(b, 4);
  s.Top = GetInt32(b, 8);
  s.Width = GetInt32(b, 12);
  s.Height = GetInt32(b, 16);
  s.UpHeight = GetInt32(b, 20);
  s.RightWidth = GetInt32(b, 24);
  s.LeftWidth = GetInt32(b, 28);
  s.LeftPanelShown = GetByte(b, 32);
  s.RightPanelShown = GetByte(b, 33);
  for (int i = 0; i < 3; ++i) {
    s.LeftTabs[i] = GetByte(b, 34 + i);
    s.RightTabs[i] = GetByte(b, 37 + i);
  }
  s.RightPageIndex = GetInt32(b, 40);
  s.LeftPageIndex = GetInt32(b, 44);
  return s;
}

TSettings TSettings::Defaults(const QString& appDir) {
  return Defaults(TAppPaths::ForAppDir(appDir));
}

TSettings TSettings::Defaults(const TAppPaths& paths) {
  TSettings s;
  s.LanguagesPath = paths.DefaultLanguagesPath;
  s.PluginsPath = paths.DefaultPluginsPath;
  s.ShippedLanguagesPath = paths.ShippedLanguagesPath;
  s.TextureFilter = TextureFilterFor(s.SmoothThumb);
  s.ThumbTextureSize = ThumbSizes[static_cast<std::size_t>(s.ThumbQuality)];
  return s;
}

int TextureFilterFor(bool smoothThumb) {
  return smoothThumb ? kGlLinear : kGlNearest;
}

int ThumbTextureSizeFor(int quality, int maxTextureSize) {
  const int q = std::clamp(quality, 0, static_cast<int>(ThumbSizes.size()) - 1);
  return std::min(ThumbSizes[static_cast<std::size_t>(q)], maxTextureSize);
}

QString JoinFolderFile(const QString& folder, const QString& file) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
    return folder + file;
  }
  return folder + QLatin1Char('/') + file;
}

QString StoredLanguageFilePath(const RegStore& store, const QString& appDir) {
  const QString folder = store.ReadString(kMainKey, QStringLiteral("LanguagesPath"))
                             .value_or(appDir + QStringLiteral("Languages/"));
  const QString file =
      store.ReadString(kMainKey, QStringLiteral("LanguageFile")).value_or(QString());
  return JoinFolderFile(folder, file);
}

QString StoredLanguageFilePath(const RegStore& store, const TAppPaths& paths) {
  const QString folder = store.ReadString(kMainKey, QStringLiteral("LanguagesPath"))
                             .value_or(paths.DefaultLanguagesPath);
  const QString file =
      store.ReadString(kMainKey, QStringLiteral("LanguageFile")).value_or(QString());
  return LanguageFilePath(folder, paths.ShippedLanguagesPath, file);
}

QString LanguageFilePath(const QString& userFolder, const QString& shippedFolder,
                         const QString& file) {
  if (file.isEmpty()) {
    return QString();
  }
  const QString own = JoinFolderFile(userFolder, file);
  if (QFileInfo(own).isFile() || shippedFolder.isEmpty()) {
    return own;
  }
  const QString shipped = JoinFolderFile(shippedFolder, file);
  return QFileInfo(shipped).isFile() ? shipped : own;
}

QString LanguageFilePath(const TSettings& settings, const QString& file) {
  return LanguageFilePath(settings.LanguagesPath, settings.ShippedLanguagesPath, file);
}

void LoadSettings(RegStore& store, TSettings& settings, const QString& appDir) {
  LoadSettings(store, settings, TAppPaths::ForAppDir(appDir));
}

void LoadSettings(RegStore& store, TSettings& s, const TAppPaths& paths) {
  s = TSettings::Defaults(paths);
  store.CreateKey(kMainKey);
  const TReader r(store, kMainKey);

  // A record of another length is not a layout we wrote: keep the designed one.
  if (auto raw = store.ReadBinary(kMainKey, QStringLiteral("ProgState"))) {
    if (auto state = DecodeProgState(*raw)) {
      s.ProgState = *state;
      s.hasProgState = true;
    }
  }

  r.Bool(QStringLiteral("AntialiasingThumbEnabled"), s.AntialiasingThumbEnabled);
  r.Bool(QStringLiteral("AntialiasingTextEnabled"), s.AntialiasingTextEnabled);
  r.Bool(QStringLiteral("ShowHalo"), s.ShowHalo);
  r.Bool(QStringLiteral("ShowCaptionsText"), s.ShowCaptionsText);
  r.Bool(QStringLiteral("SmoothThumb"), s.SmoothThumb);
  r.Int(QStringLiteral("CapRValue"), s.CapRValue);
  r.Int(QStringLiteral("CapGValue"), s.CapGValue);
  r.Int(QStringLiteral("CapBValue"), s.CapBValue);
  r.Int(QStringLiteral("HaloRValue"), s.HaloRValue);
  r.Int(QStringLiteral("HaloGValue"), s.HaloGValue);
  r.Int(QStringLiteral("HaloBValue"), s.HaloBValue);
  r.Int(QStringLiteral("ThumbQuality"), s.ThumbQuality);
  // ThumbQuality indexes the six-entry ThumbSizes table: a stored value
  // outside 0..5 is clamped to the nearest end, so a hand-edited 9 still
  // means "largest" and a negative one "smallest", and no index runs past
  // the table.
  s.ThumbQuality = std::clamp(s.ThumbQuality, 0, static_cast<int>(ThumbSizes.size()) - 1);
  r.Int(QStringLiteral("CashSize"), s.CashSize);
  // The cache needs room for at least one entry; a zero or a "negative" DWORD
  // (above 2^31) would leave it unusable, so such a value keeps the default.
  if (s.CashSize < 1) {
    s.CashSize = 100;
  }
  // A stored interval outside 1..3600 s is not one the dialog writes: a
  // zero would make the slideshow spin and a "negative" DWORD would wait for
  // ever, so a damaged value means the default rather than the nearest end.
  r.Int(QStringLiteral("SlideshowInterval"), s.SlideshowInterval);
  if (s.SlideshowInterval < kMinSlideshowInterval || s.SlideshowInterval > kMaxSlideshowInterval) {
    s.SlideshowInterval = kDefaultSlideshowInterval;
  }

  r.String(QStringLiteral("CapFontName"), s.CapFontName);
  r.String(QStringLiteral("LanguagesPath"), s.LanguagesPath);
  r.String(QStringLiteral("PluginsPath"), s.PluginsPath);
  r.String(QStringLiteral("LanguageFile"), s.LanguageFile);
  if (auto save = store.ReadDword(kMainKey, QStringLiteral("SaveCrrSelection"))) {
    s.SaveCrrSelection = *save != 0;
    if (s.SaveCrrSelection) {
      r.String(QStringLiteral("CrrSelection"), s.CrrSelection);
    }
  }
  if (auto style = store.ReadBinary(kMainKey, QStringLiteral("CapFontStyle"))) {
    if (style->size() == static_cast<qsizetype>(s.CapFontStyle.size())) {
      for (std::size_t i = 0; i < s.CapFontStyle.size(); ++i) {
        s.CapFontStyle[i] = static_cast<std::uint8_t>((*style)[static_cast<qsizetype>(i)]);
      }
    }
  }

  s.TextureFilter = TextureFilterFor(s.SmoothThumb);
  s.ThumbTextureSize = ThumbSizes[static_cast<std::size_t>(s.ThumbQuality)];

  // The subkey is not created here; the next save does that.
  if (store.KeyExists(kHistoryKey)) {
    for (const QString& name : store.ValueNames(kHistoryKey)) {
      if (auto path = store.ReadString(kHistoryKey, name)) {
        s.DestinationHistory.append(*path);
      }
    }
  }
}

void SaveSettings(RegStore& store, const TSettings& s) {
  store.CreateKey(kMainKey);
  store.WriteBinary(kMainKey, QStringLiteral("ProgState"), EncodeProgState(s.ProgState));

  const auto b = [&](const QString& name, bool v) { store.WriteDword(kMainKey, name, v ? 1 : 0); };
  const auto i = [&](const QString& name, std::int32_t v) {
    store.WriteDword(kMainKey, name, static_cast<quint32>(v));
  };
  const auto t = [&](const QString& name, const QString& v) {
    store.WriteString(kMainKey, name, v);
  };
  b(QStringLiteral("AntialiasingThumbEnabled"), s.AntialiasingThumbEnabled);
  b(QStringLiteral("AntialiasingTextEnabled"), s.AntialiasingTextEnabled);
  b(QStringLiteral("ShowHalo"), s.ShowHalo);
  b(QStringLiteral("ShowCaptionsText"), s.ShowCaptionsText);
  b(QStringLiteral("SmoothThumb"), s.SmoothThumb);
  i(QStringLiteral("CapRValue"), s.CapRValue);
  i(QStringLiteral("CapGValue"), s.CapGValue);
  i(QStringLiteral("CapBValue"), s.CapBValue);
  i(QStringLiteral("HaloRValue"), s.HaloRValue);
  i(QStringLiteral("HaloGValue"), s.HaloGValue);
  i(QStringLiteral("HaloBValue"), s.HaloBValue);
  i(QStringLiteral("ThumbQuality"), s.ThumbQuality);
  i(QStringLiteral("CashSize"), s.CashSize);
  i(QStringLiteral("SlideshowInterval"), s.SlideshowInterval);
  t(QStringLiteral("CapFontName"), s.CapFontName);
  if (!s.LanguagesPath.isEmpty()) {
    t(QStringLiteral("LanguagesPath"), s.LanguagesPath);
  }
  if (!s.PluginsPath.isEmpty()) {
    t(QStringLiteral("PluginsPath"), s.PluginsPath);
  }
  t(QStringLiteral("LanguageFile"), s.LanguageFile);
  QByteArray style(static_cast<qsizetype>(s.CapFontStyle.size()), '\0');
  for (std::size_t k = 0; k < s.CapFontStyle.size(); ++k) {
    style[static_cast<qsizetype>(k)] = static_cast<char>(s.CapFontStyle[k]);
  }
  store.WriteBinary(kMainKey, QStringLiteral("CapFontStyle"), style);

  if (s.SaveCrrSelection) {
    b(QStringLiteral("SaveCrrSelection"), true);
    t(QStringLiteral("CrrSelection"), s.CrrSelection);
  } else {
    b(QStringLiteral("SaveCrrSelection"), false);
    store.DeleteValue(kMainKey, QStringLiteral("CrrSelection"));
  }

  // Every old value goes first, so a shortened list leaves no stale entries.
  store.CreateKey(kHistoryKey);
  for (const QString& name : store.ValueNames(kHistoryKey)) {
    store.DeleteValue(kHistoryKey, name);
  }
  for (qsizetype k = 0; k < s.DestinationHistory.size(); ++k) {
    store.WriteString(kHistoryKey, QString::number(k), s.DestinationHistory[k]);
  }
}

}  // namespace glimr
