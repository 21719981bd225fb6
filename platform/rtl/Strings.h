// A list of byte strings, as the framework's string list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> items) : items_(items) {}

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }
  std::string& operator[](int index) { return items_.at(static_cast<std::size_t>(index)); }
  void Add(const std::string& item) { items_.push_back(item); }
  void Clear() { items_.clear(); }
  void Assign(const TStringList& other) { items_ = other.items_; }
  const std::vector<std::string>& Items() const { return items_; }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::string> items_;
};

using TStrings = TStringList;
