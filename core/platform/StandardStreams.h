#pragma once

#include <cstdio>

namespace core {

// Whether the stream goes to a terminal (progress is drawn there, never
// into a file or a pipe).
bool isTerminal(FILE *stream);

} // namespace core
