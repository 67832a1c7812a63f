#pragma once
// One write transaction on the calling thread's session, for the lifetime of
// a scope: begun when made, rolled back when the scope ends without Commit()
// (the work raised), so a failed batch leaves nothing of itself behind.

namespace glimr {

class TdmVesk;

class TWriteTransaction {
 public:
  // Begins the transaction; the caller holds DbLock for the whole scope. A
  // begin the engine refuses (a busy catalog, a read-only one) raises as
  // TdmVesk::BeginWork does, and there is nothing to roll back.
  explicit TWriteTransaction(TdmVesk& dm);
  ~TWriteTransaction();
  TWriteTransaction(const TWriteTransaction&) = delete;
  TWriteTransaction& operator=(const TWriteTransaction&) = delete;

  // Commits; a commit the engine refuses is rolled back and raised.
  void Commit();
  // After the work failed part way: commits what it stored so far when the
  // engine still holds the transaction open. False when the engine rolled it
  // back already or refuses the commit (nothing was kept); never raises.
  bool CommitWhatIsDone() noexcept;

 private:
  TdmVesk& dm_;
  bool ended_ = false;
};

}  // namespace glimr
