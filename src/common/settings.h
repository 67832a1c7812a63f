#pragma once
// The program's settings: one typed record with every value kept in the
// settings store under "Software\Quillfen\Glimr", its defaults, and the load
// and save routines that map it onto the store value by value.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

#include "common/apppaths.h"

namespace glimr {

class RegStore;

// Key paths of the settings store, relative to HKEY_CURRENT_USER.
inline const QString kMainKey = QStringLiteral("Software\\Quillfen\\Glimr");
inline const QString kHistoryKey = QStringLiteral("Software\\Quillfen\\Glimr\\History");
inline const QString kPluginsKey = QStringLiteral("Software\\Quillfen\\Glimr\\Plugins");

// Texture filters of the ribbon thumbnails (the OpenGL enum values).
inline constexpr int kGlLinear = 9729;   // GL_LINEAR
inline constexpr int kGlNearest = 9728;  // GL_NEAREST

// Seconds a slideshow shows each picture: the default and the range the
// settings file and the options dialog allow.
inline constexpr int kDefaultSlideshowInterval = 4;
inline constexpr int kMinSlideshowInterval = 1;
inline constexpr int kMaxSlideshowInterval = 3600;

// Thumbnail edge lengths by ThumbQuality.
inline constexpr std::array<int, 6> ThumbSizes = {64, 128, 256, 512, 1024, 2048};

// The main window layout as stored in the 48-byte "ProgState" record.
struct TProgState {
  static constexpr int kSize = 48;

  std::uint8_t WindowState = 0;  // 0 normal, 1 minimized, 2 maximized
  std::int32_t Left = 27;
  std::int32_t Top = 96;
  std::int32_t Width = 997;
  std::int32_t Height = 642;
  std::int32_t UpHeight = 420;    // upper area: side panels and ribbon
  std::int32_t RightWidth = 223;  // right side panel
  std::int32_t LeftWidth = 254;   // left side panel
  std::uint8_t LeftPanelShown = 1;
  std::uint8_t RightPanelShown = 1;
  std::array<std::uint8_t, 3> LeftTabs = {1, 1, 1};   // Catalogs, Categories, Search
  std::array<std::uint8_t, 3> RightTabs = {1, 1, 1};  // File Info, ImageBoard, Filters
  std::int32_t RightPageIndex = 0;                    // stored before the left one
  std::int32_t LeftPageIndex = 0;

  bool operator==(const TProgState&) const = default;
};

// Little-endian, fixed offsets, reserved bytes zero.
QByteArray EncodeProgState(const TProgState& state);
// nullopt unless the data is exactly 48 bytes long.
std::optional<TProgState> DecodeProgState(const QByteArray& data);

struct TSettings {
  // The layout read at start-up; the main window restores it when
  // hasProgState is true and captures it into ProgState before saving.
  TProgState ProgState;
  bool hasProgState = false;

  bool AntialiasingThumbEnabled = false;
  bool AntialiasingTextEnabled = false;
  bool ShowHalo = true;
  bool ShowCaptionsText = true;
  bool SmoothThumb = true;
  std::int32_t CapRValue = 255;
  std::int32_t CapGValue = 255;
  std::int32_t CapBValue = 255;
  std::int32_t HaloRValue = 255;
  std::int32_t HaloGValue = 255;
  std::int32_t HaloBValue = 255;
  std::int32_t ThumbQuality = 2;  // always 0..5 after LoadSettings
  std::int32_t CashSize = 100;
  std::int32_t SlideshowInterval =
      kDefaultSlideshowInterval;  // seconds, 1..3600 after LoadSettings
  QString CapFontName = QStringLiteral("Arial");
  std::array<std::uint8_t, 4> CapFontStyle = {0, 0, 0, 0};  // bold, italic, underline, strike-out
  QString LanguagesPath;                                    // AppDir + "Languages/" unless stored
  QString PluginsPath;                                      // AppDir + "Plugins/" unless stored
  QString LanguageFile;  // file name inside LanguagesPath; empty = built-in English
  // The program's own language files (not stored): a LanguageFile that the
  // user's LanguagesPath lacks is looked for here.
  QString ShippedLanguagesPath;
  bool SaveCrrSelection = true;
  QString CrrSelection;  // folder-tree node texts joined by "\"
  QStringList DestinationHistory;

  // Derived values.
  int TextureFilter = kGlLinear;
  int ThumbTextureSize = 256;

  // Every value at its default; the two folder defaults lie in appDir.
  static TSettings Defaults(const QString& appDir);
  // The languages default in the data folder, the plug-ins beside the program.
  static TSettings Defaults(const TAppPaths& paths);
};

// GL_LINEAR when smoothing is on, else GL_NEAREST.
int TextureFilterFor(bool smoothThumb);

// The smaller of ThumbSizes[quality] and the OpenGL maximum texture size; a
// quality outside 0..5 is taken as the nearest end of the table.
int ThumbTextureSizeFor(int quality, int maxTextureSize);

// folder + file, with a "/" between them when the folder lacks one.
QString JoinFolderFile(const QString& folder, const QString& file);

// The language file the splash window loads before the settings are read:
// "LanguagesPath" (default appDir + "Languages/") + "LanguageFile".
QString StoredLanguageFilePath(const RegStore& store, const QString& appDir);
// The same, falling back on the program's shipped languages folder when the
// user's folder lacks the file.
QString StoredLanguageFilePath(const RegStore& store, const TAppPaths& paths);

// Where a language file of that name is: the user's folder when it holds
// one (a user's copy overrides a shipped one), else the shipped folder when
// that does, else the user's folder (so a message names where it was
// looked for). Empty for an empty name (the built-in English).
QString LanguageFilePath(const QString& userFolder, const QString& shippedFolder,
                         const QString& file);
QString LanguageFilePath(const TSettings& settings, const QString& file);

// Resets settings to their defaults and reads every stored value. A value
// that is missing, of another type or of another length keeps its default.
// Creates the main key in the store when it is missing.
void LoadSettings(RegStore& store, TSettings& settings, const QString& appDir);
// The same with the folder defaults taken from paths (DefaultLanguagesPath,
// DefaultPluginsPath).
void LoadSettings(RegStore& store, TSettings& settings, const TAppPaths& paths);

// Writes every value into the store (in memory; RegStore::Save writes the
// file) and replaces the content of the "History" subkey. The caller captures
// the window layout into ProgState and the folder-tree path into CrrSelection
// first.
void SaveSettings(RegStore& store, const TSettings& settings);

}  // namespace glimr
