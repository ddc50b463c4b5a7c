#include "Circle.h"

int Second(int n) {
  return n <= 0 ? 0 : First(n - 1) + 2;
}
