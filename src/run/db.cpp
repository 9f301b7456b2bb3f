#include "run/db.h"

#include <mysql.h>
#include <errmsg.h>

#include <cstdlib>

#include "run/exit.h"
#include "run/runlog.h"
#include "run/writebatch.h"

struct SqlResult {
  MYSQL_RES* res;
};

namespace {

MYSQL* g_conn = nullptr;
int g_lastErrNo = 0;
std::string g_lastErrText;
std::string g_sessionInit;
long g_statements = 0;
std::function<bool(long)> g_hook;

void RecordError() {
  g_lastErrNo = g_conn ? static_cast<int>(mysql_errno(g_conn)) : -1;
  g_lastErrText = g_conn ? mysql_error(g_conn) : "no connection";
}

void FreeResult(SqlCursor& c) {
  if (c.Result) {
    mysql_free_result(c.Result->res);
    delete c.Result;
    c.Result = nullptr;
  }
  c.RowsFetched = 0;
}

// A lost connection cannot be answered by any caller: nothing more can be
// read, written or committed, and a run that went on would report success
// over work that the server has rolled back.
[[noreturn]] void ConnectionLost(int err) {
  DiscardWriteBatches();
  static bool reported = false;
  if (!reported) {
    reported = true;
    Log("Verbindung zur Datenbank verloren, Fehler: %d", err);
    Log("Abbruch wegen Fehler, Status: %d", 60);
  }
  reported = false;
  EndProcess(1);
}

bool IsConnectionLoss(int err) {
  return err == CR_SERVER_GONE_ERROR || err == CR_SERVER_LOST || err == 4031 /* client interaction timeout */;
}

}  // namespace

SqlCursor::~SqlCursor() { FreeResult(*this); }

int dbConnect(const std::string& user, const std::string& password, const std::string& server,
              const std::string& database) {
  dbDisconnect();
  DiscardWriteBatches();
  g_conn = mysql_init(nullptr);
  if (!g_conn) {
    g_lastErrNo = CR_OUT_OF_MEMORY;
    g_lastErrText = "mysql_init failed";
    return g_lastErrNo;
  }
  mysql_options(g_conn, MYSQL_SET_CHARSET_NAME, "latin1");
  // a server that takes the connection but never greets must not hold the run
  unsigned timeout = kConnectTimeoutSeconds;
  mysql_options(g_conn, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  std::string host = server;
  unsigned port = 0;
  const char* socket = nullptr;
  std::string socketPath;
  if (!server.empty() && server[0] == '/') {
#ifdef _WIN32
    // Windows has no Unix sockets; the client library would silently connect
    // to localhost:3306 instead.
    Log("Net8 %s ist ein Socket-Pfad, unter Windows nicht verwendbar (Host oder Host:Port angeben)", server);
    mysql_close(g_conn);
    g_conn = nullptr;
    g_lastErrNo = CR_CONNECTION_ERROR;
    g_lastErrText = "socket path on Windows";
    return g_lastErrNo;
#endif
    socketPath = server;
    socket = socketPath.c_str();
    host = "localhost";
  } else if (auto colon = server.rfind(':'); colon != std::string::npos && colon + 1 < server.size() &&
                                             server.find(':') == colon) {
    port = static_cast<unsigned>(std::strtoul(server.c_str() + colon + 1, nullptr, 10));
    host = server.substr(0, colon);
  }
  if (!mysql_real_connect(g_conn, host.empty() ? nullptr : host.c_str(), user.c_str(), password.c_str(),
                          database.c_str(), port, socket, 0)) {
    RecordError();
    int err = g_lastErrNo;
    mysql_close(g_conn);
    g_conn = nullptr;
    return err;
  }
  // a run in autocommit mode would leave half its work committed at any failure
  if (int st = SqlWrite("SET AUTOCOMMIT = 0"); st != 0) {
    mysql_close(g_conn);
    g_conn = nullptr;
    return st == -1 ? CR_UNKNOWN_ERROR : st;
  }
  if (!g_sessionInit.empty()) SqlWrite(g_sessionInit);
  return 0;
}

void dbDisconnect() {
  if (g_conn) FlushWriteBatches();
  if (g_conn) mysql_close(g_conn);
  g_conn = nullptr;
}

void dbSetSessionInit(const std::string& statement) { g_sessionInit = statement; }

void dbSetStatementHook(std::function<bool(long)> hook) { g_hook = std::move(hook); }

int AlterSession() { return 0; }

int dbExec(SqlCursor& c) {
  FreeResult(c);
  // rows gathered for a table are written before any statement that uses it
  FlushWriteBatchesFor(c.Statement);
  if (!g_conn) {
    g_lastErrNo = CR_SERVER_GONE_ERROR;
    g_lastErrText = "not connected";
    return g_lastErrNo;
  }
  ++g_statements;
  if (g_hook && g_hook(g_statements)) {
    mysql_close(g_conn);
    g_conn = nullptr;
    g_lastErrNo = CR_SERVER_LOST;
    g_lastErrText = "connection dropped by the test seam";
    ConnectionLost(CR_SERVER_LOST);
  }
  if (mysql_real_query(g_conn, c.Statement.data(), c.Statement.size()) != 0) {
    RecordError();
    if (IsConnectionLoss(g_lastErrNo)) ConnectionLost(g_lastErrNo);
    return g_lastErrNo;
  }
  MYSQL_RES* res = mysql_store_result(g_conn);
  if (mysql_errno(g_conn) != 0) {
    RecordError();
    if (res) mysql_free_result(res);
    if (IsConnectionLoss(g_lastErrNo)) ConnectionLost(g_lastErrNo);
    return -1;
  }
  if (res) c.Result = new SqlResult{res};
  c.RowsFetched = 0;
  return 0;
}

int dbFetch(SqlCursor& c, SqlRow& row) {
  row = nullptr;
  if (!c.Result) return -1;
  if (static_cast<my_ulonglong>(c.RowsFetched) >= mysql_num_rows(c.Result->res)) return kSqlNoMoreRows;
  row = mysql_fetch_row(c.Result->res);
  if (!row) {
    RecordError();
    return -1;
  }
  ++c.RowsFetched;
  return 0;
}

int dbClose(SqlCursor& c) {
  if (!c.Result) return -1;
  FreeResult(c);
  return 0;
}

namespace {
bool g_holdCommits = false;
}

void dbHoldCommits(bool hold) { g_holdCommits = hold; }

int dbRollback() {
  FlushWriteBatches();
  SqlCursor c;
  c.Statement = "ROLLBACK";
  return dbExec(c);
}

int dbCommit() {
  FlushWriteBatches();
  if (g_holdCommits) return 1;
  SqlCursor c;
  c.Statement = "COMMIT";
  return dbExec(c) == 0 ? 1 : 0;
}

int32_t dbAffectedRows() { return g_conn ? static_cast<int32_t>(mysql_affected_rows(g_conn)) : 0; }

int dbLastErrorNumber() { return g_lastErrNo; }
long dbStatementCount() { return g_statements; }
const std::string& dbLastErrorText() { return g_lastErrText; }

std::string SqlEscape(std::string_view text) {
  std::string out(text.size() * 2 + 1, '\0');
  unsigned long n;
  if (g_conn) {
    n = mysql_real_escape_string(g_conn, out.data(), text.data(), static_cast<unsigned long>(text.size()));
  } else {
    n = 0;
    for (char ch : text) {
      char esc = 0;
      switch (ch) {
        case '\0': esc = '0'; break;
        case '\n': esc = 'n'; break;
        case '\r': esc = 'r'; break;
        case '\\': esc = '\\'; break;
        case '\'': esc = '\''; break;
        case '"': esc = '"'; break;
        case '\032': esc = 'Z'; break;
      }
      if (esc) {
        out[n++] = '\\';
        out[n++] = esc;
      } else {
        out[n++] = ch;
      }
    }
  }
  out.resize(n);
  return out;
}

std::string SqlCheckLength(std::string statement) {
  // the statement buffer holds 1500 characters including the terminator
  if (statement.size() >= kStatementBufferSize) EndProcess(1);
  return statement;
}

void SqlColumn(SqlRow row, int i, std::string& out) {
  if (row[i]) out = row[i];
}
void SqlColumn(SqlRow row, int i, int16_t& out) {
  if (row[i]) out = static_cast<int16_t>(ToLong(row[i]));
}
void SqlColumn(SqlRow row, int i, int32_t& out) {
  if (row[i]) out = ToLong(row[i]);
}
void SqlColumn(SqlRow row, int i, int64_t& out) {
  if (row[i]) out = std::strtoll(row[i], nullptr, 10);
}
void SqlColumn(SqlRow row, int i, double& out) {
  if (row[i]) out = std::strtod(row[i], nullptr);
}

int SqlWrite(std::string statement) {
  SqlCursor c;
  c.Statement = std::move(statement);
  return dbExec(c);
}

int SqlOpen(SqlCursor& cursor, std::string statement) {
  FreeResult(cursor);
  cursor.Statement = std::move(statement);
  return dbExec(cursor);
}

int SqlReadList(std::string statement, std::string& list) {
  list.clear();
  SqlCursor c;
  int st = SqlOpen(c, std::move(statement));
  while (st == 0) {
    std::string text;  // fresh for each row: a NULL leaves it empty
    if ((st = SqlFetchInto(c, text)) == 0) list += (list.empty() ? "'" : ", '") + SqlEscape(text) + "'";
  }
  dbClose(c);
  return st == kSqlNoMoreRows ? 0 : st;
}
