// Rows written together. The settlement writes its transfer, statistics and
// retro records one row at a time; each row is gathered here and the rows of
// one table are sent as one multi-row INSERT (with an ON DUPLICATE KEY UPDATE
// clause where a row that meets a stored one is added to it) instead of one
// statement each.
//
// Pending rows are sent before any statement that names their table (so every
// read, update or delete of the table sees them), before every commit and
// rollback, and when the batch is full. A full batch's answer is read only
// when the connection is used next (SqlWriteDeferred of run/db.h), so the
// server writes it while the program calculates the following rows; a refusal
// is handled at that point, as below. A multi-row statement that the server
// refuses is undone as a whole; the rows are then sent again one by one, each
// with the status handling and log lines it has as a single statement, and
// the lines of each row are put into the run log where the row was written
// (InsertIntoRunLog of run/run_log.h), so the log reads as if every row had been
// sent on its own. A row whose handling ends the run (status -1) ends it when
// the batch is sent: its lines close the log, after the lines of the rows
// written since.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class WriteBatch {
 public:
  // table: the table's name (matched without regard to case in statements);
  // head: the rows' common "INSERT INTO table (columns) VALUES "; tail: ""
  // or the " ON DUPLICATE KEY UPDATE ..." clause, which must do to a stored
  // row what the single statements do on a duplicate key.
  WriteBatch(const std::string& table, std::string head, std::string tail);
  ~WriteBatch();
  WriteBatch(const WriteBatch&) = delete;
  WriteBatch& operator=(const WriteBatch&) = delete;

  // single: the row's own INSERT statement, beginning with the head (its
  // length has been checked as every statement's is); replay: sends the row
  // alone and handles its status, called only when the batch is refused.
  // identity: the row's unique-key value as the server compares it (DbKey
  // bytes), or empty. Pending rows of another batch of the same table are
  // sent first, so that the rows reach the table in the order written; when
  // every row involved has an identity, only when one of them has the same
  // (rows of different identities do not touch each other).
  void Add(std::string single, std::function<void()> replay, std::string identity = {});
  // Sends the pending rows.
  void Flush();
  void Discard();
  bool Empty() const { return rows_.empty(); }
  const std::string& Table() const { return table_; }
  bool Held() const { return held_ > 0; }

 private:
  struct Row {
    std::string Single;
    std::function<void()> Replay;
    long LogAt = -1;  // end of the run log when the row was written
  };
  void Send(bool deferred);
  static void Replay(std::vector<Row>& rows);
  static void ShiftPending(const std::vector<std::pair<long, long>>& placed);
  std::string table_, head_, tail_;
  std::vector<Row> rows_;
  size_t bytes_ = 0;
  int held_ = 0;
  std::unordered_set<std::string> identities_;  // of the pending rows
  bool unidentified_ = false;                   // a pending row without one
  friend class KeepPending;
};

// While it lives, statements that name the batches' table do not send their
// pending rows first. Only for a read that cannot find any of those rows (the
// caller says why); commits, rollbacks, a full batch and Flush still send them.
class KeepPending {
 public:
  KeepPending(std::initializer_list<WriteBatch*> batches);
  ~KeepPending();
  KeepPending(const KeepPending&) = delete;
  KeepPending& operator=(const KeepPending&) = delete;

 private:
  std::vector<WriteBatch*> batches_;
};

// Sends the pending rows of every batch.
void FlushWriteBatches();
// Forgets the pending rows of every batch: they belonged to the transaction of
// a connection that is gone.
void DiscardWriteBatches();
// Sends the pending rows of the batches whose table the statement names.
void FlushWriteBatchesFor(std::string_view statement);

// Test seam: with false every row is sent at once as its own statement.
void SetWriteBatching(bool on);

// Multi-row statements sent and multi-row statements refused and sent again
// row by row since the process started (tests and benchmarks).
long WriteBatchesSent();
long WriteBatchesReplayed();
