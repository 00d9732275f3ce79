// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace brenvik::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with a trailing separator.
  const std::string& path() const { return path_; }
  // path() + name, with the file written when content is given.
  std::string File(const std::string& name) const { return path_ + name; }
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

}  // namespace brenvik::test
