#include "oplist/operationdelegate.h"

#include "oplist/cellvalidators.h"
#include "oplist/operationlistmodel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QValidator>

namespace
{

const char cellComboStyle[] = "QComboBox{border-width:0;border-style:outset}";
const char cellEditStyle[] = "QLineEdit{border-width:0;border-style:outset}";

} // namespace

OperationDelegate::OperationDelegate(QObject *parent)
    : QStyledItemDelegate(parent), hexValidator(makeCellValidator(hexCellPattern(), this)),
      countValidator(makeCellValidator(countCellPattern(), this)),
      delayValidator(makeCellValidator(delayCellPattern(), this))
{
}

QComboBox *OperationDelegate::operationBox(QWidget *parent, bool writeReadOffered)
{
    auto *box = new QComboBox(parent);
    box->setStyleSheet(QLatin1String(cellComboStyle));
    // Each item carries its operation; the texts are only what the user reads.
    box->addItem(operationText(Operation::Write), int(Operation::Write));
    box->addItem(operationText(Operation::Read), int(Operation::Read));
    if (writeReadOffered)
        box->addItem(operationText(Operation::WriteRead), int(Operation::WriteRead));
    return box;
}

QWidget *OperationDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    auto *self = const_cast<OperationDelegate *>(this);
    if (index.column() == OperationListModel::OperationColumn) {
        QComboBox *box =
            operationBox(parent, index.data(OperationListModel::WriteReadOfferedRole).toBool());
        connect(box, QOverload<int>::of(&QComboBox::activated), self,
                [self, box] { emit self->commitData(box); });
        return box;
    }
    QValidator *validator = index.column() == OperationListModel::DataColumn    ? hexValidator
                            : index.column() == OperationListModel::CountColumn ? countValidator
                            : index.column() == OperationListModel::DelayColumn ? delayValidator
                                                                                : nullptr;
    if (!validator)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *edit = new QLineEdit(parent);
    edit->setStyleSheet(QLatin1String(cellEditStyle));
    edit->setValidator(validator);
    connect(edit, &QLineEdit::textEdited, self, [self, edit] { emit self->commitData(edit); });
    return edit;
}

void OperationDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        box->setCurrentIndex(box->findData(index.data(Qt::EditRole).toInt()));
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        const QString text = index.data(Qt::EditRole).toString();
        // A line edit cuts its text at its maximum length; a long loaded cell must stay whole.
        edit->setMaxLength(qMax(32767, text.size()));
        if (edit->text() != text)
            edit->setText(text);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void OperationDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, box->currentData().toInt(), Qt::EditRole);
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        if (index.data(Qt::EditRole).toString() != edit->text())
            model->setData(index, edit->text(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
