// The tools' way to the printable form of text from outside, which lives in platform/, the
// lowest layer, so that the demo's own command line shows a wrong argument the same way.
#pragma once

#include "platform/shown_text.hpp"  // IWYU pragma: export
