#include "external/externallaunch.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <array>

#include "browse/filelist.h"
#include "common/language.h"
#include "external/commandline.h"
#include "external/externallog.h"
#include "external/externalprogs.h"

namespace glimr {

TPlaceholderValues PlaceholderValues(const QString& filePath) {
  TPlaceholderValues v;
  v.FullName = filePath;
  const qsizetype slash = filePath.lastIndexOf(QLatin1Char('/'));
  v.FilePath = filePath.left(slash + 1);
  v.FileWithExt = filePath.mid(slash + 1);
  const qsizetype dot = v.FileWithExt.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) {
    v.FileWithoutExt = v.FileWithExt;
  } else {
    v.FileWithoutExt = v.FileWithExt.left(dot);
    v.FileExt = v.FileWithExt.mid(dot + 1);
  }
  return v;
}

QString ReplacePlaceholders(const QString& argument, const TPlaceholderValues& values) {
  const std::array<std::pair<QLatin1StringView, const QString*>, 5> placeholders{{
      {QLatin1StringView(":FullName:"), &values.FullName},
      {QLatin1StringView(":FilePath:"), &values.FilePath},
      {QLatin1StringView(":FileWithExt:"), &values.FileWithExt},
      {QLatin1StringView(":FileWithoutExt:"), &values.FileWithoutExt},
      {QLatin1StringView(":FileExt:"), &values.FileExt},
  }};
  QString out;
  out.reserve(argument.size());
  qsizetype i = 0;
  while (i < argument.size()) {
    bool replaced = false;
    if (argument[i] == QLatin1Char(':')) {
      const QStringView rest = QStringView(argument).mid(i);
      for (const auto& [name, value] : placeholders) {
        if (rest.startsWith(name, Qt::CaseInsensitive)) {
          out += *value;
          i += name.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) {
      out += argument[i];
      ++i;
    }
  }
  return out;
}

QStringList BuildExternalArguments(const QString& parameterTemplate, const QString& filePath) {
  const TPlaceholderValues values = PlaceholderValues(filePath);
  QStringList out;
  for (const QString& arg : SplitCommandLine(parameterTemplate, TArgumentEscapes::None).Arguments) {
    QString replaced = ReplacePlaceholders(arg, values);
    if (!replaced.isEmpty()) {
      out.append(std::move(replaced));
    }
  }
  return out;
}

std::optional<QString> ResolveProgram(const QString& path) {
  if (path.trimmed().isEmpty()) {
    return std::nullopt;
  }
  if (!path.contains(QLatin1Char('/'))) {
    const QString found = QStandardPaths::findExecutable(path);
    if (found.isEmpty()) {
      return std::nullopt;
    }
    return found;
  }
  const QFileInfo info(path);
  if (!info.isFile() || !info.isExecutable()) {
    return std::nullopt;
  }
  return info.absoluteFilePath();
}

TLaunchResult LaunchExternalProg(const TExternalProg& prog, const QStringList& imagePaths,
                                 const TProgramStarter& start) {
  TLaunchResult result;
  if (imagePaths.isEmpty()) {
    return result;
  }
  const std::optional<QString> program = ResolveProgram(prog.Path);
  if (!program) {
    result.Failed = static_cast<int>(imagePaths.size());
    result.Error = LangText(TLangSection::Strings, 127).arg(prog.Path);
    return result;
  }
  const TProgramStarter starter = start ? start : [](const QString& p, const QStringList& a) {
    return QProcess::startDetached(p, a);
  };
  for (const QString& image : imagePaths) {
    if (starter(*program, BuildExternalArguments(prog.Parameters, image))) {
      ++result.Started;
    } else {
      ++result.Failed;
      qCWarning(lcExternal) << "cannot start" << *program << "for" << image;
    }
  }
  if (result.Failed > 0) {
    result.Error =
        LangText(TLangSection::Strings, 128)
            .arg(*program, QString::number(result.Failed), QString::number(imagePaths.size()));
  }
  return result;
}

QStringList SelectedImagePaths(const TFileList& files) {
  QStringList paths;
  for (int i = 0; i < files.Count(); ++i) {
    const TImageFileInfo* r = files.At(i);
    if (r && r->Selected && !r->IsFolder) {
      paths.append(r->FullPath());
    }
  }
  return paths;
}

std::optional<QString> FileManagerFolder(TListSource source, const QString& folder) {
  if (source != TListSource::Catalog || folder.isEmpty() || !QFileInfo(folder).isDir()) {
    return std::nullopt;
  }
  return folder;
}

bool OpenFileManagerHere(const QString& folder, QString* error) {
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
    return true;
  }
  if (error) {
    *error = LangText(TLangSection::Strings, 129).arg(folder);
  }
  return false;
}

}  // namespace glimr
