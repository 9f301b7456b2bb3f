// Texts of the fields of a transfer file: widths, trailing blanks, decimal
// commas, padding and the characters that would break a line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// True when text fits a field of width characters once its trailing blanks
// are removed (personnel numbers and wage types are never cut: a cut would
// merge the values of two people or two wage types).
bool FitsField(std::string_view text, size_t width);
// Characters that break a line of a transfer file: a line feed or carriage
// return in a text would end the line early, the file's field separator would
// shift the fields behind it. Each exporter passes the separators of its files
// ("" for fixed-width files and staging tables: line breaks only).
// True when text holds none of them.
bool FitsLine(std::string_view text, std::string_view separators);

// A text of the file's head (firm, circle, ...) that would break its line
// breaks every line of the file: the hand-over ends with AbortRun(60) after a
// log line naming it (what, e.g. "LugFir").
void RequireFitsLine(std::string_view text, std::string_view separators, const char* what);
// The text with line feeds, carriage returns and tabs shown as \n, \r and \t,
// for a log line that names such a text without being broken by it.
std::string ShownText(std::string_view text);

// The text without trailing blanks and tabs; a text of blanks only becomes
// empty. Length checks of the file fields count what is left.
std::string NoTrailingBlanks(std::string_view s);

// Turns every decimal point of a formatted number into a comma.
std::string DecimalComma(std::string text);

// The text right-aligned in width characters with pad in front; a longer text
// is returned as it is (the caller decides what a value that does not fit
// means).
std::string PadLeft(std::string_view text, size_t width, char pad);
