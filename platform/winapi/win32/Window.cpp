#include "platform/winapi/Window.h"

#include <array>
#include <stdexcept>
#include <utility>

// The system calls a window procedure with the window alone: each thunk takes
// one of a few plain procedures, which finds it by its slot.
namespace {
constexpr int kSlots = 16;

std::array<const TWndProcThunk*, kSlots>& Slots() {
  static std::array<const TWndProcThunk*, kSlots> slots{};
  return slots;
}

template <int Slot>
LRESULT CALLBACK SlotProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const TWndProcThunk* thunk = Slots()[Slot];
  // A message that arrives after its thunk went is the default procedure's.
  if (thunk == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return thunk->Call(message, wParam, lParam);
}

template <int... Slot>
constexpr std::array<WNDPROC, kSlots> MakeProcedures(std::integer_sequence<int, Slot...>) {
  return {&SlotProcedure<Slot>...};
}
constexpr std::array<WNDPROC, kSlots> kProcedures = MakeProcedures(std::make_integer_sequence<int, kSlots>{});
}  // namespace

TWndProcThunk::TWndProcThunk(TWndMethod method) : method_(std::move(method)) {
  for (int i = 0; i < kSlots; ++i)
    if (Slots()[i] == nullptr) {
      Slots()[i] = this;
      slot_ = i;
      return;
    }
  throw std::runtime_error("No window procedure is free for another hook");
}

TWndProcThunk::~TWndProcThunk() { Slots()[slot_] = nullptr; }

LONG_PTR TWndProcThunk::Procedure() const { return ProcedureValue(kProcedures[slot_]); }
