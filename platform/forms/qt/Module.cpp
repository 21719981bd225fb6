// The entry of the module the program loads when it first shows a window.
#include "platform/forms/qt/QtWidgetSet.h"

extern "C" __attribute__((visibility("default"))) TWidgetSet* DovanelMakeWidgetSet(int& argc, char** argv) {
  return MakeQtWidgetSet(argc, argv);
}
