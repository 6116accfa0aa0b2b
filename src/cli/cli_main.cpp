#include <cstdio>

int main() {
  std::fprintf(stderr, "vorlix-cli: no commands yet\n");
  return 2;
}
