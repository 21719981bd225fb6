// The drop target: makes a window accept files and folders from the desktop
// and reports each drop as one event with the dropped paths.
#pragma once

#include <functional>

#include "platform/rtl/Component.h"
#include "platform/rtl/Strings.h"

using TFileDropEvent = std::function<void(TComponent* sender, int num, TStrings& files, int x, int y)>;

class TFileDrop : public TComponent {
 public:
  explicit TFileDrop(TComponent* owner);
  ~TFileDrop() override;

  bool Accept() const { return accept_; }
  void SetAccept(bool value);
  TFileDropEvent OnFileDrop;

 private:
  bool accept_ = true;
};
