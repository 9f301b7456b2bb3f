// Interruption count: runs of unpaid target-time days.
#pragma once

#include <string>

void CountUnterbrechungen(const std::string& pnr);
