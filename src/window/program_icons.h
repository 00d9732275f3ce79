// The image lists of the three program lists: the window's icon provider for
// program tracking. Each list starts with one stored image at index 0 that
// the lists never draw; the small icon of a file comes from the desktop (the
// icon of its type or launcher from the icon theme).
#pragma once

#include <QIcon>
#include <array>
#include <vector>

#include "programs/icon_provider.h"

namespace brenvik {

class FileIconImages : public IconProvider {
 public:
  FileIconImages();
  int AppendFileSmallIcon(ImageListId list, const std::string& path) override;
  void ClearIcons(ImageListId list) override;

  // The image at index, a null icon outside the list.
  QIcon Icon(ImageListId list, int index) const;
  int Count(ImageListId list) const;
  // How many icons were asked of the desktop (for watching the deferral).
  int Fetches() const { return fetches_; }

 private:
  std::vector<QIcon>& Images(ImageListId list);
  const std::vector<QIcon>& Images(ImageListId list) const;

  std::array<std::vector<QIcon>, 3> lists_;
  int fetches_ = 0;
};

}  // namespace brenvik
