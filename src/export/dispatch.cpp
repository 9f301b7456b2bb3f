#include "export/dispatch.h"

#include "export/asring.h"
#include "export/baumann.h"
#include "export/datev.h"
#include "export/emis.h"
#include "export/god.h"
#include "export/lodas.h"
#include "export/loga2001.h"
#include "export/loga400.h"
#include "export/paisy.h"
#include "export/perman.h"
#include "export/proal.h"
#include "export/raet.h"
#include "export/sage.h"
#include "export/sap.h"
#include "export/sbs.h"
#include "export/schleupen.h"
#include "export/topas.h"
#include "export/xxl.h"
#include "run/context.h"

namespace {

struct DispatchEntry {
  const char* Code;
  int Length;  // characters compared; 0: the whole code must equal the entry
  Exporter Which;
  // The exporter; an entry without one (its exporter is not built in yet)
  // exports nothing and logs nothing, like a code that matches no entry.
  void (*Run)(RunContext& ctx);
};

// In this order; the first match wins. A test over the first n characters
// compares only those (the codes are texts, so a shorter code never matches).
const DispatchEntry kEntries[] = {
    {"LOGA", 0, Exporter::Loga400, Loga400Lohnprogramm},
    {"LOGA4", 5, Exporter::Loga400, Loga400Lohnprogramm},
    {"IBM", 3, Exporter::Loga400, Loga400Lohnprogramm},
    {"PAISY", 5, Exporter::Paisy, PaisyLohnprogramm},
    {"LOGA2", 5, Exporter::Loga2001, Loga2001Lohnprogramm},
    {"DATEV", 5, Exporter::Datev, DatevLohnprogramm},
    {"ASR", 3, Exporter::Asring, AsringLohnprogramm},
    {"XXL", 3, Exporter::XxlExact, XxlLohnprogramm},
    {"EMIS", 4, Exporter::Emis, EmisLohnprogramm},
    {"SCHLP", 5, Exporter::Schleupen, SchleupenLohnprogramm},
    {"ProAL", 5, Exporter::ProAL, ProalLohnprogramm},
    {"SAP", 3, Exporter::Sap, SapLohnprogramm},
    {"SBS", 3, Exporter::Sbs, SbsLohnprogramm},
    {"BAUMN", 5, Exporter::Baumann, BaumannLohnprogramm},
    {"sage", 0, Exporter::Sage, SageLohnprogramm},
    {"LODAS", 5, Exporter::Lodas, LodasLohnprogramm},
    {"Raet", 0, Exporter::Raet, RaetLohnprogramm},
    {"PSYBR", 5, Exporter::PaisyBr, PaisyBrLohnprogramm},
    {"GOD", 3, Exporter::God, GodLohnprogramm},
    {"TOPAS", 5, Exporter::Topas, TopasLohnexport},
    {"PRMAN", 5, Exporter::Perman, PermanLohnuebergabe},
};

const DispatchEntry* FindEntry(const std::string& lgp) {
  for (const DispatchEntry& e : kEntries) {
    bool match = e.Length == 0
                     ? lgp == e.Code
                     : lgp.size() >= static_cast<size_t>(e.Length) &&
                           lgp.compare(0, static_cast<size_t>(e.Length), e.Code, static_cast<size_t>(e.Length)) == 0;
    if (match) return &e;
  }
  return nullptr;
}

}  // namespace

Exporter ChooseExporter(const std::string& lgp) {
  const DispatchEntry* e = FindEntry(lgp);
  return e ? e->Which : Exporter::None;
}

void ExportDispatch(RunContext& ctx) {
  const DispatchEntry* e = FindEntry(ctx.Lug.LugLgp);
  if (!e || !e->Run) return;
  ctx.Handover.ExportStarted = true;
  e->Run(ctx);
  ctx.Handover.ExportFinished = true;
}
