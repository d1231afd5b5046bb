#pragma once
// The transfer tests' view of a running shell: ticking rows with real clicks, pressing a
// pane's buttons, and the record lists and rows of both slots as values.

#include <initializer_list>
#include <string_view>
#include <string>
#include <vector>

#include "app/controls.h"
#include "book/record_list.h"
#include "book_test_support.h"

namespace rk::transfer::test {

// Controls are named by book 1's number and the slot: PaneControl(2, app::kCountLabel).
using app::PaneControl;
using rk::test::NodeRecord;
using Records = std::vector<NodeRecord>;

// A book of four contacts without blanks between its elements, so that no element has a text
// of its own but the leaves. Its contacts are the elements 2, 8, 15 and 19: runs [2, 8),
// [8, 15), [15, 19) and [19, 23) of its 23 records.
inline constexpr std::string_view kFourContacts =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<phonebooks><phonebook owner=\"1\" name=\"Vier\">"
    "<contact><person><realName>Anna</realName></person>"
    "<telephony><number type=\"home\">111</number></telephony><uniqueid>11</uniqueid></contact>"
    "<contact><person><realName>Bert</realName></person>"
    "<telephony><number>222</number><number>223</number></telephony><uniqueid>12</uniqueid></contact>"
    "<contact><person><realName>Carla</realName></person><uniqueid>13</uniqueid></contact>"
    "<contact><person><realName>Dora</realName></person><uniqueid>14</uniqueid></contact>"
    "</phonebook></phonebooks>\n";

class TransferTest : public book::test::ShellTest {
 protected:
  // Clicks the pane button `bookOneControl` (book 1's number) of the slot.
  void PressIn(int slot, int bookOneControl);
  // Highlights `rows` of the slot's list, the first with a plain click and the others with
  // Ctrl-clicks, and turns them into ticks with "A +".
  void Tick(int slot, std::initializer_list<int> rows);
  // Writes the book into the temporary folder and loads it into the slot.
  void LoadBook(int slot, std::string_view name, std::string_view bytes);
};

using rk::test::SlotRecords;

// The records of run `row` of the slot's book.
Records RunRecords(int slot, std::size_t row);

// Records [first, end) of a list of records.
Records Slice(const Records& records, std::size_t first, std::size_t end);

// The lists joined in order.
Records Joined(std::initializer_list<Records> parts);

// Column `column` of every row of the slot's list.
std::vector<std::u16string> Column(int slot, int column);

// The state bits of every row of the slot's list.
std::vector<int> States(int slot);

// True when both slots' rows and runs are in step.
bool BothInStep();

}  // namespace rk::transfer::test
