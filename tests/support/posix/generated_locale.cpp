#include "support/posix/generated_locale.h"

#include <stdlib.h>
#include <sys/stat.h>

namespace brenvik::test {
namespace {

bool Remember(const char* name, std::string& value) {
  const char* current = getenv(name);
  if (current) value = current;
  return current != nullptr;
}

void Restore(const char* name, bool had, const std::string& value) {
  if (had) {
    setenv(name, value.c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

GeneratedLocales::GeneratedLocales() {
  hadLocPath_ = Remember("LOCPATH", oldLocPath_);
  hadLcAll_ = Remember("LC_ALL", oldLcAll_);
  setenv("LOCPATH", folder_.path().c_str(), 1);
}

GeneratedLocales::~GeneratedLocales() {
  Restore("LOCPATH", hadLocPath_, oldLocPath_);
  Restore("LC_ALL", hadLcAll_, oldLcAll_);
}

bool GeneratedLocales::Activate(const std::string& source) {
  const std::string name = source + ".UTF-8";
  struct stat info {};
  if (stat((folder_.path() + name).c_str(), &info) != 0) {
    const std::string command = "localedef --no-archive -i " + source + " -f UTF-8 '" +
                                folder_.path() + name + "' >/dev/null 2>&1";
    if (system(command.c_str()) != 0) return false;
  }
  setenv("LC_ALL", name.c_str(), 1);
  return true;
}

}  // namespace brenvik::test
