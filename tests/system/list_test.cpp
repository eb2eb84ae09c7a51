#include "system/list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "system/object.h"
#include "system/runtime_error.h"

namespace qm {
namespace {

// A record ordered by name, greater-only like the catalogue record: 1 when
// this name is the greater one, 0 otherwise.
struct Named {
  String name;
  int tag = 0;
  int Compare(const Named& other) const { return qm::Compare(name, other.name) > 0 ? 1 : 0; }
};
using NamedRef = std::shared_ptr<Named>;

// A record with no Compare of its own: lists match it by identity.
struct Plain {
  int n = 0;
};

std::vector<String> Walk(const TList<String>& list) {
  std::vector<String> out;
  auto e = list.ObjectEnumerator();
  while (e.HasNext()) out.push_back(e.NextObject());
  return out;
}

std::vector<String> RangeWalk(const TList<String>& list) {
  std::vector<String> out;
  for (const String& s : list) out.push_back(s);
  return out;
}

// --- Walk order ---------------------------------------------------------

TEST(ListWalk, DeliversInInsertionOrderWithAddFirstAtTheFront) {
  TList<String> list;
  list.AddLast(u"b");
  list.AddLast(u"c");
  list.AddFirst(u"a");
  const std::vector<String> expected{u"a", u"b", u"c"};
  EXPECT_EQ(Walk(list), expected);
  EXPECT_EQ(RangeWalk(list), expected);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.First(), u"a");
  EXPECT_EQ(list.Last(), u"c");
}

TEST(ListWalk, LinksReportTheirNeighboursAndNullAtTheEnds) {
  TList<String> list;
  auto a = list.AddLast(u"a");
  auto b = list.AddLast(u"b");
  EXPECT_EQ(a->NextLink(), b);
  EXPECT_EQ(b->PrevLink(), a);
  EXPECT_EQ(a->PrevLink(), nullptr);
  EXPECT_EQ(b->NextLink(), nullptr);
  EXPECT_EQ(list.FirstLink(), a);
  EXPECT_EQ(list.LastLink(), b);
}

TEST(ListWalk, RemovingTheDeliveredElementStillVisitsEveryElement) {
  // A walk may remove each element as it goes (as a clean-up walk does);
  // every element present at the start must still be visited.
  TList<String> list;
  for (const char16_t* s : {u"a", u"b", u"c", u"d"}) list.AddLast(s);
  std::vector<String> seen;
  auto e = list.ObjectEnumerator();
  while (e.HasNext()) {
    String s = e.NextObject();
    seen.push_back(s);
    EXPECT_EQ(list.Remove(s), 1);
  }
  EXPECT_EQ(seen, (std::vector<String>{u"a", u"b", u"c", u"d"}));
  EXPECT_TRUE(list.IsEmpty());
}

TEST(ListWalk, RangeForSurvivesRemovingTheCurrentElement) {
  TList<String> list;
  for (const char16_t* s : {u"a", u"b", u"c"}) list.AddLast(s);
  std::vector<String> seen;
  for (const String& s : list) {
    list.Remove(s);
    seen.push_back(s);  // the iterator's copy outlives the removal
  }
  EXPECT_EQ(seen, (std::vector<String>{u"a", u"b", u"c"}));
  EXPECT_EQ(list.Count(), 0);
}

TEST(ListWalk, AnElementRemovedAheadOfTheWalkIsSkipped) {
  TList<String> list;
  for (const char16_t* s : {u"a", u"b", u"c", u"d"}) list.AddLast(s);
  auto e = list.ObjectEnumerator();
  EXPECT_EQ(e.NextObject(), u"a");  // now standing on b
  list.Remove(u"b");
  list.Remove(u"c");
  ASSERT_TRUE(e.HasNext());
  EXPECT_EQ(e.NextObject(), u"d");
  EXPECT_FALSE(e.HasNext());
}

TEST(ListWalk, AWalkOutlivingItsListEndsCleanly) {
  auto list = std::make_shared<TList<String>>();
  list->AddLast(u"a");
  list->AddLast(u"b");
  auto e = list->ObjectEnumerator();
  EXPECT_EQ(e.NextObject(), u"a");
  list.reset();
  EXPECT_FALSE(e.HasNext());
  EXPECT_EQ(e.NextObject(), String());
}

// --- Clear ----------------------------------------------------------------

TEST(ListClear, OnAnEmptyListDoesNothing) {
  TList<String> list;
  ClearList(list);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.ObjectEnumerator().HasNext());
  EXPECT_TRUE(list.begin() == list.end());
}

TEST(ListClear, ReleasesEveryElementAndLeavesAUsableList) {
  auto list = std::make_shared<TList<NamedRef>>();
  auto rec = std::make_shared<Named>(Named{u"x", 1});
  std::weak_ptr<Named> watch = rec;
  ListAddLast(list, rec);
  ListAddLast(list, std::make_shared<Named>(Named{u"y", 2}));
  rec.reset();
  ClearList(list);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(list->Count(), 0);
  ListAddLast(list, std::make_shared<Named>(Named{u"z", 3}));
  EXPECT_EQ(list->Count(), 1);
}

TEST(ListClear, DestroyingTheListReleasesItsElements) {
  std::weak_ptr<Named> watch;
  {
    TList<NamedRef> list;
    auto rec = std::make_shared<Named>();
    watch = rec;
    list.AddLast(rec);
  }
  EXPECT_TRUE(watch.expired());
}

// --- ValueAtIndex ---------------------------------------------------------

TEST(ListValueAtIndex, ReturnsTheElementAtAZeroBasedPosition) {
  TList<String> list;
  list.AddLast(u"a");
  list.AddLast(u"b");
  EXPECT_EQ(list.ValueAtIndex(0), u"a");
  EXPECT_EQ(list.ValueAtIndex(1), u"b");
}

TEST(ListValueAtIndex, OutsideTheListRaisesListIndexOutOfRange) {
  TList<String> list;
  list.AddLast(u"a");
  for (int index : {1, 5, -1}) {
    try {
      list.ValueAtIndex(index);
      ADD_FAILURE() << "no error for index " << index;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Text(), u"List index out of range");
    }
  }
  TList<String> empty;
  EXPECT_THROW(empty.ValueAtIndex(0), RuntimeError);
}

// --- Contains, FindLink and Remove ------------------------------------------

TEST(ListFind, StringsMatchByContentNotIdentity) {
  TList<String> list;
  list.AddLast(u"alpha");
  auto link = list.AddLast(u"beta");
  String probe = u"be";
  probe += u"ta";
  EXPECT_TRUE(list.Contains(probe));
  EXPECT_EQ(list.FindLink(probe), link);
  EXPECT_FALSE(list.Contains(u"Beta"));  // letter case matters
  EXPECT_EQ(list.FindLink(u"gamma"), nullptr);
}

TEST(ListFind, ObjectsOfTheRootTypeMatchThroughTheirCompare) {
  TList<ObjectRef> list;
  list.AddLast(std::make_shared<StringObject>(u"k"));
  EXPECT_TRUE(list.Contains(std::make_shared<StringObject>(u"k")));
  EXPECT_FALSE(list.Contains(std::make_shared<StringObject>(u"K")));
}

TEST(ListFind, TypesWithoutCompareMatchByIdentity) {
  TList<std::shared_ptr<Plain>> list;
  auto a = std::make_shared<Plain>();
  list.AddLast(a);
  EXPECT_TRUE(list.Contains(a));
  EXPECT_FALSE(list.Contains(std::make_shared<Plain>()));
  EXPECT_FALSE(list.Contains(nullptr));
}

TEST(ListRemove, RemovesOnlyTheFirstMatchAndReportsIt) {
  TList<String> list;
  for (const char16_t* s : {u"a", u"b", u"a"}) list.AddLast(s);
  EXPECT_EQ(list.Remove(u"a"), 1);
  EXPECT_EQ(Walk(list), (std::vector<String>{u"b", u"a"}));
  EXPECT_EQ(list.Remove(u"zz"), 0);
  EXPECT_EQ(list.Count(), 2);
}

TEST(ListRemove, LinkRemoveJoinsTheNeighboursAndReleasesTheElement) {
  TList<NamedRef> list;
  list.AddLast(std::make_shared<Named>(Named{u"a", 1}));
  auto mid = list.AddLast(std::make_shared<Named>(Named{u"b", 2}));
  auto last = list.AddLast(std::make_shared<Named>(Named{u"c", 3}));
  std::weak_ptr<Named> watch = mid->Value();
  mid->Remove();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(mid->Value(), nullptr);
  EXPECT_FALSE(mid->IsLinked());
  EXPECT_EQ(list.FirstLink()->NextLink(), last);
  EXPECT_EQ(list.Count(), 2);
}

TEST(ListRemove, RemovingALinkTwiceLeavesTheListIntact) {
  // A stale link must not unjoin cells that have moved since it left.
  TList<String> list;
  list.AddLast(u"a");
  auto b = list.AddLast(u"b");
  list.AddLast(u"c");
  b->Remove();
  list.AddLast(u"d");
  b->Remove();
  EXPECT_EQ(Walk(list), (std::vector<String>{u"a", u"c", u"d"}));
}

TEST(ListRemove, ALinkKeptAfterItsListIsGoneCanStillBeRemoved) {
  std::shared_ptr<TLink<String>> kept;
  {
    TList<String> list;
    kept = list.AddLast(u"a");
  }
  EXPECT_FALSE(kept->IsLinked());
  kept->Remove();
  EXPECT_EQ(kept->NextLink(), nullptr);
}

// --- CompareObjects ---------------------------------------------------------

TEST(ListCompareObjects, StringsCompareByUnsignedCodeUnit) {
  EXPECT_EQ(CompareObjects(String(u"Z"), String(u"a")), -7);
  EXPECT_EQ(CompareObjects(String(u"ab"), String(u"abc")), -1);
  EXPECT_EQ(CompareObjects(String(), String()), 0);
  EXPECT_GT(CompareObjects(String(1, char16_t(0xE9)), String(u"z")), 0);
}

TEST(ListCompareObjects, RecordsUseTheirOwnCompareAndNullSortsFirst) {
  auto a = std::make_shared<Named>(Named{u"a", 0});
  auto b = std::make_shared<Named>(Named{u"b", 0});
  EXPECT_EQ(CompareObjects(b, a), 1);
  EXPECT_EQ(CompareObjects(a, b), 0);  // greater-only: a smaller name gives 0
  EXPECT_LT(CompareObjects(NamedRef(), a), 0);
  EXPECT_EQ(CompareObjects(NamedRef(), NamedRef()), 0);
}

// --- Sort -------------------------------------------------------------------

TEST(ListSort, GreaterOnlyRecordsSortAscendingAndEqualNamesKeepReadingOrder) {
  // Called the way the index writer calls it: a shared list, CompareObjects.
  auto list = std::make_shared<TList<NamedRef>>();
  const std::vector<std::pair<String, int>> input{{u"b", 1}, {u"a", 2}, {u"B", 3}, {u"b", 4},
                                                  {u"", 5},  {u"a", 6}, {u"_x", 7}};
  for (const auto& [name, tag] : input) ListAddLast(list, std::make_shared<Named>(Named{name, tag}));
  SortList(list, 1, CompareObjects);
  std::vector<int> tags;
  for (const NamedRef& r : *list) tags.push_back(r->tag);
  EXPECT_EQ(tags, (std::vector<int>{5, 3, 7, 2, 6, 1, 4}));
}

TEST(ListSort, DescendingModeSwapsOnNegativeComparisons) {
  TList<String> list;
  for (const char16_t* s : {u"b", u"c", u"a", u"c"}) list.AddLast(s);
  list.Sort(0);
  EXPECT_EQ(Walk(list), (std::vector<String>{u"c", u"c", u"b", u"a"}));
}

TEST(ListSort, KeepsTheSameLinksRatherThanCopies) {
  TList<String> list;
  auto b = list.AddLast(u"b");
  auto a = list.AddLast(u"a");
  list.Sort();
  EXPECT_EQ(list.FirstLink(), a);
  EXPECT_EQ(a->NextLink(), b);
  EXPECT_EQ(b->PrevLink(), a);
  EXPECT_EQ(b->NextLink(), nullptr);
}

TEST(ListSort, EmptyAndOneElementListsCallTheComparisonNotAtAll) {
  int calls = 0;
  auto counting = [&](const String& a, const String& b) {
    ++calls;
    return Compare(a, b);
  };
  TList<String> list;
  list.Sort(1, counting);
  list.Sort(0, counting);
  list.AddLast(u"only");
  list.Sort(1, counting);
  list.Sort(0, counting);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(Walk(list), std::vector<String>{u"only"});
}

TEST(ListSort, AnAlreadySortedListCostsOnePassOfNMinusOneComparisons) {
  for (int n : {2, 3, 10, 1000}) {
    TList<String> list;
    for (int i = 0; i < n; ++i) list.AddLast(String(1, char16_t(u'a' + i % 3)) + FromInt(i / 3));
    list.Sort();  // now sorted
    int calls = 0;
    list.Sort(1, [&](const String& a, const String& b) {
      ++calls;
      return Compare(a, b);
    });
    EXPECT_EQ(calls, n - 1) << "n = " << n;
  }
}

TEST(ListSort, AReversedListNeedsOnlyNLogNComparisons) {
  const int n = 4096;
  TList<String> list;
  for (int i = n; i > 0; --i) list.AddLast(FromInt(100000 + i));
  long calls = 0;
  list.Sort(1, [&](const String& a, const String& b) {
    ++calls;
    return Compare(a, b);
  });
  EXPECT_LE(calls, static_cast<long>(n) * 13);  // n - 1 to find runs, then 12 merge levels
  EXPECT_EQ(list.First(), FromInt(100001));
  EXPECT_EQ(list.Last(), FromInt(100000 + n));
}

TEST(ListSort, AThrowingComparisonLeavesTheListAsItWas) {
  TList<String> list;
  for (const char16_t* s : {u"c", u"a", u"b", u"d"}) list.AddLast(s);
  int calls = 0;
  EXPECT_THROW(list.Sort(1,
                         [&](const String& a, const String& b) {
                           if (++calls == 4) throw RuntimeError(u"stop");
                           return Compare(a, b);
                         }),
               RuntimeError);
  EXPECT_EQ(Walk(list), (std::vector<String>{u"c", u"a", u"b", u"d"}));
}

}  // namespace
}  // namespace qm
