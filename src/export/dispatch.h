// Export dispatcher: runs the exporter of the circle's payroll system.
#pragma once

#include <string>

struct RunContext;

// Payroll systems the dispatcher can choose.
enum class Exporter {
  None,
  Loga400,
  Paisy,
  Loga2001,
  Datev,
  Asring,
  XxlExact,
  Emis,
  Schleupen,
  ProAL,
  Sap,
  Sbs,
  Baumann,
  Sage,
  Lodas,
  Raet,
  PaisyBr,
  God,
  Topas,
  Perman,
};

// The exporter for a payroll-system code (LugLgp): the first entry of the
// code list that matches, case-sensitively; None when no entry matches.
Exporter ChooseExporter(const std::string& lgp);

// Runs the exporter of LugLgp of the run's interface record; a code that
// matches no entry exports nothing and logs nothing.
void ExportDispatch(RunContext& ctx);
