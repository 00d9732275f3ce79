// The image lists of the three program lists: the window's icon provider for
// program tracking. Each list starts with a stored, empty image at index 0
// that the program lists never draw. The watched list (WatchedProgrammsImgList,
// also read by the History page's grid and source pick list) holds two more
// stored images: 1 the Windows picture, 2 the picture of a program whose file
// is gone; program icons follow them.
//
// The small icon of a file: on Windows the shell's icon of the file. On
// Linux the icon of the desktop launcher that starts the program (its Icon=
// key, a name looked up in the icon theme or a file), else the icon theme's
// icon of the file's type, else the style's icon for a file. The launchers
// are those of the menus, the desktop and the autostart folders, read once
// when the first icon is asked for.
#pragma once

#include <QIcon>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "programs/icon_provider.h"

namespace brenvik {

inline constexpr int kWindowsImage = 1;
inline constexpr int kMissingFileImage = 2;

class FileIconImages : public IconProvider {
 public:
  FileIconImages();
  // The shell that reads the launchers (not owned; null: no launcher icons)
  // and the folders that hold them, searched with their sub-folders.
  void SetLaunchers(Shell* shell, std::vector<std::string> folders);

  int AppendFileSmallIcon(ImageListId list, const std::string& path) override;
  void ClearIcons(ImageListId list) override;

  // The icon the desktop shows for the file; null when the file is missing.
  QIcon FileIcon(const std::string& path);
  // The image at index, a null icon outside the list.
  QIcon Icon(ImageListId list, int index) const;
  int Count(ImageListId list) const;
  // How many icons were asked of the desktop (for watching the deferral).
  int Fetches() const { return fetches_; }

 private:
  std::vector<QIcon>& Images(ImageListId list);
  const std::vector<QIcon>& Images(ImageListId list) const;
  QIcon LauncherIcon(const std::string& path);
  void ReadLaunchers();

  std::array<std::vector<QIcon>, 3> lists_;
  int fetches_ = 0;
  Shell* shell_ = nullptr;
  std::vector<std::string> launcherFolders_;
  // Program path (as the launcher names it, and its real location) -> Icon=.
  std::optional<std::map<std::string, std::string>> launcherIcons_;
};

// Image index of the watched list as the History page draws it: from the
// list when there is one (null outside it), else the style's picture of a
// computer for kWindowsImage and of a file for any other index. A negative
// index is no image.
QIcon WatchedListImage(const FileIconImages* images, int index);

// The icon an Icon= value names: an absolute path of an image file, else a
// name in the icon theme (an image extension after the name is dropped).
QIcon IconOfLauncherValue(const std::string& value);

}  // namespace brenvik
