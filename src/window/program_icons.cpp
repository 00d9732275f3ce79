#include "window/program_icons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QPixmap>

namespace brenvik {

FileIconImages::FileIconImages() {
  for (auto& images : lists_) images.push_back(QIcon(QPixmap(16, 16)));
}

std::vector<QIcon>& FileIconImages::Images(ImageListId list) {
  return lists_[static_cast<std::size_t>(list)];
}

const std::vector<QIcon>& FileIconImages::Images(ImageListId list) const {
  return lists_[static_cast<std::size_t>(list)];
}

int FileIconImages::AppendFileSmallIcon(ImageListId list, const std::string& path) {
  ++fetches_;
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists()) return -1;
  static QFileIconProvider provider;
  const QIcon icon = provider.icon(info);
  if (icon.isNull()) return -1;
  std::vector<QIcon>& images = Images(list);
  images.push_back(icon);
  return static_cast<int>(images.size()) - 1;
}

void FileIconImages::ClearIcons(ImageListId list) { Images(list).resize(1); }

QIcon FileIconImages::Icon(ImageListId list, int index) const {
  const std::vector<QIcon>& images = Images(list);
  if (index < 0 || index >= static_cast<int>(images.size())) return {};
  return images[static_cast<std::size_t>(index)];
}

int FileIconImages::Count(ImageListId list) const {
  return static_cast<int>(Images(list).size());
}

}  // namespace brenvik
