// The window system drawn with Qt Widgets.
#pragma once

#include <memory>

#include "platform/forms/WidgetSet.h"

// Makes the Qt application object when there is none yet (the platform is
// chosen before: offscreen when there is no display).
TWidgetSet* MakeQtWidgetSet(int& argc, char** argv);
// For programs that link this widget set (tests, tools): the application
// made next makes it at once, and windows are made with their forms.
void LinkQtWidgetSet();

// The windows of the forms, for the Qt side.
std::unique_ptr<TFormPeer> MakeQtForm(TWindowEvents events);
std::unique_ptr<TLabelPeer> MakeQtLabel(TFormPeer& form, int height, std::function<void()> doubleClicked);
std::unique_ptr<TListBoxPeer> MakeQtListBox(TFormPeer& form, int height, TWindowEvents events,
                                            std::function<void()> selectionChanged);
// Lays out the lists that gained rows since the last pass over pending
// events, so that the pass paints them as they are.
void LayOutPendingLists();
std::unique_ptr<TPeerObject> ListenWithQt(const std::string& socketPath,
                                          std::function<std::string(const std::string&)> answer);
