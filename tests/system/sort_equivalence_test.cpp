// The list sort promises exactly the order of a neighbour-swapping bubble
// sort through the elements' Compare (a stable order, equal elements keeping
// theirs). This checks it against a literal rendering of those steps over
// many random lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <list>
#include <memory>
#include <random>
#include <vector>

#include "system/list.h"

namespace qm {
namespace {

struct Rec {
  int key = 0;
  String name;
  int tag = 0;  // identity: the position the record was appended at
};
using RecRef = std::shared_ptr<Rec>;
using Comparison = std::function<int(const RecRef&, const RecRef&)>;

// The bubble sort, step by step, on a list of cells: the end marker
// starts at the end; a pass walks from the first cell, exchanging the current
// cell with its successor when the comparison says so (the current cell is
// then one place further on and stays current); after a pass with a swap the
// end marker moves to the current cell.
std::vector<int> BubbleOrder(const std::vector<RecRef>& input, int ascending, const Comparison& cmp) {
  std::list<RecRef> cells(input.begin(), input.end());
  auto end_marker = cells.end();
  for (;;) {
    if (cells.empty()) break;
    auto current = cells.begin();
    bool swapped = false;
    for (;;) {
      auto successor = std::next(current);
      if (successor == end_marker) break;
      const int c = cmp(*current, *successor);
      if ((c > 0 && ascending) || (c < 0 && !ascending)) {
        cells.splice(current, cells, successor);  // successor moves before current
        swapped = true;
      } else {
        current = successor;
      }
    }
    if (!swapped) break;
    end_marker = current;
  }
  std::vector<int> tags;
  for (const RecRef& r : cells) tags.push_back(r->tag);
  return tags;
}

std::vector<int> ListOrder(const std::vector<RecRef>& input, int ascending, const Comparison& cmp) {
  TList<RecRef> list;
  for (const RecRef& r : input) ListAddLast(list, r);
  SortList(list, ascending, cmp);
  std::vector<int> tags;
  for (const RecRef& r : list) tags.push_back(r->tag);
  return tags;
}

std::vector<RecRef> RandomRecords(std::mt19937& rng, int size, int distinct) {
  std::uniform_int_distribution<int> key(0, distinct - 1);
  std::vector<RecRef> out;
  for (int i = 0; i < size; ++i) {
    const int k = key(rng);
    // Names with case and prefix differences so code-unit order matters.
    static const char16_t* const kStems[] = {u"", u"a", u"A", u"ab", u"_", u"b", u"Ab", u"\u00e9"};
    String name = kStems[k % 8];
    name += String(static_cast<std::size_t>(k / 8), u'x');
    out.push_back(std::make_shared<Rec>(Rec{k, name, i}));
  }
  return out;
}

struct NamedComparison {
  const char* name;
  Comparison cmp;
};

const std::vector<NamedComparison>& Comparisons() {
  static const std::vector<NamedComparison> all{
      {"three-way sign",
       [](const RecRef& a, const RecRef& b) { return a->key < b->key ? -1 : (a->key > b->key ? 1 : 0); }},
      {"greater-only 0/1 on names",
       [](const RecRef& a, const RecRef& b) { return Compare(a->name, b->name) > 0 ? 1 : 0; }},
      {"code-unit differences of names", [](const RecRef& a, const RecRef& b) { return Compare(a->name, b->name); }},
      {"arbitrary magnitudes", [](const RecRef& a, const RecRef& b) { return (a->key - b->key) * 7919; }},
      {"everything equal", [](const RecRef&, const RecRef&) { return 0; }},
  };
  return all;
}

TEST(SortEquivalence, MatchesTheBubbleSortOnRandomListsInBothModes) {
  std::mt19937 rng(20240611);
  int checked = 0;
  for (int round = 0; round < 40; ++round) {
    for (int size = 0; size <= 60; ++size) {
      const int distinct = 1 + static_cast<int>(rng() % 12);  // few keys: many ties
      const std::vector<RecRef> input = RandomRecords(rng, size, distinct);
      for (const NamedComparison& c : Comparisons()) {
        for (int ascending : {1, 0}) {
          ASSERT_EQ(ListOrder(input, ascending, c.cmp), BubbleOrder(input, ascending, c.cmp))
              << c.name << ", ascending " << ascending << ", size " << size << ", round " << round;
          ++checked;
        }
      }
    }
  }
  EXPECT_EQ(checked, 40 * 61 * 5 * 2);
}

TEST(SortEquivalence, MatchesTheBubbleSortOnPresortedAndReversedInput) {
  std::mt19937 rng(7);
  for (int size : {2, 3, 17, 60}) {
    std::vector<RecRef> input = RandomRecords(rng, size, 5);
    const Comparison& cmp = Comparisons()[0].cmp;
    std::stable_sort(input.begin(), input.end(), [&](const RecRef& a, const RecRef& b) { return cmp(a, b) < 0; });
    for (int ascending : {1, 0}) {
      EXPECT_EQ(ListOrder(input, ascending, cmp), BubbleOrder(input, ascending, cmp)) << size;
      std::vector<RecRef> reversed(input.rbegin(), input.rend());
      EXPECT_EQ(ListOrder(reversed, ascending, cmp), BubbleOrder(reversed, ascending, cmp)) << size;
    }
  }
}

TEST(SortEquivalence, GreaterOnlyComparisonInDescendingModeChangesNothing) {
  // A comparison that never goes negative gives descending mode no reason to
  // swap: the bubble sort leaves the list as it is, after one pass.
  std::mt19937 rng(3);
  const std::vector<RecRef> input = RandomRecords(rng, 30, 6);
  int calls = 0;
  Comparison counting = [&](const RecRef& a, const RecRef& b) {
    ++calls;
    return Compare(a->name, b->name) > 0 ? 1 : 0;
  };
  std::vector<int> identity;
  for (int i = 0; i < 30; ++i) identity.push_back(i);
  EXPECT_EQ(ListOrder(input, 0, counting), identity);
  EXPECT_EQ(calls, 29);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The prefix-keyed sort must give the bubble order too: keys decide where
// they differ, the comparison where they tie.
TEST(SortEquivalence, KeyedAscendingSortMatchesTheBubbleSort) {
  const Comparison greater_only = [](const RecRef& a, const RecRef& b) {
    return Compare(a->name, b->name) > 0 ? 1 : 0;
  };
  const auto prefix_key = [](const RecRef& r) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 2; ++i) key = (key << 16) | (i < r->name.size() ? r->name[i] : 0u);
    return key;
  };
  std::mt19937 rng(77);
  for (int round = 0; round < 40; ++round) {
    for (int size = 0; size <= 60; size += 3) {
      const auto input = RandomRecords(rng, size, 1 + round % 24);
      TList<RecRef> list;
      for (const RecRef& r : input) ListAddLast(list, r);
      list.SortAscendingWithKey(greater_only, prefix_key);
      std::vector<int> tags;
      for (const RecRef& r : list) tags.push_back(r->tag);
      ASSERT_EQ(tags, BubbleOrder(input, 1, greater_only)) << "size " << size << " round " << round;
    }
  }
}

}  // namespace
}  // namespace qm
