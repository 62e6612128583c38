#include "platform/commondialog.h"
#include "platform/drives.h"
#include "platform/olecolor.h"
#include "platform/runtimeerror.h"
#include "testmain.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

using namespace platform;

namespace {

// Plays the user: answers each dialog from a script and records what it was
// shown.
class ScriptedChooser : public DialogChooser
{
public:
    std::optional<QString> file;
    std::optional<QColor> color;

    QWidget *parent = nullptr;
    QString title;
    QStringList nameFilters;
    QString start;
    QColor startColor;
    int calls = 0;

    std::optional<QString> chooseFile(QWidget *parent, const QString &title,
                                      const QStringList &nameFilters, const QString &start) override
    {
        ++calls;
        this->parent = parent;
        this->title = title;
        this->nameFilters = nameFilters;
        this->start = start;
        return file;
    }
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &start) override
    {
        ++calls;
        this->parent = parent;
        startColor = start;
        return color;
    }
};

// Runs act on the first modal dialog of type Dialog to appear while show runs.
// A dialog that never appears, or is not closed by act, is closed after a few
// seconds so that the test fails instead of hanging.
template<typename Dialog, typename Show, typename Act>
bool withModal(Show show, Act act)
{
    bool found = false;
    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            if (!found) {
                found = true;
                act(dialog);
                return;
            }
        }
        if (++waited > 500) {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                modal->reject();
            poll.stop();
        }
    });
    poll.start(10);
    show();
    return found;
}

} // namespace

// Drive D: is a temporary folder; the host folder "outside" lies on no drive.
class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { setDrives(m_savedDrives); }
    void cleanup() { setDialogChooser(nullptr); }

    void nameFilters_data();
    void nameFilters();
    void openDialogStart_data();
    void openDialogStart();
    void sidebarHoldsEachDrive();
    void showOpen_data();
    void showOpen();
    void showColor_data();
    void showColor();
    void realFileDialog();
    void realFileDialogCancel();
    void realColorDialog_data();
    void realColorDialog();

private:
    QString host(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    QList<Drive> m_savedDrives;
};

void TestCommonDialog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir root(m_dir.path());
    QVERIFY(root.mkpath(QStringLiteral("drive/pictures")));
    QVERIFY(root.mkpath(QStringLiteral("outside")));
    for (const char *name : { "drive/pictures/sea.jpg", "drive/pictures/old.jpg",
                              "drive/pictures/notes.txt", "outside/far.jpg" }) {
        QFile file(host(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    m_savedDrives = drives();
    setDrives({ { QChar('D'), host(QStringLiteral("drive")), QString() } });
}

void TestCommonDialog::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("qt");
    QTest::newRow("picture filter, a star after bmp")
        << QStringLiteral("All image files|*.jpg;*.bmp*;*.jpeg")
        << QStringList{ QStringLiteral("All image files (*.jpg *.bmp* *.jpeg)") };
    QTest::newRow("description already naming its patterns")
        << QStringLiteral("Icon files (*.ico)|*.ico")
        << QStringList{ QStringLiteral("Icon files (*.ico) (*.ico)") };
    QTest::newRow("several entries") << QStringLiteral("Pictures|*.jpg;*.bmp|All files|*.*")
                                     << QStringList{ QStringLiteral("Pictures (*.jpg *.bmp)"),
                                                     QStringLiteral("All files (*.*)") };
    QTest::newRow("blanks around and between patterns")
        << QStringLiteral("Pictures| *.jpg ;;*.bmp")
        << QStringList{ QStringLiteral("Pictures (*.jpg *.bmp)") };
    QTest::newRow("description left without patterns")
        << QStringLiteral("Pictures|*.jpg|Orphan")
        << QStringList{ QStringLiteral("Pictures (*.jpg)") };
    QTest::newRow("no filter") << QString() << QStringList();
}

void TestCommonDialog::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, qt);
    QCOMPARE(qtNameFilters(filter), qt);
}

// The start is relative to the temporary folder; empty is the home folder.
void TestCommonDialog::openDialogStart_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("start");
    QTest::newRow("no name yet") << QString() << QString();
    QTest::newRow("a file: its folder, the file offered")
        << QStringLiteral("D:\\pictures\\old.jpg") << QStringLiteral("drive/pictures/old.jpg");
    QTest::newRow("a file in other capitals")
        << QStringLiteral("d:/PICTURES/OLD.JPG") << QStringLiteral("drive/pictures/old.jpg");
    QTest::newRow("a name gone from its folder: the folder, the name offered")
        << QStringLiteral("D:\\pictures\\gone.jpg") << QStringLiteral("drive/pictures/gone.jpg");
    QTest::newRow("a folder") << QStringLiteral("D:\\PICTURES") << QStringLiteral("drive/pictures");
    QTest::newRow("a drive's root") << QStringLiteral("D:\\") << QStringLiteral("drive");
    QTest::newRow("a folder that is not there") << QStringLiteral("D:\\gone\\sea.jpg") << QString();
    QTest::newRow("a letter that is no drive") << QStringLiteral("Q:\\sea.jpg") << QString();
    QTest::newRow("no drive path") << QStringLiteral("pictures\\sea.jpg") << QString();
    QTest::newRow("a host path") << host(QStringLiteral("drive/pictures")) << QString();
}

void TestCommonDialog::openDialogStart()
{
    QFETCH(QString, fileName);
    QFETCH(QString, start);
    QCOMPARE(platform::openDialogStart(fileName), start.isEmpty() ? QDir::homePath() : host(start));
}

void TestCommonDialog::sidebarHoldsEachDrive()
{
    const QList<Drive> table = drives();
    setDrives({ { QChar('C'), QStringLiteral("/"), QString() },
                { QChar('D'), host(QStringLiteral("drive")), QStringLiteral("DATA") },
                { QChar('E'), host(QStringLiteral("outside")), QString() } });
    const QList<QUrl> urls = openDialogSidebar();
    setDrives(table);
    const QList<QUrl> expected{ QUrl::fromLocalFile(QDir::homePath()),
                                QUrl::fromLocalFile(QStringLiteral("/")),
                                QUrl::fromLocalFile(host(QStringLiteral("drive"))),
                                QUrl::fromLocalFile(host(QStringLiteral("outside"))) };
    QCOMPARE(urls, expected);
}

// Host paths in the table are relative to the temporary folder; an empty start
// is the home folder.
void TestCommonDialog::showOpen_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("error");
    QTest::newRow("confirm a file on a drive")
        << QString() << true << QStringLiteral("drive/pictures/sea.jpg") << QString()
        << QStringLiteral("D:\\pictures\\sea.jpg") << 0;
    QTest::newRow("start at the last choice, in its own capitals")
        << QStringLiteral("d:\\PICTURES\\OLD.JPG") << true
        << QStringLiteral("drive/pictures/sea.jpg") << QStringLiteral("drive/pictures/old.jpg")
        << QStringLiteral("D:\\pictures\\sea.jpg") << 0;
    QTest::newRow("cancel with no name yet")
        << QString() << false << QString() << QString() << QString() << 0;
    QTest::newRow("cancel keeps the last choice")
        << QStringLiteral("D:\\pictures\\old.jpg") << false << QString()
        << QStringLiteral("drive/pictures/old.jpg") << QStringLiteral("D:\\pictures\\old.jpg") << 0;
    QTest::newRow("a file on no drive is an error and keeps the name")
        << QStringLiteral("D:\\pictures\\old.jpg") << true << QStringLiteral("outside/far.jpg")
        << QStringLiteral("drive/pictures/old.jpg") << QStringLiteral("D:\\pictures\\old.jpg")
        << 75;
}

void TestCommonDialog::showOpen()
{
    QFETCH(QString, fileName);
    QFETCH(bool, confirm);
    QFETCH(QString, chosen);
    QFETCH(QString, start);
    QFETCH(QString, result);
    QFETCH(int, error);

    ScriptedChooser chooser;
    if (confirm)
        chooser.file = host(chosen);
    setDialogChooser(&chooser);
    QWidget owner;
    CommonDialog dialog(&owner);
    dialog.DialogTitle = QStringLiteral("Choose Picture");
    dialog.Filter = QStringLiteral("All image files|*.jpg;*.bmp*;*.jpeg");
    dialog.FileName = fileName;

    int raised = 0;
    QString description;
    try {
        dialog.ShowOpen();
    } catch (const RuntimeError &e) {
        raised = e.number();
        description = e.description();
    }
    QCOMPARE(raised, error);
    if (error)
        QVERIFY2(description.contains(host(chosen)), qPrintable(description));
    QCOMPARE(dialog.FileName, result);
    QCOMPARE(chooser.calls, 1);
    QCOMPARE(chooser.parent, &owner);
    QCOMPARE(chooser.title, QStringLiteral("Choose Picture"));
    QCOMPARE(chooser.nameFilters,
             QStringList{ QStringLiteral("All image files (*.jpg *.bmp* *.jpeg)") });
    QCOMPARE(chooser.start, start.isEmpty() ? QDir::homePath() : host(start));
}

void TestCommonDialog::showColor_data()
{
    QTest::addColumn<quint32>("color");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QColor>("chosen");
    QTest::addColumn<quint32>("result");
    QTest::newRow("confirm from black") << 0u << true << QColor(0, 0, 255) << 0x00FF0000u;
    QTest::newRow("confirm replaces an earlier colour")
        << 0x00FF8080u << true << QColor(255, 255, 255) << 0x00FFFFFFu;
    QTest::newRow("cancel keeps the colour") << 0x00FF8080u << false << QColor() << 0x00FF8080u;
}

void TestCommonDialog::showColor()
{
    QFETCH(quint32, color);
    QFETCH(bool, confirm);
    QFETCH(QColor, chosen);
    QFETCH(quint32, result);

    ScriptedChooser chooser;
    if (confirm)
        chooser.color = chosen;
    setDialogChooser(&chooser);
    CommonDialog dialog;
    dialog.Color = color;
    dialog.ShowColor();
    QCOMPARE(dialog.Color, result);
    QCOMPARE(chooser.calls, 1);
    QCOMPARE(chooser.startColor, QColor(Qt::black));
}

// The real dialog opens in the folder of the last choice with that file
// named, shows its filter by description, and returns the file typed in.
void TestCommonDialog::realFileDialog()
{
    CommonDialog dialog;
    dialog.DialogTitle = QStringLiteral("Choose icon");
    dialog.Filter = QStringLiteral("Icon files (*.ico)|*.ico|All files|*.*");
    dialog.FileName = QStringLiteral("D:\\pictures\\old.jpg");

    QString title, directory, startName;
    QStringList filters, shownFilters;
    const bool found = withModal<QFileDialog>(
        [&] { dialog.ShowOpen(); },
        [&](QFileDialog *fileDialog) {
            title = fileDialog->windowTitle();
            directory = fileDialog->directory().absolutePath();
            filters = fileDialog->nameFilters();
            auto *nameEdit = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            auto *types = fileDialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            if (!nameEdit || !types)
                return;
            // Let the dialog finish what it queued on showing (it selects the start
            // file), which would otherwise override the name typed below.
            QCoreApplication::processEvents();
            startName = nameEdit->text();
            for (int i = 0; i < types->count(); ++i)
                shownFilters << types->itemText(i);
            nameEdit->setText(QStringLiteral("sea.jpg"));
            QTest::keyClick(nameEdit, Qt::Key_Return);
        });
    QVERIFY(found);
    QCOMPARE(title, QStringLiteral("Choose icon"));
    QCOMPARE(directory, host(QStringLiteral("drive/pictures")));
    QCOMPARE(startName, QStringLiteral("old.jpg"));
    QCOMPARE(filters, qtNameFilters(dialog.Filter));
    QCOMPARE(shownFilters,
             QStringList({ QStringLiteral("Icon files (*.ico)"), QStringLiteral("All files") }));
    QCOMPARE(dialog.FileName, QStringLiteral("D:\\pictures\\sea.jpg"));
}

void TestCommonDialog::realFileDialogCancel()
{
    CommonDialog dialog;
    dialog.FileName = QStringLiteral("D:\\pictures\\old.jpg");
    const bool found = withModal<QFileDialog>(
        [&] { dialog.ShowOpen(); }, [](QFileDialog *fileDialog) { fileDialog->reject(); });
    QVERIFY(found);
    QCOMPARE(dialog.FileName, QStringLiteral("D:\\pictures\\old.jpg"));
}

void TestCommonDialog::realColorDialog_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<quint32>("result");
    QTest::newRow("confirm") << true << 0x00030201u;
    QTest::newRow("cancel") << false << 0x00FF8080u;
}

void TestCommonDialog::realColorDialog()
{
    QFETCH(bool, confirm);
    QFETCH(quint32, result);

    CommonDialog dialog;
    dialog.Color = 0x00FF8080;
    QColor start;
    const bool found
        = withModal<QColorDialog>([&] { dialog.ShowColor(); },
                                  [&](QColorDialog *colorDialog) {
                                      start = colorDialog->currentColor();
                                      colorDialog->setCurrentColor(QColor(1, 2, 3));
                                      if (confirm)
                                          static_cast<QDialog *>(colorDialog)->accept();
                                      else
                                          colorDialog->reject();
                                  });
    QVERIFY(found);
    QCOMPARE(start, QColor(Qt::black));
    QCOMPARE(dialog.Color, result);
}

VELVANE_TEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
