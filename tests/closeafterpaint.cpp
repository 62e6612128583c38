// Preloaded (LD_PRELOAD) into a Qt Widgets program built without any test
// hook, such as the packaged one: closes each window from the event loop once
// it has been painted, as a user who has seen it would, and names on standard
// error each window it closes, so that a caller can tell a window was shown.

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

#include <cstdio>

namespace {

constexpr char closingProperty[] = "closeAfterPaint.closing";

class CloseAfterPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (!widget->isWindow() || widget->property(closingProperty).toBool())
            return false;
        widget->setProperty(closingProperty, true);
        QMetaObject::invokeMethod(
            widget,
            [widget] {
                std::fprintf(stderr, "closed after paint: %s \"%s\"\n",
                             widget->metaObject()->className(), qPrintable(widget->windowTitle()));
                widget->close();
            },
            Qt::QueuedConnection);
        return false;
    }
};

// Runs as the program's application object is built.
void install()
{
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new CloseAfterPaint(app));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
