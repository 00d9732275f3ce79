// The change log over any file: loading never raises for damage, applying
// raises TableError or gives rows, and a log that applies to all three
// tables takes one more commit that reads back after the commits it had,
// whatever torn record its file ended with.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/change_log.h"
#include "fuzz_support.h"
#include "support/failing_file_system.h"

using namespace brenvik;

namespace {

struct Stores {
  TableStore transactions{"DataSetTransactions", TransactionsSchema()};
  TableStore history{"DataSetHistory", HistorySchema()};
  TableStore logins{"DataSetLogins", LoginsSchema()};
  std::vector<TableStore*> All() { return {&transactions, &history, &logins}; }
};

// False when the log is damaged or its changes do not fit.
bool Apply(ChangeLog& log, Stores& stores) {
  try {
    for (TableStore* store : stores.All()) log.ApplyTo(*store, 0);
    return true;
  } catch (const TableError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::WriteScratchFile("TableChanges.cdl", fuzz::AsText(data, size));
  ChangeLog log(test::NativeFiles(), path);
  log.Load();
  Stores stores;
  if (!Apply(log, stores)) return 0;
  fuzz::Check(!log.Damaged(), "a damaged log applied");

  const std::uint64_t seq = log.Seq();
  for (TableStore* store : stores.All()) store->MarkSaved();
  stores.history.AppendRow({std::int64_t{7}, std::string("ann [PC1]")});
  const HandOverMark mark = HandOverMark::Of("2013-04-30 10:00:00;7200;PC1|ann;1;;", 1);
  fuzz::Check(log.Commit(stores.All(), mark) == seq + 1, "a commit does not follow the last");

  ChangeLog reread(test::NativeFiles(), path);
  reread.Load();
  Stores again;
  fuzz::Check(Apply(reread, again), "a log cannot be read after a commit");
  fuzz::Check(reread.Seq() == seq + 1 && reread.LastHandOver() == mark,
              "the commit is not read back");
  fuzz::Check(fuzz::SameRows(again.history, stores.history) &&
                  fuzz::SameRows(again.logins, stores.logins) &&
                  fuzz::SameRows(again.transactions, stores.transactions),
              "the rows read back differ");
  return 0;
}
