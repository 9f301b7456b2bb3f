// Database access layer over the MySQL C API (MariaDB Connector/C).
//
// Every statement of the program has its own access function named
// SQL_<table>_<operation>. It formats its statement with SqlFormat (texts are
// escaped for the connection there), runs it on an SqlCursor and copies the
// columns of the result into the caller's fields with SqlFetchInto/SqlSelectOne.
// Statuses: 0 success, 1032 no (more) rows, -1 no result held or an error after
// the statement was accepted, else the server's error number (1062 duplicate key).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "run/text.h"

typedef char** SqlRow;  // one fetched row: column texts, NULL columns as null pointers

inline constexpr int kSqlNoMoreRows = 1032;
inline constexpr int kSqlDuplicate = 1062;
inline constexpr int kSqlDeadlock = 1213;
inline constexpr int kSqlLockWaitTimeout = 1205;
inline constexpr size_t kStatementBufferSize = 1500;

struct SqlResult;  // the client library's result set

struct SqlCursor {
  std::string Statement;
  SqlResult* Result = nullptr;
  int32_t RowsFetched = 0;
  // Columns whose texts identify a record (bit i for column i; set before
  // the statement is run, kept for the cursor's later statements). A text
  // that Windows-1252 cannot hold is not logged as transliterated there:
  // dbRefusedText names it, and the caller leaves its record out instead of
  // using a replacement that may be another record's value.
  uint32_t KeyColumns = 0;
  // The current row as handed over: texts converted to Windows-1252, and per
  // key column the shown text (ShownServerText of run/charset.h) when it was refused.
  std::vector<std::string> Texts;
  std::vector<char*> Row;
  std::vector<std::string> Refused;
  // SqlOpenPaged: the parts of the statement and where its next page begins.
  struct Paging;
  std::unique_ptr<Paging> Pages;

  SqlCursor();
  ~SqlCursor();
  SqlCursor(const SqlCursor&) = delete;
  SqlCursor& operator=(const SqlCursor&) = delete;
};

// How the program answers a status of the server. This is the one place that
// decides it; every statement goes through it (reads ahead, write batches and
// answers read later included).
enum class SqlStatusClass {
  // 0, no (more) rows (1032), duplicate key (1062, where a statement
  // accumulates): returned to the caller
  Expected,
  // the values of one record were refused (out of range 1264, data too long
  // 1406, incorrect value 1366, 1292, 1265, NULL 1048, a constraint 4025,
  // ...): returned to the
  // caller, which leaves that one record out with a log line naming it
  Record,
  // deadlock (1213) or lock wait timeout (1205): the transaction is gone or
  // cannot be trusted; thrown as SqlLockConflict, and the run starts the step
  // of that transaction over
  LockConflict,
  // everything else (missing table or column, missing privilege, lost
  // connection, ...): thrown as SqlFatalError, and the run ends with a
  // failure status after rolling back what it had not committed
  Fatal,
};
SqlStatusClass ClassifySqlStatus(int status);

struct SqlLockConflict {
  int Error;
  std::string Text;     // the server's message
  std::string Purpose;  // what the statement does, e.g. "INSERT Qvx331Zk1"
};
struct SqlFatalError {
  int Error;
  std::string Text;
  std::string Purpose;
};

// A lost connection, thrown only while the caller answers it itself
// (dbAnswerConnectionLoss); otherwise a lost connection ends the run.
struct SqlConnectionLost {
  int Error;
};
// While on, a lost connection is thrown as SqlConnectionLost without a log
// line, instead of ending the run with its failure lines: for the steps
// before the run holds its circle, where nothing has been written and the
// caller decides what follows.
void dbAnswerConnectionLoss(bool on);

// What a statement does, for messages: its verb and the first table it names
// ("SELECT Qvx171Lu1", "DELETE Qvx333Bmn"), or the verb alone.
std::string StatementPurpose(std::string_view statement);

// Rows that a layer above gathers to write together (run/write_batch.h). The
// connection sends them before any statement that names their table and
// before every commit, rollback and disconnect, and forgets them when the
// transaction they belong to is gone. The connection knows them only through
// this interface: the rows are formed above it and sent through it.
class PendingWrites {
 public:
  virtual void SendFor(std::string_view statement) = 0;
  virtual void SendAll() = 0;
  virtual void Forget() = 0;

 protected:
  ~PendingWrites() = default;
};
// At most one set of pending writes is attached; nullptr detaches it.
void dbAttachPendingWrites(PendingWrites* writes);

// Ends the run's transaction after a failure: the pending rows of the write
// batches are dropped, an outstanding answer is read and dropped, the reads
// ahead are dropped and the transaction is rolled back. Never throws;
// returns the rollback's status.
[[nodiscard]] int dbAbandonTransaction();

// server: host name, "host:port" or an absolute path of a Unix socket (not on
// Windows: refused there with a log line and CR_CONNECTION_ERROR).
[[nodiscard]] int dbConnect(const std::string& user, const std::string& password, const std::string& server,
                            const std::string& database);
void dbDisconnect();
bool dbConnected();
[[nodiscard]] int AlterSession();
[[nodiscard]] int dbExec(SqlCursor& cursor);
// The row's texts are Windows-1252 (the connection's UTF-8 converted).
[[nodiscard]] int dbFetch(SqlCursor& cursor, SqlRow& row);
// Its status says only whether a result was held (-1: none); nothing else can
// go wrong, so callers need not look at it.
int dbClose(SqlCursor& cursor);
[[nodiscard]] int dbCommit();  // 1 when committed, 0 when not
// While held (a preview), every commit of the run is left out and reported as
// done, so that the whole run stays one transaction that dbRollback ends.
void dbHoldCommits(bool hold);
[[nodiscard]] int dbRollback();  // the statement's status

// One transaction of the run: what the statements since it began did is
// rolled back (dbAbandonTransaction) when it ends without a commit, whatever
// ended it (a failure thrown through it, a return before the commit). While
// commits are held (a preview) its commit leaves the work open and says done:
// the preview stays one transaction that its end rolls back.
class Transaction {
 public:
  Transaction() = default;
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  // dbCommit's answer: 1 committed (or held), 0 not (then it is rolled back
  // when it ends).
  [[nodiscard]] int Commit();

 private:
  bool committed_ = false;
};
int32_t dbAffectedRows();
int dbLastErrorNumber();
// Statements sent to the server since the process started (benchmarks).
long dbStatementCount();
const std::string& dbLastErrorText();

// Seconds the connect and the server's greeting may take before dbConnect
// gives up (a server that accepts the connection but never answers).
inline constexpr unsigned kConnectTimeoutSeconds = 5;

// Test seams for fault injection, empty in production. The fault hook is
// called before every statement with its number (as dbStatementCount counts
// it); when it returns a server error number the statement is not sent and
// fails with that number as if the server had refused it (a deadlock, 1213,
// also rolls the transaction back, as the server does); a lost connection
// (2013) leaves the connection gone. The statement hook is the same for a
// lost connection only (true: lost).
void dbSetFaultHook(std::function<int(long)> hook);
void dbSetStatementHook(std::function<bool(long)> hook);

// Client option file of the installation (a path as the configuration file's,
// with backslashes): when it exists, every connection reads its groups
// [client], [client-mariadb] and [lugtransfer] (TLS and timeout options of
// the client library); otherwise no option file is read.
void dbSetOptionFile(const std::string& path);

// A statement run right after every connect (tests pin the session's time with
// "SET TIMESTAMP = ..."); empty in production.
void dbSetSessionInit(const std::string& statement);

// Escapes a text for use between single quotes in a statement.
std::string SqlEscape(std::string_view text);

// Formats a statement. Text arguments are escaped; the finished statement must
// fit the statement buffer (1500 characters), else the process ends with exit
// code 1.
std::string SqlCheckLength(std::string statement);

template <class T>
decltype(auto) SqlArg(const T& v) {
  if constexpr (std::is_convertible_v<const T&, std::string_view>) return SqlEscape(std::string_view(v));
  else return (v);
}

template <class... A>
std::string SqlFormat(std::string_view fmt, const A&... args) {
  return SqlCheckLength(Format(fmt, SqlArg(args)...));
}

// The text of a key column (SqlCursor::KeyColumns) of the row last fetched
// that Windows-1252 cannot hold, as log lines show it ("1<U+0141>3"); nullptr
// when the column's text is exact. Texts of other columns that Windows-1252
// cannot hold are transliterated (run/charset.h) and logged once per run and
// text by dbFetch.
const std::string* dbRefusedText(const SqlCursor& cursor, int column);

// Column copies: a NULL column leaves the field as it was.
void SqlColumn(SqlRow row, int i, std::string& out);
void SqlColumn(SqlRow row, int i, int16_t& out);
void SqlColumn(SqlRow row, int i, int32_t& out);
void SqlColumn(SqlRow row, int i, int64_t& out);
void SqlColumn(SqlRow row, int i, double& out);

// One dbFetch; on 0 the columns are copied into the fields in order.
template <class... T>
[[nodiscard]] int SqlFetchInto(SqlCursor& cursor, T&... out) {
  SqlRow row = nullptr;
  int st = dbFetch(cursor, row);
  if (st == 0) {
    int i = 0;
    (SqlColumn(row, i++, out), ...);
  }
  return st;
}

// Single-row read: exec, one fetch into the fields, close. Returns the exec
// status when it is not 0, else the fetch status (0, 1032, -1).
template <class... T>
[[nodiscard]] int SqlSelectOne(std::string statement, T&... out) {
  SqlCursor c;
  c.Statement = std::move(statement);
  int st = dbExec(c);
  if (st != 0) return st;
  st = SqlFetchInto(c, out...);
  dbClose(c);
  return st;
}

// Write (INSERT, UPDATE, DELETE): the statement's status.
[[nodiscard]] int SqlWrite(std::string statement);

// A write whose answer is read only when the connection is used next (by any
// statement, commit, rollback or disconnect), so that the program goes on
// calculating while the server writes. done gets the statement's status at
// that later point; a lost connection ends the run there as for any
// statement. At most one write is outstanding: a second one waits for the
// first.
void SqlWriteDeferred(const std::string& statement, std::function<void(int)> done);
// Reads the answer of the outstanding deferred write, if any, and hands it on.
void dbAwaitDeferred();

// Reads ahead: the statements are run at once, one after the other, on a
// second connection by a worker thread, while the program goes on. When the
// run then sends exactly one of these statements, dbExec takes its result
// (and counts the statement there) instead of asking the server again; the
// run's own connection is not used for it. Only for reads of tables that the
// run does not write: the second connection sees what is committed at the
// moment it reads (not the run's own rows, and changes of other clients that
// the view of the run's transaction does not show). Two sets are held: the
// one just started and the one before it (read ahead for the batch now
// being calculated); a new set drops the reads of the one before those that
// were not taken. When the second connection fails, the statement is simply
// sent on the run's own connection, which reports what went wrong; reads
// ahead stop until the next connect.
void dbReadAhead(std::vector<std::string> statements);
// Test seam: with false nothing is read ahead.
void dbSetReadAhead(bool on);
// Statements whose result was taken from a read ahead since the process
// started (tests and benchmarks).
long dbReadsAheadTaken();

// Multi-row read on a cursor that lives as long as the process.
[[nodiscard]] int SqlOpen(SqlCursor& cursor, std::string statement);

// Multi-row read of committed rows that would otherwise all be held in
// memory at once (the exporters' reads of a run's transfer records): the rows
// come from the second connection one by one as the server sends them, while
// the run goes on with its statements on its own connection. The second
// connection sees what is committed: the statement is read as SqlOpen reads
// it (on the run's own connection, held whole) while commits are held (a
// preview), when the run has written to a table the statement names since
// its last commit or rollback, while another read is streamed, when reads on
// the second connection are off (dbSetReadAhead), or when the second
// connection cannot be used. The statement is counted and classified as any
// other. A failure after the read was accepted cannot be answered by leaving
// out one record, since the rows before it are handed over: dbFetch throws it
// as SqlFatalError, never "no more rows".
[[nodiscard]] int SqlOpenStreamed(SqlCursor& cursor, std::string statement);
// Reads streamed from the second connection since the process started
// (tests and benchmarks).
long dbReadsStreamed();

// Multi-row read page by page, for reads that would otherwise hold every row
// of a circle in memory at once. The statement is the one SqlOpen would run:
// "SELECT <columns> FROM <table> WHERE <condition> ORDER BY <key>, ...", the
// first column of its ORDER BY a text column that is never NULL, leads an
// index of the table and whose values each hold a bounded number of rows (a
// person's, e.g. BsvPnr). Each page holds the rows of whole key values: about
// pageRows rows, up to the value of its pageRows-th row with every row of
// that value, read through the key's index. The pages follow one another by
// the key as the server compares it, each beginning after the server's own
// value of the page before (its bytes in hex with the column's character set,
// never a converted text), so that every row comes exactly once, and within a
// page in the statement's order: the rows come as from the one statement. One
// statement per page; dbFetch reads the next page when a full one is done.
// The cursor's statements are classified as any other; a page refused with a
// status that is returned (not thrown) makes the fetch answer -1, never "no
// more rows". A statement of another shape (no WHERE, GROUP BY, HAVING or
// LIMIT after it, an ORDER BY that does not begin with a column) is read in
// one piece. A key that leads no index is no key for pages: every page would
// read all rows of the condition again.
[[nodiscard]] int SqlOpenPaged(SqlCursor& cursor, std::string statement, int pageRows);

// The first column of every row as "'a', 'b'" (each text escaped), for an
// IN list of a later statement; empty when there is no row. Returns 0 when
// every row was read, else the status.
[[nodiscard]] int SqlReadList(std::string statement, std::string& list);
