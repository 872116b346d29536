#pragma once
// TCoefficientGrid: the two-column list of filter coefficients in the INTERMAGNET parameters
// dialog. Column 0 holds the labels "C0", "C1", ..., column 1 the coefficient texts; both are
// editable, there are no header rows, and the grid never has fewer than one row.
//
// Tag is the empty-list mark: EmptyListTag (-1) means the list holds no coefficient and its one
// remaining row is blank; any other value means every row is a coefficient. Only the dialog's
// list operations read or set it, and it outlives each showing of the dialog. A new grid is the
// empty list, as the filter holds no coefficient before the settings are read.

#include <QString>
#include <QTableWidget>

// Thread rule: user-interface thread only.
class TCoefficientGrid : public QTableWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    static constexpr int EmptyListTag = -1;
    static constexpr int LabelColumn = 0;
    static constexpr int TextColumn = 1;

    explicit TCoefficientGrid(QWidget* parent = nullptr);

    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    bool MarkedEmpty() const { return FTag == EmptyListTag; }
    void SetMarkedEmpty(bool empty) { FTag = empty ? EmptyListTag : 0; }

    // A cell's text; an empty text for a cell never written.
    QString Cell(int column, int row) const;
    // Grows the grid when `row` lies below its last row.
    void SetCell(int column, int row, const QString& text);
    // Row counts below one keep one row.
    void SetRowCount(int rows);

    // Takes over what an open cell editor holds, so that a button pressed while the user is
    // still typing sees the typed text.
    void CommitEdit();

    // Both cells of row `row` as "C<row>" and the text.
    void SetCoefficient(int row, const QString& text);

private:
    int FTag = EmptyListTag;
};

// "C<index>", the label of a coefficient and its key in a coefficient file.
QString CoefficientLabel(int index);
