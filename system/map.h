#pragma once
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "system/list.h"

namespace qm {

template <class K, class V>
class TMap;
// Test access to the tree's shape; defined only where invariants are checked.
template <class K, class V>
struct MapInspector;

template <class K, class V>
class TKeyValue {
 public:
  const K& Key() const { return _key; }
  const V& Value() const { return _value; }

 protected:
  TKeyValue() = default;
  TKeyValue(K key, V value) : _key(std::move(key)), _value(std::move(value)) {}

  K _key{};
  V _value{};
};

// One tree node. Every child or parent reference that has no node points to
// the map's sentinel (black, its own parent and children), never to null.
template <class K, class V>
class TNode : public TKeyValue<K, V> {
 public:
  static constexpr int RED = -1;
  static constexpr int BLACK = 1;

  int Color() const { return _color; }

  // In-order neighbours, or null past either end.
  const TNode* NextNode() const {
    const TNode* n = Successor();
    return n->IsSentinel() ? nullptr : n;
  }
  const TNode* PrevNode() const {
    const TNode* n = Predecessor();
    return n->IsSentinel() ? nullptr : n;
  }

 private:
  friend class TMap<K, V>;
  friend struct MapInspector<K, V>;
  template <class, class, int>
  friend class MapWalk;

  TNode() : _parent(this), _left(this), _right(this) {}  // the sentinel
  TNode(K key, V value, TNode* nil)
      : TKeyValue<K, V>(std::move(key), std::move(value)), _color(RED), _parent(nil), _left(nil), _right(nil) {}

  // Only the sentinel is its own child: deletion never writes to it.
  bool IsSentinel() const { return _left == this; }

  const TNode* Successor() const {
    const TNode* x = this;
    if (!x->_right->IsSentinel()) {
      x = x->_right;
      while (!x->_left->IsSentinel()) x = x->_left;
      return x;
    }
    const TNode* p = x->_parent;
    while (!p->IsSentinel() && x == p->_right) {
      x = p;
      p = p->_parent;
    }
    return p;
  }
  const TNode* Predecessor() const {
    const TNode* x = this;
    if (!x->_left->IsSentinel()) {
      x = x->_left;
      while (!x->_right->IsSentinel()) x = x->_right;
      return x;
    }
    const TNode* p = x->_parent;
    while (!p->IsSentinel() && x == p->_left) {
      x = p;
      p = p->_parent;
    }
    return p;
  }

  int _color = BLACK;
  TNode* _parent;
  TNode* _left;
  TNode* _right;
};

// The in-order walk, delivering nodes, keys or values. The enumerator stands
// on the next node to deliver, so the node just delivered may be removed from
// the map during the walk.
enum : int { WalkNodes, WalkKeys, WalkValues };

template <class K, class V, int Part>
class MapWalk {
 public:
  using Node = TNode<K, V>;

  explicit MapWalk(const Node* first) : node_(first) {}

  bool HasNext() const { return !node_->IsSentinel(); }

  // The current node (or its key or value), moving on to its successor.
  // Must not be called once HasNext is false.
  decltype(auto) NextObject() {
    const Node* n = node_;
    node_ = n->Successor();
    return Pick(n);
  }

  class iterator {
   public:
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    explicit iterator(const Node* n) : cur_(n), next_(n->IsSentinel() ? n : n->Successor()) {}
    decltype(auto) operator*() const { return Pick(cur_); }
    iterator& operator++() {
      cur_ = next_;
      if (!cur_->IsSentinel()) next_ = cur_->Successor();
      return *this;
    }
    void operator++(int) { ++*this; }
    bool operator==(std::default_sentinel_t) const { return cur_->IsSentinel(); }

   private:
    const Node* cur_ = nullptr;
    const Node* next_ = nullptr;
  };

  iterator begin() const { return iterator(node_); }
  std::default_sentinel_t end() const { return std::default_sentinel; }

 private:
  static decltype(auto) Pick(const Node* n) {
    if constexpr (Part == WalkNodes) {
      return static_cast<const Node&>(*n);
    } else if constexpr (Part == WalkKeys) {
      return static_cast<const K&>(n->_key);
    } else {
      return static_cast<const V&>(n->_value);
    }
  }

  const Node* node_;
};

template <class K, class V>
using TNodeEnumerator = MapWalk<K, V, WalkNodes>;
template <class K, class V>
using TKeyEnumerator = MapWalk<K, V, WalkKeys>;
template <class K, class V>
using TValueEnumerator = MapWalk<K, V, WalkValues>;

// Holds one of the walks and hands it out through ObjectEnumerator, so that
// Keys() and Values() work with range-for. It may also hold a reference to
// the map it walks, keeping a shared map alive for the walk.
template <class Walk>
class TMapEnumerator {
 public:
  explicit TMapEnumerator(Walk walk, std::shared_ptr<const void> keep = nullptr)
      : walk_(walk), keep_(std::move(keep)) {}

  Walk ObjectEnumerator() const { return walk_; }
  auto begin() const { return walk_.begin(); }
  std::default_sentinel_t end() const { return std::default_sentinel; }

 private:
  Walk walk_;
  std::shared_ptr<const void> keep_;
};

// An ordered map stored as a red-black tree, keyed through CompareObjects.
// Each map has one sentinel that stands for every empty subtree, the root's
// parent and the root of an empty map.
template <class K, class V>
class TMap {
 public:
  using Node = TNode<K, V>;
  static constexpr int RED = Node::RED;
  static constexpr int BLACK = Node::BLACK;

  TMap() : nil_(new Node), _root(nil_.get()) {}
  ~TMap() { Clear(); }
  TMap(const TMap&) = delete;
  TMap& operator=(const TMap&) = delete;

  void Clear() {
    if (_root == nil()) return;
    std::vector<Node*> pending{_root};
    while (!pending.empty()) {
      Node* n = pending.back();
      pending.pop_back();
      if (n->_left != nil()) pending.push_back(n->_left);
      if (n->_right != nil()) pending.push_back(n->_right);
      delete n;
    }
    _root = nil();
    count_ = 0;
  }

  bool IsEmpty() const { return _root == nil(); }
  int Count() const { return count_; }

  // A key equal to a stored one keeps the stored key and replaces its value.
  void Insert(K key, V value) {
    Node* parent = nil();
    Node* x = _root;
    int c = 0;
    while (x != nil()) {
      parent = x;
      c = CompareObjects(key, x->_key);
      if (c == 0) {
        x->_value = std::move(value);
        return;
      }
      x = c > 0 ? x->_right : x->_left;
    }
    Node* z = new Node(std::move(key), std::move(value), nil());
    z->_parent = parent;
    if (parent == nil()) {
      _root = z;
    } else if (c < 0) {
      parent->_left = z;
    } else {
      parent->_right = z;
    }
    ++count_;
    InsertFixup(z);
  }

  bool Contains(const K& key) const { return FindNode(key) != nil(); }

  // The stored value, or an empty value when no key compares equal.
  V ValueForKey(const K& key) const {
    const Node* n = FindNode(key);
    return n == nil() ? V{} : n->_value;
  }

  // 1 when a node was deleted, else 0.
  int Remove(const K& key) {
    Node* n = FindNode(key);
    if (n == nil()) return 0;
    RemoveNode(n);
    return 1;
  }

  TMapEnumerator<TKeyEnumerator<K, V>> Keys() const {
    return TMapEnumerator<TKeyEnumerator<K, V>>(TKeyEnumerator<K, V>(FirstNode()));
  }
  TMapEnumerator<TValueEnumerator<K, V>> Values() const {
    return TMapEnumerator<TValueEnumerator<K, V>>(TValueEnumerator<K, V>(FirstNode()));
  }
  TNodeEnumerator<K, V> ObjectEnumerator() const { return TNodeEnumerator<K, V>(FirstNode()); }
  auto begin() const { return ObjectEnumerator().begin(); }
  std::default_sentinel_t end() const { return std::default_sentinel; }

 private:
  friend struct MapInspector<K, V>;

  Node* nil() const { return nil_.get(); }

  const Node* FirstNode() const {
    const Node* n = _root;
    if (n == nil()) return n;
    while (n->_left != nil()) n = n->_left;
    return n;
  }
  const Node* LastNode() const {
    const Node* n = _root;
    if (n == nil()) return n;
    while (n->_right != nil()) n = n->_right;
    return n;
  }

  Node* FindNode(const K& key) const {
    Node* x = _root;
    while (x != nil()) {
      const int c = CompareObjects(key, x->_key);
      if (c == 0) return x;
      x = c > 0 ? x->_right : x->_left;
    }
    return x;
  }

  void RotateLeft(Node* x) {
    Node* y = x->_right;
    x->_right = y->_left;
    if (y->_left != nil()) y->_left->_parent = x;
    y->_parent = x->_parent;
    ReplaceChild(x, y);
    y->_left = x;
    x->_parent = y;
  }

  void RotateRight(Node* x) {
    Node* y = x->_left;
    x->_left = y->_right;
    if (y->_right != nil()) y->_right->_parent = x;
    y->_parent = x->_parent;
    ReplaceChild(x, y);
    y->_right = x;
    x->_parent = y;
  }

  // Makes y take x's place under x's parent (or as the root).
  void ReplaceChild(Node* x, Node* y) {
    if (x->_parent == nil()) {
      _root = y;
    } else if (x == x->_parent->_left) {
      x->_parent->_left = y;
    } else {
      x->_parent->_right = y;
    }
  }

  void InsertFixup(Node* z) {
    while (z->_parent->_color == RED) {
      Node* p = z->_parent;
      Node* g = p->_parent;  // exists: a red node is never the root
      if (p == g->_left) {
        Node* uncle = g->_right;
        if (uncle->_color == RED) {
          p->_color = BLACK;
          uncle->_color = BLACK;
          g->_color = RED;
          z = g;
        } else {
          if (z == p->_right) {
            z = p;
            RotateLeft(z);
            p = z->_parent;
          }
          p->_color = BLACK;
          g->_color = RED;
          RotateRight(g);
        }
      } else {
        Node* uncle = g->_left;
        if (uncle->_color == RED) {
          p->_color = BLACK;
          uncle->_color = BLACK;
          g->_color = RED;
          z = g;
        } else {
          if (z == p->_left) {
            z = p;
            RotateRight(z);
            p = z->_parent;
          }
          p->_color = BLACK;
          g->_color = RED;
          RotateLeft(g);
        }
      }
    }
    _root->_color = BLACK;
  }

  // Puts subtree v where u was. The sentinel's parent is never written; the
  // fix-up is told the parent of the hole explicitly instead.
  void Transplant(Node* u, Node* v) {
    ReplaceChild(u, v);
    if (v != nil()) v->_parent = u->_parent;
  }

  void RemoveNode(Node* z) {
    Node* x;
    Node* x_parent;
    int removed_color = z->_color;
    if (z->_left == nil()) {
      x = z->_right;
      x_parent = z->_parent;
      Transplant(z, z->_right);
    } else if (z->_right == nil()) {
      x = z->_left;
      x_parent = z->_parent;
      Transplant(z, z->_left);
    } else {
      Node* y = z->_right;
      while (y->_left != nil()) y = y->_left;
      removed_color = y->_color;
      x = y->_right;
      if (y->_parent == z) {
        x_parent = y;
      } else {
        x_parent = y->_parent;
        Transplant(y, y->_right);
        y->_right = z->_right;
        y->_right->_parent = y;
      }
      Transplant(z, y);
      y->_left = z->_left;
      y->_left->_parent = y;
      y->_color = z->_color;
    }
    delete z;
    --count_;
    if (removed_color == BLACK) DeleteFixup(x, x_parent);
  }

  // x carries an extra black; x_parent is its parent (x may be the sentinel).
  void DeleteFixup(Node* x, Node* x_parent) {
    while (x != _root && x->_color == BLACK) {
      if (x == x_parent->_left) {
        Node* w = x_parent->_right;
        if (w->_color == RED) {
          w->_color = BLACK;
          x_parent->_color = RED;
          RotateLeft(x_parent);
          w = x_parent->_right;
        }
        if (w->_left->_color == BLACK && w->_right->_color == BLACK) {
          w->_color = RED;
          x = x_parent;
          x_parent = x->_parent;
        } else {
          if (w->_right->_color == BLACK) {
            w->_left->_color = BLACK;
            w->_color = RED;
            RotateRight(w);
            w = x_parent->_right;
          }
          w->_color = x_parent->_color;
          x_parent->_color = BLACK;
          w->_right->_color = BLACK;
          RotateLeft(x_parent);
          x = _root;
        }
      } else {
        Node* w = x_parent->_left;
        if (w->_color == RED) {
          w->_color = BLACK;
          x_parent->_color = RED;
          RotateRight(x_parent);
          w = x_parent->_left;
        }
        if (w->_right->_color == BLACK && w->_left->_color == BLACK) {
          w->_color = RED;
          x = x_parent;
          x_parent = x->_parent;
        } else {
          if (w->_left->_color == BLACK) {
            w->_right->_color = BLACK;
            w->_color = RED;
            RotateLeft(w);
            w = x_parent->_left;
          }
          w->_color = x_parent->_color;
          x_parent->_color = BLACK;
          w->_left->_color = BLACK;
          RotateRight(x_parent);
          x = _root;
        }
      }
    }
    if (x != nil()) x->_color = BLACK;
  }

  std::unique_ptr<Node> nil_;
  Node* _root;
  int count_ = 0;
};

// ---------------------------------------------------------------------------
// Thin wrappers in the free-function style of the runtime's map operations.

template <class K, class V>
std::shared_ptr<TMap<K, V>> CreateMap() {
  return std::make_shared<TMap<K, V>>();
}

template <class K, class V, class KA, class VA>
void MapInsert(TMap<K, V>& map, KA&& key, VA&& value) {
  map.Insert(K(std::forward<KA>(key)), V(std::forward<VA>(value)));
}
template <class K, class V, class KA, class VA>
void MapInsert(const std::shared_ptr<TMap<K, V>>& map, KA&& key, VA&& value) {
  map->Insert(K(std::forward<KA>(key)), V(std::forward<VA>(value)));
}

template <class K, class V>
TMapEnumerator<TValueEnumerator<K, V>> MapValues(const TMap<K, V>& map) {
  return map.Values();
}
// The enumerator keeps a shared map alive for as long as the walk lasts.
template <class K, class V>
TMapEnumerator<TValueEnumerator<K, V>> MapValues(const std::shared_ptr<TMap<K, V>>& map) {
  return TMapEnumerator<TValueEnumerator<K, V>>(map->Values().ObjectEnumerator(), map);
}

}  // namespace qm
