// The virtual C64's character set, built from its drawing.
#include "c64/vc64/character_set.h"

#include "c64/vc64/character_glyphs.h"

namespace brimwick::c64::vc64 {

namespace {
constexpr CharacterSet kCharacterSet = buildCharacterSet(kGlyphDrawing);
}  // namespace

const CharacterSet& characterSet() { return kCharacterSet; }

}  // namespace brimwick::c64::vc64
