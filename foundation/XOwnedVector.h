// An XVector that owns its elements: it deletes them when it is destroyed and when DeleteAll
// empties it. For the lists whose elements belong to the list (the query model, the school
// entries, the included students), so that no owner writes its own delete loop.
#pragma once

#include <cstdint>

#include "foundation/XVector.h"

template <typename T>
class XOwnedVector : public XVector<T> {
 public:
  using typename XVector<T>::Compare;
  explicit XOwnedVector(uint32_t growBy = 5, Compare compare = nullptr)
      : XVector<T>(growBy, compare) {}
  ~XOwnedVector() override { DeleteAll(); }

  // Deletes every element and frees the storage.
  void DeleteAll() {
    for (T* element : *this) delete element;
    this->Clear();
  }

  // Deletes the element at `index` and closes the gap.
  void DeleteAt(uint32_t index) {
    T* element = this->At(index);
    this->RemoveAt(index);
    delete element;
  }
};
