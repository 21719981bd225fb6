// A builder's switches as data: each row is a piece and the test that adds
// it, walked in order by one routine.
#pragma once

#include <cstdint>
#include <span>

#include "drivers/base/ArchiverOptions.h"
#include "drivers/base/CmdOpt.h"

// What a row's test may look at.
struct TPieceContext {
  const TArchiverOptions& options;
  bool hasOwnerWindow;  // the driver's OwnerWindow is not 0
};

struct TCommandPiece {
  const char* text;
  bool (*when)(const TPieceContext&);
  // When set, the option's value in decimal follows the text ("-" and jm = 9 give -9).
  std::int8_t TArchiverOptions::*number = nullptr;
};

// Appends, in table order, every piece whose test holds.
void AddPieces(TCmdOpt& builder, std::span<const TCommandPiece> pieces, const TPieceContext& context);
