// The record list on its own: values in and out, row texts, copying and removing runs.

#include "book/record_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/text.h"
#include "support/book_records.h"

namespace rk::book {
namespace {

using rk::test::AppendRecord;
using rk::test::AttributePair;
using rk::test::GetRecord;
using rk::test::NodeRecord;
using rk::test::RunsInStep;

NodeRecord Record(std::u16string nr, std::int32_t depth, std::u16string name,
                  std::u16string text = {}, std::vector<AttributePair> attributes = {}) {
  NodeRecord record;
  record.Nr = std::move(nr);
  record.Depth = depth;
  record.Name = std::move(name);
  record.Text = std::move(text);
  record.AttributeList = std::move(attributes);
  return record;
}

// phonebooks > phonebook > contact(uniqueid, realName, number...) per entry of `contacts`.
RecordList Book(NumberSuffix suffix, const std::vector<std::u16string>& contacts) {
  const std::u16string s(SuffixText(suffix));
  RecordList list;
  std::uint32_t n = 0;
  const auto nr = [&] { return DecimalText(n++) + s; };
  AppendRecord(list, Record(nr(), 0, u"phonebooks"));
  AppendRecord(list, Record(nr(), 1, u"phonebook", {}, {{u"name", u"Buch"}}));
  for (const std::u16string& name : contacts) {
    AppendRecord(list, Record(nr(), 2, u"contact"));
    AppendRecord(list, Record(nr(), 3, u"realName", name));
    AppendRecord(list, Record(nr(), 3, u"number", name + u"-1"));
    AppendRecord(list, Record(nr(), 3, u"uniqueid", name + u"-id"));
  }
  return list;
}

std::vector<std::u16string> Rows(const RecordList& list) { return AllRowTexts(list); }

std::size_t TextsInPool(const RecordList& list) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < RecordCount(list); ++i) {
    total += RecordText(list, i).size();
    for (std::size_t k = 0; k < AttributeCount(list, i); ++k) total += AttributeValue(list, i, k).size();
  }
  return total;
}

TEST(RecordList, RecordValuesComeBackExactly) {
  RecordList list;
  const NodeRecord book = Record(u"1 (2)", 1, u"phonebook", u"",
                                 {{u"owner", u"1"}, {u"name", u"a|b \"c\" d='e'"}});
  const NodeRecord other = Record(u"0", 4, u"näme", u"Text mit ü");
  const NodeRecord plain = Record(u"4294967295", -3, u"a");
  for (const NodeRecord* record : {&book, &other, &plain}) AppendRecord(list, *record);

  NodeRecord expectedBook = book;
  expectedBook.Attributes = u"owner=\"1\"|name=\"a|b \"c\" d='e'\"|";
  EXPECT_EQ(GetRecord(list, 0), expectedBook);
  EXPECT_EQ(GetRecord(list, 1), other);
  EXPECT_EQ(GetRecord(list, 2), plain);
  EXPECT_TRUE(RunsInStep(list));
}

TEST(RecordList, RowTextsFollowTheRunsOfContacts) {
  RecordList list;
  AppendRecord(list, Record(u"0 (1)", 0, u"phonebooks"));
  // Values before the first contact belong to no row.
  AppendRecord(list, Record(u"1 (1)", 1, u"number", u"vorher"));
  AppendRecord(list, Record(u"2 (1)", 2, u"contact"));
  AppendRecord(list, Record(u"3 (1)", 3, u"uniqueid", u"7"));
  AppendRecord(list, Record(u"4 (1)", 3, u"number", u"1"));
  AppendRecord(list, Record(u"5 (1)", 5, u"number", u"2"));
  AppendRecord(list, Record(u"6 (1)", 3, u"uniqueid", u"8"));
  AppendRecord(list, Record(u"7 (1)", 3, u"number", u"3"));
  AppendRecord(list, Record(u"8 (1)", 2, u"contact"));
  AppendRecord(list, Record(u"9 (1)", 3, u"realName", u"Erst"));
  AppendRecord(list, Record(u"10 (1)", 3, u"realName", u"Zweit"));
  AppendRecord(list, Record(u"11 (1)", 2, u"contact"));
  // After the last contact, at any depth, still part of its run.
  AppendRecord(list, Record(u"12 (1)", 1, u"phonebook"));
  AppendRecord(list, Record(u"13 (1)", 0, u"number", u"danach"));

  EXPECT_EQ(Rows(list), (std::vector<std::u16string>{u"\n2 (1)\n8\n\n1  #  2  #  3",
                                                     u"\n8 (1)\n\nZweit\n",
                                                     u"\n11 (1)\n\n\ndanach"}));
  EXPECT_EQ(RunOf(list, 0).first, 2u);
  EXPECT_EQ(RunOf(list, 0).end, 8u);
  EXPECT_EQ(RunOf(list, 2).end, RecordCount(list));
}

TEST(RecordList, ListWithoutContactsHasNoRows) {
  RecordList list;
  AppendRecord(list, Record(u"0 (1)", 0, u"phonebooks"));
  AppendRecord(list, Record(u"1 (1)", 1, u"Contact"));  // names compare case-sensitively
  EXPECT_EQ(RowCount(list), 0u);
  EXPECT_TRUE(Rows(list).empty());
}

TEST(RecordList, CopiedRunsAreExactCopiesAppendedInOrder) {
  const RecordList source = Book(NumberSuffix::kBookOne, {u"A", u"B", u"C"});
  RecordList target = Book(NumberSuffix::kBookTwo, {u"X"});
  // A name the target does not know yet, and a number without suffix, travel as well.
  RecordList odd;
  AppendRecord(odd, Record(u"5", 2, u"contact", {}, {{u"neu", u"|\"'"}}));
  AppendRecord(odd, Record(u"6", 3, u"extra", u"t"));

  const std::vector<std::size_t> rows = {2, 0};
  AppendRuns(target, source, rows);
  const std::vector<std::size_t> oddRow = {0};
  AppendRuns(target, odd, oddRow);

  EXPECT_EQ(Rows(target), (std::vector<std::u16string>{u"\n2 (2)\nX-id\nX\nX-1",
                                                       u"\n10 (1)\nC-id\nC\nC-1",
                                                       u"\n2 (1)\nA-id\nA\nA-1",
                                                       u"\n5\n\n\n"}));
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(GetRecord(target, 6 + i), GetRecord(source, 10 + i));
    EXPECT_EQ(GetRecord(target, 10 + i), GetRecord(source, 2 + i));
  }
  EXPECT_EQ(GetRecord(target, 14), GetRecord(odd, 0));
  EXPECT_EQ(GetRecord(target, 15), GetRecord(odd, 1));
  EXPECT_TRUE(RunsInStep(target));

  // Into a list that holds nothing, the first copied contact becomes the first record.
  RecordList empty;
  AppendRuns(empty, source, rows);
  EXPECT_EQ(RecordCount(empty), 8u);
  EXPECT_EQ(RowCount(empty), 2u);
  EXPECT_EQ(NumberText(empty, 0), u"10 (1)");
}

TEST(RecordList, RemovedRunsGoInOnePassAndThePoolShrinks) {
  RecordList list = Book(NumberSuffix::kBookOne, {u"A", u"B", u"C", u"D"});
  const std::vector<std::size_t> rows = {1, 3};
  RemoveRuns(list, rows);

  EXPECT_EQ(Rows(list), (std::vector<std::u16string>{u"\n2 (1)\nA-id\nA\nA-1",
                                                     u"\n10 (1)\nC-id\nC\nC-1"}));
  EXPECT_EQ(RecordCount(list), 10u);
  EXPECT_EQ(GetRecord(list, 1).AttributeList, (std::vector<AttributePair>{{u"name", u"Buch"}}));
  EXPECT_EQ(list.pool.size(), TextsInPool(list));
  EXPECT_TRUE(RunsInStep(list));

  // Removing every run keeps the records before the first contact.
  const std::vector<std::size_t> all = {0, 1};
  RemoveRuns(list, all);
  EXPECT_EQ(RecordCount(list), 2u);
  EXPECT_EQ(RowCount(list), 0u);
  EXPECT_TRUE(RunsInStep(list));
}

TEST(RecordList, RowsFindTheirRunByPositionEvenWhenNumbersRepeat) {
  // The same contact copied twice gives two runs with the same number; removing the second
  // row must remove the second run, and copying it back must not pick the first.
  const RecordList source = Book(NumberSuffix::kBookOne, {u"A"});
  RecordList target = Book(NumberSuffix::kBookTwo, {u"X"});
  const std::vector<std::size_t> first = {0};
  AppendRuns(target, source, first);
  RecordList changed = Book(NumberSuffix::kBookOne, {u"Anders"});
  AppendRuns(target, changed, first);
  ASSERT_EQ(NumberText(target, RunOf(target, 1).first), NumberText(target, RunOf(target, 2).first));

  const std::vector<std::size_t> second = {1};
  RemoveRuns(target, second);
  EXPECT_EQ(Rows(target), (std::vector<std::u16string>{u"\n2 (2)\nX-id\nX\nX-1",
                                                       u"\n2 (1)\nAnders-id\nAnders\nAnders-1"}));
  EXPECT_TRUE(RunsInStep(target));
}

TEST(RecordList, StepCheckNoticesRowsOutOfStep) {
  RecordList list = Book(NumberSuffix::kBookOne, {u"A", u"B"});
  ASSERT_TRUE(RunsInStep(list));
  list.rowStarts.pop_back();
  EXPECT_FALSE(RunsInStep(list));
  list = Book(NumberSuffix::kBookOne, {u"A", u"B"});
  list.rowStarts[1] = 3;
  EXPECT_FALSE(RunsInStep(list));
  list = Book(NumberSuffix::kBookOne, {u"A"});
  list.records.back().textLength = 1000;
  EXPECT_FALSE(RunsInStep(list));
}

}  // namespace
}  // namespace rk::book
