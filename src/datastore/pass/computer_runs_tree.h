// The computer-runs tree the login report shows: one run node (Level 0) per
// Windows run, the node of run N at position N-1, each holding its login
// nodes (Level 1) in the order they were added. The tree stays with its
// owner between passes; a pass asked to build it extends it: PrepareTree
// drops the node of a run that was still going on, the history pre-scan adds
// nodes for complete Windows rows of runs it has no node for, the logins
// pre-scan attaches stored logins to nodes added in this pass, and the rows
// the pass writes update or add the nodes of their run.
//
// All times handed in are local (as written to the tables).
#pragma once

#include <cstddef>
#include <cstdint>

#include "datastore/tables/table_store.h"
#include "records/records.h"

namespace brenvik {

// Marks every run node as existing before the pass (rStateOfInit 1) and
// removes the last one, with its logins, when its run was still going on.
void PrepareTree(TArrRecComputerRun& runs);

// A complete row of DataSetHistory: a Windows row of run k >= 1 adds a run
// node when the tree has fewer than k nodes.
void TreeTakeHistoryRow(TArrRecComputerRun& runs, const TableStore& history, std::size_t row);

// A complete row of DataSetLogins: attached to the node of its run when that
// node was added in this pass.
void TreeTakeLoginRow(TArrRecComputerRun& runs, const TableStore& logins, std::size_t row);

// A login row being written in run runId (login already shifted to local
// time, idle total already limited to its uptime).
void TreeTakeLogin(TArrRecComputerRun& runs, std::int64_t runId, const TRecLoginEntry& login,
                   std::int64_t uptimeSeconds);

// A Windows row being written in run runId (entry already shifted to local
// time, idle already limited): updates the node of that run when it is the
// last one, else appends a node.
void TreeTakeWindowsRow(TArrRecComputerRun& runs, std::int64_t runId, const TRecUptimeEntry& entry,
                        std::int64_t uptimeSeconds);

}  // namespace brenvik
