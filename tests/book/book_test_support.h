#pragma once
// The shared running-shell helpers under the names the book tests, and the transfer and
// reliability tests built on them, use.

#include "app/controls.h"
#include "support/shell_support.h"

namespace rk::book::test {

// Controls are named by book 1's number and the slot: PaneControl(2, app::kCountLabel).
using app::PaneControl;
using rk::test::AttributePair;
using rk::test::FixedClock;
using rk::test::GetRecord;
using rk::test::ListRows;
using rk::test::NodeRecord;
using rk::test::RowsInStep;
using rk::test::ShellTest;
using rk::test::SlotRecords;
using rk::test::Shown;

}  // namespace rk::book::test
