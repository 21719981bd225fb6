#include "platform/rtl/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Tell everyone who asked; they drop their references to us.
  std::vector<TComponent*> notified = notified_;
  for (TComponent* other : notified) {
    other->RemoveFreeNotification(this);
    other->Notification(this, TOperation::opRemove);
  }
  // Children go first, newest last-in first-out as the framework frees them.
  while (!components_.empty()) {
    TComponent* child = components_.back();
    delete child;  // its destructor removes it from components_
  }
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* child) {
  components_.push_back(child);
  child->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* child) {
  Notification(child, TOperation::opRemove);
  components_.erase(std::remove(components_.begin(), components_.end(), child), components_.end());
  child->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
  if (other == nullptr || other == this) return;
  if (std::find(notified_.begin(), notified_.end(), other) == notified_.end()) notified_.push_back(other);
  if (std::find(other->notified_.begin(), other->notified_.end(), this) == other->notified_.end())
    other->notified_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  notified_.erase(std::remove(notified_.begin(), notified_.end(), other), notified_.end());
  other->notified_.erase(std::remove(other->notified_.begin(), other->notified_.end(), this), other->notified_.end());
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::Notification(TComponent*, TOperation) {}
