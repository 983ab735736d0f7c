// Sideways movement with wrap-around, shared by the ship and the aliens.
#pragma once

namespace zelto {

class Form1;
struct Image;

enum class Heading { Left, Right };

/// One step of 100 twips towards `heading`; at the edge (inclusive) a wrap instead, to 200
/// twips left of the far guide line. The edge lies `edgeOffset` twips right of the guide line
/// ahead: Sline when heading left, SLine2 when heading right. Returns whether it wrapped.
bool stepOrWrap(const Form1& form, Image& image, Heading heading, double edgeOffset);

} // namespace zelto
