#pragma once
// The heights of a text's blocks, each with whether it is exact (laid out) or an estimate, and a
// sum tree over them (a Fenwick tree): the top of a block, the block at a height and a block's
// new height each cost a logarithm of the block count.

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace fw {

class HeightTree {
 public:
  // Laid-out heights are whole 64ths of a pixel (Qt's fixed point); estimates are rounded to them
  // too, so that every sum of heights is exact, whichever way the sum tree adds them up.
  static qreal Dyadic(qreal h) { return std::round(h * 64) / 64; }

  int Count() const { return int(heights_.size()); }
  bool Empty() const { return heights_.empty(); }
  qreal Height(int index) const { return heights_[size_t(index)]; }
  bool Exact(int index) const { return exact_[size_t(index)] != 0; }
  void SetExact(int index, bool exact) { exact_[size_t(index)] = exact ? 1 : 0; }

  // The block's height, and the sums over it.
  void SetHeight(int index, qreal h) {
    const qreal delta = h - heights_[size_t(index)];
    heights_[size_t(index)] = h;
    if (delta == 0) return;
    for (size_t i = size_t(index) + 1; i <= tree_.size(); i += i & (~i + 1)) tree_[i - 1] += delta;
  }
  // The block's height only, for blocks whose sums RebuildTree makes again.
  void PutHeight(int index, qreal h) { heights_[size_t(index)] = h; }

  // `n` blocks: those added at the end have no height and are not exact, until set.
  void Resize(int n);
  // Every height is an estimate again.
  void ForgetExact() { exact_.assign(exact_.size(), 0); }
  // `added` blocks, of no height and not exact, in the place of the `removed` from `first` on;
  // the sums from `first` on are wrong until RebuildTree(first).
  void Splice(int first, int removed, int added);
  // Makes the sum tree again over the blocks from `from` on, the nodes before standing.
  void RebuildTree(int from);

  // The top of block `index` (clamped to 0..Count()) when the first block's is `origin`.
  qreal Top(int index, qreal origin) const {
    qreal sum = origin;
    for (size_t i = size_t(std::clamp<int>(index, 0, Count())); i > 0; i -= i & (~i + 1)) sum += tree_[i - 1];
    return sum;
  }
  // The block holding `y`, a height from the first block's top (clamped to the blocks; 0 when
  // there are none).
  int IndexAt(qreal y) const;

 private:
  std::vector<qreal> heights_;
  std::vector<unsigned char> exact_;
  std::vector<qreal> tree_;
};

}  // namespace fw
