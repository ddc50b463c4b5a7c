#include "Circle.h"

int Split::B(int n) const {
  return n <= 0 ? 0 : A(n - 1) + 2 * step_;
}
