#pragma once
// The shared running-shell helpers under the names the book tests, and the transfer and
// reliability tests built on them, use.

#include "support/shell_support.h"

namespace rk::book::test {

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
