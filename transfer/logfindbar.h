#pragma once
// The log's find bar (Ctrl+F): a byte pattern in hex, where XX stands for any byte as in
// expected logs, or a text, looked for in the entries' bytes over the whole log, spilled
// entries included. Enter finds the next, Shift+Enter the previous, both wrapping around;
// Escape closes the bar. It floats over the top right corner of the log.

#include <QFrame>

class QComboBox;
class QLabel;
class QLineEdit;
class TrafficLogView;

class LogFindBar : public QFrame
{
    Q_OBJECT

public:
    explicit LogFindBar(TrafficLogView *view);

    // Shows the bar with the typed text selected, ready for another.
    void open();
    void setPattern(bool hex, const QString &text);
    // Selects the next (or previous) entry holding the pattern; false when there is none.
    bool find(bool forward);
    QString status() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    TrafficLogView *view;
    QComboBox *kind;
    QLineEdit *text;
    QLabel *statusLabel;
};
