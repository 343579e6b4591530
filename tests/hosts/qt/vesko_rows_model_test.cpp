// The results table's model under Qt: a table of millions of rows is told
// to the view a batch at a time, more as the view scrolls to their end, and
// every row is reached so.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include "hosts/qt/vesko_rows_model.h"

namespace korvint::hosts::qt {
namespace {

// Rows whose cells say their row.
struct NumberedRows final : TableRows {
  std::size_t rows = 0;
  [[nodiscard]] std::size_t row_count() const override { return rows; }
  void cell(std::size_t row, int, std::string& out) const override { out = std::to_string(row); }
};

TEST(VeskoRowsModelTest, TellsTheRowsABatchAtATimeAndEveryOneInTheEnd) {
  constexpr int kFirst = VeskoRowsModel::kFirstRows;
  constexpr int kMost = VeskoRowsModel::kMostRowsAtOnce;
  const struct {
    std::size_t rows;
    std::vector<int> told;  // after the reset, then after each fetchMore()
  } cases[] = {
      {0, {0}},
      {7, {7}},
      {kFirst, {kFirst}},
      {kFirst + 1, {kFirst, kFirst + 1}},
      // doubling up to the bound, then by the bound
      {std::size_t{kMost} * 3, {kFirst, 2 * kFirst, 4 * kFirst, 8 * kFirst, 16 * kFirst, 16 * kFirst + kMost, 3 * kMost}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    NumberedRows rows;
    rows.rows = c.rows;
    VeskoRowsModel model(ui::result_columns(), nullptr);
    model.set_rows(&rows);
    std::vector<int> told{model.rowCount({})};
    while (model.canFetchMore({})) {
      model.fetchMore({});
      told.push_back(model.rowCount({}));
    }
    EXPECT_EQ(told, c.told);
    if (told.back() > 0) {
      EXPECT_EQ(model.index(told.back() - 1, 0).data().toString().toStdString(), std::to_string(c.rows - 1));
    }
    // A refresh keeps what was told; a new set of rows starts again from the first batch.
    model.reset(true);
    EXPECT_EQ(model.rowCount({}), told.back());
    model.reset();
    EXPECT_EQ(model.rowCount({}), told.front());
  }
}

TEST(VeskoRowsModelTest, AViewScrolledToTheEndIsToldMore) {
  NumberedRows rows;
  rows.rows = 3 * VeskoRowsModel::kFirstRows;
  VeskoRowsModel model(ui::result_columns(), nullptr);
  model.set_rows(&rows);
  QTableView view;
  view.setModel(&model);
  view.resize(400, 300);
  view.show();
  QApplication::processEvents();
  ASSERT_EQ(model.rowCount({}), VeskoRowsModel::kFirstRows);
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  QApplication::processEvents();
  EXPECT_GT(model.rowCount({}), VeskoRowsModel::kFirstRows);
}

}  // namespace
}  // namespace korvint::hosts::qt
