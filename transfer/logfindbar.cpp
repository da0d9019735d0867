#include "transfer/logfindbar.h"

#include "transfer/logpattern.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

LogFindBar::LogFindBar(TrafficLogView *view)
    : QFrame(view), view(view), kind(new QComboBox), text(new QLineEdit), statusLabel(new QLabel)
{
    setObjectName(QStringLiteral("logFindBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    kind->setObjectName(QStringLiteral("findKind"));
    kind->addItems({tr("十六进制"), tr("文本")});
    text->setObjectName(QStringLiteral("findText"));
    text->setPlaceholderText(tr("如 9F XX 15"));
    text->setMinimumWidth(160);
    statusLabel->setObjectName(QStringLiteral("findStatus"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(kind);
    layout->addWidget(text, 1);
    const auto button = [&](const char *name, const QString &label, const QString &tip) {
        auto *made = new QToolButton;
        made->setObjectName(QLatin1String(name));
        made->setText(label);
        made->setToolTip(tip);
        layout->addWidget(made);
        return made;
    };
    connect(button("findPrevious", QStringLiteral("\u25B2"), tr("上一个 (Shift+Enter)")),
            &QToolButton::clicked, this, [this] { find(false); });
    connect(button("findNext", QStringLiteral("\u25BC"), tr("下一个 (Enter)")),
            &QToolButton::clicked, this, [this] { find(true); });
    layout->addWidget(statusLabel);
    connect(button("findClose", QStringLiteral("\u2715"), tr("关闭 (Esc)")), &QToolButton::clicked,
            this, &QWidget::hide);
    connect(text, &QLineEdit::textEdited, statusLabel, &QLabel::clear);
    view->installEventFilter(this);
    hide();
}

void LogFindBar::open()
{
    show();
    raise();
    place();
    text->setFocus();
    text->selectAll();
}

void LogFindBar::setPattern(bool hex, const QString &typed)
{
    kind->setCurrentIndex(hex ? 0 : 1);
    text->setText(typed);
}

QString LogFindBar::status() const
{
    return statusLabel->text();
}

bool LogFindBar::find(bool forward)
{
    const TrafficLog *log = view->log();
    if (!log || text->text().isEmpty())
        return false;
    LogPattern pattern;
    if (kind->currentIndex() == 0) {
        if (!LogPattern::fromHex(text->text(), &pattern)) {
            statusLabel->setText(tr("每个字节两位十六进制数字或 XX，以空格分隔"));
            return false;
        }
    } else {
        pattern = LogPattern::fromText(text->text());
    }
    const qint64 from = forward ? view->selectionLast() : view->selectionFirst();
    qint64 found = log->find(pattern, forward ? from : (from < 0 ? log->count() : from), forward);
    QString note;
    if (found < 0) {
        found = log->find(pattern, forward ? -1 : log->count(), forward);
        note = forward ? tr("已从头继续") : tr("已从末尾继续");
    }
    if (found < 0) {
        statusLabel->setText(tr("未找到"));
        return false;
    }
    statusLabel->setText(note);
    view->selectLine(found);
    return true;
}

void LogFindBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        hide();
        view->setFocus();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        find(!(event->modifiers() & Qt::ShiftModifier));
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}

bool LogFindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view && event->type() == QEvent::Resize && isVisible())
        place();
    return QFrame::eventFilter(watched, event);
}

void LogFindBar::place()
{
    adjustSize();
    const int width = std::min(sizeHint().width(), view->width() - 8);
    resize(width, sizeHint().height());
    move(view->width() - width - 4 -
             (view->verticalScrollBar()->isVisible() ? view->verticalScrollBar()->width() : 0),
         4);
}
