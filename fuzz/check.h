// Runs the whole joining pass on one fuzz input and checks what it wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The first byte of `data` chooses the answers: bit 0 drops the normals,
// the other bits pick the angle limit from a table of ordinary, zero,
// negative, huge and borderline values. The rest is the input file.
// Copies it in `dir` with several read-block sizes and checks every
// property of a sound copy; on a violation prints what failed and aborts.
void checkInput(const std::uint8_t* data, std::size_t size, const std::string& dir);
