#include "export/transfer_record.h"

#include "export/field_text.h"
#include "run/context.h"
#include "run/db.h"
#include "run/text.h"

[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& cursor, int32_t abrnr, int16_t lfn, std::string_view vonBis,
                                        std::string_view condition) {
  std::string pattern = Format("%s", vonBis);
  std::string extra = condition.empty() ? std::string() : Format(" AND %s", condition);
  // the patterns are program texts, not data: they are doubled for the formatter only
  std::string p;
  for (char c : pattern) {
    p += c;
    if (c == '%') p += '%';
  }
  return SqlOpenStreamed(cursor,
                         SqlFormat("SELECT Zk1Abr, Zk1Lfn, Zk1Stz, date_format(Zk1Bdt, '%%Y.%%m.%%d'), Zk1Pnr, "
                                   "Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, Zk1Krt, Zk1Std, Zk1Tge, Zk1Stg, "
                                   "date_format(Zk1Von, '" +
                                       p + "'), date_format(Zk1Bis, '" + p +
                                       "'), "
                                       "Zk1Sts, Zk1Rre, Zk1Sta, Zk1Upn  FROM Qvx331Zk1 "
                                       " WHERE Zk1Abr = %ld  AND Zk1Lfn = %d" +
                                       extra +
                                       " ORDER BY Zk1Pnr, Zk1Stz, Zk1Bdt, Zk1Zkt, Zk1Lna, Zk1Lgr, Zk1Kst, Zk1Ktr, "
                                       "Zk1Von, Zk1Bis",
                                   abrnr, lfn));
}

[[nodiscard]] int SQL_Qvx331Zk1_FetchRun(SqlCursor& cursor, TransferRecord& r) {
  r = TransferRecord{};
  return SqlFetchTransfer(cursor, r);
}

bool RecordFitsLine(const TransferRecord& r, std::string_view separators) {
  const std::pair<const char*, const std::string*> texts[] = {
      {"Pnr", &r.Zk1Pnr},        {"Upn", &r.Zk1Upn},          {"Lohnart", &r.Zk1Lna},
      {"Lohngruppe", &r.Zk1Lgr}, {"Kostenstelle", &r.Zk1Kst}, {"Kostenträger", &r.Zk1Ktr},
      {"Kostenart", &r.Zk1Krt},  {"Satzart", &r.Zk1Stz},      {"Zeitkonto", &r.Zk1Zkt},
  };
  for (const auto& [field, text] : texts) {
    if (FitsLine(*text, separators)) continue;
    LeaveOutRecordOf(r.Zk1Upn.empty() ? r.Zk1Pnr : r.Zk1Upn, r.Zk1Lna, r.Zk1Std / 60.0, r.Zk1Tge / 10.0,
                     "Zeilenumbruch oder Trennzeichen",
                     "Pnr %s: Zeilenumbruch oder Trennzeichen in %s '%s', Satz nicht übergeben (Lohnart %s)",
                     ShownText(r.Zk1Pnr), Cp1252(field), ShownText(*text), ShownText(r.Zk1Lna));
    return false;
  }
  return true;
}

[[nodiscard]] int SQL_Qvx300Pnr_GetName(const std::string& pnr, std::string& name) {
  return SqlSelectOne(SqlFormat("SELECT PnrNam FROM Qvx300Pnr WHERE PnrNum = '%s'", pnr), name);
}

[[nodiscard]] int SQL_Qvx331Zk1_OpenRun(SqlCursor& c, int32_t abrnr, int16_t lfn) {
  return SqlOpenStreamed(c, SqlCheckLength(
                                std::string("SELECT ") + kZk1ExportColumns +
                                SqlFormat("  FROM Qvx331Zk1 z  WHERE z.Zk1Abr = %ld  AND z.Zk1Lfn = %d "
                                          " ORDER BY z.Zk1Upn, z.Zk1Pnr, z.Zk1Lna, z.Zk1Bdt, z.Zk1Stz, z.Zk1Zkt, "
                                          "z.Zk1Lgr, z.Zk1Kst, z.Zk1Ktr, z.Zk1Von, z.Zk1Bis",
                                          abrnr, lfn)));
}
