#include "export/staging_write.h"

#include "run/context.h"
#include "run/db.h"

int StagingWrite(const std::string& insert, const std::function<std::string()>& update, std::string* statement) {
  int st = SqlWrite(insert);
  if (st != kSqlDuplicate) {
    if (statement) *statement = insert;
    return StagedRow(InsertTable(insert), st);
  }
  std::string upd = update();
  st = SqlWrite(upd);
  if (statement) *statement = std::move(upd);
  return StagedRow(InsertTable(insert), st, true);
}
