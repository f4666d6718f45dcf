// Reading the user's answer to a question for a number.
#pragma once

// Reads the decimal number at the start of s, after white space: an optional
// sign, digits with an optional decimal point (at least one digit), and an
// optional exponent; whatever follows is ignored, and `end`, when given, is
// set to where it starts. "inf", "nan" and hexadecimal forms are not
// numbers. Returns false, leaving d and end alone, when s does not begin
// with a number.
bool scandecimal(const char* s, double& d, const char** end = nullptr);
