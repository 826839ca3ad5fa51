#include "platform/text/heighttree.h"

namespace fw {

void HeightTree::Resize(int n) {
  heights_.resize(size_t(n));
  exact_.resize(size_t(n));
}

void HeightTree::Splice(int first, int removed, int added) {
  heights_.erase(heights_.begin() + first, heights_.begin() + first + removed);
  heights_.insert(heights_.begin() + first, size_t(added), 0);
  exact_.erase(exact_.begin() + first, exact_.begin() + first + removed);
  exact_.insert(exact_.begin() + first, size_t(added), 0);
}

void HeightTree::RebuildTree(int from) {
  // Node i (from 1) sums the heights of blocks i - lowbit(i) to i - 1: the nodes up to `from` sum
  // only blocks before it and stand. Each later node is its own block's height and the nodes of
  // its children, and every node is a child of one node only, so this costs the nodes made again
  // (a text coming in at the end, a step at a time, builds its tree once in all).
  const size_t n = heights_.size();
  const size_t kept = std::min(size_t(std::max(from, 0)), std::min(n, tree_.size()));
  tree_.resize(kept);
  tree_.resize(n);
  for (size_t i = kept + 1; i <= n; ++i) {
    qreal sum = heights_[i - 1];
    const size_t low = i - (i & (~i + 1));
    for (size_t j = i - 1; j > low; j -= j & (~j + 1)) sum += tree_[j - 1];
    tree_[i - 1] = sum;
  }
}

int HeightTree::IndexAt(qreal y) const {
  // The last block whose top is at or above y: descend the tree by the highest powers of two.
  qreal rest = y;
  size_t at = 0;
  size_t step = 1;
  while (step * 2 <= tree_.size()) step *= 2;
  for (; step > 0; step /= 2) {
    if (at + step <= tree_.size() && tree_[at + step - 1] <= rest) {
      at += step;
      rest -= tree_[at - 1];
    }
  }
  return std::clamp<int>(int(at), 0, std::max<int>(0, Count() - 1));
}

}  // namespace fw
