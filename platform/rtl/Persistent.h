// Objects that can be copied into one another by the framework's rule: the
// target asks the source, and a source that does not know the target raises
// the conversion error naming both classes.
#pragma once

#include <string>

class TPersistent {
 public:
  virtual ~TPersistent() = default;

  // This object's class name, as the conversion error shows it.
  virtual std::string ClassName() const { return "TPersistent"; }

  // Copies `source` into this object. The default hands the work to the
  // source's AssignTo; a null source raises the conversion error.
  virtual void Assign(const TPersistent* source);
  // Copies this object into `target`. The default raises the conversion error.
  virtual void AssignTo(TPersistent& target) const;

 protected:
  TPersistent() = default;
  TPersistent(const TPersistent&) = default;
  TPersistent& operator=(const TPersistent&) = default;

  // Raises EConvertError "Cannot assign a <source> to a <this>".
  [[noreturn]] void AssignError(const TPersistent* source) const;
};
