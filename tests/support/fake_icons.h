// An icon provider for tests of the program lists: hands out indexes from 1
// up per image list (index 0 is the stored image), or -1 for the paths told
// to have no icon, and records what was asked.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "programs/icon_provider.h"

namespace brenvik::test {

class FakeIconProvider : public IconProvider {
 public:
  std::set<std::string> withoutIcon;
  std::vector<std::pair<ImageListId, std::string>> appended;
  std::map<ImageListId, int> counts;  // icons in each list after index 0
  int clears = 0;

  int AppendFileSmallIcon(ImageListId list, const std::string& path) override {
    appended.emplace_back(list, path);
    if (withoutIcon.count(path)) return -1;
    return ++counts[list];
  }
  void ClearIcons(ImageListId list) override {
    counts[list] = 0;
    ++clears;
  }
};

}  // namespace brenvik::test
