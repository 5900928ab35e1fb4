#pragma once

namespace zorvane {

// Turns a plain password into its stored form and back (the same routine
// does both). Only ASCII bytes are scrambled, so stored text stays valid UTF-8.
void ScramblePassword(char* text);

}  // namespace zorvane
