#include "window/program_icons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <filesystem>

#include "base/file_io.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

// Where a path really leads, or the path itself when it cannot be resolved.
std::string RealPath(const std::string& path) {
  std::error_code ec;
  const fs::path real = fs::canonical(ToFsPath(path), ec);
  return ec ? path : FromFsPath(real);
}

#ifndef _WIN32
QIcon TypeIcon(const QFileInfo& info) {
  static const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForFile(info);
  if (!type.isValid()) return {};
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  return icon;
}
#endif

QIcon EmptyImage() {
  QPixmap empty(16, 16);
  empty.fill(Qt::transparent);
  return QIcon(empty);
}

// How many images a list holds before the first program icon.
std::size_t StoredImages(ImageListId list) {
  return list == ImageListId::Watched ? kMissingFileImage + 1 : 1;
}

}  // namespace

QIcon IconOfLauncherValue(const std::string& value) {
  if (value.empty()) return {};
  const QString text = QString::fromStdString(value);
  if (QFileInfo(text).isAbsolute()) {
    return QFileInfo(text).isFile() ? QIcon(text) : QIcon();
  }
  QString name = text;
  for (const char* extension : {".png", ".svg", ".xpm"}) {
    if (name.endsWith(extension, Qt::CaseInsensitive)) name.chop(4);
  }
  return QIcon::fromTheme(name);
}

FileIconImages::FileIconImages() {
  for (auto& images : lists_) images.push_back(EmptyImage());
  std::vector<QIcon>& watched = Images(ImageListId::Watched);
  watched.push_back(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon));
  watched.push_back(QApplication::style()->standardIcon(QStyle::SP_FileIcon));
}

void FileIconImages::SetLaunchers(Shell* shell, std::vector<std::string> folders) {
  shell_ = shell;
  launcherFolders_ = std::move(folders);
  launcherIcons_.reset();
}

std::vector<QIcon>& FileIconImages::Images(ImageListId list) {
  return lists_[static_cast<std::size_t>(list)];
}

const std::vector<QIcon>& FileIconImages::Images(ImageListId list) const {
  return lists_[static_cast<std::size_t>(list)];
}

void FileIconImages::ReadLaunchers() {
  launcherIcons_.emplace();
  if (!shell_) return;
  for (const std::string& folder : launcherFolders_) {
    std::error_code ec;
    fs::recursive_directory_iterator it(ToFsPath(folder),
                                        fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
      const std::string launcher = FromFsPath(it->path());
      if (!shell_->IsShortcut(launcher)) continue;
      const std::optional<ShortcutTarget> target = shell_->ResolveShortcut(launcher);
      if (!target || target->path.empty() || target->iconLocation.empty()) continue;
      launcherIcons_->emplace(target->path, target->iconLocation);
      launcherIcons_->emplace(RealPath(target->path), target->iconLocation);
    }
  }
}

QIcon FileIconImages::LauncherIcon(const std::string& path) {
  if (!launcherIcons_) ReadLaunchers();
  auto it = launcherIcons_->find(path);
  if (it == launcherIcons_->end()) it = launcherIcons_->find(RealPath(path));
  return it == launcherIcons_->end() ? QIcon() : IconOfLauncherValue(it->second);
}

QIcon FileIconImages::FileIcon(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists()) return {};
  static QFileIconProvider provider;
#ifdef _WIN32
  return provider.icon(info);  // the shell's icon of the file
#else
  QIcon icon = LauncherIcon(path);
  if (icon.isNull()) icon = TypeIcon(info);
  if (icon.isNull()) icon = provider.icon(info);
  return icon;
#endif
}

int FileIconImages::AppendFileSmallIcon(ImageListId list, const std::string& path) {
  ++fetches_;
  const QIcon icon = FileIcon(path);
  if (icon.isNull()) return -1;
  std::vector<QIcon>& images = Images(list);
  images.push_back(icon);
  return static_cast<int>(images.size()) - 1;
}

void FileIconImages::ClearIcons(ImageListId list) { Images(list).resize(StoredImages(list)); }

QIcon FileIconImages::Icon(ImageListId list, int index) const {
  const std::vector<QIcon>& images = Images(list);
  if (index < 0 || index >= static_cast<int>(images.size())) return {};
  return images[static_cast<std::size_t>(index)];
}

int FileIconImages::Count(ImageListId list) const { return static_cast<int>(Images(list).size()); }

QIcon WatchedListImage(const FileIconImages* images, int index) {
  if (index < 0) return {};
  if (images) return images->Icon(ImageListId::Watched, index);
  return QApplication::style()->standardIcon(index == kWindowsImage ? QStyle::SP_ComputerIcon
                                                                    : QStyle::SP_FileIcon);
}

}  // namespace brenvik
