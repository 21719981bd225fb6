#include "platform/rtl/Persistent.h"

#include "platform/rtl/Exception.h"

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& target) const { target.AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  const std::string sourceName = source != nullptr ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}
