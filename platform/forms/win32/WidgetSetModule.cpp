#include "platform/forms/WidgetSetModule.h"

#include "platform/forms/win32/NativeWidgetSet.h"

// The native window system is part of the program: nothing is loaded.
namespace {
TWidgetSetFactory g_linked = MakeNativeWidgetSet;
}  // namespace

void LinkWidgetSet(TWidgetSetFactory factory) { g_linked = factory; }

TWidgetSetFactory LinkedWidgetSet() { return g_linked; }

TWidgetSetFactory WidgetSetFactory() { return g_linked; }
