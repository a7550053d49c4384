// Prints the titles that title search can reach, one a line, in UTF-8: the
// word list of the shell completion, made when the program is built.
#include <cstdio>

#include "completion/titles.h"

int main() {
  for (const std::string& title : reachableTitles()) std::printf("%s\n", title.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}
