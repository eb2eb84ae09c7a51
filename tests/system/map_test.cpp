#include "system/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "system/object.h"

namespace qm {

// Checks the red-black properties of a map's tree; only tests see the shape.
template <class K, class V>
struct MapInspector {
  using Node = TNode<K, V>;

  static ::testing::AssertionResult Valid(const TMap<K, V>& map) {
    const Node* nil = map.nil_.get();
    if (nil->_color != Node::BLACK || nil->_left != nil || nil->_right != nil || nil->_parent != nil) {
      return ::testing::AssertionFailure() << "the sentinel was written to";
    }
    if (map._root->_color != Node::BLACK) return ::testing::AssertionFailure() << "red root";
    if (map._root != nil && map._root->_parent != nil) {
      return ::testing::AssertionFailure() << "root's parent is not the sentinel";
    }
    int count = 0;
    std::string why;
    if (BlackHeight(map._root, nil, count, why) < 0) return ::testing::AssertionFailure() << why;
    if (count != map.Count()) return ::testing::AssertionFailure() << "count " << count << " vs " << map.Count();
    return ::testing::AssertionSuccess();
  }

  // The black height of the subtree, or -1 with a reason.
  static int BlackHeight(const Node* n, const Node* nil, int& count, std::string& why) {
    if (n == nil) return 1;
    ++count;
    if (n->_color != Node::RED && n->_color != Node::BLACK) return why = "bad colour", -1;
    for (const Node* child : {n->_left, n->_right}) {
      if (child != nil && child->_parent != n) return why = "child's parent link is wrong", -1;
      if (n->_color == Node::RED && child->_color == Node::RED) return why = "red node with red child", -1;
    }
    if (n->_left != nil && CompareObjects(n->_left->_key, n->_key) >= 0) return why = "left key not smaller", -1;
    if (n->_right != nil && CompareObjects(n->_right->_key, n->_key) <= 0) return why = "right key not greater", -1;
    const int left = BlackHeight(n->_left, nil, count, why);
    const int right = BlackHeight(n->_right, nil, count, why);
    if (left < 0 || right < 0) return -1;
    if (left != right) return why = "black heights differ", -1;
    return left + (n->_color == Node::BLACK ? 1 : 0);
  }
};

namespace {

using StringMap = TMap<String, String>;
using IntMapCheck = MapInspector<int, int>;

std::vector<String> Keys(const StringMap& map) {
  std::vector<String> out;
  for (const String& k : map.Keys()) out.push_back(k);
  return out;
}

// --- Walk order -------------------------------------------------------------

TEST(MapWalk, KeysAndValuesComeOutInCodeUnitOrder) {
  StringMap map;
  for (const char16_t* k : {u"b", u"a", u"Z", u"", u"_", u"ab", u"\u00e9"}) map.Insert(k, String(u"v") + k);
  const std::vector<String> expected{u"", u"Z", u"_", u"a", u"ab", u"b", u"\u00e9"};
  EXPECT_EQ(Keys(map), expected);

  std::vector<String> values;
  auto e = map.Values().ObjectEnumerator();
  while (e.HasNext()) values.push_back(e.NextObject());
  ASSERT_EQ(values.size(), expected.size());
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], u"v" + expected[i]);

  std::vector<String> node_keys;
  for (const auto& node : map) node_keys.push_back(node.Key());
  EXPECT_EQ(node_keys, expected);
}

TEST(MapWalk, NodesKnowTheirInOrderNeighbours) {
  StringMap map;
  for (const char16_t* k : {u"m", u"c", u"x", u"a"}) map.Insert(k, k);
  auto e = map.ObjectEnumerator();
  const auto& first = e.NextObject();
  EXPECT_EQ(first.Key(), u"a");
  EXPECT_EQ(first.PrevNode(), nullptr);
  ASSERT_NE(first.NextNode(), nullptr);
  EXPECT_EQ(first.NextNode()->Key(), u"c");
  EXPECT_EQ(first.NextNode()->NextNode()->NextNode()->Key(), u"x");
  EXPECT_EQ(first.NextNode()->NextNode()->NextNode()->NextNode(), nullptr);
}

TEST(MapWalk, AnEmptyMapEnumeratesNothing) {
  auto map = CreateMap<String, ObjectRef>();
  EXPECT_TRUE(map->IsEmpty());
  EXPECT_FALSE(MapValues(map).ObjectEnumerator().HasNext());
  EXPECT_FALSE(map->Keys().ObjectEnumerator().HasNext());
  EXPECT_FALSE(map->ObjectEnumerator().HasNext());
  int seen = 0;
  for (const ObjectRef& v : MapValues(map)) {
    (void)v;
    ++seen;
  }
  EXPECT_EQ(seen, 0);
}

TEST(MapWalk, TheNodeJustDeliveredMayBeRemoved) {
  StringMap map;
  for (const char16_t* k : {u"d", u"b", u"f", u"a", u"c", u"e", u"g"}) map.Insert(k, k);
  std::vector<String> seen;
  auto e = map.Keys().ObjectEnumerator();
  while (e.HasNext()) {
    String k = e.NextObject();
    seen.push_back(k);
    EXPECT_EQ(map.Remove(k), 1);
  }
  EXPECT_EQ(seen, (std::vector<String>{u"a", u"b", u"c", u"d", u"e", u"f", u"g"}));
  EXPECT_TRUE(map.IsEmpty());
}

TEST(MapWalk, MapValuesKeepsASharedMapAliveForTheWalk) {
  auto map = CreateMap<String, String>();
  MapInsert(map, String(u"k"), String(u"v"));
  auto values = MapValues(map);
  std::weak_ptr<StringMap> watch = map;
  map.reset();
  EXPECT_FALSE(watch.expired());
  std::vector<String> seen;
  for (const String& v : values) seen.push_back(v);
  EXPECT_EQ(seen, std::vector<String>{u"v"});
}

// --- Insert -----------------------------------------------------------------

TEST(MapInsert, AnEqualKeyKeepsTheStoredKeyAndTakesTheNewValue) {
  TMap<ObjectRef, String> map;
  ObjectRef first = std::make_shared<StringObject>(u"mod");
  ObjectRef second = std::make_shared<StringObject>(u"mod");
  map.Insert(first, u"one");
  map.Insert(second, u"two");
  EXPECT_EQ(map.Count(), 1);
  EXPECT_EQ(map.ValueForKey(second), u"two");
  auto e = map.ObjectEnumerator();
  EXPECT_EQ(e.NextObject().Key(), first);  // the same object, not just an equal one
}

TEST(MapInsert, KeysDifferingOnlyInCaseAreDifferentKeys) {
  StringMap map;
  MapInsert(map, u"Graphics", u"upper");
  MapInsert(map, u"graphics", u"lower");
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(map.ValueForKey(u"Graphics"), u"upper");
  EXPECT_EQ(map.ValueForKey(u"graphics"), u"lower");
  EXPECT_FALSE(map.Contains(u"GRAPHICS"));
  EXPECT_EQ(Keys(map), (std::vector<String>{u"Graphics", u"graphics"}));
}

TEST(MapInsert, NumericHandlesAreKeysByValue) {
  TMap<std::uintptr_t, String> map;
  map.Insert(300, u"c");
  map.Insert(100, u"a");
  map.Insert(200, u"b");
  EXPECT_EQ(map.ValueForKey(200), u"b");
  std::vector<std::uintptr_t> keys;
  for (std::uintptr_t k : map.Keys()) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::uintptr_t>{100, 200, 300}));
}

// --- Lookup and Remove ------------------------------------------------------

TEST(MapLookup, AMissingKeyGivesAnEmptyValue) {
  TMap<String, ObjectRef> map;
  map.Insert(u"a", std::make_shared<StringObject>(u"x"));
  EXPECT_EQ(map.ValueForKey(u"b"), nullptr);
  EXPECT_FALSE(map.Contains(u"b"));
  EXPECT_TRUE(map.Contains(u"a"));
}

TEST(MapRemove, ReportsWhetherANodeWasDeleted) {
  StringMap map;
  map.Insert(u"a", u"1");
  map.Insert(u"b", u"2");
  EXPECT_EQ(map.Remove(u"a"), 1);
  EXPECT_EQ(map.Remove(u"a"), 0);
  EXPECT_EQ(map.Count(), 1);
  EXPECT_EQ(Keys(map), std::vector<String>{u"b"});
}

TEST(MapRemove, ClearReleasesEveryValueAndLeavesAUsableMap) {
  TMap<String, ObjectRef> map;
  ObjectRef v = std::make_shared<StringObject>(u"x");
  std::weak_ptr<Object> watch = v;
  map.Insert(u"a", v);
  map.Insert(u"b", std::make_shared<StringObject>(u"y"));
  v.reset();
  map.Clear();
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_EQ(map.Count(), 0);
  map.Insert(u"c", nullptr);
  EXPECT_EQ(map.Count(), 1);
}

// --- Red-black invariants -------------------------------------------------

TEST(MapBalance, RandomInsertsAndRemovesKeepTheRedBlackProperties) {
  std::mt19937 rng(99);
  for (int round = 0; round < 20; ++round) {
    TMap<int, int> map;
    std::map<int, int> model;
    const int range = 10 + round * 25;
    for (int step = 0; step < 1500; ++step) {
      const int key = static_cast<int>(rng() % range);
      if (rng() % 3 == 0) {
        EXPECT_EQ(map.Remove(key), static_cast<int>(model.erase(key)));
      } else {
        map.Insert(key, step);
        model[key] = step;
      }
      if (step % 50 == 0) {
        ASSERT_TRUE(IntMapCheck::Valid(map)) << "round " << round << " step " << step;
      }
    }
    ASSERT_TRUE(IntMapCheck::Valid(map));
    std::vector<std::pair<int, int>> walked, expected(model.begin(), model.end());
    for (const auto& node : map) walked.emplace_back(node.Key(), node.Value());
    EXPECT_EQ(walked, expected);
    // Empty it in random order, checking after every removal.
    std::vector<int> keys;
    for (const auto& [k, v] : model) keys.push_back(k);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (int k : keys) {
      ASSERT_EQ(map.Remove(k), 1);
      ASSERT_TRUE(IntMapCheck::Valid(map));
    }
    EXPECT_TRUE(map.IsEmpty());
  }
}

TEST(MapBalance, ManyAscendingInsertsKeepTheRedBlackProperties) {
  TMap<int, int> map;
  for (int i = 0; i < 100000; ++i) map.Insert(i, i);
  EXPECT_TRUE(IntMapCheck::Valid(map));
  EXPECT_EQ(map.Count(), 100000);
}

}  // namespace
}  // namespace qm
