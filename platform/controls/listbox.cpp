#include "platform/controls/listbox.h"

#include <QCollator>
#include <QDropEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "platform/controls/graphics.h"
#include "platform/controls/window.h"

namespace fw {

namespace {
constexpr int kTagRole = Qt::UserRole + 1;

class ListTree : public QTreeWidget {
 public:
  ListTree(Listbox* owner, QWidget* parent) : QTreeWidget(parent), owner_(owner) {}

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    // Once a row is selected the user cannot clear the selection by clicking; code still can.
    if (owner_->RequiresSelection() && owner_->SelectedItem()) {
      if (!itemAt(e->position().toPoint())) return;
      if (e->modifiers() & Qt::ControlModifier) {
        QMouseEvent plain(e->type(), e->position(), e->scenePosition(), e->globalPosition(), e->button(), e->buttons(),
                          e->modifiers() & ~Qt::ControlModifier);
        QTreeWidget::mousePressEvent(&plain);
        return;
      }
    }
    QTreeWidget::mousePressEvent(e);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    QTreeWidget::mouseDoubleClickEvent(e);
    owner_->UserDoubleClick();
  }
  void dropEvent(QDropEvent* e) override {
    // Reordering moves items out and back in; the selected row must come through untouched.
    const QSignalBlocker block(this);
    QTreeWidget::dropEvent(e);
    owner_->RestoreSelection();
    owner_->Raise(QStringLiteral("Reordered"));
  }

 private:
  Listbox* owner_;
};

class PaintHook : public QStyledItemDelegate {
 public:
  PaintHook(Listbox* owner) : QStyledItemDelegate(owner), owner_(owner) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    Graphics g;
    const bool drawn = owner_->RaiseCellTextPaint(g, index.row(), index.column(), option->rect.x(), option->rect.y());
    if (drawn) return;
    option->palette.setColor(QPalette::Text, ToQColor(g.ForeColor));
    option->palette.setColor(QPalette::HighlightedText, ToQColor(g.ForeColor));
    option->font.setBold(g.Bold);
  }

 private:
  Listbox* owner_;
};
}  // namespace

Listbox::Listbox(Window* window, const QString& name) : RectControl(window, name, new ListTree(this, window->Content())) {
  QTreeWidget* t = Tree();
  t->setColumnCount(1);
  t->setRootIsDecorated(false);
  t->setItemsExpandable(false);
  t->setUniformRowHeights(true);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  t->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  t->setItemDelegate(new PaintHook(this));
  t->header()->setSectionsClickable(true);
  t->header()->setStretchLastSection(true);
  t->header()->setSortIndicatorShown(false);
  t->invisibleRootItem()->setFlags(Qt::ItemIsEnabled);
  connect(t, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (quiet_ == 0) UserSelectionChanged();
  });
  connect(t->header(), &QHeaderView::sectionClicked, this, [this](int column) {
    SortByColumn(column, lastOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
  });
}

QTreeWidget* Listbox::Tree() const { return static_cast<QTreeWidget*>(Widget()); }

void Listbox::SetColumnCount(int n) { Tree()->setColumnCount(std::max(1, n)); }
void Listbox::SetHasHeading(bool on) { Tree()->setHeaderHidden(!on); }
void Listbox::SetHeading(int column, const QString& text) { Tree()->headerItem()->setText(column, text); }
QString Listbox::Heading(int column) const { return Tree()->headerItem()->text(column); }
void Listbox::SetHeadingIndex(int column) { headingIndex_ = column; }

void Listbox::SetEnableDragReorder(bool on) {
  QTreeWidget* t = Tree();
  t->setDragEnabled(on);
  t->setAcceptDrops(on);
  t->setDropIndicatorShown(on);
  t->setDragDropOverwriteMode(false);
  t->setDragDropMode(on ? QAbstractItemView::InternalMove : QAbstractItemView::NoDragDrop);
  t->setDefaultDropAction(Qt::MoveAction);
  t->invisibleRootItem()->setFlags(on ? (Qt::ItemIsEnabled | Qt::ItemIsDropEnabled) : Qt::ItemIsEnabled);
}

void Listbox::SetGridLinesHorizontal(int) {}

namespace {
QTreeWidgetItem* NewItem(const QString& text) {
  auto* item = new QTreeWidgetItem(QStringList{text});
  // Rows can be dragged, but nothing can be dropped onto a row: the list stays flat.
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren);
  return item;
}
}  // namespace

void Listbox::AddRow(const QString& text) {
  ++quiet_;
  Tree()->addTopLevelItem(NewItem(text));
  --quiet_;
  lastIndex_ = ListCount() - 1;
}

void Listbox::InsertRow(int row, const QString& text, int) {
  ++quiet_;
  row = std::clamp(row, 0, ListCount());
  Tree()->insertTopLevelItem(row, NewItem(text));
  RestoreSelection();
  --quiet_;
  lastIndex_ = row;
}

void Listbox::RemoveRow(int row) {
  QTreeWidgetItem* item = ItemAt(row);
  if (!item) return;
  ++quiet_;
  ForgetItem(item);
  delete item;
  RestoreSelection();
  --quiet_;
}

void Listbox::DeleteAllRows() {
  ++quiet_;
  selected_ = nullptr;
  Tree()->clear();
  --quiet_;
}

int Listbox::ListCount() const { return Tree()->topLevelItemCount(); }

QTreeWidgetItem* Listbox::ItemAt(int row) const {
  return row >= 0 && row < ListCount() ? Tree()->topLevelItem(row) : nullptr;
}

QString Listbox::Cell(int row, int column) const {
  QTreeWidgetItem* item = ItemAt(row);
  return item ? item->text(column) : QString();
}

void Listbox::SetCell(int row, int column, const QString& text) {
  if (QTreeWidgetItem* item = ItemAt(row)) item->setText(column, text);
}

QVariant Listbox::CellTag(int row, int column) const {
  QTreeWidgetItem* item = ItemAt(row);
  return item ? item->data(column, kTagRole) : QVariant();
}

void Listbox::SetCellTag(int row, int column, const QVariant& tag) {
  if (QTreeWidgetItem* item = ItemAt(row)) item->setData(column, kTagRole, tag);
}

int Listbox::ListIndex() const { return selected_ ? Tree()->indexOfTopLevelItem(selected_) : -1; }

void Listbox::SetListIndex(int row) {
  ++quiet_;
  selected_ = ItemAt(row);
  RestoreSelection();
  --quiet_;
  Raise(QStringLiteral("Change"));
}

void Listbox::RestoreListIndex(int row) {
  ++quiet_;
  selected_ = ItemAt(row);
  RestoreSelection();
  --quiet_;
}

QString Listbox::Text() const { return selected_ ? selected_->text(0) : QString(); }

void Listbox::ForgetItem(QTreeWidgetItem* item) {
  if (selected_ == item) selected_ = nullptr;
}

void Listbox::RestoreSelection() {
  QTreeWidget* t = Tree();
  const QSignalBlocker block(t);
  t->clearSelection();
  if (selected_) {
    t->setCurrentItem(selected_);
    selected_->setSelected(true);
  } else {
    t->setCurrentItem(nullptr);
  }
  t->viewport()->update();
}

void Listbox::UserSelectionChanged() {
  const QList<QTreeWidgetItem*> items = Tree()->selectedItems();
  QTreeWidgetItem* now = items.isEmpty() ? nullptr : items.first();
  if (now == selected_) return;
  if (!now && requiresSelection_ && selected_) {
    RestoreSelection();
    return;
  }
  selected_ = now;
  Raise(QStringLiteral("Change"));
}

void Listbox::UserSelectRow(int row) {
  QTreeWidgetItem* item = ItemAt(row);
  if (!item) return;
  Tree()->setCurrentItem(item);  // raises Change through the selection signal when it moves
}

void Listbox::UserDoubleClick() { Raise(QStringLiteral("DoubleClick")); }

void Listbox::SortByColumn(int column, Qt::SortOrder order) {
  lastOrder_ = order;
  ++quiet_;
  {
    // As a person reads the names: without regard to case, in the user's language (Qt's own
    // sort puts "Echo" before "delta"). Equal names keep their order.
    const QSignalBlocker block(Tree());
    QCollator collator{QLocale::system()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QList<QTreeWidgetItem*> items;
    while (Tree()->topLevelItemCount() > 0) items << Tree()->takeTopLevelItem(0);
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
      const int c = collator.compare(a->text(column), b->text(column));
      return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    Tree()->addTopLevelItems(items);
  }
  RestoreSelection();
  --quiet_;
  Raise(QStringLiteral("Reordered"));
}

void Listbox::MoveRow(int from, int to) {
  QTreeWidgetItem* item = ItemAt(from);
  if (!item || to < 0 || to >= ListCount()) return;
  ++quiet_;
  {
    const QSignalBlocker block(Tree());
    Tree()->takeTopLevelItem(from);
    Tree()->insertTopLevelItem(to, item);
  }
  RestoreSelection();
  --quiet_;
  Raise(QStringLiteral("Reordered"));
}

}  // namespace fw
