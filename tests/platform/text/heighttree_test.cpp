// The sum tree of block heights against plain sums: after a build, after blocks are replaced
// somewhere (the tree is made again only from there) and after single heights change, every
// block's top and the block found at every height must be what adding up the heights gives.
#include <gtest/gtest.h>

#include <vector>

#include "platform/text/heighttree.h"

namespace {

// A replacement of `removed` blocks from `first` on by `added` new ones, as an edit makes.
struct Splice {
  int first, removed, added;
};

struct Case {
  const char* name;
  int blocks;
  std::vector<Splice> splices;
};

class HeightTreeTest : public ::testing::Test {
 protected:
  // Heights of whole quarters, so that every sum is exact.
  static double HeightFor(int k) { return (k * 37 % 11 + 1) * 0.25; }

  void Build(int n) {
    tree_.Resize(n);
    model_.assign(size_t(n), 0);
    exact_.assign(size_t(n), false);
    for (int i = 0; i < n; ++i) Put(i, HeightFor(i));
    tree_.ForgetExact();
    tree_.RebuildTree(0);
  }

  void Put(int i, double h) {
    tree_.PutHeight(i, h);
    model_[size_t(i)] = h;
  }

  void Apply(const Splice& s) {
    tree_.Splice(s.first, s.removed, s.added);
    model_.erase(model_.begin() + s.first, model_.begin() + s.first + s.removed);
    model_.insert(model_.begin() + s.first, size_t(s.added), 0);
    exact_.erase(exact_.begin() + s.first, exact_.begin() + s.first + s.removed);
    exact_.insert(exact_.begin() + s.first, size_t(s.added), false);
    for (int i = s.first; i < s.first + s.added; ++i) Put(i, HeightFor(i + 5));
    tree_.RebuildTree(s.first);
  }

  // Tops and the blocks at heights, as the plain sums of the model give them, from `origin`.
  void ExpectAsSums(double origin) const {
    const int n = int(model_.size());
    ASSERT_EQ(tree_.Count(), n);
    std::vector<double> tops(size_t(n) + 1, 0);
    for (int i = 0; i < n; ++i) tops[size_t(i) + 1] = tops[size_t(i)] + model_[size_t(i)];
    for (int i = 0; i <= n; ++i) ASSERT_EQ(tree_.Top(i, origin), origin + tops[size_t(i)]) << "top of block " << i;
    ASSERT_EQ(tree_.Top(n + 3, origin), origin + tops[size_t(n)]) << "past the end: the end";
    ASSERT_EQ(tree_.Top(-2, origin), origin) << "before the start: the start";
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(tree_.Exact(i), exact_[size_t(i)]) << "block " << i;
      const double top = tops[size_t(i)];
      ASSERT_EQ(tree_.IndexAt(top), i) << "the top of block " << i;
      ASSERT_EQ(tree_.IndexAt(top + model_[size_t(i)] / 2), i) << "inside block " << i;
      if (i > 0) {
        ASSERT_EQ(tree_.IndexAt(top - 1.0 / 64), i - 1) << "just above block " << i;
      }
    }
    ASSERT_EQ(tree_.IndexAt(-5), 0) << "above the first block";
    ASSERT_EQ(tree_.IndexAt(tops[size_t(n)] + 100), std::max(0, n - 1)) << "below the last block";
  }

  fw::HeightTree tree_;
  std::vector<double> model_;
  std::vector<bool> exact_;
};

TEST_F(HeightTreeTest, TopsAndBlocksAtHeightsAreTheSumsOfTheHeights) {
  const Case cases[] = {
      {"no blocks", 0, {}},
      {"one block", 1, {}},
      {"a power of two", 8, {}},
      {"one past a power of two", 9, {}},
      {"many", 1000, {}},
      {"text coming in at the end, a step at a time", 3, {{2, 1, 5}, {6, 1, 9}, {14, 1, 64}, {77, 1, 3}}},
      {"a paste in the middle", 40, {{17, 1, 23}}},
      {"a cut across blocks", 40, {{5, 30, 1}}},
      {"a cut to one block", 16, {{0, 16, 1}}},
      {"edits at the start", 33, {{0, 1, 2}, {0, 3, 1}, {0, 1, 1}}},
      {"edits on nodes that sum many blocks", 64, {{31, 2, 1}, {15, 1, 3}, {62, 1, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Build(c.blocks);
    ExpectAsSums(4);
    for (const Splice& s : c.splices) {
      Apply(s);
      ExpectAsSums(4);
    }
    // A height set alone moves the sums of every node over it, and the tree is not made again.
    for (int i = 0; i < tree_.Count(); i += 7) {
      tree_.SetHeight(i, model_[size_t(i)] + 1.5);
      model_[size_t(i)] += 1.5;
      tree_.SetExact(i, true);
      exact_[size_t(i)] = true;
    }
    ExpectAsSums(0);
  }
}

}  // namespace
