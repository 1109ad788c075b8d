// The extended VST 2 interface: fst-dev declares everything in one header,
// which aeffect.h includes with the two structs mended.
#pragma once
#include "aeffect.h"
