#pragma once

#include "drivelistbox.h"
#include "graphicbutton.h"
#include "textbox.h"

#include "platform/commondialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <memory>

// The program's one window.
//
// Which handler calls what:
//   Form_Load        start: Text5's back colour from Frame1, Text1 from ReadIniValue
//                    (C:\Windows\vl.ini), dR1 on its first entry; each step on its own
//   Command1_Click   cM1.ShowOpen (pictures) -> Text1, LoadPicture -> Image1
//   Command3_Click   cM1.ShowColor -> Text3 (digits), Text5's text colour
//   Command4_Click   cM1.ShowOpen (icons) -> Text4
//   Command2_Click   Apply: dR1 -> Text2 (root); WriteIniValue desktop.ini, MsgBox;
//                    WriteIniValue Autorun.inf
//   Command6_Click   Command2_Click, then unload
//   Command5_Click   unload
//   Form_Unload      MsgBox credits (every closing passes here once)
//   Command7_Click   MsgBox instructions
//   Label1/2_Click   ShellOpen web address / mail link
//   *_MouseMove      the labels' looks
// Every handler but Form_Load leaves its run-time errors to platform::runEvent.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    Form1();
    ~Form1() override;

    // The Form1 that code outside the form reaches by the class name: the
    // window created at start; one is created where none exists.
    static Form1 *defaultInstance();

    GraphicButton *Command7() const { return m_command7; }
    GraphicButton *Command6() const { return m_command6; }
    GraphicButton *Command5() const { return m_command5; }
    TextBox *Text5() const { return m_text5; }
    QGroupBox *Frame3() const { return m_frame3; }
    GraphicButton *Command4() const { return m_command4; }
    TextBox *Text4() const { return m_text4; }
    GraphicButton *Command3() const { return m_command3; }
    TextBox *Text3() const { return m_text3; }
    TextBox *Text2() const { return m_text2; }
    DriveListBox *dR1() const { return m_dR1; }
    GraphicButton *Command2() const { return m_command2; }
    TextBox *Text1() const { return m_text1; }
    GraphicButton *Command1() const { return m_command1; }
    QGroupBox *Frame2() const { return m_frame2; }
    QGroupBox *Frame1() const { return m_frame1; }
    QLabel *Image1() const { return m_image1; }
    QLabel *Label2() const { return m_label2; }
    QLabel *Label1() const { return m_label1; }
    platform::CommonDialog *cM1() const { return m_cM1.get(); }

    // True when strPath, a Windows drive path, names an existing file.
    bool FileExists(const QString &strPath) const;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Form_Load();
    void Form_MouseMove();
    void Form_Unload(int &Cancel);
    void Label1_Click();
    void Label1_MouseMove();
    void Label2_Click();
    void Label2_MouseMove();

    // The texts of the instructions and the credits messages.
    static QString instructionsText();
    static QString creditsText();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void Unload();

    QPixmap m_picture;
    enum class Life { Loaded, Unloading, Unloaded };
    Life m_life = Life::Loaded;
    bool m_centred = false;
    const QObject *m_clickStart = nullptr; // the label a left press began a click on

    // A control deleted from outside the form reads as none, never as a
    // dangling pointer.
    QPointer<GraphicButton> m_command7;
    QPointer<GraphicButton> m_command6;
    QPointer<GraphicButton> m_command5;
    QPointer<TextBox> m_text5;
    QPointer<QGroupBox> m_frame3;
    QPointer<GraphicButton> m_command4;
    QPointer<TextBox> m_text4;
    QPointer<GraphicButton> m_command3;
    QPointer<TextBox> m_text3;
    QPointer<TextBox> m_text2;
    QPointer<DriveListBox> m_dR1;
    QPointer<GraphicButton> m_command2;
    QPointer<TextBox> m_text1;
    QPointer<GraphicButton> m_command1;
    QPointer<QGroupBox> m_frame2;
    QPointer<QGroupBox> m_frame1;
    QPointer<QLabel> m_image1;
    QPointer<QLabel> m_label2;
    QPointer<QLabel> m_label1;
    std::unique_ptr<platform::CommonDialog> m_cM1;
};
