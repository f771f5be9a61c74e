#pragma once
// The shortest text that reads back to the same double, as std::to_chars writes it, with a
// fast way for the short decimals a log is made of.

// Writes the text at `first` (room for 32 characters) and returns its end.
char *shortestNumberChars(char *first, double v);
