#include "Circle.h"

int First(int n) {
  return n <= 0 ? 0 : Second(n - 1) + 1;
}
