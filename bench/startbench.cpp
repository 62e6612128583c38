// The tool's start against a bare Qt window, under the offscreen platform.
// Each pass starts this program twice as a fresh process: once as the tool
// (Form1 built, Form_Load, shown), once as a bare QWidget shown; each closes
// its window from the event loop after the first paint and exits. Times are
// the parent's, from fork() until the child has exited, so that loading the
// libraries counts as it does for a user; the peak is the child's VmHWM.
// The benchmark's time is the tool's; "bare_ms" is the bare window's, "ratio"
// the one over the other, "peak" and "bare_peak" the two peaks and
// "extra_peak" their difference.

#include "mainwindow/form1.h"
#include "platform/messagebox.h"
#include "selfchild.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMetaObject>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// Closes the window from the event loop once it has been painted.
class CloseAfterPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_closing) {
            m_closing = true;
            QMetaObject::invokeMethod(static_cast<QWidget *>(watched), &QWidget::close,
                                      Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_closing = false;
};

// The peak resident memory of this process's own address space: VmHWM, not
// getrusage(), whose figure after exec() still holds the parent's, forked.
long peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = status.readLine()).isEmpty();) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() * 1024L;
    }
    return -1;
}

int startChild(int argc, char *argv[], bool tool)
{
    QApplication app(argc, argv);
    // The credits box of the closing would wait for a click.
    platform::setMessageBoxPresenter(
        [](const QString &, int, const QString &) { return platform::vbOK; });

    std::unique_ptr<QWidget> window;
    if (tool) {
        auto form = std::make_unique<Form1>();
        form->Form_Load();
        window = std::move(form);
    } else {
        window = std::make_unique<QWidget>();
    }
    CloseAfterPaint closer;
    window->installEventFilter(&closer);
    window->show();
    QTimer::singleShot(10000, &app, [] { std::_Exit(2); });
    app.exec();
    std::printf("%ld\n", peakResidentBytes());
    std::fflush(stdout);
    std::_Exit(0);
}

struct Start
{
    double seconds = 0;
    double peak = 0;
};

Start start(const char *which)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto begin = std::chrono::steady_clock::now();
    const std::optional<std::string> printed = runSelf({ "--start", which });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
    if (!printed)
        return {};
    return { elapsed.count(), std::atof(printed->c_str()) };
}

void BM_Start(benchmark::State &state)
{
    Start tool, bare;
    for (auto _ : state) {
        const Start t = start("tool");
        const Start b = start("bare");
        if (t.seconds == 0 || b.seconds == 0)
            return state.SkipWithError("a child did not start and close its window");
        state.SetIterationTime(t.seconds);
        tool.seconds += t.seconds;
        bare.seconds += b.seconds;
        tool.peak = std::max(tool.peak, t.peak);
        bare.peak = std::max(bare.peak, b.peak);
    }
    const double passes = double(state.iterations());
    const auto mebibytes = [](double bytes) {
        return benchmark::Counter(bytes, benchmark::Counter::kDefaults,
                                  benchmark::Counter::kIs1024);
    };
    state.counters["bare_ms"] = bare.seconds / passes * 1e3;
    state.counters["ratio"] = tool.seconds / bare.seconds;
    state.counters["peak"] = mebibytes(tool.peak);
    state.counters["bare_peak"] = mebibytes(bare.peak);
    state.counters["extra_peak"] = mebibytes(tool.peak - bare.peak);
}

BENCHMARK(BM_Start)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--start") == 0)
        return startChild(argc, argv, std::strcmp(argv[2], "tool") == 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
