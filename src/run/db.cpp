#include "run/db.h"

#include <mysql.h>
#include <errmsg.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "run/charset.h"
#include "run/exit.h"
#include "run/platform.h"
#include "run/run_log.h"

struct SqlResult {
  MYSQL_RES* res;
  // read row by row from the second connection (SqlOpenStreamed)
  bool Streamed = false;
};

namespace {

// The reads ahead: a second connection to the same database, used by one
// worker thread at a time (each set of reads ahead has its own thread, which
// reads only when the thread of the set before has finished).
struct ConnectParams {
  std::string Host, User, Password, Database, Socket;
  unsigned Port = 0;
};

// One set of reads ahead. Its worker starts when the worker of the set
// before has finished (the second connection serves one read at a time).
struct ReadAheadJob {
  struct Read {
    std::string Statement;
    std::promise<MYSQL_RES*> Done;  // nullptr when the read failed
    std::future<MYSQL_RES*> Result = Done.get_future();
    bool Taken = false;
  };
  std::vector<std::unique_ptr<Read>> Reads;
  std::promise<void> Finished;
  std::shared_future<void> After;  // the set before has finished (invalid when there is none)
  std::thread Worker;
  ~ReadAheadJob() {
    if (Worker.joinable()) Worker.join();
    for (auto& r : Reads) {
      if (r->Taken) continue;
      if (MYSQL_RES* res = r->Result.get()) mysql_free_result(res);
    }
  }
};

// Everything the database layer keeps between statements: the run's
// connection and its transaction's state, the second connection of the reads
// ahead, the settings of the installation and the test seams. The process
// runs one run at a time and has one of these; a connect starts its
// per-connection parts afresh.
struct Connection {
  MYSQL* Conn = nullptr;
  int LastErrNo = 0;
  std::string LastErrText;
  std::string SessionInit;
  std::string OptionFile;  // client options of the installation (TLS, timeouts); empty: none
  long Statements = 0;
  PendingWrites* Pending = nullptr;  // the write batches, when any exist
  std::function<int(long)> Hook;
  bool AnswerLoss = false;  // a lost connection is thrown to the caller
  // While set (a preview), commits are left out and reported as done.
  bool HoldCommits = false;
  // the deferred write whose answer has not been read yet
  bool Deferred = false;
  std::function<void(int)> DeferredDone;
  std::string DeferredPurpose;

  ConnectParams Params;
  MYSQL* Second = nullptr;
  bool SecondFailed = false;  // not reachable: no reads ahead until the next connect
  bool ReadAheadOn = true;
  long ReadsAheadTaken = 0;
  long ReadsStreamed = 0;
  // The set read ahead for the next batch and the one read ahead for the
  // batch now being calculated (whose reads are taken when first needed).
  std::unique_ptr<ReadAheadJob> Ahead, AheadBefore;
  // The cursor whose rows the second connection is sending (SqlOpenStreamed);
  // no reads ahead meanwhile.
  SqlCursor* Streaming = nullptr;
  // Tables the run has written to since its last commit or rollback ("*":
  // any); the second connection does not see those writes.
  std::set<std::string> Written;

  // Texts transliterated in this run: each is logged once, and so is a
  // transliteration that two different texts share (two cost centres that
  // the files would no longer tell apart).
  std::set<std::string> Transliterated;                 // UTF-8 texts logged
  std::map<std::string, std::string> Transliterations;  // result -> first UTF-8 text
};
// Made on first use: the write batches attach themselves while the program's
// objects are constructed, before this file's would be.
Connection& Db() {
  static Connection connection;
  return connection;
}

void DropReadsAhead() {
  Db().Ahead.reset();
  Db().AheadBefore.reset();
}

MYSQL* OpenConnection(const ConnectParams& p, int& err, std::string& text);

void SendPending() {
  if (Db().Pending) Db().Pending->SendAll();
}
void SendPendingFor(std::string_view statement) {
  if (Db().Pending) Db().Pending->SendFor(statement);
}
void ForgetPending() {
  if (Db().Pending) Db().Pending->Forget();
}

// The one place where texts cross between the program (Windows-1252) and the
// connection (utf8mb4, run/charset.h): statements on their way out, error
// messages and text columns on their way in.
int SendStatement(MYSQL* conn, const std::string& statement) {
  const std::string text = ServerText(statement);
  return mysql_real_query(conn, text.data(), static_cast<unsigned long>(text.size()));
}
int SendStatementOnly(MYSQL* conn, const std::string& statement) {
  const std::string text = ServerText(statement);
  return mysql_send_query(conn, text.data(), static_cast<unsigned long>(text.size()));
}

void NoteTransliteration(const std::string& utf8, const std::string& result) {
  if (!Db().Transliterated.insert(utf8).second) return;
  Log("Zeichen außerhalb Windows-1252: '%s' übergeben als '%s'", ShownServerText(utf8), result);
  auto [at, fresh] = Db().Transliterations.emplace(result, utf8);
  if (!fresh)
    Log("Achtung: '%s' und '%s' werden beide als '%s' übergeben", ShownServerText(at->second), ShownServerText(utf8),
        result);
}

// The row's texts as Windows-1252. Only columns with bytes outside ASCII are
// converted (numbers and dates never are); the row then points into the
// cursor's own copies.
void ConvertRow(SqlCursor& c, MYSQL_RES* res, MYSQL_ROW& row) {
  const unsigned n = mysql_num_fields(res);
  const unsigned long* lengths = mysql_fetch_lengths(res);
  if (!c.Refused.empty()) c.Refused.assign(c.Refused.size(), std::string());
  bool converted = false;
  for (unsigned i = 0; i < n; ++i) {
    if (!row[i]) continue;
    std::string_view raw(row[i], lengths ? lengths[i] : std::char_traits<char>::length(row[i]));
    if (std::none_of(raw.begin(), raw.end(), [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; })) continue;
    if (!converted) {
      converted = true;
      c.Texts.resize(n);
      c.Row.assign(row, row + n);
    }
    std::string& text = c.Texts[i];
    if (!ProgramText(raw, text)) {
      const bool key = i < 32 && (c.KeyColumns >> i & 1u) != 0;
      if (key) {
        c.Refused.resize(n);
        c.Refused[i] = ShownServerText(raw);
      } else {
        NoteTransliteration(std::string(raw), text);
      }
    }
    c.Row[i] = text.data();
  }
  if (converted) row = c.Row.data();
}

void RecordError() {
  Db().LastErrNo = Db().Conn ? static_cast<int>(mysql_errno(Db().Conn)) : -1;
  if (!Db().Conn) {
    Db().LastErrText = "no connection";
  } else if (!ProgramText(mysql_error(Db().Conn), Db().LastErrText)) {
    // the server quotes values in its messages
    Db().LastErrText = ShownServerText(mysql_error(Db().Conn));
  }
}

void FreeResult(SqlCursor& c) {
  if (c.Result) {
    // a streamed result not read to its end is read off here, which keeps
    // the second connection usable
    mysql_free_result(c.Result->res);
    if (c.Result->Streamed) {
      Db().Streaming = nullptr;
      if (Db().SecondFailed && Db().Second) {
        mysql_close(Db().Second);
        Db().Second = nullptr;
      }
    }
    delete c.Result;
    c.Result = nullptr;
  }
  c.RowsFetched = 0;
}

std::string Upper(std::string_view text) {
  std::string u(text);
  for (char& ch : u) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return u;
}

// The tables a statement names after FROM, JOIN, INTO, UPDATE or a comma of
// its table list, in upper case; "*" when they cannot be told (a statement
// of another shape).
std::set<std::string> NamedTables(std::string_view statement) {
  const std::string all = Upper(statement);
  std::set<std::string> tables;
  auto nameAt = [&all](size_t at) {
    while (at < all.size() && (all[at] == ' ' || all[at] == '\n' || all[at] == '`')) ++at;
    size_t end = at;
    while (end < all.size() && (std::isalnum(static_cast<unsigned char>(all[end])) != 0 || all[end] == '_' ||
                                all[end] == '.' || all[end] == '$'))
      ++end;
    std::string name = all.substr(at, end - at);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
    return name;
  };
  bool list = false;
  for (const char* key : {" FROM ", " JOIN ", " INTO ", "UPDATE "}) {
    for (size_t at = all.find(key); at != std::string::npos; at = all.find(key, at + 1)) {
      const size_t from = at + std::char_traits<char>::length(key);
      std::string name = nameAt(from);
      // a derived table or an expression: the tables inside it are named
      // after their own FROM
      if (!name.empty()) tables.insert(std::move(name));
      // a list of tables ("FROM a x, b", "UPDATE a, b SET") names more than
      // this simple reading tells: up to the clause after the table
      size_t clause = all.size();
      for (const char* next :
           {" WHERE ", " SET ", " GROUP ", " ORDER ", " LIMIT ", " JOIN ", " ON ", " VALUES", " SELECT ", "("})
        clause = std::min(clause, all.find(next, from));
      list = list || all.find(',', from) < clause;
    }
  }
  // any table then, as for a statement whose tables cannot be told at all
  if (list || tables.empty() || all.find(" USING ") != std::string::npos) tables.insert("*");
  return tables;
}

// Notes what a statement the run's own connection accepted did to the
// tables the second connection reads: a write names its tables until the
// transaction ends.
void NoteSent(std::string_view statement) {
  size_t at = 0;
  while (at < statement.size() && (statement[at] == ' ' || statement[at] == '\n' || statement[at] == '(')) ++at;
  size_t end = at;
  while (end < statement.size() && std::isalpha(static_cast<unsigned char>(statement[end])) != 0) ++end;
  const std::string verb = Upper(statement.substr(at, end - at));
  if (verb == "SELECT" || verb == "SHOW" || verb == "SET" || verb == "DO") return;
  if (verb == "COMMIT" || verb == "ROLLBACK") {
    Db().Written.clear();
    return;
  }
  if (verb == "INSERT" || verb == "UPDATE" || verb == "DELETE" || verb == "REPLACE") {
    for (const std::string& t : NamedTables(statement)) Db().Written.insert(t);
    // a write that reads other tables names them too: harmless, it only
    // keeps those reads on the run's own connection
    return;
  }
  Db().Written.insert("*");
}

// A lost connection cannot be answered by any caller: nothing more can be
// read, written or committed, and a run that went on would report success
// over work that the server has rolled back.
[[noreturn]] void ConnectionLost(int err) {
  ForgetPending();
  Db().Deferred = false;
  Db().DeferredDone = nullptr;
  if (Db().AnswerLoss) throw SqlConnectionLost{err};
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

// The status of a refused statement (in Db().LastErrNo) as its class says:
// returned, or thrown.
int Refused(std::string_view purpose) {
  const int err = Db().LastErrNo;
  switch (ClassifySqlStatus(err)) {
    case SqlStatusClass::Expected:
    case SqlStatusClass::Record: return err;
    case SqlStatusClass::LockConflict: throw SqlLockConflict{err, Db().LastErrText, std::string(purpose)};
    case SqlStatusClass::Fatal: break;
  }
  if (IsConnectionLoss(err)) ConnectionLost(err);
  throw SqlFatalError{err, Db().LastErrText, std::string(purpose)};
}

// Counts the statement about to be sent; false when it is not to be sent
// (no connection, or refused by the test seam), with the error recorded.
bool StartStatement() {
  if (!Db().Conn) {
    Db().LastErrNo = CR_SERVER_GONE_ERROR;
    Db().LastErrText = "not connected";
    return false;
  }
  ++Db().Statements;
  if (int err = Db().Hook ? Db().Hook(Db().Statements) : 0; err != 0) {
    if (IsConnectionLoss(err)) {
      mysql_close(Db().Conn);
      Db().Conn = nullptr;
      Db().LastErrNo = err;
      Db().LastErrText = "connection dropped by the test seam";
      ConnectionLost(err);
    }
    // a deadlock costs the server's transaction, as it does on the server
    if (err == kSqlDeadlock && !Db().Deferred) SendStatement(Db().Conn, "ROLLBACK");
    Db().LastErrNo = err;
    Db().LastErrText = "refused by the test seam";
    return false;
  }
  return true;
}

// A connection with the run's settings; nullptr (and the error in err and
// text) when it cannot be made.
MYSQL* OpenConnection(const ConnectParams& p, int& err, std::string& text) {
  MYSQL* conn = mysql_init(nullptr);
  if (!conn) {
    err = CR_OUT_OF_MEMORY;
    text = "mysql_init failed";
    return nullptr;
  }
  mysql_options(conn, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  // a server that takes the connection but never greets must not hold the run
  unsigned timeout = kConnectTimeoutSeconds;
  mysql_options(conn, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  // the installation's client options (TLS: ssl-ca, ssl-cert, ssl-key,
  // ssl-verify-server-cert; timeouts), read when the connection is made and
  // taking precedence over the settings above
  if (!Db().OptionFile.empty()) {
    mysql_options(conn, MYSQL_READ_DEFAULT_FILE, Db().OptionFile.c_str());
    mysql_options(conn, MYSQL_READ_DEFAULT_GROUP, "lugtransfer");
  }
  if (!mysql_real_connect(conn, p.Host.empty() ? nullptr : p.Host.c_str(), p.User.c_str(), p.Password.c_str(),
                          p.Database.c_str(), p.Port, p.Socket.empty() ? nullptr : p.Socket.c_str(), 0)) {
    err = static_cast<int>(mysql_errno(conn));
    text = mysql_error(conn);
    mysql_close(conn);
    return nullptr;
  }
  // said again after connecting (SET NAMES): a server started with
  // skip-character-set-client-handshake ignores the request of the greeting
  // and would send the bytes of its own character set, which the conversion
  // to Windows-1252 would take for UTF-8
  if (mysql_set_character_set(conn, "utf8mb4") != 0) {
    err = static_cast<int>(mysql_errno(conn));
    text = mysql_error(conn);
    mysql_close(conn);
    return nullptr;
  }
  return conn;
}

// The run names its schema in upper case. A server whose case setting is 0
// knows it only as it was created (e.g. "zeit_prod"): when the name as given
// is unknown (1049), the one schema whose name is the same apart from case is
// taken, and params keep that spelling for every further connection. None, or
// more than one, leaves 1049 (the latter with its own message).
constexpr int kUnknownSchema = 1049;

MYSQL* OpenWithSchemaAsSpelled(ConnectParams& params, int& err, std::string& text) {
  ConnectParams server = params;
  server.Database.clear();
  int serverErr = 0;
  std::string serverText;
  MYSQL* conn = OpenConnection(server, serverErr, serverText);
  if (!conn) return nullptr;
  std::string escaped(params.Database.size() * 2 + 1, '\0');
  escaped.resize(mysql_real_escape_string(conn, escaped.data(), params.Database.data(),
                                          static_cast<unsigned long>(params.Database.size())));
  std::string query =
      "SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE UPPER(SCHEMA_NAME) = UPPER('" + escaped + "')";
  std::vector<std::string> names;
  if (SendStatement(conn, query) == 0) {
    if (MYSQL_RES* res = mysql_store_result(conn)) {
      while (MYSQL_ROW row = mysql_fetch_row(res)) names.emplace_back(row[0] ? row[0] : "");
      mysql_free_result(res);
    }
  }
  if (names.size() == 1 && mysql_select_db(conn, names[0].c_str()) == 0) {
    params.Database = names[0];
    return conn;
  }
  if (names.size() > 1) text = "schema name differs only in case from " + std::to_string(names.size()) + " schemas";
  mysql_close(conn);
  return nullptr;
}

// The second connection, made on first use; false when it cannot be made
// (then it is not tried again until the next connect).
bool SecondReady() {
  if (Db().SecondFailed) return false;
  if (Db().Second) return true;
  int err = 0;
  std::string text;
  Db().Second = OpenConnection(Db().Params, err, text);
  if (Db().Second && !Db().SessionInit.empty() && SendStatement(Db().Second, Db().SessionInit) != 0) {
    mysql_close(Db().Second);
    Db().Second = nullptr;
  }
  // A streamed read waits while the run works on its own connection (a lock
  // wait there may take as long as the server lets it): the server must not
  // give up sending meanwhile, as it does after net_write_timeout (60 s).
  if (Db().Second && SendStatement(Db().Second, "SET SESSION net_write_timeout = 86400") != 0) {
    mysql_close(Db().Second);
    Db().Second = nullptr;
  }
  if (!Db().Second) Db().SecondFailed = true;
  return Db().Second != nullptr;
}

// One read of the worker on the second connection; nullptr when it failed
// (the second connection is then given up).
MYSQL_RES* ReadOnSecond(const std::string& statement) {
  if (!SecondReady()) return nullptr;
  MYSQL_RES* res = nullptr;
  if (SendStatement(Db().Second, statement) == 0) {
    res = mysql_store_result(Db().Second);
    if (res && mysql_errno(Db().Second) == 0) return res;
  }
  // the run's own connection reads it again and handles what went wrong
  if (res) mysql_free_result(res);
  mysql_close(Db().Second);
  Db().Second = nullptr;
  Db().SecondFailed = true;
  return nullptr;
}

// The worker of a read ahead: only the second connection and the job are
// touched here.
void ReadAheadWork(ReadAheadJob* job) {
  if (job->After.valid()) job->After.wait();
  for (auto& r : job->Reads) {
    MYSQL_RES* res = nullptr;
    try {
      res = ReadOnSecond(r->Statement);
    } catch (...) {
      // out of memory: the run's own connection reads it
    }
    r->Done.set_value(res);
  }
  job->Finished.set_value();
}

// The result read ahead for exactly this statement, if there is one (it is
// then no longer held); nullptr when the read ahead failed.
MYSQL_RES* TakeReadAhead(const std::string& statement) {
  for (ReadAheadJob* job : {Db().AheadBefore.get(), Db().Ahead.get()}) {
    if (!job) continue;
    for (auto& r : job->Reads) {
      if (r->Taken || r->Statement.size() != statement.size() || r->Statement != statement) continue;
      r->Taken = true;
      return r->Result.get();
    }
  }
  return nullptr;
}

}  // namespace

struct SqlCursor::Paging {
  std::string Select, From, Condition, Key, OrderBy;
  int Rows = 1;
  std::string After;  // " AND <key> > _<charset> X'<hex>'" of the page before; empty for the first
  bool Last = false;
};

namespace {

// Where word stands in text outside parentheses and quotes (the first or the
// last time), npos when it does not.
size_t TopLevel(std::string_view text, std::string_view word, bool last) {
  size_t found = std::string::npos;
  int depth = 0;
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (quote) {
      if (ch == '\\') ++i;
      else if (ch == quote) quote = 0;
      continue;
    }
    if (ch == '\'' || ch == '"' || ch == '`') quote = ch;
    else if (ch == '(') ++depth;
    else if (ch == ')') --depth;
    else if (depth == 0 && text.compare(i, word.size(), word) == 0) {
      found = i;
      if (!last) break;
    }
  }
  return found;
}

bool PlainName(std::string_view text, bool dot) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [dot](char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '_' || (dot && ch == '.');
  });
}

// The parts of a statement SqlOpenPaged can page; false for another shape.
bool SplitForPages(const std::string& s, SqlCursor::Paging& p) {
  const size_t from = TopLevel(s, " FROM ", false), order = TopLevel(s, " ORDER BY ", true);
  if (s.compare(0, 7, "SELECT ") != 0 || from == std::string::npos || order == std::string::npos || order < from)
    return false;
  std::string_view tables(s.data() + from, order - from);
  const size_t where = TopLevel(tables, " WHERE ", true);
  if (where == std::string::npos) return false;
  std::string_view condition = tables.substr(where + 7);
  for (std::string_view word : {" GROUP BY ", " HAVING ", " LIMIT ", " UNION ", " FOR UPDATE", " LOCK IN "}) {
    if (TopLevel(condition, word, false) != std::string::npos) return false;
  }
  std::string_view orderBy(s.data() + order + 10, s.size() - order - 10);
  if (TopLevel(orderBy, " LIMIT ", false) != std::string::npos) return false;
  std::string_view key = orderBy.substr(0, orderBy.find(','));
  while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  if (!PlainName(key, true)) return false;
  p.Select = s.substr(0, from);
  p.From = std::string(tables.substr(0, where));
  p.Condition = std::string(condition);
  p.Key = std::string(key);
  p.OrderBy = s.substr(order);
  return true;
}

// The statement of the next page: the rows of the key values after the page
// before, up to the value of the Rows-th of them, in the statement's order;
// the key's value of each row in hex and its character set come last, for
// the page after it. The page's values are joined with the table, so that
// the server reads only the page's rows through the key's index (the values
// as the server compares them: every spelling of a value comes with it). Formed
// by the layer from a statement that was formatted already: not held to the
// statement limit again.
std::string PageStatement(const SqlCursor::Paging& p) {
  const std::string where = " WHERE (" + p.Condition + ")";
  const std::string keys = "(SELECT " + p.Key + " AS PageKey" + p.From + where + p.After + " ORDER BY " + p.Key +
                           " LIMIT " + std::to_string(p.Rows) + ")";
  const std::string select = p.Select + ", HEX(" + p.Key + "), CHARSET(" + p.Key + ")";
  return select + p.From + " JOIN (SELECT DISTINCT PageKey FROM " + keys + " AS PageRows) AS Page ON " + p.Key +
         " = Page.PageKey" + where + p.OrderBy;
}

// At the end of a page: the next one, when the page was full. 0 when there
// is one, kSqlNoMoreRows after the last, -1 when it could not be read.
int NextPage(SqlCursor& c) {
  SqlCursor::Paging& p = *c.Pages;
  MYSQL_RES* res = c.Result->res;
  const my_ulonglong rows = mysql_num_rows(res);
  if (p.Last || rows < static_cast<my_ulonglong>(p.Rows)) {
    p.Last = true;
    return kSqlNoMoreRows;
  }
  // the key of the page's last row, as the server sent it
  mysql_data_seek(res, rows - 1);
  MYSQL_ROW last = mysql_fetch_row(res);
  const unsigned n = mysql_num_fields(res);
  if (!last || n < 2 || !last[n - 2] || !last[n - 1]) return -1;
  const std::string hex = last[n - 2], charset = last[n - 1];
  if (!PlainName(charset, false) || (!hex.empty() && !PlainName(hex, false))) return -1;
  p.After = " AND " + p.Key + " > _" + charset + " X'" + hex + "'";
  c.Statement = PageStatement(p);
  const int st = dbExec(c);
  // a page refused with a status that comes back is no end of the rows
  if (st != 0 || !c.Result) return -1;
  return 0;
}

// The next row of a streamed read. Its end is "no more rows" only when the
// server said so; anything else breaks off a read whose earlier rows are
// handed over already, which no caller can answer by leaving out one record.
int FetchStreamed(SqlCursor& c, SqlRow& row) {
  MYSQL_ROW fetched = mysql_fetch_row(c.Result->res);
  if (fetched) {
    ConvertRow(c, c.Result->res, fetched);
    row = fetched;
    ++c.RowsFetched;
    return 0;
  }
  MYSQL* second = Db().Second;
  const int err = second ? static_cast<int>(mysql_errno(second)) : CR_SERVER_GONE_ERROR;
  if (err == 0) return kSqlNoMoreRows;
  Db().LastErrNo = err;
  if (!second || !ProgramText(mysql_error(second), Db().LastErrText))
    Db().LastErrText = second ? ShownServerText(mysql_error(second)) : "no connection";
  // given up; closed when the result is freed
  Db().SecondFailed = true;
  throw SqlFatalError{err, Db().LastErrText, StatementPurpose(c.Statement)};
}

}  // namespace

SqlCursor::SqlCursor() = default;
SqlCursor::~SqlCursor() { FreeResult(*this); }

int dbConnect(const std::string& user, const std::string& password, const std::string& server,
              const std::string& database) {
  dbDisconnect();
  ForgetPending();
  std::string host = server;
  unsigned port = 0;
  std::string socketPath;
  if (!server.empty() && server[0] == '/') {
#ifdef _WIN32
    // Windows has no Unix sockets; the client library would silently connect
    // to localhost:3306 instead.
    Log("Net8 %s ist ein Socket-Pfad, unter Windows nicht verwendbar (Host oder Host:Port angeben)", server);
    Db().LastErrNo = CR_CONNECTION_ERROR;
    Db().LastErrText = "socket path on Windows";
    return Db().LastErrNo;
#endif
    socketPath = server;
    host = "localhost";
  } else if (auto colon = server.rfind(':');
             colon != std::string::npos && colon + 1 < server.size() && server.find(':') == colon) {
    port = static_cast<unsigned>(std::strtoul(server.c_str() + colon + 1, nullptr, 10));
    host = server.substr(0, colon);
  }
  Db().Params = ConnectParams{host, user, password, database, socketPath, port};
  Db().SecondFailed = false;
  Db().Written.clear();
  Db().Transliterated.clear();
  Db().Transliterations.clear();
  Db().Conn = OpenConnection(Db().Params, Db().LastErrNo, Db().LastErrText);
  if (!Db().Conn && Db().LastErrNo == kUnknownSchema)
    Db().Conn = OpenWithSchemaAsSpelled(Db().Params, Db().LastErrNo, Db().LastErrText);
  if (!Db().Conn) return Db().LastErrNo;
  // a run in autocommit mode would leave half its work committed at any failure
  try {
    if (int st = SqlWrite("SET AUTOCOMMIT = 0"); st != 0) {
      mysql_close(Db().Conn);
      Db().Conn = nullptr;
      return st == -1 ? CR_UNKNOWN_ERROR : st;
    }
    if (!Db().SessionInit.empty() && SqlWrite(Db().SessionInit) != 0) {
      mysql_close(Db().Conn);
      Db().Conn = nullptr;
      return Db().LastErrNo;
    }
  } catch (const SqlFatalError& e) {
    if (Db().Conn) mysql_close(Db().Conn);
    Db().Conn = nullptr;
    return e.Error;
  } catch (const SqlLockConflict& e) {
    if (Db().Conn) mysql_close(Db().Conn);
    Db().Conn = nullptr;
    return e.Error;
  }
  return 0;
}

void dbDisconnect() {
  if (Db().Conn) SendPending();
  dbAwaitDeferred();
  DropReadsAhead();
  // a result still being streamed is given up with its connection
  if (Db().Streaming) FreeResult(*Db().Streaming);
  if (Db().Second) mysql_close(Db().Second);
  Db().Second = nullptr;
  if (Db().Conn) mysql_close(Db().Conn);
  Db().Conn = nullptr;
}

void dbAnswerConnectionLoss(bool on) { Db().AnswerLoss = on; }

void dbAttachPendingWrites(PendingWrites* writes) { Db().Pending = writes; }

bool dbConnected() { return Db().Conn != nullptr; }

void dbSetSessionInit(const std::string& statement) { Db().SessionInit = statement; }

void dbSetOptionFile(const std::string& path) {
  Db().OptionFile.clear();
  if (std::FILE* f = OpenFile(path, "rb")) {
    std::fclose(f);
    Db().OptionFile = NativePath(path);
  }
}

void dbSetFaultHook(std::function<int(long)> hook) { Db().Hook = std::move(hook); }

void dbSetStatementHook(std::function<bool(long)> hook) {
  if (!hook) {
    Db().Hook = nullptr;
    return;
  }
  Db().Hook = [lost = std::move(hook)](long n) { return lost(n) ? CR_SERVER_LOST : 0; };
}

int AlterSession() { return 0; }

int dbExec(SqlCursor& c) {
  FreeResult(c);
  if ((Db().Ahead || Db().AheadBefore) && Db().Conn) {
    if (MYSQL_RES* res = TakeReadAhead(c.Statement)) {
      // read ahead on the second connection: counted here, where it would
      // have been sent; an outstanding deferred write stays outstanding
      std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> held(res, [](MYSQL_RES* r) { mysql_free_result(r); });
      if (!StartStatement()) return Refused(StatementPurpose(c.Statement));
      c.Result = new SqlResult{held.release()};
      c.RowsFetched = 0;
      ++Db().ReadsAheadTaken;
      return 0;
    }
  }
  // rows gathered for a table are written before any statement that uses it
  SendPendingFor(c.Statement);
  dbAwaitDeferred();
  if (!StartStatement()) return Refused(StatementPurpose(c.Statement));
  if (SendStatement(Db().Conn, c.Statement) != 0) {
    RecordError();
    if (IsConnectionLoss(Db().LastErrNo)) ConnectionLost(Db().LastErrNo);
    return Refused(StatementPurpose(c.Statement));
  }
  MYSQL_RES* res = mysql_store_result(Db().Conn);
  if (mysql_errno(Db().Conn) != 0) {
    RecordError();
    if (res) mysql_free_result(res);
    if (IsConnectionLoss(Db().LastErrNo)) ConnectionLost(Db().LastErrNo);
    // the statement was accepted and its result is lost: never "no row"
    Refused(StatementPurpose(c.Statement));
    return -1;
  }
  NoteSent(c.Statement);
  if (res) c.Result = new SqlResult{res};
  c.RowsFetched = 0;
  return 0;
}

int dbFetch(SqlCursor& c, SqlRow& row) {
  row = nullptr;
  if (!c.Result) return -1;
  if (c.Result->Streamed) return FetchStreamed(c, row);
  if (static_cast<my_ulonglong>(c.RowsFetched) >= mysql_num_rows(c.Result->res)) {
    if (!c.Pages) return kSqlNoMoreRows;
    if (int st = NextPage(c); st != 0) return st;
    if (mysql_num_rows(c.Result->res) == 0) {
      c.Pages->Last = true;
      return kSqlNoMoreRows;
    }
  }
  MYSQL_ROW fetched = mysql_fetch_row(c.Result->res);
  if (!fetched) {
    RecordError();
    return -1;
  }
  ConvertRow(c, c.Result->res, fetched);
  row = fetched;
  ++c.RowsFetched;
  return 0;
}

int dbClose(SqlCursor& c) {
  if (!c.Result) return -1;
  FreeResult(c);
  return 0;
}

void dbHoldCommits(bool hold) { Db().HoldCommits = hold; }

int dbRollback() {
  SendPending();
  dbAwaitDeferred();
  SqlCursor c;
  c.Statement = "ROLLBACK";
  return dbExec(c);
}

Transaction::~Transaction() {
  if (!committed_) (void)dbAbandonTransaction();
}

int Transaction::Commit() {
  int done = dbCommit();
  committed_ = done == 1;
  return done;
}

int dbCommit() {
  SendPending();
  dbAwaitDeferred();
  if (Db().HoldCommits) return 1;
  SqlCursor c;
  c.Statement = "COMMIT";
  return dbExec(c) == 0 ? 1 : 0;
}

int32_t dbAffectedRows() { return Db().Conn ? static_cast<int32_t>(mysql_affected_rows(Db().Conn)) : 0; }

int dbLastErrorNumber() { return Db().LastErrNo; }
long dbStatementCount() { return Db().Statements; }
const std::string& dbLastErrorText() { return Db().LastErrText; }

std::string SqlEscape(std::string_view text) {
  // Escaped here, byte by byte, as Windows-1252: the client library would
  // escape for the connection's utf8mb4 and take a letter such as 0xE4 for
  // the first byte of a broken sequence. The escapes are ASCII and survive
  // the conversion of the statement.
  std::string out;
  out.reserve(text.size() + 8);
  if (Db().Conn && (Db().Conn->server_status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) != 0) {
    for (char ch : text) {
      if (ch == '\'') out += '\'';
      out += ch;
    }
    return out;
  }
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
      out += '\\';
      out += esc;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string SqlCheckLength(std::string statement) {
  // the statement buffer holds 1500 characters including the terminator
  if (statement.size() >= kStatementBufferSize) EndProcess(1);
  return statement;
}

const std::string* dbRefusedText(const SqlCursor& c, int column) {
  if (column < 0 || static_cast<size_t>(column) >= c.Refused.size() || c.Refused[static_cast<size_t>(column)].empty())
    return nullptr;
  return &c.Refused[static_cast<size_t>(column)];
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

void SqlWriteDeferred(const std::string& statement, std::function<void(int)> done) {
  SendPendingFor(statement);
  dbAwaitDeferred();
  std::string purpose = StatementPurpose(statement);
  if (!StartStatement()) {
    done(Refused(purpose));
    return;
  }
  // the whole statement is handed to the socket here; only the answer waits
  if (SendStatementOnly(Db().Conn, statement) != 0) {
    RecordError();
    if (IsConnectionLoss(Db().LastErrNo)) ConnectionLost(Db().LastErrNo);
    done(Refused(purpose));
    return;
  }
  NoteSent(statement);
  Db().Deferred = true;
  Db().DeferredDone = std::move(done);
  Db().DeferredPurpose = std::move(purpose);
}

void dbReadAhead(std::vector<std::string> statements) {
  // reads of the set before the last that were not taken are dropped
  Db().AheadBefore = std::move(Db().Ahead);
  if (!Db().ReadAheadOn || !Db().Conn || statements.empty() || Db().Streaming) return;
  auto job = std::make_unique<ReadAheadJob>();
  for (std::string& s : statements) {
    job->Reads.push_back(std::make_unique<ReadAheadJob::Read>());
    job->Reads.back()->Statement = std::move(s);
  }
  if (Db().AheadBefore) job->After = Db().AheadBefore->Finished.get_future().share();
  ReadAheadJob* raw = job.get();
  job->Worker = std::thread(ReadAheadWork, raw);
  Db().Ahead = std::move(job);
}

long dbReadsAheadTaken() { return Db().ReadsAheadTaken; }
long dbReadsStreamed() { return Db().ReadsStreamed; }

void dbSetReadAhead(bool on) {
  Db().ReadAheadOn = on;
  if (!on) DropReadsAhead();
}

void dbAwaitDeferred() {
  if (!Db().Deferred) return;
  // taken first: the handling may send statements of its own
  Db().Deferred = false;
  std::function<void(int)> done = std::move(Db().DeferredDone);
  Db().DeferredDone = nullptr;
  int status = 0;
  if (!Db().Conn) {
    status = CR_SERVER_GONE_ERROR;
  } else if (mysql_read_query_result(Db().Conn) != 0) {
    RecordError();
    if (IsConnectionLoss(Db().LastErrNo)) ConnectionLost(Db().LastErrNo);
    status = Refused(Db().DeferredPurpose);
  } else if (MYSQL_RES* res = mysql_store_result(Db().Conn)) {
    mysql_free_result(res);
  }
  done(status);
}

int SqlOpen(SqlCursor& cursor, std::string statement) {
  FreeResult(cursor);
  cursor.Pages.reset();
  cursor.Statement = std::move(statement);
  return dbExec(cursor);
}

int SqlOpenStreamed(SqlCursor& cursor, std::string statement) {
  FreeResult(cursor);
  cursor.Pages.reset();
  // rows gathered for a table are written before any statement that uses it
  SendPendingFor(statement);
  dbAwaitDeferred();
  bool sees = Db().ReadAheadOn && !Db().HoldCommits && Db().Conn && !Db().Streaming && !Db().Written.count("*");
  if (sees) {
    for (const std::string& t : NamedTables(statement)) sees = sees && t != "*" && !Db().Written.count(t);
  }
  if (!sees) return SqlOpen(cursor, std::move(statement));
  cursor.Statement = std::move(statement);
  // the second connection serves one read at a time
  DropReadsAhead();
  if (!SecondReady()) return SqlOpen(cursor, std::move(cursor.Statement));
  if (!StartStatement()) return Refused(StatementPurpose(cursor.Statement));
  MYSQL_RES* res = nullptr;
  if (SendStatement(Db().Second, cursor.Statement) == 0) res = mysql_use_result(Db().Second);
  if (!res) {
    // the run's own connection reads it again and handles what went wrong;
    // counted there once more
    mysql_close(Db().Second);
    Db().Second = nullptr;
    Db().SecondFailed = true;
    --Db().Statements;
    return dbExec(cursor);
  }
  cursor.Result = new SqlResult{res, true};
  cursor.RowsFetched = 0;
  Db().Streaming = &cursor;
  ++Db().ReadsStreamed;
  return 0;
}

int SqlOpenPaged(SqlCursor& cursor, std::string statement, int pageRows) {
  auto pages = std::make_unique<SqlCursor::Paging>();
  if (!SplitForPages(statement, *pages)) return SqlOpen(cursor, std::move(statement));
  FreeResult(cursor);
  pages->Rows = pageRows > 0 ? pageRows : 1;
  cursor.Statement = PageStatement(*pages);
  cursor.Pages = std::move(pages);
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

SqlStatusClass ClassifySqlStatus(int status) {
  switch (status) {
    case 0:
    case kSqlNoMoreRows:
    case kSqlDuplicate: return SqlStatusClass::Expected;
    case 1048:  // column cannot be NULL
    case 1264:  // out of range
    case 1265:  // data truncated
    case 1292:  // incorrect date or number value
    case 1366:  // incorrect value for the column
    case 1367:  // illegal value
    case 1406:  // data too long
    case 1690:  // value out of range in an expression
    case 1452:  // no parent row (foreign key)
    case 3819:  // check constraint (MySQL)
    case 4025:  // check constraint (MariaDB)
      return SqlStatusClass::Record;
    case kSqlDeadlock:
    case kSqlLockWaitTimeout: return SqlStatusClass::LockConflict;
    default: return SqlStatusClass::Fatal;
  }
}

std::string StatementPurpose(std::string_view s) {
  auto upper = [](std::string_view t) {
    std::string u(t);
    for (char& ch : u) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return u;
  };
  auto word = [&s](size_t at) {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '(')) ++at;
    size_t end = at;
    while (end < s.size() && s[end] != ' ' && s[end] != '\n' && s[end] != '(' && s[end] != ',' && s[end] != ';') ++end;
    return std::pair<size_t, std::string_view>(end, s.substr(at, end - at));
  };
  auto [afterVerb, verbText] = word(0);
  std::string verb = upper(verbText);
  // the table follows the first FROM, INTO or the verb UPDATE
  std::string table;
  if (verb == "UPDATE") {
    table = std::string(word(afterVerb).second);
  } else {
    const std::string all = upper(s.substr(0, std::min<size_t>(s.size(), 4096)));
    for (const char* key : {" INTO ", " FROM "}) {
      size_t at = all.find(key);
      if (at != std::string::npos) {
        table = std::string(word(at + std::char_traits<char>::length(key)).second);
        break;
      }
    }
  }
  return table.empty() ? verb : verb + " " + table;
}

int dbAbandonTransaction() {
  ForgetPending();
  DropReadsAhead();
  if (!Db().Conn) return CR_SERVER_GONE_ERROR;
  if (Db().Deferred) {
    Db().Deferred = false;
    Db().DeferredDone = nullptr;
    if (mysql_read_query_result(Db().Conn) == 0) {
      if (MYSQL_RES* res = mysql_store_result(Db().Conn)) mysql_free_result(res);
    }
  }
  ++Db().Statements;
  if (SendStatement(Db().Conn, "ROLLBACK") != 0) {
    RecordError();
    if (IsConnectionLoss(Db().LastErrNo)) {
      mysql_close(Db().Conn);
      Db().Conn = nullptr;
    }
    return Db().LastErrNo;
  }
  return 0;
}
