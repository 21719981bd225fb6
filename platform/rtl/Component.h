// Components: an owner frees what it owns; a component told to notify another
// hears of its removal; a state tells designing, reading and loading apart.
#pragma once

#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csDesigning = 1u << 2,
  csDestroying = 1u << 3,
};

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }

  std::string Name;
  long Tag = 0;

  unsigned ComponentState() const { return state_; }
  void SetComponentState(unsigned flags) { state_ |= flags; }
  void ClearComponentState(unsigned flags) { state_ &= ~flags; }

  // Asks this component to tell `other` when it goes away.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // Run once the owner's stored layout has been read.
  virtual void Loaded();

 protected:
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void InsertComponent(TComponent* child);
  void RemoveComponent(TComponent* child);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> notified_;
  unsigned state_ = 0;
};
