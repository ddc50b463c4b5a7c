#pragma once
// Files the circle check is tried on: First.cpp and Second.cpp call each other (a circle);
// SplitA.cpp and SplitB.cpp hold the member functions of one class, which call each other
// (one class over two files, no circle).
int First(int n);
int Second(int n);

class Split {
public:
  explicit Split(int step);
  int A(int n) const;
  int B(int n) const;

private:
  int step_;
};
