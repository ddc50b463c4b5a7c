#pragma once
// The longest common subsequence of two sequences of numbers, the core of telling which
// buttons of one bar are which of another: a button equal to others is told apart by its
// place among its neighbours.
#include <utility>
#include <vector>

namespace barcompare {

// Pairs (i, j) with a[i] == b[j], increasing in both i and j, as many as any such pairing
// has. Of the pairings that long it gives the one Myers' diff finds: common runs at the
// start and end stay paired as they are, and a pair is taken as early as it can be.
// O((n + m) d) time for d differences and O(n + m) memory.
std::vector<std::pair<int, int>> CommonSubsequence(const std::vector<int> &a,
                                                   const std::vector<int> &b);

} // namespace barcompare
