// Generic containers: a growable stack and an int-keyed red-black map.
// The named instantiations live beside their element types (display modes in
// host/, async event sources in net/); the string stacks live here.
#pragma once

#include <climits>
#include <type_traits>

#include "runtime/gc.h"
#include "runtime/string.h"

// The empty value a stack fills unused slots with.
template <class T>
inline T container_nil() {
  if constexpr (std::is_pointer_v<T>) return nullptr;
  else return T();
}

template <class T>
inline void container_enqueue(const T& v) {
  if constexpr (std::is_pointer_v<T>) gc_enqueue_ref(v);
}

// A growable stack; storage grows to length * 2 + 10.
template <class T>
class c_StackOf : public Object {
 public:
  Array<T> m_data;
  int m_length = 0;

  c_StackOf* m_new() { return this; }
  c_StackOf* m_new2(const Array<T>& data) {
    gc_assign(m_data, data.Resize(data.Length()));
    m_length = data.Length();
    return this;
  }

  void p_Push(const T& value) {
    if (m_length == m_data.Length()) Grow(m_length * 2 + 10);
    container_enqueue(value);
    m_data.Data()[m_length++] = value;
  }
  void p_Push(const Array<T>& values, int offset, int count) {
    for (int i = 0; i < count; ++i) p_Push(values[offset + i]);
  }
  void p_Push(const Array<T>& values, int offset = 0) {
    p_Push(values, offset, values.Length() - offset);
  }
  Array<T> p_ToArray() {
    Array<T> out(m_length);
    for (int i = 0; i < m_length; ++i) out.Data()[i] = m_data.Data()[i];
    return out;
  }
  void p_Clear() {
    for (int i = 0; i < m_length; ++i) m_data.Data()[i] = container_nil<T>();
    m_length = 0;
  }
  // A negative length counts as 0.
  void p_Length(int n) {
    if (n < 0) n = 0;
    if (n < m_length) {
      for (int i = n; i < m_length; ++i) m_data.Data()[i] = container_nil<T>();
    } else if (n > m_data.Length()) {
      Grow(m_length * 2 + 10 > n ? m_length * 2 + 10 : n);
    }
    m_length = n;
  }
  int p_Length2() const { return m_length; }
  T p_Get(int index) { return m_data[index]; }

  void mark() override { gc_enqueue(m_data.rep); }

 private:
  // New storage is traced at once, so a stack already traced this cycle
  // keeps its contents.
  void Grow(int capacity) {
    Array<T> grown(capacity);
    for (int i = 0; i < m_length; ++i) grown.Data()[i] = m_data.Data()[i];
    m_data = grown;
    gc_mark(m_data.rep);
  }
};

// The overload numbers of the named stack classes.
template <class T>
class c_NumberedStack : public c_StackOf<T> {
 public:
  void p_Push4(const T& v) { this->p_Push(v); }
  void p_Push5(const Array<T>& v, int offset, int count) { this->p_Push(v, offset, count); }
  void p_Push6(const Array<T>& v, int offset) { this->p_Push(v, offset); }
};

class c_Stack2 : public c_NumberedStack<String> {
 public:
  c_Stack2* m_new() { return this; }
};

class c_StringStack : public c_Stack2 {
 public:
  c_StringStack* m_new() { return this; }
  String p_Join(const String& separator) { return separator.Join(p_ToArray()); }
};

// A red-black map from int keys; `c_Map` and `c_IntMap` instantiate it.
template <class V>
class c_NodeOf : public Object {
 public:
  int m_key = 0;
  c_NodeOf* m_right = nullptr;
  c_NodeOf* m_left = nullptr;
  V* m_value = nullptr;
  int m_color = -1;  // -1 red, 1 black
  c_NodeOf* m_parent = nullptr;

  c_NodeOf* m_new(int key, V* value, int color, c_NodeOf* parent) {
    m_key = key;
    gc_assign(m_value, value);
    m_color = color;
    gc_assign(m_parent, parent);
    return this;
  }
  void mark() override {
    gc_enqueue_ref(m_right);
    gc_enqueue_ref(m_left);
    gc_enqueue_ref(m_value);
    gc_enqueue_ref(m_parent);
  }
};

template <class V>
class c_MapOf : public Object {
 public:
  using Node = c_NodeOf<V>;
  static constexpr int kRed = -1;
  static constexpr int kBlack = 1;
  Node* m_root = nullptr;

  virtual int p_Compare(int a, int b) = 0;

  bool p_Set(int key, V* value) {
    Node* node = m_root;
    Node* parent = nullptr;
    int cmp = 0;
    while (node) {
      parent = node;
      cmp = p_Compare(key, node->m_key);
      if (cmp > 0) {
        node = node->m_right;
      } else if (cmp < 0) {
        node = node->m_left;
      } else {
        gc_assign(node->m_value, value);
        return false;
      }
    }
    node = gc_new<Node>()->m_new(key, value, kRed, parent);
    if (!parent) gc_assign(m_root, node);
    else if (cmp > 0) gc_assign(parent->m_right, node);
    else gc_assign(parent->m_left, node);
    p_InsertFixup(node);
    return true;
  }
  bool p_Insert(int key, V* value) { return p_Set(key, value); }

  Node* p_FindNode(int key) {
    Node* node = m_root;
    while (node) {
      int cmp = p_Compare(key, node->m_key);
      if (cmp > 0) node = node->m_right;
      else if (cmp < 0) node = node->m_left;
      else return node;
    }
    return nullptr;
  }
  bool p_Contains(int key) { return p_FindNode(key) != nullptr; }
  V* p_Get(int key) {
    Node* n = p_FindNode(key);
    return n ? n->m_value : nullptr;
  }

  void mark() override { gc_enqueue_ref(m_root); }

 protected:
  void p_RotateLeft(Node* node) {
    Node* child = node->m_right;
    gc_assign(node->m_right, child->m_left);
    if (child->m_left) gc_assign(child->m_left->m_parent, node);
    gc_assign(child->m_parent, node->m_parent);
    if (!node->m_parent) gc_assign(m_root, child);
    else if (node == node->m_parent->m_left) gc_assign(node->m_parent->m_left, child);
    else gc_assign(node->m_parent->m_right, child);
    gc_assign(child->m_left, node);
    gc_assign(node->m_parent, child);
  }
  void p_RotateRight(Node* node) {
    Node* child = node->m_left;
    gc_assign(node->m_left, child->m_right);
    if (child->m_right) gc_assign(child->m_right->m_parent, node);
    gc_assign(child->m_parent, node->m_parent);
    if (!node->m_parent) gc_assign(m_root, child);
    else if (node == node->m_parent->m_right) gc_assign(node->m_parent->m_right, child);
    else gc_assign(node->m_parent->m_left, child);
    gc_assign(child->m_right, node);
    gc_assign(node->m_parent, child);
  }
  void p_InsertFixup(Node* node) {
    while (node->m_parent && node->m_parent->m_color == kRed && node->m_parent->m_parent) {
      Node* parent = node->m_parent;
      Node* grand = parent->m_parent;
      if (parent == grand->m_left) {
        Node* uncle = grand->m_right;
        if (uncle && uncle->m_color == kRed) {
          parent->m_color = kBlack;
          uncle->m_color = kBlack;
          grand->m_color = kRed;
          node = grand;
        } else {
          if (node == parent->m_right) {
            node = parent;
            p_RotateLeft(node);
          }
          node->m_parent->m_color = kBlack;
          node->m_parent->m_parent->m_color = kRed;
          p_RotateRight(node->m_parent->m_parent);
        }
      } else {
        Node* uncle = grand->m_left;
        if (uncle && uncle->m_color == kRed) {
          parent->m_color = kBlack;
          uncle->m_color = kBlack;
          grand->m_color = kRed;
          node = grand;
        } else {
          if (node == parent->m_left) {
            node = parent;
            p_RotateRight(node);
          }
          node->m_parent->m_color = kBlack;
          node->m_parent->m_parent->m_color = kRed;
          p_RotateLeft(node->m_parent->m_parent);
        }
      }
    }
    m_root->m_color = kBlack;
  }
};

template <class V>
class c_IntMapOf : public c_MapOf<V> {
 public:
  // a - b, held to the int range so keys far apart still compare by sign.
  int p_Compare(int a, int b) override {
    long long d = static_cast<long long>(a) - b;
    return d > INT_MAX ? INT_MAX : d < INT_MIN ? INT_MIN : static_cast<int>(d);
  }
};
