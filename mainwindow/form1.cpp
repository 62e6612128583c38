#include "form1.h"

#include "drivelistbox.h"
#include "form1design.h"
#include "frame.h"
#include "graphicbutton.h"
#include "textbox.h"

#include "platform/dialogowner.h"
#include "platform/drives.h"
#include "platform/fonts.h"
#include "platform/framecentring.h"
#include "platform/messagebox.h"
#include "platform/olecolor.h"
#include "platform/picture.h"
#include "platform/runtimeerror.h"
#include "profile/module1.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

Form1 *s_defaultInstance = nullptr;

const QChar cr(13);

constexpr int objectNotSet = 91;

// The section the file manager's folder view reads a folder background from.
const QString folderSection = QStringLiteral("{BE098140-A513-11D0-A3A4-00C04FD706EC}");

int pixels(int twips)
{
    return twips / Form1Design::twipsPerPixel;
}

QFont fontOf(const Form1Design::Font &font)
{
    return platform::designFont(QString::fromLatin1(font.face), font.points, font.weight);
}

void setColour(QWidget *widget, QPalette::ColorRole role, std::uint32_t ole)
{
    QPalette palette = widget->palette();
    palette.setColor(role, platform::oleColor(ole));
    widget->setPalette(palette);
}

// Which palette colour stands for a kind's ForeColor and BackColor.
QPalette::ColorRole foreRole(Form1Design::Kind kind)
{
    switch (kind) {
    case Form1Design::Kind::CommandButton:
    case Form1Design::Kind::DriveListBox:
        return QPalette::ButtonText;
    case Form1Design::Kind::TextBox:
        return QPalette::Text;
    default:
        return QPalette::WindowText;
    }
}

QPalette::ColorRole backRole(Form1Design::Kind kind)
{
    switch (kind) {
    case Form1Design::Kind::CommandButton:
        return QPalette::Button;
    case Form1Design::Kind::TextBox:
        return QPalette::Base;
    default:
        return QPalette::Window;
    }
}

// A control that is gone fails its access as the runtime's controls do.
template<typename Control>
Control *present(Control *control)
{
    if (!control)
        platform::raiseError(objectNotSet,
                             QStringLiteral("Object variable or With block variable not set"));
    return control;
}

std::uint32_t backColor(QGroupBox *frame)
{
    return platform::toOleColor(frame->palette().color(QPalette::Window));
}

void setBackColor(TextBox *box, std::uint32_t ole)
{
    setColour(box, QPalette::Base, ole);
}

void setForeColor(QWidget *control, std::uint32_t ole)
{
    setColour(control, QPalette::Text, ole);
    setColour(control, QPalette::WindowText, ole);
}

void setFontSize(QLabel *label, float points)
{
    QFont font = label->font();
    font.setPointSizeF(points);
    label->setFont(font);
}

QString driveRoot(QChar letter)
{
    return QString(letter) + QStringLiteral(":\\");
}

// Colour digits as the colour chooser writes them: a 32-bit signed number.
bool isColourDigits(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("\\A-?[0-9]{1,10}\\z"));
    bool inRange = false;
    text.toInt(&inRange);
    return inRange && digits.match(text).hasMatch();
}

} // namespace

Form1::Form1()
{
    if (!s_defaultInstance) {
        s_defaultInstance = this;
        platform::setMainWindow(this);
    }
    build();
}

Form1::~Form1()
{
    if (s_defaultInstance == this)
        s_defaultInstance = nullptr;
}

Form1 *Form1::defaultInstance()
{
    // Like the runtime's auto-created instance, one made here lives as long as the program.
    if (!s_defaultInstance)
        new Form1;
    return s_defaultInstance;
}

void Form1::build()
{
    using namespace Form1Design;

    setWindowTitle(QString::fromLatin1(form.caption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(pixels(form.clientWidth), pixels(form.clientHeight));
    setFont(fontOf(form.font));
    setColour(this, QPalette::Window, form.backColor);
    setWindowIcon(QIcon(QString::fromLatin1(form.icon)));
    setMouseTracking(true);
    // The window opens centred on the screen's available area, with its frame.
    platform::FrameCentring::install(this,
                                     [this] { return screen()->availableGeometry().center(); });
    m_picture = QPixmap(QString::fromLatin1(form.picture));

    // Six buttons share one face: each picture is decoded once.
    QHash<const char *, QPixmap> pictures;
    const auto picture = [&pictures](const char *name) {
        auto found = pictures.find(name);
        if (found == pictures.end())
            found = pictures.insert(name, QPixmap(QString::fromLatin1(name)));
        return *found;
    };
    const QPixmap buttonDown = picture(buttonDownPicture);
    QHash<QString, QWidget *> byName{ { QStringLiteral("Form1"), this } };
    std::vector<std::pair<int, QWidget *>> tabOrder;
    std::vector<QWidget *> frames;

    for (const Control &design : controls) {
        const QString name = QString::fromLatin1(design.name);
        const QString caption = QString::fromLatin1(design.caption ? design.caption : "");
        QWidget *container = byName.value(QString::fromLatin1(design.container));
        QWidget *control = nullptr;
        switch (design.kind) {
        case Kind::CommandButton:
            control = new GraphicButton(caption, picture(design.picture), buttonDown, container);
            break;
        case Kind::TextBox: {
            auto *box = new TextBox(design.state & Flat, container);
            box->setText(caption);
            control = box;
            break;
        }
        case Kind::Frame: {
            auto *frame = new Frame(caption, container);
            setColour(frame, QPalette::WindowText, frameCaptionColour);
            frames.push_back(frame);
            control = frame;
            break;
        }
        case Kind::DriveListBox:
            control = new DriveListBox(container);
            break;
        case Kind::Image: {
            auto *image = new QLabel(container);
            image->setScaledContents(true);
            image->setFrameShape(QFrame::Box);
            image->setLineWidth(1);
            // A flat border is drawn in the window-frame colour; without this it
            // would take Frame1's caption colour.
            setColour(image, QPalette::WindowText, 0x80000006);
            control = image;
            break;
        }
        case Kind::Label: {
            auto *label = new QLabel(caption, container);
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            label->setWordWrap(true);
            label->setTextFormat(Qt::PlainText);
            label->setMouseTracking(true);
            label->installEventFilter(this);
            control = label;
            break;
        }
        case Kind::CommonDialog:
            m_cM1 = std::make_unique<platform::CommonDialog>(this);
            m_cM1->DialogTitle = caption;
            continue;
        }

        control->setObjectName(name);
        control->setGeometry(pixels(design.left), pixels(design.top), pixels(design.width),
                             pixels(design.height));
        if (design.font.face)
            control->setFont(fontOf(design.font));
        if (design.foreColor != noColour) {
            setColour(control, foreRole(design.kind), design.foreColor);
            if (design.kind == Kind::DriveListBox)
                setColour(control, QPalette::Text, design.foreColor);
        }
        if (design.backColor != noColour)
            setColour(control, backRole(design.kind), design.backColor);
        control->setEnabled(!(design.state & Disabled));
        control->setVisible(!(design.state & Hidden));
        if (design.state & NoTabStop)
            control->setFocusPolicy(Qt::ClickFocus);
        if (design.toolTip)
            control->setToolTip(QString::fromLatin1(design.toolTip));
        if (design.tabIndex >= 0 && (control->focusPolicy() & Qt::TabFocus))
            tabOrder.emplace_back(design.tabIndex, control);
        byName.insert(name, control);
    }

    // Controls over a frame's area belong to the form and are drawn above it.
    for (QWidget *frame : frames)
        frame->lower();

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);

    const auto find = [&byName](const char *name, auto &member) {
        member = static_cast<decltype(member.data())>(byName.value(QString::fromLatin1(name)));
    };
    find("Command7", m_command7);
    find("Command6", m_command6);
    find("Command5", m_command5);
    find("Text5", m_text5);
    find("Frame3", m_frame3);
    find("Command4", m_command4);
    find("Text4", m_text4);
    find("Command3", m_command3);
    find("Text3", m_text3);
    find("Text2", m_text2);
    find("dR1", m_dR1);
    find("Command2", m_command2);
    find("Text1", m_text1);
    find("Command1", m_command1);
    find("Frame2", m_frame2);
    find("Frame1", m_frame1);
    find("Image1", m_image1);
    find("Label2", m_label2);
    find("Label1", m_label1);

    const std::pair<GraphicButton *, void (Form1::*)()> clicks[] = {
        { m_command1, &Form1::Command1_Click }, { m_command2, &Form1::Command2_Click },
        { m_command3, &Form1::Command3_Click }, { m_command4, &Form1::Command4_Click },
        { m_command5, &Form1::Command5_Click }, { m_command6, &Form1::Command6_Click },
        { m_command7, &Form1::Command7_Click },
    };
    for (const auto &[button, handler] : clicks) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler = handler] { platform::runEvent([&] { (this->*handler)(); }); });
    }
}

bool Form1::FileExists(const QString &strPath) const
{
    // A directory search with the normal attributes: files only, hidden ones
    // left out; the last name may hold wildcards.
    const QString path = platform::hostPath(strPath);
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isDir())
        return false;
    return !info.dir().entryList({ info.fileName() }, QDir::Files | QDir::System).isEmpty();
}

void Form1::Command1_Click()
{
    cM1()->DialogTitle = QStringLiteral("Choose Picture");
    cM1()->Filter = QStringLiteral("All image files|*.jpg;*.bmp*;*.jpeg");
    cM1()->ShowOpen();
    if (cM1()->FileName == QString())
        return;
    Text1()->setText(cM1()->FileName);
    Image1()->setPixmap(QPixmap::fromImage(platform::LoadPicture(cM1()->FileName)));
}

void Form1::Command2_Click()
{
    // The root comes from the selected entry's own letter: for a list that
    // begins with C: and has no gaps this is the position's root, C:\ for 0 up
    // to R:\ for 15, and for any other list it is still the drive the success
    // message names.
    const QChar letter = dR1()->driveLetter();
    if (letter.isNull())
        platform::raiseError(platform::InvalidProcedureCall,
                             QStringLiteral("No drive is selected."));
    Text2()->setText(driveRoot(letter));

    if (Text1()->text() != QString()) {
        Module1::WriteIniValue(folderSection, QStringLiteral("iconarea_image"), Text1()->text(),
                               Text2()->text() + QStringLiteral("desktop.ini"));
        // Until a colour is chosen Text3 holds its placeholder, which is no
        // colour: the file keeps the colour it has.
        if (isColourDigits(Text3()->text()))
            Module1::WriteIniValue(folderSection, QStringLiteral("iconarea_text"), Text3()->text(),
                                   Text2()->text() + QStringLiteral("desktop.ini"));
        platform::MsgBox(QStringLiteral("Object Successfully appended to ") + dR1()->Drive()
                             + QStringLiteral(" !"),
                         0);
    } else {
        platform::MsgBox(QStringLiteral("Choose a picture first !"), 16);
    }

    if (Text4()->text() != QString())
        Module1::WriteIniValue(QStringLiteral("Autorun"), QStringLiteral("icon"), Text4()->text(),
                               Text2()->text() + QStringLiteral("Autorun.inf"));
}

void Form1::Command3_Click()
{
    cM1()->ShowColor();
    Text3()->setText(QString::number(std::int32_t(cM1()->Color)));
    setForeColor(Text5(), std::uint32_t(std::int32_t(cM1()->Color)));
}

void Form1::Command4_Click()
{
    cM1()->DialogTitle = QStringLiteral("Choose icon");
    cM1()->Filter = QStringLiteral("Icon files (*.ico)|*.ico");
    cM1()->ShowOpen();
    if (cM1()->FileName == QString())
        return;
    Text4()->setText(cM1()->FileName);
}

void Form1::Command5_Click()
{
    Unload();
}

void Form1::Command6_Click()
{
    Command2_Click();
    Unload();
}

void Form1::Command7_Click()
{
    platform::MsgBox(instructionsText(), 0, QStringLiteral("Velvane Instructions"));
}

void Form1::Form_Load()
{
    // Each step on its own: an error ends only its step, whose one write is
    // its last action, and the next step runs. Nothing is reported.
    const auto step = [](auto &&action) {
        try {
            action();
        } catch (const platform::RuntimeError &) { }
    };
    step([this] { setBackColor(present(Text5()), backColor(present(Frame1()))); });
    step([this] {
        const QString path
            = Module1::ReadIniValue(QStringLiteral("Velvane"), QStringLiteral("Image_Path"),
                                    QStringLiteral("C:\\Windows\\vl.ini"));
        present(Text1())->setText(path);
    });
    step([this] { present(dR1())->setListIndex(0); });
}

void Form1::Form_MouseMove()
{
    setForeColor(Label1(), platform::QBColor(9));
    Label1()->setText(QStringLiteral("Velvane By Orvik"));
    setFontSize(Label1(), QStringLiteral("16").toFloat());
    setForeColor(Label2(), QStringLiteral("16761024").toUInt());
}

void Form1::Form_Unload(int &Cancel)
{
    Q_UNUSED(Cancel);
    platform::MsgBox(creditsText(), 48);
}

void Form1::Label1_Click()
{
    Module1::ShellOpen(QVariant(QString::fromLatin1(Form1Design::webAddress)));
}

void Form1::Label1_MouseMove()
{
    setForeColor(Label1(), platform::QBColor(13));
    setForeColor(Label2(), QStringLiteral("16761024").toUInt());
    Label1()->setText(QStringLiteral("Visit : ") + QString::fromLatin1(Form1Design::webHost));
    setFontSize(Label1(), QStringLiteral("13").toFloat());
}

void Form1::Label2_Click()
{
    Module1::ShellOpen(
        QVariant(QStringLiteral("mailto:") + QString::fromLatin1(Form1Design::mailAddress)));
}

void Form1::Label2_MouseMove()
{
    setForeColor(Label2(), platform::QBColor(13));
    setForeColor(Label1(), platform::QBColor(9));
    Label1()->setText(QStringLiteral("Velvane By Orvik"));
    setFontSize(Label1(), QStringLiteral("16").toFloat());
}

QString Form1::instructionsText()
{
    return QStringLiteral("Velvane allows you to stylize your desire drive so simply. To do so-")
        + cr + cr
        + QStringLiteral("1)Choose an image which you want to set as your drive background.") + cr
        + QStringLiteral("2)Choose a color to set it as your folder text color.") + cr
        + QStringLiteral("3)Choose an Icon if you want to set it as your drive icon.") + cr
        + QStringLiteral("4)Select your desire drive.") + cr
        + QStringLiteral("5)Simply Click 'Apply' or 'Ok'") + cr
        + QStringLiteral("N.B- PLEASE SELECT YOUR DESIRED DRIVE CAREFULLY BEFORE APPLY.") + cr + cr
        + QStringLiteral("For more help or assistance mail to: ")
        + QString::fromLatin1(Form1Design::supportMailAddress);
}

QString Form1::creditsText()
{
    return QStringLiteral("This Software has Developed and Designed by:") + cr
        + QStringLiteral("Orvik Halden,") + cr
        + QStringLiteral("Programming and Troubleshooting Expert,") + cr
        + QStringLiteral("Phone: +1 202-555-0100") + cr + cr
        + QStringLiteral("THANK YOU FOR USING THIS SOFTWARE !");
}

void Form1::Unload()
{
    close();
}

void Form1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(QPoint(0, 0), m_picture);
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    // Moves over a control are that control's; only the bare form counts here.
    if (!childAt(event->position().toPoint()))
        platform::runEvent([this] { Form_MouseMove(); });
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const bool label1 = watched == m_label1;
    if (!label1 && watched != m_label2)
        return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::MouseMove) {
        platform::runEvent([&] { label1 ? Label1_MouseMove() : Label2_MouseMove(); });
        return true;
    }
    // A click is a left press and release on the label. The second press of
    // a double-click starts a double-click, not a click, and the labels have
    // no handler for that.
    const auto leftButton
        = [event] { return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton; };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (leftButton())
            m_clickStart = watched;
        return true;
    case QEvent::MouseButtonDblClick:
        if (leftButton())
            m_clickStart = nullptr;
        return true;
    case QEvent::MouseButtonRelease: {
        if (!leftButton())
            return true;
        const auto *label = static_cast<QWidget *>(watched);
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        const bool click = m_clickStart == watched && label->rect().contains(at);
        m_clickStart = nullptr;
        if (click)
            platform::runEvent([&] { label1 ? Label1_Click() : Label2_Click(); });
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// Cancel is the window's cancel button: an Escape that no control took, as
// an open list or menu takes it to close itself, clicks it.
void Form1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & ~Qt::KeypadModifier)) {
        m_command5->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Every closing is one unload: the credits once, and the window goes.
    // A close that arrives while the credits are up belongs to that unload.
    if (m_life == Life::Unloading) {
        event->ignore();
        return;
    }
    if (m_life == Life::Loaded) {
        m_life = Life::Unloading;
        int Cancel = 0;
        platform::runEvent([&] { Form_Unload(Cancel); });
        if (Cancel != 0) {
            m_life = Life::Loaded;
            event->ignore();
            return;
        }
        m_life = Life::Unloaded;
    }
    event->accept();
}

void Form1::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        Command1()->setFocus();
    }
    QWidget::showEvent(event);
}
