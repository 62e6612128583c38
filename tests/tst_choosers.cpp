#include "testmain.h"

#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/commondialog.h"
#include "platform/drives.h"
#include "platform/messagebox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace {

// The user as a script: each dialog takes the next answer, a null one (or
// none left) being a cancel. Every dialog shown is recorded.
class ScriptedChooser : public platform::DialogChooser
{
public:
    struct FileDialog
    {
        QString title;
        QStringList nameFilters;
        QString start;
    };

    QList<std::optional<QString>> files;
    QList<QColor> colours; // an invalid colour is a cancel
    QList<FileDialog> fileDialogs;
    int colourDialogs = 0;

    std::optional<QString> chooseFile(QWidget *, const QString &title,
                                      const QStringList &nameFilters, const QString &start) override
    {
        fileDialogs.append({ title, nameFilters, start });
        return files.isEmpty() ? std::nullopt : files.takeFirst();
    }

    std::optional<QColor> chooseColor(QWidget *, const QColor &) override
    {
        ++colourDialogs;
        const QColor answer = colours.isEmpty() ? QColor() : colours.takeFirst();
        return answer.isValid() ? std::optional<QColor>(answer) : std::nullopt;
    }
};

const QString pictureTitle = QStringLiteral("Choose Picture");
const QStringList pictureFilters{ QStringLiteral("All image files (*.jpg *.bmp* *.jpeg)") };
const QString iconTitle = QStringLiteral("Choose icon");
const QStringList iconFilters{ QStringLiteral("Icon files (*.ico) (*.ico)") };

const QSize pictureSize(12, 8);

} // namespace

class TestChoosers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fileDialogsTitledAndFilteredAnew();
    void cancelBeforeAnyChoiceChangesNothing_data();
    void cancelBeforeAnyChoiceChangesNothing();
    void cancelAppliesTheLeftOverName_data();
    void cancelAppliesTheLeftOverName();
    void colourDigits_data();
    void colourDigits();
    void colourDigitsWrittenBeforePreview();
    void iconChooserWritesOnlyItsPath();
    void nameThatGivesNoPicture_data();
    void nameThatGivesNoPicture();
    void picturesLoadIntoTheThumbnail_data();
    void picturesLoadIntoTheThumbnail();
    void applyWritesTheChoices();

private:
    // Writes a one-colour picture into the drive; returns its host path.
    QString writePicture(const QString &relativePath, const char *format,
                         const QColor &colour = Qt::red);
    QString writeFile(const QString &relativePath, const QByteArray &bytes);

    QList<platform::Drive> m_originalDrives;
    std::unique_ptr<QTemporaryDir> m_drive;
    ScriptedChooser m_chooser;
    QStringList m_messages;
    std::unique_ptr<Form1> m_form;
};

void TestChoosers::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_originalDrives = platform::drives();
}

void TestChoosers::init()
{
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    QVERIFY(QDir(m_drive->path()).mkdir(QStringLiteral("Pictures")));
    platform::setDrives({ { QLatin1Char('D'), m_drive->path(), QStringLiteral("DATA") } });

    m_chooser = ScriptedChooser();
    platform::setDialogChooser(&m_chooser);
    m_messages.clear();
    platform::setMessageBoxPresenter(
        [this](const QString &prompt, int style, const QString &title) {
            m_messages.append(QStringLiteral("%1 [%2] %3").arg(style).arg(title, prompt));
            return platform::vbOK;
        });
    m_form = std::make_unique<Form1>();
}

void TestChoosers::cleanup()
{
    m_form.reset();
    platform::setDialogChooser(nullptr);
    platform::setMessageBoxPresenter({});
    platform::setDrives(m_originalDrives);
    m_drive.reset();
}

QString TestChoosers::writePicture(const QString &relativePath, const char *format,
                                   const QColor &colour)
{
    QImage image(pictureSize, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = m_drive->filePath(relativePath);
    if (!image.save(path, format))
        qWarning("could not write %s", qPrintable(path));
    return path;
}

QString TestChoosers::writeFile(const QString &relativePath, const QByteArray &bytes)
{
    const QString path = m_drive->filePath(relativePath);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qWarning("could not write %s", qPrintable(path));
    return path;
}

// Each file chooser sets its own title and filter before every dialog, and
// both begin at the name the last dialog of either left, the first one, with
// no name yet, in the home folder.
void TestChoosers::fileDialogsTitledAndFilteredAnew()
{
    const QString sea = writePicture(QStringLiteral("Pictures/sea.jpg"), "JPG");
    const QString icon = writePicture(QStringLiteral("drive.ico"), "ICO");
    m_chooser.files = { sea, std::nullopt, std::nullopt, icon, std::nullopt };

    m_form->Command1()->click();
    m_form->Command4()->click();
    m_form->Command1()->click();
    m_form->Command4()->click();
    m_form->Command1()->click();
    QCOMPARE(m_messages, QStringList());

    const auto &seen = m_chooser.fileDialogs;
    QCOMPARE(seen.size(), 5);
    const QString titles[] = { pictureTitle, iconTitle, pictureTitle, iconTitle, pictureTitle };
    const QStringList *filters[]
        = { &pictureFilters, &iconFilters, &pictureFilters, &iconFilters, &pictureFilters };
    const QString starts[] = { QDir::homePath(), sea, sea, sea, icon };
    for (int i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen.at(i).title, titles[i]);
        QCOMPARE(seen.at(i).nameFilters, *filters[i]);
        QCOMPARE(seen.at(i).start, starts[i]);
    }
    QCOMPARE(m_form->Text1()->text(), QStringLiteral("D:\\drive.ico"));
    QCOMPARE(m_form->Text4()->text(), QStringLiteral("D:\\drive.ico"));
}

void TestChoosers::cancelBeforeAnyChoiceChangesNothing_data()
{
    QTest::addColumn<bool>("pictureChooser");
    QTest::newRow("picture chooser") << true;
    QTest::newRow("icon chooser") << false;
}

void TestChoosers::cancelBeforeAnyChoiceChangesNothing()
{
    QFETCH(bool, pictureChooser);
    const QString started = QStringLiteral("C:\\Windows\\Web\\remembered.jpg");
    m_form->Text1()->setText(started);

    (pictureChooser ? m_form->Command1() : m_form->Command4())->click();

    QCOMPARE(m_chooser.fileDialogs.size(), 1);
    QCOMPARE(m_form->cM1()->FileName, QString());
    QCOMPARE(m_form->Text1()->text(), started);
    QCOMPARE(m_form->Text4()->text(), QString());
    QVERIFY(m_form->Image1()->pixmap().isNull());
    QCOMPARE(m_messages, QStringList());
}

void TestChoosers::cancelAppliesTheLeftOverName_data()
{
    QTest::addColumn<bool>("firstIsPicture");
    QTest::addColumn<bool>("thenPicture");
    QTest::addColumn<QString>("leftOver");

    const QString sea = QStringLiteral("D:\\Pictures\\sea.jpg");
    const QString icon = QStringLiteral("D:\\drive.ico");
    QTest::newRow("picture dialog after a picture choice") << true << true << sea;
    QTest::newRow("picture dialog after an icon choice") << false << true << icon;
    QTest::newRow("icon dialog after a picture choice") << true << false << sea;
    QTest::newRow("icon dialog after an icon choice") << false << false << icon;
}

void TestChoosers::cancelAppliesTheLeftOverName()
{
    QFETCH(bool, firstIsPicture);
    QFETCH(bool, thenPicture);
    QFETCH(QString, leftOver);

    m_chooser.files = { firstIsPicture ? writePicture(QStringLiteral("Pictures/sea.jpg"), "JPG")
                                       : writePicture(QStringLiteral("drive.ico"), "ICO") };
    (firstIsPicture ? m_form->Command1() : m_form->Command4())->click();
    QCOMPARE(m_form->cM1()->FileName, leftOver);

    m_form->Text1()->clear();
    m_form->Text4()->clear();
    m_form->Image1()->clear();
    (thenPicture ? m_form->Command1() : m_form->Command4())->click();

    QCOMPARE(m_chooser.fileDialogs.size(), 2);
    QCOMPARE(m_form->Text1()->text(), thenPicture ? leftOver : QString());
    QCOMPARE(m_form->Text4()->text(), thenPicture ? QString() : leftOver);
    QCOMPARE(m_form->Image1()->pixmap().isNull(), !thenPicture);
    QCOMPARE(m_messages, QStringList());
}

void TestChoosers::colourDigits_data()
{
    QTest::addColumn<QList<QColor>>("answers");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QColor>("preview");

    const QColor cancel;
    QTest::newRow("black") << QList<QColor>{ Qt::black } << "0" << QColor(Qt::black);
    QTest::newRow("pure red") << QList<QColor>{ QColor(255, 0, 0) } << "255" << QColor(255, 0, 0);
    QTest::newRow("pure blue") << QList<QColor>{ QColor(0, 0, 255) } << "16711680"
                               << QColor(0, 0, 255);
    QTest::newRow("white") << QList<QColor>{ Qt::white } << "16777215" << QColor(Qt::white);
    QTest::newRow("cancel before any choice is black")
        << QList<QColor>{ cancel } << "0" << QColor(Qt::black);
    QTest::newRow("cancel keeps the last colour")
        << QList<QColor>{ QColor(0, 0, 255), cancel } << "16711680" << QColor(0, 0, 255);
}

void TestChoosers::colourDigits()
{
    QFETCH(QList<QColor>, answers);
    QFETCH(QString, digits);
    QFETCH(QColor, preview);
    const QColor background = m_form->Text5()->palette().color(QPalette::Base);

    m_chooser.colours = answers;
    for (int i = 0; i < answers.size(); ++i)
        m_form->Command3()->click();

    QCOMPARE(m_chooser.colourDialogs, answers.size());
    QCOMPARE(m_form->Text3()->text(), digits);
    QCOMPARE(m_form->Text5()->palette().color(QPalette::Text), preview);
    QCOMPARE(m_form->Text5()->text(), QStringLiteral("Folder Text"));
    QCOMPARE(m_form->Text5()->palette().color(QPalette::Base), background);
    QCOMPARE(m_messages, QStringList());
}

void TestChoosers::colourDigitsWrittenBeforePreview()
{
    const QColor designColour = m_form->Text5()->palette().color(QPalette::Text);
    QCOMPARE(designColour, QColor(Qt::black));
    QList<QColor> previewWhenDigitsWritten;
    connect(m_form->Text3(), &QLineEdit::textChanged, this, [&] {
        previewWhenDigitsWritten.append(m_form->Text5()->palette().color(QPalette::Text));
    });

    m_chooser.colours = { QColor(255, 0, 0) };
    m_form->Command3()->click();

    QCOMPARE(previewWhenDigitsWritten, QList<QColor>{ designColour });
    QCOMPARE(m_form->Text5()->palette().color(QPalette::Text), QColor(255, 0, 0));
}

// The icon is only a name until Apply writes it: a file that is no picture
// raises nothing, and no other box changes.
void TestChoosers::iconChooserWritesOnlyItsPath()
{
    const QString started = QStringLiteral("C:\\Windows\\Web\\remembered.jpg");
    m_form->Text1()->setText(started);
    m_chooser.files = { writeFile(QStringLiteral("drive.ico"), "not an icon") };

    m_form->Command4()->click();

    QCOMPARE(m_form->Text4()->text(), QStringLiteral("D:\\drive.ico"));
    QCOMPARE(m_form->Text1()->text(), started);
    QCOMPARE(m_form->Text3()->text(), QStringLiteral("Text3"));
    QVERIFY(m_form->Image1()->pixmap().isNull());
    QCOMPARE(m_messages, QStringList());
}

void TestChoosers::nameThatGivesNoPicture_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("error");

    QTest::newRow("a file that is no picture")
        << true << "Run-time error '481':\r\rInvalid picture";
    QTest::newRow("a name typed that names no file")
        << false << "Run-time error '53':\r\rFile not found";
}

// The path is shown before the load fails; the thumbnail keeps its picture
// and the error reaches the default handling.
void TestChoosers::nameThatGivesNoPicture()
{
    QFETCH(bool, fileExists);
    QFETCH(QString, error);

    const QString notes = m_drive->filePath(QStringLiteral("Pictures/notes.jpg"));
    if (fileExists)
        writeFile(QStringLiteral("Pictures/notes.jpg"), "These are notes, not a picture.\r\n");
    m_chooser.files = { writePicture(QStringLiteral("Pictures/sea.jpg"), "JPG"), notes };
    m_form->Command1()->click();
    const qint64 thumbnail = m_form->Image1()->pixmap().cacheKey();
    QVERIFY(!m_form->Image1()->pixmap().isNull());
    QCOMPARE(m_messages, QStringList());

    m_form->Command1()->click();

    // The description may go on to name the file.
    QCOMPARE(m_messages.size(), 1);
    const QString message = m_messages.first();
    const QString expected = QStringLiteral("16 [] ") + error;
    QVERIFY2(message == expected
                 || message == expected + QStringLiteral(": D:\\Pictures\\notes.jpg"),
             qPrintable(message));
    QCOMPARE(m_form->Text1()->text(), QStringLiteral("D:\\Pictures\\notes.jpg"));
    QCOMPARE(m_form->Image1()->pixmap().cacheKey(), thumbnail);
}

void TestChoosers::picturesLoadIntoTheThumbnail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("JPEG") << "sea.jpg" << QByteArray("JPG");
    QTest::newRow("BMP") << "sea.bmp" << QByteArray("BMP");
}

void TestChoosers::picturesLoadIntoTheThumbnail()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    const QColor colour(0, 128, 255);
    m_chooser.files
        = { writePicture(QStringLiteral("Pictures/") + name, format.constData(), colour) };

    m_form->Command1()->click();

    QCOMPARE(m_messages, QStringList());
    QCOMPARE(m_form->Text1()->text(), QStringLiteral("D:\\Pictures\\") + name);
    const QImage shown = m_form->Image1()->pixmap().toImage();
    QCOMPARE(shown.size(), pictureSize);
    const QColor centre = shown.pixelColor(pictureSize.width() / 2, pictureSize.height() / 2);
    QVERIFY2(qAbs(centre.red() - colour.red()) + qAbs(centre.green() - colour.green())
                     + qAbs(centre.blue() - colour.blue())
                 < 24,
             qPrintable(centre.name()));
}

void TestChoosers::applyWritesTheChoices()
{
    m_chooser.files = { writePicture(QStringLiteral("Pictures/sea.jpg"), "JPG") };
    m_chooser.colours = { QColor(0, 0, 255) };
    m_form->Command1()->click();
    m_form->Command3()->click();
    m_form->dR1()->setListIndex(0);

    m_form->Command2()->click();

    QCOMPARE(m_messages,
             QStringList{ QStringLiteral("0 [] Object Successfully appended to d: [DATA] !") });
    QFile written(m_drive->filePath(QStringLiteral("desktop.ini")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(),
             QByteArray("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                        "ICONAREA_IMAGE=D:\\Pictures\\sea.jpg\r\n"
                        "ICONAREA_TEXT=16711680\r\n"));
    QVERIFY(!QFile::exists(m_drive->filePath(QStringLiteral("Autorun.inf"))));
}

VELVANE_TEST_MAIN(TestChoosers)

#include "tst_choosers.moc"
