#include "export/interface_header.h"

#include "export/field_text.h"
#include "run/db.h"
#include "run/text.h"

[[nodiscard]] int SQL_Qvx171Lug_GetFir(const std::string& akr, LugRecord& lug) {
  int st = SqlSelectOne(SqlFormat("SELECT LugLug, LugMon, LugFir, LugAkr  FROM Qvx171Lug "
                                  " WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                  akr),
                        lug.LugLug, lug.LugMon, lug.LugFir, lug.LugAkr);
  // firm and circle numbers go into the head or every line of a file
  RequireFitsLine(lug.LugFir, "", "LugFir");
  RequireFitsLine(lug.LugAkr, "", "LugAkr");
  return st;
}

[[nodiscard]] int SQL_Qvx171Lug_GetLugFir(const std::string& akr, LugRecord& lug) {
  int st = SqlSelectOne(SqlFormat("SELECT LugLug, LugFir  FROM Qvx171Lug "
                                  " WHERE LugLug = (SELECT AkrLug FROM O1001AbrKreis WHERE AkrNum = '%s')",
                                  akr),
                        lug.LugLug, lug.LugFir);
  RequireFitsLine(lug.LugFir, "", "LugFir");
  return st;
}

std::string FirmText(const LugRecord& lug, const std::string& akr, int length) {
  return SubStr(lug.LugFir.empty() ? akr : lug.LugFir, 0, length);
}
