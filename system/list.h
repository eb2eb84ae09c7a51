#pragma once
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "system/object.h"
#include "system/runtime_error.h"
#include "system/strings.h"

namespace qm {

// ---------------------------------------------------------------------------
// Element comparison. Lists and maps order and match their elements only
// through this one overload set: strings by code unit, records through their
// own Compare, anything else by identity.

inline int CompareObjects(const String& a, const String& b) { return Compare(a, b); }

template <class U>
concept HasCompare = requires(const U& x, const U& y) {
  { x.Compare(y) } -> std::convertible_to<int>;
};

template <class U>
int CompareObjects(const std::shared_ptr<U>& a, const std::shared_ptr<U>& b) {
  if constexpr (HasCompare<U>) {
    if (a && b) return a->Compare(*b);
  }
  // Identity order; a null reference sorts before every object.
  if (a.get() == b.get()) return 0;
  return std::less<const U*>{}(a.get(), b.get()) ? -1 : 1;
}

// Raw addresses and numbers (native handles used as map keys) compare by value.
template <class U>
int CompareObjects(const U* a, const U* b) {
  if (a == b) return 0;
  return std::less<const U*>{}(a, b) ? -1 : 1;
}

template <class N>
  requires std::is_arithmetic_v<N>
int CompareObjects(N a, N b) { return a < b ? -1 : (b < a ? 1 : 0); }

template <class T>
class TList;
template <class T>
class TListEnum;
template <class T>
class ListIterator;

// ---------------------------------------------------------------------------
// One list cell. While a link is in a list the list owns it (through
// owner_); callers may keep the link that AddLast/AddFirst/FindLink hand out
// and remove it later. A removed link remembers where its successor was, so
// a walk standing on it carries on with the elements still in the list.
template <class T>
class TLink : public std::enable_shared_from_this<TLink<T>> {
 public:
  TLink(const TLink&) = delete;
  TLink& operator=(const TLink&) = delete;

  ~TLink() {
    // Release a chain of removed links one by one rather than recursively:
    // clearing a long list under a live enumerator can chain many of them.
    std::shared_ptr<TLink> next = std::move(forward_);
    while (next && next.use_count() == 1) {
      std::shared_ptr<TLink> after = std::move(next->forward_);
      next = std::move(after);
    }
  }

  const T& Value() const { return _value; }

  // The neighbouring links, or null at either end and for a removed link.
  std::shared_ptr<TLink> NextLink() const {
    if (!_succ || _succ->sentinel_) return nullptr;
    return _succ->shared_from_this();
  }
  std::shared_ptr<TLink> PrevLink() const {
    if (!_pred || _pred->sentinel_) return nullptr;
    return _pred->shared_from_this();
  }

  bool IsLinked() const { return _succ != nullptr && !sentinel_; }

  // Unlinks this link and joins its neighbours directly; the element is
  // released. Removing a link twice (or a list's end marker) does nothing,
  // so a stale link can never unjoin cells that have since moved.
  void Remove() {
    if (!IsLinked()) return;
    _succ->_pred = _pred;
    _pred->_succ = _succ;
    forward_ = _succ->shared_from_this();
    _succ = nullptr;
    _pred = nullptr;
    // The element and the list's reference go last, after the chain is whole
    // again: either may run code (a destructor) that touches the list.
    T old = std::move(_value);
    _value = T{};
    std::shared_ptr<TLink> self = std::move(owner_);
  }

 private:
  friend class TList<T>;
  friend class TListEnum<T>;
  friend class ListIterator<T>;

  TLink() = default;
  explicit TLink(T value) : _value(std::move(value)) {}

  // The first link at or after this one that is still in a list (or the end
  // marker), following the trail that removed links leave behind.
  static std::shared_ptr<TLink> Settle(std::shared_ptr<TLink> link) {
    while (link && !link->sentinel_ && !link->IsLinked()) link = link->forward_;
    return link;
  }

  T _value{};
  TLink* _succ = nullptr;
  TLink* _pred = nullptr;
  std::shared_ptr<TLink> owner_;    // the list's reference while linked
  std::shared_ptr<TLink> forward_;  // after removal: the successor it had
  bool sentinel_ = false;
};

// The container walk protocol: HasNext/NextObject, positioned at the
// next element to deliver. The element just delivered may be removed from
// the list during the walk; the walk still visits every other element.
template <class T>
class TListEnum {
 public:
  explicit TListEnum(std::shared_ptr<TLink<T>> first) : _link(std::move(first)) {}

  bool HasNext() {
    _link = TLink<T>::Settle(std::move(_link));
    return _link && !_link->sentinel_;
  }

  // The next element, or an empty value once the walk is over.
  T NextObject() {
    if (!HasNext()) return T{};
    T value = _link->_value;
    _link = _link->_succ->shared_from_this();
    return value;
  }

 private:
  std::shared_ptr<TLink<T>> _link;
};

// Range-for over a list. Dereferencing yields a copy of the element, so a
// loop body may remove the element it is working on (the copy keeps it
// alive) and the walk continues with its successor.
template <class T>
class ListIterator {
 public:
  using value_type = T;
  using difference_type = std::ptrdiff_t;

  ListIterator() = default;
  explicit ListIterator(std::shared_ptr<TLink<T>> link) : _link(TLink<T>::Settle(std::move(link))) {}

  T operator*() const { return _link->_value; }
  ListIterator& operator++() {
    std::shared_ptr<TLink<T>> next = _link->IsLinked() ? _link->_succ->shared_from_this() : _link->forward_;
    _link = TLink<T>::Settle(std::move(next));
    return *this;
  }
  void operator++(int) { ++*this; }
  bool operator==(std::default_sentinel_t) const { return !_link || _link->sentinel_; }

 private:
  std::shared_ptr<TLink<T>> _link;
};

// ---------------------------------------------------------------------------
// A doubly linked, circular list with an end marker (the sentinel): the
// sentinel's successor is the first link and its predecessor the last; an
// empty list's sentinel points to itself both ways.
template <class T>
class TList {
 public:
  using value_type = T;
  using Link = TLink<T>;
  using LinkRef = std::shared_ptr<Link>;

  TList() : _head(new Link) {
    _head->sentinel_ = true;
    _head->_succ = _head.get();
    _head->_pred = _head.get();
  }
  ~TList() { Clear(); }
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  void Clear() {
    while (!IsEmpty()) _head->_succ->Remove();
  }

  bool IsEmpty() const { return _head->_succ == _head.get(); }

  LinkRef AddLast(T value) { return InsertBefore(_head.get(), std::move(value)); }
  LinkRef AddFirst(T value) { return InsertBefore(_head->_succ, std::move(value)); }

  // The first and last elements, or an empty value for an empty list.
  T First() const { return IsEmpty() ? T{} : _head->_succ->_value; }
  T Last() const { return IsEmpty() ? T{} : _head->_pred->_value; }
  LinkRef FirstLink() const { return IsEmpty() ? nullptr : _head->_succ->shared_from_this(); }
  LinkRef LastLink() const { return IsEmpty() ? nullptr : _head->_pred->shared_from_this(); }

  // Walks the list; callers that need the size often should keep it.
  int Count() const {
    int n = 0;
    for (const Link* l = _head->_succ; l != _head.get(); l = l->_succ) ++n;
    return n;
  }

  bool Contains(const T& value) const { return FindLink(value) != nullptr; }

  // The first link, from the front, whose element compares equal to value.
  LinkRef FindLink(const T& value) const {
    for (Link* l = _head->_succ; l != _head.get(); l = l->_succ) {
      if (CompareObjects(l->_value, value) == 0) return l->shared_from_this();
    }
    return nullptr;
  }

  // Removes the link FindLink finds; 1 when one was removed, else 0.
  int Remove(const T& value) {
    LinkRef link = FindLink(value);
    if (!link) return 0;
    link->Remove();
    return 1;
  }

  const T& ValueAtIndex(int index) const {
    if (index >= 0) {
      int i = 0;
      for (const Link* l = _head->_succ; l != _head.get(); l = l->_succ, ++i) {
        if (i == index) return l->_value;
      }
    }
    throw RuntimeError(u"List index out of range");
  }

  // Visits every element in order without taking references, for the hot
  // loops that only read (the index writer walks catalogues of millions).
  template <class F>
  void ForEach(F&& visit) const {
    for (const Link* l = _head->_succ; l != _head.get(); l = l->_succ) visit(l->_value);
  }

  TListEnum<T> ObjectEnumerator() const { return TListEnum<T>(_head->_succ->shared_from_this()); }
  ListIterator<T> begin() const { return ListIterator<T>(_head->_succ->shared_from_this()); }
  std::default_sentinel_t end() const { return std::default_sentinel; }

  // Stable sort by a comparison int(const T&, const T&) of which only the
  // sign counts. Ascending mode puts b before a when compare(a, b) > 0,
  // descending mode when it is < 0; elements comparing 0 keep their order.
  // This is exactly the order a neighbour-swapping bubble sort produces,
  // reached in O(n log n): a natural merge sort over the links. It first
  // finds the runs already in order (n - 1 comparisons; a sorted list costs
  // nothing more), then merges neighbouring runs, taking from the right run
  // only when the left element must follow it, so ties keep the left first.
  // Links are re-linked, never copied; if the comparison throws, the list is
  // left as it was. The equivalence needs a comparison that orders
  // consistently (as string and record comparisons do); for one that
  // contradicts itself no order is "right" and the two may differ, but the
  // result is always a permutation of the list.
  template <class Cmp>
  void Sort(int ascending, Cmp&& compare) {
    SortLinks([&](const Link* a, const Link* b) {
      const auto c = compare(a->_value, b->_value);
      return ascending ? c > 0 : c < 0;
    });
  }

  // The same ascending sort, faster on long lists of records: key(value)
  // gives an unsigned prefix key whose order agrees with compare wherever
  // two keys differ (a greater key means compare(a, b) > 0); equal keys fall
  // back to compare. Comparisons then rarely leave the merge's own arrays.
  template <class Cmp, class Key>
  void SortAscendingWithKey(Cmp&& compare, Key&& key) {
    std::vector<std::pair<std::uint64_t, Link*>> keyed;
    for (Link* l = _head->_succ; l != _head.get(); l = l->_succ) keyed.emplace_back(key(l->_value), l);
    SortKeyed(keyed, [&](const std::pair<std::uint64_t, Link*>& a, const std::pair<std::uint64_t, Link*>& b) {
      if (a.first != b.first) return a.first > b.first;
      return compare(a.second->_value, b.second->_value) > 0;
    });
  }

 private:
  // Natural merge sort over an array of items, then the chain is re-linked
  // in the new order. after(a, b) says a must follow b.
  template <class Item, class After>
  void SortKeyed(std::vector<Item>& items, After&& after) {
    if (items.size() < 2) return;
    std::vector<std::size_t> runs;  // start index of every run, then the size
    runs.push_back(0);
    for (std::size_t k = 1; k < items.size(); ++k)
      if (after(items[k - 1], items[k])) runs.push_back(k);
    if (runs.size() == 1) return;
    runs.push_back(items.size());

    std::vector<Item> merged(items.size());
    while (runs.size() > 2) {
      std::vector<std::size_t> next_runs;
      std::size_t r = 0;
      for (; r + 2 < runs.size(); r += 2) {
        const std::size_t lo = runs[r], mid = runs[r + 1], hi = runs[r + 2];
        std::size_t i = lo, j = mid, out = lo;
        while (i < mid && j < hi) merged[out++] = after(items[i], items[j]) ? items[j++] : items[i++];
        while (i < mid) merged[out++] = items[i++];
        while (j < hi) merged[out++] = items[j++];
        next_runs.push_back(lo);
      }
      if (r + 1 < runs.size()) {  // an odd run out carries over unmerged
        for (std::size_t k = runs[r]; k < runs[r + 1]; ++k) merged[k] = items[k];
        next_runs.push_back(runs[r]);
      }
      next_runs.push_back(items.size());
      items.swap(merged);
      runs.swap(next_runs);
    }
    Link* prev = _head.get();
    for (auto& item : items) {
      Link* l = LinkOf(item);
      prev->_succ = l;
      l->_pred = prev;
      prev = l;
    }
    prev->_succ = _head.get();
    _head->_pred = prev;
  }
  static Link* LinkOf(Link* l) { return l; }
  template <class K>
  static Link* LinkOf(const std::pair<K, Link*>& item) {
    return item.second;
  }

  template <class After>
  void SortLinks(After&& after) {
    if (_head->_succ == _head.get() || _head->_succ->_succ == _head.get()) return;
    std::vector<Link*> links;
    for (Link* l = _head->_succ; l != _head.get(); l = l->_succ) links.push_back(l);
    SortKeyed(links, after);
  }

 public:
  void Sort(int ascending = 1) {
    Sort(ascending, [](const T& a, const T& b) { return CompareObjects(a, b); });
  }

 private:
  LinkRef InsertBefore(Link* at, T value) {
    LinkRef link(new Link(std::move(value)));
    link->owner_ = link;
    link->_succ = at;
    link->_pred = at->_pred;
    at->_pred->_succ = link.get();
    at->_pred = link.get();
    return link;
  }

  std::shared_ptr<Link> _head;  // the sentinel; shared so walks may outlive the list
};

// ---------------------------------------------------------------------------
// Thin wrappers in the free-function style of the runtime's list operations.

template <class T>
void ClearList(TList<T>& list) {
  list.Clear();
}
template <class T>
void ClearList(const std::shared_ptr<TList<T>>& list) {
  list->Clear();
}

template <class T, class V>
std::shared_ptr<TLink<T>> ListAddLast(TList<T>& list, V&& value) {
  return list.AddLast(T(std::forward<V>(value)));
}
template <class T, class V>
std::shared_ptr<TLink<T>> ListAddLast(const std::shared_ptr<TList<T>>& list, V&& value) {
  return list->AddLast(T(std::forward<V>(value)));
}

// The comparison may be any callable, or the name CompareObjects itself
// (taken as a function pointer of the list's element type).
template <class T, class Cmp>
void SortList(TList<T>& list, int ascending, Cmp&& compare) {
  list.Sort(ascending, std::forward<Cmp>(compare));
}
template <class T>
void SortList(TList<T>& list, int ascending, int (*compare)(const T&, const T&)) {
  list.Sort(ascending, compare);
}
template <class T, class Cmp>
void SortList(const std::shared_ptr<TList<T>>& list, int ascending, Cmp&& compare) {
  list->Sort(ascending, std::forward<Cmp>(compare));
}
template <class T>
void SortList(const std::shared_ptr<TList<T>>& list, int ascending, int (*compare)(const T&, const T&)) {
  list->Sort(ascending, compare);
}

}  // namespace qm
