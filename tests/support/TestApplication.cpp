#include "tests/support/TestApplication.h"

#include "platform/forms/qt/QtWidgetSet.h"
#include "platform/winapi/MessageBox.h"

namespace {
std::vector<ShownBox>& Boxes() {
  static std::vector<ShownBox> boxes;
  return boxes;
}
}  // namespace

TApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "dovanel-test";
  static char* argv[] = {name, nullptr};
  // Windows are made with their forms, so that tests reach the widgets at once.
  static const bool linked = (LinkQtWidgetSet(), true);
  static TApplication application(argc, argv);
  (void)linked;
  static bool ready = false;
  if (!ready) {
    ready = true;
    application.Title = "DOVANEL For Archiver";
    SetMessageBoxHandler([](HWND, const char* text, const char* caption, UINT type) {
      Boxes().push_back({text != nullptr ? text : "", caption != nullptr ? caption : "", type});
      return IDOK;
    });
  }
  return application;
}

std::vector<ShownBox> TakeShownBoxes() {
  std::vector<ShownBox> boxes;
  boxes.swap(Boxes());
  return boxes;
}
