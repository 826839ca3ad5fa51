#pragma once
// A list of rows with one headed column, per-cell tags, a paint hook for each cell's colour and
// weight, and rows the user can reorder by dragging. The selection belongs to a row, not to an
// index: inserting, removing, dragging or sorting rows never selects another row, and only the
// user's choice of a row or an assignment to ListIndex raises Change. A drag or a sort that
// changed the order raises Reordered.

#include <QVariant>

#include "platform/controls/rectcontrol.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace fw {

class Listbox : public RectControl {
  Q_OBJECT
 public:
  Listbox(Window* window, const QString& name);

  void SetColumnCount(int n);
  void SetHasHeading(bool on);
  void SetHeading(int column, const QString& text);
  QString Heading(int column) const;
  int HeadingIndex() const { return headingIndex_; }
  void SetHeadingIndex(int column);  // -1: no sort column
  void SetRequiresSelection(bool on) { requiresSelection_ = on; }
  bool RequiresSelection() const { return requiresSelection_; }
  void SetEnableDragReorder(bool on);
  void SetGridLinesHorizontal(int style);

  void AddRow(const QString& text);
  void InsertRow(int row, const QString& text, int indent = 0);
  void RemoveRow(int row);
  void DeleteAllRows();
  int ListCount() const;
  int LastIndex() const { return lastIndex_; }

  QString Cell(int row, int column) const;
  void SetCell(int row, int column, const QString& text);
  // The tag of a cell; an invalid QVariant when none was set.
  QVariant CellTag(int row, int column) const;
  void SetCellTag(int row, int column, const QVariant& tag);

  int ListIndex() const;
  // Selects the row (or none for -1) and raises Change before it returns, also when the
  // selection does not change.
  void SetListIndex(int row);
  // Selects the row (or none for -1) without raising Change: for a switch that could not go on
  // and puts the selection back where it was.
  void RestoreListIndex(int row);
  // The selected row's first cell; "" with no selection.
  QString Text() const;

  // Sorts the rows by the column's text, as a click on the heading does; the selected row stays
  // selected and no Change is raised.
  void SortByColumn(int column, Qt::SortOrder order);
  // Moves a row as a drag within the list does, with the same guarantees.
  void MoveRow(int from, int to);
  // As the user clicks a row (Change when the selection changes) or double-clicks anywhere.
  void UserSelectRow(int row);
  void UserDoubleClick();

  QTreeWidget* Tree() const;

  // Used by the Qt side.
  void UserSelectionChanged();
  QTreeWidgetItem* SelectedItem() const { return selected_; }
  void ForgetItem(QTreeWidgetItem* item);
  void RestoreSelection();

 private:
  QTreeWidgetItem* ItemAt(int row) const;
  QTreeWidgetItem* selected_ = nullptr;
  int headingIndex_ = -1;
  int lastIndex_ = -1;
  int quiet_ = 0;
  bool requiresSelection_ = false;
  Qt::SortOrder lastOrder_ = Qt::DescendingOrder;
};

}  // namespace fw
