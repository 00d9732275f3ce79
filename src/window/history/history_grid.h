// DBGridHistory: the uptime report grid as a Qt model over the report cursor
// (DataSetHistoryClone) and a table view that shows it. The model reads only
// the rows the view asks for, so a long report costs nothing until scrolled
// to; titles come from the cursor's calculated fields, which the core caches
// per path, and their images from the watched list by the cached index. Row
// colours, title images, sorting and the multi-row selection follow the
// report's rules in reports/uptime/uptime_report.h.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <set>
#include <vector>

#include "datastore/tables/table.h"
#include "platform/locale.h"
#include "reports/uptime/program_directory.h"
#include "reports/uptime/uptime_export.h"
#include "reports/uptime/uptime_report.h"
#include "window/program_icons.h"

namespace brenvik {

class HistoryGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit HistoryGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // The program titles, their images (the watched list; null: the style's
  // pictures) and the date format; before a report is shown.
  void SetServices(ProgramDirectory* programs, LocaleInfo locale,
                   const FileIconImages* images = nullptr);

  // The cursor shown, or null while the data source is disabled.
  void SetReport(Cursor* report);
  Cursor* Report() const { return report_; }
  // The columns in layout order (the model's column order never changes;
  // the view moves and hides sections).
  void SetColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& Columns() const { return columns_; }
  // The rows were reordered or refiltered underneath.
  void Reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  bool MoveTo(int row) const;
  QString CellText(const std::string& field) const;

  ProgramDirectory* programs_ = nullptr;
  const FileIconImages* images_ = nullptr;
  LocaleInfo locale_;
  Cursor* report_ = nullptr;
  std::vector<GridColumn> columns_;
};

class HistoryGridView : public QTableView {
  Q_OBJECT

 public:
  HistoryGridView(HistoryGridModel* model, QWidget* parent = nullptr);

  HistoryGridModel* Model() const { return model_; }
  // Applies a layout: the model's columns in the layout's order, widths
  // and visibility.
  void ApplyLayout(const std::vector<GridColumn>& layout);
  // The layout as the user left it: columns in display order with their
  // current widths and visibility.
  std::vector<GridColumn> CurrentLayout() const;

  // Selected rows as row numbers of the report's view (1-based).
  const std::set<std::size_t>& SelectedRecNos() const { return selection_.Selected(); }
  void ClearRowSelection();
  // Selects exactly these rows (1-based) and brings the first into view.
  void SelectRecNos(std::set<std::size_t> recNos);
  // A click on a row as the mouse gives it (also used by tests).
  void ClickRow(int row, Qt::KeyboardModifiers modifiers);

 signals:
  // Mouse or key release: the selection labels are due.
  void selectionSettled();
  // A click on a column title, with the column's field.
  void titleClicked(const std::string& field);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void ShowSelection();

  HistoryGridModel* model_;
  GridRangeSelection selection_;
};

}  // namespace brenvik
