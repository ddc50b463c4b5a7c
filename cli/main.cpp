#include <cstdio>

int main() {
  std::fputs("usage: corvane-cli VERB ...\n", stderr);
  return 2;
}
