// Saving the operation list to a ".list" file and loading it back through the window.

#include "kavristest.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

const QByteArray header = QByteArray(
    ";该文件为KAVRIS列表操作文件，每行为一个操作，若当前行为\";\"开头，则当前行为注释行\r\n"
    ";选择,操作类型,写数据,读数据字节数,延时(毫秒)\r\n");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestListFileIo : public WindowTest
{
    Q_OBJECT

private slots:
    void init();
    void saveEmptyTable();
    void saveFreshRow();
    void roundTripAppends();
    void loadInSlaveMode();
    void loadSkipsCommentsAndShortLines();
    void cancelledDialogs();
    void saveError();
    void openError();

private:
    QTableWidget *table() { return fixture.find<QTableWidget>("operationTableWidget"); }
    QStringList rows(); // "check|type|data|count|delay" per row
    void save(const QString &path);
    void load(const QString &path);
    std::unique_ptr<QTemporaryDir> folder;
};

void TestListFileIo::init()
{
    folder = std::make_unique<QTemporaryDir>();
    fixture.start();
}

QStringList TestListFileIo::rows()
{
    QStringList lines;
    for (int row = 0; row < table()->rowCount(); ++row) {
        QStringList cells = {QString::number(table()->item(row, 0)->checkState()),
                             qobject_cast<QComboBox *>(table()->cellWidget(row, 1))->currentText()};
        for (int column = 2; column <= 4; ++column)
            cells.append(qobject_cast<QLineEdit *>(table()->cellWidget(row, column))->text());
        lines.append(cells.join(QLatin1Char('|')));
    }
    return lines;
}

void TestListFileIo::save(const QString &path)
{
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    if (QFile::exists(path))
        fixture.dialogs().then(ModalAnswerer::press(QStringLiteral("Yes")));
    fixture.click("toolButtonSaveListToFile");
}

void TestListFileIo::load(const QString &path)
{
    fixture.dialogs().then(ModalAnswerer::chooseFile(path));
    fixture.click("toolButtonOpenListFromFile");
}

void TestListFileIo::saveEmptyTable()
{
    const QString path = folder->filePath(QStringLiteral("empty.list"));
    save(path);
    QCOMPARE(readFile(path), header);
    QCOMPARE(fixture.dialogs().seen.first().title, QString::fromUtf8("保存列表文件"));
}

void TestListFileIo::saveFreshRow()
{
    fixture.click("toolButtonAddNew");
    const QString path = folder->filePath(QStringLiteral("fresh.list"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(500, 'x')); // longer than what replaces it
    old.close();
    save(path);
    QCOMPARE(readFile(path),
             header + "1,写数据,11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF,0,0\r\n");
}

void TestListFileIo::roundTripAppends()
{
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    fixture.click("toolButtonAddNew");
    table()->item(1, 0)->setCheckState(Qt::Unchecked);
    qobject_cast<QComboBox *>(table()->cellWidget(1, 1))->setCurrentIndex(1);
    qobject_cast<QLineEdit *>(table()->cellWidget(1, 2))->setText(QString());
    qobject_cast<QLineEdit *>(table()->cellWidget(1, 3))->setText(QStringLiteral("20"));
    qobject_cast<QLineEdit *>(table()->cellWidget(1, 4))->setText(QStringLiteral("007"));
    qobject_cast<QComboBox *>(table()->cellWidget(2, 1))->setCurrentIndex(2);
    qobject_cast<QLineEdit *>(table()->cellWidget(2, 2))->setText(QStringLiteral("9F "));
    const QStringList before = rows();
    const QString path = folder->filePath(QStringLiteral("list.list"));
    save(path);
    load(path);
    QCOMPARE(rows(), before + before);
    QCOMPARE(fixture.dialogs().seen.last().title, QString::fromUtf8("打开列表文件"));
    // Loaded cells keep their validators.
    QVERIFY(qobject_cast<QLineEdit *>(table()->cellWidget(4, 3))->validator());
}

void TestListFileIo::loadInSlaveMode()
{
    const QString path = folder->filePath(QStringLiteral("wr.list"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1,写读数据,9F,3,0\n0,读数据,,20,5\n");
    file.close();
    fixture.select("workingModeComboBox", 0);
    load(path);
    QCOMPARE(rows(), QStringList({QString::fromUtf8("2|写数据|9F|3|0"),
                                  QString::fromUtf8("0|读数据||20|5")}));
}

void TestListFileIo::loadSkipsCommentsAndShortLines()
{
    const QString path = folder->filePath(QStringLiteral("mixed.list"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF;comment,a,b,c,d\r\n1,读数据,,20\r\n\r\n"
               "false,写数据,01 02,0,100 \r\r\n1,写数据,03,0,0");
    file.close();
    load(path);
    QCOMPARE(rows(), QStringList({QString::fromUtf8("2|写数据|01 02|0|100 "),
                                  QString::fromUtf8("2|写数据|03|0|0")}));
}

void TestListFileIo::cancelledDialogs()
{
    fixture.click("toolButtonAddNew");
    fixture.dialogs().then(ModalAnswerer::cancel());
    fixture.click("toolButtonSaveListToFile");
    fixture.dialogs().then(ModalAnswerer::cancel());
    fixture.click("toolButtonOpenListFromFile");
    QCOMPARE(fixture.dialogs().seen.size(), 2);
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList());
}

void TestListFileIo::saveError()
{
    fixture.click("toolButtonAddNew");
    const QString path = folder->filePath(QStringLiteral("missing/folder/x.list"));
    save(path);
    QCOMPARE(fixture.dialogs().summary().value(1),
             QString::fromUtf8("QMessageBox|警告|保存文件出错！"));
    QVERIFY(!QFile::exists(path));
}

void TestListFileIo::openError()
{
    // The file goes away between the choice and the reading.
    const QString path = folder->filePath(QStringLiteral("gone.list"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1,写数据,01,0,0\n");
    file.close();
    fixture.dialogs().then([path](QWidget *dialog) {
        ModalAnswerer::chooseFile(path)(dialog);
        QFile::remove(path);
    });
    fixture.click("toolButtonOpenListFromFile");
    QCOMPARE(fixture.dialogs().summary().value(1),
             QString::fromUtf8("QMessageBox|警告|打开文件出错！"));
    QCOMPARE(table()->rowCount(), 0);
}

QTEST_MAIN(TestListFileIo)
#include "tst_listfileio.moc"
