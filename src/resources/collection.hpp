#pragma once
// An ordered, unkeyed list of shared records with 1-based positions: records are appended at
// the end, read by position or in order, and removed by position. It is never sorted.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kx::resources {

template <class T>
class Collection {
 public:
  using Ptr = std::shared_ptr<T>;
  using const_iterator = typename std::vector<Ptr>::const_iterator;

  // Appends `item` at the end.
  void Add(Ptr item) { items_.push_back(std::move(item)); }
  // Returns the record at `position` (1-based); throws std::out_of_range outside 1..Count().
  const Ptr& Item(long position) const { return items_.at(Index(position)); }
  long Count() const { return static_cast<long>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // Removes the record at `position` (1-based); throws std::out_of_range outside 1..Count().
  void Remove(long position) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(Index(position)));
  }
  // Removes the first `count` records (all of them when there are fewer).
  void RemoveFront(long count) {
    if (count <= 0) return;
    items_.erase(items_.begin(),
                 items_.begin() + std::min(static_cast<std::ptrdiff_t>(count),
                                           static_cast<std::ptrdiff_t>(items_.size())));
  }
  void Clear() { items_.clear(); }

  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  std::size_t Index(long position) const {
    if (position < 1 || position > Count())
      throw std::out_of_range("Position " + std::to_string(position) + " liegt nicht in 1 bis " +
                              std::to_string(Count()));
    return static_cast<std::size_t>(position - 1);
  }
  std::vector<Ptr> items_;
};

}  // namespace kx::resources
