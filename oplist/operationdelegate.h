#pragma once
// Editors for the operation table's cells, made only while the user edits a cell: a combo box
// for the operation, line edits with the cells' validators for data, count and delay. Every
// keystroke reaches the model at once, so a pass started while a cell is being edited runs
// what the cell shows.

#include <QStyledItemDelegate>

class QComboBox;
class QValidator;

class OperationDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit OperationDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    // The operation cell's editor, each item carrying its operation; write-read only when
    // offered.
    static QComboBox *operationBox(QWidget *parent, bool writeReadOffered);

private:
    QValidator *hexValidator;
    QValidator *countValidator;
    QValidator *delayValidator;
};
