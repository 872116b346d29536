#include "window/CoefficientGrid.h"

#include "settings/SettingsKeys.h"

#include <QHeaderView>

#include <algorithm>

TCoefficientGrid::TCoefficientGrid(QWidget* parent) : QTableWidget(1, 2, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(LabelColumn, 44);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
}

QString TCoefficientGrid::Cell(int column, int row) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void TCoefficientGrid::SetCell(int column, int row, const QString& text) {
    if (row >= rowCount()) setRowCount(row + 1);
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}

void TCoefficientGrid::SetRowCount(int rows) { setRowCount(std::max(rows, 1)); }

void TCoefficientGrid::CommitEdit() {
    if (state() != QAbstractItemView::EditingState) return;
    // An open editor is kept under its cell's index, like an index widget.
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TCoefficientGrid::SetCoefficient(int row, const QString& text) {
    SetCell(LabelColumn, row, CoefficientLabel(row));
    SetCell(TextColumn, row, text);
}

QString CoefficientLabel(int index) {
    return QString::fromStdString(SettingsKeys::Filter::CoefficientKey(index));
}
