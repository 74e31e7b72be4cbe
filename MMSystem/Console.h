#pragma once
// Standard streams that carry bytes rather than text.

#include <cstdio>

// Puts `stream` in binary mode, so that every byte written reaches it unchanged. Windows'
// C library otherwise turns each LF into CR LF on its standard streams; elsewhere streams
// are binary already and this does nothing.
void SetBinaryMode(std::FILE* stream);
