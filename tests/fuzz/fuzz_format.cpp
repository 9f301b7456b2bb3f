// libFuzzer target: the printf-style formatter and the statement formatting.
// The input is the format; a text, whole numbers and an amount are its
// arguments, whatever conversions the format asks for.
#include <cstddef>
#include <cstdint>
#include <string>

#include "run/db.h"
#include "run/exit.h"
#include "run/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string fmt(reinterpret_cast<const char*>(data), size);
  std::string text =
      "Gr\xF6\xDF"
      "e'\\";
  Format(fmt, text, 42, -7.125, static_cast<int16_t>(-3));
  Format(fmt);
  Format(fmt, 1);
  Format(fmt, fmt);
  try {
    SqlFormat(fmt, text, fmt, 123456789L, 0.5);
  } catch (const ProcessExit&) {
    // a statement longer than the statement buffer ends the process
  }
  return 0;
}
