// Growable array of object pointers. The vector does not own its elements: callers delete
// them. With an ordering function, Add keeps the elements sorted, equal elements in their
// order of insertion.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/XException.h"

template <typename T>
class XVector {
 public:
  using Compare = int (*)(const T* a, const T* b);

  explicit XVector(uint32_t growBy = 5, Compare compare = nullptr)
      : m_growBy(growBy ? growBy : 5), m_compare(compare) {}
  XVector(const XVector&) = delete;
  XVector& operator=(const XVector&) = delete;
  virtual ~XVector() { std::free(m_items); }

  uint32_t Count() const { return m_count; }
  uint32_t Capacity() const { return m_capacity; }
  T* At(uint32_t index) const { return index < m_count ? m_items[index] : nullptr; }
  T* operator[](uint32_t index) const { return At(index); }
  T* const* begin() const { return m_items; }
  T* const* end() const { return m_items + m_count; }

  T* Add(T* element) {
    if (!m_compare) return InsertAt(element, m_count);
    // Binary search for the first element that orders after the new one, so that equal
    // elements keep their order of insertion.
    uint32_t low = 0, high = m_count;
    while (low < high) {
      uint32_t mid = low + (high - low) / 2;
      if (m_compare(m_items[mid], element) <= 0) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    return InsertAt(element, low);
  }

  T* InsertAt(T* element, uint32_t index) {
    if (index > m_count) index = m_count;
    if (m_count == m_capacity) Resize(m_capacity + m_growBy);
    std::memmove(m_items + index + 1, m_items + index, (m_count - index) * sizeof(T*));
    m_items[index] = element;
    ++m_count;
    return element;
  }

  void RemoveAt(uint32_t index) {
    if (index >= m_count) return;
    std::memmove(m_items + index, m_items + index + 1, (m_count - index - 1) * sizeof(T*));
    --m_count;
    if (m_capacity >= m_growBy && m_count == m_capacity - m_growBy) Resize(m_capacity - m_growBy);
  }

  // Frees the storage, not the elements.
  void Clear() {
    std::free(m_items);
    m_items = nullptr;
    m_count = m_capacity = 0;
  }

 private:
  void Resize(uint32_t capacity) {
    if (capacity == 0) {
      std::free(m_items);
      m_items = nullptr;
      m_capacity = 0;
      return;
    }
    void* grown = std::realloc(m_items, capacity * sizeof(T*));
    if (!grown) throw XException("Failed to reallocate memory.");
    m_items = static_cast<T**>(grown);
    m_capacity = capacity;
  }

  T** m_items = nullptr;
  uint32_t m_count = 0;
  uint32_t m_capacity = 0;
  uint32_t m_growBy;
  Compare m_compare;
};
