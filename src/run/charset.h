// Texts between the program and the database server.
//
// Inside the program every text is Windows-1252. The connection speaks
// utf8mb4, so that the server hands over every character its tables hold
// instead of replacing what the connection's character set cannot carry
// with '?' (which would then be used as a value: two personnel numbers or
// cost centres that differ only in such a character would become one). The
// database layer (run/db.cpp) converts every statement it sends with
// ServerText and every text column it hands over with ProgramText; nothing
// else converts texts of the database.
//
// The bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in Windows-1252.
// They are taken as the control characters U+0081, U+008D, U+008F, U+0090 and
// U+009D, as the server's latin1 (its name for Windows-1252) takes them, so
// that a text of a latin1 column comes back with exactly the bytes it has in
// the table, and every byte the program sends is stored as that byte.
#pragma once

#include <string>
#include <string_view>

// Windows-1252 text as UTF-8 for the server. Every byte has its character.
std::string ServerText(std::string_view cp1252);

// UTF-8 text of the server as Windows-1252. A character that Windows-1252
// cannot hold is replaced by its transliteration (Transliterate) and the
// result is false; invalid UTF-8 bytes become '?' (also false).
bool ProgramText(std::string_view utf8, std::string& out);

// Windows-1252 replacement of a character that Windows-1252 cannot hold:
// its letter without the diacritic ("L" for U+0141, "r" for U+0159), "?" for
// a character the table does not know. One fixed table, the same on every
// platform.
std::string_view Transliterate(unsigned codePoint);

// The UTF-8 text for log lines, as Windows-1252, with each character that
// Windows-1252 cannot hold shown as <U+XXXX> (at least four hex digits,
// upper case): "1<U+0141>3".
std::string ShownServerText(std::string_view utf8);
