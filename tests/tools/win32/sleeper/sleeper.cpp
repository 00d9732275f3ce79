// A program for the service's end-to-end test to watch: it runs for the
// milliseconds given as its argument and ends.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  ::Sleep(argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 2000);
  return 0;
}
