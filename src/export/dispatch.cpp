#include "export/dispatch.h"

#include "export/baumann.h"
#include "export/datev.h"
#include "export/god.h"
#include "export/proal.h"
#include "export/sbs.h"
#include "run/context.h"

namespace {

struct DispatchEntry {
  const char* Code;
  int Length;  // characters compared; 0: the whole code must equal the entry
  Exporter Which;
  // The exporter; an entry without one (its exporter is not built in yet)
  // exports nothing and logs nothing, like a code that matches no entry.
  void (*Run)();
};

// In this order; the first match wins. A test over the first n characters
// compares only those (the codes are texts, so a shorter code never matches).
const DispatchEntry kEntries[] = {
    {"LOGA", 0, Exporter::Loga400, nullptr},
    {"LOGA4", 5, Exporter::Loga400, nullptr},
    {"IBM", 3, Exporter::Loga400, nullptr},
    {"PAISY", 5, Exporter::Paisy, nullptr},
    {"LOGA2", 5, Exporter::Loga2001, nullptr},
    {"DATEV", 5, Exporter::Datev, DatevLohnprogramm},
    {"ASR", 3, Exporter::Asring, nullptr},
    {"XXL", 3, Exporter::XxlExact, nullptr},
    {"EMIS", 4, Exporter::Emis, nullptr},
    {"SCHLP", 5, Exporter::Schleupen, nullptr},
    {"ProAL", 5, Exporter::ProAL, ProalLohnprogramm},
    {"SAP", 3, Exporter::Sap, nullptr},
    {"SBS", 3, Exporter::Sbs, SbsLohnprogramm},
    {"BAUMN", 5, Exporter::Baumann, BaumannLohnprogramm},
    {"sage", 0, Exporter::Sage, nullptr},
    {"LODAS", 5, Exporter::Lodas, nullptr},
    {"Raet", 0, Exporter::Raet, nullptr},
    {"PSYBR", 5, Exporter::PaisyBr, nullptr},
    {"GOD", 3, Exporter::God, GodLohnprogramm},
    {"TOPAS", 5, Exporter::Topas, nullptr},
    {"PRMAN", 5, Exporter::Perman, nullptr},
};

const DispatchEntry* FindEntry(const std::string& lgp) {
  for (const DispatchEntry& e : kEntries) {
    bool match = e.Length == 0 ? lgp == e.Code
                               : lgp.size() >= static_cast<size_t>(e.Length) &&
                                     lgp.compare(0, static_cast<size_t>(e.Length), e.Code,
                                                 static_cast<size_t>(e.Length)) == 0;
    if (match) return &e;
  }
  return nullptr;
}

}  // namespace

Exporter ChooseExporter(const std::string& lgp) {
  const DispatchEntry* e = FindEntry(lgp);
  return e ? e->Which : Exporter::None;
}

void ExportDispatch() {
  const DispatchEntry* e = FindEntry(Ctx.Lug.LugLgp);
  if (e && e->Run) e->Run();
}
