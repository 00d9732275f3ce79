// Locales built for one test with localedef into a temporary folder, so that
// locale-dependent code is checked against real glibc locale data whatever
// locales the machine has installed. While an instance lives, LOCPATH names
// its folder and LC_ALL the last locale made active.
#pragma once

#include <string>

#include "support/temp_dir.h"

namespace brenvik::test {

class GeneratedLocales {
 public:
  GeneratedLocales();
  ~GeneratedLocales();
  GeneratedLocales(const GeneratedLocales&) = delete;
  GeneratedLocales& operator=(const GeneratedLocales&) = delete;

  // Compiles the locale source (e.g. "en_US") with the UTF-8 character map
  // and makes it the process's locale through LC_ALL; false when localedef
  // or the locale sources are missing.
  bool Activate(const std::string& source);

 private:
  TempDir folder_;
  std::string oldLocPath_, oldLcAll_;
  bool hadLocPath_ = false, hadLcAll_ = false;
};

}  // namespace brenvik::test
