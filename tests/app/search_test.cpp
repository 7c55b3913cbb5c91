#include <QLineEdit>
#include <QTreeView>

#include "app_fixture.h"

namespace {

class SearchTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    Start();
  }
  void AddRows(const QStringList& names) {
    for (const QString& name : names) window_->Songs().AddRow(name);
  }
  QList<int> Selected() {
    QList<int> rows;
    for (const QModelIndex& index : window_->ListBox1->selectionModel()->selectedRows())
      rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  void Select(QList<int> rows) {
    auto* selection = window_->ListBox1->selectionModel();
    selection->clearSelection();
    for (int row : rows)
      selection->select(window_->Songs().index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void Search(const QString& text) {
    window_->efSearch->setText(text);
    window_->PushButton5_Action();
  }
};

TEST_F(SearchTest, FindsTheNextMatchIgnoringCaseAndStopsAtTheEnd) {
  AddRows({"ABCD.mp3", "WXYZ.mp3", "abce.m4a", "QRST.mp3"});
  Search("ab");
  EXPECT_EQ(Selected(), QList<int>{0});
  Search("ab");
  EXPECT_EQ(Selected(), QList<int>{2});
  Search("ab");
  EXPECT_EQ(Selected(), QList<int>{3}) << "moved on although nothing matched";
  Search("ab");
  EXPECT_EQ(Selected(), QList<int>{3}) << "at the last row there is nowhere to go; no wrap";
}

TEST_F(SearchTest, EmptyFieldAndInvalidExpressionChangeNothing) {
  AddRows({"ABCD.mp3", "WXYZ.mp3"});
  Select({0});
  Search("");
  EXPECT_EQ(Selected(), QList<int>{0});
  Search("(");
  EXPECT_EQ(Selected(), QList<int>{0});
}

TEST_F(SearchTest, TheTextIsAnExpressionAndOnlyFileNamesAreSearched) {
  AddRows({"one.mp3", "two.mp3", "", "three.mp3"});
  window_->Songs().SetCell(1, 2, "Beatles");
  Search(".");
  EXPECT_EQ(Selected(), QList<int>{0});
  Search(".");
  EXPECT_EQ(Selected(), QList<int>{1});
  Search(".");
  EXPECT_EQ(Selected(), QList<int>{3}) << "the empty name does not match";
  Select({});
  Search("beatles");
  EXPECT_EQ(Selected(), QList<int>{0}) << "the artist column is not searched";
  Select({});
  Search("^t.*3$");
  EXPECT_EQ(Selected(), QList<int>{1});
}

TEST_F(SearchTest, StartsAfterTheFirstSelectedRow) {
  AddRows({"ab1", "ab2", "ab3", "ab4"});
  Select({1, 3});
  Search("ab");
  EXPECT_EQ(Selected(), QList<int>{2});
}

}  // namespace
