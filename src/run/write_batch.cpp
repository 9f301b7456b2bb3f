#include "run/write_batch.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "run/db.h"
#include "run/run_log.h"

namespace {

// The batch statements are formed by the program from rows whose single
// statements have passed the length check; they are sent as they are and are
// not subject to the statement buffer's limit. A batch is sent when it holds
// this many rows or bytes (well below the server's packet limit).
constexpr size_t kMaxRows = 1000;
constexpr size_t kMaxBytes = size_t{512} * 1024;

void SendAllBatches();
void ForgetAllBatches();
void SendBatchesFor(std::string_view statement);

// Every batch of the process, attached to the connection as its pending
// writes.
struct BatchSet final : PendingWrites {
  std::vector<WriteBatch*> Batches;
  BatchSet() { dbAttachPendingWrites(this); }
  ~BatchSet() { dbAttachPendingWrites(nullptr); }
  BatchSet(const BatchSet&) = delete;
  BatchSet& operator=(const BatchSet&) = delete;
  void SendFor(std::string_view statement) override { SendBatchesFor(statement); }
  void SendAll() override { SendAllBatches(); }
  void Forget() override { ForgetAllBatches(); }
};

std::vector<WriteBatch*>& Registry() {
  static BatchSet set;
  return set.Batches;
}

long g_sent = 0, g_replayed = 0;
bool g_batching = true;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

}  // namespace

WriteBatch::WriteBatch(const std::string& table, std::string head, std::string tail)
    : table_(Lower(table)), head_(std::move(head)), tail_(std::move(tail)) {
  Registry().push_back(this);
}

WriteBatch::~WriteBatch() {
  auto& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

void WriteBatch::Add(std::string single, std::function<void()> replay, std::string identity) {
  // rows of the same table gathered by another batch were written first
  for (WriteBatch* b : Registry()) {
    if (b != this && b->table_ == table_ && !b->Empty() &&
        (identity.empty() || b->unidentified_ || b->identities_.count(identity)))
      b->Flush();
  }
  if (!g_batching || single.compare(0, head_.size(), head_) != 0) {
    // not of the batch's form: written at once, in order
    Flush();
    replay();
    return;
  }
  bytes_ += single.size() - head_.size() + 2;
  if (identity.empty()) unidentified_ = true;
  else identities_.insert(std::move(identity));
  rows_.push_back({std::move(single), std::move(replay), RunLogEnd()});
  // a full batch is written while the next rows are calculated
  if (rows_.size() >= kMaxRows || bytes_ >= kMaxBytes) Send(true);
}

void WriteBatch::Flush() { Send(false); }

void WriteBatch::Send(bool deferred) {
  if (rows_.empty()) return;
  // taken out first: the rows are sent once, whatever their handling does
  std::vector<Row> rows;
  rows.swap(rows_);
  bytes_ = 0;
  identities_.clear();
  unidentified_ = false;
  if (rows.size() == 1) {
    Replay(rows);
    return;
  }
  std::string statement = head_;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) statement += ", ";
    statement.append(rows[i].Single, head_.size(), std::string::npos);
  }
  statement += tail_;
  ++g_sent;
  auto done = [](std::vector<Row>& sent, int status) {
    if (status == 0) return;
    // refused as a whole: each row as its own statement
    ++g_replayed;
    Replay(sent);
  };
  if (!deferred) {
    done(rows, SqlWrite(std::move(statement)));
    return;
  }
  // the rows are kept with the answer's handling until the answer is read
  auto sent = std::make_shared<std::vector<Row>>(std::move(rows));
  SqlWriteDeferred(statement, [sent, done](int status) { done(*sent, status); });
}

void WriteBatch::Replay(std::vector<Row>& rows) {
  std::string* outer = CaptureRunLog(nullptr);
  CaptureRunLog(outer);
  if (outer) {
    // sent while a row of another batch is written again (its handling ends
    // the run): the lines belong to that row's moment
    for (Row& row : rows) row.Replay();
    return;
  }
  std::vector<std::pair<long, std::string>> inserts;
  std::string lines;
  try {
    for (Row& row : rows) {
      lines.clear();
      CaptureRunLog(&lines);
      row.Replay();
      CaptureRunLog(nullptr);
      if (!lines.empty()) inserts.emplace_back(row.LogAt, lines);
    }
  } catch (...) {
    CaptureRunLog(nullptr);
    inserts.emplace_back(-1, lines);
    ShiftPending(InsertIntoRunLog(inserts));
    throw;
  }
  ShiftPending(InsertIntoRunLog(inserts));
}

// The places in the log of the rows still pending move back with the lines
// put in before them.
void WriteBatch::ShiftPending(const std::vector<std::pair<long, long>>& placed) {
  for (WriteBatch* b : Registry()) {
    for (Row& row : b->rows_) {
      if (row.LogAt < 0) continue;
      long shift = 0;
      for (const auto& [at, length] : placed) {
        if (at <= row.LogAt) shift += length;
      }
      row.LogAt += shift;
    }
  }
}

void WriteBatch::Discard() {
  rows_.clear();
  bytes_ = 0;
  identities_.clear();
  unidentified_ = false;
}

namespace {

void ForgetAllBatches() {
  for (WriteBatch* b : Registry()) b->Discard();
}

void SendAllBatches() {
  for (WriteBatch* b : Registry()) b->Flush();
}

void SendBatchesFor(std::string_view statement) {
  bool any = false;
  for (WriteBatch* b : Registry()) any = any || !b->Empty();
  if (!any) return;
  const std::string lower = Lower(statement);
  for (WriteBatch* b : Registry()) {
    if (!b->Empty() && !b->Held() && lower.find(b->Table()) != std::string::npos) b->Flush();
  }
}

}  // namespace

void DiscardWriteBatches() { ForgetAllBatches(); }

void FlushWriteBatches() { SendAllBatches(); }

void FlushWriteBatchesFor(std::string_view statement) { SendBatchesFor(statement); }

void SetWriteBatching(bool on) {
  FlushWriteBatches();
  g_batching = on;
}

long WriteBatchesSent() { return g_sent; }
long WriteBatchesReplayed() { return g_replayed; }

KeepPending::KeepPending(std::initializer_list<WriteBatch*> batches) : batches_(batches) {
  for (WriteBatch* b : batches_) ++b->held_;
}

KeepPending::~KeepPending() {
  for (WriteBatch* b : batches_) --b->held_;
}
