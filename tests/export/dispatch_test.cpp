#include <gtest/gtest.h>

#include "export/dispatch.h"

namespace {

struct Case {
  const char* Code;
  Exporter Expected;
};

// Every entry of the code list, its prefix behaviour, the order between
// overlapping entries and the codes that must reach nothing.
const Case kCases[] = {
    {"LOGA", Exporter::Loga400},   {"LOGA4", Exporter::Loga400},   {"LOGA4X", Exporter::Loga400},
    {"IBM", Exporter::Loga400},    {"IBMAS", Exporter::Loga400},   {"LOG", Exporter::None},
    {"LOGAX", Exporter::None},     {"LOGA ", Exporter::None},      {"loga", Exporter::None},
    {"PAISY", Exporter::Paisy},    {"PAISY2", Exporter::Paisy},    {"PAIS", Exporter::None},
    {"LOGA2", Exporter::Loga2001}, {"LOGA20", Exporter::Loga2001}, {"DATEV", Exporter::Datev},
    {"DATEVX", Exporter::Datev},   {"DATE", Exporter::None},       {"datev", Exporter::None},
    {"ASR", Exporter::Asring},     {"ASRX", Exporter::Asring},     {"AS", Exporter::None},
    {"XXL", Exporter::XxlExact},   {"XXL-E", Exporter::XxlExact},  {"EMIS", Exporter::Emis},
    {"EMISX", Exporter::Emis},     {"EMI", Exporter::None},        {"SCHLP", Exporter::Schleupen},
    {"SCHL", Exporter::None},      {"ProAL", Exporter::ProAL},     {"PROAL", Exporter::None},
    {"SAP", Exporter::Sap},        {"SAPHR", Exporter::Sap},       {"SBS", Exporter::Sbs},
    {"SBS1", Exporter::Sbs},       {"BAUMN", Exporter::Baumann},   {"BAUM", Exporter::None},
    {"sage", Exporter::Sage},      {"SAGE", Exporter::None},       {"sage1", Exporter::None},
    {"sag", Exporter::None},       {"LODAS", Exporter::Lodas},     {"LODASX", Exporter::Lodas},
    {"Raet", Exporter::Raet},      {"RAET", Exporter::None},       {"Raet ", Exporter::None},
    {"PSYBR", Exporter::PaisyBr},  {"PSYB", Exporter::None},       {"GOD", Exporter::God},
    {"GODX", Exporter::God},       {"TOPAS", Exporter::Topas},     {"TOPA", Exporter::None},
    {"PRMAN", Exporter::Perman},   {"PRMA", Exporter::None},       {"", Exporter::None},
    {"XXX", Exporter::None},       {" DATEV", Exporter::None},
};

}  // namespace

TEST(ExportDispatch, CodeList) {
  for (const Case& c : kCases) {
    EXPECT_EQ(static_cast<int>(c.Expected), static_cast<int>(ChooseExporter(c.Code))) << "code \"" << c.Code << "\"";
  }
}
