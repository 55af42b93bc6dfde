// The program's icon resource 101: a shaded sphere dotted with particles.
#pragma once

inline constexpr int kIconeProgramme = 101;

// Registers the four pictures of icon 101 with the window library: 32 x 32
// and 16 x 16 in 16 colours, then 48 x 48 and 32 x 32 in 256 colours.
void EnregistrerIcone();
