// The texts the POSIX front ends show around the program's own, in
// Shift-JIS like every text of the window: written in UTF-8 in
// ui_texts.inc.in, converted by the build.
#pragma once

#include "ui/model/ui_texts.inc"
