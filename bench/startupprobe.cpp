// Starts a program and reports, in milliseconds, when the welcome page's blue copyright line is
// first on the screen: the X screen is read every few milliseconds until enough of its colour shows.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include <cstdio>

namespace {

// Pixels of the page's pure blue text, anti-aliasing allowed for, right of the program's
// selection column (whose welcome strip is blue too).
constexpr int kLeftEdge = 200;

int bluePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); y += 1) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = kLeftEdge; x < image.width(); ++x)
            count += qBlue(line[x]) > 200 && qRed(line[x]) < 80 && qGreen(line[x]) < 80;
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: startupprobe PROGRAM [ARGS...]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    program.start(args.first(), args.mid(1));
    int result = 2;
    while (clock.elapsed() < 30000) {
        const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        if (bluePixels(shot) >= 40) {
            // To check what was seen.
            if (!qEnvironmentVariableIsEmpty("STARTUPPROBE_SHOT"))
                shot.save(qEnvironmentVariable("STARTUPPROBE_SHOT"));
            std::printf("%lld\n", static_cast<long long>(clock.elapsed()));
            result = 0;
            break;
        }
        QThread::msleep(5);
    }
    program.kill();
    program.waitForFinished(5000);
    return result;
}
