#include "document/SequenceMatch.h"

#include <algorithm>

namespace barcompare {

namespace {

// Myers' O(nd) difference algorithm in its linear-space form: the middle snake of the
// shortest edit path splits the problem in two halves of fewer edits each.
class CommonRun {
public:
  CommonRun(const std::vector<int> &a, const std::vector<int> &b)
      : a_(a), b_(b), forward_(a.size() + b.size() + 4), backward_(forward_.size()) {}

  void Run(int aLo, int aHi, int bLo, int bHi) {
    while (aLo < aHi && bLo < bHi && a_[size_t(aLo)] == b_[size_t(bLo)])
      pairs.emplace_back(aLo++, bLo++);
    int tail = 0;
    while (aLo < aHi - tail && bLo < bHi - tail &&
           a_[size_t(aHi - 1 - tail)] == b_[size_t(bHi - 1 - tail)])
      ++tail;
    // Neither side empty and both ends differing: at least two edits, so each half
    // below has fewer than the whole.
    if (aLo < aHi - tail && bLo < bHi - tail) {
      const Snake snake = Middle(aLo, aHi - tail, bLo, bHi - tail);
      if (snake.x0 >= 0) {
        Run(aLo, snake.x0, bLo, snake.y0);
        for (int x = snake.x0, y = snake.y0; x < snake.x1; ++x, ++y)
          pairs.emplace_back(x, y);
        Run(snake.x1, aHi - tail, snake.y1, bHi - tail);
      }
    }
    for (int k = tail; k > 0; --k)
      pairs.emplace_back(aHi - k, bHi - k);
  }

  std::vector<std::pair<int, int>> pairs;

private:
  struct Snake {
    int x0, y0, x1, y1;
  };

  // The diagonal run in the middle of a shortest edit path from (aLo, bLo) to (aHi, bHi).
  Snake Middle(int aLo, int aHi, int bLo, int bHi) {
    const int n = aHi - aLo, m = bHi - bLo, delta = n - m;
    const int most = (n + m + 1) / 2;
    const bool odd = (delta & 1) != 0;
    // Diagonals -most-1 .. most+1; k is x - y, the values are the furthest x reached.
    int *const vf = forward_.data() + most + 1;
    int *const vb = backward_.data() + most + 1;
    vf[1] = 0;
    vb[1] = 0;
    int previousMin = 0, previousMax = -1;
    for (int d = 0; d <= most; ++d) {
      const int kMin = -(d - 2 * std::max(0, d - m)), kMax = d - 2 * std::max(0, d - n);
      for (int k = kMin; k <= kMax; k += 2) {
        int x = (k == -d || (k != d && vf[k - 1] < vf[k + 1])) ? vf[k + 1] : vf[k - 1] + 1;
        int y = x - k;
        const int startX = x, startY = y;
        while (x < n && y < m && a_[size_t(aLo + x)] == b_[size_t(bLo + y)])
          ++x, ++y;
        vf[k] = x;
        const int back = delta - k;
        if (odd && back >= previousMin && back <= previousMax && x + vb[back] >= n)
          return {aLo + startX, bLo + startY, aLo + x, bLo + y};
      }
      for (int k = kMin; k <= kMax; k += 2) {
        int x = (k == -d || (k != d && vb[k - 1] < vb[k + 1])) ? vb[k + 1] : vb[k - 1] + 1;
        int y = x - k;
        const int startX = x, startY = y;
        while (x < n && y < m && a_[size_t(aHi - 1 - x)] == b_[size_t(bHi - 1 - y)])
          ++x, ++y;
        vb[k] = x;
        const int ahead = delta - k;
        if (!odd && ahead >= kMin && ahead <= kMax && x + vf[ahead] >= n)
          return {aHi - x, bHi - y, aHi - startX, bHi - startY};
      }
      previousMin = kMin;
      previousMax = kMax;
    }
    return {-1, -1, -1, -1}; // not reached: the paths meet by d = most
  }

  const std::vector<int> &a_, &b_;
  std::vector<int> forward_, backward_;
};

} // namespace

std::vector<std::pair<int, int>> CommonSubsequence(const std::vector<int> &a,
                                                   const std::vector<int> &b) {
  CommonRun run(a, b);
  run.Run(0, int(a.size()), 0, int(b.size()));
  return std::move(run.pairs);
}

} // namespace barcompare
