// The icons of program files are GUI work: the window implements this
// interface over its image lists (the system's small file icon on Windows,
// the desktop's icon theme elsewhere). The core keeps only the indexes the
// lists hand back.
//
// Every image list starts with one stored image at index 0 that the program
// lists never draw, so an icon appended to a list always gets an index of 1
// or more.
#pragma once

#include <string>

namespace brenvik {

enum class ImageListId {
  Watched,  // the watched list and the source pick list
  StartUp,  // the list of programs on the computer
  Search,   // the list of the search tab
};

class IconProvider {
 public:
  virtual ~IconProvider() = default;
  // Fetches the file's 16x16 icon and appends it to the list; the index it
  // got, or -1 when there is no icon or it could not be appended.
  virtual int AppendFileSmallIcon(ImageListId list, const std::string& path) = 0;
  // Removes every image of the list except the stored one at index 0.
  virtual void ClearIcons(ImageListId list) = 0;
};

}  // namespace brenvik
