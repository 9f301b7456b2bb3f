#include "calc/lssaetze.h"

void WriteLsSaetze(const std::string&, const std::string&, const std::string&, const std::string&, const std::string&,
                   const std::string&, const std::string&, int) {}
