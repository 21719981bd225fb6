#include "app/NewCtrls.h"

TFileDrop::TFileDrop(TComponent* owner) : TComponent(owner) {}
TFileDrop::~TFileDrop() = default;

void TFileDrop::SetAccept(bool value) { accept_ = value; }
