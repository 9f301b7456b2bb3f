#include "calc/schnittstelle.h"

#include "run/db.h"

[[nodiscard]] int SQL_Qvx171Lug_Get(const std::string& akr, LugRecord& lug) {
  return SqlSelectOne(SqlFormat("SELECT LugLug, LugLgp, LugAnz, LugDtm, LugMon, LugUnt, LugFir, LugAkr, LugPnr, LugSta"
                                " FROM Qvx171Lug WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                akr),
                      lug.LugLug, lug.LugLgp, lug.LugAnz, lug.LugDtm, lug.LugMon, lug.LugUnt, lug.LugFir, lug.LugAkr,
                      lug.LugPnr, lug.LugSta);
}

[[nodiscard]] int SQL_Qvx330Abr_GetPeriod(const std::string& akr, int32_t abrnr, std::string& von, std::string& bis) {
  return SqlSelectOne(SqlFormat("SELECT date_format(AbrVon,'%%Y.%%m.%%d'), date_format(AbrBis, '%%Y.%%m.%%d')  FROM "
                                "Qvx330Abr  WHERE AbrAkr = '%s'  AND AbrNum = %ld ",
                                akr, abrnr),
                      von, bis);
}
