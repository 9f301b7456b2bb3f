// Writes into the staging tables of the exporters that hand over through the
// database.
#pragma once

#include <functional>
#include <string>

// Accumulating write into a staging table: the insert; when the server
// answers 1062 (a row with the same key exists) the update that adds the new
// values to that row, built only then. Returns the insert status unless it was
// 1062, else the update status. statement (optional) receives the text of the
// statement whose status is returned, for the exporters that log it.
int StagingWrite(const std::string& insert, const std::function<std::string()>& update,
                 std::string* statement = nullptr);
