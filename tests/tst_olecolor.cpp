#include "platform/olecolor.h"
#include "platform/runtimeerror.h"
#include "testmain.h"

#include <QPalette>

using namespace platform;

class TestOleColor : public QObject
{
    Q_OBJECT

private slots:
    void fixedColour_data();
    void fixedColour();
    void systemColour_data();
    void systemColour();
    void qbColor_data();
    void qbColor();
    void qbColorOutOfRange_data();
    void qbColorOutOfRange();
};

void TestOleColor::fixedColour_data()
{
    QTest::addColumn<quint32>("ole");
    QTest::addColumn<QColor>("color");
    QTest::newRow("black") << 0x00000000u << QColor(0, 0, 0);
    QTest::newRow("red in the low byte") << 0x000000FFu << QColor(255, 0, 0);
    QTest::newRow("blue in the high byte") << 0x00FF0000u << QColor(0, 0, 255);
    QTest::newRow("frame caption pale blue") << 0x00FF8080u << QColor(128, 128, 255);
    QTest::newRow("every channel apart") << 0x00123456u << QColor(0x56, 0x34, 0x12);
    QTest::newRow("white") << 0x00FFFFFFu << QColor(255, 255, 255);
}

void TestOleColor::fixedColour()
{
    QFETCH(quint32, ole);
    QFETCH(QColor, color);
    QCOMPARE(oleColor(ole), color);
    QCOMPARE(toOleColor(color), ole);
}

// Each role of the installed palette gets a colour of its own, so a system
// colour read through the wrong role cannot pass; role -1 is a fixed colour.
void TestOleColor::systemColour_data()
{
    QTest::addColumn<quint32>("ole");
    QTest::addColumn<int>("role");
    QTest::newRow("button face") << 0x8000000Fu << int(QPalette::Button);
    QTest::newRow("button text") << 0x80000012u << int(QPalette::ButtonText);
    QTest::newRow("window is a text box's inside") << 0x80000005u << int(QPalette::Base);
    QTest::newRow("window text") << 0x80000008u << int(QPalette::Text);
    QTest::newRow("highlight") << 0x8000000Du << int(QPalette::Highlight);
    QTest::newRow("desktop is the classic teal whatever the palette") << 0x80000001u << -1;
    QTest::newRow("unknown index reads as window text") << 0x800000FFu << int(QPalette::WindowText);
}

void TestOleColor::systemColour()
{
    QFETCH(quint32, ole);
    QFETCH(int, role);
    const QPalette saved = QApplication::palette();
    QPalette palette;
    for (int r = 0; r < QPalette::NColorRoles; ++r)
        palette.setColor(QPalette::ColorRole(r), QColor(r, 100, 200));
    QApplication::setPalette(palette);
    const QColor color = oleColor(ole);
    QApplication::setPalette(saved);
    QCOMPARE(color, role < 0 ? QColor(0, 128, 128) : QColor(role, 100, 200));
}

void TestOleColor::qbColor_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<quint32>("ole");
    QTest::newRow("0 black") << 0 << 0x000000u;
    QTest::newRow("1 blue") << 1 << 0x800000u;
    QTest::newRow("4 red") << 4 << 0x000080u;
    QTest::newRow("7 white is light grey") << 7 << 0xC0C0C0u;
    QTest::newRow("8 grey") << 8 << 0x808080u;
    QTest::newRow("9 light blue") << 9 << 0xFF0000u;
    QTest::newRow("12 light red") << 12 << 0x0000FFu;
    QTest::newRow("13 light magenta") << 13 << 0xFF00FFu;
    QTest::newRow("14 light yellow") << 14 << 0x00FFFFu;
    QTest::newRow("15 bright white") << 15 << 0xFFFFFFu;
}

void TestOleColor::qbColor()
{
    QFETCH(int, index);
    QFETCH(quint32, ole);
    QCOMPARE(QBColor(index), ole);
}

void TestOleColor::qbColorOutOfRange_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("below the table") << -1;
    QTest::newRow("just past the table") << 16;
}

void TestOleColor::qbColorOutOfRange()
{
    QFETCH(int, index);
    try {
        QBColor(index);
        QFAIL("no error raised");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), 5);
        QCOMPARE(error.description(), QStringLiteral("Invalid procedure call or argument"));
    }
}

VELVANE_TEST_MAIN(TestOleColor)
#include "tst_olecolor.moc"
