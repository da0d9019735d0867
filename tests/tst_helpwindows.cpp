// The about box and the pin-map window.

#include "kavristest.h"

#include <QLabel>
#include <QMessageBox>
#include <QtTest>

class TestHelpWindows : public WindowTest
{
    Q_OBJECT

private slots:
    void about();
    void pinMap();
};

void TestHelpWindows::about()
{
    QWidget *parent = nullptr;
    fixture.dialogs().then([&](QWidget *box) {
        parent = box->parentWidget();
        ModalAnswerer::pressDefault()(box);
    });
    fixture.trigger("actionAbout");
    QCOMPARE(fixture.dialogs().seen.size(), 1);
    const ModalAnswerer::Seen &box = fixture.dialogs().seen.first();
    QCOMPARE(box.title, QString::fromUtf8("帮助"));
    QVERIFY(
        box.text.startsWith(QString::fromUtf8("官方网站<span style=\"font-size:12px;\"></span>："
                                              "<a href=")));
    QVERIFY(box.text.contains(QString::fromUtf8("<br>技术支持：")));
    QVERIFY(box.text.endsWith(QString::fromUtf8("<br>版本信息：v1.0.1")));
    QCOMPARE(parent, static_cast<QWidget *>(&fixture.window()));
    QVERIFY(adapterCalls().isEmpty());
}

void TestHelpWindows::pinMap()
{
    QSize picture;
    QWidget *parent = &fixture.window();
    Qt::WindowFlags flags;
    fixture.dialogs().then([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        picture = box->iconPixmap().size();
        parent = box->parentWidget();
        flags = box->windowFlags();
        ModalAnswerer::pressDefault()(widget);
    });
    fixture.trigger("actionPinMap");
    QCOMPARE(fixture.dialogs().summary(),
             QStringList({QString::fromUtf8("QMessageBox|管脚定义|")}));
    QCOMPARE(fixture.dialogs().seen.first().buttons, QStringList({"Ok"}));
    QCOMPARE(picture, QSize(596, 381));
    QCOMPARE(parent, nullptr);
    QVERIFY(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
}

QTEST_MAIN(TestHelpWindows)
#include "tst_helpwindows.moc"
