#include "drivers/CommandPieces.h"

#include <string>

void AddPieces(TCmdOpt& builder, std::span<const TCommandPiece> pieces, const TPieceContext& context) {
  for (const TCommandPiece& piece : pieces) {
    if (!piece.when(context)) continue;
    std::string text = piece.text;
    if (piece.number != nullptr) text += std::to_string(context.options.*piece.number);
    builder.Append(text);
  }
}
