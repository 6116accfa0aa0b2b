// vorlix-cli: the scripting front end (see cli/cli_app.h).

#include <cstdio>
#include <string>
#include <vector>

#include "app/heap.h"
#include "cli/cli_app.h"

int main(int argc, char** argv) {
  vorlix::platform::Prepare_Heap_For_Startup();
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    words.emplace_back(argv[i]);
  }
  return vorlix::Run_Vorlix_Cli(words, stdout, stderr, /*process_ends=*/true);
}
