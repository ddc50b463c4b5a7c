#include "Circle.h"

Split::Split(int step) : step_(step) {}

int Split::A(int n) const {
  return n <= 0 ? 0 : B(n - 1) + step_;
}
